#include "launcher/animation/animation.h"

#include <objidl.h>
#include <process.h>

#include <algorithm>
#include <new>
// GDI+'s headers use min and max unqualified; windows.h's are off (NOMINMAX).
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/process/process.h"
#include "base/time.h"
#include "data_reporter/ulmet_reporter.h"
#include "launcher/animation/startup_animation.h"
#include "launcher/launcher_constants.h"
#include "webp/decode.h"
#include "webp/demux.h"

namespace corvane {

namespace {

constexpr UINT_PTR kFrameTimerId = 1;
constexpr DWORD kCloseWatcherWaitMs = 2000;
constexpr wchar_t kShowTimeValue[] = L"StartupWindowShowTime";

// The player of this process; the window procedure finds it here.
Animation* g_animation = nullptr;

// A 32-bit top-down DIB of |width| x |height|, rows as the decoder gives them.
BITMAPINFO FrameBitmapInfo(int32_t width, int32_t height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

int64_t Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

// Nothing here is slow: the reporter, and with it the device identity, comes
// with the report, after the splash.
Animation::Animation() = default;

Animation::~Animation() { Finish(); }

bool Animation::Init(const FilePath& folder) {
  picture_path_ = folder.Append(kAnimationPictureName);
  if (!PathExists(picture_path_)) {
    LOG(ERROR) << "path not exist: " << picture_path_.value();
    error_ = "animation path not exist.";
    return false;
  }
  if (!LoadAnimationConfig(folder, &config_)) {
    error_ = "load config error.";
    return false;
  }
  // GDI+ starts with the first frame that needs scaling: a splash drawn at
  // its canvas size never loads it, and nothing waits for it before the
  // first frame.
  event_.Set(CreateEventW(nullptr, TRUE, FALSE, kAnimationEventName));
  if (!event_.IsValid()) {
    error_ = "CreateEvent failed with: " + std::to_string(GetLastError());
    return false;
  }
  // Our own way to end the watcher early, so that a failed start never has
  // to signal the client's event.
  stop_watcher_.Set(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  uintptr_t thread =
      stop_watcher_.IsValid() ? _beginthreadex(nullptr, 0, &WatcherMain, this, 0, nullptr) : 0;
  if (!thread) {
    error_ = "create thread failed with: " + std::to_string(GetLastError());
    return false;
  }
  watcher_.Set(reinterpret_cast<HANDLE>(thread));
  return true;
}

unsigned __stdcall Animation::WatcherMain(void* param) {
  Animation* animation = static_cast<Animation*>(param);
  // The client's end counts as its signal: a client that died never gets
  // ready, and the check and the dialog must not wait behind the splash.
  const HANDLE handles[] = {animation->event_.Get(), animation->stop_watcher_.Get(),
                            animation->client_process_};
  const DWORD count = animation->client_process_ ? 3 : 2;
  const DWORD wait = WaitForMultipleObjects(count, handles, FALSE, kAnimationWatcherWaitMs);
  if (wait == WAIT_OBJECT_0 + 1) return 0;
  if (wait == WAIT_OBJECT_0 + 2) LOG(INFO) << "client ended, splash stops.";
  if (wait == WAIT_TIMEOUT || !animation->closing_) animation->RequestStop();
  return 0;
}

void Animation::RequestStop() {
  // Kept for a window that does not exist yet; CreateAnimationWindow posts it.
  stop_requested_ = true;
  const HWND window = window_;
  if (window) PostMessageW(window, kAnimationStopMessage, 0, 0);
}

bool Animation::LoadAnimation() {
  if (!demuxer_) {
    // The decoder reads the picture in place: it stays in memory while shown.
    // Its size is known before a byte of it is held.
    int64_t size = 0;
    if (!GetFileSize(picture_path_, &size) || size > kMaxAnimationFileBytes ||
        !ReadFileToStringWithMaxSize(picture_path_, &file_data_,
                                     static_cast<size_t>(kMaxAnimationFileBytes))) {
      LOG(ERROR) << "animation file unreadable or larger than " << kMaxAnimationFileBytes
                 << " bytes: " << size;
      std::string().swap(file_data_);
      error_ = "ReadAnimationFile failed";
      return false;
    }
    WebPData data = {reinterpret_cast<const uint8_t*>(file_data_.data()), file_data_.size()};
    // The decoder allocates its canvases from the header's canvas size, which
    // a file of a few bytes can set to gigabytes.
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data.bytes, data.size, &features) == VP8_STATUS_OK &&
        !IsAnimationCanvasAllowed(static_cast<uint32_t>(features.width),
                                  static_cast<uint32_t>(features.height))) {
      LOG(ERROR) << "animation canvas too large: " << features.width << " x " << features.height;
      error_ = "WebPAnimDecoderNew failed";
      return false;
    }
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    decoder_ = WebPAnimDecoderNew(&data, &options);
    if (!decoder_) {
      error_ = "WebPAnimDecoderNew failed";
      return false;
    }
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder_, &info) ||
        !IsAnimationCanvasAllowed(info.canvas_width, info.canvas_height)) {
      error_ = "WebPAnimDecoderGetInfo failed";
      WebPAnimDecoderDelete(decoder_);
      decoder_ = nullptr;
      return false;
    }
    canvas_width_ = info.canvas_width;
    canvas_height_ = info.canvas_height;
    frame_count_ = info.frame_count;
    demuxer_ = WebPDemuxPartial(&data, nullptr);
    if (!demuxer_) {
      error_ = "WebPDemuxPartial failed";
      return false;
    }
  }
  ReleaseFrames();
  frames_.assign(frame_count_, nullptr);
  frame_bits_.assign(frame_count_, nullptr);
  durations_.clear();
  durations_.reserve(frame_count_);
  return true;
}

