#ifndef UTILS_DISK_H_
#define UTILS_DISK_H_

#include <string>
#include <string_view>

namespace corvane {

// The device name for a volume: "C:\" and "C:" both give "\\.\C:"; "" for
// an empty text.
std::wstring VolumeDevicePath(std::wstring_view volume);

// True when the volume's disk incurs no seek penalty (a solid-state disk);
// false for every failure.
bool IsDiskSsd(std::wstring_view volume);

}  // namespace corvane

#endif  // UTILS_DISK_H_
