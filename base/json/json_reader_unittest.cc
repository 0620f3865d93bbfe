#include "base/json/json_reader.h"
#include "base/json/json_value_find.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {
namespace {

constexpr int kExtended = JSON_PARSE_EXTENDED;
constexpr int kConfig = JSON_PARSE_EXTENDED_TRAILING_COMMAS;

nlohmann::json ParseOk(std::string_view text, int options) {
  nlohmann::json value;
  JsonReadError error;
  EXPECT_TRUE(ParseJson(text, options, &value, &error))
      << text << " -> " << error.code << " " << error.message;
  return value;
}

TEST(JsonReaderTest, ValueTypes) {
  nlohmann::json value = ParseOk(
      R"({"n": null, "t": true, "f": false, "i": -42, "big": 9223372036854775807,
          "huge": 9223372036854775808, "d": 1.5e2, "s": "x", "l": [1, [2]], "o": {}})",
      JSON_PARSE_RFC);
  EXPECT_TRUE(value["n"].is_null());
  EXPECT_EQ(value["t"], true);
  EXPECT_EQ(value["f"], false);
  ASSERT_TRUE(value["i"].is_number_integer());
  EXPECT_EQ(value["i"].get<int64_t>(), -42);
  ASSERT_TRUE(value["big"].is_number_integer());
  EXPECT_EQ(value["big"].get<int64_t>(), INT64_MAX);
  // Beyond int64: a double.
  ASSERT_TRUE(value["huge"].is_number_float());
  EXPECT_DOUBLE_EQ(value["huge"].get<double>(), 9223372036854775808.0);
  ASSERT_TRUE(value["d"].is_number_float());
  EXPECT_DOUBLE_EQ(value["d"].get<double>(), 150.0);
  EXPECT_EQ(value["s"], "x");
  EXPECT_EQ(value["l"], nlohmann::json::parse("[1,[2]]"));
  EXPECT_TRUE(value["o"].is_object());
}

TEST(JsonReaderTest, DialectFeatures) {
  // Each feature: accepted by the extended dialect, refused by the strict one.
  const struct {
    const char* name;
    const char* text;
    nlohmann::json expected;
    int strict_error;
  } kCases[] = {
      {"block comment", "/* a */ [1, /* b\n */ 2] /* c */", nlohmann::json::array({1, 2}),
       JSON_UNEXPECTED_TOKEN},
      {"line comment", "// head\n{\"a\": 1 // tail\n}", nlohmann::json{{"a", 1}},
       JSON_UNEXPECTED_TOKEN},
      {"raw control chars", "\"a\tb\nc\x01\"", nlohmann::json("a\tb\nc\x01"),
       JSON_UNEXPECTED_CONTROL_CHAR},
      {"vertical tab", "\"a\\vb\"", nlohmann::json("a\vb"), JSON_INVALID_ESCAPE},
      {"x escape", "\"\\x41\\xe9\"", nlohmann::json("A\xC3\xA9"), JSON_INVALID_ESCAPE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseOk(c.text, kExtended), c.expected);
    JsonReadError error;
    nlohmann::json value = 5;
    EXPECT_FALSE(ParseJson(c.text, JSON_PARSE_RFC, &value, &error));
    EXPECT_EQ(error.code, c.strict_error);
    EXPECT_TRUE(value.is_null());
  }
}

TEST(JsonReaderTest, TrailingCommasOnlyInTheConfigDialect) {
  EXPECT_EQ(ParseOk("[1, 2,]", kConfig), nlohmann::json::array({1, 2}));
  EXPECT_EQ(ParseOk("{\"a\": 1, /* c */ }", kConfig), (nlohmann::json{{"a", 1}}));
  for (const char* text : {"[1, 2,]", "{\"a\": 1,}"}) {
    JsonReadError error;
    EXPECT_FALSE(ParseJson(text, kExtended, nullptr, &error)) << text;
    EXPECT_EQ(error.code, JSON_TRAILING_COMMA);
    EXPECT_EQ(error.message, "Trailing comma not allowed.");
  }
  // Only one trailing comma, never a lone one.
  JsonReadError error;
  EXPECT_FALSE(ParseJson("[1,,]", kConfig, nullptr, &error));
  EXPECT_EQ(error.code, JSON_UNEXPECTED_TOKEN);
  EXPECT_FALSE(ParseJson("[,]", kConfig, nullptr, &error));
  EXPECT_EQ(error.code, JSON_UNEXPECTED_TOKEN);
}

