#include "launcher/error_dialog.h"

#include "base/logging.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launch_result.h"

namespace corvane {

const char kRepairInstallSwitch[] = "--repair_install";

namespace {

// Width changes of the buttons, in pixels: the localized texts are longer
// than the system's own.
constexpr int kRetryLeftShift = 100;
constexpr int kRetryRightShift = 50;
constexpr int kOkCancelLeftShift = 50;

}  // namespace

ErrorDialogContent ComposeErrorDialog(std::wstring_view message, bool repair_offered,
                                      bool has_download_page, const ErrorDialogTexts& texts) {
  ErrorDialogContent content;
  content.body.assign(message);
  content.body += L"\n";
  if (repair_offered) {
    content.body += texts.fix_or_download_hint;
    content.type = kErrorDialogTypeRepair;
  } else {
    if (has_download_page) content.body += texts.download_hint;
    content.type = kErrorDialogTypePlain;
  }
  return content;
}

ErrorDialogOutcome DecideErrorDialogOutcome(int box_result, bool closed_by_close_command,
                                            bool repair_offered, bool has_download_page) {
  ErrorDialogOutcome outcome;
  outcome.choice = kUserChoiceClosed;
  outcome.code = kErrorUserClosedDialog;
  switch (box_result) {
    case kDialogIdOk:
    case kDialogIdCancel:
      if (closed_by_close_command) {
        LOG(INFO) << "user select close.";
        break;
      }
      LOG(ERROR) << "user select cancel.";
      outcome.choice = kUserChoiceSecondButton;
      outcome.code = kErrorUserChoseSecondButton;
      outcome.open_download_page = has_download_page;
      break;
    case kDialogIdRetry:
      LOG(ERROR) << "user select fix.";
      outcome.choice = kUserChoiceRepair;
      outcome.code = kErrorUserChoseRepair;
      outcome.start_repair_tool = repair_offered;
      break;
    case kDialogIdClose:
      LOG(INFO) << "user select close.";
      break;
    default:
      // The box could not be shown.
      break;
  }
  return outcome;
}

ButtonRect WidenDialogButton(int id, const ButtonRect& rect) {
  ButtonRect widened = rect;
  if (id == kDialogIdRetry) {
    widened.left -= kRetryLeftShift;
    widened.right -= kRetryRightShift;
  } else if (id == kDialogIdOk || id == kDialogIdCancel) {
    widened.left -= kOkCancelLeftShift;
  }
  return widened;
}

}  // namespace corvane
