// The saver window on Windows: a borderless topmost window over the whole
// virtual screen that keeps a persistent image of its background. Each
// monitor's picture surface and caption label (MonitorStage) are layers the
// window draws itself, the picture over the caption over the background:
// moving a floating picture then costs one copy of it and the strips it
// uncovers, with no window of its own to move.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "common/gdi_win32.h"
#include "common/screen_layout.h"
#include "common/timers.h"
#include "common/window_win32.h"
#include "saver/monitor_stage_win32.h"
#include "saver/saver_view.h"

namespace lumova::effects {
class DisplayFrameWaiter;
class FadeArea;
}  // namespace lumova::effects

namespace lumova::saver {

struct ScreenGeometry {
  RECT virtualScreen;  // every monitor, in screen coordinates
  // Every monitor in client pixels of a window over the virtual screen,
  // the primary first, in the order the slideshows take pictures.
  std::vector<StagePlace> monitors;
  double twipsPerPixel;  // the primary's
};
// The geometry of `layout` as the window places itself and its stages.
ScreenGeometry screenGeometry(const ScreenLayout& layout);
ScreenGeometry queryScreenGeometry();

// Input as the window receives it. Positions on the window are twips from
// its top-left corner, as its own coordinates are; on the picture surface
// they are the picture's own pixels.
struct SaverInput {
  std::function<void()> onKey;
  std::function<void()> onBackgroundButton;
  std::function<void(float xTwips, float yTwips)> onBackgroundMove;
  std::function<void(int x, int y)> onPictureMove;
  // The saver must end, the lock released first: the window was closed or
  // destroyed from outside, the session is ending, or an error nothing else
  // caught reached the window.
  std::function<void()> onEnd;
};

class SaverWindow final : public SaverView,
                          public Timers,
                          public EventPump,
                          public SaverWindowControl,
                          private StageCanvas {
 public:
  SaverWindow(HINSTANCE instance, std::function<void(TimerId)> onTimer, SaverInput input);
  ~SaverWindow() override;
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // Benchmarks only: effects draw every frame at once instead of one a
  // display frame, so that thousands of changes take minutes.
  void setEffectsUnpaced(bool unpaced) { effectsUnpaced_ = unpaced; }
  // Told after each display change, once the window and its stages stand
  // where the monitors now are.
  void watchDisplay(std::function<void()> changed) { displayChanged_ = std::move(changed); }
  // Tests only: the monitors a display change finds, instead of the system's.
  void useScreenLayout(std::function<ScreenLayout()> layout) { layout_ = std::move(layout); }

  // The primary monitor's pixel size in twips.
  double twipsPerPixelX() const { return geo_.twipsPerPixel; }
  double twipsPerPixelY() const { return geo_.twipsPerPixel; }

  // SaverView
  void setBackColor(std::uint32_t rgb) override;
  void snapshotDesktop() override;
  std::size_t monitorCount() const override { return stages_.size(); }
  MonitorView& monitor(std::size_t index) override { return *stages_.at(index); }
  std::optional<std::size_t> playEffects(const std::vector<int>& effects) override;
  void playCrossfade(const std::vector<TwipRect>& to, const std::function<void()>& halfway) override;
  void unload() override;

  // Timers
  void set(TimerId id, std::uint32_t intervalMs) override;
  void kill(TimerId id) override;

  // EventPump: the nested message loop of the pause before a reveal.
  void pumpFor(double maxSeconds) override;

  // SaverWindowControl: enabled again, the window takes the keyboard focus
  // back, so keys reach it.
  void show() override;
  void setInputEnabled(bool enabled) override;

 private:
  template <typename Self, LRESULT (Self::*)(HWND, UINT, WPARAM, LPARAM)>
  friend LRESULT CALLBACK win32::windowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  void onUnexpectedError();
  LRESULT onFrame(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void onMouseMove(POINT at);
  void onButton(POINT at);
  void paintFrame();
  // StageCanvas: everything the window shows inside `area` (client pixels).
  HWND canvasWindow() const override { return hwnd_; }
  void repaint(HDC dc, const RECT& area) override;
  void wantFrames() override;
  void onFramePulse();
  // A monitor's fading area, as it looks (its picture at `before`, if shown)
  // and as it will look (`next` at `after`).
  void prepareFade(MonitorStage& stage, const win32::DibPicture& next, const RECT& before, const RECT& after,
                   effects::FadeArea& fade);
  // The monitors changed: the window covers the new screen, repainted, each
  // stage on its monitor still.
  void onDisplayChange();
  void placeStages();

  HWND hwnd_ = nullptr;
  std::function<void(TimerId)> onTimer_;
  SaverInput input_;
  ScreenGeometry geo_{};
  win32::OffscreenSurface background_;  // the window's persistent image
  // Kept between uses, as making and first touching screen-sized buffers
  // costs more than using them: the surface repaints are composed on (as
  // large as the largest asked for), and each monitor's crossfade buffers.
  win32::OffscreenSurface scratch_;
  std::vector<std::unique_ptr<effects::FadeArea>> fadeAreas_;
  COLORREF backColor_ = 0;
  COLORREF pictureBackColor_ = 0;
  std::vector<std::unique_ptr<MonitorStage>> stages_;  // one a monitor, the primary's first
  bool unloading_ = false;                             // our own unload: closing is not an end then
  std::unique_ptr<effects::DisplayFrameWaiter> frameWaiter_;
  bool effectsUnpaced_ = false;
  // Once a picture pans: a worker that waits for each display frame and
  // posts one pulse at a time to the window.
  std::thread framePulse_;
  std::atomic<bool> pulseStop_{false};
  std::atomic<bool> pulsePending_{false};
  std::function<void()> displayChanged_;
  std::function<ScreenLayout()> layout_;
};

}  // namespace lumova::saver
