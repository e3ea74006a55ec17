#include <gtest/gtest.h>

#include <algorithm>

#include "saver/tests/saver_rig.h"

using namespace lumova;
using lumova::testing::iniWith;
using lumova::testing::SaverRig;

TEST(FloatSpeed, IntervalTable) {
  struct Row {
    const char* speed;
    std::optional<std::uint32_t> ms;
  };
  const std::vector<Row> rows = {
      {"0", 150u},         {"1", 125u},          {"2", 100u},           {"3", 75u},          {"4", 50u}, {"5", 25u},
      {"7", std::nullopt}, {"-1", std::nullopt}, {"2.5", std::nullopt}, {"x", std::nullopt},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.speed);
    EXPECT_EQ(saver::motionIntervalMs(r.speed), r.ms);
  }
}

TEST(FloatSpeed, OutsideTheTableKeeps100ms) {
  SaverRig rig(iniWith({{"C:\\p\\a.jpg", ""}}, "timeInterval=0\r\npicRandom=rand\r\npicSpeed=7\r\n"));
  rig.pictures.sizes["C:\\p\\a.jpg"] = {100, 100};
  rig.load();
  rig.runFor(1);
  EXPECT_EQ(rig.queue.interval(TimerId::Motion), 0.1);
}

TEST(FloatDirection, EachDiagonalFromTwoDraws) {
  struct Row {
    double r1, r2;
    int x, y;
  };
  const std::vector<Row> rows = {{0.1, 0.2, 15, 15}, {0.6, 0.2, -15, 15}, {0.1, 0.9, 15, -15}, {0.5, 0.5, -15, -15}};
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.r1) + "," + std::to_string(r.r2));
    SaverRig rig(iniWith({{"C:\\p\\a.jpg", ""}}, "timeInterval=0\r\npicRandom=rand\r\n"));
    rig.pictures.sizes["C:\\p\\a.jpg"] = {100, 100};
    rig.random.values = {r.r1, r.r2};
    rig.load();
    rig.runFor(0.85);  // the direction is drawn once the first picture is shown
    EXPECT_EQ(rig.form.slides().front().step.x, r.x);
    EXPECT_EQ(rig.form.slides().front().step.y, r.y);
  }
}

namespace {

// Runs a floating picture and records where it turned on each axis.
struct Bounces {
  double minLeft = 1e9, maxRight = -1e9, minTop = 1e9, maxBottom = -1e9;
};

Bounces floatFor(SaverRig& rig, double seconds) {
  Bounces b;
  rig.runFor(seconds);
  for (const auto& m : rig.view.moves) {
    b.minLeft = std::min(b.minLeft, m.left);
    b.maxRight = std::max(b.maxRight, m.left + m.width);
    b.minTop = std::min(b.minTop, m.top);
    b.maxBottom = std::max(b.maxBottom, m.top + m.height);
  }
  return b;
}

}  // namespace

TEST(Float, BouncesOffAllFourEdges) {
  SaverRig rig(iniWith({{"C:\\p\\a.jpg", ""}}, "timeInterval=0\r\npicRandom=rand\r\npicSpeed=5\r\n"));
  rig.view.widthTwips = 200 * 15;
  rig.view.heightTwips = 150 * 15;
  rig.pictures.sizes["C:\\p\\a.jpg"] = {50, 40};
  rig.load();
  Bounces b = floatFor(rig, 60);
  // Strict tests on the position before the move: at most one step past.
  EXPECT_EQ(b.minLeft, -15);
  EXPECT_EQ(b.maxRight, 200 * 15 + 15);
  EXPECT_EQ(b.minTop, -15);  // no caption: the band has no height
  EXPECT_EQ(b.maxBottom, 150 * 15 + 15);
}

TEST(Float, CaptionBandIsTheUpperEdge) {
  SaverRig rig(iniWith({{"C:\\p\\a.jpg", "Caption"}}, "timeInterval=0\r\npicRandom=rand\r\npicSpeed=5\r\n"));
  rig.view.widthTwips = 200 * 15;
  rig.view.heightTwips = 150 * 15;
  rig.pictures.sizes["C:\\p\\a.jpg"] = {50, 40};
  rig.load();
  Bounces b = floatFor(rig, 60);
  EXPECT_EQ(rig.form.slides().front().captionHeight, 300);
  EXPECT_GE(b.minTop, 300 - 15);
  EXPECT_LT(b.minTop, 300);
}

TEST(Float, ShakesOnAnAxisWhereThePictureIsLarger) {
  SaverRig rig(iniWith({{"C:\\p\\a.jpg", ""}}, "timeInterval=0\r\npicRandom=rand\r\npicSpeed=2\r\n"));
  rig.view.widthTwips = 200 * 15;
  rig.view.heightTwips = 150 * 15;
  rig.pictures.sizes["C:\\p\\a.jpg"] = {300, 40};  // wider than the screen
  rig.load();
  rig.runFor(0.85);
  rig.view.moves.clear();
  rig.runFor(5);
  ASSERT_GT(rig.view.moves.size(), 10u);
  // Horizontally it flips every tick, so it stays within one step of its start.
  double left0 = rig.view.moves.front().left;
  for (const auto& m : rig.view.moves) EXPECT_LE(std::abs(m.left - left0), 15);
  // Vertically it still drifts.
  auto [lo, hi] =
      std::minmax_element(rig.view.moves.begin(), rig.view.moves.end(), [](auto& a, auto& b) { return a.top < b.top; });
  EXPECT_GT(hi->top - lo->top, 30 * 15);
}

TEST(Float, KeepsMovingDuringThePauseButNotDuringAReveal) {
  SaverRig rig(
      iniWith({{"C:\\p\\a.jpg", ""}, {"C:\\p\\b.jpg", ""}}, "timeInterval=2\r\npicRandom=rand\r\npicSpeed=5\r\n"));
  rig.pictures.sizes["C:\\p\\a.jpg"] = {100, 100};
  rig.pictures.sizes["C:\\p\\b.jpg"] = {100, 100};
  rig.load();
  rig.runFor(0.8);  // the first picture is revealed exactly centred
  ASSERT_EQ(rig.view.reveals.size(), 1u);
  const double centreLeft = (15360 - 1500) / 2;
  EXPECT_EQ(rig.view.moves.back().left, centreLeft);
  // The change at 2.8 s re-centres the picture; 25 ms motion ticks during its
  // 0.3 s pause move it about twelve steps before the reveal.
  rig.runFor(2.4);
  ASSERT_EQ(rig.view.reveals.size(), 2u);
  auto recentre =
      std::find_if(rig.view.moves.rbegin(), rig.view.moves.rend(), [&](auto& m) { return m.left == centreLeft; });
  ASSERT_NE(recentre, rig.view.moves.rend());
  EXPECT_GE(recentre - rig.view.moves.rbegin(), 10);
}
