#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/random.h"
#include "effects/transitions.h"

using namespace lumova;
using namespace lumova::effects;

namespace {

std::string describe(const StepRect& r) {
  std::ostringstream s;
  s << "(" << r.x << ", " << r.y << ", " << r.w << " x " << r.h << ")";
  return s.str();
}
std::string describe(const PixelRect& r) {
  std::ostringstream s;
  s << "(" << r.x << ", " << r.y << ", " << r.w << " x " << r.h << ")";
  return s.str();
}

class ScriptedRandom final : public Random {
 public:
  explicit ScriptedRandom(std::vector<double> values) : values_(std::move(values)) {}
  void reseed() override { log += 'S'; }
  double next() override {
    log += 'N';
    return values_.at(next_++);
  }
  std::string log;

 private:
  std::vector<double> values_;
  std::size_t next_ = 0;
};

class SteppingClock final : public Clock {
 public:
  double secondsSinceMidnight() const override { return t_ += 0.37; }
  double monotonicSeconds() const override { return t_; }
  void advance(double seconds) { t_ += seconds; }

 private:
  mutable double t_ = 3600;
};

// Which pixels a set of rectangles covers, counted per pixel.
class Coverage {
 public:
  Coverage(int width, int height) : w_(width), h_(height), count_(static_cast<std::size_t>(width) * height, 0) {}

  // Paints one rectangle; false when it leaves the picture.
  bool paint(const PixelRect& r) {
    if (r.x < 0 || r.y < 0 || r.w < 0 || r.h < 0 || r.x + r.w > w_ || r.y + r.h > h_) return false;
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) ++count_[index(x, y)];
    return true;
  }

  // Union of many, possibly overlapping, rectangles without painting each
  // one pixel by pixel: corner marks and running sums.
  static Coverage unionOf(const std::vector<PixelRect>& rects, int width, int height) {
    std::vector<int> marks(static_cast<std::size_t>(width + 1) * (height + 1), 0);
    auto at = [&](int x, int y) -> int& { return marks[static_cast<std::size_t>(y) * (width + 1) + x]; };
    for (const PixelRect& r : rects) {
      if (r.empty()) continue;
      ++at(r.x, r.y);
      --at(r.x + r.w, r.y);
      --at(r.x, r.y + r.h);
      ++at(r.x + r.w, r.y + r.h);
    }
    Coverage c(width, height);
    std::vector<int> row(static_cast<std::size_t>(width + 1), 0);
    for (int y = 0; y < height; ++y) {
      int run = 0;
      for (int x = 0; x < width; ++x) {
        run += at(x, y);
        row[x] += run;
        c.count_[c.index(x, y)] = row[x] > 0 ? 1 : 0;
      }
    }
    return c;
  }

  std::int64_t overlaps() const {
    std::int64_t n = 0;
    for (int v : count_) n += v > 1;
    return n;
  }

  // First pixel where the two disagree on "covered", or nothing.
  std::optional<std::pair<int, int>> firstDifference(const Coverage& o) const {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x)
        if ((count_[index(x, y)] > 0) != (o.count_[index(x, y)] > 0)) return std::pair{x, y};
    return std::nullopt;
  }

 private:
  std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * w_ + x; }
  int w_, h_;
  std::vector<int> count_;
};

std::vector<PixelRect> pixelSteps(const EffectSteps& s, std::int64_t count, int w, int h) {
  std::vector<PixelRect> out;
  for (std::int64_t i = 0; i < count; ++i) out.push_back(toPixels(s.steps[i], w, h));
  return out;
}

std::string where(std::optional<std::pair<int, int>> p) {
  return p ? "(" + std::to_string(p->first) + ", " + std::to_string(p->second) + ")" : "nowhere";
}

}  // namespace

TEST(Transitions, FixedChoiceRunsTheNumberedEffect) {
  struct Row {
    std::optional<int> effectMode;
    std::optional<int> runs;
  };
  const std::vector<Row> rows = {
      {0, 0}, {1, 1}, {5, 5}, {7, 7}, {8, 8}, {9, std::nullopt}, {-1, std::nullopt}, {std::nullopt, std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.effectMode ? std::to_string(*r.effectMode) : "none");
    std::optional<int> mode = r.effectMode;
    ScriptedRandom random({0.5});
    EXPECT_EQ(chooseEffect(mode, false, random), r.runs);
    EXPECT_EQ(mode, r.effectMode) << "only a random choice rewrites effectMode";
    EXPECT_EQ(random.log, "") << "a fixed effect draws nothing";
  }
}

