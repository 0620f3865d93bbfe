#ifndef BASE_JSON_JSON_READER_H_
#define BASE_JSON_JSON_READER_H_

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace corvane {

// Dialect options for ParseJson / JsonFileReader (bit set).
enum JsonParseOptions {
  // Strict RFC 8259.
  JSON_PARSE_RFC = 0,
  // "[1, 2,]" and "{"a": 1,}".
  JSON_ALLOW_TRAILING_COMMAS = 1 << 0,
  // Raw characters below 0x20 inside strings.
  JSON_ALLOW_CONTROL_CHARS = 1 << 1,
  // The escape \v (U+000B).
  JSON_ALLOW_VERT_TAB = 1 << 2,
  // The escape \xHH, giving the code point U+00HH.
  JSON_ALLOW_X_ESCAPES = 1 << 3,
  // /* block */ and // line comments wherever white space may stand.
  JSON_ALLOW_COMMENTS = 1 << 4,
  // Invalid UTF-8 inside strings becomes U+FFFD instead of an error.
  JSON_REPLACE_INVALID_CHARACTERS = 1 << 5,

  // The standard dialect with extensions (animation and shell configuration).
  JSON_PARSE_EXTENDED =
      JSON_ALLOW_COMMENTS | JSON_ALLOW_CONTROL_CHARS | JSON_ALLOW_VERT_TAB | JSON_ALLOW_X_ESCAPES,
  // The same with trailing commas (launcher configuration).
  JSON_PARSE_EXTENDED_TRAILING_COMMAS = JSON_PARSE_EXTENDED | JSON_ALLOW_TRAILING_COMMAS,
};

// Error codes. Parse errors are 1..10, file errors 1000..1003.
enum JsonErrorCode {
  JSON_NO_ERROR = 0,
  JSON_INVALID_ESCAPE = 1,              // "Invalid escape sequence."
  JSON_SYNTAX_ERROR = 2,                // "Syntax error."
  JSON_UNEXPECTED_TOKEN = 3,            // "Unexpected token."
  JSON_TRAILING_COMMA = 4,              // "Trailing comma not allowed."
  JSON_TOO_MUCH_NESTING = 5,            // "Too much nesting."
  JSON_UNEXPECTED_DATA_AFTER_ROOT = 6,  // "Unexpected data after root element."
  JSON_UNSUPPORTED_ENCODING = 7,        // "Unsupported encoding. JSON must be UTF-8."
  JSON_UNQUOTED_DICTIONARY_KEY = 8,     // "Dictionary keys must be quoted."
  JSON_UNREPRESENTABLE_NUMBER = 9,      // "Number cannot be represented."
  JSON_UNEXPECTED_CONTROL_CHAR = 10,    // "Unexpected control character."

  JSON_ACCESS_DENIED = 1000,     // "Access denied."
  JSON_CANNOT_READ_FILE = 1001,  // "Can't read file."
  JSON_FILE_LOCKED = 1002,       // "File locked."
  JSON_NO_SUCH_FILE = 1003,      // "File doesn't exist."
};

// Lists and dictionaries nest at most this deep; deeper input is refused
// with JSON_TOO_MUCH_NESTING (the parser's recursion is bounded by it).
constexpr int kJsonMaxDepth = 200;

struct JsonReadError {
  int code = JSON_NO_ERROR;
  std::string message;
  // 1-based position of a parse error (0 for file errors).
  int line = 0;
  int column = 0;
};

// The message text of |code| ("" for JSON_NO_ERROR and unknown codes).
std::string JsonErrorMessage(int code);

// Parses |text| (UTF-8, an optional byte-order mark is skipped). Integers
// that fit int64 become integers, other numbers doubles. On failure |out| is
// left null and the error filled; |error| may be nullptr.
bool ParseJson(std::string_view text, int options, nlohmann::json* out, JsonReadError* error);
bool ParseJson(std::string_view text, int options, nlohmann::json* out, int* error_code,
               std::string* error_message);

}  // namespace corvane

#endif  // BASE_JSON_JSON_READER_H_
