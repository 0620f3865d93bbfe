// The launch benchmark's baseline: a program that only starts the command
// line it was given (everything after its own name) and ends.

#include <windows.h>

#include "bench/launcher/launch_bench_slot.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (!corvane::bench::StartCommandLine(corvane::bench::SkipProgram(GetCommandLineW())))
    return 1;
  return 0;
}
