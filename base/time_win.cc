#include <windows.h>

#include "base/time.h"

namespace corvane {

Time Time::Now() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return FromFileTimeValue((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

}  // namespace corvane
