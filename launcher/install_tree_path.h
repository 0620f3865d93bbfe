// Names and relative paths from the configuration or from switches are joined
// to the launcher's directory and end up in starts, some of them elevated.
// These rules keep every such join inside the install tree.

#ifndef LAUNCHER_INSTALL_TREE_PATH_H_
#define LAUNCHER_INSTALL_TREE_PATH_H_

#include <string_view>

namespace corvane {

struct LauncherConfig;

enum class InstallTreePathKind {
  // One component: an executable's base name or a version directory.
  kName,
  // Components below the launcher's directory, such as "bin\app".
  kRelativePath,
};

// True when |value| is empty or stays below the directory it is joined to:
// not absolute, no drive, UNC, "\\?\" or "\\.\" form, no colon, no NUL, no
// empty component and no component made of dots and spaces only (".." among
// them, also as Windows reads ".. " or "..."); a kName has no separator.
bool IsInstallTreePath(std::wstring_view value, InstallTreePathKind kind);

// The rule for every path member: app_name, cur_path and new_path are names,
// mid_path and new_mid_path relative paths.
bool HasInstallTreePaths(const LauncherConfig& config);

}  // namespace corvane

#endif  // LAUNCHER_INSTALL_TREE_PATH_H_
