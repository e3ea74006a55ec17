#include "saver/form1_win32.h"

#include <cmath>

#include "common/clock_win32.h"
#include "common/display_win32.h"
#include "common/message_box.h"
#include "common/text_win32.h"
#include "common/units.h"
#include "picture/wic_loader_win32.h"
#include "res/resource_ids.h"
#include "effects/transition_player_win32.h"
#include "effects/transitions.h"

namespace lumova::saver {
namespace {

constexpr wchar_t kFrameClass[] = L"LumovaSaverWindow";
constexpr UINT kFramePulseMessage = WM_APP + 40;

}  // namespace

ScreenGeometry queryScreenGeometry() { return screenGeometry(win32::currentScreenLayout()); }

ScreenGeometry screenGeometry(const ScreenLayout& layout) {
  ScreenGeometry g{};
  const ScreenRect v = layout.saverWindow();
  g.virtualScreen = RECT{v.left, v.top, v.right, v.bottom};
  for (const ScreenRect& m : layout.monitors) {
    const ScreenPoint o = layout.originOf(m);
    StagePlace place;
    place.monitor = RECT{o.x, o.y, o.x + m.width(), o.y + m.height()};
    const RECT screen{m.left, m.top, m.right, m.bottom};
    place.handle = MonitorFromRect(&screen, MONITOR_DEFAULTTONEAREST);
    place.twipsPerPixel = twipsPerPixel(win32::monitorDpi(place.handle));
    g.monitors.push_back(place);
  }
  g.twipsPerPixel = g.monitors.front().twipsPerPixel;
  return g;
}

SaverWindow::SaverWindow(HINSTANCE instance, std::function<void(TimerId)> onTimer, SaverInput input)
    : onTimer_(std::move(onTimer)), input_(std::move(input)) {
  geo_ = queryScreenGeometry();
  const HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LUMOVA));
  // Its own DC: the window draws often (a floating picture, every tick).
  win32::registerWindowClass(instance, kFrameClass, &win32::windowProc<SaverWindow, &SaverWindow::onFrame>, nullptr,
                             icon, CS_OWNDC);

  const RECT& v = geo_.virtualScreen;
  // A tool window has no taskbar button; the window stays hidden until the
  // start-up has prepared it.
  hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kFrameClass, win32::toWide(kAppTitle).c_str(), WS_POPUP,
                          v.left, v.top, v.right - v.left, v.bottom - v.top, nullptr, nullptr, instance, this);

  win32::WindowDc screen(nullptr);
  background_.create(screen.get(), v.right - v.left, v.bottom - v.top);
  // Until the settings say otherwise: the system's frame colour for the
  // window, the button-text colour for the picture surface.
  backColor_ = GetSysColor(COLOR_WINDOWFRAME);
  pictureBackColor_ = GetSysColor(COLOR_BTNTEXT);
  background_.fill(backColor_);
  placeStages();
  frameWaiter_ = std::make_unique<effects::DisplayFrameWaiter>();
}

void SaverWindow::placeStages() {
  // Monitors keep their stage by their place in the order; one more gets a
  // new stage, one fewer takes its stage away with it.
  stages_.resize(std::min(stages_.size(), geo_.monitors.size()));
  fadeAreas_.resize(std::min(fadeAreas_.size(), stages_.size()));
  for (std::size_t i = 0; i < stages_.size(); ++i) stages_[i]->moveTo(geo_.monitors[i]);
  for (std::size_t i = stages_.size(); i < geo_.monitors.size(); ++i) {
    stages_.push_back(
        std::make_unique<MonitorStage>(static_cast<StageCanvas&>(*this), geo_.monitors[i], pictureBackColor_));
    if (i > 0) stages_.back()->copyCaptionStyle(*stages_.front());
  }
}

