// What the launch benchmark's driver and its client share.

#ifndef BENCH_LAUNCHER_LAUNCH_BENCH_SLOT_H_
#define BENCH_LAUNCHER_LAUNCH_BENCH_SLOT_H_

#include <windows.h>

#include <cstdint>

namespace corvane {
namespace bench {

inline constexpr wchar_t kSlotName[] = L"Local\\corvane_launch_bench_slot";
inline constexpr wchar_t kEnteredEventName[] = L"Local\\corvane_launch_bench_entered";
inline constexpr wchar_t kReleaseEventName[] = L"Local\\corvane_launch_bench_release";
inline constexpr wchar_t kUpdaterName[] = L"corvane_updater.exe";

// The rest of a command line after its own program (quoted or not) and the
// blanks after it: what the stubs start.
inline wchar_t* SkipProgram(wchar_t* line) {
  if (*line == L'"') {
    ++line;
    while (*line && *line != L'"') ++line;
    if (*line) ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

// Starts |command_line| without waiting; false when it did not start.
inline bool StartCommandLine(wchar_t* command_line) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

struct EntrySlot {
  int64_t entry;  // QueryPerformanceCounter at the client's entry
  uint32_t pid;
};

}  // namespace bench
}  // namespace corvane

#endif  // BENCH_LAUNCHER_LAUNCH_BENCH_SLOT_H_
