#ifndef BASE_LOGGING_H_
#define BASE_LOGGING_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Diagnostic logging.
//   LOG(INFO) << "started " << some_wide_string;   // wide text goes out as UTF-8
//   VLOG(1) << "detail";                          // only with --v / --vmodule
// A line looks like "[MMDD/HHMMSS.mmm:SEVERITY:file.cc(line)] text\n".
// A FATAL statement ends the process after its line is written.

namespace corvane {

class FilePath;

namespace logging {

using LogSeverity = int;
constexpr LogSeverity LOGGING_VERBOSE = -1;  // VLOG(n) logs at -n.
constexpr LogSeverity LOGGING_INFO = 0;
constexpr LogSeverity LOGGING_WARNING = 1;
constexpr LogSeverity LOGGING_ERROR = 2;
constexpr LogSeverity LOGGING_FATAL = 3;
// LOG(ERROR) after a Windows header turned ERROR into 0 elsewhere.
constexpr LogSeverity LOGGING_0 = LOGGING_ERROR;

// Exit code of a process ended by a FATAL statement.
constexpr uint32_t kFatalExitCode = 0xC0000409u;

enum LoggingDestination : uint32_t {
  LOG_NONE = 0,
  LOG_TO_FILE = 1,
  LOG_TO_SYSTEM_DEBUG_LOG = 2,
  LOG_TO_STDERR = 4,
  LOG_TO_ALL = LOG_TO_FILE | LOG_TO_SYSTEM_DEBUG_LOG | LOG_TO_STDERR,
};

enum OldFileDeletionState {
  APPEND_TO_OLD_LOG_FILE,
  DELETE_OLD_LOG_FILE,
};

struct LoggingSettings {
  uint32_t logging_dest = LOG_NONE;
  // Empty: "debug.log" beside the executable.
  std::wstring log_file_path;
  OldFileDeletionState delete_old = APPEND_TO_OLD_LOG_FILE;
};

// Local wall-clock time of a line, as the line shows it.
struct LogTime {
  int month = 0;  // 1..12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// (Re)initialises logging: reads v / vmodule from the process-wide command
// line, closes any open log file and opens the new one (when the file is a
// destination). False when the file destination was asked for and no file
// could be opened (the statements then go to the other destinations; opening
// is retried before each write).
bool InitLogging(const LoggingSettings& settings);

// The launcher's set-up: no command line -> "base cmd is nullptr!" to the
// debugger and no destination; --enable_log -> file + debugger + stderr,
// appending to "<exe stem>.log" in the user's temp directory; else nothing.
void SetupLauncherLogging();

// The path of the open log file ("" when none is open).
std::wstring GetLogFilePathForTesting();
// Closes the log file and forgets every setting (destination none).
void ResetLoggingForTesting();

// Formats one line exactly as written, ending in '\n'.
std::string FormatLogLine(const LogTime& time, LogSeverity severity, std::string_view file,
                          int line, std::string_view message);
// "INFO", "WARNING", "ERROR", "FATAL", "UNKNOWN" (other non-negative values),
// "VERBOSE<n>" for -n.
std::string SeverityName(LogSeverity severity);

// Verbosity: the global level (--v) and per-file levels (--vmodule, a comma
// list of pattern=level where pattern matches the source file's base name
// without extension, or the whole path when it holds a separator; '*' and '?'
// are wildcards).
int GetVlogLevel(std::string_view file);
void SetVlogSettingsForTesting(std::string_view v, std::string_view vmodule);
bool ShouldCreateLogMessage(LogSeverity severity);

// A handler sees every formatted line (after the severity filter) before the
// destinations do; returning true swallows the line. A swallowed FATAL line
// does not end the process (tests only).
using LogMessageHandler = std::function<bool(LogSeverity severity, const std::string& line)>;
void SetLogMessageHandlerForTesting(LogMessageHandler handler);

// Writes one formatted line to the current destinations (no handler, no
// filter). Exposed so tests reach the destinations directly.
void WriteLogLine(LogSeverity severity, const std::string& line);

// Collects a statement's text without the standard streams (they would
// double the launcher's image and its start-up): narrow text as it is, wide
// text and paths as UTF-8, integers in decimal, bool as 1 or 0, floating
// point as "%g", pointers in hex with "0x" (0 alone for null), as the
// standard streams print them.
class LogStream {
 public:
  LogStream() = default;
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;

