// The launcher object: one launch from the instance lock to the report.

#ifndef LAUNCHER_LAUNCHER_H_
#define LAUNCHER_LAUNCHER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "launcher/base_launcher.h"

namespace corvane {

class CommandLine;
class ScopedHandle;

// Exit codes of Run().
enum LauncherExitCode : int {
  kExitOk = 0,
  kExitInstanceLockHeld = 2,
  kExitConfigNotRead = 3,
  kExitEditConfigFailed = 4,
};

// Instance lock: up to this many attempts, this far apart.
constexpr int kInstanceLockAttempts = 4;
constexpr int kInstanceLockRetryDelayMs = 500;
// How long the launch check waits for an early death of the client.
constexpr uint32_t kLaunchCheckTimeoutMs = 3000;
// Exit codes of a client whose image or libraries could not be loaded.
constexpr uint32_t kStatusInvalidImageFormat = 0xC000007B;
constexpr uint32_t kStatusDllNotFound = 0xC0000135;
// Last error of a start the user declined at the elevation prompt.
constexpr uint32_t kErrorCancelled = 1223;

class Launcher : public BaseLauncher {
 public:
  Launcher();
  ~Launcher() override;

  int Run() override;
  bool RunLauncherApi(int* exit_code) override;

  // One attempt at the named instance mutex.
  bool AcquireInstanceLock();
  // Starts the client in |version_dir|; true when it was started and not
  // found failed. |update_launch| marks the start of a freshly switched
  // version.
  bool LaunchApp(const FilePath& version_dir, bool update_launch);
  bool LaunchCurrentVersion();
  // True when the launch failed: the client ended with a loader status, or a
  // system error box names one of its executables (its text then goes to
  // |message|, UTF-8).
  bool CheckLaunchResult(uint32_t exit_code, std::string* message);

  // The client's command line for |program|: the launcher's switches and
  // loose arguments in order (when |launcher_command_line| is given), then
  // update_launch and app_running as asked.
  static CommandLine BuildClientCommandLine(const FilePath& program,
                                            const CommandLine* launcher_command_line,
                                            bool update_launch, bool app_running);

 private:
  std::unique_ptr<ScopedHandle> instance_lock_;
};

// "{b45ca6b9-280d-4ef4-afb8-e6355e8a13f3}-" followed by |product_short_name|.
std::wstring InstanceLockName(const std::wstring& product_short_name);

// Raises the launcher's own priority class to high; it is not lowered again.
void RaiseOwnPriority();
// Reads |exe| ahead for its whole length so its start finds it in memory.
void PreReadExecutable(const FilePath& exe);
// The calling thread's last system error value.
uint32_t GetLastSystemError();

// True when |exit_code| says the client's image or a library could not be
// loaded.
bool IsLoaderFailureExitCode(uint32_t exit_code);

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_H_
