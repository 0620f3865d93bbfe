#include "data_reporter/ulmet_reporter.h"

#include <cstdio>
#include <utility>

#include "base/logging.h"
#include "utils/device_id.h"

namespace corvane {

namespace {

constexpr char kErrorMarker[] = "\"e\":";
constexpr size_t kErrorTextBufferSize = 128;

// Invalid UTF-8 from callers comes out as U+FFFD instead of failing the dump.
std::string CompactJson(const nlohmann::json& value) {
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

UlmetReporter::UlmetReporter(std::string_view server) {
  std::string host;
  SplitServer(server, &host, &port_);
  // The host is 8-bit text; each byte becomes one wide character.
  for (unsigned char c : host) server_.push_back(static_cast<wchar_t>(c));
}

UlmetReporter::~UlmetReporter() = default;

void UlmetReporter::SetHeaderInfo(std::string_view app_channel, int32_t app_id,
                                  std::string_view app_name, std::string_view app_version) {
  header_["app_channel"] = std::string(app_channel);
  header_["app_id"] = app_id;
  header_["app_name"] = std::string(app_name);
  header_["app_version"] = std::string(app_version);
  header_["os_version"] = GetOsVersionText();
  header_["os_name"] = "windows";
}

void UlmetReporter::SetCustomInfo(std::string_view guid) {
  custom_["guid"] = std::string(guid);
  custom_["reporter_version"] = kReporterVersion;
}

void UlmetReporter::SetUserInfo(uint64_t device_id, std::string_view user_id,
                                std::string_view user_unique_id) {
  user_["device_id"] = device_id;
  user_["user_id"] = std::string(user_id);
  user_["user_is_login"] = !user_id.empty();
  user_["user_unique_id"] = std::string(user_unique_id);
}

std::string UlmetReporter::BuildRequestBody(std::string_view event, const nlohmann::json& params,
                                            std::optional<int32_t> app_id) const {
  nlohmann::json header = header_;
  if (app_id) header["app_id"] = *app_id;
  header["custom"] = custom_;

  // The parameters travel as a string holding their compact text.
  nlohmann::json event_object = nlohmann::json::object();
  event_object["event"] = std::string(event);
  event_object["params"] = CompactJson(params);
  nlohmann::json events = nlohmann::json::array();
  events.push_back(std::move(event_object));

  // nlohmann::json objects are ordered maps: members come out in ascending
  // byte order of their keys, as the service expects.
  nlohmann::json document = nlohmann::json::object();
  document["events"] = std::move(events);
  document["header"] = std::move(header);
  document["user"] = user_;
  return CompactJson(document);
}

bool UlmetReporter::Report(std::string_view event, const nlohmann::json& params,
                           std::optional<int32_t> app_id) {
  last_error_.clear();
  Exchange exchange = Send(BuildRequestBody(event, params, app_id));
  bool accepted = false;
  std::string transport_error;
  if (!exchange.delivered) {
    transport_error = exchange.error;
    last_error_ = exchange.error;
  } else {
    last_error_ = exchange.error;
    accepted = IsReportAccepted(exchange.response);
    if (!accepted) last_error_ = exchange.response;
  }
  if (!accepted) LOG(INFO) << "Report error, msg: " << transport_error;
  return accepted;
}

std::unique_ptr<UlmetReporter> CreateReporter(const ReporterIdentity& identity) {
  auto reporter = std::make_unique<UlmetReporter>(identity.server);
  reporter->SetHeaderInfo("", identity.app_id, identity.app_name, identity.app_version);
  SetDeviceIdentity(reporter.get(), GetDeviceIdText());
  return reporter;
}

ProductReporter::ProductReporter(const ReporterIdentity& identity)
    : reporter_(CreateReporter(identity)) {}

bool ProductReporter::Report(std::string_view event, const nlohmann::json& params) {
  return reporter_->Report(event, params);
}

void SetDeviceIdentity(UlmetReporter* reporter, std::string_view device_id_text) {
  reporter->SetCustomInfo(device_id_text);
  reporter->SetUserInfo(static_cast<uint64_t>(DeviceIdHash(device_id_text)), "", device_id_text);
}

std::string GetDeviceIdText() {
  char buffer[kDeviceIdLength + 1] = {};
  GetDeviceId(buffer, kDeviceIdLength);
  return std::string(buffer);
}

uint32_t DeviceIdHash(std::string_view device_id_text) {
  uint32_t hash = 0;
  for (char c : device_id_text) {
    // Bytes count as signed values, as the service computes the hash.
    const int32_t value = static_cast<signed char>(c);
    hash = hash * 31u + static_cast<uint32_t>(value);
  }
  return hash;
}

bool IsReportAccepted(std::string_view response) {
  const size_t marker = response.find(kErrorMarker);
  if (marker == std::string_view::npos) return true;
  const size_t value = marker + sizeof(kErrorMarker) - 1;
  if (value >= response.size()) return true;
  return response[value] == '0';
}

std::string FormatOsVersion(uint32_t major, uint32_t minor, uint32_t build,
                            uint32_t service_pack_major, uint32_t service_pack_minor) {
  std::string text =
      std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
  if (service_pack_major != 0 || service_pack_minor != 0) {
    text += " SP" + std::to_string(service_pack_major);
    if (service_pack_minor != 0) text += "." + std::to_string(service_pack_minor);
  }
  return text;
}

std::string FormatReportError(const char* format, int32_t error_code) {
  char buffer[kErrorTextBufferSize];
  const int length = std::snprintf(buffer, sizeof(buffer), format, error_code);
  if (length < 0) return std::string();
  return std::string(buffer);
}

void SplitServer(std::string_view server, std::string* host, uint16_t* port) {
  *host = std::string(server);
  *port = 0;
  const size_t colon = server.rfind(':');
  if (colon == std::string_view::npos || colon + 1 >= server.size() || colon + 6 < server.size())
    return;
  uint32_t value = 0;
  for (size_t i = colon + 1; i < server.size(); ++i) {
    if (server[i] < '0' || server[i] > '9') return;
    value = value * 10 + static_cast<uint32_t>(server[i] - '0');
  }
  if (value == 0 || value > 65535) return;
  *host = std::string(server.substr(0, colon));
  *port = static_cast<uint16_t>(value);
}

std::string ReportHostFromUrl(std::string_view url) {
  const size_t scheme_end = url.find("://");
  if (scheme_end != std::string_view::npos) url.remove_prefix(scheme_end + 3);
  const size_t path = url.find_first_of("/?#");
  if (path != std::string_view::npos) url = url.substr(0, path);
  return std::string(url);
}

}  // namespace corvane
