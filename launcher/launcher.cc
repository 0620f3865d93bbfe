#include "launcher/launcher.h"

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/retry_until.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_com_initializer.h"
#include "launcher/animation/startup_animation.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launch_result.h"
#include "launcher/launcher_constants.h"
#include "launcher/launcher_utils.h"
#include "launcher/launcher_widget.h"
#include "launcher/starting_speed_data.h"
#include "utils/crash_handler.h"

namespace corvane {

namespace {

constexpr wchar_t kInstanceLockPrefix[] = L"{b45ca6b9-280d-4ef4-afb8-e6355e8a13f3}-";
constexpr char kUpdateLaunchSwitch[] = "update_launch";
constexpr char kAppRunningSwitch[] = "app_running";

// "0xC0000005": exception statuses are known by their hexadecimal form.
std::string ExitCodeText(uint32_t exit_code) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kHex[(exit_code >> shift) & 0xF]);
  return text;
}

FilePath MainExePath(const FilePath& version_dir, const std::wstring& app_name) {
  return version_dir.Append(app_name + L".exe");
}

}  // namespace

std::wstring InstanceLockName(const std::wstring& product_short_name) {
  return kInstanceLockPrefix + product_short_name;
}

bool IsCrashExitCode(uint32_t exit_code) {
  // 0xC: the system's error statuses (access violation, stack overflow, heap
  // corruption, fast-fail, the loader's); 0xE: exceptions raised by software,
  // an uncaught C++ exception among them. 0xF... is what exit(-1), exit(-2)
  // and their like leave, and 0x8/0x9 warnings are no exit at all but for a
  // breakpoint that nobody caught.
  const uint32_t kind = exit_code & kCrashStatusMask;
  return kind == kSystemErrorStatus || kind == kSoftwareErrorStatus ||
         exit_code == kStatusBreakpoint;
}

bool IsLoaderFailureExitCode(uint32_t exit_code) {
  return exit_code == kStatusInvalidImageFormat || exit_code == kStatusDllNotFound;
}

CommandLine Launcher::BuildClientCommandLine(const FilePath& program,
                                             const CommandLine* launcher_command_line,
                                             bool update_launch, bool app_running) {
  CommandLine command_line = CommandLine::WithArgumentsOf(program, launcher_command_line);
  if (update_launch) command_line.AppendSwitch(kUpdateLaunchSwitch);
  if (app_running) command_line.AppendSwitch(kAppRunningSwitch);
  return command_line;
}

int Launcher::Run() {
  // Step 1: one launcher at a time.
  if (!RetryUntil([this] { return AcquireInstanceLock(); }, kInstanceLockAttempts,
                  kInstanceLockRetryDelayMs)) {
    LOG(ERROR) << "Launcher is running!";
    return kExitInstanceLockHeld;
  }

  // Steps 2 and 3: switches and configuration.
  ParseSwitches();
  if (!LoadConfig()) {
    ReportLaunchResult(*this);
    return kExitConfigNotRead;
  }

  // Step 4: a launcher API command ends the run here.
  int api_exit_code = kExitOk;
  if (RunLauncherApi(&api_exit_code)) {
    LOG(INFO) << "run launcher api.";
    ReportLaunchResult(*this);
    return api_exit_code;
  }

  // Step 5: leftovers of a failed install or a crash.
  LaunchResult& result = GetLaunchResult();
  if (!CheckCrashFlag(GetCurVersionDir())) {
    result.is_lost_file = true;
    ReportLaunchResult(*this);
    LOG(ERROR) << "CheckCrashFlag not pass!";
    return kExitOk;
  }

  // Step 6.
  result.need_update = config_.need_update;

  // Steps 7 and 8: a version switch or a binary update before the launch.
  // Each starts a client and reports by itself; COM is there for the
  // elevation service.
  if (RunUpdate()) {
    result.is_update = true;
    win::ScopedComInitializer com;
    UpdateBeforeLaunch();
    return kExitOk;
  }
  if (config_.need_bin_update && !IsAppRunning()) {
    result.is_bin_update = true;
    win::ScopedComInitializer com;
    BinUpdateBeforeLaunch();
    return kExitOk;
  }

  // Step 9.
  result.is_update = false;

  // Steps 10 and 11.
  LaunchCurrentOrWaitingVersion();
  ReportLaunchResult(*this);
  return kExitOk;
}

void Launcher::LaunchCurrentOrWaitingVersion() {
  // The current version lacks its executable while a new one waits.
  if (run_new_version_if_main_exe_missing() && config_.need_update &&
      !PathExists(MainExePath(GetCurVersionDir(), config_.app_name))) {
    LOG(ERROR) << "main exe not found in cur version, run the new version";
    LaunchApp(GetNewVersionDir(), false);
    return;
  }
  LaunchCurrentVersion();
}

bool Launcher::LaunchCurrentVersion() {
  const bool launched = LaunchApp(GetCurVersionDir(), false);
  GetLaunchResult().is_launch_success = launched;
  return launched;
}

FilePath Launcher::ClientExecutable(const FilePath& version_dir, bool* custom) const {
  *custom = cmd_custom_launch && !custom_launch_exe().empty();
  if (!*custom) return MainExePath(version_dir, config_.app_name);
  LOG(INFO) << "run custom launch.";
  return version_dir.Append(custom_launch_exe());
}

bool Launcher::ShouldShowAnimation(bool custom) {
  if (custom || cmd_auto_run || !is_enabled_startup_animation()) return false;
  return !IsSingleInstanceAppRunning();
}

