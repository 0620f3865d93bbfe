#include "elevation_service/elevation_service_client.h"

#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "elevation_service/elevation_service_const.h"
#include "nlohmann/json.hpp"

namespace corvane {

namespace {

constexpr char kMissingKey[] = "[elevator] cant find key=";

// Reads |key| as a string into |field|, or logs that it is missing.
void ReadText(const nlohmann::json& root, const char* key, std::wstring* field) {
  auto it = root.find(key);
  if (it == root.end() || !it->is_string()) {
    LOG(ERROR) << kMissingKey << key;
    return;
  }
  *field = UTF8ToWide(it->get_ref<const std::string&>());
}

}  // namespace

std::string ChooseElevationServiceDescription(std::wstring_view entry) {
  if (entry.empty()) {
    LOG(INFO) << "rc string len is 0, id is:" << kElevationServiceStringId;
    return kDefaultElevationServiceInfo;
  }
  LOG(INFO) << "load rc id: " << kElevationServiceStringId << ", value: " << entry;
  std::string utf8;
  if (!WideToUTF8Strict(entry, &utf8)) {
    LOG(ERROR) << "convert pe info wstr to utf8 failed.";
    return kDefaultElevationServiceInfo;
  }
  if (utf8.empty()) return kDefaultElevationServiceInfo;
  return utf8;
}

bool ParseElevationServiceInfo(std::string_view description, ElevationServiceInfo* info) {
  nlohmann::json root;
  int code = 0;
  std::string message;
  // A valid text that is not an object describes nothing: read it as broken.
  if (!ParseJson(description, JSON_PARSE_EXTENDED, &root, &code, &message) || !root.is_object()) {
    LOG(ERROR) << "[elevator] error pe info" << description;
    return false;
  }
  ReadText(root, "cls_id", &info->cls_id);
  ReadText(root, "iid", &info->iid);
  ReadText(root, "service_name", &info->service_name);
  ReadText(root, "display_name", &info->display_name);

  auto oversea = root.find("oversea");
  if (oversea != root.end() && oversea->is_boolean()) {
    info->oversea = oversea->get<bool>();
  } else {
    LOG(ERROR) << kMissingKey << "oversea";
  }

  auto signatures = root.find("signatures");
  if (signatures != root.end() && signatures->is_array()) {
    for (const nlohmann::json& name : *signatures) {
      if (name.is_string()) info->signatures.push_back(name.get<std::string>());
    }
  } else {
    LOG(ERROR) << "[elevator] cant find list key=signatures";
  }
  return true;
}

}  // namespace corvane
