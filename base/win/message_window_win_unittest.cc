#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/win/message_window.h"

namespace corvane {
namespace win {
namespace {

// Owns one window.
class ScopedWindow {
 public:
  explicit ScopedWindow(HWND window) : window_(window) {}
  ~ScopedWindow() {
    if (window_) ::DestroyWindow(window_);
  }
  ScopedWindow(const ScopedWindow&) = delete;
  ScopedWindow& operator=(const ScopedWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

TEST(MessageWindowTest, FindsMessageOnlyWindowByTitle) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kMessageWindowClassName;
  ASSERT_TRUE(::RegisterClassExW(&wc) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS);

  const std::wstring title = L"corvane_test_" + std::to_wstring(::GetCurrentProcessId());
  ScopedWindow window(::CreateWindowExW(0, kMessageWindowClassName, title.c_str(), 0, 0, 0, 0, 0,
                                        HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
  ASSERT_NE(window.get(), nullptr);
  EXPECT_EQ(FindMessageWindow(title), window.get());
  EXPECT_EQ(FindMessageWindow(title + L"_other"), nullptr);

  // A top-level window of that class and title is not a message-only one.
  const std::wstring top_title = title + L"_top";
  ScopedWindow top(::CreateWindowExW(0, kMessageWindowClassName, top_title.c_str(), 0, 0, 0, 0, 0,
                                     nullptr, nullptr, wc.hInstance, nullptr));
  ASSERT_NE(top.get(), nullptr);
  EXPECT_EQ(FindMessageWindow(top_title), nullptr);

  // Another class with the same title does not count either.
  WNDCLASSEXW other = wc;
  other.lpszClassName = L"CorvaneOtherClass";
  ASSERT_TRUE(::RegisterClassExW(&other) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
  const std::wstring other_title = title + L"_class";
  ScopedWindow wrong_class(::CreateWindowExW(0, other.lpszClassName, other_title.c_str(), 0, 0, 0,
                                             0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
  ASSERT_NE(wrong_class.get(), nullptr);
  EXPECT_EQ(FindMessageWindow(other_title), nullptr);
}

}  // namespace
}  // namespace win
}  // namespace corvane
