#include "launcher/launcher_config.h"

#include <cstdint>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/json/json_file_reader.h"
#include "base/json/json_string_escape.h"
#include "base/json/json_value_find.h"
#include "base/retry_until.h"
#include "base/strings/utf_string_conversions.h"
#include "launcher/install_tree_path.h"
#include "launcher/launch_error_codes.h"
#include "launcher/launcher_constants.h"
#include "launcher/launcher_dir.h"
#include "nlohmann/json.hpp"

namespace corvane {

namespace {

const char kAppName[] = "app_name";
const char kCurPath[] = "cur_path";
const char kMidPath[] = "mid_path";
const char kNeedUpdate[] = "need_update";
const char kNewPath[] = "new_path";
const char kNewMidPath[] = "new_mid_path";
const char kNeedBinUpdate[] = "need_bin_update";
const char kBinUpdateFile[] = "bin_update_file";

const char kSerializeFailedMessage[] = "convert config info to json failed.";
const char kWriteFailedMessage[] = "[write config info to file failed]";
const char kBackupFailedMessage[] = "[save backup config info failed]";
const char kUpdateFailedMessage[] = "[update config file failed]";

void SetError(int code, const std::string& message, int* error_code, std::string* error_message) {
  if (error_code) *error_code = code;
  if (error_message) *error_message = message;
}

bool AppendMember(const char* key, std::string_view utf8_value, std::string* out) {
  if (out->size() > 1) out->push_back(',');
  AppendJsonQuotedString(key, out);
  out->push_back(':');
  return AppendJsonQuotedString(utf8_value, out);
}

}  // namespace

bool SerializeLauncherConfig(const LauncherConfig& config, std::string* out) {
  // Members in ascending byte order of their keys.
  std::string text = "{";
  bool ok = AppendMember(kAppName, WideToUTF8(config.app_name), &text) &&
            AppendMember(kCurPath, WideToUTF8(config.cur_path), &text);
  if (ok && !config.mid_path.empty())
    ok = AppendMember(kMidPath, WideToUTF8(config.mid_path), &text);
  if (ok) {
    text.append(",\"need_update\":");
    text.append(config.need_update ? "true" : "false");
  }
  if (ok && !config.new_mid_path.empty())
    ok = AppendMember(kNewMidPath, WideToUTF8(config.new_mid_path), &text);
  if (ok && !config.new_path.empty())
    ok = AppendMember(kNewPath, WideToUTF8(config.new_path), &text);
  if (!ok) return false;
  text.push_back('}');
  *out = std::move(text);
  return true;
}

bool ApplyLauncherConfigJson(const nlohmann::json& root, const std::wstring& default_app_name,
                             LauncherConfig* config) {
  if (!root.is_object()) return false;
  const std::string* app_name = FindStringMember(root, kAppName);
  const std::string* cur_path = FindStringMember(root, kCurPath);
  const std::string* mid_path = FindStringMember(root, kMidPath);
  const bool* need_update = FindBoolMember(root, kNeedUpdate);
  const std::string* new_path = FindStringMember(root, kNewPath);
  const std::string* new_mid_path = FindStringMember(root, kNewMidPath);
  const bool* need_bin_update = FindBoolMember(root, kNeedBinUpdate);
  const std::string* bin_update_file = FindStringMember(root, kBinUpdateFile);

  // Path members are joined to the launcher's directory and started from,
  // the repairer's folder among them: one that leaves the install tree is
  // not stored at all.
  const auto contained = [](const std::string* value, InstallTreePathKind kind) {
    return !value || IsInstallTreePath(UTF8ToWide(*value), kind);
  };
  if (!contained(app_name, InstallTreePathKind::kName) ||
      !contained(cur_path, InstallTreePathKind::kName) ||
      !contained(new_path, InstallTreePathKind::kName) ||
      !contained(mid_path, InstallTreePathKind::kRelativePath) ||
      !contained(new_mid_path, InstallTreePathKind::kRelativePath)) {
    return false;
  }

  std::wstring chosen_app_name =
      (app_name && !app_name->empty()) ? UTF8ToWide(*app_name) : default_app_name;
  if (chosen_app_name.empty()) return false;
  config->app_name = std::move(chosen_app_name);

  if (!cur_path || cur_path->empty()) return false;
  config->cur_path = UTF8ToWide(*cur_path);

  if (mid_path) config->mid_path = UTF8ToWide(*mid_path);

  if (need_update) config->need_update = *need_update;

  if (config->need_update) {
    if (!new_path || new_path->empty()) return false;
    config->new_path = UTF8ToWide(*new_path);
  } else if (new_path) {
    config->new_path = UTF8ToWide(*new_path);
  }

  if (new_mid_path) config->new_mid_path = UTF8ToWide(*new_mid_path);

  if (need_bin_update && bin_update_file) {
    config->need_bin_update = *need_bin_update;
    config->bin_update_file = *bin_update_file;
  }
  return true;
}

bool ReadLauncherConfigFile(const FilePath& path, const std::wstring& default_app_name,
                            LauncherConfig* config, int* error_code, std::string* error_message) {
  nlohmann::json root;
  int code = 0;
  std::string message;
  if (!ReadJsonFile(path, JSON_PARSE_EXTENDED_TRAILING_COMMAS, &root, &code, &message)) {
    // Callers tell syntax errors apart from file errors only by the code.
    if (code < JSON_ACCESS_DENIED) code = kErrorConfigInvalidJson;
    SetError(code, message, error_code, error_message);
    return false;
  }
  if (!ApplyLauncherConfigJson(root, default_app_name, config)) {
    SetError(kErrorConfigSchema, WideToUTF8(error_msg_str_config_invalid()), error_code,
             error_message);
    return false;
  }
  return true;
}

bool ReadLauncherConfig(LauncherConfig* config, int* error_code, std::string* error_message) {
  return ReadLauncherConfigFile(LauncherDir().Append(kLauncherConfigFileName), product_short_name(),
                                config, error_code, error_message);
}

bool WriteLauncherConfigFile(const FilePath& path, const LauncherConfig& config, int* error_code,
                             std::string* error_message) {
  std::string text;
  if (!SerializeLauncherConfig(config, &text)) {
    SetError(kErrorConfigToJsonFailed, kSerializeFailedMessage, error_code, error_message);
    return false;
  }

  const FilePath new_file(path.value() + L".new");
  const FilePath backup_file(path.value() + L".backup");
  const auto retry = [](const std::function<bool()>& step) {
    return RetryUntil(step, kLauncherConfigWriteAttempts, kLauncherConfigRetryDelayMs);
  };

  bool result = false;
  if (!retry([&] { return WriteFileDurably(new_file, text); })) {
    SetError(kErrorConfigWriteFailed, kWriteFailedMessage, error_code, error_message);
  } else if (!retry([&] { return CopyFileDurably(path, backup_file); })) {
    SetError(kErrorConfigReplaceFailed, kBackupFailedMessage, error_code, error_message);
  } else if (retry([&] { return ReplaceFileDurably(new_file, path); })) {
    result = true;
  } else {
    SetError(kErrorConfigReplaceFailed, kUpdateFailedMessage, error_code, error_message);
    // Put the old text back; the caller learns only the failed update.
    retry([&] { return ReplaceFileDurably(backup_file, path); });
  }

  DeleteFile(backup_file, false);
  DeleteFile(new_file, false);
  return result;
}

bool WriteLauncherConfig(const LauncherConfig& config, int* error_code,
                         std::string* error_message) {
  return WriteLauncherConfigFile(LauncherDir().Append(kLauncherConfigFileName), config, error_code,
                                 error_message);
}

LauncherConfig LauncherConfigFromSwitches(const CommandLine& command_line) {
  LauncherConfig config;
  const struct {
    const char* name;
    std::wstring* field;
  } kTextSwitches[] = {
      {kAppName, &config.app_name},        {kMidPath, &config.mid_path},
      {kCurPath, &config.cur_path},        {kNewPath, &config.new_path},
      {kNewMidPath, &config.new_mid_path},
  };
  for (const auto& entry : kTextSwitches) {
    if (command_line.HasSwitch(entry.name))
      *entry.field = command_line.GetSwitchValueNative(entry.name);
  }
  if (command_line.HasSwitch(kNeedUpdate))
    config.need_update = command_line.GetSwitchValueNative(kNeedUpdate) == L"true";
  return config;
}

}  // namespace corvane
