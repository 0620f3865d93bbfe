#include "base/json/json_file_reader.h"

namespace corvane {

namespace {

// System error codes, spelled out so this file stays free of system headers.
constexpr unsigned long kErrorAccessDenied = 5;
constexpr unsigned long kErrorSharingViolation = 32;
constexpr unsigned long kErrorLockViolation = 33;

}  // namespace

int JsonFileErrorFromSystemError(unsigned long system_error, bool file_exists) {
  if (system_error == kErrorSharingViolation || system_error == kErrorLockViolation)
    return JSON_FILE_LOCKED;
  if (system_error == kErrorAccessDenied) return JSON_ACCESS_DENIED;
  return file_exists ? JSON_CANNOT_READ_FILE : JSON_NO_SUCH_FILE;
}

JsonFileReader::JsonFileReader(const FilePath& path, int options)
    : path_(path), options_(options) {}

bool ReadJsonFile(const FilePath& path, int options, nlohmann::json* out, int* error_code,
                  std::string* error_message) {
  JsonFileReader reader(path, options);
  bool ok = reader.Read(out);
  if (error_code) *error_code = reader.error_code();
  if (error_message) *error_message = reader.error_message();
  return ok;
}

}  // namespace corvane
