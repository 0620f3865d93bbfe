// --launcher_api: configuration work for the product's other programs
// instead of a launch.

#include <windows.h>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/scoped_handle.h"
#include "common/reg_utils.h"
#include "elevation_service/elevation_service_client.h"
#include "launcher/install_tree_path.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launch_result.h"
#include "launcher/launcher.h"
#include "launcher/launcher_config.h"
#include "launcher/launcher_constants.h"
#include "launcher/launcher_dir.h"

namespace corvane {

namespace {

constexpr char kLauncherApiSwitch[] = "launcher_api";
constexpr char kUpdateConfigCommand[] = "update_config";
constexpr char kEditConfigCommand[] = "edit_config";
constexpr char kForceEditSwitch[] = "force_edit";
constexpr char kElevatedRelaunchSwitch[] = "elevated_relaunch";
constexpr wchar_t kElevationServiceExe[] = L"elevation_service.exe";
constexpr wchar_t kDisplayVersionValue[] = L"DisplayVersion";

}  // namespace

bool Launcher::RunLauncherApi(int* exit_code) {
  const CommandLine* command_line = CommandLine::ForCurrentProcess();
  if (!command_line || !command_line->HasSwitch(kLauncherApiSwitch)) return false;
  const std::string command = command_line->GetSwitchValueASCII(kLauncherApiSwitch);
  LaunchResult& result = GetLaunchResult();
  bool succeeded = false;
  if (command == kUpdateConfigCommand) {
    win::ScopedComInitializer com;
    result.launcher_api = command;
    succeeded = UpdateConfig();
  } else if (command == kEditConfigCommand) {
    // COM here too, so that the elevated relaunch can use the service.
    win::ScopedComInitializer com;
    result.launcher_api = command;
    succeeded = EditConfig();
    *exit_code = succeeded ? kExitOk : kExitEditConfigFailed;
  } else {
    return false;
  }
  result.launcher_api_result = succeeded;
  result.is_launch_success = succeeded;
  return true;
}

bool Launcher::EditConfig() {
  LaunchResult& result = GetLaunchResult();
  if (CheckInstallerRunning()) {
    result.error_codes.push_back(kErrorApiInstallerRunning);
    return false;
  }
  const CommandLine* command_line = CommandLine::ForCurrentProcess();
  if (!command_line) {
    result.error_codes.push_back(kErrorNoCommandLine);
    return false;
  }
  if (config_.need_update && !command_line->HasSwitch(kForceEditSwitch)) {
    result.error_codes.push_back(kErrorApiNeedUpdateNoForceEdit);
    return false;
  }

  LauncherConfig edited = LauncherConfigFromSwitches(*command_line);
  if (edited.app_name.empty()) edited.app_name = config_.app_name;
  if (edited.cur_path.empty()) edited.cur_path = config_.cur_path;
  // Checked before anything is written or elevated: these values become the
  // paths the service starts from.
  if (!HasInstallTreePaths(edited)) {
    const std::string text = WideToUTF8(error_msg_str_config_invalid());
    result.error_codes.push_back(kErrorConfigSchema);
    result.AppendNote(text);
    LOG(ERROR) << "edit config refused: a path leaves the install tree. " << text;
    return false;
  }

  if (elevated_update() && !IsCurrentProcessElevated() &&
      !command_line->HasSwitch(kElevatedRelaunchSwitch)) {
    return RelaunchElevated();
  }

  int error_code = 0;
  std::string error_message;
  if (!WriteLauncherConfig(edited, &error_code, &error_message)) {
    result.error_codes.push_back(error_code);
    result.AppendNote(error_message);
    LOG(ERROR) << error_message;
    return false;
  }

  if (!UpdateUninstallValue(product_display_name(), kDisplayVersionValue, edited.cur_path, 0,
                            uninstaller_reg_root())) {
    result.AppendNote("[update reg version failed]");
    result.error_codes.push_back(kErrorUpdateDisplayVersionFailed);
    LOG(ERROR) << "update reg version failed";
  }

  if (elevated_update()) {
    const FilePath service =
        VersionDir(LauncherDir(), edited.mid_path, edited.cur_path).Append(kElevationServiceExe);
    if (PathExists(service)) {
      CommandLine install(service);
      install.AppendArg("--install");
      LaunchProcess(install, LaunchOptions());
    } else {
      result.AppendNote("[elevation_service not exist]");
      result.error_codes.push_back(kErrorElevationServiceNotExist);
      LOG(ERROR) << "elevation_service not exist, path" << service.value();
    }
  }
  return true;
}

bool Launcher::RelaunchElevated() {
  LaunchResult& result = GetLaunchResult();
  // The relaunched launcher must be able to take the lock.
  instance_lock_.reset();
  // This launcher by its full path: argument 0 is whatever the caller typed,
  // and the service or the prompt starts it from another directory.
  CommandLine relaunch = *CommandLine::ForCurrentProcess();
  FilePath self;
  if (GetPath(FILE_EXE, &self)) relaunch.SetProgram(self);
  relaunch.AppendArg("--elevated_relaunch");

  // Through the service, else the consent prompt; the launcher's own
  // directory does not matter to it.
  const PrivilegedStartRule rule = {true, kErrorElevationServiceLaunchFailed,
                                    kErrorElevatedRelaunchFailed, true, true};
  Process process;
  if (StartPrivileged(relaunch, FilePath(), rule, &process) != PrivilegedStart::kStarted)
    return false;

  int exit_code = 0;
  const bool waited = process.WaitForExit(&exit_code);
  if (!waited) exit_code = 0;
  if (waited && exit_code == 0) return true;
  // The elevated launcher's own outcome decides this one.
  result.AppendNote("relaunch exit code: ", static_cast<uint32_t>(exit_code));
  result.error_codes.push_back(kErrorElevatedRelaunchExitCode);
  return false;
}

}  // namespace corvane
