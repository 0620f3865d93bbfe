// Hardware answers chosen by a test, for the device fingerprint: Wine cannot
// present a chosen adapter list, a randomised address, NetBIOS adapters or
// disk descriptors. Install with SetHardwareQueriesForTesting().

#ifndef TEST_SUPPORT_FAKE_HARDWARE_QUERIES_H_
#define TEST_SUPPORT_FAKE_HARDWARE_QUERIES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "utils/device_id.h"
#include "utils/device_id_hardware.h"

namespace corvane {
namespace test {

class FakeHardwareQueries : public HardwareQueries {
 public:
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

  bool GetAdapters(std::vector<NetworkAdapterRecord>* adapters) override;
  bool QueryPermanentAddress(const std::string& adapter_name,
                             std::vector<uint8_t>* address) override;
  bool EnumerateNetbiosAdapters(std::vector<uint8_t>* lanas) override;
  bool ResetNetbiosAdapter(uint8_t lana) override;
  bool QueryNetbiosAddress(uint8_t lana, std::vector<uint8_t>* address) override;
  bool QueryPhysicalDrive(int number, DiskData* disk) override;
  void VisitWmiDiskDrives(const std::function<bool(const WmiDiskDriveRecord&)>& visit) override;

  // The answers.
  bool adapters_ok = true;
  std::vector<Adapter> adapters;
  bool netbios_enum_ok = true;
  std::vector<NetbiosAdapter> netbios;  // in enumeration order
  // Indexed by drive number; an absent entry gives no descriptor.
  std::vector<std::optional<DiskData>> drives;
  bool wmi_ok = true;
  std::vector<WmiDiskDriveRecord> wmi_drives;

  // Every query asked, in order: "adapters", "permanent:<name>",
  // "netbios_enum", "netbios_reset:<lana>", "netbios_status:<lana>",
  // "drive:<n>", "wmi", "wmi_object:<index>".
  std::vector<std::string> calls;

 private:
  const NetbiosAdapter* FindNetbios(uint8_t lana) const;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_FAKE_HARDWARE_QUERIES_H_
