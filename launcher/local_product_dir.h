#ifndef LAUNCHER_LOCAL_PRODUCT_DIR_H_
#define LAUNCHER_LOCAL_PRODUCT_DIR_H_

#include <string>
#include <string_view>

#include "base/files/file_path.h"

namespace corvane {

inline constexpr wchar_t kBinUpdateRecordFileName[] = L"bin_update_local.json";

// The per-user product directory: local application data, "Quorlix", then
// "corvane_local_" followed by |suffix|. Nothing is created on disk. When the
// local application data directory is unknown the result is relative.
FilePath LocalProductDir(std::string_view suffix);

// "bin_update_local.json" in LocalProductDir(|suffix|).
FilePath BinUpdateRecordPath(std::string_view suffix);

// Reads the local binary-update record. The outputs get the two versions
// from the record, or (|default_app_version|, "0") when the record does not
// give both non-empty. Always returns true.
bool ReadShellConfig(std::string_view suffix, const std::string& default_app_version,
                     std::string* app_version, std::string* file_version);

// ReadShellConfig on an explicit record file.
bool ReadShellConfigFile(const FilePath& record_path, const std::string& default_app_version,
                         std::string* app_version, std::string* file_version);

}  // namespace corvane

#endif  // LAUNCHER_LOCAL_PRODUCT_DIR_H_
