#include "launcher/updater_command_line.h"

#include "base/strings/utf_string_conversions.h"
#include "launcher/launcher_config.h"

namespace corvane {

namespace {

void AppendPrefixed(const char* prefix, const std::wstring& value, CommandLine* command_line) {
  command_line->AppendArgNative(ASCIIToWide(prefix) + value);
}

}  // namespace

std::string SilenceUpdateModeArgument(SilenceUpdateMode mode) {
  switch (mode) {
    case SilenceUpdateMode::kBeforeLaunch:
      return "--silence_update_mode=before_launch";
    case SilenceUpdateMode::kAfterLaunch:
      return "--silence_update_mode=after_launch";
    case SilenceUpdateMode::kUpdateRollback:
      return "--silence_update_mode=update_rollback";
  }
  return std::string();
}

CommandLine SilenceUpdateCommandLine(const FilePath& updater, SilenceUpdateMode mode,
                                     const LauncherConfig& config,
                                     const std::wstring& launcher_name, bool enable_log) {
  CommandLine command_line(updater);
  command_line.AppendArg(SilenceUpdateModeArgument(mode));
  AppendPrefixed("--new_version=", config.new_path, &command_line);
  AppendPrefixed("--old_version=", config.cur_path, &command_line);
  AppendPrefixed("--new_mid=", config.new_mid_path, &command_line);
  AppendPrefixed("--old_mid=", config.mid_path, &command_line);
  AppendPrefixed("--launcher_name=", launcher_name, &command_line);
  AppendPrefixed("--app_name=", config.app_name, &command_line);
  if (enable_log) command_line.AppendArg("--enable_log");
  return command_line;
}

CommandLine BinUpdateCommandLine(const FilePath& updater, const LauncherConfig& config) {
  CommandLine command_line(updater);
  command_line.AppendArg("--bin_update_mode=before_launch");
  command_line.AppendArg("--extract_dir=" + config.bin_update_file);
  AppendPrefixed("--app_version=", config.cur_path, &command_line);
  return command_line;
}

CommandLine ConfigUpdateCommandLine(const FilePath& updater, const CommandLine& launcher) {
  CommandLine command_line = CommandLine::WithArgumentsOf(updater, &launcher);
  command_line.AppendArg("--silence_update_mode=update_config");
  return command_line;
}

}  // namespace corvane
