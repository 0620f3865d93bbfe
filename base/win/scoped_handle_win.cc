#include "base/win/scoped_handle.h"

namespace corvane {
namespace win {

void ScopedHandle::Set(HANDLE handle) {
  if (handle == handle_ && handle != nullptr) return;
  DWORD last_error = ::GetLastError();
  Close();
  handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
  ::SetLastError(last_error);
}

void ScopedHandle::Close() {
  if (handle_) {
    ::CloseHandle(handle_);
    handle_ = nullptr;
  }
}

ScopedFindFileHandle::~ScopedFindFileHandle() {
  if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
}

}  // namespace win
}  // namespace corvane
