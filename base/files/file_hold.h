// Keeping a file open so that others can neither change nor remove it.

#ifndef BASE_FILES_FILE_HOLD_H_
#define BASE_FILES_FILE_HOLD_H_

namespace corvane {

// Owns an open handle to a file that shares reading only: while the hold
// lives, nobody can write, rename or delete the file. Empty until a function
// such as CopyFileAndHold() fills it.
class FileHold {
 public:
  FileHold() = default;
  ~FileHold();
  FileHold(FileHold&& other) noexcept;
  FileHold& operator=(FileHold&& other) noexcept;
  FileHold(const FileHold&) = delete;
  FileHold& operator=(const FileHold&) = delete;

  bool IsHeld() const { return handle_ != nullptr; }
  // Closes the handle; the file is free again.
  void Release();

  // Takes ownership of an open file handle (HANDLE).
  void Reset(void* handle);
  void* handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
};

}  // namespace corvane

#endif  // BASE_FILES_FILE_HOLD_H_
