#include "launcher/animation/animation_config.h"

#include <vector>

#include "gtest/gtest.h"
#include "nlohmann/json.hpp"

namespace corvane {
namespace {

TEST(AnimationConfigTest, MembersApplyInOrderWithTheirTypes) {
  const struct {
    const char* json;
    bool usable;
    bool loop;
    int32_t loop_index;
    bool topmost;
    double image_scale;
  } kCases[] = {
      {R"({"window_width":1,"window_height":2})", true, true, 1, true, 0.0},
      // Without window_height: fails, loop and loop_index stay applied.
      {R"({"loop":false,"loop_index":3,"window_width":1})", false, false, 3, true, 0.0},
      {R"({"window_width":1,"window_height":2,"topmost":1,"image_scale":1})", true, true, 1, true,
       1.0},
      {R"({"window_width":1,"window_height":2,"topmost":false,"image_scale":0.25})", true, true, 1,
       false, 0.25},
      {R"({"window_width":1.5,"window_height":2})", false, true, 1, true, 0.0},
      {R"({"loop_index":4294967296,"window_width":1,"window_height":2})", true, true, 1, true, 0.0},
      {R"([1])", false, true, 1, true, 0.0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.json);
    AnimationConfig config;
    EXPECT_EQ(c.usable, ApplyAnimationConfigJson(nlohmann::json::parse(c.json), &config));
    EXPECT_EQ(c.loop, config.loop);
    EXPECT_EQ(c.loop_index, config.loop_index);
    EXPECT_EQ(c.topmost, config.topmost);
    EXPECT_EQ(c.image_scale, config.image_scale);
  }
}

TEST(AnimationConfigTest, FrameScheduleAndWindowSize) {
  const struct {
    int32_t loop_index;
    std::vector<uint32_t> frames;
  } kSchedules[] = {
      {2, {0, 1, 2, 1, 2, 1, 2}},
      {1, {0, 1, 2, 0, 1, 2, 0}},
      {0, {0, 1, 2, 0, 1, 2, 0}},
      {3, {0, 1, 2, 2, 2, 2, 2}},
      // Beyond the last frame: the first.
      {9, {0, 1, 2, 0, 1, 2, 0}},
  };
  for (const auto& c : kSchedules) {
    SCOPED_TRACE(c.loop_index);
    std::vector<uint32_t> played;
    uint32_t current = 0;
    for (size_t i = 0; i < c.frames.size(); ++i) {
      current = WrapFrameIndex(current, 3, c.loop_index);
      played.push_back(current++);
    }
    EXPECT_EQ(c.frames, played);
  }

  const struct {
    double scale;
    int32_t width, height;
  } kSizes[] = {{0.5, 1080, 540}, {1.5, 400, 200}, {0.0, 400, 200}, {1.0, 2160, 1080}};
  for (const auto& c : kSizes) {
    const AnimationSize size = AnimationWindowSize(400, 200, c.scale, 1080);
    EXPECT_EQ(c.width, size.width) << c.scale;
    EXPECT_EQ(c.height, size.height) << c.scale;
  }
  // No screen has a negative height; the fuzzer's did (an undefined cast).
  EXPECT_EQ(0, AnimationWindowSize(400, 200, 0.5, -1080).height);

  int32_t x = 0, y = 0;
  CenterAnimationWindow({0, 0, 1280, 1024}, {400, 200}, 1280, 1024, &x, &y);
  EXPECT_EQ(440, x);
  EXPECT_EQ(412, y);
  CenterAnimationWindow({0, 0, 1280, 1024}, {2160, 1080}, 1280, 1024, &x, &y);
  EXPECT_EQ(0, x);
  EXPECT_EQ(0, y);
  // A size from a scaled-up huge canvas wraps negative: no overflow, and
  // the window stays within the screen (found by the fuzzer).
  CenterAnimationWindow({0, 0, 1280, 1024}, {-2000000000, 1080}, 1280, 1024, &x, &y);
  EXPECT_EQ(1280, x);
  CenterAnimationWindow({1000000000, 0, 2000000000, 1024}, {400, 200}, 2000000000, 1024, &x, &y);
  EXPECT_EQ(1499999800, x);
}

}  // namespace
}  // namespace corvane
