#ifndef BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
#define BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// Decimal text to integer: an optional sign ('+' or '-'; '-' refused for the
// unsigned forms), then one or more digits, nothing else. On failure *output
// still receives a value: the number read up to the offending character, or
// the type's limit on overflow. Leading or trailing white space is a failure.
bool StringToInt(std::string_view input, int* output);
bool StringToInt(std::wstring_view input, int* output);
bool StringToUint(std::string_view input, unsigned* output);
bool StringToUint(std::wstring_view input, unsigned* output);
bool StringToInt64(std::string_view input, int64_t* output);
bool StringToInt64(std::wstring_view input, int64_t* output);
bool StringToUint64(std::string_view input, uint64_t* output);
bool StringToUint64(std::wstring_view input, uint64_t* output);

std::string NumberToString(int value);
std::string NumberToString(unsigned value);
std::string NumberToString(long value);
std::string NumberToString(unsigned long value);
std::string NumberToString(long long value);
std::string NumberToString(unsigned long long value);
std::wstring NumberToWString(int value);
std::wstring NumberToWString(unsigned value);
std::wstring NumberToWString(long value);
std::wstring NumberToWString(unsigned long value);
std::wstring NumberToWString(long long value);
std::wstring NumberToWString(unsigned long long value);

// Lower-case hexadecimal, two digits a byte.
std::string HexEncodeLower(const void* bytes, size_t size);

}  // namespace corvane

#endif  // BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
