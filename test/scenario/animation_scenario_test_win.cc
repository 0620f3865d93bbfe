// The real launcher shows the start-up animation while the client starts: the
// test child plays the client and signals the named event when "ready".

#include <map>

#include "launcher/animation/animation.h"
#include "test/scenario/launcher_scenario_fixture.h"
#include "test/support/webp_builder.h"

namespace corvane {
namespace scenario {
namespace {

class AnimationScenarioTest : public LauncherScenarioTest {
 protected:
  void WritePicture(const std::string& picture, const std::string& config) {
    const FilePath folder = CurDir().Append(L"startup_animation");
    ASSERT_TRUE(CreateDirectory(folder));
    ASSERT_TRUE(WriteFile(folder.Append(L"animation.webp"), picture));
    if (!config.empty()) {
      ASSERT_TRUE(WriteFile(folder.Append(L"config.json"), config));
    }
  }

  // 64 x 32, two frames of 100 ms.
  static std::string TwoFramePicture() {
    return test::BuildAnimatedWebP(64, 32,
                                   {test::TestPatternFrame(64, 32, 0x6496C8, 100),
                                    test::TestPatternFrame(64, 32, 0xC86496, 100)});
  }

  // The params of every animation report after |mark|, with the header.
  std::vector<nlohmann::json> AnimationReports(int64_t mark) const {
    std::vector<nlohmann::json> reports;
    for (const nlohmann::json& record :
         ReadCollectorRequests(collector_dir_, kAnimationResultEvent)) {
      if (record.value("seq", static_cast<int64_t>(-1)) <= mark) continue;
      reports.push_back(nlohmann::json::parse(record["body"].get<std::string>(), nullptr, false));
    }
    return reports;
  }
};

TEST_F(AnimationScenarioTest, ShownUntilTheClientIsReadyOrGoneThenReported) {
  const struct {
    const char* name;
    nlohmann::json control;
    DialogAction action;
    DWORD min_ms;  // how long the splash must have stayed
    const char* error_codes;
  } kCases[] = {
      {"ready after 1.5 s",
       {{"signal_event", WideToUTF8(kAnimationEventName)},
        {"signal_after_ms", 1500},
        {"delay_ms", 4000}},
       DialogAction::kFail,
       1500,
       "[]"},
      // A client that dies at once ends the topmost splash: the check and the
      // dialog follow without the watcher's 30 s.
      {"dies at once", {{"exit_code", 0xC0000135u}}, DialogAction::kPressOk, 0, "[2001]"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    WriteConfig({{"cur_path", version_}});
    WritePicture(TwoFramePicture(), R"({"window_width":64,"window_height":32,"topmost":true})");
    const FilePath client = InstallChild(CurDir(), kClientExe, c.control);
    ASSERT_TRUE(DeleteFile(client.ReplaceExtension(L".record.jsonl"), false));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\scenarioim");
    const int64_t mark = CollectorMark();

    const DWORD begin = GetTickCount();
    const ProgramRun run = RunLauncher(L"", c.action);
    const DWORD elapsed = GetTickCount() - begin;

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ(1u, test::ReadChildRecords(client).size());
    EXPECT_EQ(c.action == DialogAction::kFail ? 0u : 1u, run.dialogs.size());
    EXPECT_GE(elapsed, c.min_ms);
    EXPECT_LT(elapsed, 15000u);
    const std::vector<nlohmann::json> reports = AnimationReports(mark);
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ(R"({"error":"","success":true})", reports[0]["events"][0]["params"]);
    EXPECT_EQ("", reports[0]["header"]["app_version"]);
    EXPECT_EQ(kProductAppId, reports[0]["header"]["app_id"]);
    wchar_t show_time[32] = {};
    DWORD size = sizeof(show_time);
    ASSERT_EQ(ERROR_SUCCESS,
              RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\scenarioim", L"StartupWindowShowTime",
                           RRF_RT_REG_SZ, nullptr, show_time, &size));
    EXPECT_GT(std::stoll(show_time), 0);
    const std::vector<nlohmann::json> launches = ReportsSince(mark, version_);
    ASSERT_FALSE(launches.empty());
    EXPECT_EQ(c.error_codes, launches[0]["parsed_params"].value("error_codes", std::string()));
    if (c.action == DialogAction::kFail) ExpectLaunchReports(mark, version_, BaseParams(version_));
  }
}

TEST_F(AnimationScenarioTest, BrokenPictureOrConfigIsReportedAndTheClientStarts) {
  const struct {
    const char* name;
    std::string config;
    const char* params;
  } kCases[] = {
      {"not a picture", R"({"window_width":64,"window_height":32})",
       R"({"error":"WebPAnimDecoderNew failed","success":false})"},
      {"no config", "", R"({"error":"load config error.","success":false})"},
      {"canvas 16000 x 16000", R"({"window_width":64,"window_height":32})",
       R"({"error":"WebPAnimDecoderNew failed","success":false})"},
      {"file over the bound", R"({"window_width":64,"window_height":32})",
       R"({"error":"ReadAnimationFile failed","success":false})"},
  };
  const std::string small = TwoFramePicture();
  const std::map<std::string, std::string> kPictures = {
      {"canvas 16000 x 16000", test::WithCanvasSize(small, 16000, 16000)},
      {"file over the bound", small + std::string(kMaxAnimationFileBytes, '\0')},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    DeleteFile(CurDir(), true);
    WriteConfig({{"cur_path", version_}});
    const FilePath client = InstallChild(CurDir(), kClientExe);
    const auto picture = kPictures.find(c.name);
    WritePicture(picture == kPictures.end() ? "RIFF junk, not a picture" : picture->second,
                 c.config);
    const int64_t mark = CollectorMark();

    const ProgramRun run = RunLauncher(L"", DialogAction::kFail);

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ(1u, test::ReadChildRecords(client).size());
    const std::vector<nlohmann::json> reports = AnimationReports(mark);
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ(c.params, reports[0]["events"][0]["params"]);
    ExpectLaunchReports(mark, version_, BaseParams(version_));
  }
}

}  // namespace
}  // namespace scenario
}  // namespace corvane
