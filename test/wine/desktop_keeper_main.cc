// Keeps the Wine session's desktop process up for a whole test run.
//
// Wine ends the desktop process about a second after its last user goes and
// the next program that draws starts it again, handing it that program's
// standard output. A test runner reading that output then waits for the
// desktop to end, which is when every other program of the run has ended.
// Started by corvane_wine_up with its output on /dev/null, this program is
// the desktop's first user and stays until the wineserver ends it.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Connecting to the desktop is what starts the desktop process.
  GetDesktopWindow();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
