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
namespace win {
class ScopedHandle;
}  // namespace win

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
  std::unique_ptr<win::ScopedHandle> instance_lock_;
};

// "{b45ca6b9-280d-4ef4-afb8-e6355e8a13f3}-" followed by |product_short_name|.
std::wstring InstanceLockName(const std::wstring& product_short_name);

// Raises the launcher's own priority class to high; it is not lowered again.
void RaiseOwnPriority();

// What happened to one start of the client.
struct ClientStart {
  bool started = false;
  // The thread's last error right after the start call.
  uint32_t last_error = 0;
  // Exit code when the client ended within the check's wait, else 0.
  uint32_t exit_code = 0;
};

// Starts |command_line| in |current_directory| (through the elevation prompt
// when |elevated|) without waiting; with |check_early_exit| waits up to
// kLaunchCheckTimeoutMs for an early end. The process handle is closed
// before returning.
ClientStart StartClient(const CommandLine& command_line, const FilePath& current_directory,
                        bool elevated, bool check_early_exit);

// True when |exit_code| says the client's image or a library could not be
// loaded.
bool IsLoaderFailureExitCode(uint32_t exit_code);

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_H_
