#include "utils/boot_flag.h"

#include <windows.h>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/path_service.h"

namespace corvane {

namespace {

// The program's name as the command line wrote it (a shortcut's "X.exe",
// a shell's "x"): the flag is kept per name the launcher is started by. With
// no command line or no name in it, the executable's own file name.
std::wstring ExecutableName() {
  const CommandLine* command_line = CommandLine::ForCurrentProcess();
  FilePath exe = command_line ? command_line->GetProgram().BaseName() : FilePath();
  if (exe.empty() || exe.value() == L"." || exe.value() == L"..") {
    GetPath(FILE_EXE, &exe);
    exe = exe.BaseName();
  }
  return exe.value();
}

}  // namespace

bool BootFlagExists(const std::wstring& name) {
  const std::wstring path = L"Software\\" + ExecutableName() + L"\\" + name;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void CreateBootFlag(const std::wstring& name) {
  HKEY software = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_SET_VALUE, &software) != ERROR_SUCCESS) {
    LOG(INFO) << "Open reg error";
    return;
  }
  HKEY owner = nullptr;
  const LSTATUS created = RegCreateKeyExW(software, ExecutableName().c_str(), 0, nullptr, 0,
                                          KEY_ALL_ACCESS, nullptr, &owner, nullptr);
  RegCloseKey(software);
  if (created != ERROR_SUCCESS) {
    LOG(INFO) << "Create sub reg key error";
    return;
  }
  HKEY flag = nullptr;
  if (RegCreateKeyExW(owner, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &flag, nullptr) == ERROR_SUCCESS) {
    RegCloseKey(flag);
  } else {
    LOG(INFO) << "Create boot flag reg error";
  }
  RegCloseKey(owner);
}

}  // namespace corvane
