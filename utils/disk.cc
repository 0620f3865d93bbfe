#include "utils/disk.h"

namespace corvane {

std::wstring VolumeDevicePath(std::wstring_view volume) {
  while (!volume.empty() && volume.back() == L'\\') volume.remove_suffix(1);
  if (volume.empty()) return std::wstring();
  std::wstring path(volume);
  if (path.back() != L':') path.push_back(L':');
  const std::wstring_view prefix = L"\\\\.\\";
  if (path.compare(0, prefix.size(), prefix) != 0) path.insert(0, prefix);
  return path;
}

}  // namespace corvane
