#include <windows.h>
#include <winioctl.h>

#include "base/win/scoped_handle.h"
#include "utils/disk.h"

namespace corvane {

bool IsDiskSsd(std::wstring_view volume) {
  const std::wstring device = VolumeDevicePath(volume);
  if (device.empty()) return false;
  win::ScopedHandle handle(
      CreateFileW(device.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!handle.IsValid()) return false;
  STORAGE_PROPERTY_QUERY query = {};
  query.PropertyId = StorageDeviceSeekPenaltyProperty;
  query.QueryType = PropertyStandardQuery;
  DEVICE_SEEK_PENALTY_DESCRIPTOR descriptor = {};
  DWORD returned = 0;
  if (!DeviceIoControl(handle.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, 12, &descriptor,
                       sizeof(descriptor), &returned, nullptr)) {
    return false;
  }
  return returned >= 12 && !descriptor.IncursSeekPenalty;
}

}  // namespace corvane
