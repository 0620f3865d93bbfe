// What the launcher costs before the client runs, measured from outside:
// a driver (this program) notes the time, starts a process and waits for
// the benchmark client to note its entry. Paths, interleaved round by round:
//  - direct: the client itself;
//  - bare stub: a program that only starts the client's command line;
//  - launcher: the shipped product's launcher in a normal install tree;
//  - update path: the same with a version switch waiting (the updater
//    succeeds at once);
//  - animation path: a launcher whose product shows the start-up animation
//    (the picture is absent: what precedes the client's start is the same).
// Then, from the click to the splash on screen: the driver's CreateProcessW
// to the first moment a visible window of the splash's class exists, for
// the animation launcher with a 500 x 500 picture against a bare program
// that starts the client and shows a prepared layered window.
// Prints minimum, median and maximum per path and the ratios of medians;
// never fails on speed.
//   launch_bench.exe <shipped launcher> <animation launcher> [rounds]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/launcher/launch_bench_slot.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/webp_builder.h"

namespace {

using corvane::bench::EntrySlot;

constexpr wchar_t kClientName[] = L"bench_client.exe";
constexpr int kWarmRounds = 2;
// A pause after each round: Wine goes on tearing down a process (and the
// desktop's records of it) after its handle is signalled, and a round started
// meanwhile measures that work (the bare stub's median was 2 to 3 times its
// minimum without it).
constexpr DWORD kSettleMs = 200;

double Milliseconds(int64_t ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

std::wstring Directory(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

std::wstring OwnDirectory() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return Directory(path);
}

bool WriteText(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

struct Path {
  const char* label;
  std::wstring program;  // what the driver starts
  std::wstring command_line;
  std::wstring directory;
  bool is_launcher;
  std::vector<double> samples;
};

// A normal install tree: the launcher, its configuration and version 1.0.0
// (and 2.0.0 with the updater when |update| is set).
bool MakeTree(const std::wstring& root, const std::wstring& launcher, const std::wstring& client,
              bool update) {
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring exe = root + L"\\corvane_launcher.exe";
  if (!CopyFileW(launcher.c_str(), exe.c_str(), FALSE)) return false;
  std::string config = "{\"app_name\":\"bench_client\",\"cur_path\":\"1.0.0\"";
  if (update) config += ",\"need_update\":true,\"new_path\":\"2.0.0\"";
  config += "}";
  if (!WriteText(root + L"\\launcher_config.json", config)) return false;
  for (const wchar_t* version : {L"1.0.0", L"2.0.0"}) {
    if (!update && wcscmp(version, L"2.0.0") == 0) break;
    const std::wstring dir = root + L"\\" + version;
    CreateDirectoryW(dir.c_str(), nullptr);
    if (!CopyFileW(client.c_str(), (dir + L"\\" + kClientName).c_str(), FALSE)) return false;
    if (update && !CopyFileW(client.c_str(), (dir + L"\\" + corvane::bench::kUpdaterName).c_str(),
                             FALSE)) {
      return false;
    }
  }
  return true;
}

// A 500 x 500 picture of 10 frames and its config.json in |folder|.
bool WritePicture(const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  std::vector<corvane::test::WebPFrame> frames;
  for (uint32_t i = 0; i < 10; ++i)
    frames.push_back(corvane::test::TestPatternFrame(500, 500, 0x204060u + 0x0A0A0Au * i, 40));
  const std::string picture = corvane::test::BuildAnimatedWebP(500, 500, frames);
  return !picture.empty() && WriteText(folder + L"\\animation.webp", picture) &&
         WriteText(folder + L"\\config.json", R"({"window_width":500,"window_height":500})");
}

class Driver {
 public:
  bool Init() {
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  sizeof(EntrySlot), corvane::bench::kSlotName);
    entered_ = CreateEventW(nullptr, FALSE, FALSE, corvane::bench::kEnteredEventName);
    release_ = CreateEventW(nullptr, TRUE, FALSE, corvane::bench::kReleaseEventName);
    if (!mapping_ || !entered_ || !release_) return false;
    slot_ = static_cast<EntrySlot*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, sizeof(EntrySlot)));
    return slot_ != nullptr;
  }

