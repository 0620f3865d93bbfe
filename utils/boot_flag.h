// A flag that lives until the user's registry hive is unloaded (sign-out or
// restart): a volatile key under HKCU\Software\<launcher executable name>.

#ifndef UTILS_BOOT_FLAG_H_
#define UTILS_BOOT_FLAG_H_

#include <string>

namespace corvane {

bool BootFlagExists(const std::wstring& name);
// Failures are logged at INFO and otherwise ignored.
void CreateBootFlag(const std::wstring& name);

}  // namespace corvane

#endif  // UTILS_BOOT_FLAG_H_
