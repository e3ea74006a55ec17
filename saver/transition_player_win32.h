// Plays a transition plan on real device contexts, one display frame at a
// time, without dispatching any message: waiting input ends the effect early
// instead, so that it is handled at once.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/gdi_win32.h"
#include "saver/transitions.h"

namespace lumova::saver {

enum class FrameWaitMode {
  Composition,          // DwmFlush: the compositor's next frame
  HighResolutionTimer,  // a waitable timer with CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
  Timer,                // an ordinary waitable timer (system tick granularity)
  Sleep,                // no timer could be made
};

// The refresh rate of `monitor` (the primary monitor for none), in Hz; 60
// when the system does not know it.
double displayRefreshHz(HMONITOR monitor);

// Waits for the display's next frame. Call refresh() before planning each
// effect: composition, the refresh rate and the monitor under the picture
// can change between pictures.
class DisplayFrameWaiter final : public FrameWaiter {
 public:
  DisplayFrameWaiter();
  ~DisplayFrameWaiter() override;
  DisplayFrameWaiter(const DisplayFrameWaiter&) = delete;
  DisplayFrameWaiter& operator=(const DisplayFrameWaiter&) = delete;

  void refresh(HMONITOR monitor = nullptr);  // re-reads composition and the refresh rate of `monitor`
  double refreshHz() const { return refreshHz_; }
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
  using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
  using FlushFn = HRESULT(WINAPI*)();

  bool waitForTimer();
  FrameWaitMode timerMode() const;

  HMODULE dwmapi_ = nullptr;
  IsCompositionEnabledFn isCompositionEnabled_ = nullptr;
  FlushFn flush_ = nullptr;
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

}  // namespace lumova::saver
