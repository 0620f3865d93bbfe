#ifndef LAUNCHER_LOCALIZED_TEXTS_H_
#define LAUNCHER_LOCALIZED_TEXTS_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// User-visible texts by key. The texts come from a ZIP archive embedded in
// the launcher: "i18n.json" maps lower-case locale names to language files
// below "lang/"; one language file is chosen for the user's locale at start-up
// and its texts fill a process-wide table.

namespace corvane {

// Archive operations handed to InitLocalizedTexts. Names are UTF-8; a
// backslash in a name stands for a slash.
using ArchiveHasFileFunction = std::function<bool(std::string_view name)>;
// Fills |contents| with the member's bytes; false (and |contents| empty) when
// the member is missing, empty or cannot be extracted.
using ArchiveReadFileFunction = std::function<bool(std::string_view name, std::string* contents)>;

// --- The embedded archive (Windows side) ---

// Names where the archive lives: a module handle (HMODULE) and an RCDATA id.
// A later call points the archive elsewhere and drops the open one.
void SetResourceArchive(void* module, int resource_id);
// The two operations over the archive named by SetResourceArchive. The
// resource is looked up on first use; when it is missing or empty nothing is
// found and the next use looks again.
bool ArchiveHasFile(std::string_view name);
bool ArchiveReadFile(std::string_view name, std::string* contents);

// --- Language choice (portable) ---

// The locale name after the prefix rules (ar, fr, es, de, ru, pt) and
// lower-casing, as the index is keyed. Locale names are UTF-8.
std::string NormalizeLocaleName(std::string_view locale);
// Candidate language-file names for |locale|, best first: the index entry of
// the locale, then the entry "default". Empty when the index does not parse.
std::vector<std::string> ChooseLanguageFilesForLocale(std::string_view locale,
                                                      std::string_view index_bytes);
// The same for the user's default locale (GetUserDefaultLocaleName; an empty
// name when the system call fails).
std::vector<std::string> ChooseLanguageFiles(std::string_view index_bytes);
// The user's default locale name as UTF-8, "" on failure.
std::string GetUserLocaleName();

// --- The process-wide table ---

// Chooses the language file for |locale| and stores its texts. True when the
// table holds at least one text afterwards.
bool InitLocalizedTextsForLocale(std::string_view locale, const ArchiveHasFileFunction& has_file,
                                 const ArchiveReadFileFunction& read_file);
// The same for the user's default locale.
bool InitLocalizedTexts(const ArchiveHasFileFunction& has_file,
                        const ArchiveReadFileFunction& read_file);
// The text for |key| (UTF-8), or "" when the table has none.
std::wstring LocalizedText(std::string_view key);
// Removes every text.
void ClearLocalizedTexts();

}  // namespace corvane

#endif  // LAUNCHER_LOCALIZED_TEXTS_H_