TEST(JsonReaderTest, ErrorKinds) {
  const struct {
    const char* text;
    int code;
    const char* message;
    int line;
    int column;
  } kCases[] = {
      {"", JSON_UNEXPECTED_TOKEN, "Unexpected token.", 1, 1},
      {"  ", JSON_UNEXPECTED_TOKEN, "Unexpected token.", 1, 3},
      {"]", JSON_UNEXPECTED_TOKEN, "Unexpected token.", 1, 1},
      {"[1 2]", JSON_SYNTAX_ERROR, "Syntax error.", 1, 4},
      {"{\"a\" 1}", JSON_SYNTAX_ERROR, "Syntax error.", 1, 6},
      {"{a: 1}", JSON_UNQUOTED_DICTIONARY_KEY, "Dictionary keys must be quoted.", 1, 2},
      {"[tru]", JSON_SYNTAX_ERROR, "Syntax error.", 1, 2},
      {"\"\\q\"", JSON_INVALID_ESCAPE, "Invalid escape sequence.", 1, 2},
      {"\"\\x4\"", JSON_INVALID_ESCAPE, "Invalid escape sequence.", 1, 2},
      {"\"\\u12G4\"", JSON_INVALID_ESCAPE, "Invalid escape sequence.", 1, 2},
      {"\"\\ud800\"", JSON_INVALID_ESCAPE, "Invalid escape sequence.", 1, 2},
      {"\"\\udc00\"", JSON_INVALID_ESCAPE, "Invalid escape sequence.", 1, 2},
      {"[1]\n x", JSON_UNEXPECTED_DATA_AFTER_ROOT, "Unexpected data after root element.", 2, 2},
      {"{} {}", JSON_UNEXPECTED_DATA_AFTER_ROOT, "Unexpected data after root element.", 1, 4},
      {"\"\xC3\"", JSON_UNSUPPORTED_ENCODING, "Unsupported encoding. JSON must be UTF-8.", 1, 2},
      {"1e999", JSON_UNREPRESENTABLE_NUMBER, "Number cannot be represented.", 1, 1},
      {"01", JSON_SYNTAX_ERROR, "Syntax error.", 1, 2},
      {"-", JSON_SYNTAX_ERROR, "Syntax error.", 1, 2},
      {"1.", JSON_SYNTAX_ERROR, "Syntax error.", 1, 3},
      {".5", JSON_UNEXPECTED_TOKEN, "Unexpected token.", 1, 1},
      {"1e+", JSON_SYNTAX_ERROR, "Syntax error.", 1, 4},
      {"[1] /* open", JSON_SYNTAX_ERROR, "Syntax error.", 1, 5},
      {"[1] / 2", JSON_SYNTAX_ERROR, "Syntax error.", 1, 5},
      {"'single'", JSON_UNEXPECTED_TOKEN, "Unexpected token.", 1, 1},
      {"NaN", JSON_UNEXPECTED_TOKEN, "Unexpected token.", 1, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    JsonReadError error;
    int code = 0;
    std::string message;
    EXPECT_FALSE(ParseJson(c.text, kConfig, nullptr, &error));
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(error.message, c.message);
    EXPECT_EQ(error.line, c.line);
    EXPECT_EQ(error.column, c.column);
    EXPECT_FALSE(ParseJson(c.text, kConfig, nullptr, &code, &message));
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(message, c.message);
  }
}

TEST(JsonReaderTest, Strings) {
  EXPECT_EQ(ParseOk(R"("\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00\u0000")", JSON_PARSE_RFC),
            nlohmann::json(std::string("\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80\0", 15)));
  // Raw UTF-8 passes through; a byte-order mark is skipped.
  EXPECT_EQ(ParseOk("\xEF\xBB\xBF\"\xE4\xB8\xAD\"", JSON_PARSE_RFC), "\xE4\xB8\xAD");
  // Invalid UTF-8 and lone surrogates may be replaced instead.
  EXPECT_EQ(ParseOk("\"a\xFF\\ud800\"", JSON_REPLACE_INVALID_CHARACTERS),
            "a\xEF\xBF\xBD\xEF\xBF\xBD");
  // Whatever comes back can be written out again by the value library.
  nlohmann::json value = ParseOk("\"\\xff\\x00\"", kExtended);
  EXPECT_EQ(value.dump(), "\"\xC3\xBF\\u0000\"");
}

TEST(JsonReaderTest, LaterDuplicateKeyWins) {
  EXPECT_EQ(ParseOk(R"({"a": 1, "a": 2})", JSON_PARSE_RFC), (nlohmann::json{{"a", 2}}));
}

TEST(JsonReaderTest, NestingIsCapped) {
  std::string ok(kJsonMaxDepth, '[');
  ok += std::string(kJsonMaxDepth, ']');
  ParseOk(ok, JSON_PARSE_RFC);

  std::string too_deep(kJsonMaxDepth + 1, '[');
  too_deep += std::string(kJsonMaxDepth + 1, ']');
  JsonReadError error;
  EXPECT_FALSE(ParseJson(too_deep, JSON_PARSE_RFC, nullptr, &error));
  EXPECT_EQ(error.code, JSON_TOO_MUCH_NESTING);
  EXPECT_EQ(error.message, "Too much nesting.");

  // Far deeper input neither recurses without bound nor crashes.
  std::string huge(100000, '[');
  EXPECT_FALSE(ParseJson(huge, kConfig, nullptr, &error));
  EXPECT_EQ(error.code, JSON_TOO_MUCH_NESTING);
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
  EXPECT_FALSE(ParseJson(objects, kConfig, nullptr, &error));
  EXPECT_EQ(error.code, JSON_TOO_MUCH_NESTING);
}

TEST(JsonReaderTest, EveryTruncationFailsCleanly) {
  const std::string document =
      "/* config */ {\"name\": \"C:\\\\dir\\x41\\v\\u4e2d\\ud83d\\ude00\", // c\n"
      " \"list\": [1, -2.5e-3, true, false, null, {\"k\": []},],\n"
      " \"n\": 12345678901234567890, \"s\": \"tab\there\",}";
  ParseOk(document, kConfig);
  for (size_t length = 0; length < document.size(); ++length) {
    std::string prefix = document.substr(0, length);
    JsonReadError error;
    nlohmann::json value;
    bool ok = ParseJson(prefix, kConfig, &value, &error);
    // No proper prefix of an object document is a complete document.
    EXPECT_FALSE(ok) << length;
    EXPECT_NE(error.code, JSON_NO_ERROR) << length;
    EXPECT_FALSE(error.message.empty()) << length;
  }
}

// A member of the wrong type, or out of range, reads as absent.
TEST(JsonValueFindTest, TypedMembers) {
  const nlohmann::json dict = nlohmann::json::parse(
      R"({"s":"text","b":true,"i":-2147483648,"big":2147483648,"u":4294967295,)"
      R"("d":1.5,"list":["a","b",3,"c"],"other":["x"]})");
  ASSERT_NE(nullptr, FindStringMember(dict, "s"));
  EXPECT_EQ("text", *FindStringMember(dict, "s"));
  EXPECT_EQ(nullptr, FindStringMember(dict, "b"));
  EXPECT_EQ(nullptr, FindStringMember(nlohmann::json::array({"s"}), "s"));
  ASSERT_NE(nullptr, FindBoolMember(dict, "b"));
  EXPECT_EQ(nullptr, FindBoolMember(dict, "i"));
  EXPECT_EQ(std::optional<int32_t>(INT32_MIN), FindInt32Member(dict, "i"));
  EXPECT_EQ(std::nullopt, FindInt32Member(dict, "big"));
  EXPECT_EQ(std::nullopt, FindInt32Member(dict, "u"));
  EXPECT_EQ(std::nullopt, FindInt32Member(dict, "d"));
  EXPECT_EQ(std::optional<double>(1.5), FindNumberMember(dict, "d"));
  EXPECT_EQ(std::optional<double>(4294967295.0), FindNumberMember(dict, "u"));
  EXPECT_EQ(std::nullopt, FindNumberMember(dict, "missing"));

  std::vector<std::string> names;
  EXPECT_FALSE(AppendStringElements(dict["list"], &names));
  EXPECT_TRUE(AppendStringElements(dict["other"], &names));
  EXPECT_TRUE(AppendStringElements(dict["s"], &names));
  EXPECT_EQ((std::vector<std::string>{"a", "b", "x"}), names);
}

}  // namespace
}  // namespace corvane
