#include "common/reg_utils.h"

#include "base/logging.h"
#include "common/registry_key.h"

namespace corvane {

namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

}  // namespace

bool ReadRegString(RegistryRoot root, const std::wstring& subkey, const std::wstring& name,
                   uint32_t access, std::wstring* value) {
  RegistryKey key;
  if (key.Open(RootKey(root), subkey.c_str(), access) != ERROR_SUCCESS) {
    LOG(ERROR) << "open reg failed, path: " << subkey;
    return false;
  }
  std::wstring text;
  if (key.HasValue(name.c_str()) && key.ReadString(name.c_str(), &text) == ERROR_SUCCESS) {
    *value = std::move(text);
    return true;
  }
  LOG(ERROR) << "read reg failed, path: " << subkey << ", key: " << name;
  return false;
}

RegWriteResult WriteExistingRegString(RegistryRoot root, const std::wstring& subkey,
                                      uint32_t access, const std::wstring& name,
                                      const std::wstring& value) {
  RegistryKey key;
  if (key.Open(RootKey(root), subkey.c_str(), access) != ERROR_SUCCESS)
    return RegWriteResult::kOpenFailed;
  if (key.WriteString(name.c_str(), value) != ERROR_SUCCESS) return RegWriteResult::kWriteFailed;
  return RegWriteResult::kOk;
}

}  // namespace corvane
