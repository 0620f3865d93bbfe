// The real launcher with updates waiting and with launcher API commands: the
// test child plays the updater (it can put the new version's client in
// place), the client and the elevation service program's "--install" run.
// Under Wine every process is elevated, so the launcher starts the updater
// directly, as it does when it already runs elevated.

#include <objbase.h>

#include "base/command_line.h"
#include "base/process/launch.h"
#include "elevation_service/elevation_service_client.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launch_result.h"
#include "launcher/launcher.h"
#include "launcher/launcher_constants.h"
#include "test/scenario/launcher_scenario_fixture.h"
#include "test/support/elevation_service_double.h"
#include "test/support/scoped_command_line.h"
#include "test/support/scoped_launch_result.h"
#include "test/support/scoped_product_constants.h"

namespace corvane {
namespace scenario {
namespace {

constexpr wchar_t kUpdaterExe[] = L"corvane_updater.exe";
constexpr char kNewVersion[] = "10.0.0";
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\u573a\u666f\u6d4b\u8bd5";

class UpdateScenarioTest : public LauncherScenarioTest {
 protected:
  FilePath NewDir() const { return root_.Append(UTF8ToWide(kNewVersion)); }

  void WriteSwitchConfig() {
    WriteConfig({{"cur_path", version_}, {"need_update", true}, {"new_path", kNewVersion}});
  }

  // The expected before-launch arguments after the mode argument.
  std::vector<std::string> SilenceArgs(const std::string& mode) const {
    return {"--silence_update_mode=" + mode, std::string("--new_version=") + kNewVersion,
            "--old_version=" + version_,
            // Written by the command-line rules: a switch-like argument with
            // nothing after "=" goes out bare.
            "--new_mid", "--old_mid", "--launcher_name=corvane_launcher", "--app_name=scenarioim"};
  }

  // The one launch report after |mark|, its params with the run's duration
  // of the version switch taken over (it is not known before).
  nlohmann::json ReportedParams(int64_t mark) const {
    const std::vector<nlohmann::json> reports = ReportsSince(mark, version_);
    EXPECT_FALSE(reports.empty());
    return reports.empty() ? nlohmann::json() : reports[0]["parsed_params"];
  }

