// The real saver window over monitors that come, move and go: it covers them
// all, a stage stands on each, and a monitor added shows a picture at once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/display_win32.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/soak_support_win32.h"
#include "tests/support/temp_files_win32.h"

using namespace lumova;

using lumova::testing::pumpMessages;
using lumova::testing::SoakSaver;

TEST(SaverWindowDisplay, FollowsMonitorsAddedMovedAndRemoved) {
  const std::string dir = lumova::testing::tempFolder("lumova-display");
  std::string ini = "[total]\r\ntotal=3\r\n[images]\r\n";
  for (int i = 0; i < 3; ++i) {
    const std::string path = dir + "p" + std::to_string(i) + ".bmp";
    ASSERT_TRUE(lumova::testing::writeBytes(path, lumova::testing::bmp24(64, 48, [](int, int) { return 0x3060C0; })));
    ini += std::to_string(i) + "=" + path + "\r\n";
  }
  // No changes: only the display change can put a picture on the new monitor.
  ScreenLayout layout = win32::currentScreenLayout();
  saver::SaverWindowParts parts;
  parts.screenLayout = [&] { return layout; };
  SoakSaver saver(ini + "[image]\r\nallMonitors=1\r\ntimeInterval=0\r\npicRandom=cent\r\neffectMode=0\r\n", false,
                  {}, kPlatformNT, std::move(parts));
  pumpMessages();
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  const ScreenRect primary{0, 0, w, h};
  ASSERT_EQ(saver.window.monitorCount(), 1u);

  struct Row {
    const char* name;
    std::vector<ScreenRect> monitors;
    RECT window;                      // on the screen
    std::vector<RECT> stages;         // in the window
    std::vector<std::int16_t> shown;  // each monitor's picture
  };
  const std::vector<Row> rows = {
      {"added on the right",
       {primary, {w, 0, w + 640, 480}},
       {0, 0, w + 640, h},
       {{0, 0, w, h}, {w, 0, w + 640, 480}},
       {0, 1}},
      {"moved to the left",
       {primary, {-640, 0, 0, 480}},
       {-640, 0, w, h},
       {{640, 0, 640 + w, h}, {0, 0, 640, 480}},
       {0, 1}},
      {"removed", {primary}, {0, 0, w, h}, {{0, 0, w, h}}, {0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const ScreenRect bounds{r.window.left, r.window.top, r.window.right, r.window.bottom};
    layout = ScreenLayout::from(bounds, primary, r.monitors);
    SendMessageW(saver.window.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(bounds.width(), bounds.height()));
    pumpMessages();

    RECT placed{};
    GetWindowRect(saver.window.hwnd(), &placed);
    EXPECT_TRUE(EqualRect(&placed, &r.window))
        << placed.left << "," << placed.top << " " << placed.right << "," << placed.bottom;
    ASSERT_EQ(saver.window.monitorCount(), r.stages.size());
    ASSERT_EQ(saver.form->slides().size(), r.shown.size());
    for (std::size_t i = 0; i < r.stages.size(); ++i) {
      SCOPED_TRACE(i);
      auto& stage = static_cast<saver::MonitorStage&>(saver.window.monitor(i));
      EXPECT_TRUE(EqualRect(&stage.place().monitor, &r.stages[i]));
      EXPECT_EQ(saver.form->slides()[i].image, r.shown[i]);
      ASSERT_NE(stage.source(), nullptr) << "no picture on the monitor";
      // Centred on its own monitor.
      const RECT& picture = stage.pictureRect();
      EXPECT_EQ(picture.left, r.stages[i].left + (r.stages[i].right - r.stages[i].left - 64) / 2);
    }
  }
  EXPECT_EQ(saver.messages.shown, 0);
  EXPECT_FALSE(saver.host.ended);
  for (int i = 0; i < 3; ++i) DeleteFileA((dir + "p" + std::to_string(i) + ".bmp").c_str());
  RemoveDirectoryA(dir.c_str());
}
