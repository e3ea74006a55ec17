// Plays a transition plan on real device contexts, one display frame at a
// time, without dispatching any message: waiting input ends the effect early
// instead, so that it is handled at once.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <thread>

#include "common/gdi_win32.h"
#include "effects/blend.h"
#include "effects/transitions.h"

namespace lumova::effects {

enum class FrameWaitMode {
  Composition,          // DwmFlush: the compositor's next frame
  HighResolutionTimer,  // a waitable timer with CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
  Timer,                // an ordinary waitable timer (system tick granularity)
  Sleep,                // no timer could be made
};

// The refresh rate of `monitor` (the primary monitor for none), in Hz; 60
// when the system does not know it.
double displayRefreshHz(HMONITOR monitor);

// The compositor's calls; the system's (dwmapi.dll, when there is one) unless
// a test gives its own.
struct CompositionCalls {
  std::function<bool()> enabled;  // composition is on
  std::function<bool()> flush;    // blocks until the compositor's next frame; false on failure
};

// A frame waiter that follows a display: refresh() before planning each
// effect, then plan at its refresh rate.
class DisplayPacer : public FrameWaiter {
 public:
  virtual void refresh(HMONITOR monitor) = 0;
  virtual double refreshHz() const = 0;
};

// Waits for nothing: effects draw every frame at once, so that benchmarks
// and long runs get through thousands of changes in minutes.
class UnpacedFrameWaiter final : public DisplayPacer {
 public:
  void refresh(HMONITOR) override {}
  double refreshHz() const override { return 60; }
  void waitForNextFrame() override {}
};

// Makes a 32-bit top-down DIB section and gives its pixels, or null (as
// win32::createTopDownDib does, the one used unless another is given).
using DibMaker = std::function<HBITMAP(int width, int height, void** bits)>;

// Waits for the display's next frame. Call refresh() before planning each
// effect: composition, the refresh rate and the monitor under the picture
// can change between pictures. No wait lasts longer than 250 ms, and input
// ends one at once: the compositor is waited on from a worker thread, since
// DwmFlush itself has no time limit.
class DisplayFrameWaiter final : public DisplayPacer {
 public:
  DisplayFrameWaiter();
  explicit DisplayFrameWaiter(CompositionCalls calls);
  ~DisplayFrameWaiter() override;
  DisplayFrameWaiter(const DisplayFrameWaiter&) = delete;
  DisplayFrameWaiter& operator=(const DisplayFrameWaiter&) = delete;

  void refresh(HMONITOR monitor = nullptr) override;  // re-reads composition and the refresh rate of `monitor`
  double refreshHz() const override { return refreshHz_; }
  FrameWaitMode mode() const { return mode_; }

  void begin() override;
  void waitForNextFrame() override;
  // A key, a button or pointer movement is in the thread's queue (looked at
  // without taking or dispatching anything).
  bool inputWaiting() override;

  // How the waits went, for tests and diagnostics.
  std::uint64_t compositionWaits() const { return compositionWaits_; }
  std::uint64_t timerWaits() const { return timerWaits_; }
  std::uint64_t lateFrames() const { return lateFrames_; }  // deadline already past: no wait

 private:
  bool waitForTimer();
  // False when the compositor did not answer in time (or failed).
  bool waitForCompositor();
  FrameWaitMode timerMode() const;

  HMODULE dwmapi_ = nullptr;
  CompositionCalls calls_;
  // The worker that calls flush, and what it shares with it (kept alive by
  // the worker too, should it outlive the waiter in a flush that never ends).
  struct Flusher {
    std::function<bool()> flush;
    win32::UniqueHandle asked, done;  // auto-reset events
    std::atomic<bool> ok{false};
    std::atomic<bool> stopping{false};
  };
  std::shared_ptr<Flusher> flusher_;
  std::thread flusherThread_;
  bool flushPending_ = false;  // asked, not answered yet
  win32::UniqueHandle timer_;
  bool highResolution_ = false;
  FrameWaitMode mode_ = FrameWaitMode::Sleep;
  double refreshHz_ = 60;
  LONGLONG ticksPerSecond_ = 1;
  LONGLONG period_ = 0;    // performance-counter ticks per frame
  LONGLONG deadline_ = 0;  // when the current frame's wait ends
  std::uint64_t compositionWaits_ = 0;
  std::uint64_t timerWaits_ = 0;
  std::uint64_t lateFrames_ = 0;
};

// Copies each frame's rectangles from `source` to the same place on `target`
// (BitBlt, SRCCOPY; both in the picture's pixels) and waits for the next
// frame between frames, as playPlan does: a failed copy is skipped, waiting
// input ends the effect early, and only an overflowing plan gives false.
bool playEffectPlan(HDC target, HDC source, const EffectPlan& plan, FrameWaiter& waiter);

// A plan drawn at `origin` of the target and kept inside `clip` (both in
// the target's pixels): a picture on its monitor.
struct PlacedPlan {
  const EffectPlan* plan;
  HDC source;
  POINT origin;
  RECT clip;
};
// Plays every plan in the same frames, as playPlans does; the index of an
// overflowing plan, when one overflows (nothing is drawn then).
std::optional<std::size_t> playEffectPlans(HDC target, std::span<const PlacedPlan> plans, FrameWaiter& waiter);

// A 32-bit top-down DIB section selected into its own DC, its pixels in reach.
class PixelBuffer {
 public:
  bool create(int width, int height, const DibMaker& make = {});
  HDC dc() const { return dc_.dc(); }
  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t* row(int y) { return bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_); }

 private:
  win32::UniqueBitmap bitmap_;
  win32::BitmapDc dc_;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// One part of a window crossfading: how it looked, how it will look, and
// the mix of the two that each frame draws. The DCs take client
// coordinates: their origin is the area's top-left corner.
class FadeArea {
 public:
  // Buffers of the area's size, kept from the last fade when it had the same.
  bool create(const RECT& area, const DibMaker& make = {});
  const RECT& area() const { return area_; }
  HDC fromDc() const { return from_.dc(); }
  HDC toDc() const { return to_.dc(); }
  HDC frameDc() const { return frame_.dc(); }
  // The frame at `weight` (0..256) of the new look.
  void mix(const PixelRows& rows, int weight);
  // The frame onto `target`, at the area's place.
  void drawTo(HDC target);

 private:
  RECT area_{};
  PixelBuffer from_, to_, frame_;
};

}  // namespace lumova::effects