  std::string ReadConfigText() const {
    std::string text;
    ReadFileToString(root_.Append(L"launcher_config.json"), &text);
    return text;
  }
};

std::string DialogTexts(const ProgramRun& run) {
  std::string texts;
  for (const DialogSeen& dialog : run.dialogs) texts += WideToUTF8(dialog.text) + "\n";
  return texts;
}

std::string ChildPathUtf8() { return FromBuildPath(CORVANE_TEST_CHILD).AsUTF8Unsafe(); }

TEST_F(UpdateScenarioTest, VersionSwitchStartsTheNewClientThenTheAfterLaunchRun) {
  WriteSwitchConfig();
  const FilePath old_client = InstallChild(CurDir(), kClientExe);
  const FilePath new_client = NewDir().Append(kClientExe);
  // The before-launch run puts the new client in place; the second run is
  // the after-launch one.
  nlohmann::json copy = nlohmann::json::array();
  copy.push_back(nlohmann::json::array({ChildPathUtf8(), new_client.AsUTF8Unsafe()}));
  nlohmann::json runs = nlohmann::json::array();
  runs.push_back({{"copy_files", copy}});
  runs.push_back(nlohmann::json::object());
  const FilePath updater = InstallChild(NewDir(), kUpdaterExe, {{"runs", runs}});
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"--enable_log", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_TRUE(run.dialogs.empty()) << DialogTexts(run);
  // The after-launch run is not waited for.
  std::vector<nlohmann::json> updates;
  for (int i = 0; i < 100 && updates.size() < 2; ++i, Sleep(50))
    updates = test::ReadChildRecords(updater);
  ASSERT_EQ(2u, updates.size());
  std::vector<std::string> expected = SilenceArgs("before_launch");
  expected.push_back("--enable_log");
  EXPECT_EQ(expected, ArgsAfterProgram(updates[0]));
  expected[0] = "--silence_update_mode=after_launch";
  EXPECT_EQ(expected, ArgsAfterProgram(updates[1]));
  // Started like the service would: no working directory of its own.
  std::string cwd = updates[0]["cwd"].get<std::string>();
  while (!cwd.empty() && cwd.back() == '\\') cwd.pop_back();
  EXPECT_TRUE(EqualsCaseInsensitiveASCII(root_.AsUTF8Unsafe(), cwd)) << cwd;

  EXPECT_TRUE(test::ReadChildRecords(old_client).empty());
  const auto starts = test::ReadChildRecords(new_client);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ((std::vector<std::string>{"--enable_log", "--update_launch"}),
            ArgsAfterProgram(starts[0]));
  // The after-launch run comes once the client runs.
  EXPECT_GE(updates[1]["time_ms"].get<int64_t>(), starts[0]["time_ms"].get<int64_t>());

  nlohmann::json params = BaseParams(version_);
  params["need_update"] = 1;
  params["is_update"] = 1;
  params["is_update_success"] = 1;
  params["new_app_version"] = kNewVersion;
  params["extra_info"] = std::string("[updater exit result:1,exit code:0]") + kNoWidgetNote;
  const nlohmann::json reported = ReportedParams(mark);
  const std::string duration = reported.value("update_before_launch_time", std::string());
  EXPECT_FALSE(duration.empty());
  EXPECT_EQ(std::string::npos, duration.find_first_not_of("0123456789")) << duration;
  params["update_before_launch_time"] = duration;
  ExpectLaunchReports(mark, version_, params);
}

TEST_F(UpdateScenarioTest, FailedSwitchStartsTheCurrentVersion) {
  WriteSwitchConfig();
  const FilePath client = InstallChild(CurDir(), kClientExe);
  const struct {
    const char* name;
    bool updater_present;
    int updater_exit_code;
    std::string error_codes;
    std::string extra_info;
    std::string win_error_codes;
    bool rollback;
  } kCases[] = {
      {"updater exits 1", true, 1, "[]",
       std::string("[updater exit result:1,exit code:1]") + kNoWidgetNote, "[]", false},
      {"updater missing", false, 0, "[3000]", kNoWidgetNote, "[]", false},
      // The switch "worked" but left no client: no dialog after a switch,
      // the current version starts and the rollback runs from it.
      // Both launches note the widget.
      {"new client missing", true, 0, "[2001,2000,3003]",
       std::string("[updater exit result:1,exit code:0]") + kNoWidgetNote + kNoWidgetNote, "[2]",
       true},
  };
  const FilePath rollback = InstallChild(CurDir(), kUpdaterExe);
  size_t client_starts = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    DeleteFile(NewDir(), true);
    const FilePath updater = c.updater_present ? InstallChild(NewDir(), kUpdaterExe,
                                                              {{"exit_code", c.updater_exit_code}})
                                               : FilePath();
    const int64_t mark = CollectorMark();

    const ProgramRun run = RunLauncher(L"", DialogAction::kFail);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_TRUE(run.dialogs.empty()) << DialogTexts(run);
    if (c.updater_present) {
      EXPECT_EQ(1u, test::ReadChildRecords(updater).size());
    }
    const auto starts = test::ReadChildRecords(client);
    ASSERT_EQ(++client_starts, starts.size());
    EXPECT_TRUE(ArgsAfterProgram(starts.back()).empty());
    const auto rollbacks = test::ReadChildRecords(rollback);
    if (c.rollback) {
      ASSERT_EQ(1u, rollbacks.size());
      EXPECT_EQ(SilenceArgs("update_rollback"), ArgsAfterProgram(rollbacks[0]));
    } else {
      EXPECT_TRUE(rollbacks.empty());
    }

    nlohmann::json params = BaseParams(version_);
    params["need_update"] = 1;
    params["is_update"] = 1;
    params["new_app_version"] = kNewVersion;
    params["error_codes"] = c.error_codes;
    params["win_error_codes"] = c.win_error_codes;
    params["extra_info"] = c.extra_info;
    if (c.updater_present)
      params["update_before_launch_time"] =
          ReportedParams(mark).value("update_before_launch_time", std::string("?"));
    ExpectLaunchReports(mark, version_, params);
  }
}

TEST_F(UpdateScenarioTest, BinaryUpdateWaitsForTheUpdaterThenStartsTheClient) {
  WriteConfig({{"cur_path", version_},
               {"need_bin_update", true},
               {"bin_update_file", "C:\\up dates\\bin.zip"}});
  const FilePath client = InstallChild(CurDir(), kClientExe);
  const FilePath updater = InstallChild(CurDir(), kUpdaterExe, {{"exit_code", 9}});
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"--enable_log", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  const auto updates = test::ReadChildRecords(updater);
  ASSERT_EQ(1u, updates.size());
  EXPECT_EQ((std::vector<std::string>{"--bin_update_mode=before_launch",
                                      "--extract_dir=C:\\up dates\\bin.zip",
                                      "--app_version=" + version_}),
            ArgsAfterProgram(updates[0]));
  const auto starts = test::ReadChildRecords(client);
  ASSERT_EQ(1u, starts.size());
  EXPECT_GE(starts[0]["time_ms"].get<int64_t>(), updates[0]["time_ms"].get<int64_t>());
  nlohmann::json params = BaseParams(version_);
  params["is_bin_update"] = 1;
  params["bin_update_success"] = 1;
  ExpectLaunchReports(mark, version_, params);

  // No updater: the current client all the same, and 4000.
  ASSERT_TRUE(DeleteFile(updater, false));
  const int64_t missing_mark = CollectorMark();
  const ProgramRun missing = RunLauncher(L"", DialogAction::kFail);
  ASSERT_TRUE(missing.finished);
  EXPECT_EQ(0u, missing.exit_code);
  EXPECT_EQ(2u, test::ReadChildRecords(client).size());
  params["bin_update_success"] = 0;
  params["error_codes"] = "[4000]";
  ExpectLaunchReports(missing_mark, version_, params);
}

// The scenario launcher signed at build time by its product's company turns
// the signature gate on. Under Wine every process is elevated, so each start
// it makes (updater and client) is a privileged one and needs the company's
// signature. Wine accepts the self-signed test chain, which Windows would
// refuse: an untrusted root is not shown here.
TEST_F(UpdateScenarioTest, SignedLauncherStartsElevatedOnlyWhatItsCompanySigned) {
  const std::string signed_dir = CORVANE_SIGNED_DIR;
  const auto signed_file = [&](const char* name) {
    return FromBuildPath((signed_dir + "/" + name).c_str());
  };
  WriteConfig({{"cur_path", version_}, {"need_bin_update", true}, {"bin_update_file", "b.zip"}});
  const struct {
    const char* name;
    bool signed_launcher;
    const char* updater;  // a signed copy, or nullptr for the unsigned test child
    bool damaged;
    const char* refusal;  // nullptr: the updater runs
    uint32_t trust;       // the refusal's last error
  } kCases[] = {
      {"product's updater", true, "test_child_product.exe", false, nullptr, 0},
      {"unsigned updater", true, nullptr, false, "unsigned", 0x800B0100},
      {"one byte changed", true, "test_child_product.exe", true, "damaged", 0x80096010},
      {"other company's updater", true, "test_child_other.exe", false,
       "signed by Ostrel Software Co., Ltd.", 0x800B0111},
      {"unsigned launcher, unsigned updater", false, nullptr, false, nullptr, 0},
  };
  const FilePath client = InstallChild(CurDir(), kClientExe);
  ASSERT_TRUE(CopyFile(signed_file("test_child_product.exe"), client));
  size_t client_starts = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(CopyFile(c.signed_launcher ? signed_file("corvane_scenario_launcher.exe")
                                           : FromBuildPath(CORVANE_SCENARIO_LAUNCHER),
                         LauncherPath()));
    const FilePath updater = InstallChild(CurDir(), kUpdaterExe);
    ASSERT_TRUE(DeleteFile(updater.ReplaceExtension(L".record.jsonl"), false));
    if (c.updater) {
      std::string bytes;
      ASSERT_TRUE(ReadFileToString(signed_file(c.updater), &bytes));
      if (c.damaged) bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
      ASSERT_TRUE(WriteFile(updater, bytes));
    }
    const int64_t mark = CollectorMark();

    const ProgramRun run = RunLauncher(L"", DialogAction::kFail);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_TRUE(run.dialogs.empty()) << DialogTexts(run);
    EXPECT_EQ(c.refusal ? 0u : 1u, test::ReadChildRecords(updater).size());
    // The current client starts either way.
    EXPECT_EQ(++client_starts, test::ReadChildRecords(client).size());
    const nlohmann::json params = ReportedParams(mark);
    EXPECT_EQ(c.refusal ? 0 : 1, params.value("bin_update_success", -1));
    EXPECT_EQ(c.refusal ? "[4002]" : "[]", params.value("error_codes", std::string("?")));
    EXPECT_EQ(c.refusal ? "[" + std::to_string(c.trust) + "]" : "[]",
              params.value("win_error_codes", std::string("?")));
    const std::string extra = params.value("extra_info", std::string());
    if (c.refusal) {
      EXPECT_NE(std::string::npos, extra.find("[not started elevated:" + updater.AsUTF8Unsafe() +
                                              "," + c.refusal + "]"))
          << extra;
    } else {
      EXPECT_EQ(std::string::npos, extra.find("not started elevated")) << extra;
    }
  }
}

TEST_F(UpdateScenarioTest, EditConfigRewritesTheFileAndTheUninstallVersion) {
  WriteConfig({{"cur_path", version_}});
  const std::string original = ReadConfigText();
  const FilePath client = InstallChild(CurDir(), kClientExe);
  const FilePath service = InstallChild(root_.Append(L"2.0.1"), L"elevation_service.exe");
  const FilePath escaped = InstallChild(temp_.path().DirName(), L"elevation_service.exe");
  // The scenario product keeps its uninstall key per user.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, nullptr, 0,
                                           KEY_SET_VALUE, nullptr, &key, nullptr));
  const wchar_t kOld[] = L"0.0.1";
  RegSetValueExW(key, L"DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(kOld),
                 sizeof(kOld));
  RegCloseKey(key);

  const struct {
    const char* name;
    std::wstring arguments;
    uint32_t exit_code;
    const char* error_codes;
  } kRefused[] = {
      {"climbs out", L"--launcher_api=edit_config --cur_path=..\\..", 4, "[1010]"},
      {"absolute mid path", L"--launcher_api=edit_config --mid_path=C:\\x", 4, "[1010]"},
  };
  for (const auto& c : kRefused) {
    SCOPED_TRACE(c.name);
    const int64_t mark = CollectorMark();
    const ProgramRun run = RunLauncher(c.arguments, DialogAction::kFail);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(c.exit_code, run.exit_code);
    EXPECT_EQ(original, ReadConfigText());
    const nlohmann::json params = ReportedParams(mark);
    EXPECT_EQ(c.error_codes, params.value("error_codes", std::string()));
    EXPECT_EQ("edit_config", params.value("launcher_api", std::string()));
    EXPECT_EQ(0, params.value("launcher_api_result", -1));
  }

  // Not a command: a normal launch.
  ProgramRun run = RunLauncher(L"--launcher_api=Edit_Config", DialogAction::kFail);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_EQ(1u, test::ReadChildRecords(client).size());
  EXPECT_EQ(original, ReadConfigText());

  const int64_t mark = CollectorMark();
  run = RunLauncher(L"--launcher_api=edit_config --cur_path=2.0.1", DialogAction::kFail);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_EQ(R"({"app_name":"scenarioim","cur_path":"2.0.1","need_update":false})",
            ReadConfigText());
  wchar_t version[32] = {};
  DWORD size = sizeof(version);
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion",
                                        RRF_RT_REG_SZ, nullptr, version, &size));
  EXPECT_EQ(std::wstring(L"2.0.1"), version);
  RegDeleteKeyW(HKEY_CURRENT_USER, kUninstallKey);
  // The service program of the version the edit made current is registered.
  std::vector<nlohmann::json> installs;
  for (int i = 0; i < 100 && installs.empty(); ++i, Sleep(50))
    installs = test::ReadChildRecords(service);
  ASSERT_EQ(1u, installs.size());
  EXPECT_EQ(std::vector<std::string>{"--install"}, ArgsAfterProgram(installs[0]));
  EXPECT_TRUE(test::ReadChildRecords(escaped).empty());
  EXPECT_EQ(1u, test::ReadChildRecords(client).size());
  const nlohmann::json params = ReportedParams(mark);
  EXPECT_EQ("[]", params.value("error_codes", std::string("?")));
  EXPECT_EQ(1, params.value("launcher_api_result", -1));
  EXPECT_EQ(1, params.value("is_launch_success", -1));

  // An update waits: only with --force_edit.
  WriteConfig({{"cur_path", version_}, {"need_update", true}, {"new_path", kNewVersion}});
  run = RunLauncher(L"--launcher_api=edit_config --cur_path=3.0", DialogAction::kFail);
  EXPECT_EQ(4u, run.exit_code);
  EXPECT_NE(std::string::npos, ReadConfigText().find(version_));
  run = RunLauncher(L"--launcher_api=edit_config --cur_path=3.0 --force_edit", DialogAction::kFail);
  EXPECT_EQ(0u, run.exit_code);
  EXPECT_EQ(R"({"app_name":"scenarioim","cur_path":"3.0","need_update":false})", ReadConfigText());
}