SaverWindow::~SaverWindow() {
  unloading_ = true;
  if (framePulse_.joinable()) {
    pulseStop_ = true;
    framePulse_.join();
  }
  frameWaiter_.reset();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void SaverWindow::setBackColor(std::uint32_t rgb) {
  backColor_ = win32::toColorRef(rgb);
  pictureBackColor_ = backColor_;
  for (auto& stage : stages_) stage->setPictureBackColor(pictureBackColor_);
  background_.fill(backColor_);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::snapshotDesktop() {
  // The window is not visible yet, so the screen still shows the desktop.
  const RECT& v = geo_.virtualScreen;
  HWND desktop = GetDesktopWindow();
  win32::WindowDc source(desktop);
  if (source) BitBlt(background_.dc(), 0, 0, v.right - v.left, v.bottom - v.top, source.get(), v.left, v.top, SRCCOPY);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::repaint(HDC dc, const RECT& area) {
  if (IsRectEmpty(&area)) return;
  const int width = area.right - area.left, height = area.bottom - area.top;
  bool layers = false;
  for (const auto& stage : stages_) layers = layers || stage->showsLayersIn(area);
  if (!layers) {
    // Background alone (outside every monitor, or a hidden picture): one copy.
    BitBlt(dc, area.left, area.top, width, height, background_.dc(), area.left, area.top, SRCCOPY);
    return;
  }
  // Composed off the screen and copied once, so no layer flickers.
  if ((scratch_.width() < width || scratch_.height() < height) &&
      !scratch_.create(dc, std::max(width, scratch_.width()), std::max(height, scratch_.height())))
    return;
  HDC out = scratch_.dc();
  SetViewportOrgEx(out, -area.left, -area.top, nullptr);
  BitBlt(out, area.left, area.top, width, height, background_.dc(), area.left, area.top, SRCCOPY);
  for (const auto& stage : stages_)
    if (stage->showsLayersIn(area)) stage->paintLayers(out, area);
  SetViewportOrgEx(out, 0, 0, nullptr);
  BitBlt(dc, area.left, area.top, width, height, out, 0, 0, SRCCOPY);
}

std::optional<std::size_t> SaverWindow::playEffects(const std::vector<int>& effects) {
  frameWaiter_->refresh(stages_.front()->place().handle);
  const std::size_t count = std::min(effects.size(), stages_.size());
  std::vector<effects::EffectPlan> plans(count);
  std::vector<std::size_t> monitorOf;
  for (std::size_t i = 0; i < count; ++i) {
    const win32::DibPicture* source = stages_[i]->source();
    // Nothing to reveal by steps: the commit shows what there is.
    if (!effects::isStepped(effects[i]) || !source) continue;
    plans[i] = effects::planEffect(effects[i], source->width(), source->height(), frameWaiter_->refreshHz());
    if (plans[i].overflow) return i;
    monitorOf.push_back(i);
  }
  if (monitorOf.empty()) return std::nullopt;
  win32::WindowDc target(hwnd_);
  // No DC to draw with: the effects are skipped and the commit shows the pictures.
  if (!target) return std::nullopt;
  std::vector<std::unique_ptr<win32::BitmapDc>> sources;
  std::vector<effects::PlacedPlan> placed;
  std::vector<std::size_t> placedMonitor;
  for (std::size_t i : monitorOf) {
    sources.push_back(std::make_unique<win32::BitmapDc>());
    if (!sources.back()->dc()) continue;  // that one is left to the commit
    placedMonitor.push_back(i);
    sources.back()->show(stages_[i]->source()->bitmap());
    const RECT& r = stages_[i]->pictureRect();
    RECT clip;
    IntersectRect(&clip, &r, &stages_[i]->place().monitor);
    placed.push_back({&plans[i], sources.back()->dc(), POINT{r.left, r.top}, clip});
  }
  struct NoWait final : effects::FrameWaiter {
    void waitForNextFrame() override {}
  } noWait;
  effects::FrameWaiter& waiter = effectsUnpaced_ ? static_cast<effects::FrameWaiter&>(noWait) : *frameWaiter_;
  const std::optional<std::size_t> failed = effects::playEffectPlans(target.get(), placed, waiter);
  return failed ? std::optional<std::size_t>(placedMonitor[*failed]) : std::nullopt;
}

void SaverWindow::prepareFade(MonitorStage& stage, const win32::DibPicture& next, const RECT& before, const RECT& after,
                              effects::FadeArea& fade) {
  // Both looks without the caption, which is drawn over every frame; the
  // background only where a picture leaves some of it.
  const RECT& area = fade.area();
  const auto background = [&](HDC dc, const RECT& picture) {
    RECT covered;
    if (IntersectRect(&covered, &area, &picture) && EqualRect(&covered, &area)) return;
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, background_.dc(), area.left,
           area.top, SRCCOPY);
  };
  background(fade.fromDc(), before);
  stage.paintPictureLayer(fade.fromDc());
  background(fade.toDc(), after);
  win32::BitmapDc picture;
  picture.show(next.bitmap());
  RECT shown;
  if (IntersectRect(&shown, &after, &area))
    BitBlt(fade.toDc(), shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, picture.dc(),
           shown.left - after.left, shown.top - after.top, SRCCOPY);
}

void SaverWindow::playCrossfade(const std::vector<TwipRect>& to, const std::function<void()>& halfway) {
  struct Fading {
    MonitorStage* stage;
    TwipRect to;
    effects::FadeArea* area;
  };
  const std::size_t count = std::min(to.size(), stages_.size());
  fadeAreas_.resize(stages_.size());
  std::vector<Fading> fades;
  for (std::size_t i = 0; i < count; ++i) {
    MonitorStage& stage = *stages_[i];
    const win32::DibPicture* source = stage.source();
    if (!source) continue;  // left to the commit
    const RECT before = stage.pictureShown() ? stage.pictureRect() : RECT{};
    const RECT after = stage.placeOf(to[i]);
    RECT both, area;
    UnionRect(&both, &before, &after);
    if (!IntersectRect(&area, &both, &stage.place().monitor)) continue;
    if (!fadeAreas_[i]) fadeAreas_[i] = std::make_unique<effects::FadeArea>();
    if (!fadeAreas_[i]->create(area)) continue;
    prepareFade(stage, *source, before, after, *fadeAreas_[i]);
    fades.push_back(Fading{&stage, to[i], fadeAreas_[i].get()});
  }
  win32::WindowDc target(hwnd_);
  if (fades.empty() || !target) {
    for (auto& f : fades) f.stage->adoptFaded(f.to);
    return;
  }

  class Target final : public effects::FadeTarget {
   public:
    Target(SaverWindow& window, HDC dc, std::vector<Fading>& fades, const std::function<void()>& halfway)
        : window_(window), dc_(dc), fades_(fades), halfway_(halfway), rows_(effects::fastestPixelRows()) {}
    void drawFade(int weight) override {
      for (auto& f : fades_) {
        f.area->mix(rows_, weight);
        f.stage->paintCaptionLayer(f.area->frameDc(), f.area->area());
        f.area->drawTo(dc_);
      }
      GdiFlush();
    }
    void halfway() override {
      std::vector<RECT> old;
      for (auto& f : fades_) old.push_back(f.stage->captionRect());
      if (halfway_) halfway_();
      // The captions outside the fading areas change here; inside them the next frame draws them.
      for (std::size_t i = 0; i < fades_.size(); ++i) {
        window_.repaint(dc_, old[i]);
        window_.repaint(dc_, fades_[i].stage->captionRect());
      }
    }

   private:
    SaverWindow& window_;
    HDC dc_;
    std::vector<Fading>& fades_;
    const std::function<void()>& halfway_;
    effects::PixelRows rows_;
  } drawer(*this, target.get(), fades, halfway);

  frameWaiter_->refresh(stages_.front()->place().handle);
  const win32::SystemClock clock;
  const effects::FadeRun run = effects::playFade(drawer, *frameWaiter_, clock);
  for (auto& f : fades) f.stage->adoptFaded(f.to);
  // Cut short, the screen still shows a mix: the new look at once.
  if (run.interrupted)
    for (auto& f : fades) repaint(target.get(), f.area->area());
}

void SaverWindow::wantFrames() {
  if (framePulse_.joinable()) return;
  const HWND window = hwnd_;
  framePulse_ = std::thread([this, window] {
    effects::DisplayFrameWaiter waiter;
    const int every = effects::panZoomFramesPerStep(waiter.refreshHz());
    waiter.begin();
    bool due = false;
    for (int frame = 1; !pulseStop_; ++frame) {
      waiter.waitForNextFrame();
      due = due || frame % every == 0;
      // One pulse in the queue at a time: a busy window skips frames rather
      // than falling behind; a step it was not ready for goes out on the
      // next frame instead.
      if (due && !pulsePending_.exchange(true)) {
        PostMessageW(window, kFramePulseMessage, 0, 0);
        due = false;
      }
    }
  });
}

void SaverWindow::onFramePulse() {
  pulsePending_ = false;
  const double now = win32::SystemClock().monotonicSeconds();
  for (auto& stage : stages_) stage->panZoomStep(now);
}

void SaverWindow::unload() {
  unloading_ = true;
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void SaverWindow::onDisplayChange() {
  const ScreenGeometry before = geo_;
  geo_ = layout_ ? screenGeometry(layout_()) : queryScreenGeometry();
  const RECT& v = geo_.virtualScreen;
  const int width = v.right - v.left, height = v.bottom - v.top;
  // The old background stays where the screen still shows it (a desktop
  // snapshot keeps what it caught); new parts get the window's colour.
  win32::OffscreenSurface grown;
  win32::WindowDc screen(nullptr);
  if (grown.create(screen.get(), width, height)) {
    grown.fill(backColor_);
    BitBlt(grown.dc(), before.virtualScreen.left - v.left, before.virtualScreen.top - v.top, background_.width(),
           background_.height(), background_.dc(), 0, 0, SRCCOPY);
    if (background_.create(screen.get(), width, height))
      BitBlt(background_.dc(), 0, 0, width, height, grown.dc(), 0, 0, SRCCOPY);
  }
  placeStages();
  SetWindowPos(hwnd_, nullptr, v.left, v.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, FALSE);
  if (displayChanged_) displayChanged_();
}

void SaverWindow::set(TimerId id, std::uint32_t intervalMs) {
  // Setting a window timer again replaces it, which restarts its countdown.
  if (intervalMs == 0)
    KillTimer(hwnd_, static_cast<UINT_PTR>(id));
  else
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void SaverWindow::kill(TimerId id) { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

void SaverWindow::show() { ShowWindow(hwnd_, SW_SHOW); }

void SaverWindow::setInputEnabled(bool enabled) {
  EnableWindow(hwnd_, enabled ? TRUE : FALSE);
  if (!enabled) return;
  SetForegroundWindow(hwnd_);
  SetFocus(hwnd_);
}

void SaverWindow::pumpFor(double maxSeconds) {
  DWORD ms = maxSeconds <= 0 ? 0 : static_cast<DWORD>(std::ceil(maxSeconds * 1000));
  MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void SaverWindow::onUnexpectedError() {
  if (input_.onEnd) input_.onEnd();
}

LRESULT SaverWindow::onFrame(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // everything is painted from the persistent image
    case WM_PAINT:
      paintFrame();
      return 0;
    case WM_TIMER:
      if (onTimer_) onTimer_(static_cast<TimerId>(wp));
      return 0;
    case kFramePulseMessage:
      onFramePulse();
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (input_.onKey) input_.onKey();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      onButton(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
      return 0;
    case WM_MOUSEMOVE:
      onMouseMove(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
      return 0;
    case WM_SYSCOMMAND:
      // No screen-saver start or monitor power-off over a running saver.
      if ((wp & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_DISPLAYCHANGE:
      onDisplayChange();
      return 0;
    case WM_CLOSE:
      // Closed from outside (a tool, a closing session): the saver ends
      // as it does on input, rather than staying on without a window.
      if (input_.onEnd) input_.onEnd();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wp && input_.onEnd) input_.onEnd();
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      if (!unloading_ && input_.onEnd) input_.onEnd();
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// The layers take input as windows of their own would: the picture reports
// movement in its own pixels and ignores buttons; the caption takes both
// and does nothing; the background reports movement in twips.
void SaverWindow::onMouseMove(POINT at) {
  for (const auto& stage : stages_) {
    if (stage->pictureAt(at)) {
      const RECT& r = stage->pictureRect();
      if (input_.onPictureMove) input_.onPictureMove(at.x - r.left, at.y - r.top);
      return;
    }
    if (stage->captionAt(at)) return;
  }
  if (input_.onBackgroundMove)
    input_.onBackgroundMove(static_cast<float>(at.x * geo_.twipsPerPixel),
                            static_cast<float>(at.y * geo_.twipsPerPixel));
}

void SaverWindow::onButton(POINT at) {
  for (const auto& stage : stages_)
    if (stage->pictureAt(at) || stage->captionAt(at)) return;
  if (input_.onBackgroundButton) input_.onBackgroundButton();
}

void SaverWindow::paintFrame() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  repaint(dc, ps.rcPaint);
  EndPaint(hwnd_, &ps);
}

}  // namespace lumova::saver
