#include "test/support/fake_hardware_queries.h"

namespace corvane {
namespace test {

bool FakeHardwareQueries::GetAdapters(std::vector<NetworkAdapterRecord>* out) {
  calls.push_back("adapters");
  if (!adapters_ok) return false;
  for (const Adapter& adapter : adapters) out->push_back(adapter.record);
  return true;
}

bool FakeHardwareQueries::QueryPermanentAddress(const std::string& adapter_name,
                                                std::vector<uint8_t>* address) {
  calls.push_back("permanent:" + adapter_name);
  for (const Adapter& adapter : adapters) {
    if (adapter.record.name != adapter_name) continue;
    if (!adapter.permanent_query_ok) return false;
    *address = adapter.permanent_address;
    return true;
  }
  return false;
}

bool FakeHardwareQueries::EnumerateNetbiosAdapters(std::vector<uint8_t>* lanas) {
  calls.push_back("netbios_enum");
  if (!netbios_enum_ok) return false;
  for (const NetbiosAdapter& adapter : netbios) lanas->push_back(adapter.lana);
  return true;
}

bool FakeHardwareQueries::ResetNetbiosAdapter(uint8_t lana) {
  calls.push_back("netbios_reset:" + std::to_string(lana));
  const NetbiosAdapter* adapter = FindNetbios(lana);
  return adapter && adapter->reset_ok;
}

bool FakeHardwareQueries::QueryNetbiosAddress(uint8_t lana, std::vector<uint8_t>* address) {
  calls.push_back("netbios_status:" + std::to_string(lana));
  const NetbiosAdapter* adapter = FindNetbios(lana);
  if (!adapter || !adapter->status_ok) return false;
  *address = adapter->status_address;
  return true;
}

bool FakeHardwareQueries::QueryPhysicalDrive(int number, DiskData* disk) {
  calls.push_back("drive:" + std::to_string(number));
  if (number < 0 || static_cast<size_t>(number) >= drives.size() || !drives[number]) return false;
  *disk = *drives[number];
  return true;
}

void FakeHardwareQueries::VisitWmiDiskDrives(
    const std::function<bool(const WmiDiskDriveRecord&)>& visit) {
  calls.push_back("wmi");
  if (!wmi_ok) return;
  for (size_t i = 0; i < wmi_drives.size(); ++i) {
    calls.push_back("wmi_object:" + std::to_string(i));
    if (!visit(wmi_drives[i])) return;
  }
}

const FakeHardwareQueries::NetbiosAdapter* FakeHardwareQueries::FindNetbios(uint8_t lana) const {
  for (const NetbiosAdapter& adapter : netbios) {
    if (adapter.lana == lana) return &adapter;
  }
  return nullptr;
}

}  // namespace test
}  // namespace corvane
