#include "launcher/install_tree_path.h"

#include "launcher/launcher_config.h"

namespace corvane {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Windows drops trailing dots and spaces from a component, so a component of
// only those names the parent (".."), the directory itself, or nothing.
bool IsDotsAndSpaces(std::wstring_view component) {
  for (wchar_t c : component) {
    if (c != L'.' && c != L' ') return false;
  }
  return true;
}

}  // namespace

bool IsInstallTreePath(std::wstring_view value, InstallTreePathKind kind) {
  if (value.empty()) return true;
  size_t start = 0;
  for (;;) {
    size_t end = start;
    while (end < value.size() && !IsSeparator(value[end])) {
      // A colon makes a drive or a stream name; a NUL ends the path early.
      if (value[end] == L':' || value[end] == L'\0') return false;
      ++end;
    }
    // An empty component also catches a leading separator (absolute, UNC and
    // the "\\?\" forms) and a trailing one.
    const std::wstring_view component = value.substr(start, end - start);
    if (component.empty() || IsDotsAndSpaces(component)) return false;
    if (end == value.size()) return true;
    if (kind == InstallTreePathKind::kName) return false;
    start = end + 1;
  }
}

bool HasInstallTreePaths(const LauncherConfig& config) {
  using Kind = InstallTreePathKind;
  return IsInstallTreePath(config.app_name, Kind::kName) &&
         IsInstallTreePath(config.cur_path, Kind::kName) &&
         IsInstallTreePath(config.new_path, Kind::kName) &&
         IsInstallTreePath(config.mid_path, Kind::kRelativePath) &&
         IsInstallTreePath(config.new_mid_path, Kind::kRelativePath);
}

}  // namespace corvane
