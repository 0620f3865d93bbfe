#ifndef BASE_JSON_JSON_FILE_READER_H_
#define BASE_JSON_JSON_FILE_READER_H_

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "base/files/file_path.h"
#include "base/json/json_reader.h"

namespace corvane {

// No JSON file this program reads comes near this size: the configuration
// and the local records hold well under a kilobyte. A larger file is refused
// before it is read, so that a hostile one cannot exhaust the 32-bit address
// space.
constexpr int64_t kMaxJsonFileSize = 4 << 20;

// Reads a JSON file of the given dialect into a value tree. A file that
// cannot be read gives 1002 "File locked." (sharing or lock violation),
// 1000 "Access denied." (error 5), 1001 "Can't read file." (the file exists)
// or 1003 "File doesn't exist."; a file larger than kMaxJsonFileSize gives
// 1001 "File too large.", and memory running out while reading or parsing
// 1001 "Out of memory."; otherwise the parse error of ParseJson. Never throws.
class JsonFileReader {
 public:
  JsonFileReader(const FilePath& path, int options);

  bool Read(nlohmann::json* out);

  int error_code() const { return error_.code; }
  const std::string& error_message() const { return error_.message; }
  const JsonReadError& error() const { return error_; }

 private:
  FilePath path_;
  int options_;
  JsonReadError error_;
};

// Function form of JsonFileReader; |error_code| and |error_message| may be
// nullptr.
bool ReadJsonFile(const FilePath& path, int options, nlohmann::json* out, int* error_code,
                  std::string* error_message);

// Maps a system error from opening or reading an existing-or-not file to the
// file error code (1000..1003). |file_exists| decides between 1001 and 1003.
int JsonFileErrorFromSystemError(unsigned long system_error, bool file_exists);

}  // namespace corvane

#endif  // BASE_JSON_JSON_FILE_READER_H_
