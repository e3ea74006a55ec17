#include "saver/saver_window_win32.h"

#include <cmath>
#include <cstring>

#include "common/clock_win32.h"
#include "common/display_win32.h"
#include "common/message_box.h"
#include "common/text_win32.h"
#include "common/units.h"
#include "effects/d3d11_renderer_win32.h"
#include "effects/gdi_renderer_win32.h"
#include "effects/reveal.h"
#include "effects/transition_player_win32.h"
#include "effects/transitions.h"
#include "picture/wic_loader_win32.h"
#include "res/resource_ids.h"

namespace lumova::saver {
namespace {

constexpr wchar_t kFrameClass[] = L"LumovaSaverWindow";
constexpr UINT kFramePulseMessage = WM_APP + 40;
// The window's own timer, beside the show's (TimerId): the pause marks go.
constexpr UINT_PTR kPauseMarkTimer = 100;

KeyPress keyPress(UINT msg, WPARAM wp, LPARAM lp) {
  // Bit 30: the key was down before, a repeat of a key held down. A system
  // key comes with Alt (or is F10).
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  return KeyPress{static_cast<int>(wp), (lp & (1L << 30)) != 0, ctrl || msg == WM_SYSKEYDOWN};
}

// The power settings followed (the SDK's values, without its GUID library):
// the console's display, where it has one (Windows 8 on), else the
// session's; and the power source.
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kSessionDisplayStatus = {0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
constexpr GUID kPowerSource = {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}};

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
  for (const GUID* setting : {&kConsoleDisplayState, &kSessionDisplayStatus, &kPowerSource}) {
    // One display state is enough.
    if (setting == &kSessionDisplayStatus && !powerNotices_.empty()) continue;
    if (HPOWERNOTIFY h = RegisterPowerSettingNotification(hwnd_, setting, DEVICE_NOTIFY_WINDOW_HANDLE))
      powerNotices_.emplace_back(h);
  }

