#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "base/files/file_path.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "utils/crash_handler.h"

namespace corvane {

namespace {

constexpr DWORD kStatusHeapCorruption = 0xC0000374;
constexpr DWORD kStatusInvalidParameter = 0xC000000D;
constexpr DWORD kStatusPureCall = 0xC0000025;
constexpr DWORD kStatusAbort = 0x40000015;
constexpr DWORD kStatusStackOverflow = 0xC00000FD;

// Sizes of the crash state's fixed storage; longer values are dropped, not
// cut, so that a path is never a wrong one.
constexpr size_t kNameChars = 256;
constexpr size_t kIdChars = 64;
constexpr size_t kDirChars = 2048;
// The handler thread's stack, and what a thread that overflowed its own
// keeps to reach the filter.
constexpr SIZE_T kCrashThreadStack = 256 * 1024;
constexpr ULONG kStackGuarantee = 64 * 1024;
// How long a failing thread waits for the handler thread to end the process
// before it ends the process itself.
constexpr DWORD kCrashThreadWaitMs = kCrashReporterWaitMs + 15000;

// Written at start-up and by the setters on the main thread; read only by
// the crash path. Plain arrays: the crash path must not need the heap, which
// may be what broke.
struct CrashReportState {
  int32_t app_id;
  wchar_t app_name[kNameChars];
  wchar_t app_version[kNameChars];
  wchar_t device_id[kIdChars];
  wchar_t user_id[kIdChars];
  wchar_t reporter_dir[kDirChars];
  wchar_t exe_dir[kDirChars];
};
CrashReportState g_state;

// The crash being handled: the failing thread's id (0 until a crash, set
// once, by the first), its exception, and the thread that does the work.
volatile LONG g_failed_thread = 0;
EXCEPTION_POINTERS* g_failed_pointers = nullptr;
HANDLE g_crash_request = nullptr;
HANDLE g_crash_thread = nullptr;
HANDLE g_watched_thread = nullptr;
DWORD g_crash_thread_id = 0;
bool g_installed = false;

void StoreText(const char* utf8, wchar_t* out, size_t size) {
  if (!utf8) return;
  CopyCrashText(UTF8ToWide(utf8).c_str(), out, size);
}

bool HasReporter(const wchar_t* dir, wchar_t* path, size_t size) {
  const int written = std::swprintf(path, size, L"%ls\\%ls", dir, kCrashReporterExe);
  return written > 0 && static_cast<size_t>(written) < size &&
         GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// The reporter's path into |path|: the stored directory, else the launcher's
// directory or its parent, whichever holds it, else the launcher's.
void ReporterPath(wchar_t* path, size_t size) {
  if (g_state.reporter_dir[0]) {
    HasReporter(g_state.reporter_dir, path, size);
    return;
  }
  if (HasReporter(g_state.exe_dir, path, size)) return;
  wchar_t parent[kDirChars];
  CopyCrashText(g_state.exe_dir, parent, kDirChars);
  wchar_t* slash = std::wcsrchr(parent, L'\\');
  if (slash) {
    *slash = L'\0';
    if (HasReporter(parent, path, size)) return;
  }
  HasReporter(g_state.exe_dir, path, size);
}

// Starts the reporter, waits for it and ends the process.
[[noreturn]] void ReportCrash(EXCEPTION_POINTERS* pointers, DWORD failed_thread) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE event = CreateEventW(&inheritable, TRUE, FALSE, nullptr);
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, TRUE, GetCurrentProcessId());

  wchar_t command_line[kCrashReporterArgumentsChars];
  FormatCrashReporterArguments(command_line, kCrashReporterArgumentsChars, GetCurrentProcessId(),
                               failed_thread, process, event, pointers);

  wchar_t app_id[16] = {};
  std::swprintf(app_id, 16, L"%d", g_state.app_id);
  SetEnvironmentVariableW(L"crash_report_app_id", app_id);
  SetEnvironmentVariableW(L"crash_report_app_name", g_state.app_name);
  SetEnvironmentVariableW(L"crash_report_app_version", g_state.app_version);
  SetEnvironmentVariableW(L"crash_report_device_id", g_state.device_id);
  SetEnvironmentVariableW(L"crash_report_user_id", g_state.user_id);

