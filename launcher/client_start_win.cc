#include "launcher/client_start.h"

#include <windows.h>

#include <utility>

#include "base/command_line.h"
#include "base/process/launch.h"
#include "base/process/process.h"

namespace corvane {

ClientStart::ClientStart() = default;
ClientStart::ClientStart(ClientStart&&) noexcept = default;
ClientStart& ClientStart::operator=(ClientStart&&) noexcept = default;
ClientStart::~ClientStart() = default;

bool ClientStart::started() const { return process && process->IsValid(); }

uint32_t ClientStart::pid() const { return started() ? process->Pid() : 0; }

void* ClientStart::handle() const { return started() ? process->Handle() : nullptr; }

ClientStart StartClient(const CommandLine& command_line, const FilePath& current_directory,
                        bool elevated) {
  LaunchOptions options;
  options.current_directory = current_directory;
  options.elevated = elevated;
  Process process = LaunchProcess(command_line, options);
  ClientStart start;
  start.last_error = GetLastError();
  start.process = std::make_unique<Process>(std::move(process));
  return start;
}

uint32_t WaitForEarlyExit(const ClientStart& start, uint32_t timeout_ms) {
  int exit_code = 0;
  if (!start.started() ||
      !start.process->WaitForExitWithTimeout(timeout_ms, &exit_code)) {
    return 0;
  }
  return static_cast<uint32_t>(exit_code);
}

}  // namespace corvane
