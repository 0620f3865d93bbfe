#include "test/support/fake_loader_error_box.h"

#include <windows.h>

namespace corvane {
namespace test {

namespace {

void AddChild(HWND parent, const wchar_t* class_name, const wchar_t* text) {
  CreateWindowExW(0, class_name, text, WS_CHILD | WS_VISIBLE, 0, 0, 300, 20, parent, nullptr,
                  GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

FakeLoaderErrorBox::FakeLoaderErrorBox(const std::wstring& title, const std::wstring& text) {
  HWND window = CreateWindowExW(0, L"#32770", title.c_str(), WS_POPUP | WS_CAPTION, 0, 0, 400, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return;
  AddChild(window, L"Static", L"");
  AddChild(window, L"Static", text.c_str());
  AddChild(window, L"Button", L"\u786e\u5b9a");
  window_ = window;
}

FakeLoaderErrorBox::~FakeLoaderErrorBox() {
  if (window_) DestroyWindow(static_cast<HWND>(window_));
}

}  // namespace test
}  // namespace corvane
