#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "effects/gdi_renderer_win32.h"
#include "effects/transition_player_win32.h"
#include "picture/wic_loader_win32.h"
#include "tests/support/dib_surface_win32.h"

using namespace lumova;
using namespace lumova::effects;

namespace {

constexpr std::uint32_t kUntouched = 0x0000FF00;

// The picture's own bitmap type, with a pattern no pixel repeats.
class Surface : public lumova::testing::DibSurface {
 public:
  using DibSurface::DibSurface;
  // Distinct per pixel, never kUntouched (red is always 0x80).
  void fillPattern() {
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width(); ++x) at(x, y) = 0x00800000u | ((y & 0xFF) << 8) | (x & 0xFF);
  }
};

// Pixels the effect's own steps reveal, the first `count` of them.
std::vector<bool> revealedBy(int effect, int w, int h, std::int64_t count) {
  std::vector<bool> mask(static_cast<std::size_t>(w) * h, false);
  const EffectSteps s = effectSteps(effect, w, h);
  for (std::int64_t i = 0; i < count; ++i) {
    const PixelRect r = toPixels(s.steps[i], w, h);
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) mask[static_cast<std::size_t>(y) * w + x] = true;
  }
  return mask;
}

// Pixels where the target is not what it should be: the source where
// revealed, untouched elsewhere.
int wrongPixels(Surface& target, Surface& source, const std::vector<bool>& revealed, int w, int h) {
  GdiFlush();
  int wrong = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t want = revealed[static_cast<std::size_t>(y) * w + x] ? source.at(x, y) : kUntouched;
      wrong += (target.at(x, y) & 0xFFFFFF) != want;
    }
  return wrong;
}

// Checks the target at every frame boundary.
class CheckingWaiter final : public FrameWaiter {
 public:
  CheckingWaiter(const EffectPlan& plan, Surface& target, Surface& source)
      : plan_(plan), target_(target), source_(source) {}
  void waitForNextFrame() override {
    const auto revealed = revealedBy(plan_.effect, plan_.width, plan_.height, plan_.stepsAfter[waits]);
    const int wrong = wrongPixels(target_, source_, revealed, plan_.width, plan_.height);
    if (wrong != 0 && firstWrongFrame < 0) firstWrongFrame = static_cast<int>(waits);
    ++waits;
  }
  std::size_t waits = 0;
  int firstWrongFrame = -1;

 private:
  const EffectPlan& plan_;
  Surface& target_;
  Surface& source_;
};

class CountingWaiter final : public FrameWaiter {
 public:
  void waitForNextFrame() override { ++waits; }
  std::size_t waits = 0;
};

}  // namespace

TEST(TransitionPlayer, EachFrameShowsTheSourceExactlyWhereRevealed) {
  struct Size {
    int w, h;
  };
  for (const Size size : {Size{37, 23}, Size{40, 40}, Size{8, 45}}) {
    for (int effect = kLeftWipe; effect <= kVerticalBlinds; ++effect) {
      SCOPED_TRACE("effect " + std::to_string(effect) + " on " + std::to_string(size.w) + "x" + std::to_string(size.h));
      Surface source(size.w, size.h), target(size.w, size.h);
      ASSERT_TRUE(source.ok() && target.ok());
      source.fillPattern();
      target.fill(kUntouched);
      const EffectPlan plan = planEffect(effect, size.w, size.h, 60);
      ASSERT_GT(plan.frameCount(), 1u);

      CheckingWaiter waiter(plan, target, source);
      EXPECT_TRUE(playEffectPlan(target.dc(), source.dc(), plan, waiter));
      EXPECT_EQ(waiter.waits, plan.frameCount() - 1);
      EXPECT_EQ(waiter.firstWrongFrame, -1);
      EXPECT_EQ(wrongPixels(target, source, revealedBy(effect, size.w, size.h, plan.steps), size.w, size.h), 0);
    }
  }
}

TEST(TransitionPlayer, FailedCopiesAreSkipped) {
  // Without a source DC every copy fails; every effect still plays to its end.
  for (int effect = kLeftWipe; effect <= kVerticalBlinds; ++effect) {
    SCOPED_TRACE(effect);
    Surface target(30, 30);
    ASSERT_TRUE(target.ok());
    target.fill(kUntouched);
    const EffectPlan plan = planEffect(effect, 30, 30, 60);
    CountingWaiter waiter;
    EXPECT_TRUE(playEffectPlan(target.dc(), nullptr, plan, waiter));
    EXPECT_EQ(waiter.waits, plan.frameCount() - 1);
    EXPECT_EQ(wrongPixels(target, target, std::vector<bool>(30 * 30, false), 30, 30), 0);
  }
}

