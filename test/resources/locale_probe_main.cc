// Start-up of a launcher-like program built with the shipped resources:
// names the archive, loads the texts for the user's real locale and the
// product constants from its own string table, and checks what it got.
//   corvane_locale_probe <expected locale name> <expected language file>
// Exit code 0 when everything matches, 1 otherwise (each mismatch printed).

#include <cstdio>
#include <string>
#include <vector>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "launcher/launcher_constants.h"
#include "launcher/localized_texts.h"

namespace {

constexpr int kArchiveId = 100;

int g_failures = 0;

void Expect(bool condition, const std::string& what) {
  if (condition) return;
  ++g_failures;
  std::fprintf(stderr, "mismatch: %s\n", what.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: corvane_locale_probe <locale> <language file>\n");
    return 2;
  }
  const std::string expected_locale = argv[1];
  const std::string expected_file = argv[2];

  corvane::SetResourceArchive(nullptr, kArchiveId);  // nullptr: this executable

  std::string locale = corvane::GetUserLocaleName();
  Expect(locale == expected_locale, "locale " + locale + " != " + expected_locale);

  std::string index;
  Expect(corvane::ArchiveReadFile("i18n.json", &index), "i18n.json readable");
  std::vector<std::string> candidates = corvane::ChooseLanguageFiles(index);
  Expect(
      !candidates.empty() && corvane::EqualsCaseInsensitiveASCII(candidates.front(), expected_file),
      "first candidate " + (candidates.empty() ? std::string() : candidates.front()));
  Expect(!candidates.empty() && candidates.back() == "en-us", "default candidate last");

  std::string loaded;
  auto has_file = [&loaded](std::string_view name) {
    bool found = corvane::ArchiveHasFile(name);
    if (found && loaded.empty() && name != "i18n.json") loaded = std::string(name);
    return found;
  };
  Expect(corvane::InitLocalizedTexts(has_file, corvane::ArchiveReadFile), "texts loaded");
  Expect(loaded == "lang\\" + expected_file + ".json", "loaded file " + loaded);

  Expect(corvane::error_msg_title() == L"Error", "title text");
  const bool partial_file = expected_file == "sw-KE";
  Expect(corvane::error_msg_btn_fix() == (partial_file ? L"" : L"Reinstall"), "fix button text");
  Expect(corvane::error_msg_str_find_app_failed() ==
             (partial_file ? L"" : L"Couldn\u2019t find the program."),
         "find-app text");

  corvane::LoadProductConstants();
  Expect(corvane::app_id() == 583172, "app_id");
  Expect(corvane::product_short_name() == L"velmoraim", "product_short_name");
  Expect(corvane::main_exe_names() ==
             std::vector<std::wstring>({L"\u7EF4\u83AB\u62C9.exe", L"velmoraim.exe"}),
         "main_exe_names");

  corvane::ClearLocalizedTexts();
  Expect(corvane::error_msg_title().empty(), "texts cleared");

  if (g_failures == 0) std::printf("locale %s loaded %s\n", locale.c_str(), loaded.c_str());
  return g_failures == 0 ? 0 : 1;
}