bool Launcher::LaunchApp(const FilePath& version_dir, bool update_launch) {
  // Steps 1 and 2: what to start, with the launcher's own switches.
  bool custom = false;
  const FilePath exe = ClientExecutable(version_dir, &custom);
  const CommandLine command_line =
      BuildClientCommandLine(exe, CommandLine::ForCurrentProcess(), update_launch, app_running_);
  LOG(INFO) << "LaunchApp: " << command_line.GetCommandLineString();

  // Step 3: the start times go into the environment the children inherit.
  StartingSpeedData* speed = StartingSpeedData::GetInstance();
  speed->OnCreateSubProcessBegin();

  // Steps 4 and 5: the client starts faster from a launcher at high
  // priority and with its executable already read.
  RaiseOwnPriority();
  PreReadFile(exe, 0);

  // Step 6.
  const bool animation = ShouldShowAnimation(custom);

  // Step 7: before the client.
  RunWidgetStep(version_dir, custom);

  // Step 8.
  const ClientStart start = StartClient(command_line, version_dir, elevated_launch());

  // Step 9.
  speed->OnCreateSubProcessEnd();

  // Step 10: on the main thread, until the client signals that it is ready.
  // A client that did not start never signals: no splash then, so that the
  // error dialog is not held back for the watcher's 30 s. The splash is the
  // launcher's first window: the shell identity goes first; the splash has
  // a second thread anyway, so the crash handler's goes with it.
  if (animation) {
    if (start.started()) {
      SetShellIdentity();
      StartCrashHandlerThread();
      PlayStartupAnimation(version_dir, start.handle());
    }
  } else {
    LOG(INFO) << "app is running,don't show animation.";
  }

  // Step 11.
  speed->SetSubProcessPid(start.pid());
  speed->SetSubProcessName(WideToUTF8(exe.BaseName().value()));

  // Steps 12 and 13: the launch check runs after a failed start too, since a
  // system error box up by then still explains the failure.
  bool failed = !start.started();
  std::string message;
  if (enable_launch_result_check()) {
    LOG(INFO) << "enable check launch result.";
    if (CheckLaunchResult(WaitForEarlyExit(start, kLaunchCheckTimeoutMs), &message)) failed = true;
  }

  // Only now the crash handler's thread and the device identity (WMI,
  // adapters): while the client's process starts, a second thread in the
  // launcher or a load of many modules slows that start, and the main
  // thread, the only one, runs nothing during the wait above.
  StartCrashHandlerThread();
  CompleteCrashReportIdentity();

  // Step 14.
  if (failed && !HandleFailedLaunch(exe, start, update_launch, message)) return false;

  // Step 15.
  speed->SetCreateSubSuccess(!failed);
  speed->SetAppVersion(WideToUTF8(GetLaunchResult().cur_app_version));
  speed->CheckFirstStart();
  speed->ReportStartingSpeedData();

  // Step 16: the process handle closes with |start|.
  return !failed;
}

void Launcher::RunWidgetStep(const FilePath& version_dir, bool custom) {
  LaunchResult& result = GetLaunchResult();
  const bool normal_launch = !custom && !cmd_auto_run;
  if (!(IsWidgetEnabled() && normal_launch && !IsSingleInstanceAppRunning())) {
    LOG(INFO) << "should not launch fennic";
    // The switch is asked again for the reason, as the record has always had it.
    const char* reason = !IsWidgetEnabled() ? "not hit fennic ab"
                         : !normal_launch   ? "not normal launch"
                                            : "diabled process running";
    result.AppendNote("[not run fennic velmora:, reason:", reason, "]");
    return;
  }
  StartingSpeedData::GetInstance()->OnFennicProcessBegin();
  uint32_t last_error = 0;
  if (!LaunchWidget(version_dir, &last_error)) {
    result.win_error_codes.push_back(last_error);
    result.error_codes.push_back(kErrorLaunchFennicFailed);
    LOG(ERROR) << "launch fennic process failed.";
  }
  result.AppendNote("[run fennic velmora]");
}

bool Launcher::HandleFailedLaunch(const FilePath& exe, const ClientStart& start, bool update_launch,
                                  const std::string& message) {
  LaunchResult& result = GetLaunchResult();
  result.sys_error = message;
  result.win_error_codes.push_back(start.last_error);
  const bool exe_exists = PathExists(exe);
  if (start.last_error == kErrorCancelled && exe_exists) {
    result.error_codes.push_back(kErrorLaunchCancelledByUser);
    LOG(ERROR) << "cancel launch app by user.";
    return false;
  }
  result.error_codes.push_back(kErrorLaunchAppFailed);
  if (!exe_exists) result.error_codes.push_back(kErrorMainExeNotExist);
  // An autorun launch and a launch after a version switch never ask the user.
  if (!update_launch && !cmd_auto_run) {
    ShowErrorDialog(
        exe_exists ? error_msg_str_launch_app_failed() : error_msg_str_find_app_failed(),
        GetCurVersionDir());
  }
  return true;
}

bool Launcher::CheckLaunchResult(uint32_t exit_code, std::string* message) {
  if (IsLoaderFailureExitCode(exit_code)) return true;
  // A client that crashed within the check never got going either.
  if (IsCrashExitCode(exit_code)) {
    GetLaunchResult().AppendNote("[client exit code:", ExitCodeText(exit_code), "]");
    return true;
  }
  std::wstring texts;
  const bool found = CollectSystemErrorTexts(main_exe_names(), &texts);
  if (message) *message = WideToUTF8(texts);
  return found;
}

}  // namespace corvane
