#include <windows.h>

#include "base/environment.h"
#include "base/strings/utf_string_conversions.h"

namespace corvane {

namespace {

bool GetEnvVarExact(const std::wstring& name, std::wstring* value) {
  // A variable with an empty value also answers 0; only the error tells.
  std::wstring buffer(256, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD length =
        ::GetEnvironmentVariableW(name.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      if (value) value->clear();
      return true;
    }
    if (length < buffer.size()) {
      buffer.resize(length);
      if (value) *value = std::move(buffer);
      return true;
    }
    // Too small (|length| is the size needed); the value may still grow.
    buffer.assign(length, L'\0');
  }
  return false;
}

}  // namespace

bool GetEnvVar(std::string_view name, std::wstring* value) {
  if (GetEnvVarExact(UTF8ToWide(name), value)) return true;
  std::string alternate = AlternateEnvVarName(name);
  return !alternate.empty() && GetEnvVarExact(UTF8ToWide(alternate), value);
}

bool HasEnvVar(std::string_view name) { return GetEnvVar(name, nullptr); }

bool SetEnvVar(std::string_view name, std::wstring_view value) {
  return ::SetEnvironmentVariableW(UTF8ToWide(name).c_str(), std::wstring(value).c_str()) != 0;
}

bool UnSetEnvVar(std::string_view name) {
  return ::SetEnvironmentVariableW(UTF8ToWide(name).c_str(), nullptr) != 0;
}

}  // namespace corvane
