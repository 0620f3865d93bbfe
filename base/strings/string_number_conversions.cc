#include "base/strings/string_number_conversions.h"

#include <limits>
#include <type_traits>

namespace corvane {

namespace {

// Shared by the narrow and wide forms. On failure *output holds the value
// read before the offending character, or the limit on overflow.
template <typename Int, typename Char>
bool ParseInteger(std::basic_string_view<Char> input, Int* output) {
  Int value = 0;
  bool ok = true;
  size_t i = 0;
  bool negative = false;
  if (i < input.size() && (input[i] == '+' || input[i] == '-')) {
    negative = input[i] == '-';
    ++i;
  }
  if constexpr (!std::is_signed<Int>::value) {
    if (negative) {
      *output = 0;
      return false;
    }
  }
  if (i == input.size()) ok = false;  // Empty, or a sign alone.
  for (; i < input.size(); ++i) {
    Char c = input[i];
    if (c < '0' || c > '9') {
      ok = false;
      break;
    }
    Int digit = static_cast<Int>(c - '0');
    if (!negative) {
      if (value > (std::numeric_limits<Int>::max() - digit) / 10) {
        *output = std::numeric_limits<Int>::max();
        return false;
      }
      value = static_cast<Int>(value * 10 + digit);
    } else {
      if (value < (std::numeric_limits<Int>::min() + digit) / 10) {
        *output = std::numeric_limits<Int>::min();
        return false;
      }
      value = static_cast<Int>(value * 10 - digit);
    }
  }
  *output = value;
  return ok;
}

template <typename Int>
std::string IntToString(Int value) {
  // Work with the unsigned magnitude so the minimum value is safe.
  using Unsigned = typename std::make_unsigned<Int>::type;
  bool negative = value < 0;
  Unsigned magnitude = negative ? static_cast<Unsigned>(0) - static_cast<Unsigned>(value)
                                : static_cast<Unsigned>(value);
  char buffer[24];
  size_t pos = sizeof(buffer);
  do {
    buffer[--pos] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) buffer[--pos] = '-';
  return std::string(buffer + pos, sizeof(buffer) - pos);
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

bool StringToInt(std::string_view input, int* output) { return ParseInteger(input, output); }
bool StringToInt(std::wstring_view input, int* output) { return ParseInteger(input, output); }
bool StringToUint(std::string_view input, unsigned* output) { return ParseInteger(input, output); }
bool StringToUint(std::wstring_view input, unsigned* output) { return ParseInteger(input, output); }
bool StringToInt64(std::string_view input, int64_t* output) { return ParseInteger(input, output); }
bool StringToInt64(std::wstring_view input, int64_t* output) { return ParseInteger(input, output); }
bool StringToUint64(std::string_view input, uint64_t* output) {
  return ParseInteger(input, output);
}
bool StringToUint64(std::wstring_view input, uint64_t* output) {
  return ParseInteger(input, output);
}

std::string NumberToString(int value) { return IntToString(value); }
std::string NumberToString(unsigned value) { return IntToString(value); }
std::string NumberToString(long value) { return IntToString(value); }
std::string NumberToString(unsigned long value) { return IntToString(value); }
std::string NumberToString(long long value) { return IntToString(value); }
std::string NumberToString(unsigned long long value) { return IntToString(value); }
std::wstring NumberToWString(int value) { return Widen(IntToString(value)); }
std::wstring NumberToWString(unsigned value) { return Widen(IntToString(value)); }
std::wstring NumberToWString(long value) { return Widen(IntToString(value)); }
std::wstring NumberToWString(unsigned long value) { return Widen(IntToString(value)); }
std::wstring NumberToWString(long long value) { return Widen(IntToString(value)); }
std::wstring NumberToWString(unsigned long long value) { return Widen(IntToString(value)); }

std::string HexEncodeLower(const void* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  const unsigned char* data = static_cast<const unsigned char*>(bytes);
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 0x0F]);
  }
  return out;
}

}  // namespace corvane