bool Animation::RegisterWindowClass() {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(1);
  window_class.lpszClassName = kAnimationWindowClass;
  if (!RegisterClassExW(&window_class)) {
    const DWORD error = GetLastError();
    LOG(ERROR) << "Can not register window class, " << error;
    error_ = "RegisterWindowClass failed with: " + std::to_string(error);
    return false;
  }
  class_registered_ = true;
  return true;
}

bool Animation::CreateAnimationWindow() {
  window_created_ticks_ = Ticks();
  bool loaded = false;
  try {
    loaded = LoadAnimation();
  } catch (const std::bad_alloc&) {
    error_ = "ReadAnimationFile failed";
  }
  const bool registered = loaded && RegisterWindowClass();
  if (!registered) {
    ReleasePicture();
    return false;
  }
  SetProcessDPIAware();

  const AnimationSize size = AnimationWindowSize(canvas_width_, canvas_height_, config_.image_scale,
                                                 GetSystemMetrics(SM_CYSCREEN));
  width_ = size.width;
  height_ = size.height;
  LOG(INFO) << "window height: " << height_ << ", window width: " << width_;

  DWORD ex_style = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
  if (config_.topmost) ex_style |= WS_EX_TOPMOST;
  const HWND window = CreateWindowExW(ex_style, kAnimationWindowClass, kAnimationWindowTitle,
                                      WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, width_, height_,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (!window) {
    error_ = "CreateWindow failed with:" + std::to_string(GetLastError());
    return false;
  }
  window_ = window;
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  const LONG_PTR frame_bits = WS_CAPTION | WS_THICKFRAME | WS_SYSMENU;
  if (style & frame_bits) SetWindowLongPtrW(window, GWL_STYLE, style & ~frame_bits);
  const LONG_PTR ex = GetWindowLongPtrW(window, GWL_EXSTYLE);
  if (ex & WS_EX_APPWINDOW) SetWindowLongPtrW(window, GWL_EXSTYLE, ex & ~WS_EX_APPWINDOW);

  RECT desktop = {};
  GetWindowRect(GetDesktopWindow(), &desktop);
  int32_t x = 0;
  int32_t y = 0;
  CenterAnimationWindow({desktop.left, desktop.top, desktop.right, desktop.bottom}, size,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), &x, &y);
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE);

  ShowWindow(window, SW_SHOW);
  // The first frame goes up now rather than on a 1 ms timer, which takes a
  // timer tick (about 10 ms here); the step re-arms the timer itself.
  SetTimer(window, kFrameTimerId, 1, nullptr);
  OnFrameTimer();
  // The client may have been ready before the window was.
  if (stop_requested_) PostMessageW(window, kAnimationStopMessage, 0, 0);
  return true;
}

void Animation::RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

