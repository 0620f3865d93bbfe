#ifndef UTILS_DEVICE_ID_HARDWARE_H_
#define UTILS_DEVICE_ID_HARDWARE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "utils/device_id.h"

namespace corvane {

// The raw hardware queries behind the fingerprint. The choice of adapter,
// fallbacks and the disk order live in device_id.cc; this is the system edge.
class HardwareQueries {
 public:
  virtual ~HardwareQueries() = default;

  // The adapter list in system order; false when it cannot be read.
  virtual bool GetAdapters(std::vector<NetworkAdapterRecord>* adapters) = 0;
  // The adapter's permanent (burnt-in) address via the NDIS statistics query.
  virtual bool QueryPermanentAddress(const std::string& adapter_name,
                                     std::vector<uint8_t>* address) = 0;
  virtual bool EnumerateNetbiosAdapters(std::vector<uint8_t>* lanas) = 0;
  virtual bool ResetNetbiosAdapter(uint8_t lana) = 0;
  // The adapter address from the adapter status (6 bytes).
  virtual bool QueryNetbiosAddress(uint8_t lana, std::vector<uint8_t>* address) = 0;
  // True when drive |number| answers the storage property query with all
  // three strings.
  virtual bool QueryPhysicalDrive(int number, DiskData* disk) = 0;
  // Visits Win32_DiskDrive objects in order until |visit| returns false or
  // the results end; nothing is visited when WMI cannot be reached.
  virtual void VisitWmiDiskDrives(const std::function<bool(const WmiDiskDriveRecord&)>& visit) = 0;
};

// The real queries (device_id_win.cc).
HardwareQueries& SystemHardwareQueries();

// Tests only, where Wine cannot present a chosen adapter list, a randomised
// address, NetBIOS adapters or disk descriptors: |queries| answers instead of
// the system (null: the system again). Forgets the cached digest either way.
// |queries| must outlive its use; no other thread may compute meanwhile.
void SetHardwareQueriesForTesting(HardwareQueries* queries);

}  // namespace corvane

#endif  // UTILS_DEVICE_ID_HARDWARE_H_
