#include "utils/crash_handler.h"

#include <cstdio>

namespace corvane {

std::wstring CrashReporterArguments(uint32_t pid, uint32_t tid, const void* process,
                                    const void* event, const void* pointers) {
  wchar_t text[128] = {};
  std::swprintf(text, sizeof(text) / sizeof(text[0]), L"/crash:%u:%u:%p:%p:%p", pid, tid, process,
                event, pointers);
  return text;
}

uint32_t CrashExitCode(uint32_t exception_code) {
  return exception_code == kCrashExitCodeKeep ? kCrashExitCodeKeep : kCrashExitCode;
}

}  // namespace corvane
