#include "base/environment.h"

#include "base/strings/string_util.h"

namespace corvane {

std::string AlternateEnvVarName(std::string_view name) {
  if (name.empty()) return std::string();
  char first = name.front();
  if (first >= 'a' && first <= 'z') return ToUpperASCII(name);
  if (first >= 'A' && first <= 'Z') return ToLowerASCII(name);
  return std::string();
}

}  // namespace corvane
