// Recovery around a launch: the error dialog's run with its repair and
// download choices (the box itself in error_dialog.h) and the flag files that other programs of the product leave after
// failures. The checks for running programs are in system_probes.h.
//
// Each operation comes twice: a form that takes everything it depends on in a
// `RecoverySettings` (used by tests and by the forms below), and the form the
// run flow calls, which fills the settings from the product constants, the
// localized texts and the user's temporary directory and writes into the
// process-wide launch result.

#ifndef LAUNCHER_LAUNCHER_UTILS_H_
#define LAUNCHER_LAUNCHER_UTILS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/files/file_hold.h"
#include "base/files/file_path.h"
#include "launcher/error_dialog.h"
#include "launcher/system_probes.h"

namespace corvane {

struct LaunchResult;

// Everything the recovery operations read from outside.
struct RecoverySettings {
  RecoverySettings();
  RecoverySettings(const RecoverySettings&);
  RecoverySettings& operator=(const RecoverySettings&);
  ~RecoverySettings();

  // The user's temporary directory without trailing separator; empty when it
  // could not be found.
  FilePath temp_dir;
  int app_id = 0;
  std::string crash_reporter_app_name;  // UTF-8
  std::vector<std::wstring> main_exe_names;
  std::string download_page_url;  // UTF-8
  std::wstring installer_mutex_name;
  // The per-user product directory that may hold the repairer; empty: the
  // one of |app_id|, looked up when needed (the lookup loads the shell,
  // which the flag check before the client's start does without).
  FilePath local_product_dir;
  ErrorDialogTexts texts;
};

// Settings of this process: product constants, localized texts, temp dir;
// the local product directory is left to RepairerPath.
RecoverySettings CurrentRecoverySettings();

// Locations.
FilePath FlagDirectory(const RecoverySettings& settings);
FilePath InstallCheckFailedFlagPath(const RecoverySettings& settings);
FilePath ExecutableFlagPath(const RecoverySettings& settings, std::wstring_view exe_name);
FilePath CheckingFileFlagPath(const RecoverySettings& settings);
FilePath LocalFixFlagPath(const RecoverySettings& settings);
FilePath RepairerPath(const RecoverySettings& settings);
FilePath DownloaderPath(const FilePath& version_dir);
FilePath DownloaderCopyPath(const RecoverySettings& settings);

// Content of the local-fix flag.
extern const char kLocalFixFlagContent[];

// Operations.

// How much of a flag file goes into the record's `extra_info`.
constexpr size_t kFlagHeadSize = 2048;

// The repairer, else a fresh copy of the version's downloader in the temp
// directory, else an empty path. The copy is this launcher's own: made anew
// (an old one somebody holds makes it fail) and held in |copy_hold| so that
// what is started is what was copied; release the hold after the start.
FilePath FindRepairTool(const RecoverySettings& settings, const FilePath& version_dir,
                        FileHold* copy_hold);

// Shows the dialog, carries out the choice, writes `user_btn_choice` and, on
// repair, `repairer_launch_result` into `result`. Returns 2007, 2008 or 2009.
int ShowErrorDialog(const RecoverySettings& settings, std::wstring_view message,
                    const FilePath& version_dir, LaunchResult* result);
int ShowErrorDialog(std::wstring_view message, const FilePath& version_dir);

// Steps of `CheckCrashFlag` before the dialog: consumes the flag file that
// counts on this run, recording its code and head. True when one was found.
// Only regular files are flags. A flag that cannot be deleted is reported
// once: a "<flag>.reported" marker beside it holds its size and times until
// it is gone or changes.
bool ConsumeCrashFlag(const RecoverySettings& settings, LaunchResult* result);

// True when the run may go on. False when a flag was found (the dialog was
// shown and its code recorded) or when there is no temp directory.
bool CheckCrashFlag(const RecoverySettings& settings, const FilePath& version_dir,
                    LaunchResult* result);
bool CheckCrashFlag(const FilePath& version_dir);

// IsInstallerRunning() for the product's installer mutex.
bool IsInstallerRunning();

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_UTILS_H_
