#include <windows.h>

#include "test/support/scoped_temp_dir.h"

#include "base/files/file_util.h"

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

}  // namespace test
}  // namespace corvane
