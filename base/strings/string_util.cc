#include "base/strings/string_util.h"

#include <cstdint>

namespace corvane {

namespace {

template <typename Char>
bool IsWhitespace(Char c) {
  switch (static_cast<uint32_t>(c)) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
      return true;
    case 0xA0:
    case 0x3000:
      return sizeof(Char) > 1;
    default:
      return false;
  }
}

template <typename Char>
std::basic_string<Char> TrimT(std::basic_string_view<Char> text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsWhitespace(text[begin])) ++begin;
  while (end > begin && IsWhitespace(text[end - 1])) --end;
  return std::basic_string<Char>(text.substr(begin, end - begin));
}

template <typename Char>
Char ToLower(Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

template <typename Char>
Char ToUpper(Char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<Char>(c - ('a' - 'A')) : c;
}

template <typename Char>
std::basic_string<Char> LowerT(std::basic_string_view<Char> text) {
  std::basic_string<Char> out(text);
  for (Char& c : out) c = ToLower(c);
  return out;
}

template <typename Char>
std::basic_string<Char> UpperT(std::basic_string_view<Char> text) {
  std::basic_string<Char> out(text);
  for (Char& c : out) c = ToUpper(c);
  return out;
}

template <typename Char>
bool EqualsT(std::basic_string_view<Char> a, std::basic_string_view<Char> b, CompareCase compare) {
  if (a.size() != b.size()) return false;
  if (compare == CompareCase::SENSITIVE) return a == b;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToLower(a[i]) != ToLower(b[i])) return false;
  }
  return true;
}

template <typename Char>
std::vector<std::basic_string<Char>> SplitT(std::basic_string_view<Char> text, Char separator,
                                            bool trim, SplitMode mode) {
  std::vector<std::basic_string<Char>> out;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    std::basic_string_view<Char> piece =
        text.substr(start, end == std::basic_string_view<Char>::npos ? end : end - start);
    std::basic_string<Char> value = trim ? TrimT(piece) : std::basic_string<Char>(piece);
    if (mode == SplitMode::KEEP_EMPTY || !value.empty()) out.push_back(std::move(value));
    if (end == std::basic_string_view<Char>::npos) break;
    start = end + 1;
  }
  return out;
}

template <typename Char>
std::basic_string<Char> JoinT(const std::vector<std::basic_string<Char>>& parts,
                              std::basic_string_view<Char> separator) {
  std::basic_string<Char> out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out.append(separator);
    out.append(parts[i]);
  }
  return out;
}

template <typename Char>
std::basic_string<Char> ReplaceT(std::basic_string_view<Char> text,
                                 std::basic_string_view<Char> from,
                                 std::basic_string_view<Char> to) {
  if (from.empty()) return std::basic_string<Char>(text);
  std::basic_string<Char> out;
  size_t start = 0;
  for (;;) {
    size_t hit = text.find(from, start);
    if (hit == std::basic_string_view<Char>::npos) break;
    out.append(text.substr(start, hit - start));
    out.append(to);
    start = hit + from.size();
  }
  out.append(text.substr(start));
  return out;
}

}  // namespace

std::string TrimWhitespace(std::string_view text) { return TrimT(text); }
std::wstring TrimWhitespace(std::wstring_view text) { return TrimT(text); }
std::string ToLowerASCII(std::string_view text) { return LowerT(text); }
std::wstring ToLowerASCII(std::wstring_view text) { return LowerT(text); }
std::string ToUpperASCII(std::string_view text) { return UpperT(text); }
std::wstring ToUpperASCII(std::wstring_view text) { return UpperT(text); }

bool StartsWith(std::string_view text, std::string_view prefix, CompareCase compare) {
  return text.size() >= prefix.size() && EqualsT(text.substr(0, prefix.size()), prefix, compare);
}
bool StartsWith(std::wstring_view text, std::wstring_view prefix, CompareCase compare) {
  return text.size() >= prefix.size() && EqualsT(text.substr(0, prefix.size()), prefix, compare);
}
bool EndsWith(std::string_view text, std::string_view suffix, CompareCase compare) {
  return text.size() >= suffix.size() &&
         EqualsT(text.substr(text.size() - suffix.size()), suffix, compare);
}
bool EndsWith(std::wstring_view text, std::wstring_view suffix, CompareCase compare) {
  return text.size() >= suffix.size() &&
         EqualsT(text.substr(text.size() - suffix.size()), suffix, compare);
}

bool EqualsCaseInsensitiveASCII(std::string_view a, std::string_view b) {
  return EqualsT(a, b, CompareCase::INSENSITIVE_ASCII);
}
bool EqualsCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b) {
  return EqualsT(a, b, CompareCase::INSENSITIVE_ASCII);
}

std::vector<std::string> SplitString(std::string_view text, char separator, bool trim,
                                     SplitMode mode) {
  return SplitT(text, separator, trim, mode);
}
std::vector<std::wstring> SplitString(std::wstring_view text, wchar_t separator, bool trim,
                                      SplitMode mode) {
  return SplitT(text, separator, trim, mode);
}

std::string JoinString(const std::vector<std::string>& parts, std::string_view separator) {
  return JoinT(parts, separator);
}
std::wstring JoinString(const std::vector<std::wstring>& parts, std::wstring_view separator) {
  return JoinT(parts, separator);
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  return ReplaceT(text, from, to);
}
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to) {
  return ReplaceT(text, from, to);
}

}  // namespace corvane
