#include "base/win/named_mutex.h"

#include <windows.h>

#include <utility>

namespace corvane {
namespace win {

NamedMutexState CreateNamedMutex(const std::wstring& name, ScopedHandle* handle) {
  ScopedHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
  const DWORD error = GetLastError();
  if (mutex.IsValid()) {
    if (error == ERROR_ALREADY_EXISTS) return NamedMutexState::kExists;
    *handle = std::move(mutex);
    return NamedMutexState::kCreated;
  }
  if (error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE) return NamedMutexState::kExists;
  return NamedMutexState::kUnavailable;
}

}  // namespace win
}  // namespace corvane
