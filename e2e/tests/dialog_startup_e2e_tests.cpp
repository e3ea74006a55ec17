// The settings dialog "/c" under Wine: its tabs, Cancel, and OK's checks.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "e2e/e2e_paths.h"
#include "e2e/e2e_test.h"
#include "e2e/harness_error.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {

using namespace std::chrono_literals;
using DialogStartupE2E = E2ETest;

constexpr const char* kDialogTitle = " Lumova Screen Saver";

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string preparedSettings() {
  return "; kept by hand\r\n[total]\r\ntotal=1\r\n[images]\r\n0=C:\\Lumova\\one.bmp\r\n[caption]\r\n0=The one\r\n"
         "[image]\r\nrandomPick=0\r\npicSpeed=3\r\ntimeInterval=15\r\npicRandom=rand\r\npicChange=ch\r\n"
         "effectMode=4\r\nrandomEffect=0\r\n[background]\r\nnewBackColor=8421504\r\nbackEffect=0\r\n"
         "[password]\r\nsaverPassword=\r\nsaverEnabled=0\r\n[font]\r\nnewFontName=Arial\r\nnewFontSize=14\r\n"
         "newFontBold=False\r\nnewFontItalic=False\r\nnewFontUnderline=False\r\nnewFontFontStrikethru=False\r\n"
         "newFontForeColor=16777215\r\n[extra]\r\nmine=kept\r\n";
}

// The area once it has looked the same for half a second, has something
// drawn inside its frame, and differs from `unlike`.
Image settledCapture(XSession& screen, const Rect& area, const Image& unlike) {
  Image last, shot;
  auto lastChange = std::chrono::steady_clock::now();
  const Rect inside{8, area.height / 4, area.width - 16, area.height / 2};
  bool ok = waitUntil(
      [&] {
        shot = screen.capture(area);
        if (last.empty() || countDifferent(shot, shot.bounds(), last, Point{0, 0}) != 0)
          lastChange = std::chrono::steady_clock::now();
        last = shot;
        bool settled = std::chrono::steady_clock::now() - lastChange >= 500ms;
        bool drawn = !uniformColour(shot, inside, 8);
        bool changed = unlike.empty() || countDifferent(shot, shot.bounds(), unlike, Point{0, 0}) > 500;
        return settled && drawn && changed;
      },
      15s);
  if (!ok) throw HarnessError("the dialog did not settle");
  return shot;
}

// Brings the dialog to the keyboard: a click on its caption bar.
WindowInfo focusDialog(XSession& screen) {
  auto w = screen.waitForWindow(kDialogTitle, 10s);
  if (!w) throw HarnessError("the settings dialog did not open");
  screen.click(w->geometry.x + w->geometry.width / 2, w->geometry.y + 8);
  return *w;
}

TEST_F(DialogStartupE2E, ShowsItsThreeTabsAndCancelWritesNothing) {
  std::filesystem::create_directories(desktop().saverDir());
  ASSERT_TRUE(saveBmp(Image(320, 200, rgb(90, 140, 200)), desktop().saverDir() / "one.bmp"));
  desktop().installSaver(preparedSettings());
  const std::string before = readFile(desktop().saverDir() / "zbfaone.ini");

  WineProcess& dialog = desktop().startSaver("/c");
  WindowInfo w = focusDialog(screen());
  const Rect area = w.geometry;
  std::filesystem::create_directories(artifactsDir());
  Image previous;
  for (int tab = 1; tab <= 3; ++tab) {
    SCOPED_TRACE(tab);
    // Each tab looks different from the one before it.
    Image shot = settledCapture(screen(), area, previous);
    savePng(shot, artifactsDir() / ("dialog-tab-" + std::to_string(tab) + ".png"));
    previous = shot;
    screen().keyDown("Control_L");
    screen().pressKey("Tab");
    screen().keyUp("Control_L");
  }

  screen().pressKey("Escape");
  EXPECT_TRUE(dialog.waitForExit(5s));
  EXPECT_EQ(readFile(desktop().saverDir() / "zbfaone.ini"), before);
}

TEST_F(DialogStartupE2E, OkWithAnEmptyListSaysSoAndStays) {
  desktop().installSaver("[total]\r\ntotal=0\r\n");
  const std::string before = readFile(desktop().saverDir() / "zbfaone.ini");
  WineProcess& dialog = desktop().startSaver("/c");
  focusDialog(screen());
  screen().pressKey("Return");
  std::optional<WindowInfo> box;
  ASSERT_TRUE(waitUntil(
      [&] {
        box = screen().findWindow("Lumova Screen Saver");
        return box.has_value();
      },
      5s));
  EXPECT_TRUE(dialog.running());
  EXPECT_TRUE(screen().findWindow(kDialogTitle));
  screen().click(box->geometry.x + box->geometry.width / 2, box->geometry.y + box->geometry.height - 23);
  EXPECT_TRUE(waitUntil([&] { return !screen().findWindow("Lumova Screen Saver"); }, 5s));
  EXPECT_TRUE(dialog.running());
  EXPECT_EQ(readFile(desktop().saverDir() / "zbfaone.ini"), before);
}

TEST_F(DialogStartupE2E, OkRewritesEveryValueAsItWas) {
  std::filesystem::create_directories(desktop().saverDir());
  ASSERT_TRUE(saveBmp(Image(320, 200, rgb(90, 140, 200)), desktop().saverDir() / "one.bmp"));
  desktop().installSaver(preparedSettings());
  WineProcess& dialog = desktop().startSaver("/c");
  focusDialog(screen());
  screen().pressKey("Return");
  EXPECT_TRUE(dialog.waitForExit(5s));
  const std::string after = readFile(desktop().saverDir() / "zbfaone.ini");
  // Every setting comes back with the value it had; what the program does not
  // know stays too.
  for (const char* line :
       {"total=1", "0=C:\\Lumova\\one.bmp", "0=The one", "picSpeed=3", "timeInterval=15", "picRandom=rand",
        "picChange=ch", "effectMode=4", "newBackColor=8421504", "saverEnabled=0", "newFontName=Arial", "newFontSize=14",
        "newFontForeColor=16777215", "; kept by hand", "[extra]", "mine=kept"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(after.find(std::string(line) + "\r\n"), std::string::npos) << after;
  }
}

}  // namespace
}  // namespace lumova::e2e