LRESULT CALLBACK Animation::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    g_animation = static_cast<Animation*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g_animation));
  }
  Animation* animation = g_animation;
  if (!animation) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_TIMER:
      if (wparam == kFrameTimerId) animation->OnFrameTimer();
      break;
    case WM_CLOSE:
    case WM_LBUTTONDBLCLK:
      // The flag first: the watcher wakes on the event and must see it.
      animation->closing_ = true;
      SetEvent(animation->event_.Get());
      WaitForSingleObject(animation->watcher_.Get(), kCloseWatcherWaitMs);
      DestroyWindow(window);
      return 0;
    case kAnimationStopMessage:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      KillTimer(window, kFrameTimerId);
      animation->window_ = nullptr;
      // The frame cache stays until Finish.
      animation->ReleasePicture();
      animation->ShutdownGdiplus();
      PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Animation::OnFrameTimer() {
  // Nothing of the picture may end the launcher: out of memory ends the
  // splash instead.
  try {
    ShowNextFrame();
  } catch (const std::bad_alloc&) {
    FailDrawing(ERROR_NOT_ENOUGH_MEMORY);
  }
}

void Animation::ShowNextFrame() {
  const HWND window = window_;
  if (!window || frame_count_ == 0) return;
  current_frame_ = WrapFrameIndex(current_frame_, frame_count_, config_.loop_index);
  const uint32_t index = current_frame_;
  HBITMAP bitmap = frames_[index];
  if (bitmap) {
    // The decoder keeps step while some frame of the loop is not cached, so
    // that it never has to catch up over many frames at once.
    if (decoder_ && !LoopIsCached()) DecodeFrame(index);
  } else {
    const uint8_t* pixels = DecodeFrame(index);
    if (!pixels) {
      // A frame that cannot be decoded stays so (the decoder goes in order):
      // the last good one remains up, and nothing more is tried.
      KillTimer(window, kFrameTimerId);
      return;
    }
    void* bits = nullptr;
    bitmap = FrameTarget(index, &bits);
    if (!bitmap) return FailDrawing(GetLastError());
    const int status = DrawFrame(pixels, bits);
    if (status == Gdiplus::OutOfMemory) return FailDrawing(static_cast<unsigned long>(status));
    // Without GDI+ no scaled frame can ever be drawn (error() says why).
    if (status == Gdiplus::GdiplusNotInitialized) {
      DestroyWindow(window);
      return;
    }
    if (status != Gdiplus::Ok) {
      // Logged; the animation goes on without this frame, and a cache slot
      // it took is given back.
      if (frames_[index] == bitmap) {
        DeleteObject(bitmap);
        frames_[index] = nullptr;
        frame_bits_[index] = nullptr;
        --cached_;
      }
      bitmap = nullptr;
    }
  }
  if (bitmap) {
    PlayBitmap(index, bitmap);
    if (!shown_) {
      shown_ = true;
      first_frame_ticks_ = Ticks();
      RecordAnimationShowTime();
    }
  }
  // Once the loop is cached the decoder and its canvases are not needed.
  if (decoder_ && durations_.size() == frame_count_ && LoopIsCached()) {
    WebPAnimDecoderDelete(decoder_);
    decoder_ = nullptr;
  }
  KillTimer(window, kFrameTimerId);
  ++current_frame_;
  // A loop of one frame never changes the picture: drawn once, it waits for
  // the stop.
  const uint32_t loop_start = WrapFrameIndex(frame_count_, frame_count_, config_.loop_index);
  if (index == loop_start && loop_start + 1 == frame_count_) return;
  const uint32_t duration = index < durations_.size() ? durations_[index] : 0;
  SetTimer(window, kFrameTimerId, std::max(duration, kMinFrameIntervalMs), nullptr);
}

uint8_t* Animation::DecodeFrame(uint32_t index) {
  if (decode_failed_ || !decoder_) return nullptr;
  if (index < decoder_next_) {
    WebPAnimDecoderReset(decoder_);
    decoder_next_ = 0;
    previous_timestamp_ = 0;
  }
  uint8_t* pixels = nullptr;
  while (decoder_next_ <= index) {
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder_, &pixels, &timestamp)) {
      LOG(ERROR) << "WebPAnimDecoderGetNext failed.";
      decode_failed_ = true;
      return nullptr;
    }
    ++decoded_;
    // Timestamps are end times: the difference is this frame's display time.
    if (decoder_next_ == durations_.size())
      durations_.push_back(static_cast<uint32_t>(std::max(timestamp - previous_timestamp_, 0)));
    previous_timestamp_ = timestamp;
    ++decoder_next_;
  }
  return pixels;
}

