#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "test/support/scoped_log_capture.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"
#include "base/win/scoped_handle.h"

namespace corvane {
namespace {

class LaunchTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.IsValid());
    ASSERT_TRUE(PathExists(test::TestChildPath())) << test::TestChildPath().AsUTF8Unsafe();
  }
  void TearDown() override {
    SetElevatedLaunchHookForTesting(nullptr);
    SetElevationQueryHookForTesting(nullptr);
  }

  test::ScopedTempDir temp_;
};

TEST_F(LaunchTest, StartsWithArgumentsAndDirectory) {
  FilePath exe = test::InstallTestChild(temp_.path(), L"child app.exe", R"({"exit_code": 7})");
  ASSERT_FALSE(exe.empty());
  FilePath work = temp_.path().Append(L"work dir");
  ASSERT_TRUE(CreateDirectory(work));

  CommandLine cl(exe);
  cl.AppendSwitchPath("path", FilePath(L"C:\\Program Files\\App\\"));
  cl.AppendSwitchNative("Quote", L"say \"hi\"");
  cl.AppendArgNative(L"\u4E2D \u00E9");
  cl.AppendSwitch("flag");
  LaunchOptions options;
  options.current_directory = work;
  options.start_hidden = true;
  options.feedback_cursor_off = true;
  Process process = LaunchProcess(cl, options);
  ASSERT_TRUE(process.IsValid());
  EXPECT_NE(process.Pid(), 0u);
  int exit_code = -1;
  ASSERT_TRUE(process.WaitForExitWithTimeout(INFINITE, &exit_code));
  EXPECT_EQ(exit_code, 7);
  uint32_t code = 0;
  ASSERT_TRUE(process.GetExitCode(&code));
  EXPECT_EQ(code, 7u);

  std::vector<nlohmann::json> records = test::ReadChildRecords(exe);
  ASSERT_EQ(records.size(), 1u);
  const nlohmann::json& record = records[0];
  EXPECT_EQ(record["cwd"], work.AsUTF8Unsafe());
  EXPECT_EQ(record["cmdline"], WideToUTF8(cl.GetCommandLineString()));
  EXPECT_EQ(record["pid"].get<uint32_t>(), process.Pid());
  nlohmann::json expected_argv =
      nlohmann::json::array({exe.AsUTF8Unsafe(), "--path=C:\\Program Files\\App\\",
                             "--quote=say \"hi\"", "--flag", "\xE4\xB8\xAD \xC3\xA9"});
  EXPECT_EQ(record["argv"], expected_argv);
  // Hidden, without the busy cursor.
  uint32_t flags = record["startup_info"]["flags"].get<uint32_t>();
  EXPECT_EQ(flags & (STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK),
            static_cast<uint32_t>(STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK));
  EXPECT_EQ(record["startup_info"]["show_window"].get<int>(), SW_HIDE);
}

