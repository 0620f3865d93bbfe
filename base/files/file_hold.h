// Keeping a file open so that others can neither change nor remove it.

#ifndef BASE_FILES_FILE_HOLD_H_
#define BASE_FILES_FILE_HOLD_H_

namespace corvane {

class FilePath;

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

  // Opens |path| for reading with read-only sharing and holds it (releasing
  // any file held before). False, with the open's last error, when it cannot
  // be opened that way (missing, or somebody has it open for writing).
  bool Hold(const FilePath& path);

  // Takes ownership of an open file handle (HANDLE).
  void Reset(void* handle);
  void* handle() const { return handle_; }

 private:
  void* handle_ = nullptr;
};

}  // namespace corvane

#endif  // BASE_FILES_FILE_HOLD_H_