bool Animation::LoopIsCached() const {
  const uint32_t loop_start = WrapFrameIndex(frame_count_, frame_count_, config_.loop_index);
  for (uint32_t i = loop_start; i < frame_count_; ++i) {
    if (!frames_[i]) return false;
  }
  return true;
}

HBITMAP Animation::FrameTarget(uint32_t index, void** bits) {
  const size_t frame_bytes = static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4;
  const bool cache = frame_bytes > 0 && (cached_ + 1) * frame_bytes <= cache_budget_;
  if (!cache && scratch_) {
    *bits = scratch_bits_;
    return scratch_;
  }
  BITMAPINFO info = FrameBitmapInfo(width_, height_);
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  if (!bitmap) {
    LOG(ERROR) << "Animation::PlayBitmap DrawImage failed with: " << GetLastError();
    return nullptr;
  }
  if (cache) {
    frames_[index] = bitmap;
    frame_bits_[index] = *bits;
    ++cached_;
  } else {
    scratch_ = bitmap;
    scratch_bits_ = *bits;
  }
  return bitmap;
}

int Animation::DrawFrame(const uint8_t* pixels, void* bits) {
  if (static_cast<uint32_t>(width_) == canvas_width_ &&
      static_cast<uint32_t>(height_) == canvas_height_) {
    // Nothing to scale: premultiply straight into the bitmap, which costs a
    // fraction of a GDI+ draw.
    PremultiplyBGRA(pixels, static_cast<size_t>(width_) * static_cast<size_t>(height_),
                    static_cast<uint8_t*>(bits));
    return Gdiplus::Ok;
  }
  return ScaleFrame(pixels, bits);
}

void Animation::FailDrawing(unsigned long code) {
  LOG(ERROR) << "Animation::PlayBitmap DrawImage failed with: " << code;
  error_ = "Animation::PlayBitmap DrawImage failed with: " + std::to_string(code);
  const HWND window = window_;
  if (window) DestroyWindow(window);
}

int Animation::ScaleFrame(const uint8_t* pixels, void* bits) {
  if (!gdiplus_token_) {
    Gdiplus::GdiplusStartupInput input;
    const Gdiplus::Status started = Gdiplus::GdiplusStartup(&gdiplus_token_, &input, nullptr);
    if (started != Gdiplus::Ok) {
      gdiplus_token_ = 0;
      error_ = "GdiplusStartup failed with: " + std::to_string(static_cast<int>(started));
      return Gdiplus::GdiplusNotInitialized;
    }
  }
  // The decoder's straight BGRA is ARGB to GDI+; drawn into a PARGB target it
  // comes out premultiplied, as the layered window wants it.
  using namespace Gdiplus::DllExports;
  Gdiplus::GpBitmap* source = nullptr;
  Gdiplus::GpBitmap* target = nullptr;
  Gdiplus::GpGraphics* graphics = nullptr;
  Gdiplus::Status status =
      GdipCreateBitmapFromScan0(static_cast<INT>(canvas_width_), static_cast<INT>(canvas_height_),
                                static_cast<INT>(canvas_width_ * 4), PixelFormat32bppARGB,
                                const_cast<BYTE*>(reinterpret_cast<const BYTE*>(pixels)), &source);
  if (status == Gdiplus::Ok)
    status = GdipCreateBitmapFromScan0(width_, height_, width_ * 4, PixelFormat32bppPARGB,
                                       static_cast<BYTE*>(bits), &target);
  if (status == Gdiplus::Ok) status = GdipGetImageGraphicsContext(target, &graphics);
  if (status == Gdiplus::Ok) status = GdipDrawImageRectI(graphics, source, 0, 0, width_, height_);
  if (graphics) GdipDeleteGraphics(graphics);
  if (target) GdipDisposeImage(target);
  if (source) GdipDisposeImage(source);
  if (status != Gdiplus::Ok)
    LOG(ERROR) << "Animation::PlayBitmap DrawImage failed with: " << static_cast<int>(status);
  return static_cast<int>(status);
}

