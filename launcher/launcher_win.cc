#include "launcher/launcher.h"

#include <windows.h>
#include <shobjidl.h>

#include <utility>

#include "base/command_line.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/named_mutex.h"
#include "base/win/scoped_handle.h"
#include "launcher/launcher_constants.h"
#include "launcher/launcher_widget.h"

namespace corvane {

Launcher::Launcher() = default;

// Destroying the owner closes the instance lock.
Launcher::~Launcher() = default;

bool Launcher::AcquireInstanceLock() {
  win::ScopedHandle mutex;
  switch (win::CreateNamedMutex(InstanceLockName(product_short_name()), &mutex)) {
    case win::NamedMutexState::kCreated:
      instance_lock_ = std::make_unique<win::ScopedHandle>(std::move(mutex));
      return true;
    case win::NamedMutexState::kExists:
      // Also when it refuses us: a launcher with other rights holds it.
      return false;
    case win::NamedMutexState::kUnavailable:
      break;
  }
  // Without a mutex there is nothing to guard with; the launch goes on.
  return true;
}

void RaiseOwnPriority() { SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS); }

void SetShellIdentity() {
  static bool set = false;
  if (set) return;
  set = true;
  const std::wstring& model_id = app_user_model_id();
  if (!model_id.empty()) SetCurrentProcessExplicitAppUserModelID(model_id.c_str());
}

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

uint32_t WaitForEarlyExit(const ClientStart& start) {
  int exit_code = 0;
  if (!start.started() ||
      !start.process->WaitForExitWithTimeout(kLaunchCheckTimeoutMs, &exit_code)) {
    return 0;
  }
  return static_cast<uint32_t>(exit_code);
}

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
