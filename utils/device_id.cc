#include "utils/device_id.h"

#include <cstring>
#include <memory>
#include <mutex>

#include "base/strings/string_util.h"
#include "utils/device_id_hardware.h"

namespace corvane {

namespace {

// MD5 as RFC 1321 describes it: 64-byte blocks, four rounds of sixteen steps.
class Md5Context {
 public:
  Md5Context() = default;

  void Update(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      block_[block_used_++] = data[i];
      if (block_used_ == sizeof(block_)) {
        Transform(block_);
        block_used_ = 0;
      }
    }
    total_bytes_ += size;
  }

  DeviceDigest Finish() {
    const uint64_t bit_count = total_bytes_ * 8;
    static const uint8_t kPadding[64] = {0x80};
    const size_t pad = block_used_ < 56 ? 56 - block_used_ : 120 - block_used_;
    Update(kPadding, pad);
    uint8_t length_bytes[8];
    for (int i = 0; i < 8; ++i) length_bytes[i] = static_cast<uint8_t>(bit_count >> (8 * i));
    Update(length_bytes, sizeof(length_bytes));
    DeviceDigest digest;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) digest[i * 4 + j] = static_cast<uint8_t>(state_[i] >> (8 * j));
    }
    return digest;
  }

 private:
  static uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

  void Transform(const uint8_t* block) {
    // Per-step shift amounts and the sine-derived constants of the RFC.
    static const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                   5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                   4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                   6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    static const uint32_t kSine[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
        0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
        0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
        0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
        0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
        0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
        0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
        0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
        0xeb86d391};
    uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
      words[i] = static_cast<uint32_t>(block[i * 4]) |
                 (static_cast<uint32_t>(block[i * 4 + 1]) << 8) |
                 (static_cast<uint32_t>(block[i * 4 + 2]) << 16) |
                 (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
      uint32_t f;
      int g;
      if (i < 16) {
        f = (b & c) | (~b & d);
        g = i;
      } else if (i < 32) {
        f = (b & d) | (c & ~d);
        g = (5 * i + 1) % 16;
      } else if (i < 48) {
        f = b ^ c ^ d;
        g = (3 * i + 5) % 16;
      } else {
        f = c ^ (b | ~d);
        g = (7 * i) % 16;
      }
      const uint32_t next = b + RotateLeft(a + f + kSine[i] + words[g], kShift[i]);
      a = d;
      d = c;
      c = b;
      b = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
  }

  uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  uint8_t block_[64] = {};
  size_t block_used_ = 0;
  uint64_t total_bytes_ = 0;
};

constexpr int kMaxPhysicalDrives = 16;
constexpr char kFirstDriveWmiName[] = "\\\\.\\physicaldrive0";

// Queries answered from injected data, for tests.
class InjectedHardwareQueries : public HardwareQueries {
 public:
  explicit InjectedHardwareQueries(HardwareInfoForTesting* info) : info_(info) {}

  bool GetAdapters(std::vector<NetworkAdapterRecord>* adapters) override {
    info_->calls.push_back("adapters");
    if (!info_->adapters_ok) return false;
    for (const auto& adapter : info_->adapters) adapters->push_back(adapter.record);
    return true;
  }
  bool QueryPermanentAddress(const std::string& adapter_name,
                             std::vector<uint8_t>* address) override {
    info_->calls.push_back("permanent:" + adapter_name);
    for (const auto& adapter : info_->adapters) {
      if (adapter.record.name == adapter_name) {
        if (!adapter.permanent_query_ok) return false;
        *address = adapter.permanent_address;
        return true;
      }
    }
    return false;
  }
  bool EnumerateNetbiosAdapters(std::vector<uint8_t>* lanas) override {
    info_->calls.push_back("netbios_enum");
    if (!info_->netbios_enum_ok) return false;
    for (const auto& adapter : info_->netbios) lanas->push_back(adapter.lana);
    return true;
  }
  bool ResetNetbiosAdapter(uint8_t lana) override {
    info_->calls.push_back("netbios_reset:" + std::to_string(lana));
    const auto* adapter = FindNetbios(lana);
    return adapter && adapter->reset_ok;
  }
  bool QueryNetbiosAddress(uint8_t lana, std::vector<uint8_t>* address) override {
    info_->calls.push_back("netbios_status:" + std::to_string(lana));
    const auto* adapter = FindNetbios(lana);
    if (!adapter || !adapter->status_ok) return false;
    *address = adapter->status_address;
    return true;
  }
  bool QueryPhysicalDrive(int number, DiskData* disk) override {
    info_->calls.push_back("drive:" + std::to_string(number));
    if (number < 0 || static_cast<size_t>(number) >= info_->drives.size() ||
        !info_->drives[number]) {
      return false;
    }
    *disk = *info_->drives[number];
    return true;
  }
  void VisitWmiDiskDrives(const std::function<bool(const WmiDiskDriveRecord&)>& visit) override {
    info_->calls.push_back("wmi");
    if (!info_->wmi_ok) return;
    for (size_t i = 0; i < info_->wmi_drives.size(); ++i) {
      info_->calls.push_back("wmi_object:" + std::to_string(i));
      if (!visit(info_->wmi_drives[i])) return;
    }
  }

 private:
  const HardwareInfoForTesting::NetbiosAdapter* FindNetbios(uint8_t lana) const {
    for (const auto& adapter : info_->netbios) {
      if (adapter.lana == lana) return &adapter;
    }
    return nullptr;
  }

  HardwareInfoForTesting* info_;
};

struct DigestCache {
  std::mutex lock;
  bool valid = false;
  DeviceDigest digest{};
};

DigestCache& Cache() {
  static DigestCache cache;
  return cache;
}

// Tests swap the queries while no other thread computes.
std::unique_ptr<InjectedHardwareQueries>& InjectedQueries() {
  static std::unique_ptr<InjectedHardwareQueries> queries;
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

DeviceDigest Md5(std::string_view data) {
  Md5Context context;
  context.Update(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  return context.Finish();
}

std::string DigestToHex(const DeviceDigest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0xf]);
  }
  return text;
}

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

bool ComputeDeviceDigest(DeviceDigest* digest) {
  const std::string mac = GetMacAddress();
  if (mac.empty()) return false;
  DiskData disk;
  const bool have_disk = GetDiskInfo(&disk);
  *digest = Md5(BuildFingerprint(mac, have_disk ? &disk : nullptr));
  return true;
}

bool GetDeviceId(char* buffer, size_t length) {
  if (!buffer || length < kDeviceIdLength) return false;
  DigestCache& cache = Cache();
  DeviceDigest digest;
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
  const std::string hex = DigestToHex(digest);
  std::memcpy(buffer, hex.data(), hex.size());
  buffer[kDeviceIdLength] = '\0';
  return true;
}

void SetHardwareInfoForTesting(HardwareInfoForTesting* info) {
  InjectedQueries().reset(info ? new InjectedHardwareQueries(info) : nullptr);
  DigestCache& cache = Cache();
  std::lock_guard<std::mutex> hold(cache.lock);
  cache.valid = false;
}

}  // namespace corvane