TEST_F(LaunchTest, WaitOptionBlocksUntilTheEnd) {
  FilePath exe =
      test::InstallTestChild(temp_.path(), L"waited.exe", R"({"delay_ms": 300, "exit_code": 3})");
  LaunchOptions options;
  options.wait = true;
  Process process = LaunchProcess(CommandLine(exe), options);
  ASSERT_TRUE(process.IsValid());
  // Already ended when LaunchProcess returned.
  int exit_code = -1;
  EXPECT_TRUE(process.WaitForExitWithTimeout(0, &exit_code));
  EXPECT_EQ(exit_code, 3);
  // The inherited directory when none is given.
  std::vector<nlohmann::json> records = test::ReadChildRecords(exe);
  ASSERT_EQ(records.size(), 1u);
  wchar_t cwd[MAX_PATH];
  DWORD length = ::GetCurrentDirectoryW(MAX_PATH, cwd);
  EXPECT_EQ(records[0]["cwd"], WideToUTF8(std::wstring(cwd, length)));
  // By default shown normally, and the cursor feedback is left alone.
  uint32_t flags = records[0]["startup_info"]["flags"].get<uint32_t>();
  EXPECT_EQ(flags & (STARTF_USESHOWWINDOW | STARTF_FORCEOFFFEEDBACK),
            static_cast<uint32_t>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(records[0]["startup_info"]["show_window"].get<int>(), SW_SHOWNORMAL);
}

// The child's runs[] entries are handed out by start order; children started
// together must still each take a different one.
TEST_F(LaunchTest, ChildrenStartedTogetherTakeDistinctRuns) {
  constexpr int kChildren = 6;
  nlohmann::json control;
  for (int i = 0; i < kChildren; ++i) control["runs"].push_back({{"exit_code", 20 + i}});
  FilePath exe = test::InstallTestChild(temp_.path(), L"crowd.exe", control.dump());
  ASSERT_FALSE(exe.empty());
  std::vector<Process> children;
  for (int i = 0; i < kChildren; ++i) {
    children.push_back(LaunchProcess(CommandLine(exe), LaunchOptions()));
    ASSERT_TRUE(children.back().IsValid());
  }
  std::vector<int> codes;
  for (Process& child : children) {
    int code = -1;
    ASSERT_TRUE(child.WaitForExitWithTimeout(30000, &code));
    codes.push_back(code);
  }
  std::vector<int> runs;
  for (const nlohmann::json& record : test::ReadChildRecords(exe))
    runs.push_back(record["run"].get<int>());
  std::sort(codes.begin(), codes.end());
  std::sort(runs.begin(), runs.end());
  std::vector<int> expected_codes;
  std::vector<int> expected_runs;
  for (int i = 0; i < kChildren; ++i) {
    expected_codes.push_back(20 + i);
    expected_runs.push_back(i);
  }
  EXPECT_EQ(expected_codes, codes);
  EXPECT_EQ(expected_runs, runs);
}

TEST_F(LaunchTest, MissingProgramGivesAnInvalidProcess) {
  CommandLine cl(temp_.path().Append(L"nothing_here.exe"));
  Process process = LaunchProcess(cl, LaunchOptions());
  EXPECT_FALSE(process.IsValid());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(process.Pid(), 0u);
  EXPECT_FALSE(process.WaitForExitWithTimeout(0, nullptr));
  EXPECT_FALSE(process.Terminate(1, false));
}

TEST_F(LaunchTest, TerminateARunningProcess) {
  std::wstring event_name = L"corvane_launch_test_" + std::to_wstring(::GetCurrentProcessId());
  win::ScopedHandle started(::CreateEventW(nullptr, TRUE, FALSE, event_name.c_str()));
  ASSERT_TRUE(started.IsValid());
  FilePath exe = test::InstallTestChild(
      temp_.path(), L"long.exe",
      R"({"delay_ms": 600000, "signal_event": ")" + WideToUTF8(event_name) + R"("})");
  Time before = Time::Now();
  Process process = LaunchProcess(CommandLine(exe), LaunchOptions());
  ASSERT_TRUE(process.IsValid());
  ASSERT_EQ(::WaitForSingleObject(started.Get(), INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(process.IsRunning());
  EXPECT_FALSE(process.WaitForExitWithTimeout(0, nullptr));
  uint32_t code = 0;
  ASSERT_TRUE(process.GetExitCode(&code));
  EXPECT_EQ(code, static_cast<uint32_t>(STILL_ACTIVE));
  Time created = process.CreationTime();
  EXPECT_FALSE(created.is_null());
  // Coarse clocks: allow for the tick granularity.
  EXPECT_GE(created.ToInternalValue(), before.ToInternalValue() - 100000);

  EXPECT_TRUE(process.Terminate(42, true));
  EXPECT_FALSE(process.IsRunning());
  ASSERT_TRUE(process.GetExitCode(&code));
  EXPECT_EQ(code, 42u);
  // Terminating again: already gone counts as done.
  EXPECT_TRUE(process.Terminate(43, true));
  ASSERT_TRUE(process.GetExitCode(&code));
  EXPECT_EQ(code, 42u);
}

TEST_F(LaunchTest, ProcessOwnsAndReleasesItsHandle) {
  Process current = Process::Current();
  ASSERT_TRUE(current.IsValid());
  EXPECT_EQ(current.Pid(), ::GetCurrentProcessId());
  HANDLE raw = current.Release();
  EXPECT_FALSE(current.IsValid());
  DWORD flags = 0;
  EXPECT_TRUE(::GetHandleInformation(raw, &flags));
  {
    Process owner(raw);
    EXPECT_TRUE(owner.IsValid());
  }
  // Closed by the owner's destructor.
  EXPECT_FALSE(::GetHandleInformation(raw, &flags));
  Process moved = Process::Open(::GetCurrentProcessId());
  ASSERT_TRUE(moved.IsValid());
  Process target = std::move(moved);
  EXPECT_FALSE(moved.IsValid());
  EXPECT_TRUE(target.IsValid());
}

// Wine raises no elevation prompt (every process is an administrator), so a
// user declining it can only be simulated through the seam.
TEST_F(LaunchTest, DeclinedElevationGivesAnInvalidProcess) {
  std::wstring seen_file;
  std::wstring seen_parameters;
  int seen_show = -1;
  SetElevatedLaunchHookForTesting(
      [&](const std::wstring& file, const std::wstring& parameters, int show) -> HANDLE {
        seen_file = file;
        seen_parameters = parameters;
        seen_show = show;
        ::SetLastError(ERROR_CANCELLED);
        return nullptr;
      });
  CommandLine cl(FilePath(L"C:\\Program Files\\App\\repair.exe"));
  cl.AppendSwitchPath("dir", FilePath(L"C:\\x y\\"));
  LaunchOptions options;
  options.elevated = true;
  options.start_hidden = true;
  options.current_directory = temp_.path();
  Process process = LaunchProcess(cl, options);
  EXPECT_FALSE(process.IsValid());
  EXPECT_EQ(::GetLastError(), 1223u);
  EXPECT_EQ(seen_file, L"C:\\Program Files\\App\\repair.exe");
  EXPECT_EQ(seen_parameters, L"--dir=\"C:\\x y\\\\\"");
  EXPECT_EQ(seen_show, SW_HIDE);
}

TEST_F(LaunchTest, AcceptedElevationWaitsWhenAsked) {
  FilePath exe =
      test::InstallTestChild(temp_.path(), L"elevated.exe", R"({"delay_ms": 200, "exit_code": 5})");
  int calls = 0;
  SetElevatedLaunchHookForTesting(
      [&](const std::wstring& file, const std::wstring& parameters, int show) -> HANDLE {
        ++calls;
        EXPECT_EQ(show, SW_SHOWNORMAL);
        return LaunchProcess(CommandLine::FromString(L"\"" + file + L"\" " + parameters),
                             LaunchOptions())
            .Release();
      });
  CommandLine cl(exe);
  cl.AppendSwitchASCII("k", "v");
  LaunchOptions options;
  options.elevated = true;
  options.wait = true;
  Process process = LaunchProcess(cl, options);
  ASSERT_TRUE(process.IsValid());
  EXPECT_EQ(calls, 1);
  int exit_code = -1;
  EXPECT_TRUE(process.WaitForExitWithTimeout(0, &exit_code));
  EXPECT_EQ(exit_code, 5);
  std::vector<nlohmann::json> records = test::ReadChildRecords(exe);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["argv"][1], "--k=v");
}

TEST_F(LaunchTest, ElevatedStartThroughTheShell) {
  // The real shell path; Wine answers "runas" without a prompt.
  FilePath exe = test::InstallTestChild(temp_.path(), L"shell.exe", R"({"exit_code": 9})");
  FilePath work = temp_.path().Append(L"ignored");
  ASSERT_TRUE(CreateDirectory(work));
  CommandLine cl(exe);
  cl.AppendSwitchPath("p", FilePath(L"C:\\a b\\"));
  LaunchOptions options;
  options.elevated = true;
  options.wait = true;
  options.current_directory = work;
  Process process = LaunchProcess(cl, options);
  ASSERT_TRUE(process.IsValid()) << ::GetLastError();
  int exit_code = -1;
  EXPECT_TRUE(process.WaitForExitWithTimeout(0, &exit_code));
  EXPECT_EQ(exit_code, 9);
  std::vector<nlohmann::json> records = test::ReadChildRecords(exe);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["argv"][1], "--p=C:\\a b\\");
  // The directory option is not applied on this path.
  EXPECT_NE(records[0]["cwd"], work.AsUTF8Unsafe());
}

// The token answer is simulated: under Wine every process is elevated and
// its token can always be opened.
TEST_F(LaunchTest, ElevationQuery) {
  SetElevationQueryHookForTesting([](bool* elevated) {
    *elevated = false;
    return true;
  });
  EXPECT_FALSE(IsCurrentProcessElevated());
  SetElevationQueryHookForTesting([](bool* elevated) {
    *elevated = true;
    return true;
  });
  EXPECT_TRUE(IsCurrentProcessElevated());

  {
    test::ScopedLogCapture log;
    SetElevationQueryHookForTesting([](bool* elevated) {
      *elevated = true;
      ::SetLastError(ERROR_ACCESS_DENIED);
      return false;
    });
    EXPECT_FALSE(IsCurrentProcessElevated());
    // A code the system has no text for.
    SetElevationQueryHookForTesting([](bool*) {
      ::SetLastError(0x2000FFFF);
      return false;
    });
    EXPECT_FALSE(IsCurrentProcessElevated());
    const std::vector<std::string> lines = log.Texts(logging::LOGGING_ERROR);
    ASSERT_EQ(lines.size(), 2u);
    const std::string prefix = "AccessToken::FromCurrentProcess() failed: ";
    const std::string denied_end = " (0x5)";
    EXPECT_EQ(0u, lines[0].find(prefix)) << lines[0];
    ASSERT_GT(lines[0].size(), prefix.size() + denied_end.size()) << lines[0];
    // The system's text stands between the prefix and the code.
    EXPECT_EQ(lines[0].size() - denied_end.size(), lines[0].rfind(denied_end)) << lines[0];
    EXPECT_EQ(0u, lines[1].find(prefix + "Error (0x")) << lines[1];
    const std::string unknown_end = ") while retrieving error. (0x2000FFFF)";
    ASSERT_GT(lines[1].size(), unknown_end.size());
    EXPECT_EQ(lines[1].size() - unknown_end.size(), lines[1].rfind(unknown_end)) << lines[1];
  }

  // Without the seam the real token is read; it opens under any system.
  SetElevationQueryHookForTesting(nullptr);
  test::ScopedLogCapture log;
  IsCurrentProcessElevated();
  EXPECT_TRUE(log.lines().empty());
}

}  // namespace
}  // namespace corvane
