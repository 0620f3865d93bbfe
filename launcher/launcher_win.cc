#include "launcher/launcher.h"

#include <windows.h>

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
  instance_lock_ = std::make_unique<ScopedHandle>(mutex);
  return true;
}

void RaiseOwnPriority() {
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
}

uint32_t GetLastSystemError() {
  return GetLastError();
}

}  // namespace corvane
