#include "launcher/starting_speed_data.h"

#include "gtest/gtest.h"
#include "nlohmann/json.hpp"

namespace corvane {
namespace {

TEST(StartingSpeedDataTest, StepsCountFromTheParentOrFromTheLaunchersCreation) {
  const int64_t t = 1700000000000;
  StartingSpeedFields fields;
  fields.process_created = Time::FromMillisecondsSinceUnixEpoch(t + 150);
  fields.wmain = Time::FromMillisecondsSinceUnixEpoch(t + 170);
  fields.create_sub_begin = Time::FromMillisecondsSinceUnixEpoch(t + 180);
  // create_sub_end never set: the step is -B.
  fields.sub_process_name = "client.exe";
  fields.sub_process_pid = 42;
  fields.create_sub_suc = true;
  fields.is_disk_ssd = true;

  nlohmann::json without = StartingSpeedDictionary(fields);
  EXPECT_EQ(0, without["start_by_parent_time"]);
  EXPECT_FALSE(without.contains("parent_create_process"));
  EXPECT_EQ(std::to_string(t + 150), without["step_process_created"]);
  EXPECT_EQ("20", without["step_wmain"]);
  EXPECT_EQ(std::to_string(-(t + 150)), without["step_create_sub_end"]);

  fields.has_parent_create_time = true;
  fields.parent_create_time = Time::FromMillisecondsSinceUnixEpoch(t);
  nlohmann::json with = StartingSpeedDictionary(fields);
  EXPECT_EQ(1, with["start_by_parent_time"]);
  EXPECT_EQ(std::to_string(t), with["parent_create_process"]);
  EXPECT_EQ("150", with["step_process_created"]);
  EXPECT_EQ("180", with["step_create_sub_begin"]);
  // Integer booleans, keys in order, nothing else.
  EXPECT_EQ(
      "{\"cmd_line\":\"\",\"create_sub_suc\":1,\"data_version\":\"1\",\"is_disk_ssd\":1,"
      "\"is_exe_first_start\":0,\"parent_create_process\":\"1700000000000\",\"parent_proc_name\":"
      "\"\",\"pid\":0,\"start_by_parent_time\":1,\"step_create_sub_begin\":\"180\","
      "\"step_create_sub_end\":\"-1700000000000\",\"step_process_created\":\"150\","
      "\"step_wmain\":\"170\",\"sub_process_name\":\"client.exe\",\"sub_process_pid\":42,"
      "\"system_uptime\":\"\"}",
      with.dump());

  // A variable that held 0 still counts as given.
  fields.parent_create_time = Time::FromMillisecondsSinceUnixEpoch(0);
  EXPECT_EQ("0", StartingSpeedDictionary(fields)["parent_create_process"]);
}

}  // namespace
}  // namespace corvane
