#ifndef BASE_PATH_SERVICE_H_
#define BASE_PATH_SERVICE_H_

#include "base/files/file_path.h"

namespace corvane {

enum PathKey {
  FILE_EXE,            // The running executable.
  DIR_EXE,             // The directory holding it.
  DIR_TEMP,            // GetTempPathW, trailing separator removed.
  DIR_LOCAL_APP_DATA,  // SHGetFolderPathW(CSIDL_LOCAL_APPDATA).
};

// Fills |path|; false (and |path| emptied) when the system call fails.
bool GetPath(PathKey key, FilePath* path);

// Tests: FILE_EXE and DIR_EXE answer as if |path| were the running
// executable (a test binary standing in for a launcher in a temporary
// install tree); an empty path restores them.
void OverrideExePathForTesting(const FilePath& path);

}  // namespace corvane

#endif  // BASE_PATH_SERVICE_H_