  LogStream& operator<<(std::string_view text) {
    text_.append(text);
    return *this;
  }
  LogStream& operator<<(const std::string& text) {
    text_.append(text);
    return *this;
  }
  LogStream& operator<<(const char* text) {
    if (text) text_.append(text);
    return *this;
  }
  LogStream& operator<<(char c) {
    text_.push_back(c);
    return *this;
  }
  LogStream& operator<<(signed char c) { return *this << static_cast<char>(c); }
  LogStream& operator<<(unsigned char c) { return *this << static_cast<char>(c); }
  LogStream& operator<<(bool value) { return *this << (value ? '1' : '0'); }
  LogStream& operator<<(short value) { return *this << static_cast<int>(value); }
  LogStream& operator<<(unsigned short value) { return *this << static_cast<unsigned>(value); }
  LogStream& operator<<(int value);
  LogStream& operator<<(unsigned value);
  LogStream& operator<<(long value);
  LogStream& operator<<(unsigned long value);
  LogStream& operator<<(long long value);
  LogStream& operator<<(unsigned long long value);
  LogStream& operator<<(double value);
  LogStream& operator<<(float value) { return *this << static_cast<double>(value); }
  LogStream& operator<<(const void* pointer);
  LogStream& operator<<(const wchar_t* text);
  LogStream& operator<<(wchar_t* text) { return *this << static_cast<const wchar_t*>(text); }
  LogStream& operator<<(const std::wstring& text);
  LogStream& operator<<(std::wstring_view text);
  LogStream& operator<<(wchar_t c);
  LogStream& operator<<(const FilePath& path);

  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

// One statement: collects the text, writes the line when destroyed.
class LogMessage {
 public:
  LogMessage(const char* file, int line, LogSeverity severity);
  ~LogMessage();
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;

  LogStream& stream() { return stream_; }

 private:
  const char* file_;
  int line_;
  LogSeverity severity_;
  LogStream stream_;
};

// Lets a conditional statement be one expression of type void.
class LogMessageVoidify {
 public:
  void operator&(LogStream&) {}
};

}  // namespace logging
}  // namespace corvane

// The severity is pasted in the macro that names it, so a Windows header's
// ERROR macro (0) is never expanded into it.
#define LAZY_CORVANE_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::corvane::logging::LogMessageVoidify() & (stream)

#define LOG(severity)                                                                            \
  LAZY_CORVANE_STREAM(                                                                           \
      ::corvane::logging::LogMessage(__FILE__, __LINE__, ::corvane::logging::LOGGING_##severity) \
          .stream(),                                                                             \
      ::corvane::logging::ShouldCreateLogMessage(::corvane::logging::LOGGING_##severity))

#define LOG_IF(severity, condition)                                                              \
  LAZY_CORVANE_STREAM(                                                                           \
      ::corvane::logging::LogMessage(__FILE__, __LINE__, ::corvane::logging::LOGGING_##severity) \
          .stream(),                                                                             \
      ::corvane::logging::ShouldCreateLogMessage(::corvane::logging::LOGGING_##severity) &&      \
          (condition))

#define VLOG_IS_ON(verboselevel) ((verboselevel) <= ::corvane::logging::GetVlogLevel(__FILE__))
#define VLOG(verboselevel)                                                          \
  LAZY_CORVANE_STREAM(                                                              \
      ::corvane::logging::LogMessage(__FILE__, __LINE__, -(verboselevel)).stream(), \
      VLOG_IS_ON(verboselevel))

#define CHECK(condition)                                                                    \
  LAZY_CORVANE_STREAM(                                                                      \
      ::corvane::logging::LogMessage(__FILE__, __LINE__, ::corvane::logging::LOGGING_FATAL) \
              .stream()                                                                     \
          << "Check failed: " #condition ". ",                                              \
      !(condition))

#define NOTREACHED() LOG(ERROR) << "NOTREACHED() hit. "

#endif  // BASE_LOGGING_H_
