// The real launcher program in temporary install trees: the test child plays
// the client, the loopback collector plays the report service. Each case
// checks the exit code, what the client was started with, and the exact
// report bodies the collector received.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/environment.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "test/scenario/scenario_support.h"
#include "test/support/fake_loader_error_box.h"
#include "test/support/report_collector.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"

namespace corvane {
namespace scenario {
namespace {

// Facts of the scenario product (scenario_product.json.in).
constexpr int kProductAppId = 6383;
constexpr char kProductShortName[] = "scenarioim";
constexpr wchar_t kClientExe[] = L"scenarioim.exe";
constexpr wchar_t kDisplayExe[] = L"\u573a\u666f\u5ba2\u6237\u7aef.exe";
constexpr wchar_t kCustomExe[] = L"custom_client.exe";
constexpr wchar_t kInstanceLock[] = L"{b45ca6b9-280d-4ef4-afb8-e6355e8a13f3}-scenarioim";
// Domestic identity of the launcher's own reports.
constexpr int kLauncherReportAppId = 430651;
constexpr uint32_t kStatusDllNotFound = 0xC0000135;

constexpr char kLaunchComplete[] = "shell_launcher_launch_complete";
constexpr char kLegacyLaunchComplete[] = "launcher_launch_complete";

// The parameter object of a run that recorded nothing, for |version|.
nlohmann::json BaseParams(const std::string& version) {
  return {
      {"is_auto_run", 0},
      {"is_init_success", 1},
      {"need_update", 0},
      {"is_update", 0},
      {"is_launch_success", 1},
      {"is_update_success", 0},
      {"error_codes", "[]"},
      {"win_error_codes", "[]"},
      {"h_result_codes", "[]"},
      {"app_id", kProductAppId},
      {"cur_app_version", version},
      {"new_app_version", ""},
      {"is_bin_update", 0},
      {"bin_update_success", 0},
      {"constants_error_codes", "[]"},
      {"cur_bin_update_version", version + "_0"},
      {"extra_info", ""},
      {"is_lost_file", 0},
      {"user_btn_choice", 0},
      {"repairer_launch_result", 0},
      {"sys_error", ""},
      {"cur_mid", ""},
      {"new_mid", ""},
      {"update_before_launch_time", ""},
      {"launcher_api", ""},
      {"launcher_api_result", 0},
      {"update_relaunch", 0},
  };
}

std::string Compact(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

uint32_t DeviceHash(const std::string& id) {
  int32_t hash = 0;
  for (char c : id) {
    hash = static_cast<int32_t>(
        static_cast<uint32_t>(hash) * 31u +
        static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c))));
  }
  return static_cast<uint32_t>(hash);
}

bool IsOsVersionText(const std::string& text) {
  // major.minor.build, optionally " SP<n>[.<m>]".
  int dots = 0;
  size_t i = 0;
  for (; i < text.size() && text[i] != ' '; ++i) {
    if (text[i] == '.') {
      ++dots;
    } else if (text[i] < '0' || text[i] > '9') {
      return false;
    }
  }
  return dots == 2 && (i == text.size() || text.compare(i, 3, " SP") == 0);
}

class LauncherScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ReportCollector collector;
    CORVANE_NEED_REPORT_COLLECTOR(collector);
    collector_dir_ = collector.dir;
    // The launcher's port is built in; a collector elsewhere would never see it.
    ASSERT_EQ(std::to_string(CORVANE_SCENARIO_COLLECTOR_PORT), collector.port)
        << "the scenario launcher reports to port " << CORVANE_SCENARIO_COLLECTOR_PORT;
    ASSERT_TRUE(temp_.IsValid());
    root_ = temp_.path();
    version_ =
        std::string("9.") + std::to_string(GetCurrentProcessId()) + "." +
        ToLowerASCII(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    ASSERT_TRUE(CopyFile(FromBuildPath(CORVANE_SCENARIO_LAUNCHER), LauncherPath()));
  }

  FilePath LauncherPath() const { return root_.Append(L"corvane_launcher.exe"); }
  FilePath VersionDir(const std::string& version) const {
    return root_.Append(UTF8ToWide(version));
  }
  FilePath CurDir() const { return VersionDir(version_); }

  void WriteConfigText(const std::string& text) {
    ASSERT_TRUE(WriteFile(root_.Append(L"launcher_config.json"), text));
  }
  void WriteConfig(const nlohmann::json& config) { WriteConfigText(config.dump()); }

  // Copies the test child to |dir|\|name| with |control| beside it.
  FilePath InstallChild(const FilePath& dir, const std::wstring& name,
                        const nlohmann::json& control = nlohmann::json::object()) {
    const FilePath exe = dir.Append(name);
    EXPECT_TRUE(test::PlaceTestChild(exe, control.dump()));
    return exe;
  }

  int64_t CollectorMark() const {
    std::string text;
    ReadFileToString(collector_dir_.Append(L"requests.jsonl"), &text);
    int64_t seq = -1;
    for (const std::string& line : SplitString(text, '\n')) {
      nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
      if (record.is_object() && record.contains("seq") && record["seq"].is_number())
        seq = std::max<int64_t>(seq, record["seq"].get<int64_t>());
    }
    return seq;
  }

