#include "effects/transitions.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "common/clock.h"
#include "common/random.h"
#include "common/textnum.h"
#include "effects/blend.h"

namespace lumova::effects {
namespace {

constexpr int kMaxInt16 = 32767;
constexpr double kSecondsPerStep = 0.0015;
constexpr double kMinSeconds = 0.6;
constexpr double kMaxSeconds = 2.0;
constexpr double kDefaultRefreshHz = 60;

bool keepsSixteenBitHeight(int effect) {
  return effect == kRightLeftWipe || effect == kUpDownWipe || effect == kCenterWipe;
}

bool isBlinds(int effect) { return effectKind(effect) == EffectKind::blinds; }

void appendSteps(int effect, double W, double H, std::vector<StepRect>& out) {
  switch (effect) {
    case kLeftWipe:
      for (double i = 1; i <= W; ++i) out.push_back({0, 0, i, H});
      break;
    case kRightWipe:
      for (double i = 1; i <= W; ++i) out.push_back({W - i, 0, i, H});
      break;
    case kRightLeftWipe: {
      const double h = roundHalfEven(H);
      double v = 1;
      const double last = W / 2;
      for (double i = 1; i <= last; ++i) {
        out.push_back({(W - v) / 2, 0, v, h});
        v += 2;
      }
      break;
    }
    case kUpDownWipe: {
      const double v = W;
      double h = 1;
      const double last = H / 2;
      for (double i = 1; i <= last; ++i) {
        out.push_back({0, (H - h) / 2, v, h});
        h += 2;
      }
      break;
    }
    case kCenterWipe: {
      double v = 1, h = 1;
      if (W > H) {
        v = W - H;
      } else if (W < H) {
        h = roundHalfEven(H - W);
      }
      const double n = W - v;
      for (double i = 1; i <= n; ++i) {
        out.push_back({std::floor((W - v) / 2), std::floor((H - h) / 2), v, h});
        v += 1;
        h += 1;
      }
      break;
    }
    case kHorizontalBlinds: {
      const double slats = std::trunc(H / kBlindPitch);
      for (double k = 1; k <= kBlindPitch; ++k)
        for (double i = 0; i <= slats; ++i) out.push_back({0, kBlindPitch * i, W, k});
      break;
    }
    case kVerticalBlinds: {
      const double slats = std::trunc(W / kBlindPitch);
      for (double k = 1; k <= kBlindPitch; ++k)
        for (double i = 0; i <= slats; ++i) out.push_back({kBlindPitch * i, 0, k, H});
      break;
    }
    default:
      break;
  }
}

bool contains(const PixelRect& outer, const PixelRect& inner) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
         inner.y + inner.h <= outer.y + outer.h;
}

void pushIfAny(std::vector<PixelRect>& out, PixelRect r) {
  if (!r.empty()) out.push_back(r);
}

// `now` minus `before`, for nested rectangles: up to four bands around the
// old one (the frame of a growing centre rectangle, two sides of a band).
void appendGrowth(const PixelRect& before, const PixelRect& now, std::vector<PixelRect>& out) {
  if (now.empty()) return;
  // Every wipe only grows; should one ever not, redrawing the whole of it
  // still shows the right picture.
  assert(before.empty() || contains(now, before));
  if (before.empty() || !contains(now, before)) {
    out.push_back(now);
    return;
  }
  const int nowRight = now.x + now.w, nowBottom = now.y + now.h;
  const int oldRight = before.x + before.w, oldBottom = before.y + before.h;
  pushIfAny(out, {now.x, now.y, now.w, before.y - now.y});
  pushIfAny(out, {now.x, oldBottom, now.w, nowBottom - oldBottom});
  pushIfAny(out, {now.x, before.y, before.x - now.x, before.h});
  pushIfAny(out, {oldRight, before.y, nowRight - oldRight, before.h});
}

// The blinds, frame by frame: one band per slat that opened
// further since the previous frame.
class BlindsTracker {
 public:
  BlindsTracker(bool vertical, int width, int height)
      : vertical_(vertical),
        width_(width),
        height_(height),
        opened_(static_cast<std::size_t>((vertical ? width : height) / kBlindPitch) + 1) {}

