// Stand-in for the product's elevation service: a real COM local server that
// registers the class the launcher's built-in description names and starts
// the command lines it is given, handing each process handle to the caller.
// Each start appends one JSON line (command line, caller pid, result) to
// "<own path without extension>.record.jsonl". A "fail_hr" number in
// "<stem>.control.json" makes RunElevatedCommandLine answer it instead.

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "elevator.h"

namespace {

// {63C34537-A073-440B-A889-8BFDCCE724F3}
const CLSID kElevatorClsid = {
    0x63C34537, 0xA073, 0x440B, {0xA8, 0x89, 0x8B, 0xFD, 0xCC, 0xE7, 0x24, 0xF3}};
// The server stays this long after its last object went, so that a client's
// next activation finds it instead of a process on its way out.
constexpr DWORD kLingerMs = 3000;
constexpr DWORD kUnusedMs = 60000;

std::atomic<long> g_objects{0};
std::atomic<DWORD> g_last_change{0};

std::string ToUtf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size,
                      nullptr, nullptr);
  return out;
}

std::wstring OwnStem() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring stem(path);
  const size_t dot = stem.find_last_of(L'.');
  if (dot != std::wstring::npos) stem.resize(dot);
  return stem;
}

nlohmann::json ReadControl() {
  HANDLE file = CreateFileW((OwnStem() + L".control.json").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nlohmann::json::object();
  std::string text(65536, '\0');
  DWORD read = 0;
  ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  nlohmann::json control = nlohmann::json::parse(text, nullptr, false);
  return control.is_object() ? control : nlohmann::json::object();
}

void AppendRecord(const nlohmann::json& record) {
  HANDLE file = CreateFileW((OwnStem() + L".record.jsonl").c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string line = record.dump() + "\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// Gone once the test has ended its registration.
bool IsRegistered() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"Software\\Classes\\CLSID\\{63C34537-A073-440B-A889-8BFDCCE724F3}", 0,
                    KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void ObjectsChanged(long delta) {
  g_objects += delta;
  g_last_change = GetTickCount();
}

class Elevator : public IElevator {
 public:
  Elevator() { ObjectsChanged(1); }
  virtual ~Elevator() { ObjectsChanged(-1); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IElevator)) {
      *object = static_cast<IElevator*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long refs = --refs_;
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
  }

  HRESULT STDMETHODCALLTYPE ReservedMethod1() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReservedMethod2() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReservedMethod3() override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE RunElevatedCommandLine(const WCHAR* command_line,
                                                   DWORD caller_process_id,
                                                   ULONG_PTR* process_handle) override {
    nlohmann::json record = {{"cmdline", ToUtf8(command_line ? command_line : L"")},
                             {"caller_pid", caller_process_id}};
    const HRESULT result = Run(command_line, caller_process_id, process_handle);
    record["hr"] = static_cast<long>(result);
    AppendRecord(record);
    return result;
  }

 private:
  static HRESULT Run(const WCHAR* command_line, DWORD caller_process_id,
                     ULONG_PTR* process_handle) {
    if (!command_line || !process_handle) return E_INVALIDARG;
    *process_handle = 0;
    const nlohmann::json control = ReadControl();
    if (control.contains("fail_hr") && control["fail_hr"].is_number())
      return static_cast<HRESULT>(control["fail_hr"].get<long long>() & 0xFFFFFFFF);

    HANDLE caller = OpenProcess(PROCESS_DUP_HANDLE, FALSE, caller_process_id);
    if (!caller) return HRESULT_FROM_WIN32(GetLastError());
    std::vector<wchar_t> buffer(command_line, command_line + wcslen(command_line) + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      const HRESULT result = HRESULT_FROM_WIN32(GetLastError());
      CloseHandle(caller);
      return result;
    }
    CloseHandle(info.hThread);
    HANDLE duplicate = nullptr;
    const BOOL duplicated = DuplicateHandle(GetCurrentProcess(), info.hProcess, caller, &duplicate,
                                            0, FALSE, DUPLICATE_SAME_ACCESS);
    const HRESULT result = duplicated ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    CloseHandle(info.hProcess);
    CloseHandle(caller);
    if (duplicated) *process_handle = reinterpret_cast<ULONG_PTR>(duplicate);
    return result;
  }

  std::atomic<long> refs_{1};
};

class ElevatorFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives as long as the process.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Elevator* elevator = new Elevator();
    const HRESULT result = elevator->QueryInterface(riid, object);
    elevator->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    ObjectsChanged(lock ? 1 : -1);
    return S_OK;
  }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  static ElevatorFactory factory;
  DWORD cookie = 0;
  HRESULT result = CoRegisterClassObject(kElevatorClsid, &factory, CLSCTX_LOCAL_SERVER,
                                         REGCLS_MULTIPLEUSE, &cookie);
  if (FAILED(result)) {
    CoUninitialize();
    return 2;
  }
  // Held while the server runs: the test's registration waits for the end.
  HANDLE running = CreateMutexW(nullptr, TRUE, L"CORVANE_ELEVATION_SERVICE_DOUBLE_RUNNING");
  const DWORD started = GetTickCount();
  for (;;) {
    Sleep(100);
    const DWORD now = GetTickCount();
    if (g_objects > 0) continue;
    if (!IsRegistered()) break;
    const DWORD last = g_last_change;
    if (last == 0 ? now - started > kUnusedMs : now - last > kLingerMs) break;
  }
  CoRevokeClassObject(cookie);
  CoUninitialize();
  if (running) {
    ReleaseMutex(running);
    CloseHandle(running);
  }
  return 0;
}