TEST(Transitions, RandomChoiceReseedsThenDrawsOneToSeven) {
  struct Row {
    double r;
    int effect;
  };
  const std::vector<Row> rows = {
      {0.0, 1}, {0.142, 1}, {0.143, 2}, {0.5, 4}, {0.857, 6}, {0.858, 7}, {0.9999999999, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.r);
    std::optional<int> mode;  // naming no effect: the drawn number replaces it
    ScriptedRandom random({row.r});
    EXPECT_EQ(chooseEffect(mode, true, random), row.effect);
    EXPECT_EQ(random.log, "SN");
    EXPECT_EQ(mode, row.effect);
  }
}

TEST(Transitions, RandomChoiceOverManyPicturesCoversOneToSevenNeverStandard) {
  SteppingClock clock;
  ClockSeededRandom random(clock);
  std::optional<int> mode = 0;
  std::set<int> seen;
  for (int picture = 0; picture < 500; ++picture) {
    const std::optional<int> effect = chooseEffect(mode, true, random);
    ASSERT_TRUE(effect);
    ASSERT_NE(*effect, kStandard);
    seen.insert(*effect);
  }
  EXPECT_EQ(seen, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(Transitions, StepsFollowTheWorkedExamples) {
  struct Row {
    const char* name;
    int effect, w, h;
    std::size_t count;
    StepRect first, last;
  };
  const std::vector<Row> rows = {
      {"left wipe 640", kLeftWipe, 640, 480, 640, {0, 0, 1, 480}, {0, 0, 640, 480}},
      {"right wipe 640", kRightWipe, 640, 480, 640, {639, 0, 1, 480}, {0, 0, 640, 480}},
      {"right & left 100", kRightLeftWipe, 100, 80, 50, {49.5, 0, 1, 80}, {0.5, 0, 99, 80}},
      {"right & left 101", kRightLeftWipe, 101, 80, 50, {50, 0, 1, 80}, {1, 0, 99, 80}},
      {"up & down 100", kUpDownWipe, 80, 100, 50, {0, 49.5, 80, 1}, {0, 0.5, 80, 99}},
      {"up & down 7", kUpDownWipe, 80, 7, 3, {0, 3, 80, 1}, {0, 1, 80, 5}},
      {"center 300x200", kCenterWipe, 300, 200, 200, {100, 99, 100, 1}, {0, 0, 299, 200}},
      {"center 200x300", kCenterWipe, 200, 300, 199, {99, 100, 1, 100}, {0, 1, 199, 298}},
      {"center 64x64", kCenterWipe, 64, 64, 63, {31, 31, 1, 1}, {0, 0, 63, 63}},
      {"h blinds 480", kHorizontalBlinds, 640, 480, 500, {0, 0, 640, 1}, {0, 480, 640, 20}},
      {"v blinds 650", kVerticalBlinds, 650, 100, 660, {0, 0, 1, 100}, {640, 0, 20, 100}},
      {"h blinds 15 high", kHorizontalBlinds, 30, 15, 20, {0, 0, 30, 1}, {0, 0, 30, 20}},
      {"1x1 left wipe", kLeftWipe, 1, 1, 1, {0, 0, 1, 1}, {0, 0, 1, 1}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const EffectSteps s = effectSteps(r.effect, r.w, r.h);
    EXPECT_FALSE(s.overflow);
    ASSERT_EQ(s.steps.size(), r.count);
    EXPECT_EQ(s.steps.front(), r.first) << describe(s.steps.front());
    EXPECT_EQ(s.steps.back(), r.last) << describe(s.steps.back());
  }
}

TEST(Transitions, SomeEffectsHaveNoSteps) {
  struct Row {
    const char* name;
    int effect, w, h;
  };
  const std::vector<Row> rows = {
      {"standard", kStandard, 640, 480},
      {"number 9", 9, 640, 480},
      {"number -1", -1, 640, 480},
      {"1x1 center wipe", kCenterWipe, 1, 1},
      {"1x1 right & left", kRightLeftWipe, 1, 1},
      {"1x1 up & down", kUpDownWipe, 1, 1},
      {"portrait 1 wide center", kCenterWipe, 1, 50},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const EffectSteps s = effectSteps(r.effect, r.w, r.h);
    EXPECT_TRUE(s.steps.empty());
    EXPECT_FALSE(s.overflow);
    const EffectPlan plan = planEffect(r.effect, r.w, r.h, 60);
    EXPECT_EQ(plan.frameCount(), 0u);
    EXPECT_TRUE(plan.rects.empty());
  }
}

TEST(Transitions, BlindsOpenEverySlatOneLinePerPass) {
  // 480 high: slats at rows 0, 20, ..., 480, the last one outside the picture.
  const EffectSteps h = effectSteps(kHorizontalBlinds, 640, 480);
  std::set<double> rows;
  for (const StepRect& s : h.steps) rows.insert(s.y);
  EXPECT_EQ(rows.size(), 25u);
  EXPECT_EQ(*rows.rbegin(), 480);
  for (std::size_t pass = 0; pass < 20; ++pass) {
    SCOPED_TRACE(pass);
    for (std::size_t slat = 0; slat < 25; ++slat) {
      const StepRect& s = h.steps[pass * 25 + slat];
      EXPECT_EQ(s, (StepRect{0, 20.0 * slat, 640, pass + 1.0})) << describe(s);
    }
  }
  EXPECT_TRUE(toPixels(h.steps.back(), 640, 480).empty());

  // 650 wide: 33 slats, the last one 10 pixels wide once clipped.
  const EffectSteps v = effectSteps(kVerticalBlinds, 650, 100);
  EXPECT_EQ(v.steps.size(), 20u * 33);
  EXPECT_EQ(toPixels(v.steps.back(), 650, 100), (PixelRect{640, 0, 10, 100}));
}

TEST(Transitions, HalfPixelsRoundOutwardsAndCopiesClipToThePicture) {
  struct Row {
    StepRect step;
    int w, h;
    PixelRect want;
  };
  const std::vector<Row> rows = {
      {{49.5, 0, 1, 80}, 100, 80, {49, 0, 2, 80}},      {{0.5, 0, 99, 80}, 100, 80, {0, 0, 100, 80}},
      {{48.5, 0, 3, 80}, 100, 80, {48, 0, 4, 80}},      {{0, 49.5, 80, 1}, 80, 100, {0, 49, 80, 2}},
      {{50, 0, 1, 80}, 101, 80, {50, 0, 1, 80}},        {{640, 0, 20, 100}, 650, 100, {640, 0, 10, 100}},
      {{0, 460, 640, 20}, 640, 470, {0, 460, 640, 10}}, {{0, 0, 640, 1}, 640, 480, {0, 0, 640, 1}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(describe(r.step));
    EXPECT_EQ(toPixels(r.step, r.w, r.h), r.want) << describe(toPixels(r.step, r.w, r.h));
  }
  EXPECT_TRUE(toPixels({0, 480, 640, 20}, 640, 480).empty());
  EXPECT_TRUE(toPixels({0, 0, 0, 5}, 640, 480).empty());
}

TEST(Transitions, GrowingBandsStayCentredOnEvenSizes) {
  // On an even width every band straddles the middle line: equal margins.
  for (int effect : {kRightLeftWipe, kUpDownWipe}) {
    SCOPED_TRACE(effect);
    const int w = 100, h = 60;
    const EffectSteps s = effectSteps(effect, w, h);
    for (std::size_t i = 0; i < s.steps.size(); ++i) {
      const PixelRect p = toPixels(s.steps[i], w, h);
      SCOPED_TRACE(describe(p));
      if (effect == kRightLeftWipe) {
        EXPECT_EQ(p.x, w - (p.x + p.w));
        EXPECT_EQ(p.w, 2 * static_cast<int>(i + 1));
      } else {
        EXPECT_EQ(p.y, h - (p.y + p.h));
        EXPECT_EQ(p.h, 2 * static_cast<int>(i + 1));
      }
    }
  }
}

TEST(Transitions, SixteenBitHeightFailsAboveItsLimit) {
  struct Row {
    int effect, w, h;
    bool overflow;
  };
  const std::vector<Row> rows = {
      {kRightLeftWipe, 4, 32768, true},     {kRightLeftWipe, 4, 32767, false},  {kUpDownWipe, 4, 32768, true},
      {kUpDownWipe, 4, 32767, false},       {kCenterWipe, 4, 32768, true},      {kCenterWipe, 40000, 32768, true},
      {kCenterWipe, 4, 32767, false},       {kLeftWipe, 4, 40000, false},       {kRightWipe, 4, 40000, false},
      {kHorizontalBlinds, 4, 40000, false}, {kVerticalBlinds, 4, 40000, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.effect) + " on " + std::to_string(r.w) + "x" + std::to_string(r.h));
    const EffectSteps s = effectSteps(r.effect, r.w, r.h);
    EXPECT_EQ(s.overflow, r.overflow);
    EXPECT_EQ(s.steps.empty(), r.overflow);
    const EffectPlan plan = planEffect(r.effect, r.w, r.h, 60);
    EXPECT_EQ(plan.overflow, r.overflow);
  }
}

TEST(Transitions, FrameCountFollowsTheDurationRule) {
  struct Row {
    const char* name;
    int effect, w, h;
    double hz;
    std::int64_t steps;
    std::size_t frames;
  };
  const std::vector<Row> rows = {
      {"100 steps: 0.6 s at least", kLeftWipe, 100, 50, 60, 100, 36},
      {"640 steps: 0.96 s", kLeftWipe, 640, 50, 60, 640, 58},
      {"1920 steps: 2 s at most", kRightWipe, 1920, 50, 60, 1920, 120},
      {"500 copies: 0.75 s", kHorizontalBlinds, 640, 480, 60, 500, 45},
      {"1000 steps at 144 Hz", kLeftWipe, 1000, 50, 144, 1000, 216},
      {"unknown rate taken as 60 Hz", kLeftWipe, 1000, 50, 0, 1000, 90},
      {"one step still lasts 0.6 s", kLeftWipe, 1, 1, 60, 1, 36},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const EffectPlan plan = planEffect(r.effect, r.w, r.h, r.hz);
    EXPECT_EQ(plan.steps, r.steps);
    ASSERT_EQ(plan.frameCount(), r.frames);
    ASSERT_EQ(plan.stepsAfter.size(), r.frames);
    EXPECT_EQ(plan.stepsAfter.back(), plan.steps);
    // Each frame advances by a proportional share of the steps.
    const double share = static_cast<double>(plan.steps) / static_cast<double>(r.frames);
    std::int64_t before = 0;
    for (std::size_t k = 0; k < r.frames; ++k) {
      const double advance = static_cast<double>(plan.stepsAfter[k] - before);
      EXPECT_LE(std::abs(advance - share), 1.0) << "frame " << k;
      before = plan.stepsAfter[k];
    }
  }
}

// The frames of every effect, drawn one after the other, show exactly what
// the effect's own steps have revealed by then, never drawing a pixel twice.
TEST(Transitions, FramesDrawExactlyWhatTheStepsReveal) {
  struct Size {
    int w, h;
  };
  const std::vector<Size> sizes = {{1, 1},   {2, 1},  {1, 2},    {101, 75}, {100, 60},   {60, 101},
                                   {64, 64}, {19, 7}, {650, 41}, {37, 480}, {2600, 1700}};
  for (int effect = kLeftWipe; effect <= kVerticalBlinds; ++effect) {
    for (const Size& size : sizes) {
      const int w = size.w, h = size.h;
      SCOPED_TRACE("effect " + std::to_string(effect) + " on " + std::to_string(w) + "x" + std::to_string(h));
      const EffectSteps steps = effectSteps(effect, w, h);
      const EffectPlan plan = planEffect(effect, w, h, 60);
      ASSERT_EQ(plan.steps, static_cast<std::int64_t>(steps.steps.size()));
      ASSERT_EQ(plan.frameCount(), plan.stepsAfter.size());

      const bool small = std::int64_t{w} * h <= 20000;
      const std::size_t midFrame = plan.frameCount() / 2;
      Coverage drawn(w, h);
      std::int64_t area = 0;
      for (std::size_t k = 0; k < plan.frameCount(); ++k) {
        for (const PixelRect& r : plan.frame(k)) {
          ASSERT_FALSE(r.empty()) << "frame " << k;
          ASSERT_TRUE(drawn.paint(r)) << describe(r) << " leaves the picture";
          area += r.area();
        }
        if (small || k == midFrame || k + 1 == plan.frameCount()) {
          const Coverage want = Coverage::unionOf(pixelSteps(steps, plan.stepsAfter[k], w, h), w, h);
          ASSERT_EQ(drawn.firstDifference(want), std::nullopt)
              << "frame " << k << " after " << plan.stepsAfter[k] << " steps differs at "
              << where(drawn.firstDifference(want));
        }
      }
      EXPECT_EQ(drawn.overlaps(), 0);
      EXPECT_LE(static_cast<double>(area), 1.05 * w * h);
      if (plan.frameCount() == 0) {
        EXPECT_EQ(Coverage::unionOf(pixelSteps(steps, plan.steps, w, h), w, h).firstDifference(Coverage(w, h)),
                  std::nullopt);
      }
    }
  }
}

TEST(Transitions, CenterWipeFrameIsAtMostFourBandsBlindsOneBandPerSlat) {
  const EffectPlan center = planEffect(kCenterWipe, 300, 200, 60);
  for (std::size_t k = 1; k < center.frameCount(); ++k) EXPECT_LE(center.frame(k).size(), 4u) << k;

  const EffectPlan blinds = planEffect(kHorizontalBlinds, 640, 470, 60);  // 24 slats
  for (std::size_t k = 0; k < blinds.frameCount(); ++k) {
    std::set<int> slats;
    for (const PixelRect& r : blinds.frame(k)) {
      EXPECT_TRUE(slats.insert(r.y / kBlindPitch).second) << "frame " << k << " " << describe(r);
      EXPECT_EQ(r.y / kBlindPitch, (r.y + r.h - 1) / kBlindPitch) << describe(r);
    }
  }
}

namespace {

struct Event {
  char what;  // 'c' copy, 'e' end of frame, 'w' wait, 'b' begin
  PixelRect rect;
};

class RecordingCopier final : public RectCopier {
 public:
  explicit RecordingCopier(std::vector<Event>& log, int failAt = -1, bool failAfter = false)
      : log_(log), failAt_(failAt), failAfter_(failAfter) {}
  bool copy(const PixelRect& r) override {
    log_.push_back({'c', r});
    const int n = copies_++;
    return failAt_ < 0 || (failAfter_ ? n < failAt_ : n != failAt_);
  }
  void endFrame() override { log_.push_back({'e', {}}); }

 private:
  std::vector<Event>& log_;
  int failAt_;
  bool failAfter_;
  int copies_ = 0;
};

// Input arrives once `inputAfterWaits` waits have passed (never when negative).
class RecordingWaiter final : public FrameWaiter {
 public:
  explicit RecordingWaiter(std::vector<Event>& log, int inputAfterWaits = -1)
      : log_(log), inputAfterWaits_(inputAfterWaits) {}
  void begin() override { log_.push_back({'b', {}}); }
  void waitForNextFrame() override {
    log_.push_back({'w', {}});
    ++waits_;
  }
  bool inputWaiting() override { return inputAfterWaits_ >= 0 && waits_ >= inputAfterWaits_; }

 private:
  std::vector<Event>& log_;
  int inputAfterWaits_;
  int waits_ = 0;
};

}  // namespace

TEST(Transitions, PlayDrawsEachFrameThenWaitsForTheNext) {
  const EffectPlan plan = planEffect(kCenterWipe, 30, 20, 60);
  ASSERT_GT(plan.frameCount(), 2u);
  std::vector<Event> log;
  RecordingCopier copier(log);
  RecordingWaiter waiter(log);
  ASSERT_TRUE(playPlan(plan, copier, waiter));

  std::vector<Event> want = {{'b', {}}};
  for (std::size_t k = 0; k < plan.frameCount(); ++k) {
    for (const PixelRect& r : plan.frame(k)) want.push_back({'c', r});
    want.push_back({'e', {}});
    if (k + 1 < plan.frameCount()) want.push_back({'w', {}});
  }
  ASSERT_EQ(log.size(), want.size());
  for (std::size_t i = 0; i < log.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(log[i].what, want[i].what);
    EXPECT_EQ(log[i].rect, want[i].rect);
  }
}

TEST(Transitions, FailedCopiesAreSkippedInEveryEffect) {
  for (int effect = kLeftWipe; effect <= kVerticalBlinds; ++effect) {
    for (bool failAfter : {false, true}) {
      SCOPED_TRACE(std::to_string(effect) + (failAfter ? " all fail from the third" : " third fails"));
      const EffectPlan plan = planEffect(effect, 90, 70, 60);
      ASSERT_GT(plan.rects.size(), 3u);
      std::vector<Event> log;
      RecordingCopier copier(log, 2, failAfter);
      RecordingWaiter waiter(log);
      EXPECT_TRUE(playPlan(plan, copier, waiter));
      std::size_t copies = 0;
      for (const Event& e : log) copies += e.what == 'c';
      EXPECT_EQ(copies, plan.rects.size()) << "a copy that fails is skipped, the rest go on";
    }
  }
}

TEST(Transitions, WaitingInputStopsTheEffectAfterTheFrameDrawn) {
  const EffectPlan plan = planEffect(kLeftWipe, 600, 40, 60);
  ASSERT_GT(plan.frameCount(), 10u);
  for (int after : {0, 3}) {
    SCOPED_TRACE(after);
    std::vector<Event> log;
    RecordingCopier copier(log);
    RecordingWaiter waiter(log, after);
    EXPECT_TRUE(playPlan(plan, copier, waiter));
    const auto count = [&](char what) {
      return std::count_if(log.begin(), log.end(), [&](auto& e) { return e.what == what; });
    };
    EXPECT_EQ(count('e'), after + 1) << "frames drawn";
    EXPECT_EQ(count('w'), after) << "no wait once input is there";
    EXPECT_EQ(log.back().what, 'e');
  }
}

TEST(Transitions, OverflowingPlanDrawsNothingAndFails) {
  const EffectPlan plan = planEffect(kUpDownWipe, 3, 40000, 60);
  ASSERT_TRUE(plan.overflow);
  std::vector<Event> log;
  RecordingCopier copier(log);
  RecordingWaiter waiter(log);
  EXPECT_FALSE(playPlan(plan, copier, waiter));
  EXPECT_TRUE(log.empty());
}

TEST(Transitions, PlansOnSeveralMonitorsShareTheirFrames) {
  // A short and a long effect: one wait a frame for both; the short one
  // stops drawing when its frames are done.
  const EffectPlan shortPlan = planEffect(kLeftWipe, 40, 30, 60);
  const EffectPlan longPlan = planEffect(kLeftWipe, 1200, 30, 60);
  ASSERT_LT(shortPlan.frameCount(), longPlan.frameCount());
  std::vector<Event> a, b, waits;
  RecordingCopier first(a), second(b);
  RecordingWaiter waiter(waits);
  const PlanOnTarget plans[] = {{&shortPlan, &first}, {&longPlan, &second}};
  EXPECT_EQ(playPlans(plans, waiter), std::nullopt);
  const auto frames = [](const std::vector<Event>& log) {
    return std::count_if(log.begin(), log.end(), [](auto& e) { return e.what == 'e'; });
  };
  EXPECT_EQ(frames(a), static_cast<long>(shortPlan.frameCount()));
  EXPECT_EQ(frames(b), static_cast<long>(longPlan.frameCount()));
  EXPECT_EQ(static_cast<std::size_t>(std::count_if(waits.begin(), waits.end(), [](auto& e) { return e.what == 'w'; })),
            longPlan.frameCount() - 1);

  // One overflowing plan: nothing is drawn anywhere, and it is named.
  const EffectPlan overflow = planEffect(kUpDownWipe, 3, 40000, 60);
  std::vector<Event> c, d;
  RecordingCopier third(c), fourth(d);
  const PlanOnTarget bad[] = {{&shortPlan, &third}, {&overflow, &fourth}};
  EXPECT_EQ(playPlans(bad, waiter), std::optional<std::size_t>(1));
  EXPECT_TRUE(c.empty());
  EXPECT_TRUE(d.empty());
}

namespace {

// Frames take the scripted times on the clock (the last repeats); input
// arrives after `inputAfter` waits.
class TimedWaiter final : public FrameWaiter {
 public:
  TimedWaiter(SteppingClock& clock, std::vector<double> frames, int inputAfter)
      : clock_(clock), frames_(std::move(frames)), inputAfter_(inputAfter) {}
  void waitForNextFrame() override {
    clock_.advance(frames_[std::min(waits_, frames_.size() - 1)]);
    ++waits_;
  }
  bool inputWaiting() override { return inputAfter_ >= 0 && waits_ >= static_cast<std::size_t>(inputAfter_); }

 private:
  SteppingClock& clock_;
  std::vector<double> frames_;
  int inputAfter_;
  std::size_t waits_ = 0;
};

// Each frame takes `drawSeconds` to draw.
class FadeLog final : public FadeTarget {
 public:
  FadeLog(SteppingClock& clock, double drawSeconds) : clock_(clock), drawSeconds_(drawSeconds) {}
  void drawFade(int weight) override {
    frames.push_back({clock_.monotonicSeconds() - 3600, weight});
    clock_.advance(drawSeconds_);
  }
  void halfway() override { halfwayAt.push_back(clock_.monotonicSeconds() - 3600); }
  std::vector<std::pair<double, int>> frames;  // (seconds into the fade, weight)
  std::vector<double> halfwayAt;

 private:
  SteppingClock& clock_;
  double drawSeconds_;
};

}  // namespace

TEST(Transitions, CrossfadeLastsItsTimeWhateverTheFrameRate) {
  struct Row {
    const char* name;
    std::vector<double> frames;  // the waits
    double draw;
    int inputAfter;
    int wantFrames;
    bool interrupted;
  };
  const Row rows[] = {
      {"64 Hz", {1.0 / 64}, 0, -1, 65, false},
      {"busy: 90 ms a frame", {0.09}, 0, -1, 12, false},                 // 0, 0.09, ..., 0.99
      {"a stall drops frames", {0.125, 0.625, 0.125}, 0, -1, 5, false},  // 0, 0.125, 0.75, 0.875, 1
      {"input after five frames", {1.0 / 60}, 0, 5, 6, true},
      {"stall past the end", {1.5}, 0, -1, 2, false},
      // A large screen: 45 ms to draw, then the wait for the display.
      {"slow drawing", {1.0 / 60}, 0.045, -1, 16, false},  // frames 61.7 ms apart, the last ends at 0.97 s
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    SteppingClock clock;
    TimedWaiter waiter(clock, r.frames, r.inputAfter);
    FadeLog log(clock, r.draw);
    const FadeRun run = playFade(log, waiter, clock);
    EXPECT_EQ(run.interrupted, r.interrupted);
    ASSERT_EQ(run.frames, r.wantFrames);
    ASSERT_EQ(log.frames.size(), static_cast<std::size_t>(r.wantFrames));
    // Each frame shows the mix due when it is drawn: the drawing time of the
    // frame before counts ahead.
    const auto due = [&](std::size_t i) { return log.frames[i].first + (i > 0 ? r.draw : 0); };
    for (std::size_t i = 0; i + 1 < log.frames.size(); ++i) {
      EXPECT_EQ(log.frames[i].second, static_cast<int>(std::lround(256 * due(i) / kCrossfadeSeconds)))
          << "frame " << i << " at " << log.frames[i].first;
      if (i > 0) {
        EXPECT_GT(log.frames[i].first, log.frames[i - 1].first);
      }
    }
    EXPECT_EQ(log.frames.front().second, 0);
    if (r.interrupted) {
      EXPECT_LT(log.frames.back().first, kCrossfadeSeconds);
      continue;
    }
    // The last frame is all new and ends nearest the fade's time, within
    // half a frame of it: of all frames drawn, none ended nearer.
    EXPECT_EQ(log.frames.back().second, 256);
    const double interval = *std::max_element(r.frames.begin(), r.frames.end()) + r.draw;
    const double off = std::abs(log.frames.back().first + r.draw - kCrossfadeSeconds);
    EXPECT_LE(off, interval / 2 + 1e-9);
    for (std::size_t i = 0; i + 1 < log.frames.size(); ++i)
      EXPECT_GT(std::abs(log.frames[i].first + r.draw - kCrossfadeSeconds), off) << "frame " << i;
    // Captions change once, at the first frame due half way or later.
    ASSERT_EQ(log.halfwayAt.size(), 1u);
    std::size_t firstHalf = 0;
    while (due(firstHalf) < 0.5) ++firstHalf;
    EXPECT_EQ(log.halfwayAt[0], log.frames[firstHalf].first);
  }
}