  void appendFrame(std::span<const StepRect> steps, std::vector<PixelRect>& out) {
    touched_.clear();
    for (const StepRect& s : steps) {
      const double origin = vertical_ ? s.x : s.y;
      const int extent = static_cast<int>(vertical_ ? s.w : s.h);
      const auto slat = static_cast<std::size_t>(origin / kBlindPitch);
      if (opened_[slat].target < extent) {
        if (opened_[slat].target == opened_[slat].shown) touched_.push_back(slat);
        opened_[slat].target = extent;
      }
    }
    std::sort(touched_.begin(), touched_.end());
    const int length = vertical_ ? width_ : height_;
    for (std::size_t slat : touched_) {
      Slat& s = opened_[slat];
      const int base = static_cast<int>(slat) * kBlindPitch;
      const int from = std::min(base + s.shown, length);
      const int to = std::min(base + s.target, length);
      s.shown = s.target;
      if (to <= from) continue;
      if (vertical_) {
        pushIfAny(out, {from, 0, to - from, height_});
      } else {
        pushIfAny(out, {0, from, width_, to - from});
      }
    }
  }

 private:
  struct Slat {
    int shown = 0;   // rows (columns) drawn in earlier frames
    int target = 0;  // rows (columns) the steps so far open
  };
  bool vertical_;
  int width_, height_;
  std::vector<Slat> opened_;
  std::vector<std::size_t> touched_;
};

}  // namespace

std::optional<int> chooseEffect(std::optional<int>& effectMode, bool randomEffect, Random& random) {
  if (randomEffect) {
    random.reseed();
    const double stepped = steppedEffectCount();
    const double drawn = std::floor(stepped * random.next() + 1);
    effectMode = static_cast<int>(std::clamp(drawn, 1.0, stepped));
  }
  if (effectMode && isEffect(*effectMode)) return effectMode;
  return std::nullopt;
}

EffectSteps effectSteps(int effect, int width, int height) {
  EffectSteps result;
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (keepsSixteenBitHeight(effect) && height > kMaxInt16) {
    result.overflow = true;
    return result;
  }
  appendSteps(effect, width, height, result.steps);
  return result;
}

PixelRect toPixels(const StepRect& step, int width, int height) {
  const double left = std::clamp(std::floor(step.x), 0.0, double(width));
  const double top = std::clamp(std::floor(step.y), 0.0, double(height));
  const double right = std::clamp(std::ceil(step.x + step.w), 0.0, double(width));
  const double bottom = std::clamp(std::ceil(step.y + step.h), 0.0, double(height));
  if (right <= left || bottom <= top) return {static_cast<int>(left), static_cast<int>(top), 0, 0};
  return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
          static_cast<int>(bottom - top)};
}

std::span<const PixelRect> EffectPlan::frame(std::size_t k) const {
  const std::size_t begin = k == 0 ? 0 : frameEnds[k - 1];
  return std::span<const PixelRect>(rects).subspan(begin, frameEnds[k] - begin);
}

double effectSeconds(std::int64_t steps) {
  return std::clamp(kSecondsPerStep * static_cast<double>(steps), kMinSeconds, kMaxSeconds);
}

