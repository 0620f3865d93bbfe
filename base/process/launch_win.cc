#include <windows.h>
#include <shellapi.h>

#include <utility>
#include <vector>

#include "base/hook_slot.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/strings/string_printf.h"
#include "base/win/scoped_handle.h"

namespace corvane {

namespace {

HookSlot<LaunchAdmission>& Admission() {
  static HookSlot<LaunchAdmission> slot;
  return slot;
}

HookSlot<ElevatedLaunchHook>& ElevatedHook() {
  static HookSlot<ElevatedLaunchHook> slot;
  return slot;
}

HookSlot<ElevationQueryHook>& QueryHook() {
  static HookSlot<ElevationQueryHook> slot;
  return slot;
}

// The system's text for |code|, or the text saying that there is none.
std::string SystemErrorText(DWORD code) {
  char* buffer = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (length && buffer) {
    text.assign(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
      text.pop_back();
    text += StringPrintf(" (0x%lX)", static_cast<unsigned long>(code));
  } else {
    DWORD lookup_error = ::GetLastError();
    text = StringPrintf("Error (0x%lX) while retrieving error. (0x%lX)",
                        static_cast<unsigned long>(lookup_error), static_cast<unsigned long>(code));
  }
  if (buffer) ::LocalFree(buffer);
  return text;
}

Process WaitIfAsked(HANDLE handle, bool wait) {
  if (handle && wait) ::WaitForSingleObject(handle, INFINITE);
  return Process(handle);
}

}  // namespace

Process LaunchProcess(const CommandLine& cmdline, const LaunchOptions& options) {
  if (options.elevated) return LaunchElevatedProcess(cmdline, options);
  FileHold hold;
  if (!AdmitLaunch(cmdline.GetProgram(), false, &hold)) return Process();

  STARTUPINFOW startup_info = {};
  startup_info.cb = sizeof(startup_info);
  startup_info.dwFlags = STARTF_USESHOWWINDOW;
  startup_info.wShowWindow = options.start_hidden ? SW_HIDE : SW_SHOWNORMAL;
  if (options.feedback_cursor_off) startup_info.dwFlags |= STARTF_FORCEOFFFEEDBACK;

  // CreateProcessW may write into the command-line buffer.
  std::wstring text = cmdline.GetCommandLineString();
  std::vector<wchar_t> buffer(text.begin(), text.end());
  buffer.push_back(L'\0');
  const wchar_t* directory =
      options.current_directory.empty() ? nullptr : options.current_directory.value().c_str();

  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup_info, &info)) {
    return Process();
  }
  ::CloseHandle(info.hThread);
  return WaitIfAsked(info.hProcess, options.wait);
}

Process LaunchElevatedProcess(const CommandLine& cmdline, const LaunchOptions& options) {
  // Held from the check until the prompt has started it.
  FileHold hold;
  if (!AdmitLaunch(cmdline.GetProgram(), true, &hold)) return Process();
  std::wstring file = cmdline.GetProgram().value();
  std::wstring parameters = cmdline.GetArgumentsString();
  int show = options.start_hidden ? SW_HIDE : SW_SHOWNORMAL;

  const ElevatedLaunchHook hook = ElevatedHook().Get();
  if (hook) {
    HANDLE handle = hook(file, parameters, show);
    if (!handle) return Process();
    return WaitIfAsked(handle, options.wait);
  }

  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = ::GetActiveWindow();
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = nullptr;
  info.nShow = show;
  if (!::ShellExecuteExW(&info)) return Process();
  return WaitIfAsked(info.hProcess, options.wait);
}

void SetLaunchAdmission(LaunchAdmission admission) {
  Admission().Set(std::move(admission));
}

bool AdmitLaunch(const FilePath& program, bool elevated, FileHold* hold) {
  const LaunchAdmission admission = Admission().Get();
  return !admission || admission(program, elevated, hold);
}

bool IsCurrentProcessElevated() {
  const ElevationQueryHook hook = QueryHook().Get();
  bool elevated = false;
  bool opened;
  if (hook) {
    opened = hook(&elevated);
  } else {
    HANDLE token = nullptr;
    opened = ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) != 0;
    win::ScopedHandle owned_token(token);
    if (opened) {
      TOKEN_ELEVATION elevation = {};
      DWORD size = 0;
      if (::GetTokenInformation(owned_token.Get(), TokenElevation, &elevation, sizeof(elevation),
                                &size)) {
        elevated = elevation.TokenIsElevated != 0;
      }
    }
  }
  if (!opened) {
    DWORD error = ::GetLastError();
    LOG(ERROR) << "AccessToken::FromCurrentProcess() failed: " << SystemErrorText(error);
    return false;
  }
  return elevated;
}

void SetElevatedLaunchHookForTesting(ElevatedLaunchHook hook) {
  ElevatedHook().Set(std::move(hook));
}

void SetElevationQueryHookForTesting(ElevationQueryHook hook) {
  QueryHook().Set(std::move(hook));
}

}  // namespace corvane
