#include "launcher/animation/animation_config.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/json/json_file_reader.h"
#include "base/json/json_reader.h"
#include "base/json/json_value_find.h"
#include "nlohmann/json.hpp"

namespace corvane {

bool ApplyAnimationConfigJson(const nlohmann::json& root, AnimationConfig* config) {
  if (!root.is_object()) return false;
  const std::optional<int32_t> width = FindInt32Member(root, "window_width");
  const std::optional<int32_t> height = FindInt32Member(root, "window_height");
  if (const bool* loop = FindBoolMember(root, "loop")) config->loop = *loop;
  if (auto loop_index = FindInt32Member(root, "loop_index")) config->loop_index = *loop_index;
  if (width) config->window_width = *width;
  if (!width || !height) return false;
  config->window_height = *height;
  if (const bool* topmost = FindBoolMember(root, "topmost")) config->topmost = *topmost;
  if (auto scale = FindNumberMember(root, "image_scale")) config->image_scale = *scale;
  return true;
}

bool LoadAnimationConfig(const FilePath& folder, AnimationConfig* config) {
  const FilePath path = folder.Append(kAnimationConfigName);
  if (!PathExists(path)) return false;
  nlohmann::json root;
  if (!ReadJsonFile(path, JSON_PARSE_EXTENDED, &root, nullptr, nullptr)) return false;
  return ApplyAnimationConfigJson(root, config);
}

uint32_t WrapFrameIndex(uint32_t next, uint32_t frame_count, int32_t loop_index) {
  if (next < frame_count) return next;
  if (loop_index >= 2 && static_cast<uint32_t>(loop_index - 1) < frame_count)
    return static_cast<uint32_t>(loop_index - 1);
  return 0;
}

bool IsAnimationCanvasAllowed(uint32_t width, uint32_t height) {
  return width > 0 && height > 0 && width <= kMaxAnimationCanvasSide &&
         height <= kMaxAnimationCanvasSide &&
         static_cast<uint64_t>(width) * height <= kMaxAnimationCanvasPixels;
}

AnimationSize AnimationWindowSize(uint32_t canvas_width, uint32_t canvas_height, double image_scale,
                                  int32_t screen_height) {
  if (image_scale > 0.0 && image_scale <= 1.0 && canvas_height > 0) {
    // A negative product has no unsigned value; no screen gives one.
    const double scaled = screen_height * image_scale;
    const uint32_t height = scaled > 0.0 ? static_cast<uint32_t>(scaled) : 0u;
    const uint32_t width = height * canvas_width / canvas_height;
    return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
  }
  return {static_cast<int32_t>(canvas_width), static_cast<int32_t>(canvas_height)};
}

void CenterAnimationWindow(const AnimationRect& desktop, AnimationSize size, int32_t screen_width,
                           int32_t screen_height, int32_t* x, int32_t* y) {
  // In 64 bits and kept within the screen: a size from a huge canvas must
  // not overflow the sums.
  auto place = [](int64_t low, int64_t high, int64_t extent, int64_t screen) {
    int64_t at = low + (high - low - extent) / 2;
    if (at + extent > screen) at = screen - extent;
    return static_cast<int32_t>(std::clamp<int64_t>(at, 0, std::max<int64_t>(screen, 0)));
  };
  *x = place(desktop.left, desktop.right, size.width, screen_width);
  *y = place(desktop.top, desktop.bottom, size.height, screen_height);
}

void PremultiplyBGRA(const uint8_t* in, size_t pixel_count, uint8_t* out) {
  for (size_t i = 0; i < pixel_count; ++i, in += 4, out += 4) {
    const uint32_t alpha = in[3];
    for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((in[c] * alpha + 127) / 255);
    out[3] = static_cast<uint8_t>(alpha);
  }
}

nlohmann::json AnimationResultParams(bool success, const std::string& error) {
  return {{"success", success}, {"error", error}};
}

}  // namespace corvane
