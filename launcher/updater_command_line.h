// The updater program's command lines, one per mode. The updater ships in
// every version directory and is not ours; these lines are its contract.

#ifndef LAUNCHER_UPDATER_COMMAND_LINE_H_
#define LAUNCHER_UPDATER_COMMAND_LINE_H_

#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"

namespace corvane {

struct LauncherConfig;

inline constexpr wchar_t kUpdaterExeName[] = L"corvane_updater.exe";

enum class SilenceUpdateMode {
  kBeforeLaunch,    // switch versions, then the launcher starts the new one
  kAfterLaunch,     // clean up once the new version runs
  kUpdateRollback,  // the new version did not start
};

// The first argument of |mode|, e.g. "--silence_update_mode=before_launch".
std::string SilenceUpdateModeArgument(SilenceUpdateMode mode);

// |updater| and the mode, new and old version, new and old mid path, the
// launcher's name and the client's name, each a loose argument with its
// bare prefix when the value is empty; then "--enable_log" when asked.
CommandLine SilenceUpdateCommandLine(const FilePath& updater, SilenceUpdateMode mode,
                                     const LauncherConfig& config,
                                     const std::wstring& launcher_name, bool enable_log);

// |updater|, the binary-update mode, the archive named by the configuration
// (byte for byte) and the current version.
CommandLine BinUpdateCommandLine(const FilePath& updater, const LauncherConfig& config);

// |updater|, every switch and loose argument of |launcher| in order, then
// "--silence_update_mode=update_config".
CommandLine ConfigUpdateCommandLine(const FilePath& updater, const CommandLine& launcher);

}  // namespace corvane

#endif  // LAUNCHER_UPDATER_COMMAND_LINE_H_
