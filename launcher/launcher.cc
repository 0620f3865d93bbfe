#include "launcher/launcher.h"

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "launcher/launch_result.h"
#include "launcher/launcher_config.h"
#include "launcher/launcher_constants.h"
#include "launcher/launcher_utils.h"

namespace corvane {

namespace {

constexpr wchar_t kInstanceLockPrefix[] = L"{b45ca6b9-280d-4ef4-afb8-e6355e8a13f3}-";
constexpr char kUpdateLaunchSwitch[] = "update_launch";
constexpr char kAppRunningSwitch[] = "app_running";

FilePath MainExePath(const FilePath& version_dir, const std::wstring& app_name) {
  return version_dir.Append(app_name + L".exe");
}

}  // namespace

std::wstring InstanceLockName(const std::wstring& product_short_name) {
  return kInstanceLockPrefix + product_short_name;
}

bool IsLoaderFailureExitCode(uint32_t exit_code) {
  return exit_code == kStatusInvalidImageFormat || exit_code == kStatusDllNotFound;
}

CommandLine Launcher::BuildClientCommandLine(const FilePath& program,
                                             const CommandLine* launcher_command_line,
                                             bool update_launch, bool app_running) {
  CommandLine command_line(program);
  if (launcher_command_line) command_line.AppendArguments(*launcher_command_line, false);
  if (update_launch) command_line.AppendSwitch(kUpdateLaunchSwitch);
  if (app_running) command_line.AppendSwitch(kAppRunningSwitch);
  return command_line;
}

bool Launcher::RunLauncherApi(int* /*exit_code*/) {
  // The launcher API commands are not part of this launcher yet; Run() does
  // not ask, and no command is ever handled here.
  return false;
}

int Launcher::Run() {
  if (!RetryUntil([this] { return AcquireInstanceLock(); }, kInstanceLockAttempts,
                  kInstanceLockRetryDelayMs)) {
    LOG(ERROR) << "Launcher is running!";
    return kExitInstanceLockHeld;
  }

  ParseSwitches();

  if (!LoadConfig()) {
    ReportLaunchResult(*this);
    return kExitConfigNotRead;
  }

  LaunchResult& result = GetLaunchResult();
  if (!CheckCrashFlag(GetCurVersionDir())) {
    result.is_lost_file = true;
    ReportLaunchResult(*this);
    LOG(ERROR) << "CheckCrashFlag not pass!";
    return kExitOk;
  }

  result.need_update = config_.need_update;

  // Handing a waiting version switch or binary update to the updater is not
  // part of this launcher yet. The checks still run, because their answers
  // (a running client, a running installer) shape the plain launch below.
  if (!RunUpdate() && config_.need_bin_update) IsAppRunning();
  result.is_update = false;

  if (run_new_version_if_main_exe_missing() && config_.need_update &&
      !PathExists(MainExePath(GetCurVersionDir(), config_.app_name))) {
    LOG(ERROR) << "main exe not found in cur version, run the new version";
    LaunchApp(GetNewVersionDir(), false);
    ReportLaunchResult(*this);
    return kExitOk;
  }

  LaunchCurrentVersion();
  ReportLaunchResult(*this);
  return kExitOk;
}

bool Launcher::LaunchCurrentVersion() {
  const bool launched = LaunchApp(GetCurVersionDir(), false);
  GetLaunchResult().is_launch_success = launched;
  return launched;
}

bool Launcher::LaunchApp(const FilePath& version_dir, bool update_launch) {
  FilePath exe;
  bool custom = false;
  if (cmd_custom_launch && !custom_launch_exe().empty()) {
    exe = version_dir.Append(custom_launch_exe());
    custom = true;
    LOG(INFO) << "run custom launch.";
  } else {
    exe = MainExePath(version_dir, config_.app_name);
  }

  const CommandLine command_line =
      BuildClientCommandLine(exe, CommandLine::ForCurrentProcess(), update_launch, app_running_);
  LOG(INFO) << "LaunchApp: " << command_line.GetCommandLineString();

  RaiseOwnPriority();
  PreReadFile(exe, 0);

  // The start-up animation only runs while no client shows itself; the
  // player itself is not part of this launcher yet.
  const bool animation =
      !custom && !cmd_auto_run && is_enabled_startup_animation() && !IsSingleInstanceAppRunning();
  if (!animation) LOG(INFO) << "app is running,don't show animation.";

  const bool check = enable_launch_result_check();
  const ClientStart start = StartClient(command_line, version_dir, elevated_launch(), check);
  bool failed = !start.started;
  std::string message;
  // The check runs after a failed start too: a system error box up by then
  // still explains the failure.
  if (check && CheckLaunchResult(start.exit_code, &message)) failed = true;
  if (!failed) return true;

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
  if (!update_launch && !cmd_auto_run) {
    ShowErrorDialog(
        exe_exists ? error_msg_str_launch_app_failed() : error_msg_str_find_app_failed(),
        GetCurVersionDir());
  }
  return false;
}

bool Launcher::CheckLaunchResult(uint32_t exit_code, std::string* message) {
  if (IsLoaderFailureExitCode(exit_code)) return true;
  std::wstring texts;
  const bool found = CollectSystemErrorTexts(main_exe_names(), &texts);
  if (message) *message = WideToUTF8(texts);
  return found;
}

}  // namespace corvane
