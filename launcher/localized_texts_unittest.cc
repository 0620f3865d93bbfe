#include "launcher/localized_texts.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "base/strings/utf_string_conversions.h"

namespace corvane {
namespace {

// Writes small ZIP archives for the tests, with room for lies in the headers.
struct ZipMember {
  std::string name;
  std::string data;
  bool deflate = false;
  uint32_t claimed_size = 0;  // 0: the real uncompressed size
  bool bad_crc = false;
};

void Put16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string* out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::string RawDeflate(const std::string& data) {
  z_stream stream = {};
  EXPECT_EQ(Z_OK,
            deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY));
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&stream, Z_FINISH));
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string BuildZip(const std::vector<ZipMember>& members) {
  std::string out;
  std::string central;
  for (const ZipMember& m : members) {
    std::string payload = m.deflate ? RawDeflate(m.data) : m.data;
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
    if (m.bad_crc) crc ^= 1;
    uint32_t size = m.claimed_size ? m.claimed_size : static_cast<uint32_t>(m.data.size());
    uint32_t offset = static_cast<uint32_t>(out.size());
    auto common = [&](std::string* header) {
      Put16(header, 20);                 // version needed
      Put16(header, 0);                  // flags
      Put16(header, m.deflate ? 8 : 0);  // method
      Put16(header, 0);                  // time
      Put16(header, 0x21);               // date: 1980-01-01
      Put32(header, crc);
      Put32(header, static_cast<uint32_t>(payload.size()));
      Put32(header, size);
      Put16(header, static_cast<uint32_t>(m.name.size()));
      Put16(header, 0);  // extra length
    };
    Put32(&out, 0x04034b50);
    common(&out);
    out += m.name;
    out += payload;

    Put32(&central, 0x02014b50);
    Put16(&central, 20);  // version made by
    common(&central);
    Put16(&central, 0);  // comment length
    Put16(&central, 0);  // disk
    Put16(&central, 0);  // internal attributes
    Put32(&central, 0);  // external attributes
    Put32(&central, offset);
    central += m.name;
  }
  uint32_t central_offset = static_cast<uint32_t>(out.size());
  out += central;
  Put32(&out, 0x06054b50);
  Put16(&out, 0);
  Put16(&out, 0);
  Put16(&out, static_cast<uint32_t>(members.size()));
  Put16(&out, static_cast<uint32_t>(members.size()));
  Put32(&out, static_cast<uint32_t>(central.size()));
  Put32(&out, central_offset);
  Put16(&out, 0);
  return out;
}

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

TEST(ZipMemoryArchiveTest, ReadsStoredAndDeflatedMembers) {
  std::string long_text(5000, 'q');
  ZipMemoryArchive archive(BuildZip({{"a.txt", "stored"}, {"b.txt", long_text, true}}));
  ASSERT_TRUE(archive.IsOpen());
  std::string contents;
  EXPECT_TRUE(archive.ReadFile("a.txt", &contents));
  EXPECT_EQ("stored", contents);
  EXPECT_TRUE(archive.ReadFile("b.txt", &contents));
  EXPECT_EQ(long_text, contents);
  EXPECT_FALSE(archive.ReadFile("c.txt", &contents));
  EXPECT_TRUE(contents.empty());
}

TEST(ZipMemoryArchiveTest, NameMatching) {
  std::string name255 = "d/" + std::string(253, 'n');
  std::string name256 = "e/" + std::string(254, 'n');
  ZipMemoryArchive archive(BuildZip({{"lang/en-US.json", "x"}, {name255, "y"}, {name256, "z"}}));
  ASSERT_TRUE(archive.IsOpen());
  struct Case {
    std::string name;
    bool found;
  } const kCases[] = {
      {"lang/en-US.json", true},
      {"LANG/EN-us.JSON", true},
      {"lang\\en-us.json", true},
      {"lang/en-US", false},
      {"en-US.json", false},
      {"", false},
      {std::string("lang/en-US.json\0x", 17), false},
      {name255, true},
      {name256, false},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(c.found, archive.HasFile(c.name)) << c.name.size() << " " << c.name;
  }
}

TEST(ZipMemoryArchiveTest, BrokenInput) {
  const std::string kInputs[] = {
      "",
      "not an archive at all",
      std::string(22, '\0'),
      std::string("PK\x05\x06", 4) + std::string(18, '\xFF'),
  };
  for (const std::string& input : kInputs) {
    ZipMemoryArchive archive(input);
    EXPECT_FALSE(archive.IsOpen());
    std::string contents = "old";
    EXPECT_FALSE(archive.HasFile("i18n.json"));
    EXPECT_FALSE(archive.ReadFile("i18n.json", &contents));
    EXPECT_TRUE(contents.empty());
  }
}

TEST(ZipMemoryArchiveTest, MembersThatCannotBeRead) {
  ZipMemoryArchive archive(BuildZip({
      {"empty.txt", ""},
      {"crc.txt", "data", false, 0, true},
      {"huge.txt", "data", false, 0xFFFFFFF0u},
      {"short.txt", "data", false, 9},
      {"crc_deflated.txt", std::string(300, 'd'), true, 0, true},
  }));
  ASSERT_TRUE(archive.IsOpen());
  for (const char* name : {"empty.txt", "crc.txt", "huge.txt", "short.txt", "crc_deflated.txt"}) {
    std::string contents;
    EXPECT_TRUE(archive.HasFile(name)) << name;
    EXPECT_FALSE(archive.ReadFile(name, &contents)) << name;
    EXPECT_TRUE(contents.empty()) << name;
  }
}

// Every prefix and every single-byte change of an archive: no crash, and a
// member that still reads comes back with its exact bytes.
TEST(ZipMemoryArchiveTest, DamagedArchivesNeverYieldWrongBytes) {
  const std::string kStored = "stored text";
  const std::string kDeflated(200, 'z');
  const std::string good = BuildZip({{"s", kStored}, {"d", kDeflated, true}});
  auto check = [&](const std::string& bytes) {
    ZipMemoryArchive archive(bytes);
    std::string contents;
    if (archive.ReadFile("s", &contents)) {
      EXPECT_EQ(kStored, contents);
    }
    if (archive.ReadFile("d", &contents)) {
      EXPECT_EQ(kDeflated, contents);
    }
  };
  for (size_t length = 0; length < good.size(); ++length) check(good.substr(0, length));
  for (size_t i = 0; i < good.size(); ++i) {
    std::string bytes = good;
    bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    check(bytes);
  }
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
