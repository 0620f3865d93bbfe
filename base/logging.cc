#include "base/logging.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "base/files/file_path.h"
#include "base/hook_slot.h"
#include "base/logging_internal.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace corvane {
namespace logging {

namespace {

struct VmodulePattern {
  std::string pattern;
  int level = 0;
  // Patterns holding a separator match the whole path, others the base
  // name without extension.
  bool match_path = false;
};

struct VlogSettings {
  int global_level = 0;
  std::vector<VmodulePattern> patterns;
};

std::mutex& VlogLock() {
  static std::mutex lock;
  return lock;
}

VlogSettings& Vlog() {
  static VlogSettings settings;
  return settings;
}

HookSlot<LogMessageHandler>& Handler() {
  static HookSlot<LogMessageHandler> slot;
  return slot;
}

// '*' matches any run, '?' one character; '/' and '\' match each other.
bool MatchVlogPattern(std::string_view text, std::string_view pattern) {
  size_t t = 0;
  size_t p = 0;
  size_t star = std::string_view::npos;
  size_t star_text = 0;
  auto same = [](char a, char b) {
    if ((a == '/' || a == '\\') && (b == '/' || b == '\\')) return true;
    return a == b;
  };
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], text[t]))) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_text = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string_view BaseNameOf(std::string_view file) {
  size_t sep = file.find_last_of("/\\");
  return sep == std::string_view::npos ? file : file.substr(sep + 1);
}

std::string_view ModuleNameOf(std::string_view file) {
  std::string_view base = BaseNameOf(file);
  size_t dot = base.find('.');
  if (dot != std::string_view::npos) base = base.substr(0, dot);
  return base;
}

void AppendTwoDigits(int value, std::string* out) {
  if (value < 0) value = 0;
  out->push_back(static_cast<char>('0' + (value / 10) % 10));
  out->push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

std::string SeverityName(LogSeverity severity) {
  static const char* const kNames[] = {"INFO", "WARNING", "ERROR", "FATAL"};
  if (severity >= 0) {
    return severity < 4 ? kNames[severity] : "UNKNOWN";
  }
  // -n for VLOG(n); written without overflow for the minimum value.
  return "VERBOSE" + NumberToString(-static_cast<long long>(severity));
}

std::string FormatLogLine(const LogTime& time, LogSeverity severity, std::string_view file,
                          int line, std::string_view message) {
  std::string out;
  out.reserve(message.size() + 64);
  out.push_back('[');
  AppendTwoDigits(time.month, &out);
  AppendTwoDigits(time.day, &out);
  out.push_back('/');
  AppendTwoDigits(time.hour, &out);
  AppendTwoDigits(time.minute, &out);
  AppendTwoDigits(time.second, &out);
  out.push_back('.');
  int ms = time.millisecond < 0 ? 0 : time.millisecond % 1000;
  out.push_back(static_cast<char>('0' + ms / 100));
  out.push_back(static_cast<char>('0' + (ms / 10) % 10));
  out.push_back(static_cast<char>('0' + ms % 10));
  out.push_back(':');
  out.append(SeverityName(severity));
  out.push_back(':');
  out.append(BaseNameOf(file));
  out.push_back('(');
  out.append(NumberToString(line));
  out.append(")] ");
  out.append(message);
  out.push_back('\n');
  return out;
}

void SetVlogSettingsForTesting(std::string_view v, std::string_view vmodule) {
  VlogSettings settings;
  int level = 0;
  if (!v.empty() && StringToInt(v, &level)) settings.global_level = level;
  for (const std::string& item : SplitString(vmodule, ',', true, SplitMode::SKIP_EMPTY)) {
    size_t equals = item.rfind('=');
    if (equals == std::string::npos || equals == 0) continue;
    VmodulePattern pattern;
    pattern.pattern = item.substr(0, equals);
    if (!StringToInt(std::string_view(item).substr(equals + 1), &pattern.level)) continue;
    pattern.match_path = pattern.pattern.find_first_of("/\\") != std::string::npos;
    settings.patterns.push_back(std::move(pattern));
  }
  std::lock_guard<std::mutex> hold(VlogLock());
  Vlog() = std::move(settings);
}

int GetVlogLevel(std::string_view file) {
  std::lock_guard<std::mutex> hold(VlogLock());
  const VlogSettings& settings = Vlog();
  for (const VmodulePattern& pattern : settings.patterns) {
    std::string_view subject = pattern.match_path ? file : ModuleNameOf(file);
    if (MatchVlogPattern(subject, pattern.pattern)) return pattern.level;
  }
  return settings.global_level;
}

bool ShouldCreateLogMessage(LogSeverity severity) { return severity >= LOGGING_INFO; }

void SetLogMessageHandlerForTesting(LogMessageHandler handler) {
  Handler().Set(std::move(handler));
}

namespace internal {

bool RunMessageHandler(LogSeverity severity, const std::string& line) {
  const LogMessageHandler handler = Handler().Get();
  return handler && handler(severity, line);
}

}  // namespace internal

LogStream& LogStream::operator<<(int value) { return *this << NumberToString(value); }
LogStream& LogStream::operator<<(unsigned value) { return *this << NumberToString(value); }
LogStream& LogStream::operator<<(long value) { return *this << NumberToString(value); }
LogStream& LogStream::operator<<(unsigned long value) { return *this << NumberToString(value); }
LogStream& LogStream::operator<<(long long value) { return *this << NumberToString(value); }
LogStream& LogStream::operator<<(unsigned long long value) {
  return *this << NumberToString(value);
}

LogStream& LogStream::operator<<(double value) {
  char text[32];
  const int length = std::snprintf(text, sizeof(text), "%g", value);
  if (length > 0) text_.append(text, std::min<size_t>(length, sizeof(text) - 1));
  return *this;
}

LogStream& LogStream::operator<<(const void* pointer) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(pointer);
  if (value == 0) return *this << '0';
  static const char kDigits[] = "0123456789abcdef";
  char digits[2 * sizeof(value)];
  size_t count = 0;
  for (uintptr_t rest = value; rest; rest >>= 4) digits[count++] = kDigits[rest & 0xF];
  text_.append("0x");
  while (count) text_.push_back(digits[--count]);
  return *this;
}

LogStream& LogStream::operator<<(const wchar_t* text) {
  if (text) text_.append(WideToUTF8(text));
  return *this;
}

LogStream& LogStream::operator<<(const std::wstring& text) {
  text_.append(WideToUTF8(text));
  return *this;
}

LogStream& LogStream::operator<<(std::wstring_view text) {
  text_.append(WideToUTF8(text));
  return *this;
}

LogStream& LogStream::operator<<(wchar_t c) {
  text_.append(WideToUTF8(std::wstring_view(&c, 1)));
  return *this;
}

LogStream& LogStream::operator<<(const FilePath& path) { return *this << path.value(); }

LogMessage::LogMessage(const char* file, int line, LogSeverity severity)
    : file_(file), line_(line), severity_(severity) {}

LogMessage::~LogMessage() {
  std::string line = FormatLogLine(internal::CurrentLogTime(), severity_, file_ ? file_ : "", line_,
                                   stream_.str());
  if (internal::RunMessageHandler(severity_, line)) return;
  WriteLogLine(severity_, line);
  if (severity_ == LOGGING_FATAL) internal::TerminateForFatal();
}

}  // namespace logging
}  // namespace corvane
