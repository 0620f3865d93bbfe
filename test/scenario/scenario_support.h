// Helpers of the launcher scenario tests: temporary install trees, running a
// Windows program while answering its message boxes, and reading what the
// client and the report collector wrote down.

#ifndef TEST_SCENARIO_SCENARIO_SUPPORT_H_
#define TEST_SCENARIO_SCENARIO_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/files/file_path.h"

namespace corvane {
namespace scenario {

// A path handed in by the build (a host path under Wine) as a Windows path.
FilePath FromBuildPath(const char* path);

// Every request the collector recorded whose body holds |token|, in arrival
// order. Each entry is the record line with "body_bytes" added: the exact
// bytes of the body file.
std::vector<nlohmann::json> ReadCollectorRequests(const FilePath& collector_dir,
                                                  const std::string& token);

// What the test does with a message box the program shows.
enum class DialogAction {
  kFail,     // none expected: close it and count it
  kClose,    // send the close command
  kPressOk,  // press button IDOK
  kPressRetry,
  kPressCancel,
};

struct DialogSeen {
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
};

struct ProgramRun {
  bool started = false;
  bool finished = false;
  uint32_t exit_code = 0;
  std::vector<DialogSeen> dialogs;
};

// Runs |command_line| (a full command line) in |current_dir| until it ends,
// answering every message box of it with |action|. Messages of the calling
// thread are pumped meanwhile, so windows it owns stay responsive.
ProgramRun RunProgram(const std::wstring& command_line, const FilePath& current_dir,
                      DialogAction action);

// Holds a named mutex for the object's lifetime. With |refuse_others| its
// DACL is empty, so that another process's CreateMutexW of the name fails
// with ERROR_ACCESS_DENIED, as for a mutex an elevated process or another
// user made.
class HeldMutex {
 public:
  explicit HeldMutex(const std::wstring& name, bool refuse_others = false);
  ~HeldMutex();
  HeldMutex(const HeldMutex&) = delete;
  HeldMutex& operator=(const HeldMutex&) = delete;
  bool valid() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

// The device id text the reporter puts into every body, "" when none.
std::string DeviceIdText();

}  // namespace scenario
}  // namespace corvane

#endif  // TEST_SCENARIO_SCENARIO_SUPPORT_H_
