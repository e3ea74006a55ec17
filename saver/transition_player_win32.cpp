#include "saver/transition_player_win32.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumova::saver {
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

DisplayFrameWaiter::DisplayFrameWaiter() {
  LARGE_INTEGER f;
  if (QueryPerformanceFrequency(&f) && f.QuadPart > 0) ticksPerSecond_ = f.QuadPart;

  dwmapi_ = LoadLibraryW(L"dwmapi.dll");
  if (dwmapi_) {
    isCompositionEnabled_ = procAddress<IsCompositionEnabledFn>(dwmapi_, "DwmIsCompositionEnabled");
    flush_ = procAddress<FlushFn>(dwmapi_, "DwmFlush");
  }

  timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimerFlag, TIMER_ALL_ACCESS));
  highResolution_ = static_cast<bool>(timer_);
  if (!timer_) timer_.reset(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS));

  refresh();
}

DisplayFrameWaiter::~DisplayFrameWaiter() {
  if (dwmapi_) FreeLibrary(dwmapi_);
}

void DisplayFrameWaiter::refresh(HMONITOR monitor) {
  refreshHz_ = displayRefreshHz(monitor);
  period_ = std::max<LONGLONG>(1, std::llround(static_cast<double>(ticksPerSecond_) / refreshHz_));

  BOOL composed = FALSE;
  const bool composition = isCompositionEnabled_ && flush_ && SUCCEEDED(isCompositionEnabled_(&composed)) && composed;
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
    const LONGLONG before = counterNow();
    const bool flushed = SUCCEEDED(flush_());
    const LONGLONG after = counterNow();
    if (flushed) ++compositionWaits_;
    // A compositor that stalls (a display going to sleep) holds no frame
    // longer than the timer would: the rest of this effect is timed.
    if (!flushed || (after - before) * 1000 > kLongestWaitMs * ticksPerSecond_) mode_ = timerMode();
    if (flushed) {
      deadline_ = after;
      return;
    }
    // Composition went away mid-effect: pace by the clock instead.
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

bool DisplayFrameWaiter::waitForTimer() {
  if (!timer_) return false;
  const LONGLONG remaining = deadline_ - counterNow();
  if (remaining <= 0) return true;
  // Negative due time: relative, in 100-nanosecond units.
  LARGE_INTEGER due;
  due.QuadPart = -std::max<LONGLONG>(1, remaining * 10'000'000 / ticksPerSecond_);
  if (!SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE)) return false;
  return WaitForSingleObject(timer_.get(), kLongestWaitMs) != WAIT_FAILED;
}

std::optional<std::size_t> playEffectPlans(HDC target, std::span<const PlacedPlan> plans, FrameWaiter& waiter) {
  std::vector<PlacedCopier> copiers;
  std::vector<PlanOnTarget> onTargets;
  copiers.reserve(plans.size());
  for (const PlacedPlan& p : plans) copiers.emplace_back(target, p);
  for (std::size_t i = 0; i < plans.size(); ++i) onTargets.push_back({plans[i].plan, &copiers[i]});
  return playPlans(onTargets, waiter);
}

bool playEffectPlan(HDC target, HDC source, const EffectPlan& plan, FrameWaiter& waiter) {
  BitBltCopier copier(target, source);
  return playPlan(plan, copier, waiter);
}

}  // namespace lumova::saver
