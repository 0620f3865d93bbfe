// The logging core's edge for native (non-Windows) builds of the portable
// code, such as the fuzzers: lines go to standard error, a FATAL line aborts
// so that the fuzzer reports it.

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "base/logging.h"
#include "base/logging_internal.h"

namespace corvane {
namespace logging {
namespace internal {

LogTime CurrentLogTime() {
  timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local = {};
  localtime_r(&now.tv_sec, &local);
  LogTime time;
  time.month = local.tm_mon + 1;
  time.day = local.tm_mday;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec;
  time.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return time;
}

void TerminateForFatal() { abort(); }

}  // namespace internal

void WriteLogLine(LogSeverity /*severity*/, const std::string& line) {
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t written = write(2, data, left);
    if (written <= 0) return;
    data += written;
    left -= static_cast<size_t>(written);
  }
}

}  // namespace logging
}  // namespace corvane
