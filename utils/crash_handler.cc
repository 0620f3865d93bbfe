#include "utils/crash_handler.h"

#include <cwchar>

namespace corvane {

bool FormatCrashReporterArguments(wchar_t* out, size_t size, uint32_t pid, uint32_t tid,
                                  const void* process, const void* event, const void* pointers) {
  if (!out || size == 0) return false;
  const int written =
      std::swprintf(out, size, L"/crash:%u:%u:%p:%p:%p", pid, tid, process, event, pointers);
  if (written < 0 || static_cast<size_t>(written) >= size) {
    out[0] = L'\0';
    return false;
  }
  return true;
}

bool CopyCrashText(const wchar_t* text, wchar_t* out, size_t size) {
  if (!out || size == 0) return false;
  size_t i = 0;
  for (; text && text[i]; ++i) {
    if (i + 1 >= size) {
      out[0] = L'\0';
      return false;
    }
    out[i] = text[i];
  }
  out[i] = L'\0';
  return true;
}

uint32_t CrashExitCode(uint32_t exception_code) {
  return exception_code == kCrashExitCodeKeep ? kCrashExitCodeKeep : kCrashExitCode;
}

}  // namespace corvane