  // Until the settings say otherwise: the system's frame colour for the
  // window, the button-text colour for the picture surface.
  backColor_ = GetSysColor(COLOR_WINDOWFRAME);
  pictureBackColor_ = GetSysColor(COLOR_BTNTEXT);
  placeStages();
  frameWaiter_ = parts.frameWaiter ? std::move(parts.frameWaiter) : effects::framePacerFor(*renderer_);
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
  stopPulse();
  powerNotices_.clear();
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
  appendClocks(frame.layers);
  for (const RECT& r : areas)
    if (!IsRectEmpty(&r)) frame.damage.push_back({r.left, r.top, r.right, r.bottom});
  return frame;
}

void SaverWindow::appendClocks(std::vector<effects::Layer>& layers) const {
  for (const auto& stage : stages_)
    if (auto clock = stage->clockLayer()) layers.emplace_back(*clock);
}

void SaverWindow::redraw(const std::vector<RECT>& areas) {
  if (asleep_) return;  // all of it again on waking
  const effects::Frame frame = frameOf(areas);
  if (frame.damage.empty()) return;
  renderer_->draw(frame);
  renderer_->present();
}

std::optional<std::size_t> SaverWindow::planReveals(const std::vector<int>& effects, std::vector<Revealing>& reveals) {
  const std::size_t count = std::min(effects.size(), stages_.size());
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
  return std::nullopt;
}

effects::Frame SaverWindow::revealFrame(std::vector<Revealing>& reveals) const {
  effects::Frame frame = frameOf({});
  frame.layers.clear();
  for (std::size_t i = 0; i < stages_.size(); ++i) {
    stages_[i]->describe(frame.layers);
    for (Revealing& r : reveals) {
      if (r.monitor != i) continue;
      const auto picture = stages_[i]->pictureLayer();
      const bool panning = picture && picture->source;
      r.at = frame.layers.size() - stages_[i]->layersOver() - (panning && stages_[i]->captionLayer() ? 1 : 0);
      frame.layers.insert(frame.layers.begin() + static_cast<std::ptrdiff_t>(r.at), r.layers.begin(), r.layers.end());
    }
  }
  appendClocks(frame.layers);
  // Nothing of the sources shows before the first step.
  for (Revealing& r : reveals) effects::ClipReveal::showRevealed(frame, r.layers, r.revealed, r.at);
  return frame;
}

std::optional<std::size_t> SaverWindow::playEffects(const std::vector<int>& effects) {
  if (asleep_) return std::nullopt;  // the commit shows the pictures
  frameWaiter_->refresh(stages_.front()->place().handle);
  std::vector<Revealing> reveals;
  if (const std::optional<std::size_t> overflowing = planReveals(effects, reveals)) return overflowing;
  if (reveals.empty()) return std::nullopt;
  effects::Frame frame = revealFrame(reveals);
  std::vector<effects::ClipReveal> players;
  players.reserve(reveals.size());
  std::vector<effects::PlanOnTarget> plans;
  for (Revealing& r : reveals) {
    players.emplace_back(*renderer_, frame, r.area, r.layers, r.revealed, r.at);
    plans.push_back({&r.plan, &players.back()});
  }
  const std::optional<std::size_t> failed = effects::playPlans(plans, *frameWaiter_);
  return failed ? std::optional<std::size_t>(reveals[*failed].monitor) : std::nullopt;
}

std::vector<SaverWindow::Fading> SaverWindow::fadesTo(const std::vector<TwipRect>& to) const {
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
  return fades;
}

effects::Frame SaverWindow::fadeFrame(const std::vector<Fading>& fades) const {
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
  return frame;
}

void SaverWindow::drawFade(effects::Frame& frame, int weight) {
  frame.weight = weight;
  frame.over.clear();
  for (const auto& stage : stages_) {
    if (auto c = stage->captionLayer()) frame.over.emplace_back(*c);
    if (auto c = stage->partnerCaptionLayer()) frame.over.emplace_back(*c);
    stage->describeOver(frame.over);
  }
  appendClocks(frame.over);
  renderer_->draw(frame);
  renderer_->present();
}

void SaverWindow::changeCaptionsHalfway(const std::vector<Fading>& fades, const std::function<void()>& halfway) {
  std::vector<RECT> changed;
  const auto captions = [&] {
    for (const Fading& f : fades) {
      changed.push_back(f.stage->captionRect());
      changed.push_back(f.stage->partnerCaptionRect());
    }
  };
  captions();
  if (halfway) halfway();
  // Inside the fading areas the next frame draws them.
  captions();
  redraw(changed);
}

void SaverWindow::playCrossfade(const std::vector<TwipRect>& to, const std::function<void()>& halfway) {
  const std::vector<Fading> fades = fadesTo(to);
  effects::Frame frame = fadeFrame(fades);
  effects::FadeCalls drawer([&](int weight) { drawFade(frame, weight); }, [&] { changeCaptionsHalfway(fades, halfway); });
  effects::FadeRun run;
  if (!frame.damage.empty() && IsWindow(hwnd_) && !asleep_) {
    frameWaiter_->refresh(stages_.front()->place().handle);
    run = effects::playFade(drawer, *frameWaiter_, clock_);
  }
  for (const Fading& f : fades) f.stage->adoptFaded(f.to);
  // Cut short, the screen still shows a mix: the new look at once.
  if (run.interrupted) {
    std::vector<RECT> areas;
    for (const Fading& f : fades) areas.push_back(f.area);
    redraw(areas);
  }
}

void SaverWindow::wantFrames() {
  framesWanted_ = true;
  if (!asleep_) startPulse();
}

void SaverWindow::stopPulse() {
  if (!framePulse_.joinable()) return;
  pulseStop_ = true;
  framePulse_.join();
  pulseStop_ = false;
  pulsePending_ = false;
}

void SaverWindow::startPulse() {
  if (framePulse_.joinable()) return;
  const HWND window = hwnd_;
  std::shared_ptr<effects::DisplayPacer> pacer = effects::framePacerFor(*renderer_);
  pacer->refresh(stages_.front()->place().handle);
  const int every = effects::panZoomFramesPerStep(pacer->refreshHz(), renderer_->drawsOnCard());
  framePulse_ = std::thread([this, window, pacer, every] {
    // At the drawing's own level: a pulse that comes late is a step skipped.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    pacer->begin();
    bool due = false;
    for (int frame = 1; !pulseStop_; ++frame) {
      pacer->waitForNextFrame();
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

void SaverWindow::pauseMarkShown() {
  SetTimer(hwnd_, kPauseMarkTimer, static_cast<UINT>(kPauseMarkSeconds * 1000), nullptr);
}

void SaverWindow::onFramePulse() {
  const double now = clock_.monotonicSeconds();
  bool panning = false;
  for (auto& stage : stages_) {
    stage->panZoomStep(now);
    panning = panning || stage->pans();
  }
  // The next pulse waits for this step to be drawn: pulses posted while a
  // slow frame draws would fill the queue, and timers come only when it is empty.
  pulsePending_ = false;
  // Nothing moves any more (held on battery): no worker wakes for nothing.
  if (!panning) {
    framesWanted_ = false;
    stopPulse();
  }
}

void SaverWindow::setDisplayAsleep(bool asleep) {
  if (asleep == asleep_) return;
  asleep_ = asleep;
  if (asleep) {
    stopPulse();
    return;
  }
  if (framesWanted_) startPulse();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::onPowerBroadcast(WPARAM wp, LPARAM lp) {
  if (wp != PBT_POWERSETTINGCHANGE || lp == 0) return;
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lp);
  if (setting->DataLength < sizeof(DWORD)) return;
  DWORD value = 0;
  std::memcpy(&value, setting->Data, sizeof value);
  if (IsEqualGUID(setting->PowerSetting, kPowerSource)) {
    if (powerSource_) powerSource_(powerSourceOf(value));
  } else if (IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) ||
             IsEqualGUID(setting->PowerSetting, kSessionDisplayStatus)) {
    if (const auto power = displayPowerOf(value); power && displayPower_) displayPower_(*power);
  }
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
      if (wp == kPauseMarkTimer) {
        KillTimer(hwnd_, kPauseMarkTimer);
        for (auto& stage : stages_) stage->hidePauseMark();
        return 0;
      }
      if (onTimer_) onTimer_(static_cast<TimerId>(wp));
      return 0;
    case kFramePulseMessage:
      onFramePulse();
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (input_.onKey) input_.onKey(keyPress(msg, wp, lp));
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
      // No screen-saver start over a running saver; the monitor's power-off
      // goes on to the system, as the power plan's display-off time asks.
      if ((wp & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_POWERBROADCAST:
      onPowerBroadcast(wp, lp);
      return TRUE;
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
