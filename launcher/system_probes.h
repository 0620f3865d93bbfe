// Small checks of what else runs on the system: processes by executable name,
// the installer by its mutex, and the system's loader error boxes.

#ifndef LAUNCHER_SYSTEM_PROBES_H_
#define LAUNCHER_SYSTEM_PROBES_H_

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Appended to an executable name to form the loader error box's title.
extern const wchar_t kSystemErrorTitleSuffix[];
// Characters kept from a loader error box's text besides ASCII letters and
// digits.
extern const wchar_t kSystemErrorTextExtraChars[];

// Keeps ASCII letters, digits and * . / : < > ? \ | of a loader error box text.
std::wstring FilterSystemErrorText(std::wstring_view text);

// True when a process with one of these executable file names (whole name,
// case-sensitive) runs.
bool IsProcessRunning(const std::vector<std::wstring>& exe_names);

// True when another process holds the named installer mutex.
bool IsInstallerRunning(const std::wstring& installer_mutex_name);

// Looks for the loader error box "<name> - 系统错误" of each name and collects
// "[name:text]" for each one found into `texts`. True when any was found.
bool CollectSystemErrorTexts(const std::vector<std::wstring>& exe_names, std::wstring* texts);

}  // namespace corvane

#endif  // LAUNCHER_SYSTEM_PROBES_H_
