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

// Written at start-up, before any second thread; read only by HandleCrash.
struct CrashReportState {
  int32_t app_id = 0;
  std::wstring app_name;
  std::wstring app_version;
  std::wstring device_id;
  std::wstring user_id;
  std::wstring reporter_dir;
};

CrashReportState& State() {
  static CrashReportState* state = new CrashReportState();
  return *state;
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
[[noreturn]] CORVANE_KEEP_FRAME_POINTER void HandleRuntimeCrash(DWORD code, DWORD flags, DWORD parameter_count,
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

std::wstring ExecutableDir() {
  FilePath dir;
  GetPath(DIR_EXE, &dir);
  return dir.value();
}

bool HasReporter(const std::wstring& dir) {
  const std::wstring path = dir + L"\\" + kCrashReporterExe;
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ReporterDir() {
  const CrashReportState& state = State();
  if (!state.reporter_dir.empty()) return state.reporter_dir;
  const std::wstring own = ExecutableDir();
  if (HasReporter(own)) return own;
  const size_t slash = own.find_last_of(L'\\');
  if (slash != std::wstring::npos && HasReporter(own.substr(0, slash))) return own.substr(0, slash);
  return own;
}

}  // namespace

void InstallCrashHandler(int32_t app_id, const char* app_name) {
  CrashReportState& state = State();
  state.app_id = app_id;
  if (app_name) state.app_name = UTF8ToWide(app_name);
  SetUnhandledExceptionFilter(&UnhandledExceptionFilterMain);
  GuardExceptionFilter();
  AddVectoredExceptionHandler(0, &HeapCorruptionHandler);
  _set_invalid_parameter_handler(&InvalidParameterHandler);
  _set_purecall_handler(&PureCallHandler);
  g_pure_call_handler = &PureCallHandler;
  std::signal(SIGABRT, &AbortHandler);
}

void SetCrashReportInfo(const char* app_version, const char* device_id, const char* user_id) {
  CrashReportState& state = State();
  if (app_version) state.app_version = UTF8ToWide(app_version);
  if (device_id) state.device_id = UTF8ToWide(device_id);
  if (user_id) state.user_id = UTF8ToWide(user_id);
}

void SetCrashReporterDir(const char* directory) {
  if (directory) State().reporter_dir = UTF8ToWide(directory);
}

void HandleCrash(EXCEPTION_POINTERS* pointers) {
  const CrashReportState& state = State();
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE event = CreateEventW(&inheritable, TRUE, FALSE, nullptr);
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, TRUE, GetCurrentProcessId());

  std::wstring command_line =
      CrashReporterArguments(GetCurrentProcessId(), GetCurrentThreadId(), process, event, pointers);

  wchar_t app_id[16] = {};
  std::swprintf(app_id, 16, L"%d", state.app_id);
  SetEnvironmentVariableW(L"crash_report_app_id", app_id);
  SetEnvironmentVariableW(L"crash_report_app_name", state.app_name.c_str());
  SetEnvironmentVariableW(L"crash_report_app_version", state.app_version.c_str());
  SetEnvironmentVariableW(L"crash_report_device_id", state.device_id.c_str());
  SetEnvironmentVariableW(L"crash_report_user_id", state.user_id.c_str());

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

  const std::wstring reporter = ReporterDir() + L"\\" + kCrashReporterExe;
  if (GetFileAttributesW(reporter.c_str()) != INVALID_FILE_ATTRIBUTES) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(reporter.c_str(), &command_line[0], nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &startup, &info)) {
      WaitForSingleObject(event, kCrashReporterWaitMs);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
  } else {
    char missing[MAX_PATH * 3 + 64] = {};
    std::snprintf(missing, sizeof(missing), "error! drel_crash_reporter.exe not exists: %s",
                  WideToUTF8(reporter).c_str());
    OutputDebugStringA(missing);
  }
  TerminateProcess(GetCurrentProcess(), CrashExitCode(code));
  for (;;) Sleep(INFINITE);
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
