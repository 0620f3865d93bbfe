#include "base/json/json_value_find.h"

#include <limits>

namespace corvane {

const nlohmann::json* FindMember(const nlohmann::json& dict, std::string_view key) {
  if (!dict.is_object()) return nullptr;
  auto it = dict.find(key);
  return it == dict.end() ? nullptr : &*it;
}

const std::string* FindStringMember(const nlohmann::json& dict, std::string_view key) {
  const nlohmann::json* value = FindMember(dict, key);
  return value && value->is_string() ? value->get_ptr<const std::string*>() : nullptr;
}

const bool* FindBoolMember(const nlohmann::json& dict, std::string_view key) {
  const nlohmann::json* value = FindMember(dict, key);
  return value && value->is_boolean() ? value->get_ptr<const bool*>() : nullptr;
}

std::optional<int32_t> FindInt32Member(const nlohmann::json& dict, std::string_view key) {
  const nlohmann::json* value = FindMember(dict, key);
  if (!value || !value->is_number_integer()) return std::nullopt;
  if (value->is_number_unsigned()) {
    const uint64_t number = value->get<uint64_t>();
    if (number > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return std::nullopt;
    return static_cast<int32_t>(number);
  }
  const int64_t number = value->get<int64_t>();
  if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(number);
}

std::optional<double> FindNumberMember(const nlohmann::json& dict, std::string_view key) {
  const nlohmann::json* value = FindMember(dict, key);
  if (!value || !value->is_number()) return std::nullopt;
  return value->get<double>();
}

bool AppendStringElements(const nlohmann::json& list, std::vector<std::string>* out) {
  if (!list.is_array()) return true;
  for (const nlohmann::json& element : list) {
    if (!element.is_string()) return false;
    out->push_back(element.get<std::string>());
  }
  return true;
}

}  // namespace corvane
