#include <gtest/gtest.h>

#include <vector>

#include "common/screen_layout.h"

using namespace lumova;

TEST(ScreenLayout, CoversEveryMonitorAndShowsOnThePrimary) {
  struct Row {
    const char* name;
    ScreenRect virtualScreen, primary;
    ScreenRect window;
    ScreenPoint pointer, origin;
  };
  const std::vector<Row> rows = {
      {"one monitor", {0, 0, 1024, 768}, {0, 0, 1024, 768}, {0, 0, 1024, 768}, {1023, 767}, {0, 0}},
      {"second on the right", {0, 0, 3200, 1080}, {0, 0, 1920, 1080}, {0, 0, 3200, 1080}, {3199, 1079}, {0, 0}},
      {"second on the left",
       {-1280, 0, 1920, 1080},
       {0, 0, 1920, 1080},
       {-1280, 0, 1920, 1080},
       {1919, 1079},
       {1280, 0}},
      {"second above, taller",
       {-200, -1200, 1920, 1080},
       {0, 0, 1920, 1080},
       {-200, -1200, 1920, 1080},
       {1919, 1079},
       {200, 1200}},
      {"nothing reported", {0, 0, 0, 0}, {0, 0, 800, 600}, {0, 0, 800, 600}, {799, 599}, {0, 0}},
      {"virtual smaller than primary", {0, 0, 640, 480}, {0, 0, 800, 600}, {0, 0, 800, 600}, {799, 599}, {0, 0}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    ScreenLayout l = ScreenLayout::from(r.virtualScreen, r.primary);
    EXPECT_EQ(l.saverWindow(), r.window);
    EXPECT_EQ(l.parkedPointer(), r.pointer);
    EXPECT_EQ(l.primaryOrigin(), r.origin);
  }
}

TEST(ScreenLayout, MonitorsTakePicturesPrimaryFirstThenLeftToRightTopToBottom) {
  struct Row {
    const char* name;
    ScreenRect virtualScreen, primary;
    std::vector<ScreenRect> reported, order;
    std::vector<ScreenPoint> origins;
  };
  const ScreenRect p{0, 0, 1920, 1080};
  const std::vector<Row> rows = {
      {"none reported", {0, 0, 1920, 1080}, p, {}, {p}, {{0, 0}}},
      {"unequal, right",
       {0, 0, 1440, 600},
       {0, 0, 800, 600},
       {{800, 0, 1440, 480}, {0, 0, 800, 600}},
       {{0, 0, 800, 600}, {800, 0, 1440, 480}},
       {{0, 0}, {800, 0}}},
      {"negative origins",
       {-2560, -300, 1920, 1080},
       p,
       {p, {-1280, -300, 0, 724}, {-2560, 0, -1280, 1024}},
       {p, {-2560, 0, -1280, 1024}, {-1280, -300, 0, 724}},
       {{2560, 300}, {0, 300}, {1280, 0}}},
      {"above the primary and beside it",
       {0, -1200, 3840, 1080},
       p,
       {{1920, 0, 3840, 1080}, {1920, -1200, 3840, 0}, p, {0, -1200, 1920, 0}},
       {p, {0, -1200, 1920, 0}, {1920, -1200, 3840, 0}, {1920, 0, 3840, 1080}},
       {{0, 1200}, {0, 0}, {1920, 0}, {1920, 1200}}},
      {"cut to the virtual screen, empty dropped",
       {0, 0, 2920, 1080},
       p,
       {{1920, 0, 3000, 1080}, {500, 500, 500, 900}},
       {p, {1920, 0, 2920, 1080}},
       {{0, 0}, {1920, 0}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    ScreenLayout l = ScreenLayout::from(r.virtualScreen, r.primary, r.reported);
    EXPECT_EQ(l.monitors, r.order);
    std::vector<ScreenPoint> origins;
    for (const ScreenRect& m : l.monitors) origins.push_back(l.originOf(m));
    EXPECT_EQ(origins, r.origins);
  }
}
