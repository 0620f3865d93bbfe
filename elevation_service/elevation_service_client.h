// Client of the product's elevation service: a COM local server running with
// administrator rights that starts command lines for a non-elevated caller.
// Its identity comes from the launcher's string table (entry 500).

#ifndef ELEVATION_SERVICE_ELEVATION_SERVICE_CLIENT_H_
#define ELEVATION_SERVICE_ELEVATION_SERVICE_CLIENT_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class CommandLine;
class Process;

// The system's GUID, kept out of this header.
struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

struct ElevationServiceInfo {
  std::wstring cls_id;
  std::wstring iid;
  std::wstring service_name;  // kept, not used
  std::wstring display_name;  // kept, not used
  Guid clsid;
  Guid interface_id;
  bool oversea = false;                 // kept, not used
  std::vector<std::string> signatures;  // kept, not used
};

// The description to parse, given the string-table entry as read: the entry
// as UTF-8, or the compiled-in default when it is empty, holds an unpaired
// surrogate, or converts to nothing. Logs which one it took.
std::string ChooseElevationServiceDescription(std::wstring_view entry);

// Reads the text members of |info| from |description| (strict JSON, no
// trailing commas), logging every key that is missing or of the wrong type.
// False, after an ERROR line, when the text is not a JSON object; |info| is
// then untouched. The GUIDs are left to the caller.
bool ParseElevationServiceInfo(std::string_view description, ElevationServiceInfo* info);

// Fills the process-wide description once (later calls return at once): the
// string-table entry of the own executable, parsed, and its GUIDs converted.
void LoadElevationServiceInfo();
const ElevationServiceInfo& GetElevationServiceInfo();
Guid ElevationServiceClsid();
Guid ElevationServiceIid();
void ResetElevationServiceInfoForTesting();

// Starts |command_line| elevated: directly when this process already is
// elevated, otherwise through the service's RunElevatedCommandLine. Returns
// an HRESULT; on success |process| owns the started process, on failure it
// stays invalid. The caller has initialised COM on this thread.
int32_t LaunchViaElevationService(const CommandLine& command_line, Process* process);

// Test seam: Wine's standard proxy answers CoSetProxyBlanket with E_NOTIMPL.
// When set, the hook gets the real call's HRESULT and returns the one the
// client goes on with. Pass nullptr to restore.
using ProxyBlanketResultHook = std::function<int32_t(int32_t result)>;
void SetProxyBlanketResultHookForTesting(ProxyBlanketResultHook hook);

}  // namespace corvane

#endif  // ELEVATION_SERVICE_ELEVATION_SERVICE_CLIENT_H_
