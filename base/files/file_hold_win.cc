#include "base/files/file_hold.h"

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

void FileHold::Reset(void* handle) {
  if (handle_) ::CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

}  // namespace corvane
