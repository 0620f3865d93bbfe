// Starting the updater program in each of its modes.

#include <windows.h>

#include "base/command_line.h"
#include "base/files/file_hold.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "elevation_service/elevation_service_client.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launch_result.h"
#include "launcher/launcher.h"
#include "launcher/launcher_constants.h"

namespace corvane {

namespace {

constexpr char kEnableLogSwitch[] = "enable_log";

// The launcher's own file name without extension: the updater is told whom
// to start again.
std::wstring LauncherName() {
  FilePath exe;
  GetPath(FILE_EXE, &exe);
  return exe.BaseName().RemoveExtension().value();
}

bool LauncherHasSwitch(const char* name) {
  const CommandLine* command_line = CommandLine::ForCurrentProcess();
  return command_line && command_line->HasSwitch(name);
}

}  // namespace

Launcher::PrivilegedStart Launcher::StartPrivileged(const CommandLine& command_line,
                                                    const FilePath& directory,
                                                    const PrivilegedStartRule& rule,
                                                    Process* process) {
  LaunchResult& result = GetLaunchResult();
  LaunchOptions options;
  options.current_directory = directory;
  // Held from the gate's check until the service or the prompt started it; a
  // refused file fails as a start that failed, and is never offered to the
  // prompt.
  FileHold hold;
  if (rule.through_service && !AdmitLaunch(command_line.GetProgram(), true, &hold)) {
    const DWORD error = GetLastError();
    if (rule.records) {
      result.win_error_codes.push_back(error);
      result.error_codes.push_back(rule.start_failed_code);
    }
    return PrivilegedStart::kFailed;
  }
  if (rule.through_service) {
    const int32_t hr = LaunchViaElevationService(command_line, process);
    if (hr >= 0 && process->IsValid()) return PrivilegedStart::kStarted;
    if (rule.records) {
      result.h_result_codes.push_back(hr);
      result.error_codes.push_back(rule.service_failed_code);
    }
    // Nobody is there to answer a consent prompt.
    if (cmd_auto_run) return PrivilegedStart::kGaveUp;
    options.elevated = true;
    options.feedback_cursor_off = rule.feedback_cursor_off;
  }
  Process started = LaunchProcess(command_line, options);
  const DWORD error = GetLastError();
  *process = std::move(started);
  if (process->IsValid()) return PrivilegedStart::kStarted;
  if (rule.records) {
    result.win_error_codes.push_back(error);
    result.error_codes.push_back(rule.start_failed_code);
  }
  return PrivilegedStart::kFailed;
}

bool Launcher::WaitForUpdater(const Process& process, uint32_t* exit_code) {
  int code = 0;
  const bool waited = process.WaitForExit(&code);
  *exit_code = waited ? static_cast<uint32_t>(code) : 0;
  LOG(INFO) << " updater exit code: " << *exit_code;
  LOG(INFO) << "exit result: " << (waited ? 1 : 0);
  return waited;
}

bool Launcher::RunSilenceUpdate(SilenceUpdateMode mode, const FilePath& updater) {
  const CommandLine command_line = SilenceUpdateCommandLine(updater, mode, config_, LauncherName(),
                                                            LauncherHasSwitch(kEnableLogSwitch));
  LOG(INFO) << "cmd: " << command_line.GetCommandLineString();

  PrivilegedStartRule rule = {elevated_update(), kErrorElevationServiceLaunchFailed, 0, true,
                              false};
  if (mode == SilenceUpdateMode::kBeforeLaunch) rule.start_failed_code = kErrorLaunchUpdaterFailed;
  if (mode == SilenceUpdateMode::kUpdateRollback)
    rule.start_failed_code = kErrorLaunchRollbackFailed;
  if (mode == SilenceUpdateMode::kAfterLaunch) rule.records = false;

  Process process;
  const PrivilegedStart start = StartPrivileged(command_line, updater.DirName(), rule, &process);
  if (mode == SilenceUpdateMode::kAfterLaunch) return start != PrivilegedStart::kGaveUp;
  if (start != PrivilegedStart::kStarted) return false;
  if (mode != SilenceUpdateMode::kBeforeLaunch) return true;

  uint32_t exit_code = 0;
  const bool waited = WaitForUpdater(process, &exit_code);
  GetLaunchResult().AppendNote("[updater exit result:", (waited ? 1 : 0), ",exit code:", exit_code, "]");
  return waited && exit_code == 0;
}

bool Launcher::RunBinUpdate(const FilePath& updater) {
  const CommandLine command_line = BinUpdateCommandLine(updater, config_);
  // Always through the service first, whatever elevated_update says.
  const PrivilegedStartRule rule = {true, kErrorBinUpdateServiceLaunchFailed,
                                    kErrorBinUpdateLaunchFailed, true, false};
  Process process;
  if (StartPrivileged(command_line, updater.DirName(), rule, &process) != PrivilegedStart::kStarted)
    return false;
  // Its exit code has no effect; the current version starts either way.
  process.WaitForExit(nullptr);
  return true;
}

bool Launcher::UpdateConfig() {
  const FilePath updater = GetCurVersionDir().Append(kUpdaterExeName);
  const CommandLine* launcher_command_line = CommandLine::ForCurrentProcess();
  if (!launcher_command_line) {
    GetLaunchResult().error_codes.push_back(kErrorNoCommandLine);
    return false;
  }
  const CommandLine command_line = ConfigUpdateCommandLine(updater, *launcher_command_line);
  LOG(INFO) << "cmd: " << command_line.GetCommandLineString();

  const PrivilegedStartRule rule = {elevated_update(), kErrorElevationServiceLaunchFailed,
                                    kErrorUpdateConfigLaunchFailed, true, false};
  Process process;
  if (StartPrivileged(command_line, updater.DirName(), rule, &process) != PrivilegedStart::kStarted)
    return false;
  uint32_t exit_code = 0;
  return WaitForUpdater(process, &exit_code) && exit_code == 0;
}

}  // namespace corvane
