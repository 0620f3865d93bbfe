#ifndef TEST_SUPPORT_SCOPED_COMMAND_LINE_H_
#define TEST_SUPPORT_SCOPED_COMMAND_LINE_H_

#include <optional>

#include "base/command_line.h"

namespace corvane {
namespace test {

// Sets the process-wide command line for one scope and puts back what the
// process had before (none, or a copy of the one it had).
class ScopedCommandLine {
 public:
  // The scope has no process-wide command line (as before CommandLine::Init).
  ScopedCommandLine();
  // The scope's command line is |command_line|.
  explicit ScopedCommandLine(const CommandLine& command_line);
  ~ScopedCommandLine();
  ScopedCommandLine(const ScopedCommandLine&) = delete;
  ScopedCommandLine& operator=(const ScopedCommandLine&) = delete;

  // The process's own command line, as CommandLine::Init reads it.
  static CommandLine OwnCommandLine();

  // The process-wide command line of the scope (nullptr in the first form).
  CommandLine* get() const { return CommandLine::ForCurrentProcess(); }

 private:
  static void Install(const std::optional<CommandLine>& command_line);

  std::optional<CommandLine> saved_;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_SCOPED_COMMAND_LINE_H_
