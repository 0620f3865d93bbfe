// The real launcher program in temporary install trees: the test child plays
// the client, the loopback collector plays the report service. Each case
// checks the exit code, what the client was started with, and the exact
// report bodies the collector received.

#include <memory>

#include "base/win/scoped_handle.h"
#include "test/scenario/launcher_scenario_fixture.h"

namespace corvane {
namespace scenario {
namespace {

TEST_F(LauncherScenarioTest, ForwardsSwitchesAndReportsTheLaunch) {
  WriteConfig({{"cur_path", version_}});
  const FilePath client = InstallChild(CurDir(), kClientExe);
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"--foo=1 bar --Zed=2 /x baz", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_TRUE(run.dialogs.empty());
  const std::vector<nlohmann::json> starts = test::ReadChildRecords(client);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ((std::vector<std::string>{"--foo=1", "--zed=2", "/x", "bar", "baz"}),
            ArgsAfterProgram(starts[0]));
  std::string cwd = starts[0]["cwd"].get<std::string>();
  while (!cwd.empty() && cwd.back() == '\\') cwd.pop_back();
  EXPECT_TRUE(EqualsCaseInsensitiveASCII(CurDir().AsUTF8Unsafe(), cwd)) << cwd;
  ExpectLaunchReports(mark, version_, BaseParams(version_));
}

TEST_F(LauncherScenarioTest, RunningClientGetsAppRunningAndNoUpdateRuns) {
  RunningClient running(root_.Append(L"elsewhere"));
  ASSERT_TRUE(running.running());
  WriteConfig({{"cur_path", version_}, {"need_update", true}, {"new_path", "10.0.0"}});
  const FilePath client = InstallChild(CurDir(), kClientExe);
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"--from=shortcut loose", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  const std::vector<nlohmann::json> starts = test::ReadChildRecords(client);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ((std::vector<std::string>{"--from=shortcut", "--app_running", "loose"}),
            ArgsAfterProgram(starts[0]));
  nlohmann::json params = BaseParams(version_);
  params["need_update"] = 1;
  params["new_app_version"] = "10.0.0";
  ExpectLaunchReports(mark, version_, params);
}

TEST_F(LauncherScenarioTest, LockHeldOrRefusedEndsWithTwoAndNoReport) {
  enum class Holder { kLauncher, kElevatedLauncher, kEventOfTheName };
  const struct {
    const char* name;
    Holder holder;
  } kCases[] = {
      {"held", Holder::kLauncher},
      // Its DACL refuses us: what an elevated launcher's lock looks like.
      {"refused", Holder::kElevatedLauncher},
      {"name taken by an event", Holder::kEventOfTheName},
  };
  WriteConfig({{"cur_path", version_}});
  const FilePath client = InstallChild(CurDir(), kClientExe);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<HeldMutex> lock;
    win::ScopedHandle event;
    if (c.holder == Holder::kEventOfTheName) {
      event.Set(CreateEventW(nullptr, TRUE, FALSE, kInstanceLock.c_str()));
      ASSERT_TRUE(event.IsValid());
    } else {
      lock = std::make_unique<HeldMutex>(kInstanceLock, c.holder == Holder::kElevatedLauncher);
      ASSERT_TRUE(lock->valid());
    }
    const int64_t mark = CollectorMark();

    const ProgramRun run = RunLauncher(L"", DialogAction::kFail);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(2u, run.exit_code);
    EXPECT_TRUE(run.dialogs.empty());
    EXPECT_TRUE(test::ReadChildRecords(client).empty());
    EXPECT_TRUE(ReportsSince(mark, version_).empty());
  }
}

struct ConfigCase {
  const char* name;
  // nullptr: no configuration file at all.
  const char* text;
  int code;
  // Whether the current version survives into the report.
  bool reports_version;
  // Held open without sharing while the launcher runs.
  bool locked;
};

TEST_F(LauncherScenarioTest, UnreadableConfigurationShowsDialogReportsAndEndsWithThree) {
  const std::string cur_path_member = "\"cur_path\":\"" + version_ + "\"";
  const std::string schema_broken = "{" + cur_path_member + ",\"need_update\":true}";
  const std::string readable = "{" + cur_path_member + "}";
  // Larger than any configuration can be: refused unread, never parsed.
  const std::string huge =
      "{" + cur_path_member + ",\"pad\":\"" + std::string(5 * 1024 * 1024, 'x') + "\"}";
  const ConfigCase cases[] = {
      {"missing", nullptr, 1003, false, false},
      {"not json", "{\"cur_path\": ", 1, false, false},
      {"schema", schema_broken.c_str(), 1010, true, false},
      {"locked", readable.c_str(), 1002, false, true},
      {"too large", huge.c_str(), 1001, false, false},
  };
  const FilePath client = InstallChild(CurDir(), kClientExe);
  for (const ConfigCase& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFile(root_.Append(L"launcher_config.json"), false);
    if (c.text) WriteConfigText(c.text);
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (c.locked) {
      lock = CreateFileW(root_.Append(L"launcher_config.json").value().c_str(), GENERIC_READ, 0,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    }
    const int64_t mark = CollectorMark();

    const ProgramRun run = RunLauncher(L"", DialogAction::kClose);
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(3u, run.exit_code);
    ASSERT_EQ(1u, run.dialogs.size());
    EXPECT_FALSE(run.dialogs[0].caption.empty());
    EXPECT_FALSE(run.dialogs[0].text.empty());
    // The dialog tells what the read met.
    if (c.locked) {
      EXPECT_NE(std::wstring::npos, run.dialogs[0].text.find(L"File locked."));
    }
    if (c.code == 1001) {
      EXPECT_NE(std::wstring::npos, run.dialogs[0].text.find(L"File too large."));
    }
    EXPECT_EQ(1u, run.dialogs[0].buttons.size());
    EXPECT_TRUE(test::ReadChildRecords(client).empty());

    const std::string version = c.reports_version ? version_ : "";
    nlohmann::json params = BaseParams(version);
    params["is_init_success"] = 0;
    params["is_launch_success"] = 0;
    params["extra_info"] = "";  // no launch, no widget note
    params["error_codes"] = "[" + std::to_string(c.code) + "]";
    params["user_btn_choice"] = 3;
    if (c.reports_version) params["need_update"] = 1;
    ExpectLaunchReports(mark, version, params);
  }
}

TEST_F(LauncherScenarioTest, EarlyDeathOfTheClientDecidesTheLaunch) {
  struct Case {
    const char* name;
    nlohmann::json control;
    bool failed;
    const char* extra_info;
  };
  const Case kCases[] = {
      {"missing library", {{"exit_code", kStatusDllNotFound}}, true, ""},
      {"access violation", {{"crash", true}}, true, "[client exit code:0xC0000005]"},
      {"fast fail", {{"exit_code", 0xC0000409u}}, true, "[client exit code:0xC0000409]"},
      {"normal exit", {{"exit_code", 1}}, false, ""},
      {"exit(-1)", {{"exit_code", 0xFFFFFFFFu}}, false, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    WriteConfig({{"cur_path", version_}});
    const FilePath client = InstallChild(CurDir(), kClientExe, c.control);
    const int64_t mark = CollectorMark();

    const ProgramRun run = RunLauncher(L"", DialogAction::kPressOk);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ(1u, test::ReadChildRecords(client).size());
    ASSERT_EQ(c.failed ? 1u : 0u, run.dialogs.size());
    if (c.failed) {
      EXPECT_EQ(1u, run.dialogs[0].buttons.size());
    }

    nlohmann::json params = BaseParams(version_);
    if (c.failed) {
      const std::vector<nlohmann::json> reports = ReportsSince(mark, version_);
      ASSERT_FALSE(reports.empty());
      // The start itself succeeded; whatever the thread's last error held
      // then is recorded, one value.
      const nlohmann::json win_errors = nlohmann::json::parse(
          reports[0]["parsed_params"].value("win_error_codes", std::string()), nullptr, false);
      ASSERT_TRUE(win_errors.is_array());
      ASSERT_EQ(1u, win_errors.size());
      params["is_launch_success"] = 0;
      params["error_codes"] = "[2001]";
      params["win_error_codes"] = Compact(win_errors);
      params["user_btn_choice"] = 2;
      params["extra_info"] = std::string(kNoWidgetNote) + c.extra_info;
    }
    ExpectLaunchReports(mark, version_, params);
    ASSERT_TRUE(DeleteFile(client.ReplaceExtension(L".record.jsonl"), false));
  }
}

TEST_F(LauncherScenarioTest, LoaderErrorBoxOfTheClientIsCollected) {
  // Only a Chinese-language system titles its loader error box like this;
  // the test shows a window of that shape itself.
  test::FakeLoaderErrorBox box(std::wstring(kClientExe) + L" - \u7cfb\u7edf\u9519\u8bef",
                               L"The code can't run: tavrin.dll was not found.");
  ASSERT_TRUE(box.valid());
  WriteConfig({{"cur_path", version_}});
  InstallChild(CurDir(), kClientExe);
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"", DialogAction::kClose);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_EQ(1u, run.dialogs.size());
  const std::vector<nlohmann::json> reports = ReportsSince(mark, version_);
  ASSERT_FALSE(reports.empty());
  nlohmann::json params = BaseParams(version_);
  params["is_launch_success"] = 0;
  params["error_codes"] = "[2001]";
  params["win_error_codes"] = reports[0]["parsed_params"]["win_error_codes"];
  params["sys_error"] = "[scenarioim.exe:Thecodecantrun:tavrin.dllwasnotfound.]";
  params["user_btn_choice"] = 3;
  ExpectLaunchReports(mark, version_, params);
}

struct MissingExeCase {
  const wchar_t* arguments;
  bool autorun;
};

TEST_F(LauncherScenarioTest, MissingMainExecutableRecordsBothCodes) {
  const MissingExeCase cases[] = {{L"", false}, {L"--autorun", true}};
  WriteConfig({{"cur_path", version_}});
  CreateDirectory(CurDir());
  for (const MissingExeCase& c : cases) {
    SCOPED_TRACE(WideToUTF8(c.arguments));
    const int64_t mark = CollectorMark();

    const ProgramRun run =
        RunLauncher(c.arguments, c.autorun ? DialogAction::kFail : DialogAction::kPressOk);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    // An autorun launch never shows the dialog.
    EXPECT_EQ(c.autorun ? 0u : 1u, run.dialogs.size());
    nlohmann::json params = BaseParams(version_);
    params["is_auto_run"] = c.autorun ? 1 : 0;
    params["is_launch_success"] = 0;
    params["error_codes"] = "[2001,2000]";
    params["win_error_codes"] = "[2]";
    params["user_btn_choice"] = c.autorun ? 0 : 2;
    ExpectLaunchReports(mark, version_, params);
  }
}

TEST_F(LauncherScenarioTest, CustomLaunchStartsTheCustomExecutable) {
  WriteConfig({{"cur_path", version_}});
  const FilePath main = InstallChild(CurDir(), kClientExe);
  const FilePath custom = InstallChild(CurDir(), kCustomExe);
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"--custom_go", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_TRUE(test::ReadChildRecords(main).empty());
  const std::vector<nlohmann::json> starts = test::ReadChildRecords(custom);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(std::vector<std::string>{"--custom_go"}, ArgsAfterProgram(starts[0]));
  ExpectLaunchReports(mark, version_, BaseParams(version_));
}

TEST_F(LauncherScenarioTest, MissingCurrentExecutableRunsTheWaitingVersion) {
  // A running client keeps the version switch from running now.
  RunningClient running(root_.Append(L"elsewhere"));
  ASSERT_TRUE(running.running());
  const std::string next = version_ + "-next";
  WriteConfig({{"cur_path", version_}, {"need_update", true}, {"new_path", next}});
  CreateDirectory(CurDir());
  const FilePath next_client = InstallChild(VersionDir(next), kClientExe);
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_TRUE(run.dialogs.empty());
  const std::vector<nlohmann::json> starts = test::ReadChildRecords(next_client);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(std::vector<std::string>{"--app_running"}, ArgsAfterProgram(starts[0]));
  nlohmann::json params = BaseParams(version_);
  params["need_update"] = 1;
  params["new_app_version"] = next;
  // That start is not the current version's: the record keeps its value.
  params["is_launch_success"] = 0;
  ExpectLaunchReports(mark, version_, params);
}

TEST_F(LauncherScenarioTest, BinaryUpdateRecordNamesTheReportedVersion) {
  FilePath local;
  ASSERT_TRUE(GetPath(DIR_LOCAL_APP_DATA, &local));
  const FilePath record_dir = local.Append(L"Quorlix").Append(L"corvane_local_6383");
  ASSERT_TRUE(CreateDirectory(record_dir));
  const FilePath record = record_dir.Append(L"bin_update_local.json");
  ASSERT_TRUE(WriteFile(record, std::string("{\"bin_update_app_version\":\"7.7.7\","
                                            "\"bin_update_file_version\":\"3\"}")));
  WriteConfig({{"cur_path", version_}});
  InstallChild(CurDir(), kClientExe);
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"", DialogAction::kFail);
  DeleteFile(record, false);

  ASSERT_TRUE(run.finished);
  nlohmann::json params = BaseParams(version_);
  params["cur_bin_update_version"] = "7.7.7_3";
  ExpectLaunchReports(mark, version_, params);
}

TEST_F(LauncherScenarioTest, FlagFilesAreConsumedInOrder) {
  FilePath temp;
  ASSERT_TRUE(GetTempDir(&temp));
  const FilePath flags = temp.Append(UTF8ToWide(kProductShortName));
  ASSERT_TRUE(CreateDirectory(flags));
  const FilePath install_flag = flags.Append(L"install_check_file_failed.flag");
  const FilePath display_flag = flags.Append(std::wstring(kDisplayExe) + L".flag");
  const FilePath client_flag = flags.Append(std::wstring(kClientExe) + L".flag");
  const FilePath checking_flag = flags.Append(L"checking_file.flag");
  ASSERT_TRUE(WriteFile(install_flag, std::string("[install check failed]")));
  ASSERT_TRUE(WriteFile(display_flag, std::string("[display exe lost]")));
  ASSERT_TRUE(WriteFile(client_flag, std::string("[client exe lost]")));
  WriteConfig({{"cur_path", version_}});
  const FilePath client = InstallChild(CurDir(), kClientExe);

  struct Step {
    const char* flag_text;
    int code;
    const FilePath* consumed;
  };
  const Step steps[] = {
      {"[install check failed]", 2011, &install_flag},
      {"[display exe lost]", 2004, &display_flag},
      {"[client exe lost]", 2004, &client_flag},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.flag_text);
    const int64_t mark = CollectorMark();
    const ProgramRun run = RunLauncher(L"", DialogAction::kClose);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ(1u, run.dialogs.size());
    EXPECT_FALSE(PathExists(*step.consumed));
    EXPECT_TRUE(test::ReadChildRecords(client).empty());
    nlohmann::json params = BaseParams(version_);
    params["is_launch_success"] = 0;
    params["is_lost_file"] = 1;
    params["error_codes"] = "[" + std::to_string(step.code) + ",2009]";
    params["extra_info"] = step.flag_text;
    params["user_btn_choice"] = 3;
    ExpectLaunchReports(mark, version_, params);
  }

