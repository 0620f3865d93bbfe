#include "data_reporter/ulmet_reporter.h"

#include <string>

#include "gtest/gtest.h"
#include "test/support/fake_hardware_queries.h"
#include "utils/device_id.h"
#include "utils/device_id_hardware.h"

namespace corvane {
namespace {

constexpr char kDeviceId[] = "0123456789abcdef0123456789abcdef";
constexpr uint32_t kDeviceIdHashValue = 2511650128u;  // hash of kDeviceId

// The header block as SetHeaderInfo writes it, for the expected bodies.
std::string HeaderText(const std::string& app_id, const std::string& app_name,
                       const std::string& app_version, const std::string& guid) {
  return "\"header\":{\"app_channel\":\"\",\"app_id\":" + app_id + ",\"app_name\":\"" + app_name +
         "\",\"app_version\":\"" + app_version + "\",\"custom\":{\"guid\":\"" + guid +
         "\",\"reporter_version\":\"1.0.0\"},\"os_name\":\"windows\",\"os_version\":\"" +
         GetOsVersionText() + "\"}";
}

std::string UserText(const std::string& device_id, const std::string& user_id, bool login,
                     const std::string& unique_id) {
  return "\"user\":{\"device_id\":" + device_id + ",\"user_id\":\"" + user_id +
         "\",\"user_is_login\":" + (login ? "true" : "false") + ",\"user_unique_id\":\"" +
         unique_id + "\"}";
}

void ConfigureLaunchLike(UlmetReporter* reporter) {
  reporter->SetHeaderInfo("", 430651, "corvane_project_launcher", "1.0.0");
  reporter->SetCustomInfo(kDeviceId);
  reporter->SetUserInfo(kDeviceIdHashValue, "", kDeviceId);
}

TEST(UlmetReporterBodyTest, ExactLayoutInKeyOrder) {
  UlmetReporter reporter("report.example.invalid");
  // Filled in non-alphabetical order; the output is sorted anyway.
  reporter.SetUserInfo(kDeviceIdHashValue, "", kDeviceId);
  reporter.SetCustomInfo(kDeviceId);
  reporter.SetHeaderInfo("", 430651, "corvane_project_launcher", "1.0.0");
  nlohmann::json params = nlohmann::json::object();
  params["zeta"] = 1;
  params["alpha"] = "x";
  params["list"] = "[1,2]";
  const std::string expected =
      "{\"events\":[{\"event\":\"launcher_launch_complete\",\"params\":"
      "\"{\\\"alpha\\\":\\\"x\\\",\\\"list\\\":\\\"[1,2]\\\",\\\"zeta\\\":1}\"}]," +
      HeaderText("430651", "corvane_project_launcher", "1.0.0", kDeviceId) + "," +
      UserText("2511650128", "", false, kDeviceId) + "}";
  EXPECT_EQ(expected, reporter.BuildRequestBody("launcher_launch_complete", params, std::nullopt));
}

TEST(UlmetReporterBodyTest, ParamsTravelAsEscapedString) {
  UlmetReporter reporter("h");
  ConfigureLaunchLike(&reporter);
  const struct {
    nlohmann::json params;
    const char* params_text;  // as it appears in the body
  } kCases[] = {
      {{{"k", "v"}}, "\"{\\\"k\\\":\\\"v\\\"}\""},
      {nlohmann::json::object(), "\"{}\""},
      {{{"path", "C:\\x\\y"}}, "\"{\\\"path\\\":\\\"C:\\\\\\\\x\\\\\\\\y\\\"}\""},
      {{{"n", -5}, {"b", 1}}, "\"{\\\"b\\\":1,\\\"n\\\":-5}\""},
  };
  for (const auto& c : kCases) {
    const std::string body = reporter.BuildRequestBody("ev", c.params, std::nullopt);
    const std::string prefix = "{\"events\":[{\"event\":\"ev\",\"params\":";
    ASSERT_EQ(prefix, body.substr(0, prefix.size()));
    EXPECT_EQ(std::string(c.params_text) + "}],",
              body.substr(prefix.size(), std::string(c.params_text).size() + 3))
        << body;
    // The receiver gets the compact text back by parsing the string.
    const auto document = nlohmann::json::parse(body);
    EXPECT_EQ(c.params.dump(), document["events"][0]["params"].get<std::string>());
  }
}

TEST(UlmetReporterBodyTest, NonAsciiIsRawUtf8AndBadBytesAreReplaced) {
  UlmetReporter reporter("h");
  ConfigureLaunchLike(&reporter);
  nlohmann::json params = {{"name", "\xE4\xB8\xAD\xE6\x96\x87"},
                           {"bad",
                            "a\xFF"
                            "b"}};
  const std::string body = reporter.BuildRequestBody("ev", params, std::nullopt);
  EXPECT_NE(std::string::npos, body.find("\"params\":\"{\\\"bad\\\":\\\"a\xEF\xBF\xBD"
                                         "b\\\",\\\"name\\\":\\\""
                                         "\xE4\xB8\xAD\xE6\x96\x87\\\"}\""))
      << body;
  EXPECT_EQ(std::string::npos, body.find("\\u"));
}

TEST(UlmetReporterBodyTest, AppIdOverrideKeepsCustomInsideHeader) {
  UlmetReporter reporter("h");
  ConfigureLaunchLike(&reporter);
  const std::string body =
      reporter.BuildRequestBody("shell_launcher_launch_complete", {{"a", 1}}, 6383);
  const std::string expected =
      "{\"events\":[{\"event\":\"shell_launcher_launch_complete\",\"params\":"
      "\"{\\\"a\\\":1}\"}]," +
      HeaderText("6383", "corvane_project_launcher", "1.0.0", kDeviceId) + "," +
      UserText("2511650128", "", false, kDeviceId) + "}";
  EXPECT_EQ(expected, body);
  // The override is per call; the stored header is unchanged.
  EXPECT_NE(std::string::npos,
            reporter.BuildRequestBody("e", {}, std::nullopt).find("\"app_id\":430651"));
}

TEST(UlmetReporterBodyTest, UserBlock) {
  UlmetReporter reporter("h");
  reporter.SetHeaderInfo("beta", -7, "n", "v");
  reporter.SetCustomInfo("");
  reporter.SetUserInfo(0, "", "");
  std::string body = reporter.BuildRequestBody("e", nlohmann::json::object(), std::nullopt);
  EXPECT_NE(std::string::npos, body.find("\"app_channel\":\"beta\",\"app_id\":-7,")) << body;
  EXPECT_NE(std::string::npos, body.find(UserText("0", "", false, ""))) << body;
  EXPECT_NE(std::string::npos, body.find("\"custom\":{\"guid\":\"\",")) << body;

  reporter.SetUserInfo(18446744073709551615ull, "user-1", "u");
  body = reporter.BuildRequestBody("e", nlohmann::json::object(), std::nullopt);
  EXPECT_NE(std::string::npos, body.find(UserText("18446744073709551615", "user-1", true, "u")))
      << body;
}

TEST(UlmetReporterJudgementTest, ErrorMember) {
  const struct {
    const char* response;
    bool accepted;
  } kCases[] = {
      {"{\"e\":0,\"m\":\"ok\"}", true},
      {"{\"e\":1,\"m\":\"bad\"}", false},
      {"{\"result\":\"ok\"}", true},
      {"", true},
      {"{\"e\":", true},  // nothing after the marker
      {"{\"e\":}", false},
      {"{\"e\": 0}", false},  // only the very next character counts
      {"{\"e\":00}", true},
      {"{\"e\":-0}", false},
      {"{\"e\":\"0\"}", false},
      {"{\"x\":5,\"e\":0}", true},
      {"{\"e\":0,\"e\":1}", true},  // the first marker decides
      {"{\"e\":2,\"e\":0}", false},
      {"{\"data\":{\"e\":3}}", false},
      {"{\"ee\":1,\"e2\":1}", true},
      {"{\"E\":1}", true},
      {"<html>502 Bad Gateway</html>", true},  // the status is never looked at
  };
  for (const auto& c : kCases) EXPECT_EQ(c.accepted, IsReportAccepted(c.response)) << c.response;
}

TEST(UlmetReporterHelpersTest, DeviceIdHash) {
  EXPECT_EQ(96354u, DeviceIdHash("abc"));
  EXPECT_EQ(0u, DeviceIdHash(""));
  EXPECT_EQ(kDeviceIdHashValue, DeviceIdHash(kDeviceId));
  EXPECT_EQ(4294967295u, DeviceIdHash("\xFF"));  // signed byte -1
  EXPECT_EQ(2860504u, DeviceIdHash("a\xE4\xB8\xAD"));
}

TEST(UlmetReporterHelpersTest, OsVersionText) {
  const struct {
    uint32_t major, minor, build, sp_major, sp_minor;
    const char* text;
  } kCases[] = {
      {10, 0, 19045, 0, 0, "10.0.19045"},
      {6, 1, 7601, 1, 0, "6.1.7601 SP1"},
      {5, 1, 2600, 3, 0, "5.1.2600 SP3"},
      {6, 0, 6002, 2, 1, "6.0.6002 SP2.1"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.text, FormatOsVersion(c.major, c.minor, c.build, c.sp_major, c.sp_minor));
  }
  // Whatever this system is, the text has the three decimal parts.
  const std::string system = GetOsVersionText();
  int dots = 0;
  for (char ch : system) {
    if (ch == ' ') break;
    if (ch == '.')
      ++dots;
    else
      EXPECT_TRUE(ch >= '0' && ch <= '9') << system;
  }
  EXPECT_EQ(2, dots) << system;
}

TEST(UlmetReporterHelpersTest, ErrorTextsUse128ByteBuffer) {
  EXPECT_EQ("WinHttpOpen error: 12029 ", FormatReportError("WinHttpOpen error: %d ", 12029));
  EXPECT_EQ("WinHttpSendRequest error: -1", FormatReportError("WinHttpSendRequest error: %d", -1));
  const std::string long_format = std::string(130, 'x') + "%d";
  EXPECT_EQ(std::string(127, 'x'), FormatReportError(long_format.c_str(), 5));
}

TEST(UlmetReporterHelpersTest, ServerAndUrl) {
  const struct {
    const char* server;
    const char* host;
    uint16_t port;
  } kServers[] = {
      {"report.example.com", "report.example.com", 0},
      {"127.0.0.1:18443", "127.0.0.1", 18443},
      {"host:65535", "host", 65535},
      {"host:65536", "host:65536", 0},
      {"host:0", "host:0", 0},
      {"host:", "host:", 0},
      {"host:44x", "host:44x", 0},
      {"host:1234567", "host:1234567", 0},
      {"", "", 0},
  };
  for (const auto& c : kServers) {
    std::string host;
    uint16_t port = 1;
    SplitServer(c.server, &host, &port);
    EXPECT_EQ(c.host, host) << c.server;
    EXPECT_EQ(c.port, port) << c.server;
  }
  const struct {
    const char* url;
    const char* host;
  } kUrls[] = {
      {"https://stats.example.com/v1/json", "stats.example.com"},
      {"https://stats.example.com", "stats.example.com"},
      {"http://127.0.0.1:18443/path?q=1", "127.0.0.1:18443"},
      {"stats.example.com/x", "stats.example.com"},
      {"https://h.example?x=1", "h.example"},
      {"", ""},
  };
  for (const auto& c : kUrls) EXPECT_EQ(c.host, ReportHostFromUrl(c.url)) << c.url;

  UlmetReporter reporter("127.0.0.1:18443");
  EXPECT_EQ(L"127.0.0.1", reporter.server());
  EXPECT_EQ(18443, reporter.port());
  // 8-bit host text is widened byte by byte.
  UlmetReporter latin("h\xE9");
  EXPECT_EQ(std::wstring(L"h\u00e9"), latin.server());
}

// The set-ups read the device id; Wine cannot present chosen hardware, so
// it is injected.
class ReporterSetUpTest : public testing::Test {
 protected:
  void SetUp() override {
    test::FakeHardwareQueries::Adapter adapter;
    adapter.record.name = "{A}";
    adapter.record.has_gateway = true;
    adapter.record.address = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    hardware_.adapters = {adapter};
    SetHardwareQueriesForTesting(&hardware_);
  }
  void TearDown() override { SetHardwareQueriesForTesting(nullptr); }

