#include "effects/transition_player_win32.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumova::effects {
namespace {

// Windows 10 1803 and later; older systems refuse the flag.
constexpr DWORD kHighResolutionTimerFlag = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION

// A wait never blocks longer than this, whatever the timer does.
constexpr DWORD kLongestWaitMs = 250;

LONGLONG counterNow() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

template <typename Fn>
Fn procAddress(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class BitBltCopier final : public RectCopier {
 public:
  BitBltCopier(HDC target, HDC source) : target_(target), source_(source) {}
  bool copy(const PixelRect& r) override {
    return BitBlt(target_, r.x, r.y, r.w, r.h, source_, r.x, r.y, SRCCOPY) != FALSE;
  }
  // GDI batches calls per thread; the frame must reach the screen before the wait.
  void endFrame() override { GdiFlush(); }

 private:
  HDC target_;
  HDC source_;
};

// Copies to the plan's place on the target, only what falls inside its clip.
class PlacedCopier final : public RectCopier {
 public:
  PlacedCopier(HDC target, const PlacedPlan& placed) : target_(target), placed_(placed) {}
  bool copy(const PixelRect& r) override {
    const POINT o = placed_.origin;
    const RECT want{o.x + r.x, o.y + r.y, o.x + r.x + r.w, o.y + r.y + r.h};
    RECT to;
    if (!IntersectRect(&to, &want, &placed_.clip)) return true;  // nothing of it shows
    return BitBlt(target_, to.left, to.top, to.right - to.left, to.bottom - to.top, placed_.source, to.left - o.x,
                  to.top - o.y, SRCCOPY) != FALSE;
  }
  void endFrame() override { GdiFlush(); }

 private:
  HDC target_;
  const PlacedPlan& placed_;
};

}  // namespace

double displayRefreshHz(HMONITOR monitor) {
  // 0 and 1 both mean "the hardware's default rate", which is not told.
  auto known = [](double hz) { return hz > 1 && hz < 1000; };

  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (!monitor) monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  const wchar_t* device = monitor && GetMonitorInfoW(monitor, &info) ? info.szDevice : nullptr;
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (EnumDisplaySettingsW(device, ENUM_CURRENT_SETTINGS, &mode) && known(mode.dmDisplayFrequency))
    return mode.dmDisplayFrequency;

  win32::WindowDc screen(nullptr);
  if (screen) {
    const int hz = GetDeviceCaps(screen.get(), VREFRESH);
    if (known(hz)) return hz;
  }
  return 60;
}

DisplayFrameWaiter::DisplayFrameWaiter() : DisplayFrameWaiter(CompositionCalls{}) {
  using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
  using FlushFn = HRESULT(WINAPI*)();
  dwmapi_ = LoadLibraryW(L"dwmapi.dll");
  if (!dwmapi_) return;
  const auto isEnabled = procAddress<IsCompositionEnabledFn>(dwmapi_, "DwmIsCompositionEnabled");
  const auto flush = procAddress<FlushFn>(dwmapi_, "DwmFlush");
  if (!isEnabled || !flush) return;
  calls_.enabled = [isEnabled] {
    BOOL composed = FALSE;
    return SUCCEEDED(isEnabled(&composed)) && composed;
  };
  calls_.flush = [flush] { return SUCCEEDED(flush()); };
  refresh();
}

DisplayFrameWaiter::DisplayFrameWaiter(CompositionCalls calls) : calls_(std::move(calls)) {
  LARGE_INTEGER f;
  if (QueryPerformanceFrequency(&f) && f.QuadPart > 0) ticksPerSecond_ = f.QuadPart;

  timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimerFlag, TIMER_ALL_ACCESS));
  highResolution_ = static_cast<bool>(timer_);
  if (!timer_) timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS));

  refresh();
}

DisplayFrameWaiter::~DisplayFrameWaiter() {
  if (flusherThread_.joinable()) {
    flusher_->stopping = true;
    SetEvent(flusher_->asked.get());
    // A compositor that never answers keeps its thread; the process ends
    // around it, and the library it is in stays loaded.
    if (flushPending_ && WaitForSingleObject(flusher_->done.get(), kLongestWaitMs) != WAIT_OBJECT_0) {
      flusherThread_.detach();
      return;
    }
    flusherThread_.join();
  }
  if (dwmapi_) FreeLibrary(dwmapi_);
}

void DisplayFrameWaiter::refresh(HMONITOR monitor) {
  refreshHz_ = displayRefreshHz(monitor);
  period_ = std::max<LONGLONG>(1, std::llround(static_cast<double>(ticksPerSecond_) / refreshHz_));

  const bool composition = calls_.enabled && calls_.flush && calls_.enabled();
  mode_ = composition ? FrameWaitMode::Composition : timerMode();
}

FrameWaitMode DisplayFrameWaiter::timerMode() const {
  if (!timer_) return FrameWaitMode::Sleep;
  return highResolution_ ? FrameWaitMode::HighResolutionTimer : FrameWaitMode::Timer;
}

bool DisplayFrameWaiter::inputWaiting() { return HIWORD(GetQueueStatus(QS_INPUT)) != 0; }

void DisplayFrameWaiter::begin() { deadline_ = counterNow(); }

