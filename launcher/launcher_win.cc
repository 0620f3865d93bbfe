#include "launcher/launcher.h"

#include <windows.h>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/scoped_handle.h"
#include "launcher/launcher_constants.h"

namespace corvane {

Launcher::Launcher() = default;

// Destroying the owner closes the instance lock.
Launcher::~Launcher() = default;

bool Launcher::AcquireInstanceLock() {
  const std::wstring name = InstanceLockName(product_short_name());
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  // Without a mutex there is nothing to guard with; the launch goes on.
  if (!mutex) return true;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  instance_lock_ = std::make_unique<win::ScopedHandle>(mutex);
  return true;
}

void RaiseOwnPriority() { SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS); }

ClientStart StartClient(const CommandLine& command_line, const FilePath& current_directory,
                        bool elevated, bool check_early_exit) {
  LaunchOptions options;
  options.current_directory = current_directory;
  options.elevated = elevated;
  const Process process = LaunchProcess(command_line, options);
  ClientStart start;
  start.last_error = GetLastError();
  start.started = process.IsValid();
  if (check_early_exit) {
    LOG(INFO) << "enable check launch result.";
    // Without a process the wait fails at once and the code stays 0.
    int exit_code = 0;
    if (process.WaitForExitWithTimeout(kLaunchCheckTimeoutMs, &exit_code))
      start.exit_code = static_cast<uint32_t>(exit_code);
  }
  return start;
}

}  // namespace corvane
