#include "test/support/scoped_command_line.h"

#include <windows.h>

namespace corvane {
namespace test {

ScopedCommandLine::ScopedCommandLine() {
  if (const CommandLine* current = CommandLine::ForCurrentProcess()) saved_ = *current;
  Install(std::nullopt);
}

ScopedCommandLine::ScopedCommandLine(const CommandLine& command_line) : ScopedCommandLine() {
  Install(command_line);
}

ScopedCommandLine::~ScopedCommandLine() { Install(saved_); }

CommandLine ScopedCommandLine::OwnCommandLine() {
  return CommandLine::FromString(::GetCommandLineW());
}

void ScopedCommandLine::Install(const std::optional<CommandLine>& command_line) {
  CommandLine::ResetForTesting();
  if (!command_line) return;
  // Init makes the process-wide instance; the copy then replaces its contents.
  CommandLine::Init(0, nullptr);
  if (CommandLine* current = CommandLine::ForCurrentProcess()) *current = *command_line;
}

}  // namespace test
}  // namespace corvane
