#include "launcher/localized_texts.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/strings/utf_string_conversions.h"
#include "base/zip/zip_memory_archive.h"
#include "test/support/zip_builder.h"

namespace corvane {
namespace {

using test::BuildZip;
using test::ZipMember;

const char kEnglish[] = "{\"error_msg_title\": \"Error\", \"error_msg_btn_fix\": \"Reinstall\"}";

std::vector<ZipMember> SmallArchive() {
  return {
      {"i18n.json",
       "{\"de-de\": [\"de-DE\"], \"xx-yy\": [\"missing\", \"de-DE\"], \"default\": [\"en-us\"]}"},
      {"lang/", ""},
      {"lang/en-US.json", kEnglish, true},
      {"lang/de-DE.json", "{\"error_msg_title\": \"Fehler\"}"},
  };
}

TEST(NormalizeLocaleNameTest, Cases) {
  struct Case {
    const char* locale;
    const char* name;
  } const kCases[] = {
      {"de-AT", "de-de"}, {"de-DE", "de-de"},
      {"es-MX", "es-es"}, {"ar-EG", "ar-sa"},
      {"fr-CA", "fr-fr"}, {"ru-UA", "ru-ru"},
      {"pt-BR", "pt-br"}, {"pt-bR", "pt-br"},
      {"pt-PT", "pt-pt"}, {"pt-AO", "pt-pt"},
      {"pt", "pt-pt"},    {"pt-BRx", "pt-br"},
      {"zh-CN", "zh-cn"}, {"uz-Latn-UZ", "uz-latn-uz"},
      {"zh-HK", "zh-hk"}, {"Ar-EG", "ar-eg"},
      {"DE-AT", "de-at"}, {"dexx", "de-de"},
      {"", ""},           {"a", "a"},
  };
  for (const Case& c : kCases) EXPECT_EQ(c.name, NormalizeLocaleName(c.locale)) << c.locale;
}

TEST(ChooseLanguageFilesTest, Cases) {
  const std::string kIndex =
      "{\"de-de\": [\"de-DE\"], \"pt-br\": [\"pt-BR\"], \"two\": [\"a\", \"b\"],"
      " \"stop\": [\"a\", 5, \"b\"], \"notlist\": \"x\", \"default\": [\"en-us\"]}";
  struct Case {
    const char* locale;
    std::string index;
    std::vector<std::string> names;
  } const kCases[] = {
      {"de-AT", kIndex, {"de-DE", "en-us"}},
      {"pt-BR", kIndex, {"pt-BR", "en-us"}},
      {"zh-HK", kIndex, {"en-us"}},
      {"", kIndex, {"en-us"}},
      {"two", kIndex, {"a", "b", "en-us"}},
      {"stop", kIndex, {"a"}},
      {"notlist", kIndex, {"en-us"}},
      {"de-AT", "{\"de-de\": [\"de-DE\"]}", {"de-DE"}},
      {"de-AT", "{\"default\": [\"en-us\", 1, \"x\"]}", {"en-us"}},
      {"de-AT", "{\"default\": [\"en-us\"], /* no */ \"x\": []}", {}},
      {"de-AT", "[\"de-DE\"]", {}},
      {"de-AT", "{\"default\": [\"en-us\"]", {}},
      {"de-AT", "", {}},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(c.names, ChooseLanguageFilesForLocale(c.locale, c.index))
        << c.locale << " " << c.index;
  }
}

class LocalizedTextsTest : public testing::Test {
 protected:
  void TearDown() override { ClearLocalizedTexts(); }

