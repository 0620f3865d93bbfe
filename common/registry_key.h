#ifndef COMMON_REGISTRY_KEY_H_
#define COMMON_REGISTRY_KEY_H_

#include <windows.h>

#include <string>

namespace corvane {

// Owns at most one open registry key. Operations return Windows error codes
// (ERROR_SUCCESS on success). The view bits (KEY_WOW64_64KEY,
// KEY_WOW64_32KEY) of the access a key was opened with are remembered so
// that subkeys are not opened in another view by mistake.
class RegistryKey {
 public:
  // Largest value ReadString reads, in bytes, and the longest expansion of a
  // REG_EXPAND_SZ value, in characters (terminator included).
  static constexpr DWORD kMaxReadBytes = 2048;
  static constexpr DWORD kMaxExpandedChars = 1024;
  static constexpr REGSAM kViewMask = KEY_WOW64_64KEY | KEY_WOW64_32KEY;

  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  ~RegistryKey();

  LONG Create(HKEY root, const wchar_t* subkey, REGSAM access);
  LONG Open(HKEY root, const wchar_t* subkey, REGSAM access);
  // Creates or opens |subkey| below the held key, which it then replaces.
  // ERROR_INVALID_PARAMETER when |access| names another view than the held
  // key's.
  LONG CreateSubKey(const wchar_t* subkey, REGSAM access);

  bool HasValue(const wchar_t* name) const;
  // REG_SZ as stored, REG_EXPAND_SZ expanded; the text ends at its first NUL.
  // Any other type gives ERROR_CANTREAD.
  LONG ReadString(const wchar_t* name, std::wstring* out) const;
  // REG_SZ with the terminating NUL.
  LONG WriteString(const wchar_t* name, const std::wstring& text);

  void Close();

  bool Valid() const { return key_ != nullptr; }
  HKEY Handle() const { return key_; }
  REGSAM view() const { return view_; }

 private:
  void Take(HKEY key, REGSAM access);

  HKEY key_ = nullptr;
  REGSAM view_ = 0;
};

}  // namespace corvane

#endif  // COMMON_REGISTRY_KEY_H_
