// The archive embedded as RCDATA 100 in a module built from the shipped
// product definition (a resource DLL beside this test).

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/localized_texts.h"

namespace corvane {
namespace {

constexpr int kArchiveId = 100;

class ShippedArchiveTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    dir.resize(dir.find_last_of(L'\\') + 1);
    module_ = LoadLibraryW((dir + L"corvane_test_product_shipped.dll").c_str());
    ASSERT_TRUE(module_);
    SetResourceArchive(module_, kArchiveId);
  }
  void TearDown() override {
    ClearLocalizedTexts();
    SetResourceArchive(nullptr, 0);
    if (module_) FreeLibrary(module_);
  }

  // Loads the texts for |locale|; |loaded| receives the language file found.
  bool Init(const std::string& locale, std::string* loaded) {
    auto has_file = [loaded](std::string_view name) {
      bool found = ArchiveHasFile(name);
      if (found && name != "i18n.json") *loaded = std::string(name);
      return found;
    };
    return InitLocalizedTextsForLocale(locale, has_file, ArchiveReadFile);
  }

  HMODULE module_ = nullptr;
};

TEST_F(ShippedArchiveTest, LocaleChoosesLanguageFile) {
  struct Case {
    const char* locale;
    const char* member;
  } const kCases[] = {
      {"de-AT", "lang\\de-DE.json"},           {"es-MX", "lang\\es-ES.json"},
      {"ar-EG", "lang\\ar-SA.json"},           {"fr-CA", "lang\\fr-FR.json"},
      {"pt-BR", "lang\\pt-BR.json"},           {"pt-PT", "lang\\pt-PT.json"},
      {"pt-AO", "lang\\pt-PT.json"},           {"zh-CN", "lang\\zh-CN.json"},
      {"uz-Latn-UZ", "lang\\uz-Latn-UZ.json"}, {"ja-JP", "lang\\ja-JP.json"},
      {"zh-HK", "lang\\en-us.json"},           {"", "lang\\en-us.json"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.locale);
    ClearLocalizedTexts();
    std::string loaded;
    EXPECT_TRUE(Init(c.locale, &loaded));
    EXPECT_EQ(c.member, loaded);
    EXPECT_EQ(L"Error", LocalizedText("error_msg_title"));
    EXPECT_EQ(L"Couldn\u2019t serialize the configuration information.",
              LocalizedText("error_msg_str_serialize_failed"));
  }
}

TEST_F(ShippedArchiveTest, PartialLanguageFile) {
  std::string loaded;
  ASSERT_TRUE(Init("sw-KE", &loaded));
  EXPECT_EQ("lang\\sw-KE.json", loaded);
  EXPECT_EQ(L"Error", LocalizedText("error_msg_title"));
  EXPECT_EQ(L"Go to download and reinstall.", LocalizedText("error_msg_download_hint"));
  EXPECT_EQ(L"Try reinstalling immediately or go to download and reinstall.",
            LocalizedText("error_msg_fix_or_download_hint"));
  for (const char* key : {"error_msg_btn_fix", "error_msg_btn_download", "error_msg_btn_cancel",
                          "error_msg_str_app_lost_file", "error_msg_str_config_invalid"}) {
    EXPECT_TRUE(LocalizedText(key).empty()) << key;
  }
}

TEST_F(ShippedArchiveTest, Members) {
  EXPECT_TRUE(ArchiveHasFile("i18n.json"));
  EXPECT_TRUE(ArchiveHasFile("lang/"));
  EXPECT_TRUE(ArchiveHasFile("lang\\fr-CA.json"));
  EXPECT_TRUE(ArchiveHasFile("LANG/UZ-LATN-UZ.JSON"));
  EXPECT_FALSE(ArchiveHasFile("lang/xx-XX.json"));
  std::string contents;
  EXPECT_FALSE(ArchiveReadFile("lang/", &contents));  // a directory has no bytes
  EXPECT_TRUE(contents.empty());
  ASSERT_TRUE(ArchiveReadFile("lang/en-US.json", &contents));
  EXPECT_EQ('{', contents.front());
  EXPECT_NE(std::string::npos, contents.find("\"error_msg_btn_cancel\": \"Cancel\""));
}

TEST(ResourceArchiveTest, NoArchiveResource) {
  // This test program carries no RCDATA 100.
  SetResourceArchive(GetModuleHandleW(nullptr), kArchiveId);
  EXPECT_FALSE(ArchiveHasFile("i18n.json"));
  std::string contents = "old";
  EXPECT_FALSE(ArchiveReadFile("i18n.json", &contents));
  EXPECT_TRUE(contents.empty());
  EXPECT_FALSE(InitLocalizedTexts(ArchiveHasFile, ArchiveReadFile));
  EXPECT_TRUE(LocalizedText("error_msg_title").empty());
  SetResourceArchive(nullptr, 0);
}

}  // namespace
}  // namespace corvane