TEST(TransitionPlayer, WaiterPacesByTimerWithoutComposition) {
  // Wine reports no composition: the timer path must be taken.
  DisplayFrameWaiter waiter;
  EXPECT_NE(waiter.mode(), FrameWaitMode::Composition);
  EXPECT_NE(waiter.mode(), FrameWaitMode::Sleep) << "no waitable timer could be made";
  EXPECT_GE(waiter.refreshHz(), 24);
  EXPECT_LE(waiter.refreshHz(), 500);

  constexpr int kFrames = 10;
  waiter.begin();
  for (int i = 0; i < kFrames; ++i) waiter.waitForNextFrame();
  EXPECT_EQ(waiter.compositionWaits(), 0u);
  EXPECT_EQ(waiter.timerWaits() + waiter.lateFrames(), std::uint64_t{kFrames});
  EXPECT_GE(waiter.timerWaits(), 1u);
}

TEST(TransitionPlayer, NoMessageIsDispatchedDuringAnEffect) {
  Surface source(50, 20), target(50, 20);
  ASSERT_TRUE(source.ok() && target.ok());
  source.fillPattern();
  target.fill(kUntouched);
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // make sure the thread has a queue
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP + 7, 42, 0));

  DisplayFrameWaiter waiter;
  const EffectPlan plan = planEffect(kLeftWipe, 50, 20, waiter.refreshHz());
  ASSERT_TRUE(playEffectPlan(target.dc(), source.dc(), plan, waiter));
  EXPECT_EQ(waiter.timerWaits() + waiter.lateFrames() + waiter.compositionWaits(), plan.frameCount() - 1);
  EXPECT_EQ(wrongPixels(target, source, revealedBy(kLeftWipe, 50, 20, plan.steps), 50, 20), 0);

  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_APP + 7, WM_APP + 7, PM_REMOVE))
      << "the posted message was taken off the queue during the effect";
  EXPECT_EQ(msg.wParam, 42u);
}

TEST(TransitionPlayer, CompositorWaitsAreCappedAndFallBackToTheTimer) {
  // A compositor that answers at once, then one that stalls for ten seconds.
  win32::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<int> flushes{0};
  std::atomic<bool> stall{false};
  DisplayFrameWaiter waiter(CompositionCalls{[] { return true; },
                                             [&] {
                                               ++flushes;
                                               if (stall) WaitForSingleObject(release.get(), 10000);
                                               return true;
                                             }});
  ASSERT_EQ(waiter.mode(), FrameWaitMode::Composition);
  waiter.begin();
  for (int i = 0; i < 3; ++i) waiter.waitForNextFrame();
  EXPECT_EQ(waiter.compositionWaits(), 3u);
  EXPECT_EQ(flushes.load(), 3);

  stall = true;
  const ULONGLONG before = GetTickCount64();
  waiter.waitForNextFrame();
  waiter.waitForNextFrame();
  EXPECT_LT(GetTickCount64() - before, 2000u) << "a stalled compositor held the effect";
  EXPECT_NE(waiter.mode(), FrameWaitMode::Composition);
  EXPECT_EQ(waiter.compositionWaits(), 3u);
  EXPECT_GE(waiter.timerWaits() + waiter.lateFrames(), 1u);
  SetEvent(release.get());
}

