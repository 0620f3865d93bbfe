// The fixture of the launcher scenario tests: a temporary install tree with a
// copy of the scenario launcher, the report collector, and the helpers that
// read what the client and the collector wrote down.

#ifndef TEST_SCENARIO_LAUNCHER_SCENARIO_FIXTURE_H_
#define TEST_SCENARIO_LAUNCHER_SCENARIO_FIXTURE_H_

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
#include "launcher/launcher.h"
#include "test/scenario/scenario_support.h"
#include "test/support/fake_loader_error_box.h"
#include "test/support/report_collector.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"

namespace corvane {
namespace scenario {

// Facts of the scenario product (scenario_product.json.in).
inline constexpr int kProductAppId = 6383;
inline constexpr char kProductShortName[] = "scenarioim";
inline constexpr wchar_t kClientExe[] = L"scenarioim.exe";
inline constexpr wchar_t kDisplayExe[] = L"\u573a\u666f\u5ba2\u6237\u7aef.exe";
inline constexpr wchar_t kCustomExe[] = L"custom_client.exe";
// The scenario product's instance lock, named as the launcher names it.
inline const std::wstring kInstanceLock = InstanceLockName(L"scenarioim");
inline constexpr char kNoWidgetNote[] = "[not run fennic velmora:, reason:not hit fennic ab]";
// Domestic identity of the launcher's own reports.
inline constexpr int kLauncherReportAppId = 430651;
inline constexpr uint32_t kStatusDllNotFound = 0xC0000135;

inline constexpr char kLaunchComplete[] = "shell_launcher_launch_complete";
inline constexpr char kLegacyLaunchComplete[] = "launcher_launch_complete";

// The parameter object of a run that recorded nothing, for |version|.
inline nlohmann::json BaseParams(const std::string& version) {
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
      // Every launch of a product without the widget notes why none ran.
      {"extra_info", kNoWidgetNote},
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

inline std::string Compact(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

inline uint32_t DeviceHash(const std::string& id) {
  int32_t hash = 0;
  for (char c : id) {
    hash = static_cast<int32_t>(
        static_cast<uint32_t>(hash) * 31u +
        static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c))));
  }
  return static_cast<uint32_t>(hash);
}

inline bool IsOsVersionText(const std::string& text) {
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

inline std::vector<std::string> ArgsAfterProgram(const nlohmann::json& record) {
  std::vector<std::string> args;
  if (!record.contains("argv") || !record["argv"].is_array()) return args;
  for (size_t i = 1; i < record["argv"].size(); ++i)
    args.push_back(record["argv"][i].get<std::string>());
  return args;
}

}  // namespace scenario
}  // namespace corvane

#endif  // TEST_SCENARIO_LAUNCHER_SCENARIO_FIXTURE_H_
