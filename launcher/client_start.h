// The client's start and the launch check's wait on it.

#ifndef LAUNCHER_CLIENT_START_H_
#define LAUNCHER_CLIENT_START_H_

#include <cstdint>
#include <memory>

#include "base/files/file_path.h"

namespace corvane {

class CommandLine;
class Process;

// One start of the client: its process, held from the start (step 8) to the
// launch check (step 12), and the thread's last error right after the start
// call.
struct ClientStart {
  ClientStart();
  ClientStart(ClientStart&&) noexcept;
  ClientStart& operator=(ClientStart&&) noexcept;
  ~ClientStart();

  bool started() const;
  // The process id, 0 when the start failed.
  uint32_t pid() const;
  // The process handle, still owned here; null when the start failed.
  void* handle() const;

  std::unique_ptr<Process> process;  // null when the start failed
  uint32_t last_error = 0;
};

// Starts |command_line| in |current_directory| (through the elevation prompt
// when |elevated|) and returns at once.
ClientStart StartClient(const CommandLine& command_line, const FilePath& current_directory,
                        bool elevated);

// The launch check's wait: up to |timeout_ms| (the launch check passes kLaunchCheckTimeoutMs) for the started
// process to end. Its exit code, or 0 when it is still running, was never
// started or the wait failed.
uint32_t WaitForEarlyExit(const ClientStart& start, uint32_t timeout_ms);

}  // namespace corvane

#endif  // LAUNCHER_CLIENT_START_H_
