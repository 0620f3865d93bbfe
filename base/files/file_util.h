#ifndef BASE_FILES_FILE_UTIL_H_
#define BASE_FILES_FILE_UTIL_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "base/files/file_hold.h"
#include "base/files/file_path.h"
#include "base/time.h"
#include "base/win/windows_undefines.h"

namespace corvane {

// File operations. Include <windows.h>, when needed, before this header: its
// CopyFile/DeleteFile/... macros are undone here.
// None throws; on failure the last system error stays as
// the failing call left it.

// GetFileAttributesW succeeds.
bool PathExists(const FilePath& path);
// Exists and carries the directory attribute.
bool DirectoryExists(const FilePath& path);

// Creates |path| and every missing parent. True when the directory exists
// afterwards; otherwise |error| (optional) gets the system error code.
bool CreateDirectoryAndGetError(const FilePath& path, int* error);
bool CreateDirectory(const FilePath& path);

// Reads the whole file (binary; others may keep reading, writing or deleting
// it meanwhile). False for a path with a ".." component, or when the file
// cannot be opened or read.
bool ReadFileToString(const FilePath& path, std::string* contents);
// Same, giving up (false, |contents| holding the first |max_size| bytes) when
// the file is longer than |max_size|.
bool ReadFileToStringWithMaxSize(const FilePath& path, std::string* contents, size_t max_size);

// CreateFileW(GENERIC_WRITE, no sharing, CREATE_ALWAYS). Returns the number
// of bytes written, or -1.
int WriteFile(const FilePath& path, const char* data, int size);
// True only when every byte was written.
bool WriteFile(const FilePath& path, std::string_view data);
// Appends; true when every byte was written.
bool AppendToFile(const FilePath& path, std::string_view data);

// CopyFileW overwriting |to|. Refused (false, nothing touched) when either
// path has a ".." component or is 260 characters or longer. A read-only
// attribute that came along with the copy is cleared on |to|.
bool CopyFile(const FilePath& from, const FilePath& to);

// ReplaceFileW(to, from, REPLACEFILE_IGNORE_MERGE_ERRORS), else MoveFileW
// (from, to). False when both fail; |error| gets the system error.
bool ReplaceFile(const FilePath& from, const FilePath& to, int* error = nullptr);

// Steps of a write that must survive a power cut: the data (or the copy) is
// flushed to disk before it returns, and the replace is an atomic rename
// where the file system offers one (ReplaceFile otherwise).
bool WriteFileDurably(const FilePath& path, std::string_view data);
bool CopyFileDurably(const FilePath& from, const FilePath& to);
bool ReplaceFileDurably(const FilePath& from, const FilePath& to);

// Copies |from| to |to| as a file of this process's own making and holds it:
// an old |to| must be deletable, |to| is created anew (a name somebody else
// re-creates meanwhile fails), and the copy is kept open so that nobody can
// write, rename or delete it while |hold| lives. The held bytes are read back
// and must be |from|'s. False when any step fails; then nothing is held.
bool CopyFileAndHold(const FilePath& from, const FilePath& to, FileHold* hold);

// Deletes a file, or with |recursive| a directory and all it holds. Read-only
// attributes are cleared first. A missing path counts as success.
bool DeleteFile(const FilePath& path, bool recursive);

struct FileInfo {
  int64_t size = 0;
  bool is_directory = false;
  Time last_modified;
  Time last_accessed;
  Time creation_time;
};
bool GetFileInfo(const FilePath& path, FileInfo* info);
bool GetFileSize(const FilePath& path, int64_t* size);

// GetTempPathW with the trailing separator removed.
bool GetTempDir(FilePath* path);
// A new unique empty directory under the temp directory; its name starts with
// |prefix|.
bool CreateNewTempDirectory(std::wstring_view prefix, FilePath* new_dir);

// Reads |path| ahead (up to |size| bytes; 0 = the whole file) so that a
// following start of that executable finds it in memory: PrefetchVirtualMemory
// over a mapping when the system has it, else reads in 1 MiB chunks.
bool PreReadFile(const FilePath& path, int64_t size);
// The chunk the fallback reads at a time.
constexpr int64_t kPreReadChunkSize = 1048576;
// Forces the chunked fallback (PrefetchVirtualMemory treated as absent).
void SetPreReadWithoutPrefetchForTesting(bool without_prefetch);

}  // namespace corvane

#endif  // BASE_FILES_FILE_UTIL_H_
