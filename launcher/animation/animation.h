// The start-up animation player: an animated WebP in a layered window,
// decoded once, replayed from a cache of ready-to-show frames.

#ifndef LAUNCHER_ANIMATION_ANIMATION_H_
#define LAUNCHER_ANIMATION_ANIMATION_H_

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"
#include "launcher/animation/animation_config.h"

struct WebPAnimDecoder;
struct WebPDemuxer;

namespace corvane {

inline constexpr wchar_t kAnimationEventName[] =
    L"LAUNCHER_ANIMATION_{A8B79B2D-EC20-4E2B-A742-6C514A0AA4E0}";
inline constexpr wchar_t kAnimationWindowClass[] = L"LauncherStartupAnimation";
inline constexpr wchar_t kAnimationWindowTitle[] = L"LauncherAnimationWindow";
inline constexpr UINT kAnimationStopMessage = WM_USER + 27;
inline constexpr DWORD kAnimationWatcherWaitMs = 30000;
// Window-sized frames kept ready to show; beyond this the rest are decoded
// again on every pass.
inline constexpr size_t kFrameCacheBudgetBytes = 64 * 1024 * 1024;
// No frame is shown for less: a picture with zero durations must not spin.
inline constexpr uint32_t kMinFrameIntervalMs = 20;

class Animation {
 public:
  Animation();
  ~Animation();
  Animation(const Animation&) = delete;
  Animation& operator=(const Animation&) = delete;

  // The started client, watched beside the ready event: a client that ends
  // ends the splash. Borrowed: the handle must outlive the player. Before
  // Init.
  void WatchClient(HANDLE client_process) { client_process_ = client_process; }
  // Checks the files, reads config.json, opens the named event
  // and starts the watcher. False with error() set on the first failure.
  bool Init(const FilePath& folder);
  // Loads the picture, registers the class and shows the centred window with
  // the frame timer running.
  bool CreateAnimationWindow();
  // Until the window is gone.
  void RunMessageLoop();
  // Stops the watcher if it still runs, reports, releases everything.
  void Finish();

  HWND window() const { return window_; }
  const std::string& error() const { return error_; }
  bool shown() const { return shown_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  const AnimationConfig& config() const { return config_; }
  // Frames shown so far, in order (tests and benchmark).
  const std::vector<uint32_t>& played_frames() const { return played_; }
  // Frames decoded so far, every pass counted (tests).
  uint32_t decoded_frames() const { return decoded_; }
  // Tests: a smaller cache than kFrameCacheBudgetBytes. Before
  // CreateAnimationWindow.
  void SetFrameCacheBudgetForTesting(size_t bytes) { cache_budget_ = bytes; }
  // The premultiplied BGRA pixels of frame |index| as it goes to the screen
  // (read back with GetDIBits); false when it was not drawn yet.
  bool ReadFramePixels(uint32_t index, std::vector<uint32_t>* pixels) const;
  // QueryPerformanceCounter when CreateAnimationWindow began (picture load
  // included) and when the first frame went to the screen.
  int64_t window_created_ticks() const { return window_created_ticks_; }
  int64_t first_frame_ticks() const { return first_frame_ticks_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static unsigned __stdcall WatcherMain(void* param);

  bool LoadAnimation();
  bool RegisterWindowClass();
  void OnFrameTimer();
  void ShowNextFrame();
  // The canvas of frame |index| from the decoder, which goes back to the
  // start when |index| lies behind it; each frame's duration is noted the
  // first time. Null when decoding failed.
  uint8_t* DecodeFrame(uint32_t index);
  // A window-sized bitmap, in the cache while the budget allows, else the one
  // reused for every frame beyond it. Null when it could not be made.
  HBITMAP FrameTarget(uint32_t index, void** bits);
  // Premultiplies or scales the canvas-sized BGRA |pixels| into |bits|;
  // the GDI+ status on failure (0 for success).
  int DrawFrame(const uint8_t* pixels, void* bits);
  // GDI+'s scaled draw of the canvas into the window-sized |bits|.
  int ScaleFrame(const uint8_t* pixels, void* bits);
  void PlayBitmap(uint32_t index, HBITMAP bitmap);
  // True when every frame the loop comes back to is in the cache.
  bool LoopIsCached() const;
  // An allocation failed: the error text, and the splash ends.
  void FailDrawing(unsigned long code);
  void RecordAnimationShowTime();
  void RequestStop();
  void StopWatcher();
  void ReleasePicture();
  void ReleaseFrames();
  void ShutdownGdiplus();

  AnimationConfig config_;
  FilePath picture_path_;
  std::string file_data_;
  WebPAnimDecoder* decoder_ = nullptr;
  WebPDemuxer* demuxer_ = nullptr;
  uint32_t canvas_width_ = 0;
  uint32_t canvas_height_ = 0;
  uint32_t frame_count_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t current_frame_ = 0;
  // Ready-to-show bitmaps (window-sized, premultiplied), null for a frame
  // beyond the budget; each frame's display time, noted by the first pass.
  std::vector<HBITMAP> frames_;
  std::vector<void*> frame_bits_;
  size_t cached_ = 0;
  size_t cache_budget_ = kFrameCacheBudgetBytes;
  HBITMAP scratch_ = nullptr;
  void* scratch_bits_ = nullptr;
  std::vector<uint32_t> durations_;
  int previous_timestamp_ = 0;
  // The frame the decoder gives next, and how many it gave in all.
  uint32_t decoder_next_ = 0;
  uint32_t decoded_ = 0;
  bool decode_failed_ = false;
  HDC memory_dc_ = nullptr;
  ULONG_PTR gdiplus_token_ = 0;
  bool class_registered_ = false;

  std::atomic<HWND> window_{nullptr};
  win::ScopedHandle event_;
  win::ScopedHandle stop_watcher_;
  win::ScopedHandle watcher_;
  HANDLE client_process_ = nullptr;
  std::atomic<bool> closing_{false};
  // Set by the watcher when it asked for the end before the window existed.
  std::atomic<bool> stop_requested_{false};
  bool shown_ = false;
  bool finished_ = false;
  std::string error_;
  std::vector<uint32_t> played_;
  int64_t window_created_ticks_ = 0;
  int64_t first_frame_ticks_ = 0;
};

}  // namespace corvane

#endif  // LAUNCHER_ANIMATION_ANIMATION_H_
