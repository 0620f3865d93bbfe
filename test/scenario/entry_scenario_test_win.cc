// The program entry seen from outside: the log file that --enable_log asks
// for, and nothing written without it.

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/strings/string_util.h"
#include "test/scenario/scenario_support.h"
#include "test/support/scoped_temp_dir.h"

namespace corvane {
namespace scenario {
namespace {

class EntryScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.IsValid());
    root_ = temp_.path();
    ASSERT_TRUE(CopyFile(FromBuildPath(CORVANE_SCENARIO_LAUNCHER), launcher()));
    const FilePath version_dir = root_.Append(L"1.2.3");
    ASSERT_TRUE(CreateDirectory(version_dir));
    ASSERT_TRUE(CopyFile(FromBuildPath(CORVANE_TEST_CHILD), version_dir.Append(L"scenarioim.exe")));
    ASSERT_TRUE(
        WriteFile(root_.Append(L"launcher_config.json"), std::string("{\"cur_path\":\"1.2.3\"}")));
    FilePath temp;
    ASSERT_TRUE(GetTempDir(&temp));
    log_ = temp.Append(L"corvane_launcher.log");
    ASSERT_TRUE(DeleteFile(log_, false));
  }

  void TearDown() override { DeleteFile(log_, false); }

  FilePath launcher() const { return root_.Append(L"corvane_launcher.exe"); }

  uint32_t Run(const std::wstring& arguments) {
    std::wstring command = L"\"" + launcher().value() + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    const ProgramRun run = RunProgram(command, root_, DialogAction::kFail);
    EXPECT_TRUE(run.finished);
    EXPECT_TRUE(run.dialogs.empty());
    return run.exit_code;
  }

  std::string ReadLog() const {
    std::string text;
    ReadFileToString(log_, &text);
    return text;
  }

  test::ScopedTempDir temp_;
  FilePath root_;
  FilePath log_;
};

TEST_F(EntryScenarioTest, LogFileOnlyWithEnableLogAndAppendedByLaterRuns) {
  EXPECT_EQ(0u, Run(L"--some_switch"));
  EXPECT_FALSE(PathExists(log_)) << "written without --enable_log";

  EXPECT_EQ(0u, Run(L"--enable_log"));
  const std::string first = ReadLog();
  ASSERT_FALSE(first.empty());
  ASSERT_EQ('\n', first.back());

  // "[MMDD/HHMMSS.mmm:SEVERITY:file(line)] text", nothing else on the line.
  const std::regex line_format(
      R"(^\[(0[1-9]|1[0-2])(0[1-9]|[12][0-9]|3[01])/([01][0-9]|2[0-3])[0-5][0-9][0-5][0-9]\.[0-9]{3})"
      R"(:(INFO|WARNING|ERROR):[A-Za-z0-9_]+\.(cc|h)\([1-9][0-9]*\)\] .*$)");
  const std::vector<std::string> lines = SplitString(first.substr(0, first.size() - 1), '\n');
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) {
    EXPECT_TRUE(std::regex_match(line, line_format)) << line;
  }

  EXPECT_EQ(0u, Run(L"--enable_log"));
  const std::string second = ReadLog();
  ASSERT_GT(second.size(), first.size());
  EXPECT_EQ(first, second.substr(0, first.size())) << "the second run did not append";
}

}  // namespace
}  // namespace scenario
}  // namespace corvane
