// The scenario product is the one with the companion widget (app id 6383) and
// has start-speed reporting on: the widget starts before the client, both
// inherit the start-time variables, and the start-speed report follows.

#include "launcher/launcher_widget.h"
#include "launcher/starting_speed_data.h"
#include "test/scenario/launcher_scenario_fixture.h"

namespace corvane {
namespace scenario {
namespace {

constexpr wchar_t kSwitchKey[] = L"Software\\Quorlix\\velmora";

class WidgetScenarioTest : public LauncherScenarioTest {
 protected:
  void TearDown() override {
    RegDeleteKeyW(HKEY_CURRENT_USER, kSwitchKey);
    SetEnvironmentVariableW(L"LAUNCHER_PARENT_CREATE_PROCESS", nullptr);
  }
  static void SetSwitch(const wchar_t* value) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSwitchKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, L"use_fennic_velmora", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  std::vector<nlohmann::json> SpeedReports(int64_t mark) const {
    std::vector<nlohmann::json> reports;
    for (const nlohmann::json& record : ReadCollectorRequests(collector_dir_, kStartSpeedEvent)) {
      if (record.value("seq", static_cast<int64_t>(-1)) <= mark) continue;
      const nlohmann::json body = nlohmann::json::parse(record["body"].get<std::string>());
      reports.push_back(nlohmann::json::parse(body["events"][0]["params"].get<std::string>()));
    }
    return reports;
  }
};

int64_t EnvMs(const nlohmann::json& record, const char* name) {
  return std::stoll(record["env"].value(name, std::string("-1")));
}

TEST_F(WidgetScenarioTest, WidgetFirstThenClientWithTheStartTimes) {
  SetSwitch(L"1");
  WriteConfig({{"cur_path", version_}});
  const nlohmann::json env = {kClientParentCreateVar, kTrayParentCreateVar, kLauncherCreationVar,
                              kFennicCreationVar};
  const FilePath client = InstallChild(CurDir(), kClientExe, {{"record_env", env}});
  const FilePath widget =
      InstallChild(CurDir().Append(kWidgetFolder), kWidgetExe, {{"record_env", env}});
  const int64_t parent_ms = Time::Now().ToMillisecondsSinceUnixEpoch();
  SetEnvironmentVariableW(L"LAUNCHER_PARENT_CREATE_PROCESS", std::to_wstring(parent_ms).c_str());
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"--foo=1 bar", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  const auto widgets = test::ReadChildRecords(widget);
  const auto clients = test::ReadChildRecords(client);
  ASSERT_EQ(1u, widgets.size());
  ASSERT_EQ(1u, clients.size());
  EXPECT_EQ((std::vector<std::string>{"--foo=1", "bar", kWidgetPackageArgument}),
            ArgsAfterProgram(widgets[0]));
  EXPECT_EQ((std::vector<std::string>{"--foo=1", "bar"}), ArgsAfterProgram(clients[0]));
  std::string cwd = widgets[0]["cwd"].get<std::string>();
  while (!cwd.empty() && cwd.back() == '\\') cwd.pop_back();
  EXPECT_TRUE(EqualsCaseInsensitiveASCII(CurDir().Append(kWidgetFolder).AsUTF8Unsafe(), cwd));
  // Started after the widget step: the client inherits the widget's time too.
  EXPECT_EQ(EnvMs(widgets[0], kFennicCreationVar), EnvMs(clients[0], kFennicCreationVar));

  // The same start times for both children; the widget also gets its own.
  const int64_t begin = EnvMs(clients[0], kClientParentCreateVar);
  EXPECT_EQ(begin, EnvMs(clients[0], kTrayParentCreateVar));
  EXPECT_EQ(begin, EnvMs(widgets[0], kClientParentCreateVar));
  EXPECT_GE(begin, parent_ms);
  EXPECT_GE(EnvMs(clients[0], kLauncherCreationVar), parent_ms - 1000);
  EXPECT_GE(EnvMs(widgets[0], kFennicCreationVar), begin);

  const std::vector<nlohmann::json> speeds = SpeedReports(mark);
  ASSERT_EQ(1u, speeds.size());
  const nlohmann::json& speed = speeds[0];
  EXPECT_EQ(1, speed["start_by_parent_time"]);
  EXPECT_EQ(std::to_string(parent_ms), speed["parent_create_process"]);
  EXPECT_EQ(std::to_string(begin - parent_ms), speed["step_create_sub_begin"]);
  EXPECT_EQ("scenarioim.exe", speed["sub_process_name"]);
  EXPECT_EQ(clients[0]["pid"], speed["sub_process_pid"]);
  EXPECT_EQ(1, speed["create_sub_suc"]);
  EXPECT_EQ("launcher_scenario_tests.exe", speed["parent_proc_name"]);
  EXPECT_EQ("1", speed["data_version"]);
  EXPECT_NE(std::string::npos,
            speed["cmd_line"].get<std::string>().find("corvane_launcher.exe\" --foo=1 bar"));

  nlohmann::json params = BaseParams(version_);
  params["extra_info"] = "[run fennic velmora]";
  ExpectLaunchReports(mark, version_, params);
}

TEST_F(WidgetScenarioTest, ReasonsWhyNoWidgetRuns) {
  WriteConfig({{"cur_path", version_}});
  const FilePath client = InstallChild(CurDir(), kClientExe);
  const struct {
    const char* name;
    const wchar_t* switch_value;
    const wchar_t* arguments;
    const char* extra_info;
    const char* error_codes;
    const char* win_error_codes;
  } kCases[] = {
      {"switch not exactly 1", L"01", L"", kNoWidgetNote, "[]", "[]"},
      {"autorun", L"1", L"autorun", "[not run fennic velmora:, reason:not normal launch]", "[]",
       "[]"},
      // No widget program in tray: noted as run, 2012 with the last error.
      {"widget missing", L"1", L"", "[run fennic velmora]", "[2012]", "[2]"},
  };
  const int64_t first_mark = CollectorMark();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    SetSwitch(c.switch_value);
    const int64_t mark = CollectorMark();
    const ProgramRun run = RunLauncher(c.arguments, DialogAction::kFail);
    ASSERT_TRUE(run.finished);
    const std::vector<nlohmann::json> reports = ReportsSince(mark, version_);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(c.extra_info, reports[0]["parsed_params"].value("extra_info", std::string()));
    EXPECT_EQ(c.error_codes, reports[0]["parsed_params"].value("error_codes", std::string()));
    EXPECT_EQ(c.win_error_codes,
              reports[0]["parsed_params"].value("win_error_codes", std::string()));
  }
  // Every launch started the client.
  EXPECT_EQ(3u, test::ReadChildRecords(client).size());
  // Without the parent's time, the steps count from the launcher's creation.
  const std::vector<nlohmann::json> speeds = SpeedReports(first_mark);
  ASSERT_EQ(3u, speeds.size());
  EXPECT_EQ(0, speeds.back()["start_by_parent_time"]);
  EXPECT_FALSE(speeds.back().contains("parent_create_process"));
  EXPECT_EQ(0, speeds.back()["is_exe_first_start"]);
}

}  // namespace
}  // namespace scenario
}  // namespace corvane
