// The report: any server, event, identity and parameters give a body that
// is valid JSON carrying them (invalid UTF-8 replaced); any answer and URL
// are read without a memory error.

#include <string>

#include "base/json/json_reader.h"
#include "data_reporter/ulmet_reporter.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  fuzz::QuietLogging();
  fuzz::InputReader input(data, size);
  uint32_t app_id = input.TakeUint32();
  uint32_t device_low = input.TakeUint32();
  std::string_view server = input.TakePiece();
  std::string_view event = input.TakePiece();
  std::string_view user_id = input.TakePiece();
  std::string_view answer = input.TakePiece();
  std::string_view params_text = input.rest();

  UlmetReporter reporter(server);
  std::string host;
  uint16_t port = 0;
  SplitServer(server, &host, &port);
  FUZZ_CHECK(server.substr(0, host.size()) == host);
  FUZZ_CHECK(port == 0 || server.size() > host.size() + 1);
  reporter.SetCustomInfo(user_id);
  reporter.SetUserInfo(device_low, user_id, event);

  nlohmann::json params;
  if (!ParseJson(params_text, JSON_PARSE_EXTENDED, &params, static_cast<JsonReadError*>(nullptr)))
    params = std::string(params_text);
  std::string body = reporter.BuildRequestBody(event, params, static_cast<int32_t>(app_id));
  nlohmann::json document;
  FUZZ_CHECK(ParseJson(body, JSON_PARSE_RFC, &document, static_cast<JsonReadError*>(nullptr)));
  FUZZ_CHECK(document["header"]["app_id"] == static_cast<int32_t>(app_id));
  FUZZ_CHECK(document["user"]["device_id"] == device_low);
  nlohmann::json sent_params;
  FUZZ_CHECK(ParseJson(document["events"][0]["params"].get<std::string>(), JSON_PARSE_RFC,
                       &sent_params, static_cast<JsonReadError*>(nullptr)));

  IsReportAccepted(answer);
  ReportHostFromUrl(answer);
  return 0;
}
