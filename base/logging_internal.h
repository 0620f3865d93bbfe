#ifndef BASE_LOGGING_INTERNAL_H_
#define BASE_LOGGING_INTERNAL_H_

#include <string>

#include "base/logging.h"

// Between the portable logging core and its Windows edge.
namespace corvane {
namespace logging {
namespace internal {

// The local wall-clock time for a new line.
LogTime CurrentLogTime();
// Ends the process after a FATAL line.
[[noreturn]] void TerminateForFatal();
// Handler installed for tests, if any (portable core owns it).
bool RunMessageHandler(LogSeverity severity, const std::string& line);

}  // namespace internal
}  // namespace logging
}  // namespace corvane

#endif  // BASE_LOGGING_INTERNAL_H_
