// Directories that tests make and leave behind clean.

#ifndef TEST_SUPPORT_SCOPED_TEMP_DIR_H_
#define TEST_SUPPORT_SCOPED_TEMP_DIR_H_

#include <string>

#include "base/files/file_path.h"

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

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_SCOPED_TEMP_DIR_H_
