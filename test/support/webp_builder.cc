#include "test/support/webp_builder.h"

#include "webp/encode.h"
#include "webp/mux.h"

namespace corvane {
namespace test {

std::string BuildAnimatedWebP(int width, int height, const std::vector<WebPFrame>& frames) {
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options)) return std::string();
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
  if (!encoder) return std::string();
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  // Keep transparent pixels' colours as given.
  config.exact = 1;
  std::string out;
  bool ok = true;
  int timestamp = 0;
  for (const WebPFrame& frame : frames) {
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) {
      ok = false;
      break;
    }
    picture.use_argb = 1;
    picture.width = width;
    picture.height = height;
    ok = WebPPictureAlloc(&picture) &&
         frame.argb.size() == static_cast<size_t>(width) * static_cast<size_t>(height);
    if (ok) {
      for (size_t i = 0; i < frame.argb.size(); ++i) picture.argb[i] = frame.argb[i];
      ok = WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
    }
    WebPPictureFree(&picture);
    if (!ok) break;
    timestamp += frame.duration_ms;
  }
  WebPData data;
  WebPDataInit(&data);
  if (ok && WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr) &&
      WebPAnimEncoderAssemble(encoder, &data)) {
    out.assign(reinterpret_cast<const char*>(data.bytes), data.size);
  }
  WebPDataClear(&data);
  WebPAnimEncoderDelete(encoder);
  return out;
}

WebPFrame TestPatternFrame(int width, int height, uint32_t rgb, int duration_ms) {
  WebPFrame frame;
  frame.duration_ms = duration_ms;
  frame.argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t alpha = x >= width / 2 ? 0x80u : 0xFFu;
      frame.argb[static_cast<size_t>(y * width + x)] = (alpha << 24) | (rgb & 0xFFFFFF);
    }
  }
  frame.argb[0] = 0;
  return frame;
}

std::string WithCanvasSize(std::string picture, uint32_t width, uint32_t height) {
  // "VP8X", its size, 4 bytes of flags, then width - 1 and height - 1 in
  // 24 bits each, little-endian.
  const size_t vp8x = picture.find("VP8X");
  if (vp8x == std::string::npos || vp8x + 18 > picture.size()) return std::string();
  for (int i = 0; i < 3; ++i) {
    picture[vp8x + 12 + i] = static_cast<char>(((width - 1) >> (8 * i)) & 0xFF);
    picture[vp8x + 15 + i] = static_cast<char>(((height - 1) >> (8 * i)) & 0xFF);
  }
  return picture;
}

}  // namespace test
}  // namespace corvane
