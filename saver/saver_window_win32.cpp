#include "saver/saver_window_win32.h"

#include <cmath>

#include "common/clock_win32.h"
#include "common/display_win32.h"
#include "common/message_box.h"
#include "common/text_win32.h"
#include "common/units.h"
#include "effects/gdi_renderer_win32.h"
#include "effects/transition_player_win32.h"
#include "effects/transitions.h"
#include "picture/wic_loader_win32.h"
#include "res/resource_ids.h"

namespace lumova::saver {
namespace {

constexpr wchar_t kFrameClass[] = L"LumovaSaverWindow";
constexpr UINT kFramePulseMessage = WM_APP + 40;

}  // namespace

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

SaverWindow::SaverWindow(HINSTANCE instance, std::function<void(TimerId)> onTimer, SaverInput input,
                         SaverWindowParts parts)
    : onTimer_(std::move(onTimer)),
      input_(std::move(input)),
      layout_(std::move(parts.screenLayout)),
      clock_(parts.clock ? *parts.clock : systemClock_) {
  if (!layout_) layout_ = [] { return win32::currentScreenLayout(); };
  geo_ = screenGeometry(layout_());
  const HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LUMOVA));
  // Its own DC: the window draws often (a floating picture, every tick).
  win32::registerWindowClass(instance, kFrameClass, &win32::windowProc<SaverWindow, &SaverWindow::onFrame>, nullptr,
                             icon, CS_OWNDC);

  const RECT& v = geo_.virtualScreen;
  // A tool window has no taskbar button; the window stays hidden until the
  // start-up has prepared it.
  hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kFrameClass, win32::toWide(kAppTitle).c_str(), WS_POPUP,
                          v.left, v.top, v.right - v.left, v.bottom - v.top, nullptr, nullptr, instance, this);
  renderer_ = parts.renderer ? parts.renderer(hwnd_) : std::make_unique<effects::GdiRenderer>(hwnd_);

  // Until the settings say otherwise: the system's frame colour for the
  // window, the button-text colour for the picture surface.
  backColor_ = GetSysColor(COLOR_WINDOWFRAME);
  pictureBackColor_ = GetSysColor(COLOR_BTNTEXT);
  placeStages();
  frameWaiter_ = parts.frameWaiter ? std::move(parts.frameWaiter) : std::make_unique<effects::DisplayFrameWaiter>();
}

