#include <windows.h>

#include "base/test/test_util_win.h"

#include "base/files/file_util.h"
#include "base/path_service.h"

namespace corvane {
namespace test {

ScopedTempDir::ScopedTempDir() {
  if (!CreateNewTempDirectory(L"corvane_test_", &path_)) path_ = FilePath();
}

ScopedTempDir::~ScopedTempDir() {
  if (!path_.empty()) DeleteFile(path_, true);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const FilePath& directory) {
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  if (length && length <= MAX_PATH) previous_.assign(buffer, length);
  ::SetCurrentDirectoryW(directory.value().c_str());
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
  if (!previous_.empty()) ::SetCurrentDirectoryW(previous_.c_str());
}

FilePath TestChildPath() {
  FilePath dir;
  GetPath(DIR_EXE, &dir);
  return dir.Append(L"test_child.exe");
}

FilePath InstallTestChild(const FilePath& directory, const std::wstring& name,
                          const std::string& control_json) {
  FilePath exe = directory.Append(name);
  if (!::CopyFileW(TestChildPath().value().c_str(), exe.value().c_str(), FALSE)) return FilePath();
  if (!control_json.empty()) {
    FilePath control(exe.RemoveExtension().value() + L".control.json");
    if (!WriteFile(control, control_json)) return FilePath();
  }
  return exe;
}

std::string ReadChildRecords(const FilePath& exe) {
  std::string text;
  ReadFileToString(FilePath(exe.RemoveExtension().value() + L".record.jsonl"), &text);
  return text;
}

}  // namespace test
}  // namespace corvane
