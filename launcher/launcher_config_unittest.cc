#include "launcher/launcher_config.h"

#include <string>

#include "base/command_line.h"
#include "base/json/json_reader.h"
#include "gtest/gtest.h"
#include "nlohmann/json.hpp"

namespace corvane {
namespace {

std::string Describe(const LauncherConfig& c) {
  auto narrow = [](const std::wstring& w) {
    std::string out;
    for (wchar_t ch : w) out += ch < 0x80 ? static_cast<char>(ch) : '?';
    return out;
  };
  return "{app_name=" + narrow(c.app_name) + " mid_path=" + narrow(c.mid_path) +
         " cur_path=" + narrow(c.cur_path) + " need_update=" + (c.need_update ? "1" : "0") +
         " need_bin_update=" + (c.need_bin_update ? "1" : "0") + " new_path=" + narrow(c.new_path) +
         " new_mid_path=" + narrow(c.new_mid_path) + " bin_update_file=" + c.bin_update_file + "}";
}

LauncherConfig Config(std::wstring app_name, std::wstring mid_path, std::wstring cur_path,
                      bool need_update, std::wstring new_path = L"",
                      std::wstring new_mid_path = L"", bool need_bin_update = false,
                      std::string bin_update_file = "") {
  LauncherConfig c;
  c.app_name = std::move(app_name);
  c.mid_path = std::move(mid_path);
  c.cur_path = std::move(cur_path);
  c.need_update = need_update;
  c.new_path = std::move(new_path);
  c.new_mid_path = std::move(new_mid_path);
  c.need_bin_update = need_bin_update;
  c.bin_update_file = std::move(bin_update_file);
  return c;
}

TEST(LauncherConfigSerializeTest, CompactTextInKeyOrder) {
  struct Case {
    LauncherConfig config;
    std::string expected;
  };
  const Case kCases[] = {
      {Config(L"client", L"", L"1.0", false),
       R"({"app_name":"client","cur_path":"1.0","need_update":false})"},
      {Config(L"", L"", L"", true), R"({"app_name":"","cur_path":"","need_update":true})"},
      {Config(L"client", L"versions", L"1.0", true, L"2.0", L"next"),
       R"({"app_name":"client","cur_path":"1.0","mid_path":"versions",)"
       R"("need_update":true,"new_mid_path":"next","new_path":"2.0"})"},
      // Only the non-empty optional members are written.
      {Config(L"a", L"", L"1", true, L"", L"m"),
       R"({"app_name":"a","cur_path":"1","need_update":true,"new_mid_path":"m"})"},
      // The binary-update fields are never written.
      {Config(L"a", L"", L"1", false, L"", L"", true, "bin.7z"),
       R"({"app_name":"a","cur_path":"1","need_update":false})"},
      // Wide text goes out as UTF-8, an unpaired surrogate as U+FFFD.
      {Config(L"\u00e9\u4e2d", L"", std::wstring(1, wchar_t(0xD800)), false),
       "{\"app_name\":\"\xC3\xA9\xE4\xB8\xAD\",\"cur_path\":\"\xEF\xBF\xBD\","
       "\"need_update\":false}"},
      {Config(L"C:\\x\"y", L"", L"1", false),
       R"({"app_name":"C:\\x\"y","cur_path":"1","need_update":false})"},
  };
  for (const Case& c : kCases) {
    std::string text = "garbage";
    ASSERT_TRUE(SerializeLauncherConfig(c.config, &text));
    EXPECT_EQ(c.expected, text);
    // The text is JSON that reads back to the same members.
    EXPECT_TRUE(nlohmann::json::accept(text)) << text;
  }
}

struct ApplyCase {
  const char* json;
  bool valid;
  LauncherConfig expected;
};

void RunApplyCases(const ApplyCase* cases, size_t count, const LauncherConfig& start) {
  for (size_t i = 0; i < count; ++i) {
    const ApplyCase& c = cases[i];
    SCOPED_TRACE(c.json);
    nlohmann::json root;
    int code = 0;
    std::string message;
    ASSERT_TRUE(ParseJson(c.json, JSON_PARSE_EXTENDED_TRAILING_COMMAS, &root, &code, &message))
        << message;
    LauncherConfig config = start;
    EXPECT_EQ(c.valid, ApplyLauncherConfigJson(root, L"shortname", &config));
    EXPECT_EQ(Describe(c.expected), Describe(config));
  }
}

TEST(LauncherConfigApplyTest, ContentRules) {
  const ApplyCase kCases[] = {
      {R"({"cur_path":"1.0"})", true, Config(L"shortname", L"", L"1.0", false)},
      {R"({"app_name":"","cur_path":"1.0"})", true, Config(L"shortname", L"", L"1.0", false)},
      {R"({"app_name":"client","cur_path":"1.0","mid_path":"m","new_mid_path":"nm"})", true,
       Config(L"client", L"m", L"1.0", false, L"", L"nm")},
      {R"({"cur_path":"1.0","need_update":true,"new_path":"2.0"})", true,
       Config(L"shortname", L"", L"1.0", true, L"2.0")},
      {R"({"cur_path":"1.0","need_update":false,"new_path":""})", true,
       Config(L"shortname", L"", L"1.0", false, L"")},
      {R"({"cur_path":"1.0","need_bin_update":true,"bin_update_file":"b.zip"})", true,
       Config(L"shortname", L"", L"1.0", false, L"", L"", true, "b.zip")},
      // Either binary-update member alone leaves both fields alone.
      {R"({"cur_path":"1.0","need_bin_update":true})", true,
       Config(L"shortname", L"", L"1.0", false)},
      {R"({"cur_path":"1.0","bin_update_file":"b.zip"})", true,
       Config(L"shortname", L"", L"1.0", false)},
      // Unknown members are ignored.
      {R"({"cur_path":"1.0","other":[1,{"x":null}]})", true,
       Config(L"shortname", L"", L"1.0", false)},
      // UTF-8 becomes wide text.
      {"{\"cur_path\":\"\xE4\xB8\xAD\\u00e9\"}", true,
       Config(L"shortname", L"", L"\u4e2d\u00e9", false)},
      // Missing or empty cur_path.
      {R"({})", false, Config(L"shortname", L"", L"", false)},
      {R"({"cur_path":""})", false, Config(L"shortname", L"", L"", false)},
      // need_update without a usable new_path: the earlier fields are kept.
      {R"({"cur_path":"1.0","mid_path":"m","need_update":true})", false,
       Config(L"shortname", L"m", L"1.0", true)},
      {R"({"cur_path":"1.0","need_update":true,"new_path":""})", false,
       Config(L"shortname", L"", L"1.0", true)},
      // Roots that are not objects.
      {R"([{"cur_path":"1.0"}])", false, LauncherConfig()},
      {R"("cur_path")", false, LauncherConfig()},
      {R"(null)", false, LauncherConfig()},
  };
  RunApplyCases(kCases, std::size(kCases), LauncherConfig());
}

TEST(LauncherConfigApplyTest, WrongTypesCountAsAbsent) {
  const ApplyCase kCases[] = {
      {R"({"cur_path":5})", false, Config(L"shortname", L"", L"", false)},
      {R"({"cur_path":true})", false, Config(L"shortname", L"", L"", false)},
      {R"({"cur_path":null})", false, Config(L"shortname", L"", L"", false)},
      {R"({"cur_path":["1.0"]})", false, Config(L"shortname", L"", L"", false)},
      {R"({"cur_path":{"v":"1.0"}})", false, Config(L"shortname", L"", L"", false)},
      {R"({"app_name":7,"cur_path":"1"})", true, Config(L"shortname", L"", L"1", false)},
      {R"({"cur_path":"1","mid_path":1.5})", true, Config(L"shortname", L"", L"1", false)},
      {R"({"cur_path":"1","need_update":"true","new_path":""})", true,
       Config(L"shortname", L"", L"1", false)},
      {R"({"cur_path":"1","need_update":1})", true, Config(L"shortname", L"", L"1", false)},
      {R"({"cur_path":"1","need_update":true,"new_path":2})", false,
       Config(L"shortname", L"", L"1", true)},
      {R"({"cur_path":"1","new_path":false,"new_mid_path":[]})", true,
       Config(L"shortname", L"", L"1", false)},
      {R"({"cur_path":"1","need_bin_update":"true","bin_update_file":"b"})", true,
       Config(L"shortname", L"", L"1", false)},
      {R"({"cur_path":"1","need_bin_update":true,"bin_update_file":3})", true,
       Config(L"shortname", L"", L"1", false)},
  };
  RunApplyCases(kCases, std::size(kCases), LauncherConfig());
}

TEST(LauncherConfigApplyTest, AbsentMembersKeepTheRecordsValues) {
  const LauncherConfig start =
      Config(L"old", L"old_mid", L"0.9", true, L"0.95", L"old_nm", true, "old.bin");
  const ApplyCase kCases[] = {
      // need_update stays true from the record, so new_path is required.
      {R"({"cur_path":"1.0"})", false,
       Config(L"shortname", L"old_mid", L"1.0", true, L"0.95", L"old_nm", true, "old.bin")},
      {R"({"cur_path":"1.0","need_update":false})", true,
       Config(L"shortname", L"old_mid", L"1.0", false, L"0.95", L"old_nm", true, "old.bin")},
      {R"({"cur_path":"1.0","new_path":"2.0","need_bin_update":false,"bin_update_file":""})", true,
       Config(L"shortname", L"old_mid", L"1.0", true, L"2.0", L"old_nm", false, "")},
      // cur_path fails: only app_name was stored before it.
      {R"({"app_name":"new","cur_path":"","mid_path":"m"})", false,
       Config(L"new", L"old_mid", L"0.9", true, L"0.95", L"old_nm", true, "old.bin")},
  };
  RunApplyCases(kCases, std::size(kCases), start);
}

TEST(LauncherConfigApplyTest, EmptyDefaultNameMakesTheFileInvalid) {
  nlohmann::json root = nlohmann::json::parse(R"({"cur_path":"1.0"})");
  LauncherConfig config;
  EXPECT_FALSE(ApplyLauncherConfigJson(root, L"", &config));
  EXPECT_TRUE(config.cur_path.empty());
  root["app_name"] = "named";
  EXPECT_TRUE(ApplyLauncherConfigJson(root, L"", &config));
  EXPECT_EQ(L"named", config.app_name);
}

TEST(LauncherConfigSwitchesTest, FieldsFromSwitches) {
  struct Case {
    const wchar_t* command_line;
    LauncherConfig expected;
  };
  const Case kCases[] = {
      {L"l.exe --cur_path=2.0 --need_update=TRUE", Config(L"", L"", L"2.0", false)},
      {L"l.exe --need_update=true --new_path=3.0 --new_mid_path=v",
       Config(L"", L"", L"", true, L"3.0", L"v")},
      {L"l.exe --need_update", Config(L"", L"", L"", false)},
      {L"l.exe --need_update=True", Config(L"", L"", L"", false)},
      {L"l.exe --need_update=1", Config(L"", L"", L"", false)},
      {L"l.exe --app_name=client --mid_path= --cur_path=\"a b\"",
       Config(L"client", L"", L"a b", false)},
      {L"l.exe --cur_path=\u4e2d --need_bin_update=true --bin_update_file=x",
       Config(L"", L"", L"\u4e2d", false)},
      {L"l.exe cur_path=1.0", Config(L"", L"", L"", false)},
  };
  for (const Case& c : kCases) {
    const CommandLine command_line = CommandLine::FromString(c.command_line);
    EXPECT_EQ(Describe(c.expected), Describe(LauncherConfigFromSwitches(command_line)));
  }
}

}  // namespace
}  // namespace corvane
