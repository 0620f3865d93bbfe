#include "common/reg_utils.h"

#include "base/logging.h"

namespace corvane {

namespace {

struct ViewSpec {
  int view;
  RegistryRoot root;
  uint32_t read_access;
  uint32_t write_access;
  const char* log_prefix;
};

// In search order.
constexpr ViewSpec kViews[] = {
    {kRegistryViewLocalMachine64, RegistryRoot::kLocalMachine, kRegRead64, kRegWrite64,
     "read reg lm64 key: "},
    {kRegistryViewLocalMachine32, RegistryRoot::kLocalMachine, kRegRead32, kRegWrite32,
     "read reg lm32 key: "},
    {kRegistryViewCurrentUser64, RegistryRoot::kCurrentUser, kRegRead64, kRegWrite64,
     "read reg cu64 key: "},
    {kRegistryViewCurrentUser32, RegistryRoot::kCurrentUser, kRegRead32, kRegWrite32,
     "read reg cu32 key: "},
};

bool PreferenceAllows(int root_preference, RegistryRoot root) {
  if (root == RegistryRoot::kLocalMachine)
    return root_preference == kRootMachineThenUser || root_preference == kRootMachineOnly;
  return root_preference == kRootMachineThenUser || root_preference == kRootUserOnly;
}

}  // namespace

bool ReadRegValue(const std::wstring& subkey, const std::wstring& name, std::wstring* value,
                  int* view, int root_preference) {
  for (const ViewSpec& entry : kViews) {
    if (!PreferenceAllows(root_preference, entry.root)) continue;
    if (ReadRegString(entry.root, subkey, name, entry.read_access, value)) {
      LOG(INFO) << entry.log_prefix << name << " value: " << *value;
      *view = entry.view;
      return true;
    }
  }
  LOG(ERROR) << "read reg key failed: " << name;
  *view = kRegistryViewNone;
  return false;
}

bool ReadUninstallValue(const std::wstring& subkey_name, const std::wstring& name,
                        std::wstring* value, int* view, int root_preference) {
  return ReadRegValue(kUninstallKeyPath + subkey_name, name, value, view, root_preference);
}

bool UpdateRegValue(const std::wstring& subkey, const std::wstring& name,
                    const std::wstring& new_value, int view_hint, int root_preference) {
  if (subkey.empty() || name.empty()) {
    LOG(ERROR) << "reg_full_path or key is empty";
    return false;
  }
  int view = view_hint;
  if (view < kRegistryViewLocalMachine64 || view > kRegistryViewCurrentUser32) {
    // Only hint 0 asks for a search; an out-of-range hint finds nothing.
    std::wstring scratch;
    view = kRegistryViewNone;
    if (view_hint != kRegistryViewNone ||
        !ReadRegValue(subkey, name, &scratch, &view, root_preference) ||
        view == kRegistryViewNone) {
      LOG(ERROR) << "update reg failed, reg key not found, path: " << subkey << ", key:" << name
                 << ", pos: " << view_hint;
      return false;
    }
  }
  const ViewSpec& entry = kViews[view - 1];
  switch (WriteExistingRegString(entry.root, subkey, entry.write_access, name, new_value)) {
    case RegWriteResult::kOpenFailed:
      LOG(ERROR) << "open reg failed, path: " << subkey << ", key: " << name;
      return false;
    case RegWriteResult::kWriteFailed:
      LOG(ERROR) << "write reg failed, path: " << subkey << ", key: " << name
                 << ", value: " << new_value;
      return false;
    case RegWriteResult::kOk:
      break;
  }
  return true;
}

bool UpdateUninstallValue(const std::wstring& subkey_name, const std::wstring& name,
                          const std::wstring& new_value, int view_hint, int root_preference) {
  if (subkey_name.empty() || name.empty()) return false;
  return UpdateRegValue(kUninstallKeyPath + subkey_name, name, new_value, view_hint,
                        root_preference);
}

}  // namespace corvane
