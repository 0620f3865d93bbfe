// The companion widget ("Fennic") that one product starts next to its client.

#ifndef LAUNCHER_LAUNCHER_WIDGET_H_
#define LAUNCHER_LAUNCHER_WIDGET_H_

#include <cstdint>

#include "base/command_line.h"
#include "base/files/file_path.h"

namespace corvane {

inline constexpr int kWidgetAppId = 6383;
inline constexpr wchar_t kWidgetFolder[] = L"tray";
inline constexpr wchar_t kWidgetExe[] = L"velmora_widget.exe";
inline constexpr char kWidgetPackageArgument[] = "--package-load-name=fennic-velmora";

// Only the product kWidgetAppId asks the registry switch, which must be "1".
bool IsWidgetEnabled();

// The widget's command line: |exe|, the launcher's switches and arguments in
// order (when given), then the package argument.
CommandLine WidgetCommandLine(const FilePath& exe, const CommandLine* launcher_command_line);

// Starts the widget from |version_dir|\tray, not waited for. False with
// |last_error| set when the start failed.
bool LaunchWidget(const FilePath& version_dir, uint32_t* last_error);

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_WIDGET_H_
