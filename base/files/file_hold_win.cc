#include "base/files/file_hold.h"

#include "base/files/file_path.h"

#include <windows.h>

#include <utility>

namespace corvane {

FileHold::~FileHold() { Release(); }

FileHold::FileHold(FileHold&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

FileHold& FileHold::operator=(FileHold&& other) noexcept {
  if (this != &other) Reset(std::exchange(other.handle_, nullptr));
  return *this;
}

void FileHold::Release() { Reset(nullptr); }

bool FileHold::Hold(const FilePath& path) {
  Reset(::CreateFileW(path.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr));
  return IsHeld();
}

void FileHold::Reset(void* handle) {
  if (handle_) ::CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

}  // namespace corvane