  test::FakeHardwareQueries hardware_;
};

// MD5 of the injected MAC text and its hash.
constexpr char kInjectedId[] = "7598b725a578ee13656d280b6520f326";
constexpr char kInjectedHash[] = "2456345055";

TEST_F(ReporterSetUpTest, ReporterSendsAsTheCallersIdentity) {
  const struct {
    ReporterIdentity identity;
    const wchar_t* server;
    uint16_t port;
    const char* app_id;
  } kCases[] = {
      {{"domestic.example", 430651, "corvane_project_launcher", "1.0.0"},
       L"domestic.example",
       0,
       "430651"},
      {{"overseas.example:8443", 423531, "corvane_project_launcher", "1.0.0"},
       L"overseas.example",
       8443,
       "423531"},
  };
  for (const auto& c : kCases) {
    auto reporter = CreateReporter(c.identity);
    EXPECT_EQ(c.server, reporter->server());
    EXPECT_EQ(c.port, reporter->port());
    const std::string expected =
        "{\"events\":[{\"event\":\"launcher_launch_complete\",\"params\":\"{}\"}]," +
        HeaderText(c.app_id, "corvane_project_launcher", "1.0.0", kInjectedId) + "," +
        UserText(kInjectedHash, "", false, kInjectedId) + "}";
    EXPECT_EQ(expected, reporter->BuildRequestBody("launcher_launch_complete",
                                                   nlohmann::json::object(), std::nullopt));
  }
}

TEST_F(ReporterSetUpTest, ProductReporter) {
  ProductReporter reporter(
      {ReportHostFromUrl("https://stats.example.com/collect/v2"), 1234, "corvane_pc", "5.6.7.8"});
  EXPECT_EQ(L"stats.example.com", reporter.reporter().server());
  EXPECT_EQ(0, reporter.reporter().port());
  const std::string expected =
      "{\"events\":[{\"event\":\"pc_launcher_start_speed\",\"params\":\"{\\\"t\\\":1}\"}]," +
      HeaderText("1234", "corvane_pc", "5.6.7.8", kInjectedId) + "," +
      UserText(kInjectedHash, "", false, kInjectedId) + "}";
  EXPECT_EQ(expected, reporter.reporter().BuildRequestBody("pc_launcher_start_speed", {{"t", 1}},
                                                           std::nullopt));
}

TEST_F(ReporterSetUpTest, WithoutDeviceIdTheFieldsAreEmpty) {
  hardware_.adapters.clear();
  hardware_.netbios_enum_ok = false;
  SetHardwareQueriesForTesting(&hardware_);
  EXPECT_EQ("", GetDeviceIdText());
  auto reporter = CreateReporter({"d", 1, "n", "v"});
  const std::string body = reporter->BuildRequestBody("e", nlohmann::json::object(), std::nullopt);
  EXPECT_NE(std::string::npos, body.find("\"custom\":{\"guid\":\"\",")) << body;
  EXPECT_NE(std::string::npos, body.find(UserText("0", "", false, ""))) << body;
}

}  // namespace
}  // namespace corvane
