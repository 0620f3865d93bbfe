#ifndef BASE_WIN_SCOPED_HANDLE_H_
#define BASE_WIN_SCOPED_HANDLE_H_

#include <windows.h>

namespace corvane {
namespace win {

// Move-only owner of a kernel object handle. Both nullptr and
// INVALID_HANDLE_VALUE count as "no handle"; Get() returns nullptr for both.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) { Set(handle); }
  ~ScopedHandle() { Close(); }

  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Take()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Set(other.Take());
    return *this;
  }

  bool IsValid() const { return handle_ != nullptr; }
  HANDLE Get() const { return handle_; }

  // Closes the current handle and takes ownership of |handle|. The last
  // error is preserved, so a caller can read it after wrapping a failed call.
  void Set(HANDLE handle);
  // Gives up ownership without closing.
  HANDLE Take() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void Close();

 private:
  HANDLE handle_ = nullptr;
};

// Owner of a FindFirstFileW handle.
class ScopedFindFileHandle {
 public:
  ScopedFindFileHandle() = default;
  explicit ScopedFindFileHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedFindFileHandle();
  ScopedFindFileHandle(const ScopedFindFileHandle&) = delete;
  ScopedFindFileHandle& operator=(const ScopedFindFileHandle&) = delete;

  bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace win
}  // namespace corvane

#endif  // BASE_WIN_SCOPED_HANDLE_H_
