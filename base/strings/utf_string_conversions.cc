#include "base/strings/utf_string_conversions.h"

#include <cstdint>

namespace corvane {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

void AppendUTF16(uint32_t code_point, std::wstring* out) {
  if (code_point < 0x10000) {
    out->push_back(static_cast<wchar_t>(code_point));
  } else {
    code_point -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (code_point >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (code_point & 0x3FF)));
  }
}

}  // namespace

void AppendCodePointUTF8(uint32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

namespace {

// Converts |wide|; an unpaired surrogate becomes U+FFFD, or stops the
// conversion with false when |strict|.
bool ConvertWideToUTF8(std::wstring_view wide, bool strict, std::string* out) {
  out->reserve(out->size() + wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    uint32_t unit = static_cast<uint16_t>(wide[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size()) {
      uint32_t next = static_cast<uint16_t>(wide[i + 1]);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendCodePointUTF8(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), out);
        ++i;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      if (strict) return false;
      unit = kReplacement;
    }
    AppendCodePointUTF8(unit, out);
  }
  return true;
}

}  // namespace

std::string WideToUTF8(std::wstring_view wide) {
  std::string out;
  ConvertWideToUTF8(wide, false, &out);
  return out;
}

bool WideToUTF8Strict(std::wstring_view wide, std::string* out) {
  std::string converted;
  if (!ConvertWideToUTF8(wide, true, &converted)) return false;
  *out = std::move(converted);
  return true;
}

size_t DecodeUTF8Sequence(std::string_view text, size_t pos, uint32_t* code_point, bool* valid) {
  const uint8_t lead = static_cast<uint8_t>(text[pos]);
  *valid = false;
  if (lead < 0x80) {
    *code_point = lead;
    *valid = true;
    return 1;
  }
  size_t length = 0;
  uint32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    // Stray continuation byte or invalid lead.
    return 1;
  }
  for (size_t taken = 1; taken < length; ++taken) {
    if (pos + taken >= text.size()) return taken;
    const uint8_t unit = static_cast<uint8_t>(text[pos + taken]);
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (taken == 1) {
      // Second-byte limits rule out overlong forms, surrogates and values
      // above U+10FFFF as early as possible.
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    if (unit < low || unit > high) return taken;
    value = (value << 6) | (unit & 0x3F);
  }
  *code_point = value;
  *valid = true;
  return length;
}

std::wstring UTF8ToWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    uint32_t code_point = 0;
    bool valid = false;
    i += DecodeUTF8Sequence(utf8, i, &code_point, &valid);
    // The maximal invalid prefix becomes one replacement character.
    AppendUTF16(valid ? code_point : kReplacement, &out);
  }
  return out;
}

std::wstring ASCIIToWide(std::string_view ascii) {
  std::wstring out;
  out.reserve(ascii.size());
  for (char c : ascii) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

std::string WideToASCII(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t c : wide) out.push_back(static_cast<char>(c));
  return out;
}

bool IsStringASCII(std::wstring_view text) {
  for (wchar_t c : text) {
    if (static_cast<uint16_t>(c) >= 0x80) return false;
  }
  return true;
}

bool IsStringASCII(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace corvane
