#include "launcher/launch_result.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace corvane {
namespace {

std::string Compact(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

TEST(LaunchResultParamsTest, EmptyRecordSendsZerosAndEmptyLists) {
  LaunchResult result;
  const nlohmann::json params = BuildLaunchResultParams(result, 583172, {});
  EXPECT_EQ(
      "{\"app_id\":583172,\"bin_update_success\":0,\"constants_error_codes\":\"[]\","
      "\"cur_app_version\":\"\",\"cur_bin_update_version\":\"\",\"cur_mid\":\"\","
      "\"error_codes\":\"[]\",\"extra_info\":\"\",\"h_result_codes\":\"[]\","
      "\"is_auto_run\":0,\"is_bin_update\":0,\"is_init_success\":0,\"is_launch_success\":0,"
      "\"is_lost_file\":0,\"is_update\":0,\"is_update_success\":0,\"launcher_api\":\"\","
      "\"launcher_api_result\":0,\"need_update\":0,\"new_app_version\":\"\",\"new_mid\":\"\","
      "\"repairer_launch_result\":0,\"sys_error\":\"\",\"update_before_launch_time\":\"\","
      "\"update_relaunch\":0,\"user_btn_choice\":0,\"win_error_codes\":\"[]\"}",
      Compact(params));
}

TEST(LaunchResultParamsTest, FilledRecordKeepsTypesAndOrder) {
  LaunchResult result;
  result.cur_app_version = L"1.2.3";
  result.new_app_version = L"\u7248\u672c2";  // non-ASCII stays raw UTF-8
  result.cur_mid = L"app";
  result.new_mid = L"next";
  result.cur_bin_update_version = "1.2.3_0";
  result.is_auto_run = true;
  result.update_relaunch = true;
  result.is_init_success = true;
  result.need_update = true;
  result.is_update = true;
  result.is_launch_success = true;
  result.is_update_success = true;
  result.is_bin_update = true;
  result.bin_update_success = true;
  result.is_lost_file = true;
  result.user_btn_choice = kUserChoiceClosed;
  result.repairer_launch_result = true;
  result.AppendNote("[installer running]", "[updater exit result:", 0, ",exit code:", 5, "]");
  result.error_codes = {kErrorLaunchAppFailed, kErrorMainExeNotExist, kErrorLaunchAppFailed};
  result.win_error_codes = {2, 1223, 0xFFFFFFFFu};
  result.h_result_codes = {static_cast<int32_t>(0x80070005u), 1};
  result.sys_error = "[a.exe:x.dll]";
  result.update_before_launch_time = "1500";
  result.launcher_api = "edit_config";
  result.launcher_api_result = true;

  const nlohmann::json params = BuildLaunchResultParams(result, 6383, {7, -1});
  EXPECT_EQ(27u, params.size());
  for (const char* key :
       {"is_auto_run", "update_relaunch", "is_init_success", "need_update", "is_update",
        "is_launch_success", "is_update_success", "is_bin_update", "bin_update_success",
        "is_lost_file", "repairer_launch_result", "launcher_api_result"}) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(params[key].is_number_integer());
    EXPECT_EQ(1, params[key].get<int>());
  }
  EXPECT_EQ(3, params["user_btn_choice"].get<int>());
  EXPECT_EQ(6383, params["app_id"].get<int>());
  EXPECT_EQ("[2001,2000,2001]", params["error_codes"].get<std::string>());
  EXPECT_EQ("[2,1223,4294967295]", params["win_error_codes"].get<std::string>());
  EXPECT_EQ("[-2147024891,1]", params["h_result_codes"].get<std::string>());
  EXPECT_EQ("[7,-1]", params["constants_error_codes"].get<std::string>());
  EXPECT_EQ("[installer running][updater exit result:0,exit code:5]",
            params["extra_info"].get<std::string>());
  EXPECT_EQ("1.2.3", params["cur_app_version"].get<std::string>());
  EXPECT_EQ(
      "\xE7\x89\x88\xE6\x9C\xAC"
      "2",
      params["new_app_version"].get<std::string>());
  EXPECT_NE(std::string::npos, Compact(params).find("\"new_app_version\":\"\xE7\x89\x88"));
  EXPECT_EQ("app", params["cur_mid"].get<std::string>());
  EXPECT_EQ("next", params["new_mid"].get<std::string>());
  EXPECT_EQ("1.2.3_0", params["cur_bin_update_version"].get<std::string>());
  EXPECT_EQ("[a.exe:x.dll]", params["sys_error"].get<std::string>());
  EXPECT_EQ("1500", params["update_before_launch_time"].get<std::string>());
  EXPECT_EQ("edit_config", params["launcher_api"].get<std::string>());
}

TEST(LaunchResultParamsTest, EachFlagLandsUnderItsOwnKey) {
  struct FlagCase {
    const char* key;
    bool LaunchResult::*field;
  };
  const FlagCase cases[] = {
      {"is_auto_run", &LaunchResult::is_auto_run},
      {"update_relaunch", &LaunchResult::update_relaunch},
      {"is_init_success", &LaunchResult::is_init_success},
      {"need_update", &LaunchResult::need_update},
      {"is_update", &LaunchResult::is_update},
      {"is_launch_success", &LaunchResult::is_launch_success},
      {"is_update_success", &LaunchResult::is_update_success},
      {"is_bin_update", &LaunchResult::is_bin_update},
      {"bin_update_success", &LaunchResult::bin_update_success},
      {"is_lost_file", &LaunchResult::is_lost_file},
      {"repairer_launch_result", &LaunchResult::repairer_launch_result},
      {"launcher_api_result", &LaunchResult::launcher_api_result},
  };
  for (const FlagCase& c : cases) {
    SCOPED_TRACE(c.key);
    LaunchResult result;
    result.*c.field = true;
    const nlohmann::json params = BuildLaunchResultParams(result, 1, {});
    for (const FlagCase& other : cases)
      EXPECT_EQ(other.field == c.field ? 1 : 0, params[other.key].get<int>()) << other.key;
  }
}

TEST(LaunchResultParamsTest, BrokenUtf8InNotesDoesNotBreakTheReport) {
  LaunchResult result;
  result.AppendNote("[flag:\xFF\xFE]");
  result.sys_error = "\xC3";
  const nlohmann::json params = BuildLaunchResultParams(result, 1, {});
  const std::string text = Compact(params);
  EXPECT_NE(std::string::npos, text.find("\"extra_info\":\"[flag:\xEF\xBF\xBD\xEF\xBF\xBD]\""));
  EXPECT_NE(std::string::npos, text.find("\"sys_error\":\"\xEF\xBF\xBD\""));
}

TEST(LaunchResultTest, CodeListTexts) {
  EXPECT_EQ("[]", CodesToJsonText(std::vector<int32_t>{}));
  EXPECT_EQ("[3000,3003]", CodesToJsonText(std::vector<int32_t>{3000, 3003}));
  EXPECT_EQ("[-1]", CodesToJsonText(std::vector<int32_t>{-1}));
  EXPECT_EQ("[4294967295,0]", CodesToJsonText(std::vector<uint32_t>{0xFFFFFFFFu, 0}));
}

TEST(LaunchResultTest, ProcessRecordIsOneInstance) {
  LaunchResult& first = GetLaunchResult();
  LaunchResult& second = GetLaunchResult();
  EXPECT_EQ(&first, &second);
}

struct EventCase {
  const char* launcher_api;
  int app_id;
  std::vector<std::string> events;
  std::vector<int32_t> overrides;  // -1: no override
};

TEST(LaunchReportEventsTest, EventChoice) {
  const EventCase cases[] = {
      {"", 583172, {"shell_launcher_launch_complete"}, {-1}},
      {"", 6383, {"shell_launcher_launch_complete", "launcher_launch_complete"}, {-1, 6383}},
      {"edit_config", 6383, {"shell_launcher_api_result"}, {-1}},
      {"update_config", 583172, {"shell_launcher_api_result"}, {-1}},
      {"", 0, {"shell_launcher_launch_complete"}, {-1}},
  };
  for (const EventCase& c : cases) {
    SCOPED_TRACE(std::string(c.launcher_api) + "/" + std::to_string(c.app_id));
    LaunchResult result;
    result.launcher_api = c.launcher_api;
    const std::vector<LaunchReportEvent> events = ChooseLaunchReportEvents(result, c.app_id);
    ASSERT_EQ(c.events.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(c.events[i], events[i].event);
      EXPECT_EQ(c.overrides[i] >= 0, events[i].app_id_override.has_value());
      if (events[i].app_id_override) {
        EXPECT_EQ(c.overrides[i], *events[i].app_id_override);
      }
    }
  }
}

}  // namespace
}  // namespace corvane
