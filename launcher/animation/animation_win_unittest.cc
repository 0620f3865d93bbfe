// The player in this process with a real layered window (Xvfb under the test
// harness) and pictures made by libwebp's encoder.

#include "launcher/animation/animation.h"

#include <thread>

#include "base/files/file_util.h"
#include "gtest/gtest.h"
#include "test/support/scoped_log_capture.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/webp_builder.h"

namespace corvane {
namespace {

constexpr int kCanvasWidth = 40;
constexpr int kCanvasHeight = 20;
// Mid-range colours: a wrong premultiplication shows in every channel.
constexpr uint32_t kColours[] = {0x6496C8, 0xC86496, 0x96C864};

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.IsValid());
    folder_ = temp_.path().Append(L"startup_animation");
    ASSERT_TRUE(CreateDirectory(folder_));
    std::vector<test::WebPFrame> frames;
    const int durations[] = {60, 80, 100};
    for (int i = 0; i < 3; ++i)
      frames.push_back(
          test::TestPatternFrame(kCanvasWidth, kCanvasHeight, kColours[i], durations[i]));
    picture_ = test::BuildAnimatedWebP(kCanvasWidth, kCanvasHeight, frames);
    ASSERT_FALSE(picture_.empty());
    ASSERT_TRUE(WriteFile(folder_.Append(L"animation.webp"), picture_));
    ASSERT_TRUE(WriteFile(folder_.Append(L"config.json"),
                          std::string(R"({"window_width":1,"window_height":1,"loop_index":2})")));
  }

  test::ScopedTempDir temp_;
  FilePath folder_;
  std::string picture_;
};

// What the layered window gets: premultiplied BGRA, 0xAARRGGBB per pixel.
uint32_t Premultiplied(uint32_t rgb, uint32_t alpha) {
  const auto channel = [&](int shift) { return ((rgb >> shift) & 0xFF) * alpha / 255; };
  return (alpha << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

// Plays |animation| for |ms| with the user's double-click at the end.
void PlayFor(Animation& animation, DWORD ms) {
  const HWND window = animation.window();
  std::thread user([window, ms] {
    Sleep(ms);
    PostMessageW(window, WM_LBUTTONDBLCLK, 0, 0);
  });
  animation.RunMessageLoop();
  user.join();
}

bool Near(uint32_t expected, uint32_t actual) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((expected >> shift) & 0xFF);
    const int b = static_cast<int>((actual >> shift) & 0xFF);
    if (a - b > 1 || b - a > 1) return false;
  }
  return true;
}

TEST_F(AnimationTest, PlaysCentredWithPremultipliedFramesUntilDoubleClick) {
  Animation animation;
  ASSERT_TRUE(animation.Init(folder_)) << animation.error();
  ASSERT_TRUE(animation.CreateAnimationWindow()) << animation.error();
  const HWND window = animation.window();
  ASSERT_TRUE(window);

  wchar_t text[64] = {};
  GetClassNameW(window, text, 64);
  EXPECT_EQ(std::wstring(kAnimationWindowClass), text);
  GetWindowTextW(window, text, 64);
  EXPECT_EQ(std::wstring(kAnimationWindowTitle), text);
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
  const LONG_PTR ex_style = GetWindowLongPtrW(window, GWL_EXSTYLE);
  EXPECT_EQ(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
            ex_style & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_APPWINDOW));
  RECT rect = {};
  GetWindowRect(window, &rect);
  EXPECT_EQ(kCanvasWidth, rect.right - rect.left);
  EXPECT_EQ(kCanvasHeight, rect.bottom - rect.top);
  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - kCanvasWidth) / 2, rect.left);
  EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - kCanvasHeight) / 2, rect.top);

  // A double-click ends it, with the watcher still waiting.
  std::thread user([window] {
    Sleep(700);
    PostMessageW(window, WM_LBUTTONDBLCLK, 0, 0);
  });
  animation.RunMessageLoop();
  user.join();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(animation.shown());
  EXPECT_TRUE(animation.error().empty());

  // 60 + 80 + 100 ms for the first pass, then 1, 2, 1, 2 from the cache.
  const std::vector<uint32_t>& played = animation.played_frames();
  ASSERT_GE(played.size(), 5u);
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 1, 2}),
            std::vector<uint32_t>(played.begin(), played.begin() + 5));
  EXPECT_LE(played.size(), 12u);
  animation.Finish();
}

