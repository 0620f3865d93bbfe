#include "launcher/launcher_widget.h"

#include <windows.h>

#include "base/process/launch.h"
#include "base/process/process.h"

namespace corvane {

bool LaunchWidget(const FilePath& version_dir, uint32_t* last_error) {
  const FilePath folder = version_dir.Append(kWidgetFolder);
  LaunchOptions options;
  options.current_directory = folder;
  const Process process = LaunchProcess(
      WidgetCommandLine(folder.Append(kWidgetExe), CommandLine::ForCurrentProcess()), options);
  *last_error = GetLastError();
  return process.IsValid();
}

}  // namespace corvane
