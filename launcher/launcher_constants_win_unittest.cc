// Loads the string tables of test products, built from their own product
// definition files into resource DLLs beside this test, through LoadStringW.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/logging.h"
#include "test/support/scoped_log_capture.h"
#include "test/support/scoped_product_constants.h"
#include "launcher/launcher_constants.h"
#include "launcher/launcher_constants_win.h"
#include "launcher/localized_texts.h"

namespace corvane {
namespace {

class ScopedModule {
 public:
  explicit ScopedModule(const wchar_t* file_name) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    dir.resize(dir.find_last_of(L'\\') + 1);
    module_ = LoadLibraryW((dir + file_name).c_str());
  }
  ~ScopedModule() {
    if (module_) FreeLibrary(module_);
  }
  ScopedModule(const ScopedModule&) = delete;
  ScopedModule& operator=(const ScopedModule&) = delete;

  HMODULE get() const { return module_; }

 private:
  HMODULE module_ = nullptr;
};

using test::ScopedLogCapture;

// "E text" for errors, "I text" for the rest: whole lines to compare at once.
std::vector<std::string> Tagged(const ScopedLogCapture& log) {
  std::vector<std::string> lines;
  for (const test::LogLine& line : log.lines())
    lines.push_back((line.severity == logging::LOGGING_ERROR ? "E " : "I ") + line.text);
  return lines;
}

class ProductTableTest : public testing::Test {
 protected:
  void TearDown() override { ClearLocalizedTexts(); }

