#include "launcher/localized_texts.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "base/json/json_value_find.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace corvane {

namespace {

constexpr char kIndexName[] = "i18n.json";
constexpr char kDefaultIndexKey[] = "default";

std::unordered_map<std::string, std::wstring>& Texts() {
  static std::unordered_map<std::string, std::wstring>* texts =
      new std::unordered_map<std::string, std::wstring>();
  return *texts;
}

}  // namespace

std::string NormalizeLocaleName(std::string_view locale) {
  std::string name(locale);
  static const std::pair<const char*, const char*> kPrefixes[] = {
      {"ar", "ar-SA"}, {"fr", "fr-FR"}, {"es", "es-ES"}, {"de", "de-DE"}, {"ru", "ru-RU"},
  };
  bool replaced = false;
  for (const auto& prefix : kPrefixes) {
    if (StartsWith(name, prefix.first)) {
      name = prefix.second;
      replaced = true;
      break;
    }
  }
  if (!replaced && StartsWith(name, "pt")) {
    name = StartsWith(name, "pt-br", CompareCase::INSENSITIVE_ASCII) ? "pt-BR" : "pt-PT";
  }
  return ToLowerASCII(name);
}

std::vector<std::string> ChooseLanguageFilesForLocale(std::string_view locale,
                                                      std::string_view index_bytes) {
  std::vector<std::string> names;
  nlohmann::json index =
      nlohmann::json::parse(index_bytes.begin(), index_bytes.end(), nullptr, false, false);
  if (index.is_discarded() || !index.is_object()) return names;
  std::string key = NormalizeLocaleName(locale);
  auto entry = index.find(key);
  if (entry != index.end() && !AppendStringElements(*entry, &names)) return names;
  auto fallback = index.find(kDefaultIndexKey);
  if (fallback != index.end()) AppendStringElements(*fallback, &names);
  return names;
}

std::vector<std::string> ChooseLanguageFiles(std::string_view index_bytes) {
  return ChooseLanguageFilesForLocale(GetUserLocaleName(), index_bytes);
}

bool InitLocalizedTextsForLocale(std::string_view locale, const ArchiveHasFileFunction& has_file,
                                 const ArchiveReadFileFunction& read_file) {
  if (!has_file(kIndexName)) return false;
  std::string index;
  if (!read_file(kIndexName, &index) || index.empty()) return false;
  std::vector<std::string> candidates = ChooseLanguageFilesForLocale(locale, index);
  std::string chosen;
  for (const std::string& candidate : candidates) {
    std::string name = "lang\\" + candidate + ".json";
    if (has_file(name)) {
      chosen = std::move(name);
      break;
    }
  }
  if (chosen.empty()) return false;
  std::string contents;
  if (!read_file(chosen, &contents) || contents.empty()) return false;
  nlohmann::json texts =
      nlohmann::json::parse(contents.begin(), contents.end(), nullptr, false, false);
  if (texts.is_discarded()) return false;
  std::unordered_map<std::string, std::wstring>& table = Texts();
  if (texts.is_object()) {
    // nlohmann's object keeps its members in ascending key order.
    for (const auto& member : texts.items()) {
      if (!member.value().is_string()) break;
      table[member.key()] = UTF8ToWide(member.value().get_ref<const std::string&>());
    }
  }
  return !table.empty();
}

bool InitLocalizedTexts(const ArchiveHasFileFunction& has_file,
                        const ArchiveReadFileFunction& read_file) {
  return InitLocalizedTextsForLocale(GetUserLocaleName(), has_file, read_file);
}

std::wstring LocalizedText(std::string_view key) {
  const std::unordered_map<std::string, std::wstring>& table = Texts();
  auto it = table.find(std::string(key));
  return it == table.end() ? std::wstring() : it->second;
}

void ClearLocalizedTexts() { Texts().clear(); }

}  // namespace corvane
