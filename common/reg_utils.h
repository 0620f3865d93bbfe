#ifndef COMMON_REG_UTILS_H_
#define COMMON_REG_UTILS_H_

#include <cstdint>
#include <string>

// The registry key object itself is in common/registry_key.h (it needs the
// Windows types); this header stays portable.

namespace corvane {

// Where a value was found.
enum RegistryView : int {
  kRegistryViewNone = 0,
  kRegistryViewLocalMachine64 = 1,
  kRegistryViewLocalMachine32 = 2,
  kRegistryViewCurrentUser64 = 3,
  kRegistryViewCurrentUser32 = 4,
};

// Which roots a read may search; any other value searches nothing.
enum RootPreference : int {
  kRootMachineThenUser = 0,
  kRootUserOnly = 1,
  kRootMachineOnly = 2,
};

enum class RegistryRoot { kLocalMachine, kCurrentUser };

// KEY_READ / KEY_WRITE with KEY_WOW64_64KEY or KEY_WOW64_32KEY.
inline constexpr uint32_t kRegRead64 = 0x20119;
inline constexpr uint32_t kRegRead32 = 0x20219;
inline constexpr uint32_t kRegWrite64 = 0x20106;
inline constexpr uint32_t kRegWrite32 = 0x20206;

inline constexpr wchar_t kUninstallKeyPath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Reads the string value |name| of |subkey| under |root| with |access|.
// |value| is left unchanged on failure.
bool ReadRegString(RegistryRoot root, const std::wstring& subkey, const std::wstring& name,
                   uint32_t access, std::wstring* value);

// Searches the views allowed by |root_preference| in the order
// machine 64, machine 32, user 64, user 32. |view| gets the RegistryView
// that held the value, kRegistryViewNone when none did.
bool ReadRegValue(const std::wstring& subkey, const std::wstring& name, std::wstring* value,
                  int* view, int root_preference);

// ReadRegValue below the uninstall key's |subkey_name|.
bool ReadUninstallValue(const std::wstring& subkey_name, const std::wstring& name,
                        std::wstring* value, int* view, int root_preference);

// Writes an existing value: into the view |view_hint| (1 to 4), or with
// hint 0 into the view where ReadRegValue finds it. Never creates a key or a
// value.
bool UpdateRegValue(const std::wstring& subkey, const std::wstring& name,
                    const std::wstring& new_value, int view_hint, int root_preference);

// UpdateRegValue below the uninstall key's |subkey_name|; false without a
// log line when the subkey name or the value name is empty.
bool UpdateUninstallValue(const std::wstring& subkey_name, const std::wstring& name,
                          const std::wstring& new_value, int view_hint, int root_preference);

// The step that failed when writing an existing value in one view.
enum class RegWriteResult { kOk, kOpenFailed, kWriteFailed };
RegWriteResult WriteExistingRegString(RegistryRoot root, const std::wstring& subkey,
                                      uint32_t access, const std::wstring& name,
                                      const std::wstring& value);

}  // namespace corvane

#endif  // COMMON_REG_UTILS_H_
