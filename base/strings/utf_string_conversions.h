#ifndef BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
#define BASE_STRINGS_UTF_STRING_CONVERSIONS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// UTF-16 <-> UTF-8. Unpaired surrogates and malformed UTF-8 sequences come
// out as U+FFFD, one replacement per bad sequence; the conversion never fails.
std::string WideToUTF8(std::wstring_view wide);
std::wstring UTF8ToWide(std::string_view utf8);
// The same, but an unpaired surrogate fails the conversion (|out| untouched).
bool WideToUTF8Strict(std::wstring_view wide, std::string* out);

// Widens 7-bit text code unit by code unit. Callers pass ASCII only.
std::wstring ASCIIToWide(std::string_view ascii);
// Narrows text that IsStringASCII() accepts.
std::string WideToASCII(std::wstring_view wide);

// Decodes the UTF-8 sequence that starts at |pos| (< text.size()). Returns the
// bytes it spans and sets |*valid|; |*code_point| holds the value of a valid
// sequence. An invalid one spans its maximal invalid prefix, at least a byte.
size_t DecodeUTF8Sequence(std::string_view text, size_t pos, uint32_t* code_point, bool* valid);

// Appends one Unicode scalar value, encoded as UTF-8.
void AppendCodePointUTF8(uint32_t code_point, std::string* out);

bool IsStringASCII(std::wstring_view text);
bool IsStringASCII(std::string_view text);

}  // namespace corvane

#endif  // BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
