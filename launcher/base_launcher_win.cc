#include "launcher/base_launcher.h"

#include <windows.h>
#include <shlobj.h>

#include "base/win/message_window.h"

namespace corvane {

bool FindSingleInstanceWindow(const std::wstring& app_name) {
  wchar_t roaming[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming)))
    return false;
  const std::wstring title = std::wstring(roaming) + L"\\" + app_name;
  return FindMessageWindow(title) != nullptr;
}

}  // namespace corvane
