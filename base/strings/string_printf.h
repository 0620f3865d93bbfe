#ifndef BASE_STRINGS_STRING_PRINTF_H_
#define BASE_STRINGS_STRING_PRINTF_H_

#include <string>

namespace corvane {

// printf-style formatting into a std::string (any length).
std::string StringPrintf(const char* format, ...);

}  // namespace corvane

#endif  // BASE_STRINGS_STRING_PRINTF_H_