  const EXCEPTION_RECORD* record = pointers ? pointers->ExceptionRecord : nullptr;
  const DWORD code = record ? record->ExceptionCode : 0;
  // The parameter words as text, never more than the record holds.
  char parameters[EXCEPTION_MAXIMUM_PARAMETERS * 20] = {};
  size_t used = 0;
  const DWORD count = record ? record->NumberParameters : 0;
  for (DWORD i = 0; i < count && i < EXCEPTION_MAXIMUM_PARAMETERS; ++i) {
    used += static_cast<size_t>(
        std::snprintf(parameters + used, sizeof(parameters) - used, "%s%llx", i ? " " : "",
                      static_cast<unsigned long long>(record->ExceptionInformation[i])));
    if (used >= sizeof(parameters)) break;
  }
  char line[sizeof(parameters) + 128] = {};
  std::snprintf(line, sizeof(line),
                "[drel_crash] code `0x%x` of get_crash_info_func != code `0x%x` of this crash %s",
                0u, static_cast<unsigned>(code), parameters);
  OutputDebugStringA(line);

  wchar_t reporter[kDirChars + 64] = {};
  ReporterPath(reporter, sizeof(reporter) / sizeof(reporter[0]));
  if (GetFileAttributesW(reporter) != INVALID_FILE_ATTRIBUTES) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(reporter, command_line, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
      WaitForSingleObject(event, kCrashReporterWaitMs);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
  } else {
    char path[sizeof(reporter) * 2] = {};
    WideCharToMultiByte(CP_UTF8, 0, reporter, -1, path, sizeof(path), nullptr, nullptr);
    char missing[sizeof(path) + 64] = {};
    std::snprintf(missing, sizeof(missing), "error! drel_crash_reporter.exe not exists: %s", path);
    OutputDebugStringA(missing);
  }
  TerminateProcess(GetCurrentProcess(), CrashExitCode(code));
  for (;;) Sleep(INFINITE);
}

DWORD WINAPI CrashThreadMain(void*) {
  // Also the thread that started this one: should the system end it without
  // an exception to hand over (wine64 does so for a stack overflow it cannot
  // dispatch), this waiting thread must not keep the process alive.
  const HANDLE handles[] = {g_crash_request, g_watched_thread};
  const DWORD count = g_watched_thread ? 2 : 1;
  if (WaitForMultipleObjects(count, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
    DWORD exit_code = kCrashExitCode;
    GetExitCodeThread(g_watched_thread, &exit_code);
    TerminateProcess(GetCurrentProcess(), exit_code);
  }
  ReportCrash(g_failed_pointers, static_cast<DWORD>(g_failed_thread));
}

// The crash work's own thread, waiting from now on. It also watches the
// calling thread: should the system end that one without an exception to
// hand over, the process ends too.
void StartCrashThread() {
  g_crash_request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!g_crash_request) return;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                  &g_watched_thread, SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0);
  g_crash_thread = CreateThread(nullptr, kCrashThreadStack, &CrashThreadMain, nullptr,
                                STACK_SIZE_PARAM_IS_A_RESERVATION, &g_crash_thread_id);
}

LONG WINAPI UnhandledExceptionFilterMain(EXCEPTION_POINTERS* pointers) { HandleCrash(pointers); }

