// What the launch benchmark's driver and its client share.

#ifndef BENCH_LAUNCHER_LAUNCH_BENCH_SLOT_H_
#define BENCH_LAUNCHER_LAUNCH_BENCH_SLOT_H_

#include <cstdint>

namespace corvane {
namespace bench {

inline constexpr wchar_t kSlotName[] = L"Local\\corvane_launch_bench_slot";
inline constexpr wchar_t kEnteredEventName[] = L"Local\\corvane_launch_bench_entered";
inline constexpr wchar_t kReleaseEventName[] = L"Local\\corvane_launch_bench_release";
inline constexpr wchar_t kUpdaterName[] = L"corvane_updater.exe";

struct EntrySlot {
  int64_t entry;  // QueryPerformanceCounter at the client's entry
  uint32_t pid;
};

}  // namespace bench
}  // namespace corvane

#endif  // BENCH_LAUNCHER_LAUNCH_BENCH_SLOT_H_
