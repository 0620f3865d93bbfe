// The client of the launch benchmark: its first statement notes the moment
// in the driver's shared slot, then it waits until the driver lets it go.
// Copied under the updater's name it is an updater that succeeds at once.

#include <windows.h>

#include "bench/launcher/launch_bench_slot.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  LARGE_INTEGER entry;
  QueryPerformanceCounter(&entry);

  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const wchar_t* name = path + length;
  while (name > path && name[-1] != L'\\') --name;
  if (lstrcmpiW(name, corvane::bench::kUpdaterName) == 0) return 0;

  HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, corvane::bench::kSlotName);
  HANDLE entered = OpenEventW(EVENT_MODIFY_STATE, FALSE, corvane::bench::kEnteredEventName);
  HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, corvane::bench::kReleaseEventName);
  if (!mapping || !entered || !release) return 1;
  auto* slot = static_cast<corvane::bench::EntrySlot*>(
      MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(corvane::bench::EntrySlot)));
  if (slot) {
    slot->entry = entry.QuadPart;
    slot->pid = GetCurrentProcessId();
    UnmapViewOfFile(slot);
  }
  SetEvent(entered);
  WaitForSingleObject(release, 30000);
  CloseHandle(release);
  CloseHandle(entered);
  CloseHandle(mapping);
  return 0;
}
