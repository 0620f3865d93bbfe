#include "launcher/base_launcher.h"

#include <algorithm>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "launcher/launch_result.h"
#include "launcher/launcher_dir.h"
#include "utils/crash_handler.h"
#include "launcher/launcher_constants.h"
#include "launcher/launcher_utils.h"

namespace corvane {

namespace {

constexpr char kUpdateRelaunchSwitch[] = "update_relaunch";

}  // namespace

bool ContainsLaunchMarker(std::wstring_view arguments, std::wstring_view marker) {
  return !marker.empty() && arguments.find(marker) != std::wstring_view::npos;
}

BaseLauncher::BaseLauncher() = default;
BaseLauncher::~BaseLauncher() = default;

void BaseLauncher::ParseSwitches() { ParseSwitchesFrom(CommandLine::ForCurrentProcess()); }

void BaseLauncher::ParseSwitchesFrom(const CommandLine* command_line) {
  if (!command_line) return;
  const std::wstring arguments = command_line->GetArgumentsString();
  cmd_auto_run = ContainsLaunchMarker(arguments, autorun_marker());
  cmd_custom_launch = ContainsLaunchMarker(arguments, custom_launch_marker());
  LaunchResult& result = GetLaunchResult();
  result.is_auto_run = cmd_auto_run;
  LOG(INFO) << "cmd_auto_run:" << (cmd_auto_run ? 1 : 0)
            << ", cmd_custom_launch:" << (cmd_custom_launch ? 1 : 0);
  if (command_line->HasSwitch(kUpdateRelaunchSwitch)) update_relaunch_ = true;
  result.update_relaunch = update_relaunch_;
}

bool BaseLauncher::LoadConfig() {
  int error_code = 0;
  std::string error_message;
  const bool read = ReadLauncherConfig(&config_, &error_code, &error_message);
  LaunchResult& result = GetLaunchResult();
  result.is_init_success = read;
  result.cur_app_version = config_.cur_path;
  result.new_app_version = config_.new_path;
  result.cur_mid = config_.mid_path;
  result.new_mid = config_.new_mid_path;
  result.need_update = config_.need_update;
  // A crash from here on finds the reporter of the configured version.
  if (!config_.mid_path.empty()) SetCrashReporterDir(GetCurVersionDir().AsUTF8Unsafe().c_str());
  if (!read) {
    result.error_codes.push_back(error_code);
    ShowErrorDialog(UTF8ToWide(error_message), GetCurVersionDir());
  }
  return read;
}

FilePath BaseLauncher::VersionDir(const FilePath& launcher_dir, const std::wstring& mid,
                                  const std::wstring& version) {
  FilePath dir = launcher_dir;
  if (!mid.empty()) dir = dir.Append(mid);
  if (!version.empty()) dir = dir.Append(version);
  return dir;
}

FilePath BaseLauncher::GetCurVersionDir() const {
  return VersionDir(LauncherDir(), config_.mid_path, config_.cur_path);
}

FilePath BaseLauncher::GetNewVersionDir() const {
  return VersionDir(LauncherDir(), config_.new_mid_path, config_.new_path);
}

bool BaseLauncher::RunUpdate() {
  if (!config_.need_update || config_.cur_path == config_.new_path) {
    LOG(INFO) << "update info is not enable.";
    return false;
  }
  if (update_relaunch_) {
    LOG(INFO) << "update relaunch.";
    return true;
  }
  const bool run = !CheckInstallerRunning() && !IsAppRunning();
  LOG(INFO) << "RunUpdate update_info_enable:" << 1
            << ",update_relaunch_:" << (update_relaunch_ ? 1 : 0)
            << ",runnig_check:" << (run ? 1 : 0);
  return run;
}

bool BaseLauncher::IsAppRunning() {
  if (app_running_checked_) return app_running_;
  app_running_checked_ = true;
  if (FindSingleInstanceWindow(config_.app_name)) {
    LOG(INFO) << "Find Single Instance Lock Window, app is running.";
    app_running_ = true;
    return true;
  }
  const bool found = IsProcessRunning(main_exe_names());
  LOG(INFO) << "Check process by name, result is: " << (found ? 1 : 0);
  if (found) app_running_ = true;
  return found;
}

bool BaseLauncher::CheckInstallerRunning() {
  const bool running = IsInstallerRunning();
  if (running) GetLaunchResult().AppendNote("[installer running]");
  return running;
}

bool BaseLauncher::IsSingleInstanceAppRunning() {
  const std::vector<std::wstring> names = single_instance_exe_names();
  const std::wstring app_exe = config_.app_name + L".exe";
  const bool contains = std::find(names.begin(), names.end(), app_exe) != names.end();
  LOG(INFO) << "contain app name: " << (contains ? 1 : 0);
  if (contains && FindSingleInstanceWindow(config_.app_name)) {
    LOG(INFO) << "Find Single Instance Lock Window, app is running.";
    return true;
  }
  const bool found = IsProcessRunning(names);
  LOG(INFO) << "Check process by name, result is: " << (found ? 1 : 0);
  return found;
}

}  // namespace corvane
