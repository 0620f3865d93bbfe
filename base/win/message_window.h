#ifndef BASE_WIN_MESSAGE_WINDOW_H_
#define BASE_WIN_MESSAGE_WINDOW_H_

#include <windows.h>

#include <string_view>

namespace corvane {
namespace win {

// Window class of the message-only windows other programs look for.
constexpr wchar_t kMessageWindowClassName[] = L"Chrome_MessageWindow";

// The message-only window (FindWindowExW under HWND_MESSAGE) of class
// kMessageWindowClassName with |title|, or nullptr.
HWND FindMessageWindow(std::wstring_view title);

}  // namespace win

using win::FindMessageWindow;

}  // namespace corvane

#endif  // BASE_WIN_MESSAGE_WINDOW_H_
