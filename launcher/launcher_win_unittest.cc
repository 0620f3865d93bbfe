#include "launcher/launcher.h"

#include <windows.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "launcher/launch_result.h"
#include "launcher/launcher_constants.h"
#include "test/support/fake_loader_error_box.h"
#include "test/support/scoped_launch_result.h"
#include "test/support/scoped_log_capture.h"
#include "test/support/scoped_product_constants.h"
#include "test/support/scoped_starting_speed_data.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"

namespace corvane {
namespace {

constexpr wchar_t kBoxExe[] = L"unit\u5ba2\u6237\u7aef.exe";

using test::ScopedLaunchResult;
using test::ScopedLogCapture;
using ScopedConstants = test::ScopedProductConstants;

class TestBaseLauncher : public BaseLauncher {
 public:
  int Run() override { return 0; }
  bool RunLauncherApi(int*) override { return false; }
  using BaseLauncher::ParseSwitchesFrom;
  LauncherConfig& mutable_config() { return config_; }
  bool auto_run() const { return cmd_auto_run; }
  bool custom_launch() const { return cmd_custom_launch; }
  bool update_relaunch() const { return update_relaunch_; }
  bool app_running() const { return app_running_; }

 private:
  // What its steps write to the process's record goes back with it.
  test::ScopedLaunchResult result_;
};

// Answers the installer and client questions from the test and counts them.
class ScriptedLauncher : public TestBaseLauncher {
 public:
  bool CheckInstallerRunning() override {
    ++installer_asked;
    return installer_running;
  }
  bool IsAppRunning() override {
    ++app_asked;
    return client_running;
  }
  bool installer_running = false;
  bool client_running = false;
  int installer_asked = 0;
  int app_asked = 0;
};

// What its steps write to the process's records goes back with it.
class TestLauncher : public Launcher {
 public:
  using BaseLauncher::ParseSwitchesFrom;
  LauncherConfig& mutable_config() { return config_; }