  ~Driver() {
    if (slot_) UnmapViewOfFile(slot_);
    for (HANDLE handle : {mapping_, entered_, release_}) {
      if (handle) CloseHandle(handle);
    }
  }

  // Starts |path|, noting the moment just before CreateProcessW in |start|.
  static bool Start(const Path& path, PROCESS_INFORMATION* process, LARGE_INTEGER* start) {
    std::wstring line = path.command_line;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    QueryPerformanceCounter(start);
    return CreateProcessW(path.program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          path.directory.c_str(), &startup, process) != FALSE;
  }

  // Driver's time before CreateProcessW to a visible splash window, in ms;
  // < 0 when none appeared within 30 s. Both the program and the client
  // are ended before the next round.
  double MeasureSplash(const Path& path) {
    ResetEvent(release_);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start;
    if (!Start(path, &process, &start)) return -1;
    LARGE_INTEGER seen = {};
    for (int i = 0; i < 30000; ++i) {
      const HWND window = FindWindowW(L"LauncherStartupAnimation", nullptr);
      if (window && IsWindowVisible(window)) {
        QueryPerformanceCounter(&seen);
        break;
      }
      Sleep(1);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 30000);
    SetEvent(release_);
    if (WaitForSingleObject(entered_, 5000) == WAIT_OBJECT_0) {
      HANDLE client = OpenProcess(SYNCHRONIZE, FALSE, slot_->pid);
      if (client) {
        WaitForSingleObject(client, 30000);
        CloseHandle(client);
      }
    }
    ResetEvent(entered_);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return seen.QuadPart ? Milliseconds(seen.QuadPart - start.QuadPart) : -1;
  }

