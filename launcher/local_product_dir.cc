#include "launcher/local_product_dir.h"

#include "base/files/file_util.h"
#include "base/json/json_file_reader.h"
#include "base/json/json_value_find.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "nlohmann/json.hpp"

namespace corvane {

namespace {

const char kAppVersionKey[] = "bin_update_app_version";
const char kFileVersionKey[] = "bin_update_file_version";

// The member |key| of |root| when it is a string; logs a missing one.
const std::string* FindRecordString(const nlohmann::json& root, const char* key) {
  if (const std::string* value = FindStringMember(root, key)) return value;
  LOG(ERROR) << "error: parse key error: " << key;
  return nullptr;
}

}  // namespace

FilePath LocalProductDir(std::string_view suffix) {
  FilePath dir;
  if (!GetPath(DIR_LOCAL_APP_DATA, &dir)) dir = FilePath();
  return dir.Append(L"Quorlix").Append(L"corvane_local_" + UTF8ToWide(suffix));
}

FilePath BinUpdateRecordPath(std::string_view suffix) {
  return LocalProductDir(suffix).Append(kBinUpdateRecordFileName);
}

bool ReadShellConfigFile(const FilePath& record_path, const std::string& default_app_version,
                         std::string* app_version, std::string* file_version) {
  *app_version = default_app_version;
  *file_version = "0";
  if (!PathExists(record_path)) {
    LOG(ERROR) << "[shell_config] file not exist: " << record_path.value();
    return true;
  }
  nlohmann::json root;
  int code = 0;
  std::string message;
  if (!ReadJsonFile(record_path, JSON_PARSE_EXTENDED, &root, &code, &message)) {
    LOG(ERROR) << "[shell_config] read file string error:" << message;
    return true;
  }
  // A root that is not an object has neither member.
  const std::string* app = FindRecordString(root, kAppVersionKey);
  const std::string* file = FindRecordString(root, kFileVersionKey);
  if (app && file && !app->empty() && !file->empty()) {
    *app_version = *app;
    *file_version = *file;
  }
  return true;
}

bool ReadShellConfig(std::string_view suffix, const std::string& default_app_version,
                     std::string* app_version, std::string* file_version) {
  return ReadShellConfigFile(BinUpdateRecordPath(suffix), default_app_version, app_version,
                             file_version);
}

}  // namespace corvane