void DisplayFrameWaiter::waitForNextFrame() {
  if (mode_ == FrameWaitMode::Composition) {
    if (waitForCompositor()) {
      ++compositionWaits_;
      deadline_ = counterNow();
      return;
    }
    // A compositor that stalls (a display going to sleep) or fails holds
    // no frame longer than the timer would: the rest of this effect is timed.
    mode_ = timerMode();
    if (inputWaiting()) return;
  }

  deadline_ += period_;
  const LONGLONG now = counterNow();
  if (deadline_ <= now) {
    ++lateFrames_;
    // More than a frame behind: start the schedule again from here rather
    // than rushing through the frames missed.
    if (now - deadline_ > period_) deadline_ = now;
    return;
  }
  if (waitForTimer()) {
    ++timerWaits_;
    return;
  }
  const LONGLONG ms = (deadline_ - now) * 1000 / ticksPerSecond_;
  ::Sleep(static_cast<DWORD>(std::clamp<LONGLONG>(ms, 0, kLongestWaitMs)));
}

bool DisplayFrameWaiter::waitForCompositor() {
  if (!flusherThread_.joinable()) {
    auto f = std::make_shared<Flusher>();
    f->flush = calls_.flush;
    f->asked.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    f->done.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!f->asked || !f->done) return false;
    flusher_ = f;
    flusherThread_ = std::thread([f] {
      while (WaitForSingleObject(f->asked.get(), INFINITE) == WAIT_OBJECT_0 && !f->stopping) {
        f->ok = f->flush();
        SetEvent(f->done.get());
      }
    });
  }
  // The answer to a wait that input cut short, if it has come since.
  if (flushPending_ && WaitForSingleObject(flusher_->done.get(), 0) == WAIT_OBJECT_0) flushPending_ = false;
  if (flushPending_) return false;  // still stalled
  flushPending_ = true;
  SetEvent(flusher_->asked.get());
  const HANDLE done = flusher_->done.get();
  const DWORD woke = MsgWaitForMultipleObjectsEx(1, &done, kLongestWaitMs, QS_INPUT, MWMO_INPUTAVAILABLE);
  if (woke != WAIT_OBJECT_0) return false;
  flushPending_ = false;
  return flusher_->ok;
}

bool DisplayFrameWaiter::waitForTimer() {
  if (!timer_) return false;
  const LONGLONG remaining = deadline_ - counterNow();
  if (remaining <= 0) return true;
  // Negative due time: relative, in 100-nanosecond units.
  LARGE_INTEGER due;
  due.QuadPart = -std::max<LONGLONG>(1, remaining * 10'000'000 / ticksPerSecond_);
  if (!SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE)) return false;
  // Input ends the wait at once: the effect then stops for it.
  const HANDLE timer = timer_.get();
  return MsgWaitForMultipleObjectsEx(1, &timer, kLongestWaitMs, QS_INPUT, MWMO_INPUTAVAILABLE) != WAIT_FAILED;
}

std::optional<std::size_t> playEffectPlans(HDC target, std::span<const PlacedPlan> plans, FrameWaiter& waiter) {
  std::vector<PlacedCopier> copiers;
  std::vector<PlanOnTarget> onTargets;
  copiers.reserve(plans.size());
  for (const PlacedPlan& p : plans) copiers.emplace_back(target, p);
  for (std::size_t i = 0; i < plans.size(); ++i) onTargets.push_back({plans[i].plan, &copiers[i]});
  return playPlans(onTargets, waiter);
}

bool PixelBuffer::create(int width, int height, const DibMaker& make) {
  if (bitmap_ && width == width_ && height == height_) return true;  // kept: no new pages to fault in
  void* bits = nullptr;
  dc_.show(nullptr);
  bitmap_.reset(make ? make(width, height, &bits) : win32::createTopDownDib(width, height, &bits));
  if (!bitmap_ || !bits || !dc_.dc()) {
    bitmap_.reset();
    bits_ = nullptr;
    width_ = height_ = 0;
    return false;
  }
  dc_.show(bitmap_.get());
  bits_ = static_cast<std::uint32_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

bool FadeArea::create(const RECT& area, const DibMaker& make) {
  area_ = area;
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (!from_.create(w, h, make) || !to_.create(w, h, make) || !frame_.create(w, h, make)) return false;
  for (HDC dc : {from_.dc(), to_.dc(), frame_.dc()}) SetViewportOrgEx(dc, -area.left, -area.top, nullptr);
  return true;
}

void FadeArea::mix(const PixelRows& rows, int weight) {
  // GDI may still be drawing into the buffers (the caption of the frame before).
  GdiFlush();
  for (int y = 0; y < frame_.height(); ++y) rows.blend(from_.row(y), to_.row(y), frame_.row(y), frame_.width(), weight);
}

void FadeArea::drawTo(HDC target) {
  BitBlt(target, area_.left, area_.top, frame_.width(), frame_.height(), frame_.dc(), area_.left, area_.top, SRCCOPY);
}

bool playEffectPlan(HDC target, HDC source, const EffectPlan& plan, FrameWaiter& waiter) {
  BitBltCopier copier(target, source);
  return playPlan(plan, copier, waiter);
}

}  // namespace lumova::effects
