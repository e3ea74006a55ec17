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
