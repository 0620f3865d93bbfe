#ifndef UTILS_DEVICE_ID_H_
#define UTILS_DEVICE_ID_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/hash/md5.h"

// Device identity: the MD5 digest of a hardware fingerprint (network adapter
// MAC, first physical disk's serial number, model and firmware revision),
// given as 32 lowercase hexadecimal characters. Nothing is stored on disk;
// every process derives it again and keeps it for its lifetime.

namespace corvane {

constexpr size_t kDeviceIdLength = 32;

// The first physical disk's strings, as the system reports them (untrimmed).
struct DiskData {
  std::string serial_number;
  std::string model;
  std::string firmware_revision;
};

// Writes the device id into |buffer|: false (buffer untouched) when |buffer|
// is null, |length| is below 32 or no digest can be computed; else the first
// |length| bytes are zeroed, the 32 characters and a terminating zero written.
// |buffer| must hold at least max(33, length) bytes. Safe on any thread.
bool GetDeviceId(char* buffer, size_t length);

// False when no MAC address can be found or the digest cannot be computed.
bool ComputeDeviceDigest(MD5Digest* digest);
// The adapter's address as uppercase hex without separators, "" when none.
std::string GetMacAddress();
bool GetDiskInfo(DiskData* disk);

// Portable pieces.
std::string FormatMacText(const std::vector<uint8_t>& address);
// True for a locally administered unicast address (second digit 2, 6, A, E),
// e.g. a randomised one.
bool IsLocallyAdministeredMacText(std::string_view mac_text);
// MAC text, then " serial model firmware" when |disk| is given.
std::string BuildFingerprint(std::string_view mac_text, const DiskData* disk);

// One entry of the adapter list, in list order.
struct NetworkAdapterRecord {
  std::string name;  // the adapter's device name
  bool has_gateway = false;
  std::vector<uint8_t> address;
};

// One Win32_DiskDrive object; a member is absent when it is missing, null or
// not a string.
struct WmiDiskDriveRecord {
  std::optional<std::string> name;
  std::optional<std::string> serial_number;
  std::optional<std::string> model;
  std::optional<std::string> firmware_revision;
};

}  // namespace corvane

#endif  // UTILS_DEVICE_ID_H_
