#include <windows.h>
#include <shlobj.h>

#include <string>

#include "base/path_service.h"

namespace corvane {

namespace {

FilePath& ExeOverride() {
  static FilePath* path = new FilePath();
  return *path;
}

bool GetExePath(FilePath* path) {
  if (!ExeOverride().empty()) {
    *path = ExeOverride();
    return true;
  }
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    // Truncated: try again with more room (long-path aware systems).
    if (buffer.size() >= 32768) return false;
    buffer.resize(buffer.size() * 2);
  }
  *path = FilePath(buffer);
  return true;
}

}  // namespace

bool GetPath(PathKey key, FilePath* path) {
  *path = FilePath();
  switch (key) {
    case FILE_EXE:
      return GetExePath(path);
    case DIR_EXE: {
      FilePath exe;
      if (!GetExePath(&exe)) return false;
      *path = exe.DirName();
      return true;
    }
    case DIR_TEMP: {
      wchar_t buffer[MAX_PATH + 1];
      DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
      if (length == 0 || length > MAX_PATH) return false;
      *path = FilePath(std::wstring(buffer, length)).StripTrailingSeparators();
      return true;
    }
    case DIR_LOCAL_APP_DATA: {
      wchar_t buffer[MAX_PATH];
      if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                    buffer))) {
        return false;
      }
      *path = FilePath(std::wstring(buffer));
      return true;
    }
  }
  return false;
}

void OverrideExePathForTesting(const FilePath& path) { ExeOverride() = path; }

}  // namespace corvane
