#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace corvane {
namespace {

TEST(StringNumberTest, StringToInt) {
  const struct {
    const char* input;
    bool ok;
    int value;
  } kCases[] = {
      {"0", true, 0},
      {"42", true, 42},
      {"+7", true, 7},
      {"-7", true, -7},
      {"2147483647", true, INT_MAX},
      {"-2147483648", true, INT_MIN},
      // Overflow clamps.
      {"2147483648", false, INT_MAX},
      {"99999999999999999999", false, INT_MAX},
      {"-2147483649", false, INT_MIN},
      // Leading white space fails before any digit is read.
      {" 5", false, 0},
      {"5 ", false, 5},
      // A stray character: the value read so far.
      {"12a3", false, 12},
      {"-", false, 0},
      {"+", false, 0},
      {"", false, 0},
      {"--1", false, 0},
      {"0x10", false, 0},
  };
  for (const auto& c : kCases) {
    int value = -999;
    EXPECT_EQ(StringToInt(c.input, &value), c.ok) << c.input;
    EXPECT_EQ(value, c.value) << c.input;
    // The wide form agrees.
    std::wstring wide(c.input, c.input + std::char_traits<char>::length(c.input));
    int wide_value = -999;
    EXPECT_EQ(StringToInt(std::wstring_view(wide), &wide_value), c.ok) << c.input;
    EXPECT_EQ(wide_value, c.value) << c.input;
  }
}

TEST(StringNumberTest, OtherWidths) {
  int64_t i64 = 0;
  EXPECT_TRUE(StringToInt64("-9223372036854775808", &i64));
  EXPECT_EQ(i64, std::numeric_limits<int64_t>::min());
  EXPECT_FALSE(StringToInt64("9223372036854775808", &i64));
  EXPECT_EQ(i64, std::numeric_limits<int64_t>::max());

  unsigned u = 1;
  EXPECT_TRUE(StringToUint("4294967295", &u));
  EXPECT_EQ(u, 4294967295u);
  EXPECT_FALSE(StringToUint("4294967296", &u));
  EXPECT_EQ(u, 4294967295u);
  EXPECT_FALSE(StringToUint("-1", &u));

  uint64_t u64 = 0;
  EXPECT_TRUE(StringToUint64("18446744073709551615", &u64));
  EXPECT_EQ(u64, std::numeric_limits<uint64_t>::max());
  // A non-ASCII digit is a stray character.
  int value = 0;
  EXPECT_FALSE(StringToInt(std::wstring_view(L"1\uFF12"), &value));
  EXPECT_EQ(value, 1);
}

TEST(StringNumberTest, NumberToString) {
  EXPECT_EQ(NumberToString(0), "0");
  EXPECT_EQ(NumberToString(INT_MIN), "-2147483648");
  EXPECT_EQ(NumberToString(std::numeric_limits<long long>::min()), "-9223372036854775808");
  EXPECT_EQ(NumberToString(std::numeric_limits<unsigned long long>::max()), "18446744073709551615");
  EXPECT_EQ(NumberToWString(-12), L"-12");
  const unsigned char bytes[] = {0x00, 0x0f, 0xa0, 0xff};
  EXPECT_EQ(HexEncodeLower(bytes, sizeof(bytes)), "000fa0ff");
}

TEST(UtfConversionTest, RoundTripsAndReplacesInvalid) {
  const std::wstring wide = L"a\u00E9\u4E2D\U0001F600";
  const std::string utf8 = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
  EXPECT_EQ(WideToUTF8(wide), utf8);
  EXPECT_EQ(UTF8ToWide(utf8), wide);

  // Unpaired surrogates.
  EXPECT_EQ(WideToUTF8(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(WideToUTF8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xEF\xBF\xBD");
  // Malformed UTF-8: stray continuation, truncated sequence, overlong form,
  // encoded surrogate.
  const std::pair<std::string, std::wstring> kBad[] = {
      {"\x80x", L"\uFFFDx"},         {"\xE4\xB8", L"\uFFFD"},
      {"\xC0\xAF", L"\uFFFD\uFFFD"}, {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
      {"a\xF0\x9F\x98", L"a\uFFFD"},
  };
  for (const auto& c : kBad) EXPECT_EQ(UTF8ToWide(c.first), c.second);

  EXPECT_TRUE(IsStringASCII(std::string_view("plain")));
  EXPECT_FALSE(IsStringASCII(std::wstring_view(L"\u00E9")));
  EXPECT_EQ(ASCIIToWide("abc"), L"abc");
}

TEST(StringUtilTest, Basics) {
  EXPECT_EQ(TrimWhitespace(std::string_view(" \t a b \r\n")), "a b");
  EXPECT_EQ(TrimWhitespace(std::wstring_view(L"\u3000x\u00A0")), L"x");
  EXPECT_EQ(ToLowerASCII(std::string_view("AbC\xC3\x89")), "abc\xC3\x89");
  EXPECT_TRUE(StartsWith(std::string_view("Hello"), "he", CompareCase::INSENSITIVE_ASCII));
  EXPECT_FALSE(StartsWith(std::string_view("Hello"), "he"));
  EXPECT_TRUE(EndsWith(std::wstring_view(L"file.EXE"), L".exe", CompareCase::INSENSITIVE_ASCII));
  EXPECT_TRUE(EqualsCaseInsensitiveASCII(std::string_view("ABC"), std::string_view("abc")));
  EXPECT_FALSE(EqualsCaseInsensitiveASCII(std::string_view("ABC"), std::string_view("abcd")));

  EXPECT_EQ(SplitString(std::string_view("a,,b, c"), ',', false),
            (std::vector<std::string>{"a", "", "b", " c"}));
  EXPECT_EQ(SplitString(std::string_view("a,,b, c,"), ',', true, SplitMode::SKIP_EMPTY),
            (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(JoinString({"a", "b", "c"}, "--"), "a--b--c");
  EXPECT_EQ(ReplaceAll(std::string_view("aaa"), "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll(std::wstring_view(L"x.y.z"), L".", L"\\"), L"x\\y\\z");
}

}  // namespace
}  // namespace corvane
