// Who a report comes from. The caller owns these facts; the reporter only
// writes them into the header block and sends to the server named here.

#ifndef DATA_REPORTER_REPORTER_IDENTITY_H_
#define DATA_REPORTER_REPORTER_IDENTITY_H_

#include <cstdint>
#include <string>

namespace corvane {

struct ReporterIdentity {
  // "host" or "host:port" (no port: the scheme's default, 443).
  std::string server;
  int32_t app_id = 0;
  std::string app_name;
  std::string app_version;
};

}  // namespace corvane

#endif  // DATA_REPORTER_REPORTER_IDENTITY_H_
