#include "base/zip/zip_memory_archive.h"

#include <string>

#include <gtest/gtest.h>

#include "test/support/zip_builder.h"

namespace corvane {
namespace {

using test::BuildZip;

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

}  // namespace
}  // namespace corvane
