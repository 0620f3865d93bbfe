// How long the client's start took, from the launcher's parent to the
// client's process, reported as "pc_launcher_start_speed"; the time stamps
// also go to the started processes through their environment. All of it is
// off unless the product turns it on (is_enabled_report_starting_speed).

#ifndef LAUNCHER_STARTING_SPEED_DATA_H_
#define LAUNCHER_STARTING_SPEED_DATA_H_

#include <cstdint>
#include <string>

#include "base/time.h"
#include "nlohmann/json_fwd.hpp"

namespace corvane {

inline constexpr char kStartSpeedEvent[] = "pc_launcher_start_speed";
inline constexpr char kParentCreateVar[] = "LAUNCHER_PARENT_CREATE_PROCESS";
inline constexpr char kClientParentCreateVar[] = "DREL_ELECTRON_PARENT_CREATE_PROCESS";
inline constexpr char kTrayParentCreateVar[] = "TRAY_PARENT_CREATE_PROCESS";
inline constexpr char kLauncherCreationVar[] = "LAUNCHER_PROCESS_CREATION_TIME";
inline constexpr char kFennicCreationVar[] = "FENNIC_PROCESS_CREATION_TIME";

struct StartingSpeedFields {
  bool is_disk_ssd = false;
  std::string system_uptime;
  bool is_exe_first_start = false;
  std::string cmd_line;
  uint32_t pid = 0;
  std::string parent_proc_name;
  bool has_parent_create_time = false;  // the variable was there, even as 0
  Time parent_create_time;
  Time process_created;
  Time wmain;
  Time create_sub_begin;
  Time create_sub_end;
  std::string sub_process_name;
  uint32_t sub_process_pid = 0;
  bool create_sub_suc = false;
  std::string app_version;
  Time fennic_create_begin;
};

// Milliseconds since the Unix epoch; 0 for a time never set.
int64_t TimeToReportMs(Time time);

// The report's dictionary: integer booleans, decimal-string times, each step
// relative to the parent's start time (or, without one, to the launcher's
// creation).
nlohmann::json StartingSpeedDictionary(const StartingSpeedFields& fields);

class StartingSpeedData {
 public:
  static StartingSpeedData* GetInstance();

  // These two store whatever the product says; the rest does nothing when
  // start-speed reporting is off.
  void RecordWmain();
  void SetAppVersion(const std::string& version);

  void OnCreateSubProcessBegin();
  void OnFennicProcessBegin();
  void OnCreateSubProcessEnd();
  void SetSubProcessPid(uint32_t pid);
  void SetSubProcessName(const std::string& name);
  void SetCreateSubSuccess(bool success);
  // First launcher start since the user's hive was loaded.
  void CheckFirstStart();
  // Measures the rest and sends the report; blocks until it returns.
  void ReportStartingSpeedData();

  const StartingSpeedFields& fields() const { return fields_; }
  void SetFieldsForTesting(const StartingSpeedFields& fields) { fields_ = fields; }

 private:
  StartingSpeedData() = default;
  void DoReportStartingSpeedData();

  StartingSpeedFields fields_;
};

}  // namespace corvane

#endif  // LAUNCHER_STARTING_SPEED_DATA_H_
