#include "launcher/local_product_dir.h"

#include <chrono>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "test/support/scoped_log_capture.h"
#include "gtest/gtest.h"
#include "test/support/scoped_temp_dir.h"

namespace corvane {
namespace {

using test::ScopedLogCapture;

TEST(LocalProductDirTest, PathBelowLocalAppData) {
  FilePath app_data;
  ASSERT_TRUE(GetPath(DIR_LOCAL_APP_DATA, &app_data));
  EXPECT_EQ(app_data.Append(L"Quorlix").Append(L"corvane_local_6383"), LocalProductDir("6383"));
  EXPECT_EQ(app_data.Append(L"Quorlix\\corvane_local_6383\\bin_update_local.json"),
            BinUpdateRecordPath("6383"));
  EXPECT_FALSE(PathExists(LocalProductDir("6383_not_created")));
}

class ShellConfigTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.IsValid());
    dir_ = temp_.path();
    record_ = dir_.Append(kBinUpdateRecordFileName);
  }

  test::ScopedTempDir temp_;
  FilePath dir_;
  FilePath record_;
};

TEST_F(ShellConfigTest, RecordContents) {
  struct Case {
    const char* text;  // nullptr: no file.
    std::string app_version;
    std::string file_version;
    std::vector<std::string> errors;
  };
  const std::string key_error = "error: parse key error: ";
  // The folder is the user's: a record far larger than any real one is refused unread.
  const std::string huge = R"({"bin_update_app_version":"1.2","bin_update_file_version":"7",)"
                           R"("pad":")" +
                           std::string(8 << 20, 'x') + "\"}";
  const Case kCases[] = {
      {huge.c_str(), "1.0", "0", {"[shell_config] read file string error:File too large."}},
      {nullptr, "1.0", "0", {"[shell_config] file not exist: " + std::string()}},
      {R"({"bin_update_app_version":"1.2","bin_update_file_version":"7"})", "1.2", "7", {}},
      {R"({"bin_update_app_version":"1.2"})", "1.0", "0", {key_error + "bin_update_file_version"}},
      {R"({"bin_update_file_version":"7"})", "1.0", "0", {key_error + "bin_update_app_version"}},
      {R"({"bin_update_app_version":"","bin_update_file_version":"7"})", "1.0", "0", {}},
      {R"({"bin_update_app_version":"1.2","bin_update_file_version":""})", "1.0", "0", {}},
      {R"({"bin_update_app_version":1.2,"bin_update_file_version":"7"})",
       "1.0",
       "0",
       {key_error + "bin_update_app_version"}},
      {"// written by the updater\n"
       "{\"bin_update_app_version\":\"1.2\",/* x */\"bin_update_file_version\":"
       "\"7\",\"other\":[]}",
       "1.2",
       "7",
       {}},
      {R"({"bin_update_app_version":"1.2","bin_update_file_version":"7",})",
       "1.0",
       "0",
       {"[shell_config] read file string error:Trailing comma not allowed."}},
      {"", "1.0", "0", {"[shell_config] read file string error:"}},
      {"[]",
       "1.0",
       "0",
       {key_error + "bin_update_app_version", key_error + "bin_update_file_version"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text ? c.text : "<no file>");
    DeleteFile(record_, false);
    if (c.text) {
      ASSERT_TRUE(WriteFile(record_, std::string(c.text)));
    }
    std::string app_version = "x";
    std::string file_version = "y";
    ScopedLogCapture log;
    EXPECT_TRUE(ReadShellConfigFile(record_, "1.0", &app_version, &file_version));
    const std::vector<std::string> errors = log.Texts(logging::LOGGING_ERROR);
    EXPECT_EQ(c.app_version, app_version);
    EXPECT_EQ(c.file_version, file_version);
    ASSERT_EQ(c.errors.size(), errors.size());
    for (size_t i = 0; i < c.errors.size(); ++i) {
      if (!c.text) {
        EXPECT_EQ(c.errors[i] + record_.AsUTF8Unsafe(), errors[i]);
      } else if (c.text[0] == '\0') {
        // The reader's message follows the prefix directly.
        EXPECT_EQ(0u, errors[i].find(c.errors[i]));
        EXPECT_GT(errors[i].size(), c.errors[i].size());
      } else {
        EXPECT_EQ(c.errors[i], errors[i]);
      }
    }
  }
}

TEST(ShellConfigLocalDirTest, ReadsTheRecordOfTheSuffix) {
  const std::string suffix =
      "test_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  const FilePath dir = LocalProductDir(suffix);
  ASSERT_TRUE(CreateDirectoryAndGetError(dir, nullptr));
  ASSERT_TRUE(
      WriteFile(BinUpdateRecordPath(suffix), std::string(R"({"bin_update_app_version":"3.0",)"
                                                         R"("bin_update_file_version":"12"})")));
  std::string app_version;
  std::string file_version;
  const bool ok = ReadShellConfig(suffix, "2.9", &app_version, &file_version);
  DeleteFile(dir, true);
  EXPECT_TRUE(ok);
  EXPECT_EQ("3.0", app_version);
  EXPECT_EQ("12", file_version);
}

}  // namespace
}  // namespace corvane
