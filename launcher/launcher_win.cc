#include "launcher/launcher.h"

#include <windows.h>
#include <shobjidl.h>

#include <utility>

#include "base/win/named_mutex.h"
#include "base/win/scoped_handle.h"
#include "launcher/launcher_constants.h"

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

}  // namespace corvane
