#include "base/json/json_reader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"

namespace corvane {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

class Parser {
 public:
  Parser(std::string_view text, int options) : text_(text), options_(options) {}

  bool Parse(nlohmann::json* out) {
    if (text_.substr(0, 3) == kUtf8Bom) pos_ = 3;
    if (!SkipWhitespace()) return false;
    if (!ParseValue(out)) return false;
    if (!SkipWhitespace()) return false;
    if (pos_ != text_.size()) return Fail(JSON_UNEXPECTED_DATA_AFTER_ROOT);
    return true;
  }

  void FillError(JsonReadError* error) const {
    error->code = code_;
    error->message = JsonErrorMessage(code_);
    int line = 1;
    int column = 1;
    for (size_t i = 0; i < error_pos_ && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    error->line = line;
    error->column = column;
  }

 private:
  bool Allowed(int option) const { return (options_ & option) != 0; }
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return text_[pos_]; }

  bool Fail(JsonErrorCode code) { return FailAt(code, pos_); }
  bool FailAt(JsonErrorCode code, size_t pos) {
    if (code_ == JSON_NO_ERROR) {
      code_ = code;
      error_pos_ = pos;
    }
    return false;
  }

  // White space and, when allowed, comments. False on an unterminated
  // block comment or a '/' that starts no comment.
  bool SkipWhitespace() {
    while (!AtEnd()) {
      char c = Peek();
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        ++pos_;
      } else if (c == '/' && Allowed(JSON_ALLOW_COMMENTS)) {
        size_t start = pos_;
        if (pos_ + 1 >= text_.size()) return FailAt(JSON_SYNTAX_ERROR, start);
        char next = text_[pos_ + 1];
        if (next == '/') {
          pos_ += 2;
          while (!AtEnd() && Peek() != '\n' && Peek() != '\r') ++pos_;
        } else if (next == '*') {
          size_t close = text_.find("*/", pos_ + 2);
          if (close == std::string_view::npos) return FailAt(JSON_SYNTAX_ERROR, start);
          pos_ = close + 2;
        } else {
          return FailAt(JSON_SYNTAX_ERROR, start);
        }
      } else {
        break;
      }
    }
    return true;
  }

  bool ParseValue(nlohmann::json* out) {
    if (AtEnd()) return Fail(JSON_UNEXPECTED_TOKEN);
    switch (Peek()) {
      case '{':
        return ParseObject(out);
      case '[':
        return ParseArray(out);
      case '"': {
        std::string value;
        if (!ParseString(&value)) return false;
        *out = std::move(value);
        return true;
      }
      case 't':
        return ParseLiteral("true", nlohmann::json(true), out);
      case 'f':
        return ParseLiteral("false", nlohmann::json(false), out);
      case 'n':
        return ParseLiteral("null", nlohmann::json(nullptr), out);
      default:
        if (Peek() == '-' || (Peek() >= '0' && Peek() <= '9')) return ParseNumber(out);
        return Fail(JSON_UNEXPECTED_TOKEN);
    }
  }

  bool ParseLiteral(std::string_view word, nlohmann::json value, nlohmann::json* out) {
    if (text_.substr(pos_, word.size()) != word) return Fail(JSON_SYNTAX_ERROR);
    pos_ += word.size();
    *out = std::move(value);
    return true;
  }

  bool Enter() {
    if (++depth_ > kJsonMaxDepth) return Fail(JSON_TOO_MUCH_NESTING);
    return true;
  }

  bool ParseArray(nlohmann::json* out) {
    if (!Enter()) return false;
    ++pos_;  // '['
    nlohmann::json list = nlohmann::json::array();
    if (!SkipWhitespace()) return false;
    if (!AtEnd() && Peek() == ']') {
      ++pos_;
      --depth_;
      *out = std::move(list);
      return true;
    }
    for (;;) {
      nlohmann::json item;
      if (!ParseValue(&item)) return false;
      list.push_back(std::move(item));
      if (!SkipWhitespace()) return false;
      if (AtEnd()) return Fail(JSON_SYNTAX_ERROR);
      if (Peek() == ']') {
        ++pos_;
        break;
      }
      if (Peek() != ',') return Fail(JSON_SYNTAX_ERROR);
      size_t comma = pos_++;
      if (!SkipWhitespace()) return false;
      if (!AtEnd() && Peek() == ']') {
        if (!Allowed(JSON_ALLOW_TRAILING_COMMAS)) return FailAt(JSON_TRAILING_COMMA, comma);
        ++pos_;
        break;
      }
    }
    --depth_;
    *out = std::move(list);
    return true;
  }