  // Driver's time before CreateProcessW to the client's entry, in ms; < 0
  // when the client did not enter within 30 s.
  double Measure(const Path& path) {
    ResetEvent(release_);
    ResetEvent(entered_);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start;
    if (!Start(path, &process, &start)) return -1;
    const bool entered = WaitForSingleObject(entered_, 30000) == WAIT_OBJECT_0;
    const int64_t entry = slot_->entry;
    HANDLE client = entered ? OpenProcess(SYNCHRONIZE, FALSE, slot_->pid) : nullptr;
    // The launcher's work after the start (the check, the report) is not
    // measured: it ends here, before the client is let go.
    if (path.is_launcher) {
      TerminateProcess(process.hProcess, 0);
      WaitForSingleObject(process.hProcess, 30000);
    }
    SetEvent(release_);
    WaitForSingleObject(process.hProcess, 30000);
    if (client) {
      WaitForSingleObject(client, 30000);
      CloseHandle(client);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return entered ? Milliseconds(entry - start.QuadPart) : -1;
  }

 private:
  HANDLE mapping_ = nullptr;
  HANDLE entered_ = nullptr;
  HANDLE release_ = nullptr;
  EntrySlot* slot_ = nullptr;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Warm rounds, then |rounds| measured ones, rotated each round so that no
// path always follows the same one. False, after a line, when one failed.
template <typename Measure>
bool RunRounds(int rounds, std::vector<Path>* paths, Measure measure, const char* failure) {
  for (int round = 0; round < kWarmRounds + rounds; ++round) {
    for (size_t i = 0; i < paths->size(); ++i) {
      Path& path = (*paths)[(i + static_cast<size_t>(round)) % paths->size()];
      const double ms = measure(path);
      Sleep(kSettleMs);
      if (ms < 0) {
        fprintf(stderr, "launch_bench: %s: %s\n", path.label, failure);
        return false;
      }
      if (round >= kWarmRounds) path.samples.push_back(ms);
    }
  }
  return true;
}

void PrintTable(const std::vector<Path>& paths) {
  printf("%-26s %8s %8s %8s\n", "path", "min", "median", "max");
  for (const Path& path : paths) {
    const auto [low, high] = std::minmax_element(path.samples.begin(), path.samples.end());
    printf("%-26s %8.1f %8.1f %8.1f\n", path.label, *low, Median(path.samples), *high);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: launch_bench <shipped launcher> <animation launcher> [rounds]\n");
    return 2;
  }
  const int rounds = argc > 3 ? _wtoi(argv[3]) : 25;
  const std::wstring own = OwnDirectory();
  const std::wstring client = own + L"\\launch_bench_client.exe";
  const std::wstring stub = own + L"\\launch_bench_stub.exe";

  corvane::test::ScopedTempDir temp;
  const std::wstring root = temp.path().value();
  const std::wstring plain = root + L"\\plain", update = root + L"\\update",
                     animation = root + L"\\animation";
  if (!temp.IsValid() || !MakeTree(plain, argv[1], client, false) ||
      !MakeTree(update, argv[1], client, true) || !MakeTree(animation, argv[2], client, false)) {
    fprintf(stderr, "launch_bench: cannot make the install trees\n");
    return 1;
  }
  const std::wstring direct_client = plain + L"\\1.0.0\\" + kClientName;
  std::vector<Path> paths = {
      {"direct", direct_client, L"\"" + direct_client + L"\"", plain + L"\\1.0.0", false, {}},
      {"bare stub", stub, L"\"" + stub + L"\" \"" + direct_client + L"\"", plain, false, {}},
      {"launcher", plain + L"\\corvane_launcher.exe", L"corvane_launcher.exe", plain, true, {}},
      {"launcher, update path", update + L"\\corvane_launcher.exe", L"corvane_launcher.exe",
       update, true, {}},
      {"launcher, animation path", animation + L"\\corvane_launcher.exe", L"corvane_launcher.exe",
       animation, true, {}},
  };

  Driver driver;
  if (!driver.Init()) {
    fprintf(stderr, "launch_bench: cannot make the shared slot\n");
    return 1;
  }
  if (!RunRounds(rounds, &paths, [&](const Path& path) { return driver.Measure(path); },
                 "the client did not start")) {
    return 1;
  }
  printf("driver's CreateProcessW -> the client's entry, %d interleaved rounds (ms)\n", rounds);
  PrintTable(paths);
  const double stub_median = Median(paths[1].samples);
  const double direct_median = Median(paths[0].samples);
  for (size_t i = 2; i < paths.size(); ++i) {
    const double median = Median(paths[i].samples);
    printf("%-26s %.2fx the bare stub, %.2fx direct\n", paths[i].label, median / stub_median,
           median / direct_median);
  }

  // The splash: a picture in the animation tree's version.
  const std::wstring splash_stub = own + L"\\launch_bench_splash_stub.exe";
  if (!WritePicture(animation + L"\\1.0.0\\startup_animation")) {
    fprintf(stderr, "launch_bench: cannot write the splash picture\n");
    return 1;
  }
  std::vector<Path> splashes = {
      {"bare splash", splash_stub, L"\"" + splash_stub + L"\" \"" + direct_client + L"\"", plain,
       false, {}},
      {"launcher splash", animation + L"\\corvane_launcher.exe", L"corvane_launcher.exe",
       animation, true, {}},
  };
  if (!RunRounds(rounds, &splashes, [&](const Path& path) { return driver.MeasureSplash(path); },
                 "no splash appeared")) {
    return 1;
  }
  printf("\ndriver's CreateProcessW -> a visible splash window, %d interleaved rounds (ms)\n",
         rounds);
  PrintTable(splashes);
  printf("%-26s %.2fx the bare splash\n", splashes[1].label,
         Median(splashes[1].samples) / Median(splashes[0].samples));
  return 0;
}