void SaverWindow::placeStages() {
  // Monitors keep their stage by their place in the order; one more gets a
  // new stage, one fewer takes its stage away with it.
  stages_.resize(std::min(stages_.size(), geo_.monitors.size()));
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
  // The pictures go back to the renderer before it goes.
  stages_.clear();
  snapshot_.reset();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void SaverWindow::setBackColor(std::uint32_t rgb) {
  backColor_ = win32::toColorRef(rgb);
  pictureBackColor_ = backColor_;
  for (auto& stage : stages_) stage->setPictureBackColor(pictureBackColor_);
  snapshot_.reset();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::snapshotDesktop() {
  // The window is not visible yet, so the screen still shows the desktop.
  const RECT& v = geo_.virtualScreen;
  auto picture = win32::DibPicture::create(v.right - v.left, v.bottom - v.top);
  win32::WindowDc source(GetDesktopWindow());
  if (!picture || !source) return;
  {
    win32::BitmapDc copy;
    copy.show(picture->bitmap());
    BitBlt(copy.dc(), 0, 0, picture->width(), picture->height(), source.get(), v.left, v.top, SRCCOPY);
  }
  GdiFlush();
  picture->setOpaque(true);
  snapshot_ = effects::handOver(*renderer_, std::move(picture));
  snapshotAt_ = POINT{0, 0};
  InvalidateRect(hwnd_, nullptr, FALSE);
}

effects::Frame SaverWindow::frameOf(const std::vector<RECT>& areas) const {
  effects::Frame frame;
  frame.background = {win32::fromColorRef(backColor_), effects::idOf(snapshot_), snapshotAt_.x, snapshotAt_.y};
  for (const auto& stage : stages_) stage->describe(frame.layers);
  for (const RECT& r : areas)
    if (!IsRectEmpty(&r)) frame.damage.push_back({r.left, r.top, r.right, r.bottom});
  return frame;
}

void SaverWindow::redraw(const std::vector<RECT>& areas) {
  const effects::Frame frame = frameOf(areas);
  if (frame.damage.empty()) return;
  renderer_->draw(frame);
  renderer_->present();
}

std::optional<std::size_t> SaverWindow::playEffects(const std::vector<int>& effects) {
  frameWaiter_->refresh(stages_.front()->place().handle);
  const std::size_t count = std::min(effects.size(), stages_.size());
  struct Revealing {
    std::size_t monitor;
    effects::EffectPlan plan;
    effects::Rect area;                         // where the plan's rectangles are laid
    std::vector<effects::PictureLayer> layers;  // the source, its partner and their surrounds, under them
    std::vector<effects::Rect> revealed;        // what the plan has revealed so far
    std::size_t at;                             // the first one's place among the frame's layers
  };
  std::vector<Revealing> reveals;
  for (std::size_t i = 0; i < count; ++i) {
    MonitorStage& stage = *stages_[i];
    const std::optional<effects::PictureLayer> source = stage.sourceLayer(stage.pictureRect());
    // Nothing to reveal by steps: the commit shows what there is.
    if (!effects::isStepped(effects[i]) || !source) continue;
    const effects::Rect size = stage.revealSize();
    const RECT area = stage.revealArea();
    Revealing r{i,
                effects::planEffect(effects[i], size.width(), size.height(), frameWaiter_->refreshHz()),
                {area.left, area.top, area.right, area.bottom},
                {},
                {},
                0};
    if (r.plan.overflow) return i;
    r.layers = stage.sourceLayers(stage.pictureRect());
    reveals.push_back(std::move(r));
  }
  if (reveals.empty()) return std::nullopt;

  // Each source goes just over its own stage's picture, under what lies over that.
  effects::Frame frame = frameOf({});
  frame.layers.clear();
  for (std::size_t i = 0; i < stages_.size(); ++i) {
    stages_[i]->describe(frame.layers);
    for (Revealing& r : reveals)
      if (r.monitor == i) {
        const auto picture = stages_[i]->pictureLayer();
        const bool panning = picture && picture->source;
        r.at = panning ? frame.layers.size() - (stages_[i]->captionLayer() ? 1 : 0) : frame.layers.size();
        frame.layers.insert(frame.layers.begin() + static_cast<std::ptrdiff_t>(r.at), r.layers.begin(), r.layers.end());
      }
  }
  class Player final : public effects::RectCopier {
   public:
    Player(effects::Renderer& renderer, effects::Frame& frame, Revealing& reveal)
        : renderer_(renderer), frame_(frame), reveal_(reveal) {}
    bool copy(const effects::PixelRect& r) override {
      const effects::Rect& at = reveal_.area;
      const effects::Rect placed = effects::intersection(
          {at.left + r.x, at.top + r.y, at.left + r.x + r.w, at.top + r.y + r.h}, reveal_.layers.back().keepIn);
      if (placed.empty()) return true;  // nothing of it shows
      reveal_.revealed.push_back(placed);
      frame_.damage.push_back(placed);
      return true;
    }
    void endFrame() override {
      showRevealed(frame_, reveal_);
      renderer_.draw(frame_);
      renderer_.present();
      frame_.damage.clear();
    }
    // Every layer shows what is revealed, within what it shows of itself.
    static void showRevealed(effects::Frame& frame, const Revealing& reveal) {
      for (std::size_t k = 0; k < reveal.layers.size(); ++k) {
        const std::vector<effects::Rect>& own = reveal.layers[k].clip;
        std::vector<effects::Rect> clip;
        for (const effects::Rect& c : reveal.revealed)
          if (own.empty())
            clip.push_back(c);
          else if (const effects::Rect in = effects::intersection(c, own.front()); !in.empty())
            clip.push_back(in);
        // Nothing of it shows before its first step.
        if (clip.empty()) clip.emplace_back();
        std::get<effects::PictureLayer>(frame.layers[reveal.at + k]).clip = std::move(clip);
      }
    }

   private:
    effects::Renderer& renderer_;
    effects::Frame& frame_;
    Revealing& reveal_;
  };
  for (Revealing& r : reveals) Player::showRevealed(frame, r);
  std::vector<Player> players;
  players.reserve(reveals.size());
  std::vector<effects::PlanOnTarget> plans;
  for (Revealing& r : reveals) {
    players.emplace_back(*renderer_, frame, r);
    plans.push_back({&r.plan, &players.back()});
  }
  const std::optional<std::size_t> failed = effects::playPlans(plans, *frameWaiter_);
  return failed ? std::optional<std::size_t>(reveals[*failed].monitor) : std::nullopt;
}

void SaverWindow::playCrossfade(const std::vector<TwipRect>& to, const std::function<void()>& halfway) {
  struct Fading {
    MonitorStage* stage;
    TwipRect to;
    RECT area;
  };
  const std::size_t count = std::min(to.size(), stages_.size());
  std::vector<Fading> fades;
  for (std::size_t i = 0; i < count; ++i) {
    MonitorStage& stage = *stages_[i];
    if (!stage.source()) continue;  // left to the commit
    // A surround or a partner, before or after, takes the whole monitor.
    const RECT before = stage.showsWhole()     ? stage.place().monitor
                        : stage.pictureShown() ? stage.pictureRect()
                                               : RECT{};
    const RECT after = stage.sourceWhole() ? stage.place().monitor : stage.placeOf(to[i]);
    RECT both, area{};
    UnionRect(&both, &before, &after);
    IntersectRect(&area, &both, &stage.place().monitor);
    fades.push_back(Fading{&stage, to[i], area});
  }
  // Both looks without the captions, which are drawn over every frame.
  effects::Frame frame = frameOf({});
  frame.layers.clear();
  for (const auto& stage : stages_) {
    std::vector<effects::PictureLayer> shown = stage->surroundLayers();
    for (auto& p : stage->pictureLayers()) shown.push_back(std::move(p));
    frame.fadingFrom.insert(frame.fadingFrom.end(), shown.begin(), shown.end());
    const auto fading =
        std::find_if(fades.begin(), fades.end(), [&](const Fading& f) { return f.stage == stage.get(); });
    const auto next = fading == fades.end() ? shown : stage->sourceLayers(stage->placeOf(fading->to));
    frame.layers.insert(frame.layers.end(), next.begin(), next.end());
  }
  for (const Fading& f : fades)
    if (!IsRectEmpty(&f.area)) frame.damage.push_back({f.area.left, f.area.top, f.area.right, f.area.bottom});

  class Target final : public effects::FadeTarget {
   public:
    Target(SaverWindow& window, effects::Frame& frame, std::vector<Fading>& fades, const std::function<void()>& halfway)
        : window_(window), frame_(frame), fades_(fades), halfway_(halfway) {}
    void drawFade(int weight) override {
      frame_.weight = weight;
      frame_.over.clear();
      for (const auto& stage : window_.stages_) {
        if (auto c = stage->captionLayer()) frame_.over.emplace_back(*c);
        if (auto c = stage->partnerCaptionLayer()) frame_.over.emplace_back(*c);
      }
      window_.renderer_->draw(frame_);
      window_.renderer_->present();
    }
    void halfway() override {
      std::vector<RECT> changed;
      const auto captions = [&] {
        for (auto& f : fades_) {
          changed.push_back(f.stage->captionRect());
          changed.push_back(f.stage->partnerCaptionRect());
        }
      };
      captions();
      if (halfway_) halfway_();
      // The captions outside the fading areas change here; inside them the next frame draws them.
      captions();
      window_.redraw(changed);
    }

   private:
    SaverWindow& window_;
    effects::Frame& frame_;
    std::vector<Fading>& fades_;
    const std::function<void()>& halfway_;
  } drawer(*this, frame, fades, halfway);

  effects::FadeRun run;
  if (!frame.damage.empty() && IsWindow(hwnd_)) {
    frameWaiter_->refresh(stages_.front()->place().handle);
    run = effects::playFade(drawer, *frameWaiter_, clock_);
  }
  for (auto& f : fades) f.stage->adoptFaded(f.to);
  // Cut short, the screen still shows a mix: the new look at once.
  if (run.interrupted) {
    std::vector<RECT> areas;
    for (auto& f : fades) areas.push_back(f.area);
    redraw(areas);
  }
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
  const double now = clock_.monotonicSeconds();
  for (auto& stage : stages_) stage->panZoomStep(now);
}

void SaverWindow::unload() {
  unloading_ = true;
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void SaverWindow::onDisplayChange() {
  const ScreenGeometry before = geo_;
  geo_ = screenGeometry(layout_());
  const RECT& v = geo_.virtualScreen;
  // The desktop snapshot stays where the screen still shows it; new parts
  // get the window's colour.
  snapshotAt_.x += before.virtualScreen.left - v.left;
  snapshotAt_.y += before.virtualScreen.top - v.top;
  placeStages();
  SetWindowPos(hwnd_, nullptr, v.left, v.top, v.right - v.left, v.bottom - v.top, SWP_NOZORDER | SWP_NOACTIVATE);
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
  BeginPaint(hwnd_, &ps);
  redraw({ps.rcPaint});
  EndPaint(hwnd_, &ps);
}

}  // namespace lumova::saver
