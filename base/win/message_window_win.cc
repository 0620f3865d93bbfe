#include "base/win/message_window.h"

#include <string>

namespace corvane {
namespace win {

HWND FindMessageWindow(std::wstring_view title) {
  std::wstring text(title);
  return ::FindWindowExW(HWND_MESSAGE, nullptr, kMessageWindowClassName, text.c_str());
}

}  // namespace win
}  // namespace corvane
