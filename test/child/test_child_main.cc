// Stand-in for the outside programs the launcher starts (client, updater,
// widget, repairer, crash reporter). It writes down how it was started and
// then does what its control file says, so tests can check both sides.
//
// Control: "<own path without extension>.control.json" (exit_code, delay_ms,
// signal_event, message_window, window_title, record_env, crash, create_mutex,
// hold_file, copy_files, signal_after_ms, read_crash, never_signal, runs). Record: one JSON line
// (with "startup_info": flags and show_window of GetStartupInfoW) appended to "<own path without
// extension>.record.jsonl" per run.

#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

std::string ToUtf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size,
                      nullptr, nullptr);
  return out;
}

std::wstring ToWide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
  return out;
}

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::wstring OwnPathStem() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t dot = path.find_last_of(L'.');
  size_t sep = path.find_last_of(L"\\/");
  if (dot != std::wstring::npos && (sep == std::wstring::npos || dot > sep)) path.resize(dot);
  return path;
}

bool ReadWholeFile(const std::wstring& path, std::string* out) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    out->append(buffer, read);
  return true;
}

// Counts earlier runs by the lines already in the record file.
int CountRuns(const std::wstring& record_path) {
  std::string text;
  if (!ReadWholeFile(record_path, &text)) return 0;
  int lines = 0;
  for (char c : text)
    if (c == '\n') ++lines;
  return lines;
}

// Held from counting the earlier runs until this run's line is written, so
// that children started at the same time neither share a run index nor mix
// their lines.
class ScopedRecordLock {
 public:
  ScopedRecordLock() : lock_(CreateMutexW(nullptr, FALSE, L"CORVANE_TEST_CHILD_RECORD_LOCK")) {
    if (lock_.valid()) {
      const DWORD wait = WaitForSingleObject(lock_.get(), 10000);
      held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
  }
  ~ScopedRecordLock() {
    if (held_) ReleaseMutex(lock_.get());
  }
  ScopedRecordLock(const ScopedRecordLock&) = delete;
  ScopedRecordLock& operator=(const ScopedRecordLock&) = delete;

 private:
  Handle lock_;
  bool held_ = false;
};

void AppendLine(const std::wstring& path, const std::string& line) {
  Handle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.valid()) {
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    FlushFileBuffers(file.get());
  }
}

nlohmann::json BuildRecord(int run, const nlohmann::json& control) {
  nlohmann::json record;
  std::wstring exe(OwnPathStem());
  wchar_t module[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, module, static_cast<DWORD>(sizeof(module) / sizeof(module[0])));
  record["exe"] = ToUtf8(module);
  const wchar_t* raw = GetCommandLineW();
  record["cmdline"] = ToUtf8(raw);
  nlohmann::json argv = nlohmann::json::array();
  int argc = 0;
  wchar_t** args = CommandLineToArgvW(raw, &argc);
  if (args) {
    for (int i = 0; i < argc; ++i) argv.push_back(ToUtf8(args[i]));
    LocalFree(args);
  }
  record["argv"] = argv;
  wchar_t cwd[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(static_cast<DWORD>(sizeof(cwd) / sizeof(cwd[0])), cwd);
  record["cwd"] = ToUtf8(cwd);
  record["pid"] = GetCurrentProcessId();
  record["run"] = run;
  record["time_ms"] = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  nlohmann::json env = nlohmann::json::object();
  if (control.contains("record_env") && control["record_env"].is_array()) {
    for (const auto& name : control["record_env"]) {
      if (!name.is_string()) continue;
      std::wstring wide_name = ToWide(name.get<std::string>());
      DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
      if (size == 0) {
        env[name.get<std::string>()] = nullptr;
        continue;
      }
      std::wstring value(size, L'\0');
      size = GetEnvironmentVariableW(wide_name.c_str(), &value[0], size);
      value.resize(size);
      env[name.get<std::string>()] = ToUtf8(value);
    }
  }
  record["env"] = env;
  // How the parent asked the window to be shown and which start-up flags it set.
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  record["startup_info"] = {{"flags", startup.dwFlags}, {"show_window", startup.wShowWindow}};
  return record;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// A window that lives until the process ends; destroyed by the system then.
HWND MakeWindow(const std::wstring& class_name, const std::wstring& title, bool message_only) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = class_name.c_str();
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassExW(&wc);
  HWND window =
      CreateWindowExW(0, class_name.c_str(), title.c_str(), message_only ? 0 : WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, 480, 320, message_only ? HWND_MESSAGE : nullptr,
                      nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window && !message_only) ShowWindow(window, SW_SHOWNORMAL);
  return window;
}

// Sleeps while still answering messages, so windows of this child stay alive
// and the close command ends the wait.
void PumpFor(DWORD ms, bool have_window) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    DWORD left = static_cast<DWORD>(end - now);
    if (!have_window) {
      Sleep(left);
      return;
    }
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_ALLINPUT) == WAIT_OBJECT_0) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
}

int IntOr(const nlohmann::json& control, const char* key, int fallback) {
  auto it = control.find(key);
  if (it == control.end() || !it->is_number_integer()) return fallback;
  return it->get<int>();
}

std::wstring StringOr(const nlohmann::json& control, const char* key) {
  auto it = control.find(key);
  if (it == control.end() || !it->is_string()) return std::wstring();
  return ToWide(it->get<std::string>());
}

