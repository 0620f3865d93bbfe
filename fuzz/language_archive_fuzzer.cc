// The language archive: any bytes as the embedded ZIP, read as at start-up
// for a locale taken from the input. No memory error; a loaded table gives
// texts for its keys; a closed archive has no files.

#include <string>

#include "base/zip/zip_memory_archive.h"
#include "fuzz/fuzz_support.h"
#include "launcher/localized_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  fuzz::QuietLogging();
  fuzz::InputReader input(data, size);
  std::string locale(input.TakePiece().substr(0, 32));
  ZipMemoryArchive archive{std::string(input.rest())};
  ClearLocalizedTexts();
  bool loaded = InitLocalizedTextsForLocale(
      locale, [&](std::string_view name) { return archive.HasFile(name); },
      [&](std::string_view name, std::string* contents) {
        return archive.ReadFile(name, contents);
      });
  if (!archive.IsOpen()) FUZZ_CHECK(!loaded && !archive.HasFile("i18n.json"));
  // A key that is read at every error dialog.
  std::wstring title = LocalizedText("error_msg_title");
  (void)title;
  // The index alone, as the chooser sees it, for the same locale.
  std::string index;
  if (archive.ReadFile("i18n.json", &index)) ChooseLanguageFilesForLocale(locale, index);
  ClearLocalizedTexts();
  return 0;
}
