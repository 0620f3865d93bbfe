#include "utils/device_id.h"

#include <cstring>
#include <mutex>

#include "base/strings/string_util.h"
#include "utils/device_id_hardware.h"

namespace corvane {

namespace {

constexpr int kMaxPhysicalDrives = 16;
constexpr char kFirstDriveWmiName[] = "\\\\.\\physicaldrive0";

struct DigestCache {
  std::mutex lock;
  bool valid = false;
  MD5Digest digest{};
};

DigestCache& Cache() {
  static DigestCache cache;
  return cache;
}

// Tests swap the queries while no other thread computes.
HardwareQueries*& InjectedQueries() {
  static HardwareQueries* queries = nullptr;
  return queries;
}

HardwareQueries& Hardware() {
  if (InjectedQueries()) return *InjectedQueries();
  return SystemHardwareQueries();
}

std::string GatewayAdapterMacText(HardwareQueries& hardware) {
  std::vector<NetworkAdapterRecord> adapters;
  if (!hardware.GetAdapters(&adapters)) return std::string();
  const NetworkAdapterRecord* gateway_adapter = nullptr;
  for (const auto& adapter : adapters) {
    if (adapter.has_gateway) {
      gateway_adapter = &adapter;
      break;
    }
  }
  if (!gateway_adapter) return std::string();
  std::string text = FormatMacText(gateway_adapter->address);
  if (!IsLocallyAdministeredMacText(text)) return text;
  // A randomised address changes between networks; the burnt-in one does not.
  std::vector<uint8_t> permanent;
  if (!hardware.QueryPermanentAddress(gateway_adapter->name, &permanent)) return std::string();
  return FormatMacText(permanent);
}

std::string NetbiosMacText(HardwareQueries& hardware) {
  std::vector<uint8_t> lanas;
  if (!hardware.EnumerateNetbiosAdapters(&lanas)) return std::string();
  for (size_t i = lanas.size(); i-- > 0;) {
    if (!hardware.ResetNetbiosAdapter(lanas[i])) continue;
    std::vector<uint8_t> address;
    if (hardware.QueryNetbiosAddress(lanas[i], &address)) {
      if (address.size() > 6) address.resize(6);
      return FormatMacText(address);
    }
  }
  return std::string();
}

}  // namespace

std::string FormatMacText(const std::vector<uint8_t>& address) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (uint8_t byte : address) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0xf]);
  }
  return text;
}

bool IsLocallyAdministeredMacText(std::string_view mac_text) {
  if (mac_text.size() < 2) return false;
  const char second = mac_text[1];
  return second == '2' || second == '6' || second == 'A' || second == 'E';
}

std::string BuildFingerprint(std::string_view mac_text, const DiskData* disk) {
  std::string text(mac_text);
  if (disk) {
    text += ' ';
    text += disk->serial_number;
    text += ' ';
    text += disk->model;
    text += ' ';
    text += disk->firmware_revision;
  }
  return text;
}

std::string GetMacAddress() {
  HardwareQueries& hardware = Hardware();
  std::string text = GatewayAdapterMacText(hardware);
  if (text.empty()) text = NetbiosMacText(hardware);
  return text;
}

bool GetDiskInfo(DiskData* disk) {
  HardwareQueries& hardware = Hardware();
  for (int number = 0; number < kMaxPhysicalDrives; ++number) {
    DiskData found;
    if (hardware.QueryPhysicalDrive(number, &found)) {
      *disk = found;
      return true;
    }
  }
  bool found = false;
  hardware.VisitWmiDiskDrives([&](const WmiDiskDriveRecord& drive) {
    if (!drive.name) return false;
    if (!EqualsCaseInsensitiveASCII(*drive.name, kFirstDriveWmiName)) return true;
    disk->serial_number = drive.serial_number.value_or(std::string());
    disk->model = drive.model.value_or(std::string());
    disk->firmware_revision = drive.firmware_revision.value_or(std::string());
    found = true;
    return false;
  });
  return found;
}

bool ComputeDeviceDigest(MD5Digest* digest) {
  const std::string mac = GetMacAddress();
  if (mac.empty()) return false;
  DiskData disk;
  const bool have_disk = GetDiskInfo(&disk);
  return MD5Sum(BuildFingerprint(mac, have_disk ? &disk : nullptr), digest);
}

bool GetDeviceId(char* buffer, size_t length) {
  if (!buffer || length < kDeviceIdLength) return false;
  DigestCache& cache = Cache();
  MD5Digest digest;
  bool cached;
  {
    std::lock_guard<std::mutex> hold(cache.lock);
    cached = cache.valid;
    if (cached) digest = cache.digest;
  }
  if (!cached) {
    // The queries are slow; two first callers may both run them and store
    // the same value.
    if (!ComputeDeviceDigest(&digest)) return false;
    std::lock_guard<std::mutex> hold(cache.lock);
    cache.digest = digest;
    cache.valid = true;
  }
  std::memset(buffer, 0, length);
  const std::string hex = MD5DigestToHex(digest);
  std::memcpy(buffer, hex.data(), hex.size());
  buffer[kDeviceIdLength] = '\0';
  return true;
}

void SetHardwareQueriesForTesting(HardwareQueries* queries) {
  InjectedQueries() = queries;
  DigestCache& cache = Cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  cache.valid = false;
}

}  // namespace corvane
