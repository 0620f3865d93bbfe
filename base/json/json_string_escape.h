// Writing text as a JSON string, the counterpart of the reader's string rules.

#ifndef BASE_JSON_JSON_STRING_ESCAPE_H_
#define BASE_JSON_JSON_STRING_ESCAPE_H_

#include <string>
#include <string_view>

namespace corvane {

// Appends |utf8| as a quoted JSON string: the two-character escapes for
// quote, backslash, \b \f \n \r \t; \uXXXX (upper-case hex) for the other
// characters below 0x20 and for '<', U+2028 and U+2029, so that the text is
// also safe inside a script block. False, with |out| unchanged, when |utf8| is
// not valid UTF-8.
bool AppendJsonQuotedString(std::string_view utf8, std::string* out);

}  // namespace corvane

#endif  // BASE_JSON_JSON_STRING_ESCAPE_H_
