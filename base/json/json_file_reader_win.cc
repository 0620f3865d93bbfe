#include <windows.h>

#include <new>
#include <string>

#include "base/files/file_util.h"
#include "base/json/json_file_reader.h"

namespace corvane {

namespace {

constexpr char kFileTooLarge[] = "File too large.";
constexpr char kOutOfMemory[] = "Out of memory.";

}  // namespace

bool JsonFileReader::Read(nlohmann::json* out) {
  error_ = JsonReadError();
  if (out) *out = nullptr;
  const auto fail = [this](int code, const std::string& message) {
    error_.code = code;
    error_.message = message;
    return false;
  };
  try {
    int64_t size = 0;
    if (GetFileSize(path_, &size) && size > kMaxJsonFileSize)
      return fail(JSON_CANNOT_READ_FILE, kFileTooLarge);
    std::string contents;
    if (!ReadFileToStringWithMaxSize(path_, &contents, static_cast<size_t>(kMaxJsonFileSize))) {
      const DWORD system_error = ::GetLastError();
      // Grown past the bound since it was measured.
      if (contents.size() == static_cast<size_t>(kMaxJsonFileSize))
        return fail(JSON_CANNOT_READ_FILE, kFileTooLarge);
      const int code = JsonFileErrorFromSystemError(system_error, PathExists(path_));
      fail(code, JsonErrorMessage(code));
      ::SetLastError(system_error);
      return false;
    }
    return ParseJson(contents, options_, out, &error_);
  } catch (const std::bad_alloc&) {
    if (out) *out = nullptr;
    return fail(JSON_CANNOT_READ_FILE, kOutOfMemory);
  }
}

}  // namespace corvane
