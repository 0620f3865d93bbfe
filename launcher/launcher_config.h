#ifndef LAUNCHER_LAUNCHER_CONFIG_H_
#define LAUNCHER_LAUNCHER_CONFIG_H_

#include <string>

#include "nlohmann/json_fwd.hpp"

namespace corvane {

class CommandLine;
class FilePath;

// The record of "launcher_config.json" beside the launcher executable.
struct LauncherConfig {
  std::wstring app_name;
  std::wstring mid_path;
  std::wstring cur_path;
  bool need_update = false;
  bool need_bin_update = false;
  std::wstring new_path;
  std::wstring new_mid_path;
  // Kept as UTF-8; the updater gets it unchanged.
  std::string bin_update_file;
};

inline constexpr wchar_t kLauncherConfigFileName[] = L"launcher_config.json";
inline constexpr int kLauncherConfigWriteAttempts = 3;
inline constexpr int kLauncherConfigRetryDelayMs = 500;

// Reads the configuration file in the launcher's directory into |config|.
// |error_code| and |error_message| (UTF-8) are optional and written only on
// failure.
bool ReadLauncherConfig(LauncherConfig* config, int* error_code = nullptr,
                        std::string* error_message = nullptr);

// Stores |config| as the configuration file in the launcher's directory.
bool WriteLauncherConfig(const LauncherConfig& config, int* error_code = nullptr,
                         std::string* error_message = nullptr);

// Builds a record from the switches named like the file's keys.
LauncherConfig LauncherConfigFromSwitches(const CommandLine& command_line);

// The read and the write on an explicit file path. |default_app_name| is
// used when the file names no application.
bool ReadLauncherConfigFile(const FilePath& path, const std::wstring& default_app_name,
                            LauncherConfig* config, int* error_code, std::string* error_message);
bool WriteLauncherConfigFile(const FilePath& path, const LauncherConfig& config, int* error_code,
                             std::string* error_message);

// Applies the content rules to a parsed document. Returns false when a rule
// is broken; the fields stored before the broken rule keep their new values.
// A path member that would leave the install tree (IsInstallTreePath)
// breaks the first rule: nothing is stored then.
bool ApplyLauncherConfigJson(const nlohmann::json& root, const std::wstring& default_app_name,
                             LauncherConfig* config);

// The compact text the write stores: members in key order, no white space.
// False when a text is not valid UTF-8 (cannot happen for converted wide
// fields, but the serialiser does not rely on it).
bool SerializeLauncherConfig(const LauncherConfig& config, std::string* out);

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_CONFIG_H_
