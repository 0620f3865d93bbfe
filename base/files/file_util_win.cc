#include <windows.h>

#include <atomic>
#include <limits>
#include <utility>
#include <vector>

#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/win/scoped_handle.h"

namespace corvane {

namespace {

constexpr size_t kMaxCopyPathLength = 260;
constexpr int64_t kMaxReadSize = 0x7FFFFFFF;

std::atomic<bool> g_preread_without_prefetch{false};

bool FlushExistingFile(const FilePath& path) {
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid() && ::FlushFileBuffers(file.Get());
}

bool IsNotFoundError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

Time TimeFromFileTime(const FILETIME& filetime) {
  return Time::FromFileTimeValue((static_cast<uint64_t>(filetime.dwHighDateTime) << 32) |
                                 filetime.dwLowDateTime);
}

bool ClearReadOnly(const std::wstring& path, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  return ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

// Deletes what |path| names; |attributes| are its current attributes.
// Recursion follows the directory tree, never a reparse point.
bool DeleteExisting(const std::wstring& path, DWORD attributes, bool recursive) {
  ClearReadOnly(path, attributes);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ::DeleteFileW(path.c_str()) != 0;
  if (recursive && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    WIN32_FIND_DATAW data;
    std::wstring pattern = path;
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern.push_back(L'\\');
    std::wstring prefix = pattern;
    pattern.push_back(L'*');
    bool ok = true;
    {
      win::ScopedFindFileHandle find(::FindFirstFileW(pattern.c_str(), &data));
      if (find.IsValid()) {
        do {
          std::wstring name = data.cFileName;
          if (name == L"." || name == L"..") continue;
          if (!DeleteExisting(prefix + name, data.dwFileAttributes, true)) ok = false;
        } while (::FindNextFileW(find.Get(), &data));
      }
    }
    if (!ok) return false;
  }
  return ::RemoveDirectoryW(path.c_str()) != 0;
}

bool ReadInChunks(HANDLE file, int64_t size) {
  std::vector<char> buffer(static_cast<size_t>(kPreReadChunkSize));
  int64_t done = 0;
  while (size == 0 || done < size) {
    int64_t want = kPreReadChunkSize;
    if (size != 0 && size - done < want) want = size - done;
    DWORD read = 0;
    if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(want), &read, nullptr)) return false;
    if (read == 0) break;
    done += read;
  }
  return true;
}

struct MemoryRange {
  void* address;
  SIZE_T size;
};
using PrefetchVirtualMemoryFunction = BOOL(WINAPI*)(HANDLE, ULONG_PTR, MemoryRange*, ULONG);

PrefetchVirtualMemoryFunction GetPrefetchVirtualMemory() {
  static PrefetchVirtualMemoryFunction function = [] {
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? reinterpret_cast<PrefetchVirtualMemoryFunction>(reinterpret_cast<void*>(
                          ::GetProcAddress(kernel32, "PrefetchVirtualMemory")))
                    : nullptr;
  }();
  return function;
}

}  // namespace

bool PathExists(const FilePath& path) {
  return ::GetFileAttributesW(path.value().c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const FilePath& path) {
  DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectoryAndGetError(const FilePath& path, int* error) {
  DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    if (error) *error = ERROR_FILE_EXISTS;
    ::SetLastError(ERROR_FILE_EXISTS);
    return false;
  }
  FilePath parent = path.DirName();
  if (parent != path.StripTrailingSeparators() && parent.value() != L"." &&
      !CreateDirectoryAndGetError(parent, error)) {
    return false;
  }
  if (::CreateDirectoryW(path.value().c_str(), nullptr)) return true;
  DWORD last_error = ::GetLastError();
  // Somebody else may have made it meanwhile.
  if (DirectoryExists(path)) return true;
  if (error) *error = static_cast<int>(last_error);
  ::SetLastError(last_error);
  return false;
}

bool CreateDirectory(const FilePath& path) { return CreateDirectoryAndGetError(path, nullptr); }

bool ReadFileToStringWithMaxSize(const FilePath& path, std::string* contents, size_t max_size) {
  if (contents) contents->clear();
  if (path.ReferencesParent()) {
    ::SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  // Others may go on writing, renaming or deleting while this reads.
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsValid()) return false;
  std::string data;
  char buffer[65536];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr)) return false;
    if (read == 0) break;
    if (data.size() + read > max_size) {
      data.append(buffer, max_size - data.size());
      if (contents) *contents = std::move(data);
      return false;
    }
    data.append(buffer, read);
  }
  if (contents) *contents = std::move(data);
  return true;
}

bool ReadFileToString(const FilePath& path, std::string* contents) {
  return ReadFileToStringWithMaxSize(path, contents, static_cast<size_t>(kMaxReadSize));
}

int WriteFile(const FilePath& path, const char* data, int size) {
  if (size < 0) return -1;
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return -1;
  DWORD written = 0;
  if (!::WriteFile(file.Get(), data, static_cast<DWORD>(size), &written, nullptr)) return -1;
  return static_cast<int>(written);
}

bool WriteFile(const FilePath& path, std::string_view data) {
  if (data.size() > static_cast<size_t>(kMaxReadSize)) return false;
  int size = static_cast<int>(data.size());
  return WriteFile(path, data.data(), size) == size;
}