  // The checking flag is only noted, and the launch goes on.
  ASSERT_TRUE(WriteFile(checking_flag, std::string("checking")));
  const int64_t mark = CollectorMark();
  const ProgramRun run = RunLauncher(L"", DialogAction::kFail);
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(run.dialogs.empty());
  EXPECT_TRUE(PathExists(checking_flag));
  EXPECT_EQ(1u, test::ReadChildRecords(client).size());
  nlohmann::json params = BaseParams(version_);
  params["extra_info"] = std::string("[crash reporter checking file]") + kNoWidgetNote;
  ExpectLaunchReports(mark, version_, params);
  DeleteFile(checking_flag, false);
}

TEST_F(LauncherScenarioTest, TwentyLaunchersAtOnceStartOneClient) {
  WriteConfig({{"cur_path", version_}});
  // Up past the lock holder's 3 s check, so that the others see it held.
  const FilePath client = InstallChild(CurDir(), kClientExe, {{"delay_ms", 6000}});
  const int64_t mark = CollectorMark();
  constexpr int kLaunchers = 20;
  std::vector<HANDLE> processes;
  for (int i = 0; i < kLaunchers; ++i) {
    std::wstring command = L"\"" + LauncherPath().value() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               root_.value().c_str(), &startup, &info));
    CloseHandle(info.hThread);
    processes.push_back(info.hProcess);
  }
  ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(kLaunchers, processes.data(), TRUE, 120000));
  int started = 0;
  int locked_out = 0;
  for (HANDLE process : processes) {
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    if (code == 0) ++started;
    if (code == 2) ++locked_out;
    CloseHandle(process);
  }
  EXPECT_EQ(1, started);
  EXPECT_EQ(kLaunchers - 1, locked_out);
  EXPECT_EQ(1u, test::ReadChildRecords(client).size());
  EXPECT_EQ(2u, ReportsSince(mark, version_).size());

  // Nothing is left held: the next launcher runs.
  const ProgramRun run = RunLauncher(L"", DialogAction::kFail);
  EXPECT_EQ(0u, run.exit_code);
}

}  // namespace
}  // namespace scenario
}  // namespace corvane
