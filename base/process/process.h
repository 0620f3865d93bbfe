#ifndef BASE_PROCESS_PROCESS_H_
#define BASE_PROCESS_PROCESS_H_

#include <windows.h>

#include <cstdint>

#include "base/time.h"
#include "base/win/scoped_handle.h"

namespace corvane {

// Owns the handle of a started process; invalid when the start failed. The
// handle is closed when the value is destroyed.
class Process {
 public:
  Process() = default;
  // Takes ownership of |handle| (nullptr = invalid).
  explicit Process(HANDLE handle);
  Process(Process&& other) noexcept = default;
  Process& operator=(Process&& other) noexcept = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // A handle to the calling process (a real one, duplicated).
  static Process Current();
  // Opens a process by id (SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION |
  // PROCESS_TERMINATE); invalid when that fails.
  static Process Open(uint32_t pid);

  bool IsValid() const { return handle_.IsValid(); }
  HANDLE Handle() const { return handle_.Get(); }
  // Gives up ownership of the handle; the value becomes invalid.
  HANDLE Release() { return handle_.Take(); }
  void Close() { handle_.Close(); }

  // Waits up to |timeout_ms| (INFINITE allowed). True when the process ended
  // in time; |exit_code| (optional) then gets its exit code.
  bool WaitForExitWithTimeout(uint32_t timeout_ms, int* exit_code) const;
  bool WaitForExit(int* exit_code) const { return WaitForExitWithTimeout(INFINITE, exit_code); }
  // GetExitCodeProcess; STILL_ACTIVE (259) while running. False on failure.
  bool GetExitCode(uint32_t* exit_code) const;
  // The process id, 0 when invalid.
  uint32_t Pid() const;
  // Terminates with |exit_code|; with |wait|, waits up to 60000 ms for the
  // end. True when the process is (or, without |wait|, was asked to be) gone.
  bool Terminate(int exit_code, bool wait) const;
  // Creation time; a null Time when it cannot be read.
  Time CreationTime() const;
  bool IsRunning() const;

 private:
  win::ScopedHandle handle_;
};

}  // namespace corvane

#endif  // BASE_PROCESS_PROCESS_H_