 private:
  test::ScopedProductConstants constants_;
};

TEST_F(ProductTableTest, ShippedProduct) {
  ScopedModule module(L"corvane_test_product_shipped.dll");
  ASSERT_TRUE(module.get());
  ScopedLogCapture log;
  LoadProductConstantsFromModule(module.get());

  EXPECT_EQ(583172, app_id());
  EXPECT_EQ(L"velmoraim", product_short_name());
  EXPECT_EQ(L"com.quorlix.pandrelim.desktop", app_user_model_id());
  EXPECT_FALSE(is_oversea());
  EXPECT_EQ("https://im.velmora.com/download", download_page_url());
  EXPECT_FALSE(elevated_launch());
  EXPECT_EQ(L"\u7EF4\u83AB\u62C9", product_display_name());
  EXPECT_EQ(std::vector<std::wstring>({L"\u7EF4\u83AB\u62C9.exe", L"velmoraim.exe"}),
            main_exe_names());
  EXPECT_EQ(L"autorun", autorun_marker());
  EXPECT_TRUE(custom_launch_marker().empty());
  EXPECT_TRUE(custom_launch_exe().empty());
  EXPECT_TRUE(enable_launch_result_check());
  EXPECT_TRUE(elevated_update());
  EXPECT_EQ("https://ulmet.velmora.com", report_url());
  EXPECT_EQ("\xE7\xBB\xB4\xE8\x8E\xAB\xE6\x8B\x89PC\xE7\x89\x88", report_app_name());
  EXPECT_FALSE(is_enabled_report_starting_speed());
  EXPECT_FALSE(is_enabled_startup_animation());
  EXPECT_TRUE(single_instance_exe_names().empty());
  EXPECT_EQ(L"VelmoraChat_Mutex_Install", installer_mutex_name());
  EXPECT_EQ(0, uninstaller_reg_root());
  EXPECT_TRUE(use_crash_reporter());
  EXPECT_EQ(1084305217, crash_reporter_product_id());
  EXPECT_EQ("velmoraim", crash_reporter_app_name());
  EXPECT_FALSE(run_new_version_if_main_exe_missing());
  EXPECT_EQ(430651, LauncherReportIdentity(is_oversea()).app_id);
  EXPECT_EQ(LauncherReportIdentity(false).server, LauncherReportIdentity(is_oversea()).server);

  // Absent entries are the only thing logged: 209, 210 and the list 217.
  std::vector<std::string> info_and_errors;
  for (const std::string& line : Tagged(log)) {
    if (line.rfind("I parse array:", 0) != 0) info_and_errors.push_back(line);
  }
  ASSERT_EQ(4u, info_and_errors.size());
  EXPECT_EQ("I rc string len is 0, id is:217", info_and_errors[0]);
  EXPECT_EQ(0u, info_and_errors[1].find("E error parsing json value: "));
  EXPECT_EQ("I rc string len is 0, id is:209", info_and_errors[2]);
  EXPECT_EQ("I rc string len is 0, id is:210", info_and_errors[3]);
}

TEST_F(ProductTableTest, Product6383) {
  ScopedModule module(L"corvane_test_product_6383.dll");
  ASSERT_TRUE(module.get());
  ScopedLogCapture log;
  LoadProductConstantsFromModule(module.get());

  EXPECT_EQ(6383, app_id());
  // The 70-character entry comes back as its first 63 characters.
  EXPECT_EQ(63u, app_user_model_id().size());
  EXPECT_EQ(0u, app_user_model_id().find(L"com.quorlix.test.xxx"));
  EXPECT_EQ(L'x', app_user_model_id().back());
  EXPECT_TRUE(is_oversea());
  EXPECT_TRUE(elevated_launch());  // "2"
  EXPECT_EQ(L"\u6D4B\u8BD5\u4EA7\u54C1A1", product_display_name());
  EXPECT_EQ(std::vector<std::wstring>({L"a", L"b", L"velmoratest.exe"}), main_exe_names());
  EXPECT_EQ(L"--custom_marker", custom_launch_marker());
  EXPECT_EQ(L"bin\\custom.exe", custom_launch_exe());
  // "1 " does not parse.
  EXPECT_FALSE(enable_launch_result_check());
  EXPECT_TRUE(log.Has(logging::LOGGING_ERROR, "failed to parse enable_launch_result_check"));
  // "yes" does not parse; the default stays.
  EXPECT_TRUE(elevated_update());
  EXPECT_TRUE(log.Has(logging::LOGGING_ERROR, "failed to parse elevated update."));
  EXPECT_EQ("bad\xEF\xBF\xBDx", report_app_name());
  EXPECT_TRUE(is_enabled_report_starting_speed());  // "-1"
  EXPECT_TRUE(is_enabled_startup_animation());      // "+1"
  EXPECT_TRUE(single_instance_exe_names().empty());
  EXPECT_TRUE(log.Has(logging::LOGGING_INFO, "json list value empty."));
  EXPECT_EQ(2, uninstaller_reg_root());
  EXPECT_FALSE(use_crash_reporter());
  EXPECT_EQ(0, crash_reporter_product_id());  // beyond 32 bits
  EXPECT_TRUE(log.Has(logging::LOGGING_ERROR, "failed to parse crash reporter product id."));
  EXPECT_FALSE(run_new_version_if_main_exe_missing());  // "01"
  EXPECT_EQ(423531, LauncherReportIdentity(is_oversea()).app_id);
  EXPECT_EQ("127.0.0.2:18443", LauncherReportIdentity(is_oversea()).server);
  EXPECT_EQ("127.0.0.1:18443", LauncherReportIdentity(false).server);
  for (const std::string& line : Tagged(log))
    EXPECT_EQ(std::string::npos, line.find("id is:")) << line;
}

TEST_F(ProductTableTest, SparseProductWithBrokenList) {
  ScopedModule module(L"corvane_test_product_sparse.dll");
  ASSERT_TRUE(module.get());
  ScopedLogCapture log;
  LoadProductConstantsFromModule(module.get());

  EXPECT_EQ(0, app_id());
  EXPECT_EQ(L"sparse", product_short_name());
  // The broken list adds nothing; the short name is still appended.
  EXPECT_EQ(std::vector<std::wstring>({L"sparse.exe"}), main_exe_names());
  EXPECT_TRUE(log.Has(logging::LOGGING_INFO, "parse array:[\"x\","));
  EXPECT_TRUE(elevated_update());
  EXPECT_TRUE(run_new_version_if_main_exe_missing());
  EXPECT_TRUE(log.Has(logging::LOGGING_INFO, "rc string len is 0, id is:200"));
  EXPECT_TRUE(log.Has(logging::LOGGING_ERROR, "failed to parse app id."));
  EXPECT_FALSE(log.Has(logging::LOGGING_INFO, "rc string len is 0, id is:201"));
  EXPECT_TRUE(log.Has(logging::LOGGING_INFO, "rc string len is 0, id is:217"));
}

TEST_F(ProductTableTest, LoadConstantString) {
  ScopedModule module(L"corvane_test_product_6383.dll");
  ASSERT_TRUE(module.get());
  EXPECT_EQ(L"6383", LoadConstantStringFromModule(module.get(), kAppIdId));
  EXPECT_EQ(L"1 ", LoadConstantStringFromModule(module.get(), kEnableLaunchResultCheckId));
  EXPECT_EQ(L"[\"a\", 5, \"b\",]", LoadConstantStringFromModule(module.get(), kMainExeNamesId));
  EXPECT_EQ(L"127.0.0.1:18443",
            LoadConstantStringFromModule(module.get(), kLauncherReportDomesticHostId));
  ScopedLogCapture log;
  EXPECT_TRUE(LoadConstantStringFromModule(module.get(), 4321).empty());
  // This test program has no string table of its own.
  EXPECT_TRUE(LoadConstantString(kAppIdId).empty());
  EXPECT_EQ(std::vector<std::string>(
                {"I rc string len is 0, id is:4321", "I rc string len is 0, id is:200"}),
            Tagged(log));
}

// The nine error-text getters each return the text of their own key.
TEST_F(ProductTableTest, LocalizedErrorTexts) {
  ScopedModule module(L"corvane_test_product_shipped.dll");
  ASSERT_TRUE(module.get());
  SetResourceArchive(module.get(), 100);
  ASSERT_TRUE(InitLocalizedTextsForLocale("en-US", ArchiveHasFile, ArchiveReadFile));
  struct Case {
    std::wstring (*getter)();
    const wchar_t* text;
  } const kCases[] = {
      {error_msg_title, L"Error"},
      {error_msg_btn_fix, L"Reinstall"},
      {error_msg_btn_download, L"Go to download"},
      {error_msg_download_hint, L"Go to download and reinstall."},
      {error_msg_fix_or_download_hint,
       L"Try reinstalling immediately or go to download and reinstall."},
      {error_msg_str_config_invalid, L"Invalid configuration information."},
      {error_msg_str_find_app_failed, L"Couldn\u2019t find the program."},
      {error_msg_str_launch_app_failed, L"Couldn\u2019t start the program."},
      {error_msg_str_app_lost_file, L"Files may have been lost."},
  };
  for (const Case& c : kCases) EXPECT_EQ(c.text, c.getter());
  SetResourceArchive(nullptr, 0);
}

}  // namespace
}  // namespace corvane