  // Reports of the scenario product that arrived after |mark| for
  // |version| (the current version text of the run).
  std::vector<nlohmann::json> ReportsSince(int64_t mark, const std::string& version) const {
    std::vector<nlohmann::json> reports;
    for (nlohmann::json& record : ReadCollectorRequests(collector_dir_, "6383")) {
      if (record.value("seq", static_cast<int64_t>(-1)) <= mark) continue;
      nlohmann::json body =
          nlohmann::json::parse(record["body"].get<std::string>(), nullptr, false);
      if (!body.is_object() || !body.contains("events") || !body["events"].is_array() ||
          body["events"].empty()) {
        continue;
      }
      const nlohmann::json& event = body["events"][0];
      if (!event.contains("params") || !event["params"].is_string()) continue;
      nlohmann::json params =
          nlohmann::json::parse(event["params"].get<std::string>(), nullptr, false);
      if (!params.is_object() || params.value("app_id", 0) != kProductAppId ||
          params.value("cur_app_version", std::string("?")) != version) {
        continue;
      }
      record["parsed_body"] = body;
      record["parsed_params"] = params;
      reports.push_back(record);
    }
    return reports;
  }

  // The two events of one launch report, byte for byte.
  void ExpectLaunchReports(int64_t mark, const std::string& version,
                           const nlohmann::json& expected_params) {
    const std::vector<nlohmann::json> reports = ReportsSince(mark, version);
    ASSERT_EQ(2u, reports.size()) << "reports of " << version;
    const std::string device_id = DeviceIdText();
    const char* events[] = {kLaunchComplete, kLegacyLaunchComplete};
    const int header_app_ids[] = {kLauncherReportAppId, kProductAppId};
    for (size_t i = 0; i < 2; ++i) {
      SCOPED_TRACE(events[i]);
      const nlohmann::json& record = reports[i];
      EXPECT_EQ("POST", record.value("method", std::string()));
      EXPECT_EQ("/v1/json", record.value("path", std::string()));
      EXPECT_EQ(expected_params, record["parsed_params"]);
      const std::string os_version =
          record["parsed_body"]["header"].value("os_version", std::string());
      EXPECT_TRUE(IsOsVersionText(os_version)) << os_version;
      const nlohmann::json expected_body = {
          {"events", {{{"event", events[i]}, {"params", Compact(expected_params)}}}},
          {"header",
           {{"app_channel", ""},
            {"app_id", header_app_ids[i]},
            {"app_name", "corvane_project_launcher"},
            {"app_version", "1.0.0"},
            {"custom", {{"guid", device_id}, {"reporter_version", "1.0.0"}}},
            {"os_name", "windows"},
            {"os_version", os_version}}},
          {"user",
           {{"device_id", DeviceHash(device_id)},
            {"user_id", ""},
            {"user_is_login", false},
            {"user_unique_id", device_id}}},
      };
      EXPECT_EQ(Compact(expected_body), record["body_bytes"].get<std::string>());
    }
  }

  ProgramRun RunLauncher(const std::wstring& arguments, DialogAction action) {
    std::wstring command = L"\"" + LauncherPath().value() + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    return RunProgram(command, root_, action);
  }

  FilePath collector_dir_;
  test::ScopedTempDir temp_;
  FilePath root_;
  std::string version_;
};

// Keeps a test child named like the client running in its own directory, so
// the launcher finds the client by process name.
class RunningClient {
 public:
  explicit RunningClient(const FilePath& dir) {
    CreateDirectory(dir);
    exe_ = dir.Append(kClientExe);
    CopyFile(FromBuildPath(CORVANE_TEST_CHILD), exe_);
    WriteFile(exe_.ReplaceExtension(L".control.json"), std::string("{\"delay_ms\":120000}"));
    std::wstring command = L"\"" + exe_.value() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
      // Running once its record line is there.
      for (int i = 0; i < 200 && test::ReadChildRecords(exe_).empty(); ++i) Sleep(50);
    }
  }
  ~RunningClient() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
  }
  RunningClient(const RunningClient&) = delete;
  RunningClient& operator=(const RunningClient&) = delete;
  bool running() const { return process_ && !test::ReadChildRecords(exe_).empty(); }

 private:
  FilePath exe_;
  HANDLE process_ = nullptr;
};

std::vector<std::string> ArgsAfterProgram(const nlohmann::json& record) {
  std::vector<std::string> args;
  if (!record.contains("argv") || !record["argv"].is_array()) return args;
  for (size_t i = 1; i < record["argv"].size(); ++i)
    args.push_back(record["argv"][i].get<std::string>());
  return args;
}

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

TEST_F(LauncherScenarioTest, LockHeldByAnotherLauncherEndsWithTwoAndNoReport) {
  HeldMutex lock(kInstanceLock);
  ASSERT_TRUE(lock.valid());
  WriteConfig({{"cur_path", version_}});
  const FilePath client = InstallChild(CurDir(), kClientExe);
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(2u, run.exit_code);
  EXPECT_TRUE(run.dialogs.empty());
  EXPECT_TRUE(test::ReadChildRecords(client).empty());
  EXPECT_TRUE(ReportsSince(mark, version_).empty());
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
      {"normal exit", {{"exit_code", 1}}, false, ""},
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
      params["extra_info"] = c.extra_info;
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
  params["extra_info"] = "[crash reporter checking file]";
  ExpectLaunchReports(mark, version_, params);
  DeleteFile(checking_flag, false);
}

}  // namespace
}  // namespace scenario
}  // namespace corvane
