// Linked only into the crash-test launcher: fails in the way
// CORVANE_TEST_CRASH names, at the entry or, with "exit:" before the kind,
// once the run is over, so that each of the launcher's crash paths can be
// seen from outside.

#include <windows.h>

#include <cstdlib>
#include <cstring>

#if defined(__GNUC__)
extern "C" void __cxa_pure_virtual();
#endif

namespace corvane {
namespace test {

namespace {

// Recurses until the stack is gone; the frame's array and the use of the
// result keep the compiler from turning it into a loop, the flag from seeing
// that it never ends.
volatile bool g_recurse = true;

#if defined(__GNUC__)
__attribute__((noinline))
#else
__declspec(noinline)
#endif
int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  return g_recurse ? Recurse(depth + 1) + frame[0] : frame[0];
}

}  // namespace

void CrashIfAsked(bool run_over) {
  char text[40] = {};
  if (!GetEnvironmentVariableA("CORVANE_TEST_CRASH", text, sizeof(text))) return;
  constexpr char kAtExit[] = "exit:";
  const bool at_exit = !std::strncmp(text, kAtExit, sizeof(kAtExit) - 1);
  if (at_exit != run_over) return;
  const char* kind = at_exit ? text + sizeof(kAtExit) - 1 : text;
  if (!std::strcmp(kind, "access_violation")) {
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  } else if (!std::strcmp(kind, "heap_corruption")) {
    RaiseException(0xC0000374, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  } else if (!std::strcmp(kind, "keep_code")) {
    RaiseException(0xE0000008, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  } else if (!std::strcmp(kind, "invalid_parameter")) {
    // A null destination is a parameter the runtime's checked copy refuses;
    // MinGW's runtime returns EINVAL without calling the handler, so the
    // handler is then called the way the Microsoft runtime calls it.
    char* volatile destination = nullptr;
    strcpy_s(destination, 1, "x");
    if (_invalid_parameter_handler handler = _get_invalid_parameter_handler())
      handler(L"destination", L"strcpy_s", L"crash_trigger_win.cc", 1, 0);
  } else if (!std::strcmp(kind, "pure_call")) {
    // What a v-table's pure slot calls: an object's pure method called
    // before its derived part exists ends here.
#if defined(__GNUC__)
    __cxa_pure_virtual();
#else
    _purecall();
#endif
  } else if (!std::strcmp(kind, "abort")) {
    std::abort();
  } else if (!std::strcmp(kind, "stack_overflow")) {
    Recurse(0);
  }
}

}  // namespace test
}  // namespace corvane