 private:
  test::ScopedLaunchResult result_;
  test::ScopedStartingSpeedData speed_;
};

TEST(LauncherTest, InstanceLockKeepsASecondLauncherOut) {
  const std::wstring short_name = L"unitlock" + std::to_wstring(GetCurrentProcessId());
  ScopedConstants constants({{201, short_name}});
  EXPECT_EQ(L"{b45ca6b9-280d-4ef4-afb8-e6355e8a13f3}-" + short_name,
            InstanceLockName(product_short_name()));
  Launcher second;
  {
    Launcher first;
    ASSERT_TRUE(first.AcquireInstanceLock());
    EXPECT_FALSE(second.AcquireInstanceLock());
    // A failed attempt leaves nothing open that would keep the name alive.
  }
  EXPECT_TRUE(second.AcquireInstanceLock());
}

TEST(LauncherTest, RunEndsWithTwoWhileAnotherLauncherHoldsTheLock) {
  const std::wstring short_name = L"unitheld" + std::to_wstring(GetCurrentProcessId());
  ScopedConstants constants({{201, short_name}});
  HANDLE other = CreateMutexW(nullptr, FALSE, InstanceLockName(short_name).c_str());
  ASSERT_NE(nullptr, other);
  ScopedLogCapture log;
  ScopedLaunchResult result;

  Launcher launcher;
  EXPECT_EQ(kExitInstanceLockHeld, launcher.Run());
  CloseHandle(other);

  EXPECT_EQ(1, log.Count("Launcher is running!"));
  // No report: sending one fills in the binary-update version.
  EXPECT_EQ("", result->cur_bin_update_version);
}

struct ClientCommandCase {
  std::vector<std::wstring> launcher_argv;  // empty: no process command line
  bool update_launch;
  bool app_running;
  std::wstring expected;
};

TEST(LauncherTest, ClientCommandLineKeepsSwitchesAheadAndAddsMarkers) {
  const ClientCommandCase cases[] = {
      {{}, false, false, L"\"C:\\v\\app.exe\""},
      {{}, true, true, L"\"C:\\v\\app.exe\" --update_launch --app_running"},
      {{L"C:\\l\\corvane_launcher.exe", L"--foo=1", L"bar", L"--Zed=x y"},
       false,
       true,
       L"\"C:\\v\\app.exe\" --foo=1 --zed=\"x y\" --app_running bar"},
      {{L"C:\\l\\corvane_launcher.exe", L"loose", L"/autorun"},
       true,
       false,
       L"\"C:\\v\\app.exe\" /autorun --update_launch loose"},
  };
  for (const ClientCommandCase& c : cases) {
    SCOPED_TRACE(WideToUTF8(c.expected));
    const CommandLine launcher_command_line(c.launcher_argv);
    const CommandLine client = Launcher::BuildClientCommandLine(
        FilePath(L"C:\\v\\app.exe"), c.launcher_argv.empty() ? nullptr : &launcher_command_line,
        c.update_launch, c.app_running);
    EXPECT_EQ(c.expected, client.GetCommandLineString());
  }
}

struct SwitchCase {
  std::vector<std::wstring> argv;
  bool auto_run;
  bool custom;
  bool relaunch;
};

TEST(BaseLauncherTest, LaunchModesFromTheArgumentsText) {
  ScopedConstants constants({{208, L"autorun"}, {209, L"custom_go"}});
  const SwitchCase cases[] = {
      {{L"C:\\autorun\\corvane_launcher.exe"}, false, false, false},
      {{L"l.exe", L"--autorun"}, true, false, false},
      {{L"l.exe", L"--AUTORUN"}, true, false, false},
      {{L"l.exe", L"/autorun"}, true, false, false},
      {{L"l.exe", L"--from=autorun"}, true, false, false},
      {{L"l.exe", L"notautorunning"}, true, false, false},
      {{L"l.exe", L"--Autorun_not"}, true, false, false},
      {{L"l.exe", L"AutoRun"}, false, false, false},
      {{L"l.exe", L"--custom_go", L"--update_relaunch"}, false, true, true},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(WideToUTF8(c.argv.back()));
    ScopedLaunchResult result;
    TestBaseLauncher launcher;
    const CommandLine command_line(c.argv);
    launcher.ParseSwitchesFrom(&command_line);
    EXPECT_EQ(c.auto_run, launcher.auto_run());
    EXPECT_EQ(c.custom, launcher.custom_launch());
    EXPECT_EQ(c.relaunch, launcher.update_relaunch());
    EXPECT_EQ(c.auto_run, result->is_auto_run);
    EXPECT_EQ(c.relaunch, result->update_relaunch);
  }
}

TEST(BaseLauncherTest, EmptyCustomMarkerNeverMatches) {
  ScopedConstants constants({{208, L"autorun"}});
  TestBaseLauncher launcher;
  const CommandLine command_line(std::vector<std::wstring>{L"l.exe", L"--custom", L"x"});
  launcher.ParseSwitchesFrom(&command_line);
  EXPECT_FALSE(launcher.custom_launch());
}

TEST(BaseLauncherTest, NoCommandLineLeavesFlagsAndRecord) {
  ScopedConstants constants({{208, L"autorun"}});
  TestBaseLauncher launcher;  // its restorer gives the test a fresh record
  GetLaunchResult().is_auto_run = true;
  launcher.ParseSwitchesFrom(nullptr);
  EXPECT_FALSE(launcher.auto_run());
  EXPECT_TRUE(GetLaunchResult().is_auto_run);
}

struct RunUpdateCase {
  const char* name;
  bool need_update;
  const wchar_t* new_path;
  bool relaunch;
  bool installer;
  bool client;
  bool expected;
  int installer_asked;
  int app_asked;
  const char* log_text;
};

TEST(BaseLauncherTest, RunUpdateDecision) {
  const RunUpdateCase cases[] = {
      {"no update", false, L"2.0", false, false, false, false, 0, 0, "update info is not enable."},
      {"same path", true, L"1.0", false, false, false, false, 0, 0, "update info is not enable."},
      {"relaunch", true, L"2.0", true, true, true, true, 0, 0, "update relaunch."},
      {"installer", true, L"2.0", false, true, false, false, 1, 0, ",runnig_check:0"},
      {"client", true, L"2.0", false, false, true, false, 1, 1, ",runnig_check:0"},
      {"free", true, L"2.0", false, false, false, true, 1, 1,
       "RunUpdate update_info_enable:1,update_relaunch_:0,runnig_check:1"},
  };
  for (const RunUpdateCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedLogCapture log;
    ScriptedLauncher launcher;
    launcher.mutable_config().cur_path = L"1.0";
    launcher.mutable_config().new_path = c.new_path;
    launcher.mutable_config().need_update = c.need_update;
    if (c.relaunch) {
      const CommandLine command_line(std::vector<std::wstring>{L"l.exe", L"--update_relaunch"});
      launcher.ParseSwitchesFrom(&command_line);
    }
    launcher.installer_running = c.installer;
    launcher.client_running = c.client;
    EXPECT_EQ(c.expected, launcher.RunUpdate());
    EXPECT_EQ(c.installer_asked, launcher.installer_asked);
    EXPECT_EQ(c.app_asked, launcher.app_asked);
    EXPECT_EQ(1, log.Count(c.log_text));
  }
}

TEST(BaseLauncherTest, IsAppRunningSearchesOncePerLauncher) {
  wchar_t own[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  const std::wstring own_name = FilePath(own).BaseName().value();
  {
    ScopedConstants constants({{201, L"no_such_client_xyz"}});
    ScopedLogCapture log;
    TestBaseLauncher launcher;
    launcher.mutable_config().app_name = L"no_such_client_xyz";
    EXPECT_FALSE(launcher.IsAppRunning());
    EXPECT_FALSE(launcher.IsAppRunning());
    EXPECT_EQ(1, log.Count("Check process by name, result is: 0"));
    EXPECT_FALSE(launcher.app_running());
  }
  {
    // This test program itself stands for the running client.
    ScopedConstants constants({{207, L"[\"" + own_name + L"\"]"}, {201, L"x"}});
    TestBaseLauncher launcher;
    launcher.mutable_config().app_name = L"x";
    EXPECT_TRUE(launcher.IsAppRunning());
    EXPECT_TRUE(launcher.app_running());
  }
}

TEST(BaseLauncherTest, EmptySingleInstanceListFindsNothing) {
  ScopedConstants constants({{201, L"velmoraim"}});
  ScopedLogCapture log;
  TestBaseLauncher launcher;
  launcher.mutable_config().app_name = L"velmoraim";
  EXPECT_FALSE(launcher.IsSingleInstanceAppRunning());
  EXPECT_EQ(1, log.Count("contain app name: 0"));
  EXPECT_EQ(1, log.Count("Check process by name, result is: 0"));
}

// The message-only window a running client keeps for its user-data
// directory under the roaming application data.
class SingleInstanceWindow {
 public:
  explicit SingleInstanceWindow(const std::wstring& app_name) {
    wchar_t roaming[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming)))
      return;
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"Chrome_MessageWindow";
    if (!RegisterClassExW(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
    const std::wstring title = std::wstring(roaming) + L"\\" + app_name;
    window_ = CreateWindowExW(0, window_class.lpszClassName, title.c_str(), 0, 0, 0, 0, 0,
                              HWND_MESSAGE, nullptr, window_class.hInstance, nullptr);
  }
  ~SingleInstanceWindow() {
    if (window_) DestroyWindow(window_);
  }
  bool valid() const { return window_ != nullptr; }

 private:
  HWND window_ = nullptr;
};

TEST(BaseLauncherTest, SingleInstanceWindowMeansTheClientRuns) {
  const std::wstring app_name = L"unitwindow" + std::to_wstring(GetCurrentProcessId());
  SingleInstanceWindow window(app_name);
  ASSERT_TRUE(window.valid());
  {
    ScopedConstants constants({{201, app_name}, {217, L"[\"" + app_name + L".exe\"]"}});
    ScopedLogCapture log;
    TestBaseLauncher launcher;
    launcher.mutable_config().app_name = app_name;
    EXPECT_TRUE(launcher.IsAppRunning());
    EXPECT_TRUE(launcher.app_running());
    EXPECT_TRUE(launcher.IsSingleInstanceAppRunning());
    EXPECT_EQ(1, log.Count("contain app name: 1"));
    EXPECT_EQ(2, log.Count("Find Single Instance Lock Window, app is running."));
    // The window answers both; no process search follows.
    EXPECT_EQ(0, log.Count("Check process by name"));
  }
  {
    // Not listed as a single-instance program: its window is not looked for.
    ScopedConstants constants({{201, app_name}});
    ScopedLogCapture log;
    TestBaseLauncher launcher;
    launcher.mutable_config().app_name = app_name;
    EXPECT_FALSE(launcher.IsSingleInstanceAppRunning());
    EXPECT_EQ(1, log.Count("contain app name: 0"));
    EXPECT_EQ(0, log.Count("Find Single Instance Lock Window"));
  }
}

TEST(LauncherTest, CrashExitCodesAgainstChosenOnes) {
  // What Windows leaves for a process that crashed: access violation, heap
  // corruption, stack overflow, fast-fail, illegal instruction, the loader's
  // three, an uncaught C++ exception, an uncaught breakpoint.
  for (uint32_t code : {0xC0000005u, 0xC0000374u, 0xC00000FDu, 0xC0000409u, 0xC000001Du,
                        0xC0000135u, 0xC0000139u, 0xC0000142u, 0xE06D7363u, 0x80000003u}) {
    EXPECT_TRUE(IsCrashExitCode(code)) << std::hex << code;
  }
  // What a program can pass to exit(): -1, -2 and their like, small codes
  // (3: the MinGW runtime's abort).
  for (uint32_t code : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xF0000000u, 0xBFFFFFFFu, 0u, 1u, 3u, 259u}) {
    EXPECT_FALSE(IsCrashExitCode(code)) << std::hex << code;
  }
}

TEST(LauncherTest, CheckLaunchResult) {
  ScopedConstants constants({{201, L"unitcheck"}, {207, std::wstring(L"[\"") + kBoxExe + L"\"]"}});
  TestLauncher launcher;
  std::string message = "kept";
  EXPECT_TRUE(launcher.CheckLaunchResult(0xC000007B, &message));
  EXPECT_TRUE(launcher.CheckLaunchResult(0xC0000135, &message));
  EXPECT_EQ("kept", message);
  EXPECT_FALSE(launcher.CheckLaunchResult(0, &message));
  EXPECT_EQ("", message);
  // A crash is a failed start; a chosen exit code, however odd, is not.
  {
    ScopedLaunchResult result;
    EXPECT_TRUE(launcher.CheckLaunchResult(0xC0000005, &message));
    EXPECT_TRUE(launcher.CheckLaunchResult(0xC0000409, &message));
    EXPECT_FALSE(launcher.CheckLaunchResult(0xBFFFFFFF, &message));
    EXPECT_EQ("[client exit code:0xC0000005][client exit code:0xC0000409]", result->extra_info);
  }

  test::FakeLoaderErrorBox box(std::wstring(kBoxExe) + L" - \u7cfb\u7edf\u9519\u8bef",
                               L"Missing: tavrin.dll (code 7)");
  ASSERT_TRUE(box.valid());
  EXPECT_TRUE(launcher.CheckLaunchResult(1, &message));
  EXPECT_EQ("[" + WideToUTF8(kBoxExe) + ":Missing:tavrin.dllcode7]", message);
}

TEST(LauncherTest, DeclinedElevationRecordsCancelAndShowsNoDialog) {
  // The elevation prompt cannot be declined under Wine; the seam answers as
  // the shell does when the user says no.
  ScopedConstants constants({{201, L"unitelev"}, {205, L"1"}, {211, L"0"}});
  test::ScopedTempDir dir;
  ASSERT_TRUE(WriteFile(dir.path().Append(L"client.exe"), std::string("MZ")));
  std::wstring seen_file;
  SetElevatedLaunchHookForTesting(
      [&seen_file](const std::wstring& file, const std::wstring&, int) -> HANDLE {
        seen_file = file;
        SetLastError(ERROR_CANCELLED);
        return nullptr;
      });
  TestLauncher launcher;
  launcher.mutable_config().app_name = L"client";
  ScopedLaunchResult result;
  ScopedLogCapture log;

  EXPECT_FALSE(launcher.LaunchApp(dir.path(), false));
  SetElevatedLaunchHookForTesting(nullptr);

  EXPECT_EQ(1, log.Count("cancel launch app by user."));

  EXPECT_EQ(dir.path().Append(L"client.exe").value(), seen_file);
  EXPECT_EQ(std::vector<int32_t>{kErrorLaunchCancelledByUser}, result->error_codes);
  EXPECT_EQ(std::vector<uint32_t>{1223u}, result->win_error_codes);
  EXPECT_EQ(kUserChoiceNone, result->user_btn_choice);
}

TEST(LauncherTest, MissingExecutableWithoutDialogRecordsBothCodesInOrder) {
  ScopedConstants constants({{201, L"unitmiss"}, {208, L"autorun"}, {211, L"1"}});
  test::ScopedTempDir dir;
  struct Case {
    const char* name;
    bool autorun;
    bool update_launch;
  };
  // Neither an autorun launch nor a launch after a version switch shows the
  // dialog, so these runs return without anyone answering it.
  const Case cases[] = {{"autorun", true, false}, {"update launch", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedLaunchResult result;
    TestLauncher launcher;
    launcher.mutable_config().app_name = L"absent";
    if (c.autorun) {
      const CommandLine command_line(std::vector<std::wstring>{L"l.exe", L"--autorun"});
      launcher.ParseSwitchesFrom(&command_line);
    }
    EXPECT_FALSE(launcher.LaunchApp(dir.path(), c.update_launch));
    EXPECT_EQ((std::vector<int32_t>{kErrorLaunchAppFailed, kErrorMainExeNotExist}),
              result->error_codes);
    ASSERT_FALSE(result->win_error_codes.empty());
    EXPECT_NE(0u, result->win_error_codes.back());
    EXPECT_EQ(kUserChoiceNone, result->user_btn_choice);
  }
}

TEST(LauncherTest, LaunchCheckAlsoRunsWhenTheStartFailed) {
  ScopedConstants constants(
      {{201, L"unitfailcheck"}, {211, L"1"}, {207, std::wstring(L"[\"") + kBoxExe + L"\"]"}});
  test::ScopedTempDir dir;
  // A system error box that is up while the start fails still explains it.
  test::FakeLoaderErrorBox box(std::wstring(kBoxExe) + L" - \u7cfb\u7edf\u9519\u8bef",
                               L"Missing: tavrin.dll");
  ASSERT_TRUE(box.valid());
  ScopedLogCapture log;
  TestLauncher launcher;
  launcher.mutable_config().app_name = L"absent";
  ScopedLaunchResult result;

  // An update launch: no dialog to answer.
  EXPECT_FALSE(launcher.LaunchApp(dir.path(), true));

  EXPECT_EQ(1, log.Count("enable check launch result."));
  EXPECT_EQ("[" + WideToUTF8(kBoxExe) + ":Missing:tavrin.dll]", result->sys_error);
}

int StartsOf(const FilePath& exe) { return static_cast<int>(test::ReadChildRecords(exe).size()); }

struct LaunchModeCase {
  const char* name;
  const wchar_t* argument;
  const wchar_t* custom_exe;
  bool starts_custom;
  bool custom_logged;
  bool no_animation_logged;
};

TEST(LauncherTest, CustomAndAutorunLaunchesPickTheExecutableAndSkipTheAnimation) {
  const LaunchModeCase cases[] = {
      {"custom marker without custom exe", L"--custom_go", L"", false, false, false},
      {"custom launch", L"--custom_go", L"custom.exe", true, true, true},
      {"autorun", L"--autorun", L"custom.exe", false, false, true},
      {"plain", L"--other", L"custom.exe", false, false, false},
  };
  for (const LaunchModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    // The check waits for the child's end, so its record is there on return.
    ScopedConstants constants({{201, L"unitmode"},
                               {205, L"0"},
                               {208, L"autorun"},
                               {209, L"custom_go"},
                               {210, c.custom_exe},
                               {211, L"1"},
                               {216, L"1"}});
    test::ScopedTempDir dir;
    const FilePath main_exe = dir.path().Append(L"client.exe");
    const FilePath custom_exe = dir.path().Append(L"custom.exe");
    ASSERT_TRUE(test::PlaceTestChild(main_exe, "{}"));
    ASSERT_TRUE(test::PlaceTestChild(custom_exe, "{}"));
    ScopedLogCapture log;
    ScopedLaunchResult result;
    TestLauncher launcher;
    launcher.mutable_config().app_name = L"client";
    const CommandLine command_line(std::vector<std::wstring>{L"l.exe", c.argument});
    launcher.ParseSwitchesFrom(&command_line);

    EXPECT_TRUE(launcher.LaunchApp(dir.path(), false));

    EXPECT_EQ(c.starts_custom ? 0 : 1, StartsOf(main_exe));
    EXPECT_EQ(c.starts_custom ? 1 : 0, StartsOf(custom_exe));
    EXPECT_EQ(c.custom_logged ? 1 : 0, log.Count("run custom launch."));
    EXPECT_EQ(c.no_animation_logged ? 1 : 0, log.Count("app is running,don't show animation."));
  }
}

TEST(LauncherTest, ClientStillRunningAfterTheCheckCountsAsStarted) {
  ScopedConstants constants({{201, L"unitalive"}, {205, L"0"}, {211, L"1"}});
  test::ScopedTempDir dir;
  const FilePath exe = dir.path().Append(L"client.exe");
  ASSERT_TRUE(test::PlaceTestChild(exe, "{}"));
  // Outlives the 3 s wait of the check.
  ASSERT_TRUE(WriteFile(exe.ReplaceExtension(L".control.json"), "{\"delay_ms\":4000}"));
  ScopedLogCapture log;
  TestLauncher launcher;
  launcher.mutable_config().app_name = L"client";
  ScopedLaunchResult result;

  EXPECT_TRUE(launcher.LaunchApp(dir.path(), false));

  EXPECT_EQ(1, log.Count("enable check launch result."));
  EXPECT_EQ(std::vector<int32_t>{}, result->error_codes);
  EXPECT_EQ(std::vector<uint32_t>{}, result->win_error_codes);
  // Let the child end before its directory goes.
  std::string record;
  ASSERT_TRUE(ReadFileToString(exe.ReplaceExtension(L".record.jsonl"), &record));
  const nlohmann::json start = nlohmann::json::parse(record.substr(0, record.find('\n')));
  HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, start.at("pid").get<DWORD>());
  ASSERT_NE(nullptr, child);
  WaitForSingleObject(child, 30000);
  CloseHandle(child);
}

}  // namespace
}  // namespace corvane
