#ifndef TEST_SUPPORT_SCOPED_LOG_CAPTURE_H_
#define TEST_SUPPORT_SCOPED_LOG_CAPTURE_H_

#include <mutex>
#include <string>
#include <vector>

#include "base/logging.h"

namespace corvane {
namespace test {

struct LogLine {
  logging::LogSeverity severity;
  std::string text;  // Without the "[...] " prefix and the line end.
};

// Takes every log line written while it lives, instead of the normal
// destinations. One at a time: the handler slot is process-wide.
class ScopedLogCapture {
 public:
  ScopedLogCapture();
  ~ScopedLogCapture();
  ScopedLogCapture(const ScopedLogCapture&) = delete;
  ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

  // Copies: lines may still arrive from other threads.
  std::vector<LogLine> lines() const;
  std::vector<std::string> Texts() const;
  std::vector<std::string> Texts(logging::LogSeverity severity) const;

  bool Has(logging::LogSeverity severity, const std::string& text) const;
  // Lines whose text holds |fragment|.
  int Count(const std::string& fragment) const;

  void Clear();

 private:
  mutable std::mutex lock_;
  std::vector<LogLine> lines_;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_SCOPED_LOG_CAPTURE_H_
