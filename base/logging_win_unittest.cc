#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "test/support/scoped_temp_dir.h"
#include "base/win/scoped_handle.h"
#include "test/support/scoped_command_line.h"

namespace corvane {
namespace logging {
namespace {

// "[MMDD/HHMMSS.mmm:SEVERITY:logging_win_unittest.cc(N)] text\n"
std::regex LineRegex(const std::string& severity, const std::string& text) {
  return std::regex(
      "\\[(0[1-9]|1[0-2])(0[1-9]|[12][0-9]|3[01])/([01][0-9]|2[0-3])[0-5][0-9]"
      "[0-5][0-9]\\.[0-9]{3}:" +
      severity + ":logging_win_unittest\\.cc\\([0-9]+\\)\\] " + text + "\n");
}

std::string ReadAll(const FilePath& path) {
  std::string text;
  ReadFileToString(path, &text);
  return text;
}

win::ScopedHandle OpenExclusive(const FilePath& path) {
  return win::ScopedHandle(::CreateFileW(path.value().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

class LoggingWinTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.IsValid()); }
  void TearDown() override { ResetLoggingForTesting(); }

  test::ScopedCommandLine command_line_;  // none, unless a test makes one
  test::ScopedTempDir temp_;
};

TEST_F(LoggingWinTest, WritesAndAppendsToTheFile) {
  FilePath log = temp_.path().Append(L"x.log");
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file_path = log.value();
  ASSERT_TRUE(InitLogging(settings));
  EXPECT_EQ(GetLogFilePathForTesting(), log.value());
  LOG(INFO) << "first " << 1;
  // Initialising again (a second run) appends.
  ASSERT_TRUE(InitLogging(settings));
  LOG(WARNING) << "second";
  LOG(ERROR) << "third";
  std::string text = ReadAll(log);
  std::string expected_first = "first 1";
  std::regex all("(" + std::string("\\[[0-9]{4}/[0-9]{6}\\.[0-9]{3}:") +
                 "INFO:logging_win_unittest\\.cc\\([0-9]+\\)\\] first 1\n)"
                 "(\\[[0-9]{4}/[0-9]{6}\\.[0-9]{3}:WARNING:logging_win_unittest\\.cc\\([0-9]+"
                 "\\)\\] second\n)"
                 "(\\[[0-9]{4}/[0-9]{6}\\.[0-9]{3}:ERROR:logging_win_unittest\\.cc\\([0-9]+"
                 "\\)\\] third\n)");
  EXPECT_TRUE(std::regex_match(text, all)) << text;
  EXPECT_TRUE(std::regex_search(text, LineRegex("INFO", expected_first))) << text;

  // Asked to delete the old file, only the new line remains.
  settings.delete_old = DELETE_OLD_LOG_FILE;
  ASSERT_TRUE(InitLogging(settings));
  LOG(INFO) << "fresh";
  EXPECT_TRUE(std::regex_match(ReadAll(log), LineRegex("INFO", "fresh")));
}

TEST_F(LoggingWinTest, NoDestinationWritesNothing) {
  FilePath log = temp_.path().Append(L"none.log");
  LoggingSettings settings;
  settings.log_file_path = log.value();
  ASSERT_TRUE(InitLogging(settings));
  LOG(ERROR) << "dropped";
  EXPECT_FALSE(PathExists(log));
  EXPECT_EQ(GetLogFilePathForTesting(), L"");
}

TEST_F(LoggingWinTest, FallsBackToDebugLogInTheCurrentDirectory) {
  test::ScopedCurrentDirectory cwd(temp_.path());
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file_path = temp_.path().Append(L"missing\\dir\\x.log").value();
  ASSERT_TRUE(InitLogging(settings));
  FilePath fallback = temp_.path().Append(L"debug.log");
  EXPECT_EQ(GetLogFilePathForTesting(), fallback.value());
  LOG(INFO) << "fallback";
  EXPECT_TRUE(std::regex_match(ReadAll(fallback), LineRegex("INFO", "fallback")));
}

TEST_F(LoggingWinTest, RetriesOpeningBeforeEachWrite) {
  test::ScopedCurrentDirectory cwd(temp_.path());
  FilePath log = temp_.path().Append(L"locked.log");
  FilePath fallback = temp_.path().Append(L"debug.log");
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  settings.log_file_path = log.value();
  {
    // Both the file and the fallback are held without sharing.
    win::ScopedHandle hold_log = OpenExclusive(log);
    win::ScopedHandle hold_fallback = OpenExclusive(fallback);
    ASSERT_TRUE(hold_log.IsValid());
    ASSERT_TRUE(hold_fallback.IsValid());
    EXPECT_FALSE(InitLogging(settings));
    EXPECT_EQ(GetLogFilePathForTesting(), L"");
    LOG(INFO) << "lost";
  }
  LOG(INFO) << "later";
  EXPECT_EQ(GetLogFilePathForTesting(), log.value());
  EXPECT_TRUE(std::regex_match(ReadAll(log), LineRegex("INFO", "later")));
  EXPECT_EQ(ReadAll(fallback), "");
}

TEST_F(LoggingWinTest, DefaultFileIsDebugLogBesideTheExecutable) {
  FilePath exe_dir;
  ASSERT_TRUE(GetPath(DIR_EXE, &exe_dir));
  FilePath expected = exe_dir.Append(L"debug.log");
  DeleteFile(expected, false);
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_FILE;
  ASSERT_TRUE(InitLogging(settings));
  EXPECT_EQ(GetLogFilePathForTesting(), expected.value());
  LOG(INFO) << "default";
  ResetLoggingForTesting();
  EXPECT_TRUE(std::regex_match(ReadAll(expected), LineRegex("INFO", "default")));
  EXPECT_TRUE(DeleteFile(expected, false));
}

TEST_F(LoggingWinTest, StandardErrorDestination) {
  FilePath capture = temp_.path().Append(L"stderr.txt");
  int saved = ::_dup(2);
  int fd = ::_wopen(capture.value().c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                    _S_IREAD | _S_IWRITE);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::_dup2(fd, 2), 0);
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_STDERR | LOG_TO_SYSTEM_DEBUG_LOG;
  InitLogging(settings);
  LOG(WARNING) << std::string(100000, 'w');
  ::_dup2(saved, 2);
  ::_close(fd);
  ::_close(saved);
  // One long line, written out whole.
  std::string text = ReadAll(capture);
  const std::string tail = "] " + std::string(100000, 'w') + "\n";
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  std::string head = text.substr(0, text.size() - tail.size()) + "] x\n";
  EXPECT_TRUE(std::regex_match(head, LineRegex("WARNING", "x"))) << head;
}

TEST_F(LoggingWinTest, LauncherSetUp) {
  FilePath exe;
  FilePath temp_dir;
  ASSERT_TRUE(GetPath(FILE_EXE, &exe));
  ASSERT_TRUE(GetPath(DIR_TEMP, &temp_dir));
  // This test binary is base_unittests.exe: its log is base_unittests.log.
  FilePath log = temp_dir.Append(exe.BaseName().ReplaceExtension(L"log"));
  EXPECT_EQ(log.BaseName().value(), L"base_unittests.log");
  DeleteFile(log, false);

  // No command line: nothing is written.
  SetupLauncherLogging();
  LOG(ERROR) << "no command line";
  EXPECT_FALSE(PathExists(log));

  // A command line without enable_log: nothing either.
  ASSERT_TRUE(CommandLine::Init(0, nullptr));
  ASSERT_FALSE(CommandLine::ForCurrentProcess()->HasSwitch("enable_log"));
  SetupLauncherLogging();
  LOG(ERROR) << "not enabled";
  EXPECT_FALSE(PathExists(log));

  // With it: the file in the temp directory, appended by a later set-up.
  CommandLine::ForCurrentProcess()->AppendSwitch("enable_log");
  SetupLauncherLogging();
  EXPECT_EQ(GetLogFilePathForTesting(), log.value());
  LOG(INFO) << "run one";
  SetupLauncherLogging();
  LOG(INFO) << "run two";
  ResetLoggingForTesting();
  std::string text = ReadAll(log);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
  EXPECT_NE(text.find("] run one\n"), std::string::npos);
  EXPECT_LT(text.find("] run one\n"), text.find("] run two\n"));
  EXPECT_TRUE(DeleteFile(log, false));
}

TEST_F(LoggingWinTest, VerbositySwitchesComeFromTheCommandLine) {
  ASSERT_TRUE(CommandLine::Init(0, nullptr));
  CommandLine::ForCurrentProcess()->AppendSwitchASCII("vmodule", "logging_win_unittest=2");
  EXPECT_EQ(GetVlogLevel(__FILE__), 0);
  InitLogging(LoggingSettings());
  EXPECT_EQ(GetVlogLevel(__FILE__), 2);
  EXPECT_EQ(GetVlogLevel("other.cc"), 0);
}

using LoggingDeathTest = LoggingWinTest;

TEST_F(LoggingDeathTest, FatalEndsTheProcess) {
  EXPECT_EXIT({ LOG(FATAL) << "fatal"; }, testing::ExitedWithCode(static_cast<int>(kFatalExitCode)),
              "");
}

}  // namespace
}  // namespace logging
}  // namespace corvane
