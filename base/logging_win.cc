#include <windows.h>
#include <io.h>

#include <mutex>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/logging_internal.h"
#include "base/path_service.h"
#include "base/win/scoped_handle.h"

namespace corvane {
namespace logging {

namespace {

constexpr wchar_t kDefaultLogFileName[] = L"debug.log";

struct FileState {
  uint32_t destinations = LOG_NONE;
  // The path asked for (after the default was applied).
  std::wstring requested_path;
  // The path actually open ("" while none is).
  std::wstring open_path;
  win::ScopedHandle file;
};

std::mutex& FileLock() {
  static std::mutex lock;
  return lock;
}

FileState& State() {
  static FileState* state = new FileState();  // Lives until the process ends.
  return *state;
}

HANDLE OpenForAppend(const std::wstring& path) {
  HANDLE handle = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// Opens the requested file, else "debug.log" in the current directory.
// Called with FileLock held.
bool EnsureLogFileOpen(FileState* state) {
  if (state->file.IsValid()) return true;
  state->file.Set(OpenForAppend(state->requested_path));
  if (state->file.IsValid()) {
    state->open_path = state->requested_path;
    return true;
  }
  wchar_t directory[MAX_PATH + 1];
  DWORD length = ::GetCurrentDirectoryW(MAX_PATH, directory);
  if (length == 0 || length >= MAX_PATH) return false;
  std::wstring fallback(directory, length);
  if (fallback.back() != L'\\') fallback.push_back(L'\\');
  fallback.append(kDefaultLogFileName);
  state->file.Set(OpenForAppend(fallback));
  if (!state->file.IsValid()) return false;
  state->open_path = fallback;
  return true;
}

void WriteToStderr(const std::string& line) {
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0) {
    unsigned chunk = left > 0x10000 ? 0x10000u : static_cast<unsigned>(left);
    int written = ::_write(2, data, chunk);
    if (written <= 0) return;
    data += written;
    left -= static_cast<size_t>(written);
  }
}

}  // namespace

namespace internal {

LogTime CurrentLogTime() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  LogTime time;
  time.month = now.wMonth;
  time.day = now.wDay;
  time.hour = now.wHour;
  time.minute = now.wMinute;
  time.second = now.wSecond;
  time.millisecond = now.wMilliseconds;
  return time;
}

void TerminateForFatal() {
  ::TerminateProcess(::GetCurrentProcess(), kFatalExitCode);
  // TerminateProcess on the own process does not return; make sure of it.
  for (;;) ::ExitProcess(kFatalExitCode);
}

}  // namespace internal

bool InitLogging(const LoggingSettings& settings) {
  CommandLine* command_line = CommandLine::ForCurrentProcess();
  if (command_line && (command_line->HasSwitch("v") || command_line->HasSwitch("vmodule"))) {
    SetVlogSettingsForTesting(command_line->GetSwitchValueASCII("v"),
                              command_line->GetSwitchValueASCII("vmodule"));
  }

  std::lock_guard<std::mutex> hold(FileLock());
  FileState& state = State();
  state.file.Close();
  state.open_path.clear();
  state.destinations = settings.logging_dest;
  if ((settings.logging_dest & LOG_TO_FILE) == 0) return true;

  state.requested_path = settings.log_file_path;
  if (state.requested_path.empty()) {
    FilePath exe_dir;
    GetPath(DIR_EXE, &exe_dir);
    state.requested_path = exe_dir.Append(kDefaultLogFileName).value();
  }
  if (settings.delete_old == DELETE_OLD_LOG_FILE) ::DeleteFileW(state.requested_path.c_str());
  return EnsureLogFileOpen(&state);
}

void WriteLogLine(LogSeverity /*severity*/, const std::string& line) {
  uint32_t destinations;
  {
    std::lock_guard<std::mutex> hold(FileLock());
    destinations = State().destinations;
  }
  if (destinations & LOG_TO_SYSTEM_DEBUG_LOG) ::OutputDebugStringA(line.c_str());
  if (destinations & LOG_TO_STDERR) WriteToStderr(line);
  if (destinations & LOG_TO_FILE) {
    std::lock_guard<std::mutex> hold(FileLock());
    FileState& state = State();
    if (EnsureLogFileOpen(&state)) {
      DWORD written = 0;
      ::WriteFile(state.file.Get(), line.data(), static_cast<DWORD>(line.size()), &written,
                  nullptr);
    }
  }
}

std::wstring GetLogFilePathForTesting() {
  std::lock_guard<std::mutex> hold(FileLock());
  return State().open_path;
}

void ResetLoggingForTesting() {
  {
    std::lock_guard<std::mutex> hold(FileLock());
    FileState& state = State();
    state.file.Close();
    state.open_path.clear();
    state.requested_path.clear();
    state.destinations = LOG_NONE;
  }
  SetVlogSettingsForTesting("", "");
}

void SetupLauncherLogging() {
  LoggingSettings settings;
  CommandLine* command_line = CommandLine::ForCurrentProcess();
  if (!command_line) {
    ::OutputDebugStringW(L"base cmd is nullptr!");
    InitLogging(settings);
    return;
  }
  if (command_line->HasSwitch("enable_log")) {
    settings.logging_dest = LOG_TO_ALL;
    settings.delete_old = APPEND_TO_OLD_LOG_FILE;
    FilePath exe;
    FilePath temp_dir;
    // A failed lookup leaves its part empty: the bare name, relative to the
    // current directory.
    GetPath(FILE_EXE, &exe);
    GetPath(DIR_TEMP, &temp_dir);
    settings.log_file_path = temp_dir.Append(exe.BaseName().ReplaceExtension(L"log")).value();
  }
  InitLogging(settings);
}

}  // namespace logging
}  // namespace corvane
