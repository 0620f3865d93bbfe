#include "base/strings/string_printf.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace corvane {

std::string StringPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (size > 0) {
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    out.assign(buffer.data(), static_cast<size_t>(size));
  }
  va_end(args);
  return out;
}

}  // namespace corvane