TEST_F(AnimationTest, ScaledBeyondTheCacheFramesAreDecodedAgainInTheSameOrder) {
  // Scaled by GDI+ to a tenth of the screen's height, with room for one frame
  // in the cache: the rest come from the decoder on every pass, the loop from
  // loop_index as with everything cached.
  ASSERT_TRUE(WriteFile(
      folder_.Append(L"config.json"),
      std::string(R"({"window_width":1,"window_height":1,"image_scale":0.1,"loop_index":2})")));
  const AnimationSize size =
      AnimationWindowSize(kCanvasWidth, kCanvasHeight, 0.1, GetSystemMetrics(SM_CYSCREEN));
  ASSERT_NE(kCanvasWidth, size.width);
  Animation animation;
  ASSERT_TRUE(animation.Init(folder_));
  animation.SetFrameCacheBudgetForTesting(static_cast<size_t>(size.width) * size.height * 4);
  ASSERT_TRUE(animation.CreateAnimationWindow()) << animation.error();
  EXPECT_EQ(size.width, animation.width());
  PlayFor(animation, 1200);
  const std::vector<uint32_t>& played = animation.played_frames();
  ASSERT_GE(played.size(), 7u);
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 1, 2, 1, 2}),
            std::vector<uint32_t>(played.begin(), played.begin() + 7));
  // Frames 1 and 2 again on each pass, frame 0 again on each return.
  EXPECT_GT(animation.decoded_frames(), played.size());
  std::vector<uint32_t> pixels;
  EXPECT_FALSE(animation.ReadFramePixels(1, &pixels));
  ASSERT_TRUE(animation.ReadFramePixels(0, &pixels));
  // Inside each half, away from the edge the scaling blends.
  const size_t row = static_cast<size_t>(size.height / 2) * static_cast<size_t>(size.width);
  EXPECT_TRUE(Near(Premultiplied(kColours[0], 0xFF), pixels[row + size.width / 4]));
  EXPECT_TRUE(Near(Premultiplied(kColours[0], 0x80), pixels[row + size.width * 3 / 4]));
  animation.Finish();
}

TEST_F(AnimationTest, StillZeroDurationAndBrokenPicturesCostNothing) {
  // One frame; three of duration 0; three whose second has its pixel data
  // spoilt (the demuxer accepts the file, the decoder fails on that frame).
  const test::WebPFrame still = test::TestPatternFrame(kCanvasWidth, kCanvasHeight, kColours[0], 0);
  std::vector<test::WebPFrame> zero;
  for (uint32_t colour : kColours) zero.push_back(test::TestPatternFrame(40, 20, colour, 0));
  std::string broken = picture_;
  const size_t second = broken.find("ANMF", broken.find("ANMF") + 4);
  ASSERT_NE(std::string::npos, second);
  for (size_t i = second + 37; i < second + 70 && i < broken.size(); ++i) broken[i] = 0;
  const struct {
    std::string picture;
    size_t max_played;    // in 800 ms
    int decode_failures;  // logged
  } kCases[] = {
      {test::BuildAnimatedWebP(kCanvasWidth, kCanvasHeight, {still}), 1, 0},
      {test::BuildAnimatedWebP(kCanvasWidth, kCanvasHeight, zero), 800 / kMinFrameIntervalMs + 1,
       0},
      {broken, 1, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.max_played);
    ASSERT_TRUE(WriteFile(folder_.Append(L"animation.webp"), c.picture));
    test::ScopedLogCapture log;
    Animation animation;
    ASSERT_TRUE(animation.Init(folder_));
    ASSERT_TRUE(animation.CreateAnimationWindow()) << animation.error();
    PlayFor(animation, 800);
    EXPECT_EQ(c.decode_failures, log.Count("WebPAnimDecoderGetNext failed."));
    ASSERT_GE(animation.played_frames().size(), 1u);
    EXPECT_LE(animation.played_frames().size(), c.max_played);
    animation.Finish();
  }
}

