// Recovery around a launch: the error dialog with its repair and download
// choices and the flag files that other programs of the product leave after
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
#include "launcher/system_probes.h"

namespace corvane {

struct LaunchResult;

// User-visible texts of the error dialog.
struct ErrorDialogTexts {
  std::wstring title;                 // "error_msg_title"
  std::wstring fix_or_download_hint;  // "error_msg_fix_or_download_hint"
  std::wstring download_hint;         // "error_msg_download_hint"
  std::wstring button_fix;            // "error_msg_btn_fix"
  std::wstring button_download;       // "error_msg_btn_download"
  std::wstring app_lost_file;         // "error_msg_str_app_lost_file"
};

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
// The one argument the repair tool is started with.
extern const char kRepairInstallSwitch[];

// Portable decisions of the error dialog.

// MessageBoxW types used.
constexpr unsigned int kErrorDialogTypeRepair = 0x35;  // MB_RETRYCANCEL|MB_ICONEXCLAMATION
constexpr unsigned int kErrorDialogTypePlain = 0x30;   // MB_OK|MB_ICONEXCLAMATION

// MessageBoxW results and button ids the dialog deals with.
constexpr int kDialogIdOk = 1;
constexpr int kDialogIdCancel = 2;
constexpr int kDialogIdRetry = 4;
constexpr int kDialogIdClose = 8;

struct ErrorDialogContent {
  std::wstring body;
  unsigned int type = kErrorDialogTypePlain;
};

// The body and box type for `message`.
ErrorDialogContent ComposeErrorDialog(std::wstring_view message, bool repair_offered,
                                      bool has_download_page, const ErrorDialogTexts& texts);

// What to do after the box returned `box_result`.
struct ErrorDialogOutcome {
  int choice = 0;  // user_btn_choice: 1 repair, 2 second button, 3 closed
  int code = 0;    // 2007, 2008 or 2009
  bool open_download_page = false;
  bool start_repair_tool = false;
};
ErrorDialogOutcome DecideErrorDialogOutcome(int box_result, bool closed_by_close_command,
                                            bool repair_offered, bool has_download_page);

// A button rectangle in screen pixels.
struct ButtonRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
// The widened rectangle of button `id`; other ids are left as they are.
ButtonRect WidenDialogButton(int id, const ButtonRect& rect);

// Platform pieces of the dialog.

// Shows the box with the two hooks installed on this thread for as long as it
// is up: the CBT hook keeps it topmost, the window-procedure hook puts the
// localized button texts in, widens the buttons and notes the close command.
// Returns MessageBoxW's result; `closed_by_close_command` tells whether the box
// received WM_CLOSE.
int ShowHookedMessageBox(const ErrorDialogContent& content, const ErrorDialogTexts& texts,
                         bool has_download_page, bool* closed_by_close_command);

// Opens the product's download page with the shell.
void OpenDownloadPage(const std::string& url);

// Starts `tool` elevated with the repair argument, not waiting for it. False
// (after a log line) when the start failed, a declined prompt included.
bool StartRepairTool(const FilePath& tool);

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