// Plays the crash reporter: "/crash:<pid>:<tid>:<process>:<event>:<pointers>"
// with inherited handles. Reads the exception code out of the crashed process.
struct CrashArguments {
  unsigned pid = 0, tid = 0;
  unsigned long long process = 0, event = 0, pointers = 0;
  bool parsed = false;
};

CrashArguments ParseCrashArguments() {
  CrashArguments arguments;
  const wchar_t* line = GetCommandLineW();
  const wchar_t* crash = wcsstr(line, L"/crash:");
  arguments.parsed =
      crash && swscanf(crash, L"/crash:%u:%u:%llx:%llx:%llx", &arguments.pid, &arguments.tid,
                       &arguments.process, &arguments.event, &arguments.pointers) == 5;
  return arguments;
}

nlohmann::json ReadCrash() {
  const CrashArguments arguments = ParseCrashArguments();
  nlohmann::json crash = {{"parsed", arguments.parsed}, {"pid", arguments.pid}};
  if (!arguments.parsed) return crash;
  HANDLE process = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(arguments.process));
  EXCEPTION_POINTERS pointers = {};
  EXCEPTION_RECORD record = {};
  SIZE_T read = 0;
  if (ReadProcessMemory(process,
                        reinterpret_cast<void*>(static_cast<uintptr_t>(arguments.pointers)),
                        &pointers, sizeof(pointers), &read) &&
      ReadProcessMemory(process, pointers.ExceptionRecord, &record, sizeof(record), &read)) {
    crash["code"] = static_cast<unsigned>(record.ExceptionCode);
  }
  crash["process_id_of_handle"] = GetProcessId(process);
  return crash;
}

void SignalCrashEvent() {
  const CrashArguments arguments = ParseCrashArguments();
  if (arguments.parsed) SetEvent(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(arguments.event)));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring stem = OwnPathStem();
  const std::wstring record_path = stem + L".record.jsonl";

  nlohmann::json control = nlohmann::json::object();
  std::string control_text;
  if (ReadWholeFile(stem + L".control.json", &control_text)) {
    nlohmann::json parsed = nlohmann::json::parse(control_text, nullptr, false);
    if (parsed.is_object()) control = parsed;
  }
  {
    ScopedRecordLock lock;
    const int run = CountRuns(record_path);
    auto runs = control.find("runs");
    if (runs != control.end() && runs->is_array() && run < static_cast<int>(runs->size()) &&
        (*runs)[static_cast<size_t>(run)].is_object()) {
      for (const auto& item : (*runs)[static_cast<size_t>(run)].items())
        control[item.key()] = item.value();
    }
    nlohmann::json record = BuildRecord(run, control);
    if (control.value("read_crash", false)) record["crash"] = ReadCrash();
    AppendLine(record_path,
               record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  }
  // The crashed launcher waits for this before it ends.
  if (control.value("read_crash", false) && !control.value("never_signal", false))
    SignalCrashEvent();

  std::wstring mutex_name = StringOr(control, "create_mutex");
  Handle mutex(mutex_name.empty() ? nullptr : CreateMutexW(nullptr, TRUE, mutex_name.c_str()));

  bool have_window = false;
  auto message_window = control.find("message_window");
  if (message_window != control.end() && message_window->is_object()) {
    have_window = MakeWindow(StringOr(*message_window, "class"), StringOr(*message_window, "title"),
                             true) != nullptr;
  }
  std::wstring window_title = StringOr(control, "window_title");
  if (!window_title.empty())
    have_window =
        MakeWindow(L"CorvaneTestChildWindow", window_title, false) != nullptr || have_window;

  // Held with no sharing until the child ends: another process's lock, for
  // readers that must see a sharing violation. Taken before the event is set
  // so that a test waiting on the event knows the file is held.
  std::wstring held_path = StringOr(control, "hold_file");
  Handle held_file(held_path.empty()
                       ? nullptr
                       : CreateFileW(held_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));

  std::wstring event_name = StringOr(control, "signal_event");
  // A client that becomes ready a while after its start.
  const int signal_after = IntOr(control, "signal_after_ms", 0);
  if (!event_name.empty() && signal_after > 0)
    PumpFor(static_cast<DWORD>(signal_after), have_window);
  if (!event_name.empty()) {
    Handle event(CreateEventW(nullptr, TRUE, FALSE, event_name.c_str()));
    if (event.valid()) SetEvent(event.get());
  }

  // Plays an updater's switch: files put in place before the exit.
  auto copies = control.find("copy_files");
  if (copies != control.end() && copies->is_array()) {
    for (const auto& pair : *copies) {
      if (!pair.is_array() || pair.size() != 2 || !pair[0].is_string() || !pair[1].is_string())
        continue;
      const std::wstring to = ToWide(pair[1].get<std::string>());
      CreateDirectoryW(to.substr(0, to.find_last_of(L'\\')).c_str(), nullptr);
      CopyFileW(ToWide(pair[0].get<std::string>()).c_str(), to.c_str(), FALSE);
    }
  }

  if (control.value("crash", false)) {
    // An unhandled access violation, as a real crash would end.
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  }

  int delay = IntOr(control, "delay_ms", 0);
  if (delay > 0) PumpFor(static_cast<DWORD>(delay), have_window);

  auto code = control.find("exit_code");
  if (code != control.end() && code->is_number())
    return static_cast<int>(code->get<long long>() & 0xFFFFFFFF);
  return 0;
}
