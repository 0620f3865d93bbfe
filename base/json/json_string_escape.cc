#include "base/json/json_string_escape.h"

#include <cstdint>

#include "base/strings/utf_string_conversions.h"

namespace corvane {

namespace {

void AppendUnicodeEscape(uint32_t code, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  out->append("\\u");
  for (int shift = 12; shift >= 0; shift -= 4) out->push_back(kHex[(code >> shift) & 0xF]);
}

}  // namespace

bool AppendJsonQuotedString(std::string_view utf8, std::string* out) {
  std::string quoted;
  quoted.reserve(utf8.size() + 2);
  quoted.push_back('"');
  for (size_t i = 0; i < utf8.size();) {
    uint32_t code = 0;
    bool valid = false;
    const size_t length = DecodeUTF8Sequence(utf8, i, &code, &valid);
    if (!valid) return false;
    switch (code) {
      case '"':
        quoted.append("\\\"");
        break;
      case '\\':
        quoted.append("\\\\");
        break;
      case '\b':
        quoted.append("\\b");
        break;
      case '\f':
        quoted.append("\\f");
        break;
      case '\n':
        quoted.append("\\n");
        break;
      case '\r':
        quoted.append("\\r");
        break;
      case '\t':
        quoted.append("\\t");
        break;
      case '<':
      case 0x2028:
      case 0x2029:
        AppendUnicodeEscape(code, &quoted);
        break;
      default:
        if (code < 0x20)
          AppendUnicodeEscape(code, &quoted);
        else
          quoted.append(utf8.substr(i, length));
        break;
    }
    i += length;
  }
  quoted.push_back('"');
  out->append(quoted);
  return true;
}

}  // namespace corvane
