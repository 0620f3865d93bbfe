#ifndef BASE_ENVIRONMENT_H_
#define BASE_ENVIRONMENT_H_

#include <string>
#include <string_view>

namespace corvane {

// Reads a variable of the process environment. When |name| is not found and
// starts with a lower-case letter, it is tried once more upper-cased whole;
// when it starts with an upper-case letter, lower-cased whole.
bool GetEnvVar(std::string_view name, std::wstring* value);
bool HasEnvVar(std::string_view name);
// SetEnvironmentVariableW.
bool SetEnvVar(std::string_view name, std::wstring_view value);
bool UnSetEnvVar(std::string_view name);

// The retry name of GetEnvVar ("" when there is none): upper-cased when
// |name| starts with a lower-case ASCII letter, lower-cased when with an
// upper-case one.
std::string AlternateEnvVarName(std::string_view name);

}  // namespace corvane

#endif  // BASE_ENVIRONMENT_H_
