// Typed lookups of members and elements of parsed JSON values. A member of
// another type counts as absent: the readers of our files skip what they
// cannot use rather than guess.

#ifndef BASE_JSON_JSON_VALUE_FIND_H_
#define BASE_JSON_JSON_VALUE_FIND_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace corvane {

// The member |key| of |dict|; nullptr when |dict| is no object or lacks it.
const nlohmann::json* FindMember(const nlohmann::json& dict, std::string_view key);

// The member |key| when it is a string / a boolean, else nullptr.
const std::string* FindStringMember(const nlohmann::json& dict, std::string_view key);
const bool* FindBoolMember(const nlohmann::json& dict, std::string_view key);

// The member |key| when it is an integer that fits 32 bits.
std::optional<int32_t> FindInt32Member(const nlohmann::json& dict, std::string_view key);
// The member |key| when it is any number.
std::optional<double> FindNumberMember(const nlohmann::json& dict, std::string_view key);

// Appends the string elements of |list| to |out| in order; false at the first
// element that is not a string (the ones before it stay appended). A |list|
// that is no array appends nothing and is true.
bool AppendStringElements(const nlohmann::json& list, std::vector<std::string>* out);

}  // namespace corvane

#endif  // BASE_JSON_JSON_VALUE_FIND_H_
