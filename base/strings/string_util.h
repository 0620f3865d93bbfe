#ifndef BASE_STRINGS_STRING_UTIL_H_
#define BASE_STRINGS_STRING_UTIL_H_

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// White space here is ASCII space, \t, \n, \v, \f, \r (and, for wide text,
// U+00A0 and U+3000 as well).
std::string TrimWhitespace(std::string_view text);
std::wstring TrimWhitespace(std::wstring_view text);

std::string ToLowerASCII(std::string_view text);
std::wstring ToLowerASCII(std::wstring_view text);
std::string ToUpperASCII(std::string_view text);
std::wstring ToUpperASCII(std::wstring_view text);

enum class CompareCase { SENSITIVE, INSENSITIVE_ASCII };

bool StartsWith(std::string_view text, std::string_view prefix,
                CompareCase compare = CompareCase::SENSITIVE);
bool StartsWith(std::wstring_view text, std::wstring_view prefix,
                CompareCase compare = CompareCase::SENSITIVE);
bool EndsWith(std::string_view text, std::string_view suffix,
              CompareCase compare = CompareCase::SENSITIVE);
bool EndsWith(std::wstring_view text, std::wstring_view suffix,
              CompareCase compare = CompareCase::SENSITIVE);

bool EqualsCaseInsensitiveASCII(std::string_view a, std::string_view b);
bool EqualsCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b);

enum class SplitMode {
  KEEP_EMPTY,  // "a,,b" -> "a", "", "b"
  SKIP_EMPTY,  // "a,,b" -> "a", "b"
};
// Splits at every |separator|; with |trim| each piece is trimmed first (an
// all-blank piece then counts as empty).
std::vector<std::string> SplitString(std::string_view text, char separator, bool trim = false,
                                     SplitMode mode = SplitMode::KEEP_EMPTY);
std::vector<std::wstring> SplitString(std::wstring_view text, wchar_t separator, bool trim = false,
                                      SplitMode mode = SplitMode::KEEP_EMPTY);

std::string JoinString(const std::vector<std::string>& parts, std::string_view separator);
std::wstring JoinString(const std::vector<std::wstring>& parts, std::wstring_view separator);

// Replaces every non-overlapping occurrence of |from| (not empty) by |to|,
// scanning left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to);

}  // namespace corvane

#endif  // BASE_STRINGS_STRING_UTIL_H_
