#include "launcher/launch_result.h"

#include <utility>

#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "data_reporter/ulmet_reporter.h"
#include "launcher/base_launcher.h"
#include "launcher/launcher_constants.h"
#include "launcher/local_product_dir.h"
#include "utils/crash_handler.h"

namespace corvane {

namespace {

// Static lifetime: exists before the entry runs and is never cleared.
LaunchResult g_launch_result;

int AsInt(bool value) { return value ? 1 : 0; }

// Compact, raw UTF-8; text that is not valid UTF-8 is replaced rather than
// thrown over.
std::string DumpCompact(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

template <typename T>
std::string CodesToJson(const std::vector<T>& codes) {
  nlohmann::json array = nlohmann::json::array();
  for (T code : codes) array.push_back(code);
  return DumpCompact(array);
}

}  // namespace

const char kLaunchCompleteEvent[] = "shell_launcher_launch_complete";
const char kLauncherApiResultEvent[] = "shell_launcher_api_result";
const char kLegacyLaunchCompleteEvent[] = "launcher_launch_complete";

LaunchResult::LaunchResult() = default;
LaunchResult::~LaunchResult() = default;
LaunchResult::LaunchResult(const LaunchResult&) = default;
LaunchResult& LaunchResult::operator=(const LaunchResult&) = default;

void LaunchResult::AppendSignedNote(long long number) { extra_info += NumberToString(number); }

void LaunchResult::AppendUnsignedNote(unsigned long long number) {
  extra_info += NumberToString(number);
}

LaunchResult& GetLaunchResult() { return g_launch_result; }

std::string CodesToJsonText(const std::vector<int32_t>& codes) { return CodesToJson(codes); }

std::string CodesToJsonText(const std::vector<uint32_t>& codes) { return CodesToJson(codes); }

nlohmann::json BuildLaunchResultParams(const LaunchResult& result, int app_id,
                                       const std::vector<int32_t>& constants_error_codes) {
  nlohmann::json params = nlohmann::json::object();
  params["is_auto_run"] = AsInt(result.is_auto_run);
  params["is_init_success"] = AsInt(result.is_init_success);
  params["need_update"] = AsInt(result.need_update);
  params["is_update"] = AsInt(result.is_update);
  params["is_launch_success"] = AsInt(result.is_launch_success);
  params["is_update_success"] = AsInt(result.is_update_success);
  params["error_codes"] = CodesToJsonText(result.error_codes);
  params["win_error_codes"] = CodesToJsonText(result.win_error_codes);
  params["h_result_codes"] = CodesToJsonText(result.h_result_codes);
  params["app_id"] = app_id;
  params["cur_app_version"] = WideToUTF8(result.cur_app_version);
  params["new_app_version"] = WideToUTF8(result.new_app_version);
  params["is_bin_update"] = AsInt(result.is_bin_update);
  params["bin_update_success"] = AsInt(result.bin_update_success);
  params["constants_error_codes"] = CodesToJsonText(constants_error_codes);
  params["cur_bin_update_version"] = result.cur_bin_update_version;
  params["extra_info"] = result.extra_info;
  params["is_lost_file"] = AsInt(result.is_lost_file);
  params["user_btn_choice"] = result.user_btn_choice;
  params["repairer_launch_result"] = AsInt(result.repairer_launch_result);
  params["sys_error"] = result.sys_error;
  params["cur_mid"] = WideToUTF8(result.cur_mid);
  params["new_mid"] = WideToUTF8(result.new_mid);
  params["update_before_launch_time"] = result.update_before_launch_time;
  params["launcher_api"] = result.launcher_api;
  params["launcher_api_result"] = AsInt(result.launcher_api_result);
  params["update_relaunch"] = AsInt(result.update_relaunch);
  return params;
}

std::vector<LaunchReportEvent> ChooseLaunchReportEvents(const LaunchResult& result, int app_id) {
  std::vector<LaunchReportEvent> events;
  if (!result.launcher_api.empty()) {
    events.push_back({kLauncherApiResultEvent, std::nullopt});
    return events;
  }
  events.push_back({kLaunchCompleteEvent, std::nullopt});
  if (app_id == kLegacyLaunchReportAppId)
    events.push_back({kLegacyLaunchCompleteEvent, kLegacyLaunchReportAppId});
  return events;
}

void CompleteCrashReportIdentity() {
  static bool completed = false;
  if (completed || !use_crash_reporter()) return;
  completed = true;
  const std::string device_id = GetDeviceIdText();
  SetCrashReportInfo(nullptr, device_id.c_str(), device_id.c_str());
}

void ReportLaunchResult(const BaseLauncher& launcher) {
  CompleteCrashReportIdentity();
  LaunchResult& result = GetLaunchResult();
  const std::string version = WideToUTF8(launcher.config().cur_path);
  const std::string app_id_text = NumberToString(app_id());
  std::string bin_app_version;
  std::string bin_file_version;
  ReadShellConfig(app_id_text, version, &bin_app_version, &bin_file_version);
  result.cur_bin_update_version = bin_app_version + "_" + bin_file_version;

  std::unique_ptr<UlmetReporter> reporter = CreateReporter(LauncherReportIdentity(is_oversea()));
  const nlohmann::json params = BuildLaunchResultParams(result, app_id(), constants_error_codes());
  // Delivery failures are logged by the reporter; the run goes on regardless.
  for (const LaunchReportEvent& event : ChooseLaunchReportEvents(result, app_id()))
    reporter->Report(event.event, params, event.app_id_override);
}

}  // namespace corvane
