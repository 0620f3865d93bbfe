// Registers the elevation service double (test/elevation_service_double) in
// the prefix for as long as the object lives: its proxy/stub DLL through
// DllRegisterServer and the server program under LocalServer32 of the class
// id that the launcher's built-in description names. One registration in
// the prefix at a time.

#ifndef TEST_SUPPORT_ELEVATION_SERVICE_DOUBLE_H_
#define TEST_SUPPORT_ELEVATION_SERVICE_DOUBLE_H_

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/files/file_path.h"

namespace corvane {
namespace test {

class ScopedElevationServiceDouble {
 public:
  ScopedElevationServiceDouble();
  ~ScopedElevationServiceDouble();
  ScopedElevationServiceDouble(const ScopedElevationServiceDouble&) = delete;
  ScopedElevationServiceDouble& operator=(const ScopedElevationServiceDouble&) = delete;

  bool registered() const { return registered_; }
  // Makes RunElevatedCommandLine answer |hr| (0 restores normal starts).
  void SetFailure(long hr);
  // One object per RunElevatedCommandLine call: cmdline, caller_pid, hr.
  std::vector<nlohmann::json> Records() const;

 private:
  // Held while registered: test programs running side by side take turns.
  void* turn_ = nullptr;
  FilePath server_;
  void* proxy_ = nullptr;
  bool registered_ = false;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_ELEVATION_SERVICE_DOUBLE_H_
