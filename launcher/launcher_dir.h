// The launcher's own directory: the install tree's root, where its
// configuration lies and below which every version directory is.

#ifndef LAUNCHER_LAUNCHER_DIR_H_
#define LAUNCHER_LAUNCHER_DIR_H_

#include "base/files/file_path.h"

namespace corvane {

// The directory of the running launcher; empty when the system cannot say.
FilePath LauncherDir();

}  // namespace corvane

#endif  // LAUNCHER_LAUNCHER_DIR_H_
