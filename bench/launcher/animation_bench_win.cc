// The start-up animation's cost, against a bare layered window that pushes
// one prepared bitmap at the same frame rate, measured in the same run:
//  - CPU share of the replay (after the first pass has cached every frame);
//  - time from the window's creation to the first frame on screen.
//  - peak memory of a player process over a long animation (200 frames of
//    1000 x 800) and over hostile pictures (a 16000 x 16000 canvas declared by
//    a small file, a 300 MB file), each against a 2-frame picture of the same
//    size played as long.
// Prints figures and ratios; never fails on speed.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/files/file_util.h"
#include "launcher/animation/animation.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/webp_builder.h"

namespace {

constexpr int kSide = 500;
constexpr int kFrames = 10;
constexpr int kFrameMs = 40;  // 25 frames per second
constexpr DWORD kWarmMs = 1000;
constexpr DWORD kMeasureMs = 4000;
constexpr int kRounds = 3;

double Now() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double CpuMs() {
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  const auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

struct Sample {
  double cpu_share;       // of one core, during the replay
  double first_frame_ms;  // window creation to first frame pushed
};

// Samples the CPU time over the measured span, then ends the loop with |stop|.
double MeasureReplay(const std::function<void()>& stop) {
  Sleep(kWarmMs);
  const double cpu0 = CpuMs(), t0 = Now();
  Sleep(kMeasureMs);
  const double share = (CpuMs() - cpu0) / (Now() - t0);
  stop();
  return share;
}

Sample RunPlayer(const corvane::FilePath& folder, HANDLE event) {
  ResetEvent(event);
  corvane::Animation animation;
  if (!animation.Init(folder) || !animation.CreateAnimationWindow()) {
    std::fprintf(stderr, "player failed: %s\n", animation.error().c_str());
    return {0, 0};
  }
  double share = 0;
  std::thread sampler([&] { share = MeasureReplay([event] { SetEvent(event); }); });
  animation.RunMessageLoop();
  sampler.join();
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double first = 1000.0 *
                       static_cast<double>(animation.first_frame_ticks() -
                                           animation.window_created_ticks()) /
                       static_cast<double>(frequency.QuadPart);
  animation.Finish();
  return {share, first};
}

// The baseline: the least a layered splash can do per frame.
struct Bare {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  double created = 0, first = 0;
};
Bare* g_bare = nullptr;

void Push(HWND window) {
  HDC screen = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(g_bare->dc, g_bare->bitmap);
  POINT source = {0, 0};
  SIZE size = {kSide, kSide};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window, screen, nullptr, &size, g_bare->dc, &source, 0, &blend, ULW_ALPHA);
  SelectObject(g_bare->dc, old);
  ReleaseDC(nullptr, screen);
  if (g_bare->first == 0) g_bare->first = Now();
}

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER) Push(window);
  if (message == WM_USER) DestroyWindow(window);
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wparam, lparam);
}

