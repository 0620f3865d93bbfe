// The start-up animation's settings ("config.json" beside "animation.webp")
// and the pure rules of its playback: the frame schedule, the window size
// and position, and the report's parameters.

#ifndef LAUNCHER_ANIMATION_ANIMATION_CONFIG_H_
#define LAUNCHER_ANIMATION_ANIMATION_CONFIG_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "nlohmann/json_fwd.hpp"

namespace corvane {

class FilePath;

struct AnimationConfig {
  bool loop = true;  // kept; playback always loops
  // 1-based frame at which playback continues after the last one; below 2
  // (or beyond the last frame) it restarts at the first.
  int32_t loop_index = 1;
  int32_t window_width = 500;   // required in the file; the picture sizes the window
  int32_t window_height = 500;  // likewise
  bool topmost = true;
  // In (0, 1]: the window's height as a fraction of the screen's.
  double image_scale = 0.0;
};

inline constexpr wchar_t kAnimationFolderName[] = L"startup_animation";
inline constexpr wchar_t kAnimationPictureName[] = L"animation.webp";
inline constexpr wchar_t kAnimationConfigName[] = L"config.json";
inline constexpr char kAnimationResultEvent[] = "pc_launch_animation";

// Applies the members of |root| in the file's order: loop, loop_index, then
// the required window_width and window_height (false when one is missing,
// the members before it staying applied), then topmost and image_scale.
// Members of the wrong JSON type count as missing.
bool ApplyAnimationConfigJson(const nlohmann::json& root, AnimationConfig* config);

// Reads "config.json" in |folder| (extended dialect, no trailing commas).
bool LoadAnimationConfig(const FilePath& folder, AnimationConfig* config);

// The frame to show after |next| ran past the end: loop_index - 1 when that
// names a frame after the first, otherwise the first.
uint32_t WrapFrameIndex(uint32_t next, uint32_t frame_count, int32_t loop_index);

// What a picture may cost before anything is allocated for it: the file is
// read whole, and the decoder holds two canvases of the header's size.
inline constexpr int64_t kMaxAnimationFileBytes = 32 * 1024 * 1024;
inline constexpr uint32_t kMaxAnimationCanvasSide = 4096;
inline constexpr uint64_t kMaxAnimationCanvasPixels = 8 * 1024 * 1024;

// True for a canvas of at least one pixel within both bounds above.
bool IsAnimationCanvasAllowed(uint32_t width, uint32_t height);

struct AnimationSize {
  int32_t width;
  int32_t height;
};
// The window size for a canvas: scaled to |image_scale| of the screen's
// height (width in proportion, unsigned arithmetic) when that is in (0, 1],
// else the canvas size.
AnimationSize AnimationWindowSize(uint32_t canvas_width, uint32_t canvas_height, double image_scale,
                                  int32_t screen_height);

struct AnimationRect {
  int32_t left, top, right, bottom;
};
// Centred in |desktop|, pushed back inside the screen, never negative.
void CenterAnimationWindow(const AnimationRect& desktop, AnimationSize size, int32_t screen_width,
                           int32_t screen_height, int32_t* x, int32_t* y);

// Straight BGRA to the premultiplied BGRA a layered window takes, rounded.
void PremultiplyBGRA(const uint8_t* in, size_t pixel_count, uint8_t* out);

// {"error": |error|, "success": |success|} with success a JSON boolean.
nlohmann::json AnimationResultParams(bool success, const std::string& error);

}  // namespace corvane

#endif  // LAUNCHER_ANIMATION_ANIMATION_CONFIG_H_
