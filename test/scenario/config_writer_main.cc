// Writes launcher_config.json at the path it is given over and over, with two
// alternating contents (beginning with the one named by the second argument,
// 0 or 1), until it is killed: the victim of the sudden-death test of the
// configuration write. A third argument names an event it sets just before
// its first write, so the test's kill lands in the writing, not in the start.

#include <windows.h>

#include "base/files/file_path.h"
#include "launcher/launcher_config.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 1;
  const corvane::FilePath path(argv[1]);
  corvane::LauncherConfig configs[2];
  configs[0].app_name = L"client";
  configs[0].cur_path = L"1.0.0";
  configs[1].app_name = L"client";
  configs[1].cur_path = L"2.0.1.123";
  configs[1].need_update = true;
  configs[1].new_path = L"3.0.0";
  if (argc > 3) {
    HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
    if (!started) return 3;
    SetEvent(started);
    CloseHandle(started);
  }
  for (unsigned i = (argc > 2 && argv[2][0] == L'1') ? 1 : 0;; ++i) {
    if (!corvane::WriteLauncherConfigFile(path, configs[i % 2], nullptr, nullptr)) return 2;
  }
}
