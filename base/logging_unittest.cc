#include "base/logging.h"

#include <gtest/gtest.h>

#include "base/files/file_path.h"

#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace logging {
namespace {

TEST(LoggingFormatTest, LineFormat) {
  const struct {
    LogTime time;
    LogSeverity severity;
    const char* file;
    int line;
    const char* message;
    const char* expected;
  } kCases[] = {
      {{1, 2, 3, 4, 5, 6},
       LOGGING_INFO,
       "C:/src/base/foo.cc",
       42,
       "hello",
       "[0102/030405.006:INFO:foo.cc(42)] hello\n"},
      {{12, 31, 23, 59, 59, 999},
       LOGGING_WARNING,
       "base\\win\\bar_win.cc",
       7,
       "",
       "[1231/235959.999:WARNING:bar_win.cc(7)] \n"},
      {{6, 9, 0, 0, 0, 50},
       LOGGING_ERROR,
       "plain.cc",
       100000,
       "a\nb",
       "[0609/000000.050:ERROR:plain.cc(100000)] a\nb\n"},
      {{6, 9, 10, 11, 12, 0},
       LOGGING_FATAL,
       "x.cc",
       1,
       "bye",
       "[0609/101112.000:FATAL:x.cc(1)] bye\n"},
      {{6, 9, 10, 11, 12, 0}, 4, "x.cc", 1, "m", "[0609/101112.000:UNKNOWN:x.cc(1)] m\n"},
      {{6, 9, 10, 11, 12, 0}, -1, "x.cc", 1, "m", "[0609/101112.000:VERBOSE1:x.cc(1)] m\n"},
      {{6, 9, 10, 11, 12, 0}, -3, "x.cc", 1, "m", "[0609/101112.000:VERBOSE3:x.cc(1)] m\n"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FormatLogLine(c.time, c.severity, c.file, c.line, c.message), c.expected);
  }
}

class LoggingCaptureTest : public testing::Test {
 protected:
  void SetUp() override {
    SetLogMessageHandlerForTesting([this](LogSeverity severity, const std::string& line) {
      severities_.push_back(severity);
      lines_.push_back(line);
      return true;
    });
  }
  void TearDown() override {
    SetLogMessageHandlerForTesting(nullptr);
    SetVlogSettingsForTesting("", "");
  }

  std::vector<LogSeverity> severities_;
  std::vector<std::string> lines_;
};

TEST_F(LoggingCaptureTest, StreamsNarrowAndWideText) {
  std::wstring wide = L"\u00E9\u4E2D";
  LOG(INFO) << "n=" << 5 << " w=" << wide << " p=" << L"lit" << ' ' << L'\u00FC';
  int line = __LINE__ - 1;
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_EQ(severities_[0], LOGGING_INFO);
  const std::string tail = ":INFO:logging_unittest.cc(" + std::to_string(line) +
                           ")] n=5 w=\xC3\xA9\xE4\xB8\xAD p=lit \xC3\xBC\n";
  ASSERT_GE(lines_[0].size(), tail.size());
  EXPECT_EQ(lines_[0].substr(lines_[0].size() - tail.size()), tail);
  // "[MMDD/HHMMSS.mmm" in front.
  EXPECT_EQ(lines_[0].size() - tail.size(), 16u);
  EXPECT_EQ(lines_[0][0], '[');
  EXPECT_EQ(lines_[0][5], '/');
  EXPECT_EQ(lines_[0][12], '.');
}

TEST_F(LoggingCaptureTest, StreamsPathsAndEndsTheLineOnce) {
  LOG(ERROR) << FilePath(L"C:\\\u4E2D") << 255 << '\n';
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find(":ERROR:"), std::string::npos);
  EXPECT_NE(lines_[0].find(")] C:\\\xE4\xB8\xAD"
                           "255\n\n"),
            std::string::npos)
      << lines_[0];
}

// Log lines must read as they did when statements went through the standard
// streams: each value is printed both ways.
TEST(LogStreamTest, PrintsValuesAsTheStandardStreams) {
  auto both = [](auto value) {
    LogStream ours;
    ours << value;
    std::ostringstream standard;
    standard << value;
    EXPECT_EQ(standard.str(), ours.str());
  };
  auto each = [&](auto... values) { (both(values), ...); };
  each(0, -1, std::numeric_limits<int>::min(), std::numeric_limits<unsigned>::max(),
       static_cast<short>(-7), static_cast<unsigned short>(65535), -5L, 0xFFFFFFFFUL,
       std::numeric_limits<long long>::min(), std::numeric_limits<unsigned long long>::max(),
       static_cast<size_t>(42), true, false, 'x', static_cast<unsigned char>('A'), 0.5,
       -1234567.0, 1e-7, 3.0f, 100.0 / 3.0, "text", std::string("string"),
       std::string_view("view"));
}

TEST_F(LoggingCaptureTest, VerboseStatementsFollowTheLevels) {
  VLOG(1) << "hidden";
  EXPECT_TRUE(lines_.empty());
  SetVlogSettingsForTesting("1", "");
  VLOG(1) << "shown";
  VLOG(2) << "hidden";
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find(":VERBOSE1:logging_unittest.cc("), std::string::npos);
  // This file by module name.
  SetVlogSettingsForTesting("0", "logging_unit*=2");
  VLOG(2) << "module";
  EXPECT_EQ(lines_.size(), 2u);
}

TEST_F(LoggingCaptureTest, ConditionalForms) {
  LOG_IF(WARNING, false) << "no";
  LOG_IF(WARNING, true) << "yes";
  int evaluated = 0;
  auto count = [&evaluated] { return ++evaluated; };
  VLOG(3) << count();  // Not evaluated when off.
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_EQ(evaluated, 0);
  // A failed CHECK is a FATAL line (swallowed by the handler here).
  CHECK(evaluated == 1) << "extra";
  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_EQ(severities_[1], LOGGING_FATAL);
  EXPECT_NE(lines_[1].find("Check failed: evaluated == 1. extra\n"), std::string::npos);
}

TEST(VlogTest, Patterns) {
  SetVlogSettingsForTesting("1", "foo=3, ba*=2,*/sub/*=4,b?z_win=5,bad");
  const std::pair<const char*, int> kCases[] = {
      {"C:/src/base/foo.cc", 3}, {"foo.h", 3},    {"bar.cc", 2},    {"baz_win.cc", 2},
      {"C:\\src\\sub\\q.cc", 4}, {"other.cc", 1}, {"foobar.cc", 1},
  };
  for (const auto& c : kCases) EXPECT_EQ(GetVlogLevel(c.first), c.second) << c.first;
  SetVlogSettingsForTesting("x", "");
  EXPECT_EQ(GetVlogLevel("other.cc"), 0);
  SetVlogSettingsForTesting("", "");
}

}  // namespace
}  // namespace logging
}  // namespace corvane
