// Hands a dying launcher to the product's crash reporter
// ("drel_crash_reporter.exe"): every fatal error path of the process ends in
// HandleCrash, which starts the reporter with what it needs to inspect the
// process, waits for it, and ends the process.

#ifndef UTILS_CRASH_HANDLER_H_
#define UTILS_CRASH_HANDLER_H_

#include <cstddef>
#include <cstdint>

struct _EXCEPTION_POINTERS;

namespace corvane {

inline constexpr wchar_t kCrashReporterExe[] = L"drel_crash_reporter.exe";
inline constexpr uint32_t kCrashReporterWaitMs = 60000;
// Exit codes of a handled crash.
inline constexpr uint32_t kCrashExitCodeKeep = 0xE0000008;
inline constexpr uint32_t kCrashExitCode = 0x6472656C;

// Stores the app id and name (null leaves the name) and installs the
// unhandled-exception filter (guarded against later replacement), the
// vectored handler for heap corruption, and the runtime's invalid-parameter,
// pure-call and abort handlers.
void InstallCrashHandler(int32_t app_id, const char* app_name);
// Starts the thread that handles a stack overflow, if the handler is
// installed and the thread not yet there. Called once the client's start has
// been checked (or with the splash): a second thread in the launcher delays
// the start of the process it creates (by 10 to 20 ms under Wine). A stack
// overflow before then makes the thread at the moment of the crash.
void StartCrashHandlerThread();
// Each value that is not null replaces the stored one.
void SetCrashReportInfo(const char* app_version, const char* device_id, const char* user_id);
void SetCrashReporterDir(const char* directory);

// Never returns. Hands a stack overflow to the handler's own thread, which
// has a stack of its own (the failing thread keeps almost none), and waits
// there; a fault while a crash is being handled ends
// the process at once. Nothing on this path takes memory from the heap.
[[noreturn]] void HandleCrash(_EXCEPTION_POINTERS* pointers);

// Room for the reporter's arguments below, with every field at its widest.
inline constexpr size_t kCrashReporterArgumentsChars = 128;

// Writes "/crash:<pid>:<tid>:<process>:<event>:<pointers>", the handles and
// the address in the runtime's pointer format, into |out| (|size| wide
// characters, kCrashReporterArgumentsChars is enough). Takes nothing from the
// heap: it runs while the process dies. False when it did not fit.
bool FormatCrashReporterArguments(wchar_t* out, size_t size, uint32_t pid, uint32_t tid,
                                  const void* process, const void* event, const void* pointers);

// Copies the NUL-terminated |text| into |out| of |size| characters; false,
// with |out| emptied, when it does not fit. The crash state's fixed storage.
bool CopyCrashText(const wchar_t* text, wchar_t* out, size_t size);

// The exit code after a crash with |exception_code|.
uint32_t CrashExitCode(uint32_t exception_code);

}  // namespace corvane

#endif  // UTILS_CRASH_HANDLER_H_