LONG WINAPI HeapCorruptionHandler(EXCEPTION_POINTERS* pointers) {
  if (pointers && pointers->ExceptionRecord &&
      pointers->ExceptionRecord->ExceptionCode == kStatusHeapCorruption) {
    HandleCrash(pointers);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// A crash found by the runtime rather than by the processor: the context is
// taken here and the record made up. On 32-bit x86 the system's capture reads
// its caller's frame through the frame pointer, so this function keeps one
// even where optimisation would use the register for something else.
#if defined(_MSC_VER) && defined(_M_IX86)
#pragma optimize("y", off)
#define CORVANE_KEEP_FRAME_POINTER
#elif defined(__GNUC__) && defined(__i386__)
#define CORVANE_KEEP_FRAME_POINTER __attribute__((optimize("no-omit-frame-pointer"), noinline))
#else
#define CORVANE_KEEP_FRAME_POINTER
#endif
[[noreturn]] CORVANE_KEEP_FRAME_POINTER void HandleRuntimeCrash(DWORD code, DWORD flags,
                                                                DWORD parameter_count,
                                                                const ULONG_PTR* parameters) {
  CONTEXT context = {};
  RtlCaptureContext(&context);
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = code;
  record.ExceptionFlags = flags;
  record.NumberParameters = parameter_count;
  for (DWORD i = 0; i < parameter_count; ++i) record.ExceptionInformation[i] = parameters[i];
  EXCEPTION_POINTERS pointers = {&record, &context};
  HandleCrash(&pointers);
}
#if defined(_MSC_VER) && defined(_M_IX86)
#pragma optimize("", on)
#endif
#undef CORVANE_KEEP_FRAME_POINTER

void InvalidParameterHandler(const wchar_t* expression, const wchar_t* function,
                             const wchar_t* file, unsigned int line, uintptr_t) {
  const ULONG_PTR parameters[] = {reinterpret_cast<ULONG_PTR>(expression),
                                  reinterpret_cast<ULONG_PTR>(function),
                                  reinterpret_cast<ULONG_PTR>(file), line};
  HandleRuntimeCrash(kStatusInvalidParameter, 0, 4, parameters);
}

void PureCallHandler() { HandleRuntimeCrash(kStatusPureCall, 0, 0, nullptr); }

}  // namespace

// The pure-call handler once installed; read by the GCC runtime hook below.
void (*g_pure_call_handler)() = nullptr;

namespace {

void AbortHandler(int) { HandleRuntimeCrash(kStatusAbort, EXCEPTION_NONCONTINUABLE, 0, nullptr); }

// Later callers in the process must not replace the launcher's filter: the
// system's setter is made to return at once.
void GuardExceptionFilter() {
#if defined(_M_IX86) || defined(__i386__)
  const unsigned char kReturnZero[] = {0x33, 0xC0, 0xC2, 0x04, 0x00};  // xor eax,eax; ret 4
#else
  const unsigned char kReturnZero[] = {0x33, 0xC0, 0xC3};  // xor eax,eax; ret
#endif
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  FARPROC setter = kernel32 ? GetProcAddress(kernel32, "SetUnhandledExceptionFilter") : nullptr;
  if (!setter) return;
  WriteProcessMemory(GetCurrentProcess(), reinterpret_cast<void*>(setter), kReturnZero,
                     sizeof(kReturnZero), nullptr);
}

}  // namespace

void InstallCrashHandler(int32_t app_id, const char* app_name) {
  g_state.app_id = app_id;
  StoreText(app_name, g_state.app_name, kNameChars);
  FilePath exe_dir;
  GetPath(DIR_EXE, &exe_dir);
  CopyCrashText(exe_dir.value().c_str(), g_state.exe_dir, kDirChars);
  g_installed = true;
  ULONG guarantee = kStackGuarantee;
  SetThreadStackGuarantee(&guarantee);
  SetUnhandledExceptionFilter(&UnhandledExceptionFilterMain);
  GuardExceptionFilter();
  AddVectoredExceptionHandler(0, &HeapCorruptionHandler);
  _set_invalid_parameter_handler(&InvalidParameterHandler);
  _set_purecall_handler(&PureCallHandler);
  g_pure_call_handler = &PureCallHandler;
  std::signal(SIGABRT, &AbortHandler);
}

void StartCrashHandlerThread() {
  if (g_installed && !g_crash_request) StartCrashThread();
}

void SetCrashReportInfo(const char* app_version, const char* device_id, const char* user_id) {
  StoreText(app_version, g_state.app_version, kNameChars);
  StoreText(device_id, g_state.device_id, kIdChars);
  StoreText(user_id, g_state.user_id, kIdChars);
}

void SetCrashReporterDir(const char* directory) {
  StoreText(directory, g_state.reporter_dir, kDirChars);
}

void HandleCrash(EXCEPTION_POINTERS* pointers) {
  const DWORD self = GetCurrentThreadId();
  const DWORD code =
      pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 0;
  const DWORD first = static_cast<DWORD>(
      InterlockedCompareExchange(&g_failed_thread, static_cast<LONG>(self), 0));
  if (first != 0) {
    // A fault inside the handler, or while its thread works: end at once.
    // Any other thread waits for the end the first crash brings.
    if (self == g_crash_thread_id || self == first)
      TerminateProcess(GetCurrentProcess(), CrashExitCode(code));
    for (;;) Sleep(INFINITE);
  }
  g_failed_pointers = pointers;
  // An overflowed stack cannot carry the reporter's start: the handler's
  // thread does it while this one waits, its records alive for the reporter.
  // Every other crash is handled here, where the locks the failing code may
  // hold (the heap's among them) are this thread's own. Before the launcher
  // started that thread, it is made now: that takes little of the stack the
  // guarantee left.
  if (code == kStatusStackOverflow && !g_crash_request) StartCrashThread();
  if (code == kStatusStackOverflow && g_crash_thread && SetEvent(g_crash_request)) {
    if (WaitForSingleObject(g_crash_thread, kCrashThreadWaitMs) == WAIT_TIMEOUT)
      TerminateProcess(GetCurrentProcess(), CrashExitCode(code));
  }
  ReportCrash(pointers, self);
}

}  // namespace corvane

#if defined(__GNUC__)
// GCC's v-tables send a pure call to this runtime hook, whose own version goes
// through std::terminate (and hangs there under Wine); this one takes it to
// the pure-call handler, as the Microsoft runtime does.
extern "C" void __cxa_pure_virtual() {
  if (corvane::g_pure_call_handler) corvane::g_pure_call_handler();
  std::abort();
}
#endif
