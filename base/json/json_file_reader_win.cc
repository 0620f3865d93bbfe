#include <windows.h>

#include <string>

#include "base/files/file_util.h"
#include "base/json/json_file_reader.h"

namespace corvane {

bool JsonFileReader::Read(nlohmann::json* out) {
  error_ = JsonReadError();
  std::string contents;
  if (!ReadFileToString(path_, &contents)) {
    DWORD system_error = ::GetLastError();
    error_.code = JsonFileErrorFromSystemError(system_error, PathExists(path_));
    error_.message = JsonErrorMessage(error_.code);
    if (out) *out = nullptr;
    ::SetLastError(system_error);
    return false;
  }
  return ParseJson(contents, options_, out, &error_);
}

}  // namespace corvane
