// The configuration's read and write: any file text either is refused or
// gives a record whose stored text reads back to the same record and the
// same text, with every path inside the install tree.

#include <string>

#include "base/json/json_reader.h"
#include "fuzz/fuzz_support.h"
#include "launcher/install_tree_path.h"
#include "launcher/launcher_config.h"

namespace {

using corvane::LauncherConfig;

bool SameRecord(const LauncherConfig& a, const LauncherConfig& b) {
  std::string text_a, text_b;
  return corvane::SerializeLauncherConfig(a, &text_a) &&
         corvane::SerializeLauncherConfig(b, &text_b) && text_a == text_b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  fuzz::QuietLogging();
  std::string_view text(reinterpret_cast<const char*>(data), size);
  nlohmann::json root;
  JsonReadError error;
  if (!ParseJson(text, JSON_PARSE_EXTENDED_TRAILING_COMMAS, &root, &error)) return 0;
  LauncherConfig config;
  if (!ApplyLauncherConfigJson(root, L"app", &config)) return 0;
  FUZZ_CHECK(HasInstallTreePaths(config));

  std::string stored;
  FUZZ_CHECK(SerializeLauncherConfig(config, &stored));
  nlohmann::json stored_root;
  FUZZ_CHECK(ParseJson(stored, JSON_PARSE_EXTENDED_TRAILING_COMMAS, &stored_root, &error));
  LauncherConfig reread;
  FUZZ_CHECK(ApplyLauncherConfigJson(stored_root, L"app", &reread));
  FUZZ_CHECK(SameRecord(config, reread));
  std::string stored_again;
  FUZZ_CHECK(SerializeLauncherConfig(reread, &stored_again) && stored_again == stored);
  return 0;
}