TEST_F(UpdateScenarioTest, UpdateConfigHandsTheSwitchesToTheUpdater) {
  WriteConfig({{"cur_path", version_}});
  const FilePath updater = InstallChild(CurDir(), kUpdaterExe, {{"exit_code", 1}});
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"--launcher_api=update_config --x=1", DialogAction::kFail);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(0u, run.exit_code);
  const auto updates = test::ReadChildRecords(updater);
  ASSERT_EQ(1u, updates.size());
  EXPECT_EQ((std::vector<std::string>{"--launcher_api=update_config", "--x=1",
                                      "--silence_update_mode=update_config"}),
            ArgsAfterProgram(updates[0]));
  const nlohmann::json params = ReportedParams(mark);
  EXPECT_EQ("update_config", params.value("launcher_api", std::string()));
  EXPECT_EQ(0, params.value("launcher_api_result", -1));
}

TEST_F(UpdateScenarioTest, ConfigurationLeavingTheTreeIsInvalid) {
  const FilePath outside = temp_.path().DirName().Append(L"outside");
  const FilePath evil = InstallChild(outside, L"evil.exe");
  WriteConfigText(R"({"app_name":"..\\outside\\evil","cur_path":")" + version_ + R"("})");
  const int64_t mark = CollectorMark();

  const ProgramRun run = RunLauncher(L"", DialogAction::kClose);

  ASSERT_TRUE(run.finished);
  EXPECT_EQ(3u, run.exit_code);
  EXPECT_EQ(1u, run.dialogs.size());
  EXPECT_TRUE(test::ReadChildRecords(evil).empty());
  DeleteFile(outside, true);
  // Nothing of the file was taken over, so the report names no version.
  const std::vector<nlohmann::json> reports = ReportsSince(mark, "");
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ("[1010]", reports[0]["parsed_params"].value("error_codes", std::string()));
}

