#include "launcher/launcher_constants.h"

#include <nlohmann/json.hpp>

#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "data_reporter/ulmet_reporter.h"
#include "launcher/localized_texts.h"

namespace corvane {

namespace {

// Hosts of the event-collection service for the launcher's own reports.
constexpr char kDomesticReportHost[] = "ulmet.quorlix.com";
constexpr char kOverseasReportHost[] = "ulmet-global.quorlix.com";
constexpr int kDomesticReportAppId = 430651;
constexpr int kOverseasReportAppId = 423531;
constexpr char kLauncherReportAppName[] = "corvane_project_launcher";
constexpr char kLauncherReportAppVersion[] = "1.0.0";

struct ProductConstants {
  bool loaded = false;

  int app_id = 0;
  std::wstring product_short_name;
  std::wstring app_user_model_id;
  bool is_oversea = false;
  std::string download_page_url;
  bool elevated_launch = false;
  std::wstring product_display_name;
  std::vector<std::wstring> main_exe_names;
  std::wstring autorun_marker;
  std::wstring custom_launch_marker;
  std::wstring custom_launch_exe;
  bool enable_launch_result_check = false;
  bool elevated_update = true;
  std::string report_url;
  std::string report_app_name;
  bool is_enabled_report_starting_speed = false;
  bool is_enabled_startup_animation = false;
  std::vector<std::wstring> single_instance_exe_names;
  std::wstring installer_mutex_name;
  int uninstaller_reg_root = 0;
  bool use_crash_reporter = false;
  int crash_reporter_product_id = 0;
  std::string crash_reporter_app_name;
  bool run_new_version_if_main_exe_missing = false;

