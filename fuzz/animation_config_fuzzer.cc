// The animation's configuration and geometry: any config text and any
// canvas and screen give a frame inside the frame count and a window
// position that is never negative; premultiplying never raises a channel
// above its alpha.

#include <vector>

#include "base/json/json_reader.h"
#include "fuzz/fuzz_support.h"
#include "launcher/animation/animation_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  fuzz::QuietLogging();
  fuzz::InputReader input(data, size);
  uint32_t canvas_width = input.TakeUint32();
  uint32_t canvas_height = input.TakeUint32();
  int32_t screen_width = static_cast<int32_t>(input.TakeUint32());
  int32_t screen_height = static_cast<int32_t>(input.TakeUint32());
  uint32_t frame_count = input.TakeUint32() % 4096 + 1;
  uint32_t next = input.TakeUint32();
  std::string_view pixels = input.TakePiece();

  AnimationConfig config;
  nlohmann::json root;
  if (ParseJson(input.rest(), JSON_PARSE_EXTENDED, &root, static_cast<JsonReadError*>(nullptr)))
    ApplyAnimationConfigJson(root, &config);

  FUZZ_CHECK(WrapFrameIndex(next, frame_count, config.loop_index) < frame_count);
  AnimationSize window =
      AnimationWindowSize(canvas_width, canvas_height, config.image_scale, screen_height);
  AnimationRect desktop = {0, 0, screen_width, screen_height};
  int32_t x = -1, y = -1;
  CenterAnimationWindow(desktop, window, screen_width, screen_height, &x, &y);
  FUZZ_CHECK(x >= 0 && y >= 0);

  size_t pixel_count = pixels.size() / 4;
  std::vector<uint8_t> out(pixel_count * 4);
  PremultiplyBGRA(reinterpret_cast<const uint8_t*>(pixels.data()), pixel_count, out.data());
  for (size_t i = 0; i < pixel_count; ++i) {
    for (int c = 0; c < 3; ++c) FUZZ_CHECK(out[i * 4 + c] <= out[i * 4 + 3]);
  }
  return 0;
}
