// Retrying a step that may fail for a while (a file another process holds, a
// mutex another launcher owns).

#ifndef BASE_RETRY_UNTIL_H_
#define BASE_RETRY_UNTIL_H_

#include <functional>

namespace corvane {

// Runs |operation| until it returns true, at most |max_attempts| times,
// sleeping |delay_ms| after every failed attempt (the last one included, so
// that a caller giving up has waited the whole budget).
bool RetryUntil(const std::function<bool()>& operation, int max_attempts, int delay_ms);

}  // namespace corvane

#endif  // BASE_RETRY_UNTIL_H_
