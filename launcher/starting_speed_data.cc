#include "launcher/starting_speed_data.h"

#include "nlohmann/json.hpp"

namespace corvane {

int64_t TimeToReportMs(Time time) {
  return time.is_null() ? 0 : time.ToMillisecondsSinceUnixEpoch();
}

nlohmann::json StartingSpeedDictionary(const StartingSpeedFields& fields) {
  nlohmann::json dictionary = {
      {"data_version", "1"},
      {"is_disk_ssd", fields.is_disk_ssd ? 1 : 0},
      {"system_uptime", fields.system_uptime},
      {"is_exe_first_start", fields.is_exe_first_start ? 1 : 0},
      {"cmd_line", fields.cmd_line},
      {"pid", fields.pid},
      {"parent_proc_name", fields.parent_proc_name},
  };
  const int64_t created = TimeToReportMs(fields.process_created);
  int64_t base = created;
  if (fields.has_parent_create_time) {
    base = TimeToReportMs(fields.parent_create_time);
    dictionary["start_by_parent_time"] = 1;
    dictionary["parent_create_process"] = std::to_string(base);
    dictionary["step_process_created"] = std::to_string(created - base);
  } else {
    dictionary["start_by_parent_time"] = 0;
    dictionary["step_process_created"] = std::to_string(base);
  }
  dictionary["step_wmain"] = std::to_string(TimeToReportMs(fields.wmain) - base);
  dictionary["step_create_sub_begin"] =
      std::to_string(TimeToReportMs(fields.create_sub_begin) - base);
  dictionary["step_create_sub_end"] = std::to_string(TimeToReportMs(fields.create_sub_end) - base);
  dictionary["sub_process_name"] = fields.sub_process_name;
  dictionary["sub_process_pid"] = fields.sub_process_pid;
  dictionary["create_sub_suc"] = fields.create_sub_suc ? 1 : 0;
  return dictionary;
}

}  // namespace corvane
