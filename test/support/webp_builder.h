// Animated WebP pictures for tests, made with libwebp's own encoder
// (lossless, so pixels come back exactly).

#ifndef TEST_SUPPORT_WEBP_BUILDER_H_
#define TEST_SUPPORT_WEBP_BUILDER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {
namespace test {

struct WebPFrame {
  std::vector<uint32_t> argb;  // 0xAARRGGBB, row by row
  int duration_ms;
};

// The file bytes, or "" when encoding failed.
std::string BuildAnimatedWebP(int width, int height, const std::vector<WebPFrame>& frames);

// A frame of |width| x |height| in one colour (alpha 255), whose right half
// has alpha 128 and whose top-left pixel is fully transparent.
WebPFrame TestPatternFrame(int width, int height, uint32_t rgb, int duration_ms);

// |picture| with the canvas size of its VP8X header replaced, the frames
// left as they are: still a valid file. "" when it has no such header.
std::string WithCanvasSize(std::string picture, uint32_t width, uint32_t height);

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_WEBP_BUILDER_H_