  bool ParseObject(nlohmann::json* out) {
    if (!Enter()) return false;
    ++pos_;  // '{'
    nlohmann::json object = nlohmann::json::object();
    if (!SkipWhitespace()) return false;
    if (!AtEnd() && Peek() == '}') {
      ++pos_;
      --depth_;
      *out = std::move(object);
      return true;
    }
    for (;;) {
      if (AtEnd()) return Fail(JSON_SYNTAX_ERROR);
      if (Peek() != '"') {
        char c = Peek();
        bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        return Fail(word ? JSON_UNQUOTED_DICTIONARY_KEY : JSON_UNEXPECTED_TOKEN);
      }
      std::string key;
      if (!ParseString(&key)) return false;
      if (!SkipWhitespace()) return false;
      if (AtEnd() || Peek() != ':') return Fail(JSON_SYNTAX_ERROR);
      ++pos_;
      if (!SkipWhitespace()) return false;
      nlohmann::json value;
      if (!ParseValue(&value)) return false;
      // A repeated key keeps the last value.
      object[key] = std::move(value);
      if (!SkipWhitespace()) return false;
      if (AtEnd()) return Fail(JSON_SYNTAX_ERROR);
      if (Peek() == '}') {
        ++pos_;
        break;
      }
      if (Peek() != ',') return Fail(JSON_SYNTAX_ERROR);
      size_t comma = pos_++;
      if (!SkipWhitespace()) return false;
      if (!AtEnd() && Peek() == '}') {
        if (!Allowed(JSON_ALLOW_TRAILING_COMMAS)) return FailAt(JSON_TRAILING_COMMA, comma);
        ++pos_;
        break;
      }
    }
    --depth_;
    *out = std::move(object);
    return true;
  }

  // Reads four hex digits at |pos_| (after "\u").
  bool ReadHex4(uint32_t* value) {
    if (pos_ + 4 > text_.size()) return false;
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
      char c = text_[pos_ + static_cast<size_t>(i)];
      if (!IsHexDigit(c)) return false;
      result = (result << 4) | static_cast<uint32_t>(HexValue(c));
    }
    pos_ += 4;
    *value = result;
    return true;
  }

  bool ParseUnicodeEscape(size_t escape_start, std::string* out) {
    uint32_t unit;
    if (!ReadHex4(&unit)) return FailAt(JSON_INVALID_ESCAPE, escape_start);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      // A high surrogate needs "\u" and a low one right behind it.
      uint32_t low = 0;
      size_t save = pos_;
      if (text_.substr(pos_, 2) == "\\u") {
        pos_ += 2;
        if (ReadHex4(&low) && low >= 0xDC00 && low <= 0xDFFF) {
          AppendCodePointUTF8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
          return true;
        }
      }
      pos_ = save;
      if (!Allowed(JSON_REPLACE_INVALID_CHARACTERS))
        return FailAt(JSON_INVALID_ESCAPE, escape_start);
      AppendCodePointUTF8(0xFFFD, out);
      return true;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (!Allowed(JSON_REPLACE_INVALID_CHARACTERS))
        return FailAt(JSON_INVALID_ESCAPE, escape_start);
      AppendCodePointUTF8(0xFFFD, out);
      return true;
    }
    AppendCodePointUTF8(unit, out);
    return true;
  }

  bool ParseString(std::string* out) {
    ++pos_;  // Opening quote.
    for (;;) {
      if (AtEnd()) return Fail(JSON_SYNTAX_ERROR);
      char c = Peek();
      uint8_t byte = static_cast<uint8_t>(c);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c == '\\') {
        size_t escape_start = pos_;
        ++pos_;
        if (AtEnd()) return Fail(JSON_SYNTAX_ERROR);
        char e = text_[pos_++];
        switch (e) {
          case '"':
            out->push_back('"');
            break;
          case '\\':
            out->push_back('\\');
            break;
          case '/':
            out->push_back('/');
            break;
          case 'b':
            out->push_back('\b');
            break;
          case 'f':
            out->push_back('\f');
            break;
          case 'n':
            out->push_back('\n');
            break;
          case 'r':
            out->push_back('\r');
            break;
          case 't':
            out->push_back('\t');
            break;
          case 'v':
            if (!Allowed(JSON_ALLOW_VERT_TAB)) return FailAt(JSON_INVALID_ESCAPE, escape_start);
            out->push_back('\v');
            break;
          case 'x':
            if (!Allowed(JSON_ALLOW_X_ESCAPES) || pos_ + 2 > text_.size() ||
                !IsHexDigit(text_[pos_]) || !IsHexDigit(text_[pos_ + 1])) {
              return FailAt(JSON_INVALID_ESCAPE, escape_start);
            }
            AppendCodePointUTF8(
                static_cast<uint32_t>(HexValue(text_[pos_]) * 16 + HexValue(text_[pos_ + 1])), out);
            pos_ += 2;
            break;
          case 'u':
            if (!ParseUnicodeEscape(escape_start, out)) return false;
            break;
          default:
            return FailAt(JSON_INVALID_ESCAPE, escape_start);
        }
        continue;
      }
      if (byte < 0x20) {
        if (!Allowed(JSON_ALLOW_CONTROL_CHARS)) return Fail(JSON_UNEXPECTED_CONTROL_CHAR);
        out->push_back(c);
        ++pos_;
        continue;
      }
      if (byte < 0x80) {
        out->push_back(c);
        ++pos_;
        continue;
      }
      uint32_t code_point = 0;
      bool valid = false;
      const size_t length = DecodeUTF8Sequence(text_, pos_, &code_point, &valid);
      if (!valid) {
        if (!Allowed(JSON_REPLACE_INVALID_CHARACTERS)) return Fail(JSON_UNSUPPORTED_ENCODING);
        AppendCodePointUTF8(0xFFFD, out);
        ++pos_;
        continue;
      }
      out->append(text_.substr(pos_, length));
      pos_ += length;
    }
  }

  bool ParseNumber(nlohmann::json* out) {
    size_t start = pos_;
    auto digit = [this] { return !AtEnd() && Peek() >= '0' && Peek() <= '9'; };
    if (Peek() == '-') ++pos_;
    if (!digit()) return Fail(JSON_SYNTAX_ERROR);
    if (Peek() == '0') {
      ++pos_;
      // No leading zeros.
      if (digit()) return Fail(JSON_SYNTAX_ERROR);
    } else {
      while (digit()) ++pos_;
    }
    bool integral = true;
    if (!AtEnd() && Peek() == '.') {
      integral = false;
      ++pos_;
      if (!digit()) return Fail(JSON_SYNTAX_ERROR);
      while (digit()) ++pos_;
    }
    if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
      integral = false;
      ++pos_;
      if (!AtEnd() && (Peek() == '+' || Peek() == '-')) ++pos_;
      if (!digit()) return Fail(JSON_SYNTAX_ERROR);
      while (digit()) ++pos_;
    }
    std::string_view number = text_.substr(start, pos_ - start);
    if (integral) {
      int64_t value = 0;
      if (StringToInt64(number, &value)) {
        *out = value;
        return true;
      }
    }
    // Too large for int64, or not integral: a double. The grammar above has
    // been checked, so strtod reads the whole text.
    std::string copy(number);
    double value = std::strtod(copy.c_str(), nullptr);
    if (!std::isfinite(value)) return FailAt(JSON_UNREPRESENTABLE_NUMBER, start);
    *out = value;
    return true;
  }

  std::string_view text_;
  int options_;
  size_t pos_ = 0;
  int depth_ = 0;
  JsonErrorCode code_ = JSON_NO_ERROR;
  size_t error_pos_ = 0;
};

}  // namespace

