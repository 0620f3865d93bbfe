#include "test/support/scoped_log_capture.h"

namespace corvane {
namespace test {

namespace {

std::string TextOf(const std::string& line) {
  std::string text = line;
  const size_t start = text.find("] ");
  if (start != std::string::npos) text.erase(0, start + 2);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

ScopedLogCapture::ScopedLogCapture() {
  logging::SetLogMessageHandlerForTesting(
      [this](logging::LogSeverity severity, const std::string& line) {
        std::lock_guard<std::mutex> hold(lock_);
        lines_.push_back({severity, TextOf(line)});
        return true;
      });
}

ScopedLogCapture::~ScopedLogCapture() { logging::SetLogMessageHandlerForTesting(nullptr); }

std::vector<LogLine> ScopedLogCapture::lines() const {
  std::lock_guard<std::mutex> hold(lock_);
  return lines_;
}

std::vector<std::string> ScopedLogCapture::Texts() const {
  std::vector<std::string> texts;
  for (const LogLine& line : lines()) texts.push_back(line.text);
  return texts;
}

std::vector<std::string> ScopedLogCapture::Texts(logging::LogSeverity severity) const {
  std::vector<std::string> texts;
  for (const LogLine& line : lines()) {
    if (line.severity == severity) texts.push_back(line.text);
  }
  return texts;
}

bool ScopedLogCapture::Has(logging::LogSeverity severity, const std::string& text) const {
  for (const LogLine& line : lines()) {
    if (line.severity == severity && line.text == text) return true;
  }
  return false;
}

int ScopedLogCapture::Count(const std::string& fragment) const {
  int count = 0;
  for (const LogLine& line : lines()) count += line.text.find(fragment) != std::string::npos;
  return count;
}

void ScopedLogCapture::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  lines_.clear();
}

}  // namespace test
}  // namespace corvane
