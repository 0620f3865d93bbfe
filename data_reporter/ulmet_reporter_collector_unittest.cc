// Real WinHTTPS requests to the loopback collector (test/collector), which
// scripts/test.sh starts and names in CORVANE_COLLECTOR_* variables.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/logging.h"
#include "test/support/scoped_log_capture.h"
#include "data_reporter/ulmet_reporter.h"
#include "gtest/gtest.h"
#include "test/support/report_collector.h"

namespace corvane {
namespace {

std::string EnvVar(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A text no other test's request holds, to pick the answer and the record.
std::string UniqueToken() {
  static int counter = 0;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return "reporter-test-" +
         std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) + "-" +
         std::to_string(++counter);
}

class CollectorTest : public testing::Test {
 protected:
  void SetUp() override {
    test::ReportCollector collector;
    CORVANE_NEED_REPORT_COLLECTOR(collector);
    port_ = collector.port;
    dir_ = collector.dir.AsUTF8Unsafe();
  }

  void TearDown() override {
    for (const auto& rule : rules_) std::remove(rule.c_str());
  }

  std::string Server() const { return "127.0.0.1:" + port_; }

  // Makes the collector answer requests whose body holds |token| as |answer|.
  void AddRule(const std::string& token, nlohmann::json answer) {
    answer["match"] = token;
    const std::string path = dir_ + "\\rules\\" + token + ".json";
    std::ofstream file(path, std::ios::binary);
    file << answer.dump();
    file.close();
    ASSERT_TRUE(file) << path;
    rules_.push_back(path);
  }

  // The collector's record of the one request whose body holds |token|.
  nlohmann::json FindRecord(const std::string& token) {
    std::ifstream file(dir_ + "\\requests.jsonl", std::ios::binary);
    std::string line;
    nlohmann::json found;
    int matches = 0;
    while (std::getline(file, line)) {
      if (line.find(token) == std::string::npos) continue;
      found = nlohmann::json::parse(line, nullptr, false);
      ++matches;
    }
    EXPECT_EQ(1, matches) << token;
    return found;
  }

  // The exact bytes the collector received with that request.
  std::string ReceivedBody(const nlohmann::json& record) {
    std::string relative = record.value("body_file", "");
    for (char& c : relative) {
      if (c == '/') c = '\\';
    }
    return ReadWholeFile(dir_ + "\\" + relative);
  }