  std::string launcher_report_domestic_host = kDomesticReportHost;
  std::string launcher_report_overseas_host = kOverseasReportHost;
  std::vector<int> constants_error_codes;
};

ProductConstants& Constants() {
  static ProductConstants* constants = new ProductConstants();
  return *constants;
}

// The whole text as a signed 32-bit decimal number; |value| is untouched on
// failure.
bool ParseInteger(const std::wstring& text, int* value) {
  int parsed = 0;
  if (!StringToInt(std::wstring_view(text), &parsed)) return false;
  *value = parsed;
  return true;
}

bool ParseFlag(const std::wstring& text, bool* value) {
  int parsed = 0;
  if (!ParseInteger(text, &parsed)) return false;
  *value = parsed != 0;
  return true;
}

std::wstring ReadEntry(int id, const ConstantEntryReader& read_entry) {
  std::wstring text = read_entry(id);
  if (text.size() > static_cast<size_t>(kConstantBufferSize - 1))
    text.resize(kConstantBufferSize - 1);
  if (text.empty()) LOG(INFO) << "rc string len is 0, id is:" << id;
  return text;
}

}  // namespace

std::wstring LoadConstantStringWith(int id, const ConstantEntryReader& read_entry) {
  return ReadEntry(id, read_entry);
}

void ParseNameList(std::wstring_view text, std::vector<std::wstring>* list) {
  std::string utf8 = WideToUTF8(text);
  LOG(INFO) << "parse array:" << utf8;
  nlohmann::json value;
  JsonReadError error;
  if (!ParseJson(utf8, JSON_PARSE_EXTENDED_TRAILING_COMMAS, &value, &error)) {
    LOG(ERROR) << "error parsing json value: " << error.message;
    return;
  }
  if (!value.is_array()) {
    LOG(ERROR) << "json value is not a list.";
    return;
  }
  if (value.empty()) {
    LOG(INFO) << "json list value empty.";
    return;
  }
  for (const nlohmann::json& element : value) {
    if (element.is_string()) list->push_back(UTF8ToWide(element.get_ref<const std::string&>()));
  }
}

void LoadProductConstantsWith(const ConstantEntryReader& read_entry) {
  ProductConstants& c = Constants();
  if (c.loaded) return;
  c.loaded = true;

  auto read = [&read_entry](int id) { return ReadEntry(id, read_entry); };

  if (!ParseInteger(read(kAppIdId), &c.app_id)) LOG(ERROR) << "failed to parse app id.";
  c.product_short_name = read(kProductShortNameId);
  c.app_user_model_id = read(kAppUserModelIdId);
  if (!ParseFlag(read(kElevatedLaunchId), &c.elevated_launch))
    LOG(ERROR) << "failed to parse elevated launch.";
  if (!ParseFlag(read(kIsOverseaId), &c.is_oversea)) LOG(ERROR) << "failed to parse is oversea.";
  c.download_page_url = WideToUTF8(read(kDownloadPageUrlId));
  if (!ParseFlag(read(kUseCrashReporterId), &c.use_crash_reporter))
    LOG(ERROR) << "failed to parse use crash reporter";
  if (!ParseInteger(read(kCrashReporterProductIdId), &c.crash_reporter_product_id))
    LOG(ERROR) << "failed to parse crash reporter product id.";
  c.crash_reporter_app_name = WideToUTF8(read(kCrashReporterAppNameId));
  c.product_display_name = read(kProductDisplayNameId);
  ParseNameList(read(kMainExeNamesId), &c.main_exe_names);
  ParseNameList(read(kSingleInstanceExeNamesId), &c.single_instance_exe_names);
  c.autorun_marker = read(kAutorunMarkerId);
  c.custom_launch_marker = read(kCustomLaunchMarkerId);
  c.custom_launch_exe = read(kCustomLaunchExeId);
  if (!ParseFlag(read(kEnableLaunchResultCheckId), &c.enable_launch_result_check))
    LOG(ERROR) << "failed to parse enable_launch_result_check";
  if (!ParseFlag(read(kIsEnabledReportStartingSpeedId), &c.is_enabled_report_starting_speed))
    LOG(ERROR) << "failed to parse is_enabled_report_starting_speed";
  if (!ParseFlag(read(kIsEnabledStartupAnimationId), &c.is_enabled_startup_animation))
    LOG(ERROR) << "failed to parse is_enabled_startup_animation";
  if (!ParseFlag(read(kElevatedUpdateId), &c.elevated_update))
    LOG(ERROR) << "failed to parse elevated update.";
  c.report_url = WideToUTF8(read(kReportUrlId));
  c.report_app_name = WideToUTF8(read(kReportAppNameId));
  c.installer_mutex_name = read(kInstallerMutexNameId);
  if (!ParseInteger(read(kUninstallerRegRootId), &c.uninstaller_reg_root))
    LOG(ERROR) << "failed to parse uninstaller reg root.";
  c.run_new_version_if_main_exe_missing = read(kRunNewVersionIfMainExeMissingId) == L"1";

  c.main_exe_names.push_back(c.product_short_name + L".exe");

  // Host overrides exist only in test products; their absence is not logged.
  std::wstring domestic = read_entry(kLauncherReportDomesticHostId);
  if (!domestic.empty()) c.launcher_report_domestic_host = WideToUTF8(domestic);
  std::wstring overseas = read_entry(kLauncherReportOverseasHostId);
  if (!overseas.empty()) c.launcher_report_overseas_host = WideToUTF8(overseas);
}

void ResetProductConstantsForTesting() { Constants() = ProductConstants(); }

int app_id() { return Constants().app_id; }
const std::wstring& product_short_name() { return Constants().product_short_name; }
const std::wstring& app_user_model_id() { return Constants().app_user_model_id; }
bool is_oversea() { return Constants().is_oversea; }
const std::string& download_page_url() { return Constants().download_page_url; }
bool elevated_launch() { return Constants().elevated_launch; }
const std::wstring& product_display_name() { return Constants().product_display_name; }
const std::vector<std::wstring>& main_exe_names() { return Constants().main_exe_names; }
const std::wstring& autorun_marker() { return Constants().autorun_marker; }
const std::wstring& custom_launch_marker() { return Constants().custom_launch_marker; }
const std::wstring& custom_launch_exe() { return Constants().custom_launch_exe; }
bool enable_launch_result_check() { return Constants().enable_launch_result_check; }
bool elevated_update() { return Constants().elevated_update; }
const std::string& report_url() { return Constants().report_url; }
const std::string& report_app_name() { return Constants().report_app_name; }
bool is_enabled_report_starting_speed() { return Constants().is_enabled_report_starting_speed; }
bool is_enabled_startup_animation() { return Constants().is_enabled_startup_animation; }
const std::vector<std::wstring>& single_instance_exe_names() {
  return Constants().single_instance_exe_names;
}
const std::wstring& installer_mutex_name() { return Constants().installer_mutex_name; }
int uninstaller_reg_root() { return Constants().uninstaller_reg_root; }
bool use_crash_reporter() { return Constants().use_crash_reporter; }
int crash_reporter_product_id() { return Constants().crash_reporter_product_id; }
const std::string& crash_reporter_app_name() { return Constants().crash_reporter_app_name; }
bool run_new_version_if_main_exe_missing() {
  return Constants().run_new_version_if_main_exe_missing;
}

ReporterIdentity LauncherReportIdentity(bool oversea) {
  ReporterIdentity identity;
  identity.server = oversea ? Constants().launcher_report_overseas_host
                            : Constants().launcher_report_domestic_host;
  identity.app_id = oversea ? kOverseasReportAppId : kDomesticReportAppId;
  identity.app_name = kLauncherReportAppName;
  identity.app_version = kLauncherReportAppVersion;
  return identity;
}

ReporterIdentity ProductReportIdentity(std::string_view app_version) {
  return {ReportHostFromUrl(report_url()), app_id(), report_app_name(), std::string(app_version)};
}

const std::vector<int>& constants_error_codes() { return Constants().constants_error_codes; }

std::wstring error_msg_title() { return LocalizedText("error_msg_title"); }
std::wstring error_msg_btn_fix() { return LocalizedText("error_msg_btn_fix"); }
std::wstring error_msg_btn_download() { return LocalizedText("error_msg_btn_download"); }
std::wstring error_msg_download_hint() { return LocalizedText("error_msg_download_hint"); }
std::wstring error_msg_fix_or_download_hint() {
  return LocalizedText("error_msg_fix_or_download_hint");
}
std::wstring error_msg_str_config_invalid() {
  return LocalizedText("error_msg_str_config_invalid");
}
std::wstring error_msg_str_find_app_failed() {
  return LocalizedText("error_msg_str_find_app_failed");
}
std::wstring error_msg_str_launch_app_failed() {
  return LocalizedText("error_msg_str_launch_app_failed");
}
std::wstring error_msg_str_app_lost_file() { return LocalizedText("error_msg_str_app_lost_file"); }

}  // namespace corvane