TEST_F(AnimationTest, FramePixelsAndFailures) {
  {
    Animation animation;
    ASSERT_TRUE(animation.Init(folder_));
    ASSERT_TRUE(animation.CreateAnimationWindow());
    // The named event, as the client sets it, ends the animation.
    std::thread client([] {
      Sleep(400);
      HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, kAnimationEventName);
      SetEvent(event);
      CloseHandle(event);
    });
    animation.RunMessageLoop();
    client.join();
    ASSERT_TRUE(animation.shown());
    for (uint32_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      std::vector<uint32_t> pixels;
      ASSERT_TRUE(animation.ReadFramePixels(i, &pixels));
      EXPECT_EQ(0u, pixels[0]);
      EXPECT_TRUE(Near(Premultiplied(kColours[i], 0xFF), pixels[kCanvasWidth + 5]))
          << std::hex << pixels[kCanvasWidth + 5];
      EXPECT_TRUE(Near(Premultiplied(kColours[i], 0x80), pixels[kCanvasWidth + 30]))
          << std::hex << pixels[kCanvasWidth + 30];
    }
    animation.Finish();
  }

  {
    // Ready before the window exists: the stop request waits for the window.
    HANDLE ready = CreateEventW(nullptr, TRUE, TRUE, kAnimationEventName);
    Animation animation;
    ASSERT_TRUE(animation.Init(folder_));
    Sleep(200);
    ASSERT_TRUE(animation.CreateAnimationWindow());
    const DWORD begin = GetTickCount();
    animation.RunMessageLoop();
    EXPECT_LT(GetTickCount() - begin, 5000u);
    EXPECT_FALSE(IsWindow(animation.window()));
    animation.Finish();
    ResetEvent(ready);
    CloseHandle(ready);
  }

  const struct {
    const char* name;
    std::string picture;
    std::string config;
    bool init;
    const char* error;
  } kFailures[] = {
      {"not a picture", "RIFF....WEBPnonsense", R"({"window_width":1,"window_height":1})", true,
       "WebPAnimDecoderNew failed"},
      {"config incomplete", picture_, R"({"window_width":1})", false, "load config error."},
      {"no picture", "", R"({"window_width":1,"window_height":1})", false,
       "animation path not exist."},
      // A valid file of a few hundred bytes whose header asks for gigabytes.
      {"canvas 16000 x 16000", test::WithCanvasSize(picture_, 16000, 16000),
       R"({"window_width":1,"window_height":1})", true, "WebPAnimDecoderNew failed"},
      {"file over the bound", picture_ + std::string(kMaxAnimationFileBytes, '\0'),
       R"({"window_width":1,"window_height":1})", true, "ReadAnimationFile failed"},
  };
  for (const auto& c : kFailures) {
    SCOPED_TRACE(c.name);
    DeleteFile(folder_.Append(L"animation.webp"), false);
    if (!c.picture.empty()) {
      ASSERT_TRUE(WriteFile(folder_.Append(L"animation.webp"), c.picture));
    }
    ASSERT_TRUE(WriteFile(folder_.Append(L"config.json"), c.config));
    Animation animation;
    EXPECT_EQ(c.init, animation.Init(folder_));
    if (c.init) {
      EXPECT_FALSE(animation.CreateAnimationWindow());
    }
    EXPECT_EQ(c.error, animation.error());
    EXPECT_FALSE(animation.shown());
    // The watcher is stopped without the client's event being set.
    animation.Finish();
  }
}

}  // namespace
}  // namespace corvane
