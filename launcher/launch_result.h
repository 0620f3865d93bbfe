// The process-wide record of how the current launch went, and its report.
// Every step of the run flow writes its part here; the run flow sends it once
// at the end of whichever path the run takes.

#ifndef LAUNCHER_LAUNCH_RESULT_H_
#define LAUNCHER_LAUNCH_RESULT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "launcher/launch_error_codes.h"

namespace corvane {

class BaseLauncher;

// Answers of the error dialog as stored in `user_btn_choice`.
enum UserButtonChoice : int32_t {
  kUserChoiceNone = 0,
  kUserChoiceRepair = 1,
  kUserChoiceSecondButton = 2,
  kUserChoiceClosed = 3,
};

// Field names are the report's JSON keys; keep them as they are.
// A plain value: a test sets the process's record back by assigning a fresh one.
struct LaunchResult {
  LaunchResult();
  ~LaunchResult();
  LaunchResult(const LaunchResult&);
  LaunchResult& operator=(const LaunchResult&);

  // Appends |parts| (texts, integers as decimal digits) to `extra_info`.
  template <typename... Parts>
  void AppendNote(const Parts&... parts) {
    (AppendNotePart(parts), ...);
  }

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
  std::string extra_info;
  std::vector<int32_t> error_codes;
  std::vector<uint32_t> win_error_codes;
  std::vector<int32_t> h_result_codes;
  std::string sys_error;
  std::string update_before_launch_time;
  std::string launcher_api;
  bool launcher_api_result = false;

 private:
  template <typename T>
  void AppendNotePart(const T& part) {
    if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
      AppendSignedNote(part);
    } else if constexpr (std::is_integral_v<T>) {
      AppendUnsignedNote(part);
    } else {
      extra_info.append(std::string_view(part));
    }
  }
  void AppendSignedNote(long long number);
  void AppendUnsignedNote(unsigned long long number);
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

// Deriving the device identity takes tens of milliseconds, so the crash
// reports get it once the client has been started (or, on a run that starts
// none, at its report), not before: a crash earlier carries none. Once per
// process; nothing when the product has no crash reporter.
void CompleteCrashReportIdentity();

}  // namespace corvane

#endif  // LAUNCHER_LAUNCH_RESULT_H_
