// The error dialog: a message box with localized, widened buttons (repair or
// download) that stays on top. Its decisions are portable; showing it and
// carrying out the choice are the platform part (error_dialog_win.cc).

#ifndef LAUNCHER_ERROR_DIALOG_H_
#define LAUNCHER_ERROR_DIALOG_H_

#include <string>
#include <string_view>

#include "base/files/file_path.h"

namespace corvane {

// User-visible texts of the error dialog.
struct ErrorDialogTexts {
  std::wstring title;                 // "error_msg_title"
  std::wstring fix_or_download_hint;  // "error_msg_fix_or_download_hint"
  std::wstring download_hint;         // "error_msg_download_hint"
  std::wstring button_fix;            // "error_msg_btn_fix"
  std::wstring button_download;       // "error_msg_btn_download"
  std::wstring app_lost_file;         // "error_msg_str_app_lost_file"
};

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

// The one argument the repair tool is started with.
extern const char kRepairInstallSwitch[];

// Starts `tool` elevated with the repair argument, not waiting for it. False
// (after a log line) when the start failed, a declined prompt included.
bool StartRepairTool(const FilePath& tool);

}  // namespace corvane

#endif  // LAUNCHER_ERROR_DIALOG_H_
