#include "launcher/launcher_config.h"

#include <chrono>
#include <cstdint>
#include <thread>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/json/json_file_reader.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "launcher/launcher_constants.h"
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

const std::string* FindString(const nlohmann::json& root, const char* key) {
  auto it = root.find(key);
  if (it == root.end() || !it->is_string()) return nullptr;
  return it->get_ptr<const std::string*>();
}

const bool* FindBool(const nlohmann::json& root, const char* key) {
  auto it = root.find(key);
  if (it == root.end() || !it->is_boolean()) return nullptr;
  return it->get_ptr<const bool*>();
}

void SetError(int code, const std::string& message, int* error_code, std::string* error_message) {
  if (error_code) *error_code = code;
  if (error_message) *error_message = message;
}

// Length of the UTF-8 sequence at |text[i]|, or 0 when it is not a valid,
// shortest-form encoding of a scalar value.
size_t Utf8SequenceLength(std::string_view text, size_t i, uint32_t* code) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length;
  uint32_t value;
  uint32_t minimum;
  if (lead < 0x80) {
    *code = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  *code = value;
  return length;
}

void AppendUnicodeEscape(uint32_t code, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  out->append("\\u");
  for (int shift = 12; shift >= 0; shift -= 4) out->push_back(kHex[(code >> shift) & 0xF]);
}

bool AppendMember(const char* key, std::string_view utf8_value, std::string* out) {
  if (out->size() > 1) out->push_back(',');
  AppendJsonQuotedString(key, out);
  out->push_back(':');
  return AppendJsonQuotedString(utf8_value, out);
}

}  // namespace

bool AppendJsonQuotedString(std::string_view utf8, std::string* out) {
  std::string quoted;
  quoted.reserve(utf8.size() + 2);
  quoted.push_back('"');
  for (size_t i = 0; i < utf8.size();) {
    uint32_t code = 0;
    const size_t length = Utf8SequenceLength(utf8, i, &code);
    if (length == 0) return false;
    switch (code) {
      case '"':
        quoted.append("\\\"");
        break;
      case '\\':
        quoted.append("\\\\");
        break;
      case '\b':
        quoted.append("\\b");
        break;
      case '\f':
        quoted.append("\\f");
        break;
      case '\n':
        quoted.append("\\n");
        break;
      case '\r':
        quoted.append("\\r");
        break;
      case '\t':
        quoted.append("\\t");
        break;
      case '<':
      case 0x2028:
      case 0x2029:
        AppendUnicodeEscape(code, &quoted);
        break;
      default:
        if (code < 0x20)
          AppendUnicodeEscape(code, &quoted);
        else
          quoted.append(utf8.substr(i, length));
        break;
    }
    i += length;
  }
  quoted.push_back('"');
  out->append(quoted);
  return true;
}

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
  const std::string* app_name = FindString(root, kAppName);
  const std::string* cur_path = FindString(root, kCurPath);
  const std::string* mid_path = FindString(root, kMidPath);
  const bool* need_update = FindBool(root, kNeedUpdate);
  const std::string* new_path = FindString(root, kNewPath);
  const std::string* new_mid_path = FindString(root, kNewMidPath);
  const bool* need_bin_update = FindBool(root, kNeedBinUpdate);
  const std::string* bin_update_file = FindString(root, kBinUpdateFile);

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
    if (code < JSON_ACCESS_DENIED) code = kLauncherConfigSyntaxError;
    SetError(code, message, error_code, error_message);
    return false;
  }
  if (!ApplyLauncherConfigJson(root, default_app_name, config)) {
    SetError(kLauncherConfigInvalid, WideToUTF8(error_msg_str_config_invalid()), error_code,
             error_message);
    return false;
  }
  return true;
}

bool ReadLauncherConfig(LauncherConfig* config, int* error_code, std::string* error_message) {
  FilePath exe_dir;
  GetPath(DIR_EXE, &exe_dir);
  return ReadLauncherConfigFile(exe_dir.Append(kLauncherConfigFileName), product_short_name(),
                                config, error_code, error_message);
}

bool WriteLauncherConfigFile(const FilePath& path, const LauncherConfig& config, int* error_code,
                             std::string* error_message) {
  std::string text;
  if (!SerializeLauncherConfig(config, &text)) {
    SetError(kLauncherConfigSerializeFailed, kSerializeFailedMessage, error_code, error_message);
    return false;
  }

  const FilePath new_file(path.value() + L".new");
  const FilePath backup_file(path.value() + L".backup");
  const auto retry = [](const std::function<bool()>& step) {
    return RetryUntil(step, kLauncherConfigWriteAttempts, kLauncherConfigRetryDelayMs);
  };

  bool result = false;
  if (!retry([&] { return WriteFileDurably(new_file, text); })) {
    SetError(kLauncherConfigWriteFailed, kWriteFailedMessage, error_code, error_message);
  } else if (!retry([&] { return CopyFileDurably(path, backup_file); })) {
    SetError(kLauncherConfigUpdateFailed, kBackupFailedMessage, error_code, error_message);
  } else if (retry([&] { return ReplaceFileDurably(new_file, path); })) {
    result = true;
  } else {
    SetError(kLauncherConfigUpdateFailed, kUpdateFailedMessage, error_code, error_message);
    // Put the old text back; the caller learns only the failed update.
    retry([&] { return ReplaceFileDurably(backup_file, path); });
  }

  DeleteFile(backup_file, false);
  DeleteFile(new_file, false);
  return result;
}

bool WriteLauncherConfig(const LauncherConfig& config, int* error_code,
                         std::string* error_message) {
  FilePath exe_dir;
  GetPath(DIR_EXE, &exe_dir);
  return WriteLauncherConfigFile(exe_dir.Append(kLauncherConfigFileName), config, error_code,
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

bool RetryUntil(const std::function<bool()>& operation, int max_attempts, int delay_ms) {
  for (int attempt = 1; attempt <= max_attempts; ++attempt) {
    if (operation()) return true;
    if (delay_ms >= 1) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
  }
  return false;
}

}  // namespace corvane
