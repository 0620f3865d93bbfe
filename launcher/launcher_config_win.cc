#include "launcher/launcher_config.h"

#include <windows.h>

#include <limits>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/win/scoped_handle.h"

namespace corvane {

namespace {

bool FlushExistingFile(const FilePath& path) {
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid() && ::FlushFileBuffers(file.Get());
}

}  // namespace

bool WriteFileDurably(const FilePath& path, std::string_view data) {
  if (data.size() > std::numeric_limits<DWORD>::max()) return false;
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  DWORD written = 0;
  if (!::WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
      written != data.size()) {
    return false;
  }
  // Without this a power cut after the rename can leave an empty file.
  return ::FlushFileBuffers(file.Get()) != 0;
}

bool CopyFileDurably(const FilePath& from, const FilePath& to) {
  // The backup may be moved back over the configuration, so it is made
  // durable like the new text.
  return CopyFile(from, to) && FlushExistingFile(to);
}

bool ReplaceFileDurably(const FilePath& from, const FilePath& to) {
  // A rename over the target is atomic on the local file systems; the
  // general replace stays as the fallback for targets it cannot handle.
  if (::MoveFileExW(from.value().c_str(), to.value().c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  return ReplaceFile(from, to);
}

}  // namespace corvane
