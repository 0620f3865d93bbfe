#include "launcher/launcher_dir.h"

#include "base/path_service.h"

namespace corvane {

FilePath LauncherDir() {
  FilePath dir;
  GetPath(DIR_EXE, &dir);
  return dir;
}

}  // namespace corvane