  // Initialises from an archive built of |members|; |asked| receives every
  // name passed to the has-file operation.
  bool Init(const std::string& locale, const std::vector<ZipMember>& members,
            std::vector<std::string>* asked = nullptr) {
    ZipMemoryArchive archive(BuildZip(members));
    auto has_file = [&archive, asked](std::string_view name) {
      if (asked) asked->push_back(std::string(name));
      return archive.HasFile(name);
    };
    auto read_file = [&archive](std::string_view name, std::string* contents) {
      return archive.ReadFile(name, contents);
    };
    return InitLocalizedTextsForLocale(locale, has_file, read_file);
  }
};

TEST_F(LocalizedTextsTest, ChoosesTheLanguageFile) {
  struct Case {
    const char* locale;
    const char* title;
    std::vector<std::string> asked;
  } const kCases[] = {
      {"de-AT", "Fehler", {"i18n.json", "lang\\de-DE.json"}},
      {"zh-HK", "Error", {"i18n.json", "lang\\en-us.json"}},
      {"", "Error", {"i18n.json", "lang\\en-us.json"}},
      // The first candidate that exists wins.
      {"xx-YY", "Fehler", {"i18n.json", "lang\\missing.json", "lang\\de-DE.json"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.locale);
    ClearLocalizedTexts();
    std::vector<std::string> asked;
    EXPECT_TRUE(Init(c.locale, SmallArchive(), &asked));
    EXPECT_EQ(c.asked, asked);
    EXPECT_EQ(UTF8ToWide(c.title), LocalizedText("error_msg_title"));
  }
}

TEST_F(LocalizedTextsTest, MissingKeysAreEmpty) {
  ASSERT_TRUE(Init("de-DE", SmallArchive()));
  EXPECT_EQ(L"Fehler", LocalizedText("error_msg_title"));
  // No fallback to another language.
  EXPECT_TRUE(LocalizedText("error_msg_btn_fix").empty());
  EXPECT_TRUE(LocalizedText("no_such_key").empty());
  ClearLocalizedTexts();
  EXPECT_TRUE(LocalizedText("error_msg_title").empty());
}

TEST_F(LocalizedTextsTest, LanguageFileContents) {
  struct Case {
    const char* name;
    std::string file;
    bool result;
    std::vector<std::pair<const char*, const wchar_t*>> texts;  // key, text ("" absent)
  } const kCases[] = {
      {"utf8 text", "{\"t\": \"\\u7ef4 \xE8\x8E\xAB\"}", true, {{"t", L"\u7EF4 \u83AB"}}},
      // Keys are walked in ascending order; a non-string value ends the walk.
      {"walk stops", "{\"c\": \"3\", \"b\": 2, \"a\": \"1\"}", true, {{"a", L"1"}, {"c", L""}}},
      {"first not a string", "{\"a\": null, \"b\": \"2\"}", false, {{"b", L""}}},
      {"later duplicate wins", "{\"a\": \"1\", \"a\": \"2\"}", true, {{"a", L"2"}}},
      {"broken", "{\"a\": \"1\"", false, {{"a", L""}}},
      {"comment", "{\"a\": \"1\" /* c */}", false, {{"a", L""}}},
      {"not an object", "[\"a\"]", false, {}},
      {"empty object", "{}", false, {}},
      {"invalid utf-8", "{\"a\": \"\xFF\"}", false, {{"a", L""}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ClearLocalizedTexts();
    std::vector<ZipMember> members = {{"i18n.json", "{\"default\": [\"xx\"]}"},
                                      {"lang/xx.json", c.file}};
    EXPECT_EQ(c.result, Init("en-US", members));
    for (const auto& text : c.texts) EXPECT_EQ(text.second, LocalizedText(text.first));
  }
}

TEST_F(LocalizedTextsTest, BrokenArchivesLoadNothing) {
  struct Case {
    const char* name;
    std::vector<ZipMember> members;
  } const kCases[] = {
      {"no index", {{"lang/en-us.json", kEnglish}}},
      {"empty index", {{"i18n.json", ""}, {"lang/en-us.json", kEnglish}}},
      {"index not json", {{"i18n.json", "{"}, {"lang/en-us.json", kEnglish}}},
      {"no candidates", {{"i18n.json", "{\"fr-fr\": [\"en-us\"]}"}, {"lang/en-us.json", kEnglish}}},
      {"no language file", {{"i18n.json", "{\"default\": [\"en-us\"]}"}}},
      {"empty language file",
       {{"i18n.json", "{\"default\": [\"en-us\"]}"}, {"lang/en-us.json", ""}}},
      {"unreadable language file",
       {{"i18n.json", "{\"default\": [\"en-us\"]}"}, {"lang/en-us.json", kEnglish, true, 0, true}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Init("de-AT", c.members));
    EXPECT_TRUE(LocalizedText("error_msg_title").empty());
  }
  // Operations that find nothing at all.
  EXPECT_FALSE(InitLocalizedTextsForLocale(
      "en-US", [](std::string_view) { return false; },
      [](std::string_view, std::string* contents) {
        contents->clear();
        return false;
      }));
}

}  // namespace
}  // namespace corvane
