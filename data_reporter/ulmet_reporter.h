#ifndef DATA_REPORTER_ULMET_REPORTER_H_
#define DATA_REPORTER_ULMET_REPORTER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "data_reporter/reporter_identity.h"
#include "nlohmann/json.hpp"

// One telemetry event per Report(): a blocking HTTPS POST of a JSON document
// with the header block (who reports, from which system), the user block
// (the device identity) and one event with its parameters. No queue, no
// retry, no persistence; callers ignore the outcome.

namespace corvane {

constexpr char kReporterVersion[] = "1.0.0";

class UlmetReporter {
 public:
  // |server| is the report host, "host" or "host:port" (no port: the
  // scheme's default, 443).
  explicit UlmetReporter(std::string_view server);
  ~UlmetReporter();
  UlmetReporter(const UlmetReporter&) = delete;
  UlmetReporter& operator=(const UlmetReporter&) = delete;

  void SetHeaderInfo(std::string_view app_channel, int32_t app_id, std::string_view app_name,
                     std::string_view app_version);
  void SetCustomInfo(std::string_view guid);
  void SetUserInfo(uint64_t device_id, std::string_view user_id, std::string_view user_unique_id);

  // Sends one event; true when it was delivered and the answer accepts it.
  // Blocks for the whole exchange. |params| travels as its compact text.
  bool Report(std::string_view event, const nlohmann::json& params,
              std::optional<int32_t> app_id = std::nullopt);

  // The document Report() sends, as its exact bytes.
  std::string BuildRequestBody(std::string_view event, const nlohmann::json& params,
                               std::optional<int32_t> app_id) const;

  // Text of the last failure of Report(), "" when it succeeded.
  const std::string& last_error() const { return last_error_; }

  const std::wstring& server() const { return server_; }
  uint16_t port() const { return port_; }

 private:
  // What the transport (ulmet_reporter_win.cc) brought back.
  struct Exchange {
    bool delivered = false;  // false: a transport step failed
    std::string response;    // the answer text read
    std::string error;       // failure text; "Out of memory" also when delivered
  };
  Exchange Send(const std::string& body) const;

  nlohmann::json header_ = nlohmann::json::object();
  nlohmann::json custom_ = nlohmann::json::object();
  nlohmann::json user_ = nlohmann::json::object();
  std::wstring server_;
  uint16_t port_ = 0;
  std::string last_error_;
};

// A reporter that sends as |identity|, with the empty channel, and carries
// this device's identity in its custom and user blocks.
std::unique_ptr<UlmetReporter> CreateReporter(const ReporterIdentity& identity);

// The reporter for the product's own events (start speed, animation).
class ProductReporter {
 public:
  explicit ProductReporter(const ReporterIdentity& identity);
  ProductReporter(const ProductReporter&) = delete;
  ProductReporter& operator=(const ProductReporter&) = delete;

  bool Report(std::string_view event, const nlohmann::json& params);

  const UlmetReporter& reporter() const { return *reporter_; }

 private:
  std::unique_ptr<UlmetReporter> reporter_;
};

// Fills the custom and user blocks from the device id text: guid and
// user_unique_id are the text, device_id its hash, the user id empty.
void SetDeviceIdentity(UlmetReporter* reporter, std::string_view device_id_text);
// The device id text of this machine, "" when none can be computed.
std::string GetDeviceIdText();

// Portable pieces, exposed for tests.

// h = h * 31 + c over the bytes (signed), in 32-bit two's complement.
uint32_t DeviceIdHash(std::string_view device_id_text);
// True when the answer accepts the event: no "e": marker, nothing after it,
// or the digit 0 right after it.
bool IsReportAccepted(std::string_view response);
// "major.minor.build", then " SP<major>" and ".<minor>" when not 0.
std::string FormatOsVersion(uint32_t major, uint32_t minor, uint32_t build,
                            uint32_t service_pack_major, uint32_t service_pack_minor);
// The failure text as the reporter stores it: |format| with the error code
// as a decimal, cut to 127 bytes.
std::string FormatReportError(const char* format, int32_t error_code);
// "host" -> {"host", 0}; "host:8443" -> {"host", 8443}. A port that is not a
// number in 1..65535 stays part of the host.
void SplitServer(std::string_view server, std::string* host, uint16_t* port);
// The URL without its scheme and without any path, query or fragment.
std::string ReportHostFromUrl(std::string_view url);

// The Windows version as major.minor.build[ SPn[.m]] (ulmet_reporter_win.cc).
std::string GetOsVersionText();

// Tests only: Wine accepts every secure-protocol mask, so a system that
// rejects the TLS 1.3 flag is simulated. The hook sees each mask before it
// is set on the session; returning false fails that attempt with
// ERROR_INVALID_PARAMETER. An empty hook restores the plain behaviour.
using SecureProtocolsHook = std::function<bool(uint32_t protocols)>;
void SetSecureProtocolsHookForTesting(SecureProtocolsHook hook);

}  // namespace corvane

#endif  // DATA_REPORTER_ULMET_REPORTER_H_
