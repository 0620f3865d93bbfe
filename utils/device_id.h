#ifndef UTILS_DEVICE_ID_H_
#define UTILS_DEVICE_ID_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Device identity: the MD5 digest of a hardware fingerprint (network adapter
// MAC, first physical disk's serial number, model and firmware revision),
// given as 32 lowercase hexadecimal characters. Nothing is stored on disk;
// every process derives it again and keeps it for its lifetime.

namespace corvane {

constexpr size_t kDeviceIdLength = 32;
using DeviceDigest = std::array<uint8_t, 16>;

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

// False when no MAC address can be found.
bool ComputeDeviceDigest(DeviceDigest* digest);
// The adapter's address as uppercase hex without separators, "" when none.
std::string GetMacAddress();
bool GetDiskInfo(DiskData* disk);

// Portable pieces.
DeviceDigest Md5(std::string_view data);
std::string DigestToHex(const DeviceDigest& digest);
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

// Answers the hardware queries give, injected by tests: Wine cannot present a
// chosen adapter list, a randomised address, NetBIOS adapters or disk
// descriptors. The injected queries append their names to |calls|.
struct HardwareInfoForTesting {
  struct Adapter {
    NetworkAdapterRecord record;
    bool permanent_query_ok = false;
    std::vector<uint8_t> permanent_address;
  };
  struct NetbiosAdapter {
    uint8_t lana = 0;
    bool reset_ok = true;
    bool status_ok = true;
    std::vector<uint8_t> status_address;
  };

  bool adapters_ok = true;
  std::vector<Adapter> adapters;
  bool netbios_enum_ok = true;
  std::vector<NetbiosAdapter> netbios;  // in enumeration order
  // Indexed by drive number; an absent entry gives no descriptor.
  std::vector<std::optional<DiskData>> drives;
  bool wmi_ok = true;
  std::vector<WmiDiskDriveRecord> wmi_drives;

  // "adapters", "permanent:<name>", "netbios_enum", "netbios_reset:<lana>",
  // "netbios_status:<lana>", "drive:<n>", "wmi", "wmi_object:<index>".
  std::vector<std::string> calls;
};

// Replaces the hardware queries with |info| (null: the real queries again)
// and forgets the cached digest. Tests only; |info| must outlive its use.
void SetHardwareInfoForTesting(HardwareInfoForTesting* info);

}  // namespace corvane

#endif  // UTILS_DEVICE_ID_H_
