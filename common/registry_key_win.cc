#include "common/registry_key.h"

#include <limits>
#include <utility>

namespace corvane {

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), view_(std::exchange(other.view_, 0)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = std::exchange(other.key_, nullptr);
    view_ = std::exchange(other.view_, 0);
  }
  return *this;
}

RegistryKey::~RegistryKey() { Close(); }

void RegistryKey::Take(HKEY key, REGSAM access) {
  Close();
  key_ = key;
  view_ = access & kViewMask;
}

LONG RegistryKey::Create(HKEY root, const wchar_t* subkey, REGSAM access) {
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExW(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) Take(key, access);
  return result;
}

LONG RegistryKey::Open(HKEY root, const wchar_t* subkey, REGSAM access) {
  HKEY key = nullptr;
  const LONG result = ::RegOpenKeyExW(root, subkey, 0, access, &key);
  if (result == ERROR_SUCCESS) Take(key, access);
  return result;
}

LONG RegistryKey::CreateSubKey(const wchar_t* subkey, REGSAM access) {
  if ((access & kViewMask) != view_) return ERROR_INVALID_PARAMETER;
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExW(key_, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) Take(key, access);
  return result;
}

bool RegistryKey::HasValue(const wchar_t* name) const {
  return ::RegQueryValueExW(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG RegistryKey::ReadString(const wchar_t* name, std::wstring* out) const {
  wchar_t raw[kMaxReadBytes / sizeof(wchar_t)];
  DWORD type = REG_NONE;
  DWORD size = sizeof(raw);
  const LONG result =
      ::RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(raw), &size);
  if (result != ERROR_SUCCESS) return result;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_CANTREAD;

  // Stored data need not end with a NUL; the text ends at the first one.
  std::wstring text(raw, size / sizeof(wchar_t));
  const size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);

  if (type == REG_EXPAND_SZ) {
    wchar_t expanded[kMaxExpandedChars];
    const DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), expanded, kMaxExpandedChars);
    if (needed == 0 || needed > kMaxExpandedChars) return ERROR_MORE_DATA;
    text.assign(expanded);
  }
  *out = std::move(text);
  return ERROR_SUCCESS;
}

LONG RegistryKey::WriteString(const wchar_t* name, const std::wstring& text) {
  if (text.size() >= std::numeric_limits<DWORD>::max() / sizeof(wchar_t))
    return ERROR_INVALID_PARAMETER;
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes);
}

void RegistryKey::Close() {
  if (key_) {
    ::RegCloseKey(key_);
    key_ = nullptr;
  }
  view_ = 0;
}

}  // namespace corvane