class InProcessLauncher : public Launcher {
 public:
  LauncherConfig& mutable_config() { return config_; }
};

// The first launcher in this process, the relaunched one a real program
// started by the registered service double. Two seams for what Wine cannot
// do: every process is elevated under Wine, so the token query answers "not
// elevated"; and Wine's standard proxy answers CoSetProxyBlanket with
// E_NOTIMPL, which the client is told to take as success after the real call.
TEST_F(UpdateScenarioTest, EditConfigRelaunchesElevatedThroughTheService) {
  test::ScopedElevationServiceDouble service;
  ASSERT_TRUE(service.registered());
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  SetElevationQueryHookForTesting([](bool* elevated) {
    *elevated = false;
    return true;
  });
  SetProxyBlanketResultHookForTesting(
      [](int32_t result) { return result == E_NOTIMPL ? S_OK : result; });
  test::ScopedProductConstants constants(
      {{kElevatedUpdateId, L"1"}, {kProductShortNameId, L"scenarioim"}});
  // Typed by its bare name, as from a shell in the install directory; the
  // relaunch names the file by its full path.
  test::ScopedCommandLine command_line(CommandLine(CommandLine::StringVector{
      L"corvane_launcher", L"--launcher_api=edit_config", L"--cur_path=2.0.1"}));
  OverrideExePathForTesting(LauncherPath());
  CommandLine expected_relaunch = *CommandLine::ForCurrentProcess();
  expected_relaunch.SetProgram(LauncherPath());
  expected_relaunch.AppendArg("--elevated_relaunch");

  const struct {
    const char* name;
    bool update_waits_in_file;
    bool succeeds;
    std::string config_after;
  } kCases[] = {
      {"relaunch edits", false, true,
       R"({"app_name":"scenarioim","cur_path":"2.0.1","need_update":false})"},
      // The relaunched launcher refuses (an update waits in its file) and
      // ends with 4, which decides this launcher's result.
      {"relaunch refuses", true, false, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.update_waits_in_file) {
      WriteConfig({{"cur_path", version_}, {"need_update", true}, {"new_path", kNewVersion}});
    } else {
      WriteConfig({{"cur_path", version_}});
    }
    const std::string before = ReadConfigText();
    test::ScopedLaunchResult result;
    InProcessLauncher launcher;
    launcher.mutable_config().app_name = L"scenarioim";
    launcher.mutable_config().cur_path = UTF8ToWide(version_);

    EXPECT_EQ(c.succeeds, launcher.EditConfig());

    const auto records = service.Records();
    ASSERT_FALSE(records.empty());
    const std::string relaunched = records.back()["cmdline"].get<std::string>();
    EXPECT_EQ(WideToUTF8(expected_relaunch.GetCommandLineString()), relaunched);
    EXPECT_EQ(c.succeeds ? c.config_after : before, ReadConfigText());
    if (c.succeeds) {
      EXPECT_TRUE(result->error_codes.empty());
    } else {
      EXPECT_EQ(std::vector<int32_t>{kErrorElevatedRelaunchExitCode}, result->error_codes);
      EXPECT_EQ("relaunch exit code: 4", result->extra_info);
    }
  }
  EXPECT_EQ(2u, service.Records().size());

  OverrideExePathForTesting(FilePath());
  SetElevationQueryHookForTesting(nullptr);
  SetProxyBlanketResultHookForTesting(nullptr);
  CoUninitialize();
}

}  // namespace
}  // namespace scenario
}  // namespace corvane