void Animation::PlayBitmap(uint32_t index, HBITMAP bitmap) {
  const HWND window = window_;
  if (!window || !bitmap) return;
  if (!memory_dc_) memory_dc_ = CreateCompatibleDC(nullptr);
  if (!memory_dc_) return;
  const HGDIOBJ previous = SelectObject(memory_dc_, bitmap);
  HDC screen = GetDC(nullptr);
  POINT source = {0, 0};
  SIZE size = {width_, height_};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (!UpdateLayeredWindow(window, screen, nullptr, &size, memory_dc_, &source, 0, &blend,
                           ULW_ALPHA)) {
    LOG(ERROR) << "Animation::PlayBitmap DrawImage failed with: " << GetLastError();
  }
  ReleaseDC(nullptr, screen);
  SelectObject(memory_dc_, previous);
  played_.push_back(index);
}

bool Animation::ReadFramePixels(uint32_t index, std::vector<uint32_t>* pixels) const {
  if (index >= frames_.size() || !frames_[index]) return false;
  BITMAPINFO info = FrameBitmapInfo(width_, height_);
  pixels->assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
  HDC dc = GetDC(nullptr);
  const int lines = GetDIBits(dc, frames_[index], 0, static_cast<UINT>(height_), pixels->data(),
                              &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return lines == height_;
}

void Animation::RecordAnimationShowTime() {
  const int64_t started = Process::Current().CreationTime().ToMillisecondsSinceUnixEpoch();
  const int64_t show_time = Time::Now().ToMillisecondsSinceUnixEpoch() - started;
  const std::wstring subkey = L"Software\\" + product_short_name();
  HKEY key = nullptr;
  const LSTATUS opened =
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE, nullptr, &key, nullptr);
  if (opened != ERROR_SUCCESS) {
    LOG(ERROR) << "Animation::RecordAnimationShowTime Open reg key failed! sub key: " << subkey
               << ", error code: " << opened;
    return;
  }
  LOG(INFO) << "Animation::RecordAnimationShowTime val:" << show_time;
  const std::wstring text = std::to_wstring(show_time);
  RegSetValueExW(key, kShowTimeValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void Animation::StopWatcher() {
  if (!watcher_.IsValid()) return;
  if (stop_watcher_.IsValid()) SetEvent(stop_watcher_.Get());
  WaitForSingleObject(watcher_.Get(), INFINITE);
  watcher_.Close();
}

void Animation::ReleasePicture() {
  if (class_registered_ && UnregisterClassW(kAnimationWindowClass, GetModuleHandleW(nullptr)))
    class_registered_ = false;
  if (decoder_) WebPAnimDecoderDelete(decoder_);
  decoder_ = nullptr;
  if (demuxer_) WebPDemuxDelete(demuxer_);
  demuxer_ = nullptr;
  std::string().swap(file_data_);
}

void Animation::ReleaseFrames() {
  for (HBITMAP frame : frames_) {
    if (frame) DeleteObject(frame);
  }
  frames_.clear();
  frame_bits_.clear();
  cached_ = 0;
  if (scratch_) DeleteObject(scratch_);
  scratch_ = nullptr;
  scratch_bits_ = nullptr;
  if (memory_dc_) DeleteDC(memory_dc_);
  memory_dc_ = nullptr;
}

void Animation::ShutdownGdiplus() {
  if (gdiplus_token_) Gdiplus::GdiplusShutdown(gdiplus_token_);
  gdiplus_token_ = 0;
}

void Animation::Finish() {
  if (finished_) return;
  finished_ = true;
  // The watcher holds this player: it ends before anything is released.
  StopWatcher();
  const HWND window = window_;
  if (window) {
    DestroyWindow(window);
    // Its quit message is meant for the splash's loop, which no longer runs:
    // left queued it would end the next loop on this thread (a dialog's).
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }
  ProductReporter(ProductReportIdentity(""))
      .Report(kAnimationResultEvent, AnimationResultParams(shown_, error_));
  ReleasePicture();
  ReleaseFrames();
  ShutdownGdiplus();
  if (g_animation == this) g_animation = nullptr;
  stop_watcher_.Close();
  event_.Close();
}

void PlayStartupAnimation(const FilePath& version_dir, HANDLE client_process) {
  Animation animation;
  animation.WatchClient(client_process);
  try {
    if (animation.Init(version_dir.Append(kAnimationFolderName)) &&
        animation.CreateAnimationWindow()) {
      animation.RunMessageLoop();
    }
  } catch (const std::bad_alloc&) {
    // The picture is never worth the launch.
    LOG(ERROR) << "start-up animation out of memory";
  }
  animation.Finish();
}

}  // namespace corvane