Sample RunBare() {
  Bare bare;
  g_bare = &bare;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSide, -kSide, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  bare.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::fill_n(static_cast<uint32_t*>(bits), kSide * kSide, 0x80324B64u);
  bare.dc = CreateCompatibleDC(nullptr);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &BareProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"BareLayeredSplash";
  RegisterClassExW(&window_class);
  bare.created = Now();
  HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                                L"BareLayeredSplash", L"", WS_POPUP, 0, 0, kSide, kSide, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(window, SW_SHOW);
  Push(window);
  SetTimer(window, 1, kFrameMs, nullptr);
  double share = 0;
  std::thread sampler(
      [&] { share = MeasureReplay([window] { PostMessageW(window, WM_USER, 0, 0); }); });
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  sampler.join();
  UnregisterClassW(L"BareLayeredSplash", GetModuleHandleW(nullptr));
  DeleteDC(bare.dc);
  DeleteObject(bare.bitmap);
  g_bare = nullptr;
  return {share, bare.first - bare.created};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

constexpr int kMemoryWidth = 1000;
constexpr int kMemoryHeight = 800;
constexpr DWORD kMemoryPlayMs = 14000;

// The child: plays |folder| for |ms| and prints its peak working set.
int RunMemoryChild(const corvane::FilePath& folder, DWORD ms) {
  corvane::Animation animation;
  if (animation.Init(folder) && animation.CreateAnimationWindow()) {
    const HWND window = animation.window();
    std::thread stop([window, ms] {
      Sleep(ms);
      PostMessageW(window, WM_CLOSE, 0, 0);
    });
    animation.RunMessageLoop();
    stop.join();
  }
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  std::printf("peak %llu frames %zu error '%s'\n",
              static_cast<unsigned long long>(counters.PeakWorkingSetSize),
              animation.played_frames().size(), animation.error().c_str());
  animation.Finish();
  return 0;
}

// Runs this program as the memory child on |folder|; its peak in MB.
double ChildPeakMb(const corvane::FilePath& folder, std::string* line) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --memory-child \"" + folder.value() +
                         L"\" " + std::to_wstring(kMemoryPlayMs);
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  CreatePipe(&read, &write, &inherit, 0);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info = {};
  const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &info);
  CloseHandle(write);
  std::string output;
  char buffer[256];
  DWORD got = 0;
  while (started && ReadFile(read, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    output.append(buffer, got);
  CloseHandle(read);
  if (started) {
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  const size_t at = output.find("peak ");
  if (at == std::string::npos) return 0;
  *line = output.substr(at, output.find('\n', at) - at);
  return static_cast<double>(std::stoull(output.substr(at + 5))) / (1024.0 * 1024.0);
}

// A picture folder; |padding| zero bytes follow the picture in its file,
// written in pieces so that this process never holds them.
corvane::FilePath WritePictureFolder(const corvane::FilePath& root, const wchar_t* name,
                                     const std::string& picture, size_t padding) {
  const corvane::FilePath folder = root.Append(name);
  corvane::CreateDirectory(folder);
  const corvane::FilePath file = folder.Append(L"animation.webp");
  corvane::WriteFile(file, picture);
  if (padding) {
    HANDLE handle = CreateFileW(file.value().c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    const std::string zeros(1024 * 1024, '\0');
    DWORD written = 0;
    for (size_t left = padding; left > 0; left -= std::min(left, zeros.size())) {
      WriteFile(handle, zeros.data(), static_cast<DWORD>(std::min(left, zeros.size())), &written,
                nullptr);
    }
    CloseHandle(handle);
  }
  corvane::WriteFile(folder.Append(L"config.json"),
                     std::string(R"({"window_width":1000,"window_height":800})"));
  return folder;
}

std::string BuildMemoryPicture(int count) {
  std::vector<corvane::test::WebPFrame> frames;
  for (int i = 0; i < count; ++i) {
    frames.push_back(corvane::test::TestPatternFrame(
        kMemoryWidth, kMemoryHeight, 0x204060u + 0x010203u * static_cast<uint32_t>(i), kFrameMs));
  }
  return corvane::test::BuildAnimatedWebP(kMemoryWidth, kMemoryHeight, frames);
}

void MeasureMemory() {
  corvane::test::ScopedTempDir temp;
  const std::string two = BuildMemoryPicture(2);
  const struct {
    const wchar_t* name;
    int frames;  // 0: the 2-frame picture changed as below
    bool huge_canvas;
    size_t padding;
  } kPictures[] = {
      {L"two", 2, false, 0},
      {L"long", 200, false, 0},
      {L"canvas", 0, true, 0},
      {L"file", 0, false, 300u * 1024 * 1024},
  };
  std::printf("\npeak memory of a player process, %dx%d, played %lu ms:\n", kMemoryWidth,
              kMemoryHeight, kMemoryPlayMs);
  std::fflush(stdout);
  double baseline = 0;
  for (const auto& p : kPictures) {
    const std::string picture = p.frames == 200 ? BuildMemoryPicture(200)
                                : p.huge_canvas ? corvane::test::WithCanvasSize(two, 16000, 16000)
                                                : two;
    std::string line;
    const double peak =
        ChildPeakMb(WritePictureFolder(temp.path(), p.name, picture, p.padding), &line);
    if (baseline == 0) baseline = peak;
    std::printf("  %-7ls %7.1f MB  (+%.1f MB, ratio %.2f to the 2-frame picture)  %s\n", p.name,
                peak, peak - baseline, baseline > 0 ? peak / baseline : 0.0, line.c_str());
    std::fflush(stdout);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring(argv[1]) == L"--memory-child")
    return RunMemoryChild(corvane::FilePath(argv[2]), static_cast<DWORD>(std::stoul(argv[3])));
  corvane::test::ScopedTempDir temp;
  const corvane::FilePath folder = temp.path().Append(L"startup_animation");
  corvane::CreateDirectory(folder);
  std::vector<corvane::test::WebPFrame> frames;
  for (int i = 0; i < kFrames; ++i) {
    frames.push_back(corvane::test::TestPatternFrame(
        kSide, kSide, 0x204060u + 0x0A0A0Au * static_cast<uint32_t>(i), kFrameMs));
  }
  corvane::WriteFile(folder.Append(L"animation.webp"),
                     corvane::test::BuildAnimatedWebP(kSide, kSide, frames));
  corvane::WriteFile(folder.Append(L"config.json"),
                     std::string(R"({"window_width":500,"window_height":500})"));
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, corvane::kAnimationEventName);

  std::vector<double> player_cpu, bare_cpu, player_first, bare_first;
  for (int round = 0; round < kRounds; ++round) {
    const Sample bare = RunBare();
    const Sample player = RunPlayer(folder, event);
    bare_cpu.push_back(bare.cpu_share);
    bare_first.push_back(bare.first_frame_ms);
    player_cpu.push_back(player.cpu_share);
    player_first.push_back(player.first_frame_ms);
    std::printf("round %d: replay CPU player %.1f %% bare %.1f %%; first frame player %.1f ms "
                "bare %.1f ms\n",
                round + 1, 100 * player.cpu_share, 100 * bare.cpu_share, player.first_frame_ms,
                bare.first_frame_ms);
  }
  const double pc = Median(player_cpu), bc = Median(bare_cpu);
  const double pf = Median(player_first), bf = Median(bare_first);
  std::printf("\n%dx%d, %d frames at %d ms, medians of %d interleaved rounds\n", kSide, kSide,
              kFrames, kFrameMs, kRounds);
  std::printf("replay CPU: player %.1f %% of a core, bare window %.1f %% (ratio %.2f; goal <= 5 %%)\n",
              100 * pc, 100 * bc, bc > 0 ? pc / bc : 0.0);
  std::printf("first frame: player %.1f ms after window creation, bare window %.1f ms (ratio "
              "%.2f; goal <= one frame, %d ms)\n",
              pf, bf, bf > 0 ? pf / bf : 0.0, kFrameMs);
  CloseHandle(event);
  MeasureMemory();
  return 0;
}
