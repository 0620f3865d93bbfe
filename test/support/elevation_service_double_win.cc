#include "test/support/elevation_service_double.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"

namespace corvane {
namespace test {

namespace {

constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{63C34537-A073-440B-A889-8BFDCCE724F3}";

using RegisterFunction = HRESULT(STDAPICALLTYPE*)();

bool CallExport(HMODULE module, const char* name) {
  auto function = reinterpret_cast<RegisterFunction>(GetProcAddress(module, name));
  return function && SUCCEEDED(function());
}

FilePath Stem(const FilePath& exe) { return exe.RemoveExtension(); }

}  // namespace

ScopedElevationServiceDouble::ScopedElevationServiceDouble() {
  HANDLE turn = CreateMutexW(nullptr, FALSE, L"CORVANE_ELEVATION_SERVICE_DOUBLE");
  if (turn) WaitForSingleObject(turn, INFINITE);
  turn_ = turn;
  FilePath dir;
  GetPath(DIR_EXE, &dir);
  server_ = dir.Append(L"elevation_service_double.exe");
  HMODULE proxy = LoadLibraryW(dir.Append(L"elevator_proxy.dll").value().c_str());
  proxy_ = proxy;
  if (!proxy || !CallExport(proxy, "DllRegisterServer")) return;

  HKEY key = nullptr;
  const std::wstring server_key = std::wstring(kClassKey) + L"\\LocalServer32";
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, server_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::wstring value = L"\"" + server_.value() + L"\"";
  registered_ =
      RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(key);
  DeleteFile(FilePath(Stem(server_).value() + L".record.jsonl"), false);
  SetFailure(0);
}

ScopedElevationServiceDouble::~ScopedElevationServiceDouble() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey);
  // The server ends once it sees the key gone; wait, so that the next test
  // starts without it.
  HANDLE running = OpenMutexW(SYNCHRONIZE, FALSE, L"CORVANE_ELEVATION_SERVICE_DOUBLE_RUNNING");
  if (running) {
    const DWORD wait = WaitForSingleObject(running, 10000);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(running);
    CloseHandle(running);
  }
  HMODULE proxy = static_cast<HMODULE>(proxy_);
  if (proxy) {
    CallExport(proxy, "DllUnregisterServer");
    FreeLibrary(proxy);
  }
  if (turn_) {
    ReleaseMutex(static_cast<HANDLE>(turn_));
    CloseHandle(static_cast<HANDLE>(turn_));
  }
}

void ScopedElevationServiceDouble::SetFailure(long hr) {
  const FilePath control(Stem(server_).value() + L".control.json");
  if (hr == 0) {
    DeleteFile(control, false);
  } else {
    WriteFile(control, nlohmann::json{{"fail_hr", hr}}.dump());
  }
}

std::vector<nlohmann::json> ScopedElevationServiceDouble::Records() const {
  std::string text;
  ReadFileToString(FilePath(Stem(server_).value() + L".record.jsonl"), &text);
  std::vector<nlohmann::json> records;
  for (const std::string& line : SplitString(text, '\n')) {
    nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    if (record.is_object()) records.push_back(std::move(record));
  }
  return records;
}

}  // namespace test
}  // namespace corvane
