#include "launcher/system_probes.h"

#include <windows.h>

#include "base/logging.h"
#include "base/process/process_iterator.h"
#include "base/win/named_mutex.h"
#include "base/win/scoped_handle.h"

namespace corvane {

namespace {

// A loader error box belongs to another process; do not hang on it.
constexpr UINT kGetTextTimeoutMs = 1000;

// Text of a window that may belong to another process.
std::wstring WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, sizeof(buffer) / sizeof(buffer[0]),
                           reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           kGetTextTimeoutMs, &copied)) {
    return std::wstring();
  }
  return std::wstring(buffer, static_cast<size_t>(copied));
}

// The filtered text of the first child, from the first "Static" on, that has
// any left.
std::wstring SystemErrorBoxText(HWND box) {
  for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    std::wstring text = FilterSystemErrorText(WindowText(child));
    if (!text.empty()) return text;
  }
  return std::wstring();
}

}  // namespace

bool IsProcessRunning(const std::vector<std::wstring>& exe_names) {
  bool found = false;
  ForEachProcess([&](const ProcessEntry& process) {
    for (const std::wstring& name : exe_names) {
      if (name == process.exe_file) {
        LOG(INFO) << "find process: " << name;
        found = true;
        break;
      }
    }
    return !found;
  });
  return found;
}

bool IsInstallerRunning(const std::wstring& installer_mutex_name) {
  if (installer_mutex_name.empty()) return false;
  // An installer started elevated makes a mutex that refuses us: running too.
  win::ScopedHandle ours;
  if (win::CreateNamedMutex(installer_mutex_name, &ours) == win::NamedMutexState::kExists) {
    LOG(INFO) << "installer running.";
    return true;
  }
  return false;
}

bool CollectSystemErrorTexts(const std::vector<std::wstring>& exe_names, std::wstring* texts) {
  bool found = false;
  texts->clear();
  for (const std::wstring& name : exe_names) {
    const std::wstring title = name + kSystemErrorTitleSuffix;
    HWND box = FindWindowW(nullptr, title.c_str());
    if (!box) continue;
    found = true;
    *texts += L"[" + name + L":" + SystemErrorBoxText(box) + L"]";
  }
  return found;
}

}  // namespace corvane