EffectPlan planEffect(int effect, int width, int height, double refreshHz) {
  EffectPlan plan;
  plan.effect = effect;
  plan.width = std::max(width, 0);
  plan.height = std::max(height, 0);

  const EffectSteps all = effectSteps(effect, plan.width, plan.height);
  plan.overflow = all.overflow;
  plan.steps = static_cast<std::int64_t>(all.steps.size());
  if (plan.steps == 0) return plan;

  if (!(refreshHz > 0) || !std::isfinite(refreshHz)) refreshHz = kDefaultRefreshHz;
  refreshHz = std::min(refreshHz, 1000.0);
  plan.seconds = effectSeconds(plan.steps);
  const auto frames = std::max<std::int64_t>(1, std::llround(plan.seconds * refreshHz));
  plan.frameEnds.reserve(static_cast<std::size_t>(frames));
  plan.stepsAfter.reserve(static_cast<std::size_t>(frames));

  const bool blinds = isBlinds(effect);
  BlindsTracker slats(effect == kVerticalBlinds, plan.width, plan.height);
  PixelRect shown;  // nested effects: what the previous frame showed
  std::int64_t done = 0;
  for (std::int64_t k = 1; k <= frames; ++k) {
    // Nearest whole share of the steps; the last frame gets them all.
    const std::int64_t upTo = (2 * k * plan.steps + frames) / (2 * frames);
    if (upTo > done) {
      if (blinds) {
        slats.appendFrame(std::span<const StepRect>(all.steps).subspan(static_cast<std::size_t>(done),
                                                                       static_cast<std::size_t>(upTo - done)),
                          plan.rects);
      } else {
        // Each step of a wipe holds all earlier ones: its rectangle is the union.
        const PixelRect now = toPixels(all.steps[static_cast<std::size_t>(upTo - 1)], plan.width, plan.height);
        appendGrowth(shown, now, plan.rects);
        if (!now.empty()) shown = now;
      }
      done = upTo;
    }
    plan.frameEnds.push_back(plan.rects.size());
    plan.stepsAfter.push_back(done);
  }
  return plan;
}

bool playPlan(const EffectPlan& plan, RectCopier& copier, FrameWaiter& waiter) {
  const PlanOnTarget one{&plan, &copier};
  return !playPlans(std::span(&one, 1), waiter);
}

std::optional<std::size_t> playPlans(std::span<const PlanOnTarget> plans, FrameWaiter& waiter) {
  std::size_t frames = 0;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    if (plans[i].plan->overflow) return i;
    frames = std::max(frames, plans[i].plan->frameCount());
  }
  if (frames == 0) return std::nullopt;
  waiter.begin();
  for (std::size_t k = 0; k < frames; ++k) {
    for (const PlanOnTarget& p : plans) {
      if (k >= p.plan->frameCount()) continue;
      for (const PixelRect& r : p.plan->frame(k)) p.copier->copy(r);
      p.copier->endFrame();
    }
    if (k + 1 == frames || waiter.inputWaiting()) break;
    waiter.waitForNextFrame();
  }
  return std::nullopt;
}

int fadeWeight(double elapsed) {
  if (!(elapsed > 0)) return 0;
  if (elapsed >= kCrossfadeSeconds) return kWeightOne;
  return static_cast<int>(std::lround(kWeightOne * elapsed / kCrossfadeSeconds));
}

FadeRun playFade(FadeTarget& target, FrameWaiter& waiter, const Clock& clock) {
  FadeRun run;
  const double start = clock.monotonicSeconds();
  double drawing = 0;  // how long the frame before took to draw
  // Between the starts of frames: the shorter of the last two, so that a
  // single stall does not count as the pace.
  double interval = 0, latest = 0;
  double before = 0;
  bool pastHalf = false;
  waiter.begin();
  for (;;) {
    const double now = clock.monotonicSeconds() - start;
    if (run.frames > 0) {
      interval = run.frames > 1 ? std::min(now - before, latest) : now - before;
      latest = now - before;
    }
    before = now;
    // A frame shows the mix due when it will have been drawn. The last is
    // the one that ends nearest the fade's time: a slow machine ends it up
    // to half a frame early rather than a whole frame late.
    const double shown = now + drawing;
    const bool last = shown >= kCrossfadeSeconds - interval / 2;
    if (!pastHalf && (shown >= kCrossfadeSeconds / 2 || last)) {
      pastHalf = true;
      target.halfway();
    }
    target.drawFade(last ? kWeightOne : fadeWeight(shown));
    ++run.frames;
    drawing = clock.monotonicSeconds() - start - now;
    if (last) return run;
    if (waiter.inputWaiting()) {
      run.interrupted = true;
      return run;
    }
    waiter.waitForNextFrame();
  }
}

}  // namespace lumova::effects
