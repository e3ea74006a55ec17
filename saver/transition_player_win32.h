// Plays a transition plan on real device contexts, one display frame at a
// time, without dispatching any message: input waits until the effect ends.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/gdi_win32.h"
#include "saver/transitions.h"

namespace lumova::saver {

enum class FrameWaitMode {
  Composition,          // DwmFlush: the compositor's next frame
  HighResolutionTimer,  // a waitable timer with CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
  Timer,                // an ordinary waitable timer (system tick granularity)
  Sleep,                // no timer could be made
};

// The display's refresh rate for the monitor showing `window` (the primary
// monitor for none), in Hz; 60 when the system does not know it.
double displayRefreshHz(HWND window);

// Waits for the display's next frame. Make one per effect (or call refresh()
// before planning it): composition and the refresh rate can change between
// pictures.
class DisplayFrameWaiter final : public FrameWaiter {
 public:
  explicit DisplayFrameWaiter(HWND window = nullptr);
  ~DisplayFrameWaiter() override;
  DisplayFrameWaiter(const DisplayFrameWaiter&) = delete;
  DisplayFrameWaiter& operator=(const DisplayFrameWaiter&) = delete;

  void refresh();  // re-reads composition and the refresh rate
  double refreshHz() const { return refreshHz_; }
  FrameWaitMode mode() const { return mode_; }

  void begin() override;
  void waitForNextFrame() override;

  // How the waits went, for tests and diagnostics.
  std::uint64_t compositionWaits() const { return compositionWaits_; }
  std::uint64_t timerWaits() const { return timerWaits_; }
  std::uint64_t lateFrames() const { return lateFrames_; }  // deadline already past: no wait

 private:
  using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
  using FlushFn = HRESULT(WINAPI*)();

  bool waitForTimer();

  HWND window_;
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
// frame between frames. False when the plan overflows or a copy fails in
// effects 1 to 5: the caller's missing-picture exit. The blinds skip a
// failed copy and go on.
bool playEffectPlan(HDC target, HDC source, const EffectPlan& plan, FrameWaiter& waiter);

}  // namespace lumova::saver