  bool Logged(const std::string& text) const {
    const std::vector<std::string> texts = log_.Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  std::string port_;
  std::string dir_;
  std::vector<std::string> rules_;
  test::ScopedLogCapture log_;
};

void Configure(UlmetReporter* reporter) {
  reporter->SetHeaderInfo("", 430651, "corvane_project_launcher", "1.0.0");
  reporter->SetCustomInfo("0123456789abcdef0123456789abcdef");
  reporter->SetUserInfo(2511650128u, "", "0123456789abcdef0123456789abcdef");
}

TEST_F(CollectorTest, AnswerModes) {
  const struct {
    const char* name;
    nlohmann::json answer;
    bool accepted;
    const char* last_error;    // exact, when |error_prefix| is null
    const char* error_prefix;  // transport failures: the text's start
  } kCases[] = {
      {"e is 0", {{"mode", "e0"}}, true, "", nullptr},
      {"e is 1", {{"mode", "e1"}}, false, "{\"e\":1,\"m\":\"rejected by collector\"}", nullptr},
      {"no e member", {{"mode", "no_e"}}, true, "", nullptr},
      {"e is 2, error status",
       {{"body", "{\"m\":\"quota\",\"e\":2}"}, {"status", 503}},
       false,
       "{\"m\":\"quota\",\"e\":2}",
       nullptr},
      {"error status but e is 0", {{"body", "{\"e\":0}"}, {"status", 500}}, true, "", nullptr},
      {"slow but in time", {{"mode", "slow"}, {"delay_ms", 1000}}, true, "", nullptr},
      // An answer later than the 5000 ms receive timeout is not tested: Wine
      // waits for the response headers without that limit.
      {"connection closed without answer",
       {{"mode", "close"}},
       false,
       nullptr,
       "WinHttpReceiveResponse error: "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    log_.Clear();
    const std::string token = UniqueToken();
    AddRule(token, c.answer);
    UlmetReporter reporter(Server());
    Configure(&reporter);
    const nlohmann::json params = {{"token", token}, {"text", "\xE4\xB8\xAD"}};
    const bool accepted = reporter.Report("launcher_launch_complete", params);
    EXPECT_EQ(c.accepted, accepted) << reporter.last_error();
    if (c.error_prefix) {
      EXPECT_EQ(0u, reporter.last_error().rfind(c.error_prefix, 0)) << reporter.last_error();
      EXPECT_TRUE(Logged("Report error, msg: " + reporter.last_error()));
    } else {
      EXPECT_EQ(c.last_error, reporter.last_error());
      // A refusal by the answer logs no transport text.
      EXPECT_EQ(!c.accepted, Logged("Report error, msg: "));
    }

    const std::string body =
        reporter.BuildRequestBody("launcher_launch_complete", params, std::nullopt);
    EXPECT_TRUE(Logged("Request data: " + body));
    const nlohmann::json record = FindRecord(token);
    ASSERT_TRUE(record.is_object());
    EXPECT_EQ(body, ReceivedBody(record));
    EXPECT_EQ("POST", record.value("method", ""));
    EXPECT_EQ("/v1/json", record.value("path", ""));
    const nlohmann::json& headers = record["headers"];
    EXPECT_EQ("application/json", headers.value("Content-Type", ""));
    EXPECT_EQ("WinHTTP/1.0", headers.value("User-Agent", ""));
    EXPECT_EQ(std::to_string(body.size()), headers.value("Content-Length", ""));
    // Only TLS 1.2 and 1.3 are offered.
    const std::string tls = record.value("tls_version", "");
    EXPECT_TRUE(tls == "TLSv1.2" || tls == "TLSv1.3") << tls;
  }
}

TEST_F(CollectorTest, TwoEventsOnOneReporterWithOverride) {
  const std::string first = UniqueToken();
  const std::string second = UniqueToken();
  AddRule(first, {{"mode", "e1"}});
  AddRule(second, {{"mode", "e0"}});
  UlmetReporter reporter(Server());
  Configure(&reporter);
  EXPECT_FALSE(reporter.Report("launcher_launch_complete", {{"token", first}}));
  EXPECT_FALSE(reporter.last_error().empty());
  // The second report starts with a clean error text.
  EXPECT_TRUE(reporter.Report("shell_launcher_launch_complete", {{"token", second}}, 6383));
  EXPECT_EQ("", reporter.last_error());

  const nlohmann::json record = FindRecord(second);
  ASSERT_TRUE(record.is_object());
  const std::string body = ReceivedBody(record);
  EXPECT_EQ(reporter.BuildRequestBody("shell_launcher_launch_complete", {{"token", second}}, 6383),
            body);
  EXPECT_NE(std::string::npos, body.find("\"app_id\":6383,")) << body;
}

// SSL 3.0, TLS 1.0 and 1.1 are never offered: a server that speaks nothing
// newer is refused during the handshake, before any request goes out.
TEST_F(CollectorTest, ServerWithOnlyTls11IsRefused) {
  const std::string legacy_port = EnvVar("CORVANE_COLLECTOR_LEGACY_TLS_PORT");
  if (legacy_port.empty())
    GTEST_SKIP() << "the collector has no TLS 1.0/1.1 listener on this system";
  const std::string token = UniqueToken();
  UlmetReporter reporter("127.0.0.1:" + legacy_port);
  Configure(&reporter);
  EXPECT_FALSE(reporter.Report("launcher_launch_complete", {{"token", token}}));
  EXPECT_EQ(0u, reporter.last_error().rfind("WinHttpSendRequest error: ", 0))
      << reporter.last_error();
  std::ifstream file(dir_ + "\\requests.jsonl", std::ios::binary);
  std::string line;
  while (std::getline(file, line)) EXPECT_EQ(std::string::npos, line.find(token));
}

// Wine accepts every protocol mask; the hook stands in for a system that
// does not know the TLS 1.3 flag.
TEST_F(CollectorTest, SecureProtocolsAndTheirFallback) {
  const struct {
    const char* name;
    std::vector<uint32_t> rejected;
    bool accepted;
    const char* last_error;
    std::vector<uint32_t> tried;
  } kCases[] = {
      {"TLS 1.2 and 1.3 accepted", {}, true, "", {0x2800}},
      {"TLS 1.3 flag rejected: TLS 1.2 alone", {0x2800}, true, "", {0x2800, 0x800}},
      {"both rejected",
       {0x2800, 0x800},
       false,
       "WinHttpSetOption for session error: 87 ",
       {0x2800, 0x800}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<uint32_t> tried;
    SetSecureProtocolsHookForTesting([&](uint32_t protocols) {
      tried.push_back(protocols);
      for (uint32_t rejected : c.rejected) {
        if (protocols == rejected) return false;
      }
      return true;
    });
    const std::string token = UniqueToken();
    UlmetReporter reporter(Server());
    Configure(&reporter);
    const bool accepted = reporter.Report("launcher_launch_complete", {{"token", token}});
    SetSecureProtocolsHookForTesting(nullptr);
    EXPECT_EQ(c.accepted, accepted);
    EXPECT_EQ(c.last_error, reporter.last_error());
    EXPECT_EQ(c.tried, tried);
    if (c.accepted) {
      const nlohmann::json record = FindRecord(token);
      ASSERT_TRUE(record.is_object());
      EXPECT_EQ(
          reporter.BuildRequestBody("launcher_launch_complete", {{"token", token}}, std::nullopt),
          ReceivedBody(record));
    } else {
      EXPECT_TRUE(Logged("Report error, msg: WinHttpSetOption for session error: 87 "));
    }
  }
}

TEST(UlmetReporterTransportTest, UnreachableServer) {
  // Nothing listens on port 1 of the loopback address.
  UlmetReporter reporter("127.0.0.1:1");
  Configure(&reporter);
  EXPECT_FALSE(reporter.Report("launcher_launch_complete", {{"a", 1}}));
  EXPECT_EQ("WinHttpSendRequest error: 12029", reporter.last_error());
}

}  // namespace
}  // namespace corvane
