#ifndef BASE_TEST_TEST_UTIL_WIN_H_
#define BASE_TEST_TEST_UTIL_WIN_H_

#include <string>

#include "base/files/file_path.h"

// Helpers for tests (unused by shipped code; the linker drops them there).
namespace corvane {
namespace test {

// A fresh directory under the temp directory, deleted with everything in
// it when the object goes away.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  bool IsValid() const { return !path_.empty(); }
  const FilePath& path() const { return path_; }

 private:
  FilePath path_;
};

// Sets the current directory for its lifetime.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const FilePath& directory);
  ~ScopedCurrentDirectory();
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::wstring previous_;
};

// The test child built beside the test binary.
FilePath TestChildPath();

// Copies the test child to |directory|\|name| and, when |control_json| is
// not empty, writes "<stem>.control.json" beside it. Returns the copy.
FilePath InstallTestChild(const FilePath& directory, const std::wstring& name,
                          const std::string& control_json);

// The record lines the child at |exe| appended so far ("" when none).
std::string ReadChildRecords(const FilePath& exe);

}  // namespace test
}  // namespace corvane

#endif  // BASE_TEST_TEST_UTIL_WIN_H_