bool AppendToFile(const FilePath& path, std::string_view data) {
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), FILE_APPEND_DATA, 0, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
         written == data.size();
}

bool CopyFile(const FilePath& from, const FilePath& to) {
  if (from.ReferencesParent() || to.ReferencesParent() ||
      from.value().size() >= kMaxCopyPathLength || to.value().size() >= kMaxCopyPathLength) {
    ::SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  if (!::CopyFileW(from.value().c_str(), to.value().c_str(), FALSE)) return false;
  DWORD attributes = ::GetFileAttributesW(to.value().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) ClearReadOnly(to.value(), attributes);
  return true;
}

bool ReplaceFile(const FilePath& from, const FilePath& to, int* error) {
  // ReplaceFileW fails when |to| does not exist yet; a move covers that.
  if (::ReplaceFileW(to.value().c_str(), from.value().c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return true;
  }
  if (::MoveFileW(from.value().c_str(), to.value().c_str())) return true;
  if (error) *error = static_cast<int>(::GetLastError());
  return false;
}

bool DeleteFile(const FilePath& path, bool recursive) {
  if (path.empty()) return true;
  DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsNotFoundError(::GetLastError());
  return DeleteExisting(path.value(), attributes, recursive);
}

bool GetFileInfo(const FilePath& path, FileInfo* info) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.value().c_str(), GetFileExInfoStandard, &data)) return false;
  info->size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->last_modified = TimeFromFileTime(data.ftLastWriteTime);
  info->last_accessed = TimeFromFileTime(data.ftLastAccessTime);
  info->creation_time = TimeFromFileTime(data.ftCreationTime);
  return true;
}

bool GetFileSize(const FilePath& path, int64_t* size) {
  FileInfo info;
  if (!GetFileInfo(path, &info)) return false;
  *size = info.size;
  return true;
}

bool GetTempDir(FilePath* path) { return GetPath(DIR_TEMP, path); }

bool CreateNewTempDirectory(std::wstring_view prefix, FilePath* new_dir) {
  FilePath temp;
  if (!GetTempDir(&temp)) return false;
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name(prefix);
    name += NumberToWString(static_cast<unsigned long>(::GetCurrentProcessId()));
    name += L"_";
    name += NumberToWString(counter.fetch_add(1) + ::GetTickCount());
    FilePath candidate = temp.Append(name);
    if (::CreateDirectoryW(candidate.value().c_str(), nullptr)) {
      *new_dir = candidate;
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

void SetPreReadWithoutPrefetchForTesting(bool without_prefetch) {
  g_preread_without_prefetch = without_prefetch;
}

bool PreReadFile(const FilePath& path, int64_t size) {
  if (size < 0) return false;
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsValid()) return false;

  PrefetchVirtualMemoryFunction prefetch =
      g_preread_without_prefetch ? nullptr : GetPrefetchVirtualMemory();
  if (prefetch) {
    LARGE_INTEGER file_size;
    if (!::GetFileSizeEx(file.Get(), &file_size)) return false;
    if (file_size.QuadPart == 0) return true;
    int64_t length = size == 0 || size > file_size.QuadPart ? file_size.QuadPart : size;
    win::ScopedHandle mapping(
        ::CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping.IsValid()) {
      void* view = ::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(length));
      if (view) {
        MemoryRange range = {view, static_cast<SIZE_T>(length)};
        BOOL ok = prefetch(::GetCurrentProcess(), 1, &range, 0);
        ::UnmapViewOfFile(view);
        if (ok) return true;
      }
    }
    // The mapping route failed; read it instead.
  }
  return ReadInChunks(file.Get(), size);
}

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
  // A backup may be moved back over the original, so it is made durable too.
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

bool CopyFileAndHold(const FilePath& from, const FilePath& to, FileHold* hold) {
  hold->Release();
  std::string data;
  if (!ReadFileToString(from, &data) || data.size() >= std::numeric_limits<DWORD>::max())
    return false;
  // A missing file counts as deleted; one somebody holds does not.
  if (!DeleteFile(to, false)) return false;
  win::ScopedHandle writer(::CreateFileW(to.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!writer.IsValid()) return false;
  DWORD written = 0;
  if (!::WriteFile(writer.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) ||
      written != data.size()) {
    return false;
  }
  // A reader that lets the writer finish keeps renames and deletes out while
  // the writer gives way to the hold, which shuts every writer out.
  win::ScopedHandle bridge(::CreateFileW(to.value().c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  writer.Close();
  FileHold held;
  held.Hold(to);
  bridge.Close();
  if (!held.IsHeld()) return false;
  // Whatever was written in between is caught here; from now on nothing is.
  std::string back(data.size() + 1, '\0');
  DWORD read = 0;
  DWORD total = 0;
  while (total < back.size() &&
         ::ReadFile(static_cast<HANDLE>(held.handle()), &back[total],
                    static_cast<DWORD>(back.size() - total), &read, nullptr) &&
         read > 0) {
    total += read;
  }
  if (total != data.size() || back.compare(0, total, data) != 0) return false;
  *hold = std::move(held);
  return true;
}

}  // namespace corvane
