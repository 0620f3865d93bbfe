#include "base/process/process.h"

namespace corvane {

namespace {

constexpr DWORD kTerminateWaitMs = 60000;

}  // namespace

Process::Process(HANDLE handle) : handle_(handle) {}

Process Process::Current() {
  HANDLE handle = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(),
                         &handle, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return Process();
  }
  return Process(handle);
}

Process Process::Open(uint32_t pid) {
  return Process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                               FALSE, pid));
}

bool Process::WaitForExitWithTimeout(uint32_t timeout_ms, int* exit_code) const {
  if (!IsValid()) return false;
  if (::WaitForSingleObject(handle_.Get(), timeout_ms) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (!::GetExitCodeProcess(handle_.Get(), &code)) return false;
  if (exit_code) *exit_code = static_cast<int>(code);
  return true;
}

bool Process::GetExitCode(uint32_t* exit_code) const {
  DWORD code = 0;
  if (!IsValid() || !::GetExitCodeProcess(handle_.Get(), &code)) return false;
  *exit_code = code;
  return true;
}

bool Process::IsRunning() const {
  return IsValid() && ::WaitForSingleObject(handle_.Get(), 0) == WAIT_TIMEOUT;
}

uint32_t Process::Pid() const { return IsValid() ? ::GetProcessId(handle_.Get()) : 0; }

bool Process::Terminate(int exit_code, bool wait) const {
  if (!IsValid()) return false;
  bool ok = ::TerminateProcess(handle_.Get(), static_cast<UINT>(exit_code)) != 0;
  if (!ok) {
    // Already gone counts as done.
    DWORD last_error = ::GetLastError();
    if (::WaitForSingleObject(handle_.Get(), 0) == WAIT_OBJECT_0) return true;
    ::SetLastError(last_error);
    return false;
  }
  if (wait) return ::WaitForSingleObject(handle_.Get(), kTerminateWaitMs) == WAIT_OBJECT_0;
  return true;
}

Time Process::CreationTime() const {
  FILETIME creation, exit, kernel, user;
  if (!IsValid() || !::GetProcessTimes(handle_.Get(), &creation, &exit, &kernel, &user))
    return Time();
  return Time::FromFileTimeValue((static_cast<uint64_t>(creation.dwHighDateTime) << 32) |
                                 creation.dwLowDateTime);
}

}  // namespace corvane
