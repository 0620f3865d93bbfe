// The test child (test/child) plays every outside program: copies of it are
// placed where the launcher looks, steered by "<stem>.control.json" beside
// the copy, and each start appends one JSON line to "<stem>.record.jsonl".

#ifndef TEST_SUPPORT_TEST_CHILD_H_
#define TEST_SUPPORT_TEST_CHILD_H_

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/files/file_path.h"
#include "base/process/process.h"
#include "base/win/scoped_handle.h"

namespace corvane {
namespace test {

// The test child built beside the running test binary.
FilePath TestChildPath();

// Copies the test child to |exe| (making its directory) and writes
// |control_json| beside it when not empty. False when a step failed.
bool PlaceTestChild(const FilePath& exe, const std::string& control_json);

// The same at |directory|\|name|; returns the copy, or an empty path.
FilePath InstallTestChild(const FilePath& directory, const std::wstring& name,
                          const std::string& control_json);

// The record lines the copy at |exe| wrote so far, as text ("" when none).
std::string ReadChildRecordText(const FilePath& exe);

// The same, one parsed object per start; lines that do not parse are left out.
std::vector<nlohmann::json> ReadChildRecords(const FilePath& exe);

// A named manual-reset event of a unique name, for a child's "signal_event".
class ScopedChildEvent {
 public:
  ScopedChildEvent();
  const std::wstring& name() const { return name_; }
  // True once it is signalled; false after 30 s, so a test fails, not hangs.
  bool Wait() const;

 private:
  std::wstring name_;
  win::ScopedHandle handle_;
};

// A started copy of the test child, ended when the test is done with it.
class ScopedChildProcess {
 public:
  explicit ScopedChildProcess(const FilePath& exe);
  ~ScopedChildProcess();
  ScopedChildProcess(const ScopedChildProcess&) = delete;
  ScopedChildProcess& operator=(const ScopedChildProcess&) = delete;

  bool IsValid() const { return process_.IsValid(); }
  void End();

 private:
  Process process_;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_TEST_CHILD_H_
