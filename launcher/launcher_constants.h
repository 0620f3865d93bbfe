#ifndef LAUNCHER_LAUNCHER_CONSTANTS_H_
#define LAUNCHER_LAUNCHER_CONSTANTS_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data_reporter/reporter_identity.h"

// Product constants: everything that differs between products built on this
// launcher lives in the string table of the launcher executable. The entries
// are loaded once at start-up, parsed into typed values and read through one
// getter each. Until loading (and whenever an entry is missing or does not
// parse) every constant holds its default.

namespace corvane {

// String-table ids.
enum ConstantId {
  kAppIdId = 200,
  kProductShortNameId = 201,
  kAppUserModelIdId = 202,
  kIsOverseaId = 203,
  kDownloadPageUrlId = 204,
  kElevatedLaunchId = 205,
  kProductDisplayNameId = 206,
  kMainExeNamesId = 207,
  kAutorunMarkerId = 208,
  kCustomLaunchMarkerId = 209,
  kCustomLaunchExeId = 210,
  kEnableLaunchResultCheckId = 211,
  kElevatedUpdateId = 212,
  kReportUrlId = 213,
  kReportAppNameId = 214,
  kIsEnabledReportStartingSpeedId = 215,
  kIsEnabledStartupAnimationId = 216,
  kSingleInstanceExeNamesId = 217,
  kInstallerMutexNameId = 218,
  kUninstallerRegRootId = 219,
  kUseCrashReporterId = 300,
  kCrashReporterProductIdId = 301,
  kCrashReporterAppNameId = 302,
  kRunNewVersionIfMainExeMissingId = 401,
  kElevationServiceDescriptionId = 500,
  // Optional replacements of the built-in report hosts (test products only).
  kLauncherReportDomesticHostId = 900,
  kLauncherReportOverseasHostId = 901,
};

// LoadStringW's buffer: at most this many characters minus one are read.
constexpr int kConstantBufferSize = 64;

// Loads every constant from the string table of the launcher executable.
// Runs once per process; later calls return at once.
void LoadProductConstants();

// One string-table entry of the launcher executable, cut to 63 characters.
// A missing or empty entry logs "rc string len is 0, id is:<id>" and yields "".
std::wstring LoadConstantString(int id);

// Parses |text| as a JSON list and appends its string elements to |list|.
void ParseNameList(std::wstring_view text, std::vector<std::wstring>* list);

// Portable core of the loader. |read_entry| returns the raw entry text (""
// when missing); the core applies the 63-character cut, the logging and the
// parse rules. Runs once per process like LoadProductConstants.
using ConstantEntryReader = std::function<std::wstring(int id)>;
void LoadProductConstantsWith(const ConstantEntryReader& read_entry);
// LoadConstantString over |read_entry|.
std::wstring LoadConstantStringWith(int id, const ConstantEntryReader& read_entry);

// Puts every constant back to its default and allows another load.
void ResetProductConstantsForTesting();

// Getters.
int app_id();
const std::wstring& product_short_name();
const std::wstring& app_user_model_id();
bool is_oversea();
const std::string& download_page_url();
bool elevated_launch();
const std::wstring& product_display_name();
const std::vector<std::wstring>& main_exe_names();
const std::wstring& autorun_marker();
const std::wstring& custom_launch_marker();
const std::wstring& custom_launch_exe();
bool enable_launch_result_check();
bool elevated_update();
const std::string& report_url();
const std::string& report_app_name();
bool is_enabled_report_starting_speed();
bool is_enabled_startup_animation();
const std::vector<std::wstring>& single_instance_exe_names();
const std::wstring& installer_mutex_name();
int uninstaller_reg_root();
bool use_crash_reporter();
int crash_reporter_product_id();
const std::string& crash_reporter_app_name();
bool run_new_version_if_main_exe_missing();

// Who the launcher's own reports come from, for the overseas or the domestic
// report service: its host (entries 900/901 may replace the built-in ones),
// service app id, app name and version.
ReporterIdentity LauncherReportIdentity(bool oversea);
// Who the product's own reports (start speed, animation) come from: the host
// of `report_url`, `app_id`, `report_app_name` and |app_version|.
ReporterIdentity ProductReportIdentity(std::string_view app_version);
// Never filled; reported as an always-empty list.
const std::vector<int>& constants_error_codes();

// Localized error texts (empty when the chosen language file lacks the key).
std::wstring error_msg_title();
std::wstring error_msg_btn_fix();
std::wstring error_msg_btn_download();
std::wstring error_msg_download_hint();
std::wstring error_msg_fix_or_download_hint();
std::wstring error_msg_str_config_invalid();
std::wstring error_msg_str_find_app_failed();
std::wstring error_msg_str_launch_app_failed();
std::wstring error_msg_str_app_lost_file();

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_CONSTANTS_H_
