#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/pan_zoom.h"
#include "tests/fakes/virtual_time.h"

using namespace lumova;
using namespace lumova::effects;

TEST(PanZoom, NeverPastItsEdgesAndAtMostAThirdCutOff) {
  struct Row {
    PictureSize picture, screen;
    bool fitted;
  };
  const Row rows[] = {
      {{1600, 1200}, {1920, 1080}, false},  // a quarter cut: covers
      {{4000, 3000}, {1024, 768}, false},  {{1200, 1600}, {480, 640}, false},
      {{1920, 1080}, {1080, 1920}, true},  // landscape on portrait: 68 % would go
      {{1000, 1000}, {1920, 1080}, true},  // 44 % would go
      {{1, 1}, {1920, 1080}, true},        {{1, 1}, {800, 800}, false},
      {{16384, 2}, {1920, 1080}, true},    {{2, 16384}, {1920, 1080}, true},
      {{1500, 1000}, {1500, 1000}, false}, {{2400, 1000}, {1200, 600}, false},  // room to drift both ways once zoomed
  };
  const std::vector<std::vector<double>> draws = {{0, 0, 1, 1, 0.2}, {1, 1, 0, 0, 0.7}, {0.3, 0.9, 0.6, 0.1, 0.5}};
  for (const Row& r : rows) {
    for (const auto& values : draws) {
      SCOPED_TRACE(std::to_string(r.picture.width) + "x" + std::to_string(r.picture.height) + " on " +
                   std::to_string(r.screen.width) + "x" + std::to_string(r.screen.height) + " from " +
                   std::to_string(values[0]));
      fakes::ScriptedRandom random;
      random.values = values;
      const PanZoomPath path = planPanZoom(r.picture, r.screen, random);
      EXPECT_EQ(path.fitted, r.fitted);
      const double across = double(r.screen.width) / r.picture.width, down = double(r.screen.height) / r.picture.height;
      EXPECT_DOUBLE_EQ(path.baseScale, r.fitted ? std::min(across, down) : std::max(across, down));
      if (!r.fitted) {
        EXPECT_LE(1 - std::min(across, down) / path.baseScale, 1.0 / 3 + 1e-12);
      }
      for (double progress : {0.0, 0.25, 0.5, 1.0}) {
        const PanZoomPlace p = panZoomPlace(path, progress);
        const double zoom = p.scale / path.baseScale;
        EXPECT_NEAR(zoom, path.zoomIn ? 1 + 0.15 * progress : 1.15 - 0.15 * progress, 1e-9);
        const double right = p.left + r.picture.width * p.scale, bottom = p.top + r.picture.height * p.scale;
        if (r.fitted) {
          // Centred: the same margin on both sides.
          EXPECT_NEAR(p.left, r.screen.width - right, 1e-6);
          EXPECT_NEAR(p.top, r.screen.height - bottom, 1e-6);
        } else {
          // Drifting from its start to its end point in the room there is.
          const double roomX = r.screen.width - r.picture.width * p.scale;
          const double roomY = r.screen.height - r.picture.height * p.scale;
          if (roomX < -1e-6) {
            EXPECT_NEAR(p.left / roomX, path.fromX + (path.toX - path.fromX) * progress, 1e-9);
          }
          if (roomY < -1e-6) {
            EXPECT_NEAR(p.top / roomY, path.fromY + (path.toY - path.fromY) * progress, 1e-9);
          }
          EXPECT_LE(p.left, 1e-9);
          EXPECT_LE(p.top, 1e-9);
          EXPECT_GE(right, r.screen.width - 1e-6);
          EXPECT_GE(bottom, r.screen.height - 1e-6);
        }
      }
    }
    // Standing still: whole and centred, touching two opposite edges.
    const PanZoomPlace still = fittedPlace(r.picture, r.screen);
    const double right = still.left + r.picture.width * still.scale,
                 bottom = still.top + r.picture.height * still.scale;
    EXPECT_NEAR(still.left, r.screen.width - right, 1e-6);
    EXPECT_NEAR(still.top, r.screen.height - bottom, 1e-6);
    EXPECT_TRUE(std::abs(still.left) < 1e-6 || std::abs(still.top) < 1e-6);
    EXPECT_GE(std::min(still.left, still.top), -1e-6);
  }
}

TEST(PanZoom, ProgressRunsOverTheDisplayTimeOrBackAndForth) {
  struct Row {
    double seconds, display, want;
  };
  const Row rows[] = {{0, 10, 0},   {5, 10, 0.5}, {10, 10, 1},  {25, 10, 1}, {-1, 10, 0},
                      {5, 0, 0.25}, {20, 0, 1},   {30, 0, 0.5}, {40, 0, 0},  {45, 0, 0.25}};
  for (const Row& r : rows)
    EXPECT_DOUBLE_EQ(panZoomProgress(r.seconds, r.display), r.want) << r.seconds << " of " << r.display;
}

TEST(PanZoom, StepsAboutThirtyTimesASecondAndNeverFewerOrEveryFrameOnTheCard) {
  const struct {
    double hz;
    bool onCard;
    int every;
  } rows[] = {{0, false, 1},     {30, false, 1},  {50, false, 1},   {59, false, 1},   {59.94, false, 2},
              {60, false, 2},    {75, false, 2},  {90, false, 3},   {119.88, false, 4}, {144, false, 4},
              {240, false, 8},   {1000, false, 8}, {60, true, 1},   {144, true, 1},   {240, true, 1}};
  for (const auto& r : rows)
    EXPECT_EQ(panZoomFramesPerStep(r.hz, r.onCard), r.every) << r.hz << " Hz" << (r.onCard ? " on the card" : "");
}

TEST(PanZoom, DrawsSubPixelPlacesBilinearAndTheRestInBackground) {
  // A 2x1 picture, black and white (blue channel), drawn 4x larger and
  // shifted a quarter pixel: a ramp between the two pixel centres.
  const std::uint32_t picture[] = {0x00, 0xFF};
  std::vector<std::uint32_t> screen(12 * 6, 0);
  PanZoomDrawer drawer(referencePixelRows());
  drawer.draw(picture, {2, 1}, {1.25, 1, 4}, screen.data(), {12, 6}, 0x123456);
  const std::vector<std::uint32_t> row(screen.begin() + 12 * 2, screen.begin() + 12 * 3);
  // Pixel centres 1.5 .. 8.5 fall on the picture at (x - 0.75) / 4 - 0.5: 0 (clamped), 0, 1/16, 5/16, 9/16, 13/16, 1
  // (clamped), 1.
  const std::vector<std::uint32_t> want = {0x123456, 0x00, 0x00, 0x10,     0x50,     0x8F,
                                           0xCF,     0xFF, 0xFF, 0x123456, 0x123456, 0x123456};
  EXPECT_EQ(row, want);
  EXPECT_EQ(screen[0], 0x123456u);                    // above the picture
  EXPECT_EQ(screen[12 * 5 + 4], 0x123456u);           // below it (it ends at row 5)
  EXPECT_EQ(screen[12 * 1 + 4], screen[12 * 4 + 4]);  // one row high: the same all the way down
}
