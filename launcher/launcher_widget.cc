#include "launcher/launcher_widget.h"

#include <string>

#include "common/reg_utils.h"
#include "launcher/launcher_constants.h"

namespace corvane {

bool IsWidgetEnabled() {
  if (app_id() != kWidgetAppId) return false;
  std::wstring value;
  int view = 0;
  return ReadRegValue(L"Software\\Quorlix\\velmora", L"use_fennic_velmora", &value, &view,
                      uninstaller_reg_root()) &&
         value == L"1";
}

CommandLine WidgetCommandLine(const FilePath& exe, const CommandLine* launcher_command_line) {
  CommandLine command_line = CommandLine::WithArgumentsOf(exe, launcher_command_line);
  command_line.AppendArg(kWidgetPackageArgument);
  return command_line;
}

}  // namespace corvane
