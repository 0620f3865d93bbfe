#include "test/support/report_collector.h"

#include "base/environment.h"
#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"

namespace corvane {
namespace test {

const char kReportCollectorMissing[] = "the report collector is not running";

bool FindReportCollector(ReportCollector* collector, std::string* why) {
  std::wstring port;
  std::wstring dir;
  if (!GetEnvVar("CORVANE_COLLECTOR_PORT", &port) || port.empty() ||
      !GetEnvVar("CORVANE_COLLECTOR_WINDIR", &dir) || dir.empty()) {
    *why =
        "CORVANE_COLLECTOR_PORT / CORVANE_COLLECTOR_WINDIR are not set; start it with "
        "eval \"$(test/collector/collector.sh start)\", as scripts/test.sh does";
    return false;
  }
  collector->port = WideToUTF8(port);
  collector->dir = FilePath(dir);
  if (!DirectoryExists(collector->dir)) {
    *why = "its directory " + collector->dir.AsUTF8Unsafe() + " does not exist";
    return false;
  }
  return true;
}

bool ReportCollectorRequired() {
  std::wstring value;
  return GetEnvVar("CORVANE_REQUIRE_COLLECTOR", &value) && value == L"1";
}

}  // namespace test
}  // namespace corvane
