#include "base/json/json_string_escape.h"

#include <string>

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(JsonStringEscapeTest, EscapesAndInvalidUTF8) {
  struct Case {
    std::string input;
    std::string expected;
  };
  const Case kCases[] = {
      {"", "\"\""},
      {"plain", "\"plain\""},
      {"\"\\", "\"\\\"\\\\\""},
      {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {"<a>", "\"\\u003Ca>\""},
      {std::string("\x00\x01\x1f", 3), "\"\\u0000\\u0001\\u001F\""},
      {"\x0b\x1b", "\"\\u000B\\u001B\""},
      {"\x7f/", "\"\x7f/\""},
      {"\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""},
      {"\xE2\x80\xA7\xE2\x80\xAA", "\"\xE2\x80\xA7\xE2\x80\xAA\""},
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
  };
  for (const Case& c : kCases) {
    std::string out = "x";
    ASSERT_TRUE(AppendJsonQuotedString(c.input, &out)) << c.input;
    EXPECT_EQ("x" + c.expected, out);
  }

  const char* kInvalid[] = {
      "\x80",              // Continuation byte alone.
      "\xC3",              // Truncated sequence.
      "\xC0\xAF",          // Overlong.
      "\xED\xA0\x80",      // Encoded surrogate.
      "\xF4\x90\x80\x80",  // Above U+10FFFF.
      "\xFF",
      "ok\xE2\x80",
  };
  for (const char* input : kInvalid) {
    std::string out = "unchanged";
    EXPECT_FALSE(AppendJsonQuotedString(input, &out)) << input;
    EXPECT_EQ("unchanged", out);
  }
}

}  // namespace
}  // namespace corvane
