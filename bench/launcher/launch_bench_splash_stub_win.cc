// The splash benchmark's baseline: a program that starts the command line it
// was given and then shows a prepared picture in a layered window of the
// splash's class, with no picture to read or decode. It runs until it is
// ended.

#include <windows.h>

#include "bench/launcher/launch_bench_slot.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kSide = 500;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (!corvane::bench::StartCommandLine(corvane::bench::SkipProgram(GetCommandLineW())))
    return 1;

  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSide, -kSide, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return 1;
  std::fill_n(static_cast<uint32_t*>(bits), kSide * kSide, 0x80324B64u);
  HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &Proc;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"LauncherStartupAnimation";
  RegisterClassExW(&window_class);
  HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                                window_class.lpszClassName, L"", WS_POPUP, 0, 0, kSide, kSide,
                                nullptr, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOW);
  HDC screen = GetDC(nullptr);
  POINT source = {0, 0};
  SIZE size = {kSide, kSide};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window, screen, nullptr, &size, dc, &source, 0, &blend, ULW_ALPHA);
  ReleaseDC(nullptr, screen);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return 0;
}
