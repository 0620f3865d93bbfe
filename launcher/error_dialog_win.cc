#include "launcher/error_dialog.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/scoped_handle.h"
#include "launcher/launcher.h"

namespace corvane {

namespace {

// Set by the window-procedure hook when the box receives WM_CLOSE; cleared
// before each dialog and read after MessageBoxW returned, on the same thread.
bool g_closed_by_close_command = false;

// What the hooks of the dialog on screen need. Only one dialog is up at a
// time, on the main thread.
struct HookedBoxState {
  const ErrorDialogTexts* texts = nullptr;
  bool has_download_page = false;
  HWND dialog = nullptr;
  // Screen rectangles the buttons were given at WM_INITDIALOG.
  RECT placed[3] = {};
  bool shown = false;
};

constexpr int kWidenedButtons[3] = {kDialogIdRetry, kDialogIdOk, kDialogIdCancel};
HookedBoxState* g_box_state = nullptr;

// Owns one hook of the current thread.
class ScopedWindowsHook {
 public:
  ScopedWindowsHook(int type, HOOKPROC proc)
      : hook_(SetWindowsHookExW(type, proc, nullptr, GetCurrentThreadId())) {}
  ~ScopedWindowsHook() {
    if (hook_) UnhookWindowsHookEx(hook_);
  }
  ScopedWindowsHook(const ScopedWindowsHook&) = delete;
  ScopedWindowsHook& operator=(const ScopedWindowsHook&) = delete;

 private:
  HHOOK hook_;
};

// Makes `state` the one the hooks see for as long as it lives.
class ScopedBoxState {
 public:
  explicit ScopedBoxState(HookedBoxState* state) { g_box_state = state; }
  ~ScopedBoxState() { g_box_state = nullptr; }
  ScopedBoxState(const ScopedBoxState&) = delete;
  ScopedBoxState& operator=(const ScopedBoxState&) = delete;
};

void SetButtonText(HWND dialog, int id, const std::wstring& text) {
  HWND button = GetDlgItem(dialog, id);
  if (button) SetWindowTextW(button, text.c_str());
}

// Widens button `id` of `dialog` and stores its new screen rectangle in
// `placed`.
void WidenButton(HWND dialog, int id, RECT* placed) {
  HWND button = GetDlgItem(dialog, id);
  if (!button) return;
  RECT screen = {};
  if (!GetWindowRect(button, &screen)) return;
  const ButtonRect widened = WidenDialogButton(
      id, ButtonRect{static_cast<int>(screen.left), static_cast<int>(screen.top),
                     static_cast<int>(screen.right), static_cast<int>(screen.bottom)});
  POINT top_left = {widened.left, widened.top};
  if (!ScreenToClient(dialog, &top_left)) return;
  int width = widened.right - widened.left;
  // In a narrow box the shift would push the button past the box's left
  // edge, cutting its text off; it then starts at the edge instead.
  if (top_left.x < 0) {
    width += top_left.x;
    top_left.x = 0;
  }
  SetWindowPos(button, nullptr, top_left.x, top_left.y, width, widened.bottom - widened.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(button, placed);
}

void WidenButtons(HookedBoxState* state) {
  for (int i = 0; i < 3; ++i) WidenButton(state->dialog, kWidenedButtons[i], &state->placed[i]);
}

// Some systems lay the box out in their own WM_INITDIALOG handling, after the
// hook ran; a button found elsewhere than where the hook put it is widened
// again from its final place, once, before the box is first shown.
void RewidenMovedButtons(HookedBoxState* state) {
  for (int i = 0; i < 3; ++i) {
    HWND button = GetDlgItem(state->dialog, kWidenedButtons[i]);
    RECT now = {};
    if (!button || !GetWindowRect(button, &now)) continue;
    if (!EqualRect(&now, &state->placed[i]))
      WidenButton(state->dialog, kWidenedButtons[i], &state->placed[i]);
  }
}

// True while the CBT hook's own SetWindowPos runs. That call activates the
// window again, which re-enters the hook; without the guard the hook would
// recurse until the system stops calling it.
bool g_in_cbt_activate = false;

LRESULT CALLBACK CbtHookProc(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && !g_in_cbt_activate) {
    LOG(INFO) << "msgbox hcbt active.";
    g_in_cbt_activate = true;
    SetWindowPos(reinterpret_cast<HWND>(wparam), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    g_in_cbt_activate = false;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK WindowHookProc(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && g_box_state) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    HookedBoxState* state = g_box_state;
    if (call->message == WM_INITDIALOG && !state->dialog) {
      LOG(INFO) << "msgbox init dialog.";
      state->dialog = call->hwnd;
      SetButtonText(call->hwnd, kDialogIdRetry, state->texts->button_fix);
      if (state->has_download_page) {
        SetButtonText(call->hwnd, kDialogIdOk, state->texts->button_download);
        SetButtonText(call->hwnd, kDialogIdCancel, state->texts->button_download);
      }
      WidenButtons(state);
    } else if (call->message == WM_SHOWWINDOW && call->wParam && call->hwnd == state->dialog &&
               !state->shown) {
      state->shown = true;
      RewidenMovedButtons(state);
    } else if (call->message == WM_CLOSE && call->hwnd == state->dialog) {
      g_closed_by_close_command = true;
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

int ShowHookedMessageBox(const ErrorDialogContent& content, const ErrorDialogTexts& texts,
                         bool has_download_page, bool* closed_by_close_command) {
  SetShellIdentity();
  HookedBoxState state;
  state.texts = &texts;
  state.has_download_page = has_download_page;
  g_closed_by_close_command = false;
  int result = 0;
  {
    ScopedBoxState active(&state);
    ScopedWindowsHook cbt_hook(WH_CBT, CbtHookProc);
    ScopedWindowsHook window_hook(WH_CALLWNDPROC, WindowHookProc);
    result =
        MessageBoxW(GetDesktopWindow(), content.body.c_str(), texts.title.c_str(), content.type);
  }
  *closed_by_close_command = g_closed_by_close_command;
  return result;
}

void OpenDownloadPage(const std::string& url) {
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool StartRepairTool(const FilePath& tool) {
  CommandLine command(tool);
  command.AppendArg(kRepairInstallSwitch);
  LaunchOptions options;
  options.elevated = true;
  // Not applied by the elevated start; kept for a start without the prompt.
  options.current_directory = tool.DirName();
  Process process = LaunchElevatedProcess(command, options);
  if (!process.IsValid()) {
    LOG(INFO) << "run elevation failde.";
    return false;
  }
  return true;
}

}  // namespace corvane
