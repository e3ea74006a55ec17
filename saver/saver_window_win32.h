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

#include "common/clock_win32.h"
#include "common/gdi_win32.h"
#include "common/screen_layout.h"
#include "common/timers.h"
#include "common/window_win32.h"
#include "effects/frame.h"
#include "effects/transition_player_win32.h"
#include "saver/monitor_stage_win32.h"
#include "saver/power_state.h"
#include "saver/saver_view.h"
#include "saver/steering.h"

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

// Input as the window receives it. Positions on the window are twips from
// its top-left corner, as its own coordinates are; on the picture surface
// they are the picture's own pixels.
struct SaverInput {
  std::function<void(const KeyPress&)> onKey;
  std::function<void()> onBackgroundButton;
  std::function<void(float xTwips, float yTwips)> onBackgroundMove;
  std::function<void(int x, int y)> onPictureMove;
  // The saver must end, the lock released first: the window was closed or
  // destroyed from outside, the session is ending, or an error nothing else
  // caught reached the window.
  std::function<void()> onEnd;
};

// What the window is made with; each left empty takes the system's own.
struct SaverWindowParts {
  // The monitors, at the start and after each display change.
  std::function<ScreenLayout()> screenLayout;
  // Paces the effects (benchmarks give one that does not wait).
  std::unique_ptr<effects::DisplayPacer> frameWaiter;
  // Draws the window's frames (a GdiRenderer on it).
  std::function<std::unique_ptr<effects::Renderer>(HWND)> renderer;
  // Times the crossfade and pan and zoom; the system's when null.
  const Clock* clock = nullptr;
};

class SaverWindow final : public SaverView,
                          public Timers,
                          public EventPump,
                          public SaverWindowControl,
                          private StageCanvas {
 public:
  SaverWindow(HINSTANCE instance, std::function<void(TimerId)> onTimer, SaverInput input, SaverWindowParts parts = {});
  ~SaverWindow() override;
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // Told after each display change, once the window and its stages stand
  // where the monitors now are.
  void watchDisplay(std::function<void()> changed) { displayChanged_ = std::move(changed); }
  // Told when the display goes off, comes on or is dimmed, and when the
  // power source changes, as the system says (registered for at the start).
  void watchPower(std::function<void(DisplayPower)> display, std::function<void(PowerSource)> source) {
    displayPower_ = std::move(display);
    powerSource_ = std::move(source);
  }
  // Whether a worker paces pan and zoom's steps now (tests).
  bool pacingFrames() const { return framePulse_.joinable(); }

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
  void setDisplayAsleep(bool asleep) override;

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
  // StageCanvas
  HWND canvasWindow() const override { return hwnd_; }
  effects::Renderer& renderer() override { return *renderer_; }
  void redraw(const std::vector<RECT>& areas) override;
  void wantFrames() override;
  double now() const override { return clock_.monotonicSeconds(); }
  void pauseMarkShown() override;
  void onFramePulse();
  void startPulse();
  void stopPulse();
  void onPowerBroadcast(WPARAM wp, LPARAM lp);
  // Every monitor's clock, over everything else.
  void appendClocks(std::vector<effects::Layer>& layers) const;
  // A frame of everything as it shows now, to draw inside `areas`.
  effects::Frame frameOf(const std::vector<RECT>& areas) const;
  // A monitor's picture revealed by steps: its plan, and its source's layers
  // clipped to what the plan has revealed.
  struct Revealing {
    std::size_t monitor;
    effects::EffectPlan plan;
    effects::Rect area;                         // where the plan's rectangles are laid
    std::vector<effects::PictureLayer> layers;  // the source, its partner and their surrounds
    std::vector<effects::Rect> revealed;        // what the plan has revealed so far
    std::size_t at;                             // the first one's place among the frame's layers
  };
  // The plans of `effects`, or the monitor whose plan overflows.
  std::optional<std::size_t> planReveals(const std::vector<int>& effects, std::vector<Revealing>& reveals);
  // Every layer, each source just over its own stage's picture, showing nothing yet.
  effects::Frame revealFrame(std::vector<Revealing>& reveals) const;
  // A monitor's picture dissolving into its source at `to`, inside `area`.
  struct Fading {
    MonitorStage* stage;
    TwipRect to;
    RECT area;
  };
  std::vector<Fading> fadesTo(const std::vector<TwipRect>& to) const;
  // Both looks without the captions, which are drawn over every frame.
  effects::Frame fadeFrame(const std::vector<Fading>& fades) const;
  void drawFade(effects::Frame& frame, int weight);
  // The captions change half way; outside the fading areas they are drawn here.
  void changeCaptionsHalfway(const std::vector<Fading>& fades, const std::function<void()>& halfway);
  // The monitors changed: the window covers the new screen, repainted, each
  // stage on its monitor still.
  void onDisplayChange();
  void placeStages();

  HWND hwnd_ = nullptr;
  std::function<void(TimerId)> onTimer_;
  SaverInput input_;
  std::function<ScreenLayout()> layout_;
  win32::SystemClock systemClock_;
  const Clock& clock_;
  ScreenGeometry geo_{};
  std::unique_ptr<effects::Renderer> renderer_;  // outlives every picture handed to it
  // The background: a colour, or the desktop as it was at (snapshotAt_),
  // kept where the screen still shows it across display changes.
  COLORREF backColor_ = 0;
  COLORREF pictureBackColor_ = 0;
  effects::PictureHandle snapshot_;
  POINT snapshotAt_{};
  std::vector<std::unique_ptr<MonitorStage>> stages_;  // one a monitor, the primary's first
  bool unloading_ = false;                             // our own unload: closing is not an end then
  std::unique_ptr<effects::DisplayPacer> frameWaiter_;
  // Once a picture pans: a worker that waits for each display frame and
  // posts one pulse at a time to the window.
  std::thread framePulse_;
  std::atomic<bool> pulseStop_{false};
  std::atomic<bool> pulsePending_{false};
  bool framesWanted_ = false;  // a picture pans, its steps paced while the display is on
  bool asleep_ = false;        // the display is off: nothing is drawn
  std::function<void()> displayChanged_;
  std::function<void(DisplayPower)> displayPower_;
  std::function<void(PowerSource)> powerSource_;
  // The power settings the window is told about, for as long as it lives.
  struct PowerNotice {
    void operator()(HPOWERNOTIFY h) const { UnregisterPowerSettingNotification(h); }
  };
  std::vector<std::unique_ptr<std::remove_pointer_t<HPOWERNOTIFY>, PowerNotice>> powerNotices_;
};

}  // namespace lumova::saver
