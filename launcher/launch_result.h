// The process-wide record of how the current launch went, and its report.
// Every step of the run flow writes its part here; the run flow sends it once
// at the end of whichever path the run takes.

#ifndef LAUNCHER_LAUNCH_RESULT_H_
#define LAUNCHER_LAUNCH_RESULT_H_

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace corvane {

class BaseLauncher;

// Launcher error codes, grouped by the thousand that names the area. The
// numbers go to the report server and must never change.
enum LaunchErrorCode : int32_t {
  // Configuration.
  kErrorConfigInvalidJson = 1,
  kErrorConfigAccessDenied = 1000,
  kErrorConfigReadFailed = 1001,
  kErrorConfigLocked = 1002,
  kErrorConfigNotExist = 1003,
  kErrorConfigSchema = 1010,
  kErrorConfigToJsonFailed = 1011,
  // Launching the client.
  kErrorMainExeNotExist = 2000,
  kErrorLaunchAppFailed = 2001,
  kErrorFlagFileFound = 2004,
  kErrorUserChoseRepair = 2007,
  kErrorUserChoseSecondButton = 2008,
  kErrorUserClosedDialog = 2009,
  kErrorLaunchCancelledByUser = 2010,
  kErrorInstallCheckFileFailed = 2011,
  kErrorLaunchFennicFailed = 2012,
  // Update before launch.
  kErrorUpdaterNotExist = 3000,
  kErrorLaunchUpdaterFailed = 3002,
  kErrorLaunchNewVersionFailed = 3003,
  kErrorLaunchRollbackFailed = 3005,
  kErrorElevationServiceLaunchFailed = 3008,
  // Binary update before launch.
  kErrorBinUpdaterNotExist = 4000,
  kErrorBinUpdateServiceLaunchFailed = 4001,
  kErrorBinUpdateLaunchFailed = 4002,
  // Launcher API.
  kErrorNoCommandLine = 5000,
  kErrorUpdateConfigLaunchFailed = 5001,
  kErrorApiInstallerRunning = 5002,
  kErrorApiNeedUpdateNoForceEdit = 5003,
  kErrorElevatedRelaunchFailed = 5004,
  kErrorConfigWriteFailed = 5005,
  kErrorConfigReplaceFailed = 5006,
  kErrorElevatedRelaunchExitCode = 5007,
  kErrorUpdateDisplayVersionFailed = 5008,
  kErrorElevationServiceNotExist = 5009,
};

// Answers of the error dialog as stored in `user_btn_choice`.
enum UserButtonChoice : int32_t {
  kUserChoiceNone = 0,
  kUserChoiceRepair = 1,
  kUserChoiceSecondButton = 2,
  kUserChoiceClosed = 3,
};

// Field names are the report's JSON keys; keep them as they are.
struct LaunchResult {
  LaunchResult();
  ~LaunchResult();
  LaunchResult(const LaunchResult&) = delete;
  LaunchResult& operator=(const LaunchResult&) = delete;

  std::wstring cur_app_version;
  std::wstring new_app_version;
  std::wstring cur_mid;
  std::wstring new_mid;
  std::string cur_bin_update_version;
  bool is_auto_run = false;
  bool update_relaunch = false;
  bool is_init_success = false;
  bool need_update = false;
  bool is_update = false;
  bool is_launch_success = false;
  bool is_update_success = false;
  bool is_bin_update = false;
  bool bin_update_success = false;
  bool is_lost_file = false;
  int32_t user_btn_choice = kUserChoiceNone;
  bool repairer_launch_result = false;
  std::ostringstream extra_info;
  std::vector<int32_t> error_codes;
  std::vector<uint32_t> win_error_codes;
  std::vector<int32_t> h_result_codes;
  std::string sys_error;
  std::string update_before_launch_time;
  std::string launcher_api;
  bool launcher_api_result = false;
};

// The one record of this process.
LaunchResult& GetLaunchResult();

// The report's parameter object for `result`. `app_id` is the product app id,
// `constants_error_codes` the error list of the product constants. Booleans
// go out as 0/1 and the code lists as strings holding compact JSON arrays.
nlohmann::json BuildLaunchResultParams(const LaunchResult& result, int app_id,
                                       const std::vector<int32_t>& constants_error_codes);

// Compact JSON array text of `codes`, e.g. "[3000,3003]".
std::string CodesToJsonText(const std::vector<int32_t>& codes);
std::string CodesToJsonText(const std::vector<uint32_t>& codes);

// Event names of the launch result report.
extern const char kLaunchCompleteEvent[];
extern const char kLauncherApiResultEvent[];
extern const char kLegacyLaunchCompleteEvent[];
// The product app id whose launches are also reported under the legacy event.
constexpr int kLegacyLaunchReportAppId = 6383;

// One send of the launch report: the event name and, when set, the app id
// that replaces the header's own for that send.
struct LaunchReportEvent {
  std::string event;
  std::optional<int32_t> app_id_override;
};

// The events a report of `result` sends for a product with `app_id`, in order.
std::vector<LaunchReportEvent> ChooseLaunchReportEvents(const LaunchResult& result, int app_id);

// Fills `cur_bin_update_version`, builds the parameter object and sends one or
// two events. Blocks until the reporter is done; never fails for the caller.
void ReportLaunchResult(const BaseLauncher& launcher);

}  // namespace corvane

#endif  // LAUNCHER_LAUNCH_RESULT_H_