std::string JsonErrorMessage(int code) {
  switch (code) {
    case JSON_INVALID_ESCAPE:
      return "Invalid escape sequence.";
    case JSON_SYNTAX_ERROR:
      return "Syntax error.";
    case JSON_UNEXPECTED_TOKEN:
      return "Unexpected token.";
    case JSON_TRAILING_COMMA:
      return "Trailing comma not allowed.";
    case JSON_TOO_MUCH_NESTING:
      return "Too much nesting.";
    case JSON_UNEXPECTED_DATA_AFTER_ROOT:
      return "Unexpected data after root element.";
    case JSON_UNSUPPORTED_ENCODING:
      return "Unsupported encoding. JSON must be UTF-8.";
    case JSON_UNQUOTED_DICTIONARY_KEY:
      return "Dictionary keys must be quoted.";
    case JSON_UNREPRESENTABLE_NUMBER:
      return "Number cannot be represented.";
    case JSON_UNEXPECTED_CONTROL_CHAR:
      return "Unexpected control character.";
    case JSON_ACCESS_DENIED:
      return "Access denied.";
    case JSON_CANNOT_READ_FILE:
      return "Can't read file.";
    case JSON_FILE_LOCKED:
      return "File locked.";
    case JSON_NO_SUCH_FILE:
      return "File doesn't exist.";
    default:
      return std::string();
  }
}

bool ParseJson(std::string_view text, int options, nlohmann::json* out, JsonReadError* error) {
  Parser parser(text, options);
  nlohmann::json value;
  if (!parser.Parse(&value)) {
    if (out) *out = nullptr;
    if (error) parser.FillError(error);
    return false;
  }
  if (out) *out = std::move(value);
  if (error) *error = JsonReadError();
  return true;
}

bool ParseJson(std::string_view text, int options, nlohmann::json* out, int* error_code,
               std::string* error_message) {
  JsonReadError error;
  bool ok = ParseJson(text, options, out, &error);
  if (error_code) *error_code = error.code;
  if (error_message) *error_message = error.message;
  return ok;
}

}  // namespace corvane
