// The launcher object: one launch from the instance lock to the report.

#ifndef LAUNCHER_LAUNCHER_H_
#define LAUNCHER_LAUNCHER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "launcher/base_launcher.h"
#include "launcher/client_start.h"
#include "launcher/updater_command_line.h"

namespace corvane {

class CommandLine;
class Process;
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
// An exit code's top four bits tell a crash (an error status left by an
// exception nobody caught) from a code the program passed to exit().
constexpr uint32_t kCrashStatusMask = 0xF0000000;
constexpr uint32_t kSystemErrorStatus = 0xC0000000;
constexpr uint32_t kSoftwareErrorStatus = 0xE0000000;
constexpr uint32_t kStatusBreakpoint = 0x80000003;
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
  // version. The one place that starts the client.
  bool LaunchApp(const FilePath& version_dir, bool update_launch);
  bool LaunchCurrentVersion();
  // True when the launch failed: the client ended with a loader status or
  // died of an exception (its exit code then goes to the record's
  // extra_info), or a system error box names one of its executables (its
  // text then goes to |message|, UTF-8).
  bool CheckLaunchResult(uint32_t exit_code, std::string* message);

  // The client's command line for |program|: the launcher's switches and
  // loose arguments in order (when |launcher_command_line| is given), then
  // update_launch and app_running as asked.
  static CommandLine BuildClientCommandLine(const FilePath& program,
                                            const CommandLine* launcher_command_line,
                                            bool update_launch, bool app_running);

  // The updater's runs. Each update step starts a client on every path and
  // sends the report itself.
  // Version switch by the new version's updater, then the new client (or
  // the current one, and the rollback, when that fails). True when the new
  // version was started.
  bool UpdateBeforeLaunch();
  // Binary update by the current version's updater, waited for, then the
  // current client. True when the updater was started.
  bool BinUpdateBeforeLaunch();
  // Starts |updater| in |mode|; before_launch waits and is true for exit
  // code 0, the others are true when started.
  bool RunSilenceUpdate(SilenceUpdateMode mode, const FilePath& updater);
  bool RunBinUpdate(const FilePath& updater);
  // --launcher_api=update_config: the updater in configuration mode, waited
  // for; true for exit code 0.
  bool UpdateConfig();
  // --launcher_api=edit_config: rewrites the configuration from the
  // switches, refreshes the uninstall key's version and registers the
  // elevation service, relaunching elevated first when the product asks.
  bool EditConfig();

 private:
  enum class PrivilegedStart { kStarted, kFailed, kGaveUp };
  struct PrivilegedStartRule {
    bool through_service;      // the elevation service before the prompt
    int service_failed_code;   // recorded when the service did not start it
    int start_failed_code;     // recorded when the direct start failed
    bool records;              // false: the after-launch run records nothing
    bool feedback_cursor_off;  // for the consent prompt's start
  };
  // The common start of every updater mode and of the elevated relaunch:
  // the service, then (unless autorun) the consent prompt; or a plain start
  // in |directory|.
  PrivilegedStart StartPrivileged(const CommandLine& command_line, const FilePath& directory,
                                  const PrivilegedStartRule& rule, Process* process);
  // Waits for the updater without a limit; logs and returns its exit code
  // (0 when the wait failed) and whether the wait succeeded.
  static bool WaitForUpdater(const Process& process, uint32_t* exit_code);
  // Run steps 10 and 11 (also the fallback of a failed switch): the current
  // version, or the waiting one when the current executable is missing.
  void LaunchCurrentOrWaitingVersion();
  // EditConfig's relaunch of this launcher with --elevated_relaunch, waited
  // for; true when it exited with 0.
  bool RelaunchElevated();

  // LaunchApp step 1: the executable in |version_dir|, and whether the
  // launch counts as custom.
  FilePath ClientExecutable(const FilePath& version_dir, bool* custom) const;
  // Step 6: whether the start-up animation plays for this launch.
  bool ShouldShowAnimation(bool custom);
  // Step 7: the companion widget's decision, start and note in the record.
  void RunWidgetStep(const FilePath& version_dir, bool custom);
  // Step 14: records why the start of |exe| failed and, unless the user
  // declined the prompt, an autorun or an update launch, shows the dialog.
  // False when the user declined the elevation prompt (nothing more to do).
  bool HandleFailedLaunch(const FilePath& exe, const ClientStart& start, bool update_launch,
                          const std::string& message);

  std::unique_ptr<win::ScopedHandle> instance_lock_;
};

// "{b45ca6b9-280d-4ef4-afb8-e6355e8a13f3}-" followed by |product_short_name|.
std::wstring InstanceLockName(const std::wstring& product_short_name);

// Raises the launcher's own priority class to high; it is not lowered again.
void RaiseOwnPriority();

// The shell identity: the application user model id when the product has
// one, set once per process right after the client's start or before the
// first window, whichever comes first (so that the start needs no shell32).
void SetShellIdentity();

// True when |exit_code| says the client's image or a library could not be
// loaded.
bool IsLoaderFailureExitCode(uint32_t exit_code);

// True when |exit_code| is what Windows leaves for a process that crashed:
// an error status 0xC....... or 0xE......., or an uncaught breakpoint. Codes
// a program can pass to exit(), 0xFFFFFFFF and other small negative or
// positive numbers, are not crashes.
bool IsCrashExitCode(uint32_t exit_code);

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_H_
