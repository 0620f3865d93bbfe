#include "launcher/launcher_constants.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/logging.h"
#include "test/support/scoped_log_capture.h"
#include "test/support/scoped_product_constants.h"

namespace corvane {
namespace {

using test::ScopedLogCapture;

class ProductConstantsTest : public testing::Test {
 protected:
  // Every constant back at its default, ready for another load.
  void Fresh() { constants_.emplace(); }

  // Loads from a table; ids not in it are missing entries.
  void Load(const std::map<int, std::wstring>& table) {
    LoadProductConstantsWith([&table](int id) {
      auto it = table.find(id);
      return it == table.end() ? std::wstring() : it->second;
    });
  }

 private:
  std::optional<test::ScopedProductConstants> constants_{std::in_place};
};

TEST_F(ProductConstantsTest, DefaultsBeforeLoading) {
  EXPECT_EQ(0, app_id());
  EXPECT_TRUE(product_short_name().empty());
  EXPECT_TRUE(main_exe_names().empty());
  EXPECT_FALSE(enable_launch_result_check());
  EXPECT_TRUE(elevated_update());
  EXPECT_FALSE(use_crash_reporter());
  EXPECT_EQ(430651, LauncherReportIdentity(false).app_id);
  EXPECT_EQ(423531, LauncherReportIdentity(true).app_id);
  EXPECT_TRUE(constants_error_codes().empty());
}

// Flags go through the signed decimal parser: any value but 0 is true, and
// anything that is not a whole number keeps the default.
TEST_F(ProductConstantsTest, FlagParsing) {
  struct Case {
    const wchar_t* text;
    bool parses;
    bool value;
  } const kCases[] = {
      {L"1", true, true},           {L"2", true, true},        {L"-1", true, true},
      {L"+1", true, true},          {L"0", true, false},       {L"-0", true, false},
      {L"1 ", false, false},        {L" 1", false, false},     {L"", false, false},
      {L"0x1", false, false},       {L"true", false, false},   {L"2147483648", false, false},
      {L"-2147483648", true, true}, {L"\u0661", false, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "entry \"" << std::wstring(c.text) << "\"");
    Fresh();
    ScopedLogCapture log;
    Load({{kEnableLaunchResultCheckId, c.text}, {kElevatedUpdateId, c.text}});
    // 211 defaults to false, 212 to true.
    EXPECT_EQ(c.parses ? c.value : false, enable_launch_result_check());
    EXPECT_EQ(c.parses ? c.value : true, elevated_update());
    EXPECT_EQ(!c.parses,
              log.Has(logging::LOGGING_ERROR, "failed to parse enable_launch_result_check"));
    EXPECT_EQ(!c.parses, log.Has(logging::LOGGING_ERROR, "failed to parse elevated update."));
  }
}

TEST_F(ProductConstantsTest, IntegerParsing) {
  struct Case {
    const wchar_t* text;
    int value;  // 0 when the text does not parse
    bool parses;
  } const kCases[] = {
      {L"583172", 583172, true}, {L"+7", 7, true},
      {L"-5", -5, true},         {L"2147483647", 2147483647, true},
      {L"2147483648", 0, false}, {L"-2147483649", 0, false},
      {L"12a", 0, false},        {L"", 0, false},
      {L"1.0", 0, false},        {L"+", 0, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "entry \"" << std::wstring(c.text) << "\"");
    Fresh();
    ScopedLogCapture log;
    Load({{kAppIdId, c.text}, {kUninstallerRegRootId, c.text}});
    EXPECT_EQ(c.value, app_id());
    EXPECT_EQ(c.value, uninstaller_reg_root());
    EXPECT_EQ(!c.parses, log.Has(logging::LOGGING_ERROR, "failed to parse app id."));
    EXPECT_EQ(!c.parses, log.Has(logging::LOGGING_ERROR, "failed to parse uninstaller reg root."));
  }
}

// Only the single character 1 is true, and nothing is ever logged for it.
TEST_F(ProductConstantsTest, ExactOneFlag) {
  struct Case {
    const wchar_t* text;
    bool value;
  } const kCases[] = {
      {L"1", true},   {L"01", false}, {L" 1", false}, {L"1 ", false},
      {L"+1", false}, {L"2", false},  {L"", false},   {L"11", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "entry \"" << std::wstring(c.text) << "\"");
    Fresh();
    std::map<int, std::wstring> table = {{kRunNewVersionIfMainExeMissingId, c.text}};
    ScopedLogCapture log;
    Load(table);
    EXPECT_EQ(c.value, run_new_version_if_main_exe_missing());
    // Only a missing entry is logged, by the reader.
    int lines_about_401 = 0;
    for (const auto& line : log.lines()) {
      if (line.text.find("401") != std::string::npos) ++lines_about_401;
    }
    EXPECT_EQ(c.text[0] ? 0 : 1, lines_about_401);
  }
}

TEST_F(ProductConstantsTest, EntriesAreCutTo63Characters) {
  std::wstring seventy(70, L'x');
  seventy[62] = L'y';
  Load({{kAppUserModelIdId, seventy}, {kReportAppNameId, seventy}});
  EXPECT_EQ(std::wstring(62, L'x') + L"y", app_user_model_id());
  EXPECT_EQ(std::string(62, 'x') + "y", report_app_name());
}

TEST_F(ProductConstantsTest, Utf8KindsReplaceUnpairedSurrogates) {
  Load({{kReportAppNameId, std::wstring(L"a") + wchar_t(0xD800) + L"b"},
        {kCrashReporterAppNameId, L"\u7EF4"},
        {kProductDisplayNameId, std::wstring(L"a") + wchar_t(0xD800)}});
  EXPECT_EQ(
      "a\xEF\xBF\xBD"
      "b",
      report_app_name());
  EXPECT_EQ("\xE7\xBB\xB4", crash_reporter_app_name());
  // Wide kinds keep the entry as it is.
  EXPECT_EQ(std::wstring(L"a") + wchar_t(0xD800), product_display_name());
}

TEST_F(ProductConstantsTest, MainExeNamesEndWithShortName) {
  Load({{kProductShortNameId, L"velmoraim"}, {kMainExeNamesId, L"[\"\u7EF4.exe\"]"}});
  EXPECT_EQ(std::vector<std::wstring>({L"\u7EF4.exe", L"velmoraim.exe"}), main_exe_names());
}

TEST_F(ProductConstantsTest, DerivedReportIdentity) {
  Load({{kIsOverseaId, L"1"}});
  const ReporterIdentity oversea = LauncherReportIdentity(is_oversea());
  EXPECT_EQ(423531, oversea.app_id);
  EXPECT_EQ(LauncherReportIdentity(true).server, oversea.server);
  EXPECT_EQ("corvane_project_launcher", oversea.app_name);
  EXPECT_EQ("1.0.0", oversea.app_version);

  Fresh();
  Load({{kIsOverseaId, L"0"}, {kLauncherReportDomesticHostId, L"127.0.0.1:18443"}});
  EXPECT_EQ(430651, LauncherReportIdentity(is_oversea()).app_id);
  EXPECT_EQ("127.0.0.1:18443", LauncherReportIdentity(is_oversea()).server);
  EXPECT_NE(LauncherReportIdentity(false).server, LauncherReportIdentity(true).server);

  Fresh();
  ScopedLogCapture log;
  Load({{kIsOverseaId, L"yes"}});
  EXPECT_FALSE(is_oversea());
  EXPECT_EQ(430651, LauncherReportIdentity(is_oversea()).app_id);
  EXPECT_TRUE(log.Has(logging::LOGGING_ERROR, "failed to parse is oversea."));
}

TEST_F(ProductConstantsTest, ProductReportIdentity) {
  Load({{kAppIdId, L"1234"},
        {kReportUrlId, L"https://stats.example.com/collect/v2"},
        {kReportAppNameId, L"corvane_pc"}});
  const ReporterIdentity identity = ProductReportIdentity("5.6.7.8");
  EXPECT_EQ("stats.example.com", identity.server);
  EXPECT_EQ(1234, identity.app_id);
  EXPECT_EQ("corvane_pc", identity.app_name);
  EXPECT_EQ("5.6.7.8", identity.app_version);
}

// With an empty table every id is read once, in the fixed order, and each
// step logs its line; the report-host overrides are read silently.
TEST_F(ProductConstantsTest, ReadOrderAndLinesWithEmptyTable) {
  std::vector<int> asked;
  ScopedLogCapture log;
  LoadProductConstantsWith([&asked](int id) {
    asked.push_back(id);
    return std::wstring();
  });
  EXPECT_EQ(std::vector<int>({200, 201, 202, 205, 203, 204, 300, 301, 302, 206, 207, 217, 208,
                              209, 210, 211, 215, 216, 212, 213, 214, 218, 219, 401, 900, 901}),
            asked);
  std::vector<std::string> texts = log.Texts();
  ASSERT_EQ(38u, texts.size());
  const std::vector<std::string> kHead = {
      "rc string len is 0, id is:200",
      "failed to parse app id.",
      "rc string len is 0, id is:201",
      "rc string len is 0, id is:202",
      "rc string len is 0, id is:205",
      "failed to parse elevated launch.",
      "rc string len is 0, id is:203",
      "failed to parse is oversea.",
      "rc string len is 0, id is:204",
      "rc string len is 0, id is:300",
      "failed to parse use crash reporter",
      "rc string len is 0, id is:301",
      "failed to parse crash reporter product id.",
      "rc string len is 0, id is:302",
      "rc string len is 0, id is:206",
      "rc string len is 0, id is:207",
      "parse array:",
  };
  EXPECT_EQ(kHead, std::vector<std::string>(texts.begin(), texts.begin() + kHead.size()));
  EXPECT_EQ(0u, texts[17].find("error parsing json value: ")) << texts[17];
  EXPECT_GT(texts[17].size(), std::string("error parsing json value: ").size());
  const std::vector<std::string> kTail = {
      "rc string len is 0, id is:217",
      "parse array:",
  };
  EXPECT_EQ(kTail, std::vector<std::string>(texts.begin() + 18, texts.begin() + 20));
  EXPECT_EQ(0u, texts[20].find("error parsing json value: "));
  const std::vector<std::string> kRest = {
      "rc string len is 0, id is:208",
      "rc string len is 0, id is:209",
      "rc string len is 0, id is:210",
      "rc string len is 0, id is:211",
      "failed to parse enable_launch_result_check",
      "rc string len is 0, id is:215",
      "failed to parse is_enabled_report_starting_speed",
      "rc string len is 0, id is:216",
      "failed to parse is_enabled_startup_animation",
      "rc string len is 0, id is:212",
      "failed to parse elevated update.",
      "rc string len is 0, id is:213",
      "rc string len is 0, id is:214",
      "rc string len is 0, id is:218",
      "rc string len is 0, id is:219",
      "failed to parse uninstaller reg root.",
      "rc string len is 0, id is:401",
  };
  EXPECT_EQ(kRest, std::vector<std::string>(texts.begin() + 21, texts.end()));
  // Severity: parse failures are errors, missing entries are info.
  EXPECT_EQ(logging::LOGGING_ERROR, log.lines()[1].severity);
  EXPECT_EQ(logging::LOGGING_INFO, log.lines()[0].severity);
  EXPECT_EQ(std::vector<std::wstring>({L".exe"}), main_exe_names());
  EXPECT_TRUE(elevated_update());
}

TEST_F(ProductConstantsTest, SecondLoadReturnsAtOnce) {
  Load({{kAppIdId, L"1"}});
  ScopedLogCapture log;
  Load({{kAppIdId, L"2"}});
  EXPECT_EQ(1, app_id());
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(1u, main_exe_names().size());
}

TEST(ParseNameListTest, Cases) {
  struct Case {
    const wchar_t* text;
    std::vector<std::wstring> names;
    const char* line;  // an expected line after "parse array:..."
  } const kCases[] = {
      {L"[\"a\", 5, \"b\"]", {L"a", L"b"}, nullptr},
      {L"[\"x\",]", {L"x"}, nullptr},
      {L"/* note */ [\"y\"]", {L"y"}, nullptr},
      {L"[null, true, {\"k\": \"v\"}, [\"n\"], \"z\"]", {L"z"}, nullptr},
      {L"[\"\u7EF4\u83AB\u62C9.exe\"]", {L"\u7EF4\u83AB\u62C9.exe"}, nullptr},
      {L"[]", {}, "json list value empty."},
      {L"{\"a\": \"b\"}", {}, "json value is not a list."},
      {L"\"a\"", {}, "json value is not a list."},
      {L"[\"a\"", {}, "error parsing json value: "},
      {L"", {}, "error parsing json value: "},
      {L"[\"a\"] x", {}, "error parsing json value: "},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "list " << std::wstring(c.text));
    std::vector<std::wstring> names = {L"kept"};
    ScopedLogCapture log;
    ParseNameList(c.text, &names);
    std::vector<std::wstring> want = {L"kept"};
    want.insert(want.end(), c.names.begin(), c.names.end());
    EXPECT_EQ(want, names);
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(logging::LOGGING_INFO, log.lines()[0].severity);
    EXPECT_EQ(0u, log.lines()[0].text.find("parse array:"));
    if (c.line) {
      ASSERT_EQ(2u, log.lines().size());
      EXPECT_EQ(0u, log.lines()[1].text.find(c.line)) << log.lines()[1].text;
    } else {
      EXPECT_EQ(1u, log.lines().size());
    }
  }
}

TEST(ParseNameListTest, LogsTheListAsUtf8) {
  std::vector<std::wstring> names;
  ScopedLogCapture log;
  ParseNameList(L"[\"\u7EF4\"]", &names);
  ASSERT_EQ(1u, log.lines().size());
  EXPECT_EQ("parse array:[\"\xE7\xBB\xB4\"]", log.lines()[0].text);
}

}  // namespace
}  // namespace corvane
