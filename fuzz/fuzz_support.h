// Shared by the fuzz harnesses: a reader over the fuzzer's bytes, and the
// checks that report a broken property as a crash libFuzzer keeps.

#ifndef FUZZ_FUZZ_SUPPORT_H_
#define FUZZ_FUZZ_SUPPORT_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <string_view>

#include "base/logging.h"

#define FUZZ_CHECK(condition)                                                   \
  do {                                                                          \
    if (!(condition)) {                                                         \
      fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__,       \
              #condition);                                                      \
      abort();                                                                  \
    }                                                                           \
  } while (0)

namespace corvane {
namespace fuzz {

// Takes numbers and NUL-separated pieces off the front of the input.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  uint32_t TakeUint32() {
    uint32_t value = 0;
    for (int i = 0; i < 4 && !rest_.empty(); ++i) {
      value |= static_cast<uint32_t>(static_cast<uint8_t>(rest_[0])) << (8 * i);
      rest_.remove_prefix(1);
    }
    return value;
  }

  uint8_t TakeByte() { return static_cast<uint8_t>(TakeUint32() & 0xFF); }

  // Up to the next NUL (dropped) or the end.
  std::string_view TakePiece() {
    size_t end = rest_.find('\0');
    std::string_view piece = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return piece;
  }

  bool empty() const { return rest_.empty(); }
  std::string_view rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// Log lines are swallowed: they would slow the run and say nothing a crash
// does not. A FATAL line still ends the run (see the native logging edge).
inline void QuietLogging() {
  static bool once = [] {
    logging::SetLogMessageHandlerForTesting(
        [](logging::LogSeverity severity, const std::string&) {
          return severity != logging::LOGGING_FATAL;
        });
    return true;
  }();
  (void)once;
}

}  // namespace fuzz
}  // namespace corvane

#endif  // FUZZ_FUZZ_SUPPORT_H_