TEST(GdiRenderer, DrawsWhatTheFrameDescribes) {
  constexpr int kW = 32, kH = 16;
  constexpr std::uint32_t kBack = 0x102030;  // as RGB values are held: red low
  constexpr std::uint32_t kBackPixel = 0x302010;
  const Rect all{0, 0, kW, kH};
  // A picture whose pixel (x, y) is 0x80yyxx, and one of a black and a white pixel.
  auto pattern = win32::DibPicture::create(8, 8);
  auto pair = win32::DibPicture::create(2, 1);
  ASSERT_TRUE(pattern && pair);
  auto* p = reinterpret_cast<std::uint32_t*>(pattern->mutableBits());
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) p[y * 8 + x] = 0x800000u | (y << 8) | x;
  reinterpret_cast<std::uint32_t*>(pair->mutableBits())[0] = 0x000000;
  reinterpret_cast<std::uint32_t*>(pair->mutableBits())[1] = 0xFFFFFF;

  Surface target(kW, kH);
  ASSERT_TRUE(target.ok());
  GdiRenderer renderer(nullptr, target.dc());
  const PictureHandle patternId = handOver(renderer, pattern), pairId = handOver(renderer, pair);
  ASSERT_NE(idOf(patternId), kNoPicture);

  const auto picture = [&](const PictureHandle& id, Rect rect) {
    PictureLayer l;
    l.rect = rect;
    l.keepIn = all;
    l.picture = idOf(id);
    return l;
  };
  const auto fill = [&](std::uint32_t rgb) {
    PictureLayer l;
    l.rect = l.keepIn = all;
    l.fill = rgb;
    return l;
  };
  struct Check {
    int x, y;
    std::uint32_t want;  // 0xRRGGBB as the DIB holds it
  };
  struct Row {
    const char* name;
    Frame frame;
    std::vector<Check> checks;
    Rect white{};  // where a caption must have drawn
    Rect blank{};  // and beyond its monitor, the background alone
    std::uint32_t ink = 0xFFFFFF;
    bool shadowed = false;  // darker than the background around the text
  };
  std::vector<Row> rows;
  {
    Row r{"the background, only where damaged"};
    r.frame.background.colour = kBack;
    r.frame.damage = {{0, 0, 16, kH}};
    r.checks = {{0, 0, kBackPixel}, {15, 15, kBackPixel}, {16, 0, kUntouched}};
    rows.push_back(std::move(r));
  }
  {
    Row r{"a picture clipped to its left half"};
    r.frame.background.colour = kBack;
    PictureLayer l = picture(patternId, {4, 4, 12, 12});
    l.clip = {{0, 0, 8, kH}};
    r.frame.layers.push_back(l);
    r.frame.damage = {all};
    r.checks = {{4, 4, 0x800000}, {7, 6, 0x800203}, {8, 6, kBackPixel}, {3, 4, kBackPixel}};
    rows.push_back(std::move(r));
  }
  {
    Row r{"half way from one look to the other"};
    r.frame.fadingFrom.push_back(fill(0x0000FF));  // red
    r.frame.layers.push_back(fill(0xFF0000));      // blue
    r.frame.weight = 128;
    r.frame.damage = {all};
    r.checks = {{0, 0, 0x800080}, {31, 15, 0x800080}};
    rows.push_back(std::move(r));
  }
  {
    Row r{"a picture sampled twice its size, from one pixel before it"};
    r.frame.background.colour = kBack;
    PictureLayer l = picture(pairId, {0, 0, 8, 2});
    l.source = SourceArea{-1, 0, 4, 1};
    l.fill = 0x00FF00;
    r.frame.layers.push_back(l);
    r.frame.damage = {all};
    // Pixel centres onto pixel centres: 0.25 and 0.75 of the way between
    // the two; outside the picture, the fill.
    r.checks = {{1, 0, 0x00FF00}, {2, 0, 0x000000}, {3, 1, 0x404040}, {4, 0, 0xBFBFBF},
                {5, 1, 0xFFFFFF}, {6, 0, 0x00FF00}, {7, 1, 0x00FF00}, {8, 0, kBackPixel}};
    rows.push_back(std::move(r));
  }
  {
    Row r{"a caption kept to its monitor"};
    r.frame.background.colour = kBack;
    CaptionLayer c{{0, 0, kW, kH}, {0, 0, 20, kH}, "MMMMMMMM", TextFont{"", 0}, 0xFFFFFF};
    r.frame.layers.push_back(c);
    r.frame.damage = {all};
    r.white = {0, 0, 20, kH};
    r.blank = {20, 0, kW, kH};
    rows.push_back(std::move(r));
  }
  {
    Row r{"a clock's text over its soft shadow, kept to its rectangle"};
    r.frame.background.colour = kBack;
    r.frame.layers.push_back(ShadowedTextLayer{{0, 0, 20, kH}, all, "MM", TextFont{}, 0x00FF00, 0x000000, 2});
    r.frame.damage = {all};
    r.white = {0, 0, 20, kH};
    r.blank = {20, 0, kW, kH};
    r.ink = 0x00FF00;
    r.shadowed = true;
    rows.push_back(std::move(r));
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    target.fill(kUntouched);
    renderer.draw(r.frame);
    renderer.present();
    for (const Check& c : r.checks)
      EXPECT_EQ(target.rgb(c.x, c.y), c.want) << "at " << c.x << "," << c.y << std::hex << " " << target.rgb(c.x, c.y);
    if (r.white.empty()) continue;
    int white = 0, shadow = 0;
    for (int y = r.white.top; y < r.white.bottom; ++y)
      for (int x = r.white.left; x < r.white.right; ++x) {
        white += target.rgb(x, y) == r.ink;
        const std::uint32_t c = target.rgb(x, y);  // darker than the background in every channel: the shadow
        shadow += (c >> 16) < (kBackPixel >> 16) && ((c >> 8) & 0xFF) < ((kBackPixel >> 8) & 0xFF) &&
                  (c & 0xFF) < (kBackPixel & 0xFF);
      }
    EXPECT_GT(white, 0) << "no text drawn";
    EXPECT_EQ(shadow > 0, r.shadowed);
    int beyond = 0;
    for (int y = r.blank.top; y < r.blank.bottom; ++y)
      for (int x = r.blank.left; x < r.blank.right; ++x) beyond += target.rgb(x, y) != kBackPixel;
    EXPECT_EQ(beyond, 0) << "text beyond its monitor";
  }
}
