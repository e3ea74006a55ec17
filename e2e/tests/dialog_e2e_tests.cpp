// The settings dialog of the real Lumova.scr under Wine, used as a person
// uses it: pictures added through the system's file-open dialog, captions
// typed, options chosen by keyboard, OK; then the saver shows what was set.
// Screenshots of the filled dialog are kept as build artefacts
// (<build>/e2e-artifacts/dialog-*.png), whether the test passes or not.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>

#include "e2e/e2e_paths.h"
#include "e2e/e2e_test.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kDialogTitle = " Lumova Screen Saver";
constexpr std::string_view kOpenTitle = "Select a file to open";
constexpr std::string_view kSaverTitle = "Lumova Screen Saver";
constexpr std::string_view kFolderTitle = "Select a folder of pictures";
constexpr int kFileNameBox = 1152;  // edt1 of the folder picker

const Rgb kRed = rgb(220, 40, 40);
const Rgb kBlue = rgb(40, 60, 220);

// Pixels of the rectangle within the tolerance of the colour.
long long countNear(const Image& shot, const Rect& r, Rgb colour, int tolerance) {
  const Rect clipped = r.intersect(shot.bounds());
  return static_cast<long long>(clipped.width) * clipped.height - countDifferent(shot, clipped, colour, tolerance);
}

// Where a plain picture of this colour stands on the screen, exact colour
// only (the thumbnail's blended edges are left out); empty if nowhere.
Rect findColour(const Image& shot, Rgb colour) {
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (shot.pixel(x, y) == colour) {
        int w = 0, h = 0;
        while (x + w < shot.width() && shot.pixel(x + w, y) == colour) ++w;
        while (y + h < shot.height() && shot.pixel(x, y + h) == colour) ++h;
        return Rect{x, y, w, h};
      }
  return {};
}

// section -> key -> value of an INI text, as the profile calls read it.
std::map<std::string, std::map<std::string, std::string>> readIni(const std::filesystem::path& file) {
  std::map<std::string, std::map<std::string, std::string>> out;
  std::ifstream in(file, std::ios::binary);
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
    } else if (const auto eq = line.find('='); eq != std::string::npos) {
      out[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return out;
}

class DialogRoundTrip : public E2ETest {
 protected:
  Image captureDialog() {
    const auto window = screen().findWindow(kDialogTitle);
    return window ? screen().capture(window->geometry) : Image();
  }

  // Waits until the dialog shows what `done` looks for and has stopped
  // changing: keys are taken in order, and the last of them has been drawn
  // once two looks in a row find at most a blinking caret's worth of change.
  bool waitUntilDrawn(const std::function<bool(const Image&)>& done) {
    Image last;
    int quiet = 0;
    return waitUntil(
        [&] {
          Image now = captureDialog();
          const bool same = !last.empty() && now.width() == last.width() && now.height() == last.height() &&
                            countDifferent(now, now.bounds(), last, Point{0, 0}) <= 50;
          quiet = same ? quiet + 1 : 0;
          last = std::move(now);
          return quiet >= 2 && done(last);
        },
        5s, 150ms);
  }

  // Keeps the dialog as it looks now, for the README and for a reader of a
  // failed run.
  void keepScreenshot(const std::string& name) {
    std::filesystem::create_directories(artifactsDir());
    const auto file = artifactsDir() / ("dialog-" + name + ".png");
    EXPECT_TRUE(savePng(captureDialog(), file)) << file;
    std::cout << "kept " << file.string() << "\n";
  }

  // A spot of the dialog's own background, left of OK, below the tabs: a
  // click there gives the window the keyboard without moving the focus
  // inside it.
  Point blankSpot() {
    const auto window = screen().findWindow(kDialogTitle);
    if (!window) return {};
    return {window->geometry.x + 30, window->geometry.bottom() - 44};
  }

  // The caption bar drawn active: in Wine's scheme blue, inactive grey.
  bool dialogLooksActive() {
    const auto window = screen().findWindow(kDialogTitle);
    if (!window) return false;
    const Rgb c =
        screen().capture({window->geometry.x + window->geometry.width / 2, window->geometry.y + 5, 1, 1}).pixel(0, 0);
    const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return std::max({r, g, b}) - std::min({r, g, b}) > 60;
  }

  // Without a window manager nobody hands the dialog the keyboard back
  // when a dialog in front of it closes: the user clicks on it. A click
  // that comes while Wine is still switching windows can be lost, so it is
  // repeated until the caption shows the dialog active.
  void reactivateDialog() {
    bool active = false;
    for (int attempt = 0; attempt < 5 && !active; ++attempt) {
      const Point at = blankSpot();
      screen().click(at.x, at.y);
      active = waitUntil([&] { return dialogLooksActive(); }, 1s);
    }
    ASSERT_TRUE(active) << "the dialog never became active again";
  }

  void chord(std::string_view modifier, std::string_view key) {
    ASSERT_TRUE(screen().keyDown(modifier));
    ASSERT_TRUE(screen().pressKey(key));
    ASSERT_TRUE(screen().keyUp(modifier));
  }
  void press(std::string_view key, int times = 1) {
    for (int i = 0; i < times; ++i) ASSERT_TRUE(screen().pressKey(key));
  }

  // "&Add", then the path typed into the file-open dialog and Enter; waits
  // until the picture's thumbnail shows in the dialog, which then has the
  // keyboard again, on "Add".
  void addPicture(const std::string& windowsPath, Rgb colour) {
    // Just after start-up the window may not take the first keys yet.
    bool open = false;
    for (int attempt = 0; attempt < 3 && !open; ++attempt) {
      const Point at = blankSpot();
      screen().click(at.x, at.y);
      ASSERT_NO_FATAL_FAILURE(chord("Alt_L", "a"));
      open = screen().waitForWindow(kOpenTitle, 3s).has_value();
    }
    ASSERT_TRUE(open) << "no file-open dialog";
    // The dialog opens with the keyboard in its file-name box.
    ASSERT_TRUE(screen().typeText(windowsPath + "\n"));
    ASSERT_TRUE(waitUntil([&] { return !screen().findWindow(kOpenTitle); }, 10s)) << "the file-open dialog stayed";
    const auto dialog = screen().findWindow(kDialogTitle);
    ASSERT_TRUE(dialog);
    // The thumbnail: the picture shrunk into the box, its inside unblended.
    EXPECT_TRUE(waitUntil(
        [&] {
          const Image shot = screen().capture(dialog->geometry);
          return countNear(shot, shot.bounds(), colour, 0) > 1000;
        },
        5s))
        << "no thumbnail of the added picture";
    ASSERT_NO_FATAL_FAILURE(reactivateDialog());
  }
};

TEST_F(DialogRoundTrip, PicturesCaptionsAndOptionsReachTheSaver) {
  std::filesystem::create_directories(desktop().saverDir());
  const Image redPicture(200, 150, kRed), bluePicture(160, 120, kBlue);
  ASSERT_TRUE(saveBmp(redPicture, desktop().saverDir() / "red.bmp"));
  ASSERT_TRUE(saveBmp(bluePicture, desktop().saverDir() / "blue.bmp"));
  desktop().installSaver(std::nullopt);  // a first run: no settings yet

  WineProcess& dialog = desktop().startSaver("/c");
  ASSERT_TRUE(screen().waitForWindow(kDialogTitle, 10s)) << "no settings dialog";

  // Two pictures, each with its caption typed after adding it; from "Add"
  // the caption box is six tab stops on (Remove, Remove All, the folder
  // list, Add Folder, Remove Folder, caption).
  ASSERT_NO_FATAL_FAILURE(addPicture("C:\\Lumova\\red.bmp", kRed));
  ASSERT_NO_FATAL_FAILURE(press("Tab", 6));
  ASSERT_TRUE(screen().typeText("Red"));
  ASSERT_NO_FATAL_FAILURE(addPicture("C:\\Lumova\\blue.bmp", kBlue));
  ASSERT_NO_FATAL_FAILURE(press("Tab", 6));
  const Image beforeTyping = captureDialog();
  ASSERT_TRUE(screen().typeText("The blue one"));
  EXPECT_TRUE(waitUntilDrawn([&](const Image& now) {
    return countDifferent(now, now.bounds(), beforeTyping, Point{0, 0}) > 150;  // the caption's letters
  })) << "the typed caption never showed";
  keepScreenshot("pictures");

  // Next tab: Float, speed 5 (the slider's end), an interval of 3 seconds
  // (down from 10 by the spin control's arrows), the "Left wipe" transition.
  ASSERT_NO_FATAL_FAILURE(chord("Control_L", "Tab"));
  ASSERT_NO_FATAL_FAILURE(chord("Alt_L", "f"));
  ASSERT_NO_FATAL_FAILURE(press("Tab"));  // the slider
  ASSERT_NO_FATAL_FAILURE(press("End"));
  ASSERT_NO_FATAL_FAILURE(press("Tab", 2));  // "After...", then the interval box
  ASSERT_NO_FATAL_FAILURE(press("Down", 7));
  ASSERT_NO_FATAL_FAILURE(press("Tab", 2));  // past "Random Order" to the transitions
  ASSERT_NO_FATAL_FAILURE(press("Down"));
  EXPECT_TRUE(waitUntilDrawn([&](const Image& now) {
    return countNear(now, now.bounds(), kBlue, 0) == 0;  // the picture tab's thumbnail is hidden
  })) << "the second tab never showed";
  keepScreenshot("options");

  ASSERT_NO_FATAL_FAILURE(chord("Alt_L", "o"));
  const auto ended = dialog.waitForExit(10s);
  ASSERT_TRUE(ended) << "the dialog did not close on OK";
  EXPECT_EQ(*ended, 0u);

  auto ini = readIni(desktop().saverDir() / "zbfaone.ini");
  EXPECT_EQ(ini["total"]["total"], "2");
  EXPECT_EQ(ini["images"]["0"], "C:\\Lumova\\red.bmp");
  EXPECT_EQ(ini["images"]["1"], "C:\\Lumova\\blue.bmp");
  EXPECT_EQ(ini["caption"]["0"], "Red");
  EXPECT_EQ(ini["caption"]["1"], "The blue one");
  EXPECT_EQ(ini["image"]["picRandom"], "rand");
  EXPECT_EQ(ini["image"]["picSpeed"], "5");
  EXPECT_EQ(ini["image"]["picChange"], "ch");
  EXPECT_EQ(ini["image"]["timeInterval"], "3");
  EXPECT_EQ(ini["image"]["effectMode"], "1");
  EXPECT_EQ(ini["image"]["randomEffect"], "0");
  if (HasFailure()) return;

  // The saver on that file: the red picture with the short caption, then
  // the blue one with the long caption, about three seconds later.
  WineProcess& saver = desktop().startSaver("/s");
  ASSERT_TRUE(screen().waitForWindow(kSaverTitle, 10s));
  // The caption, white on the black background, in the band at the top.
  const Rect band{0, 0, 1024, 40};
  const Rgb white = rgb(255, 255, 255);
  auto captionWidth = [&](const Image& shot) {
    int left = band.right(), right = band.x;
    for (int y = band.y; y < band.bottom(); ++y)
      for (int x = band.x; x < band.right(); ++x)
        if (channelDistance(shot.pixel(x, y), white) <= 60) left = std::min(left, x), right = std::max(right, x + 1);
    return std::max(0, right - left);
  };
  // Waits for the whole picture of this colour (the transition over) with a
  // caption; gives the caption's width and when both were first seen.
  auto shownWithCaption = [&](Rgb colour, Rgb notYet, Clock::time_point& seen) {
    const Image& picture = colour == kRed ? redPicture : bluePicture;
    int width = 0;
    bool early = false;
    const bool shown = waitUntil(
        [&] {
          const Image shot = screen().capture();
          if (!findColour(shot, notYet).empty()) early = true;
          const Rect at = findColour(shot, colour);
          if (at.width != picture.width() || at.height != picture.height()) return false;
          if ((width = captionWidth(shot)) < 10) return false;
          seen = Clock::now();
          return true;
        },
        10s);
    EXPECT_TRUE(shown) << "no picture of colour " << std::hex << colour << " with a caption";
    EXPECT_FALSE(early) << "the other picture came first";
    return width;
  };
  Clock::time_point redAt{}, blueAt{};
  const int redCaption = shownWithCaption(kRed, kBlue, redAt);
  const int blueCaption = shownWithCaption(kBlue, rgb(1, 2, 3), blueAt);
  const double gap = std::chrono::duration<double>(blueAt - redAt).count();
  std::cout << "captions " << redCaption << " and " << blueCaption << " px wide; second picture after " << gap
            << " s\n";
  EXPECT_GT(blueCaption, redCaption * 2) << "each picture shows its own caption";
  EXPECT_GE(gap, 3.0);
  EXPECT_LE(gap, 6.0);
  EXPECT_TRUE(saver.running());
}

// Runs the helper tool inside Wine with this command line; true when it
// did what it was asked.
bool runTool(WineDesktop& d, const std::string& arguments) {
  WineProcess& tool = d.launch(toolProgram(), arguments);
  return tool.waitForExit(10s) == 0u;
}

// Room for the dialog at 150 %.
class DialogAtScale : public DialogRoundTrip {
 protected:
  DesktopOptions desktopOptions() const override {
    DesktopOptions options;
    options.width = 1600;
    options.height = 1200;
    return options;
  }
};

TEST_F(DialogAtScale, AddFolderListsTheFolderAndOkSavesItAtEveryScale) {
  // Two subfolders, extensions in mixed case, one file that is no picture.
  const auto trip = desktop().saverDir() / "Trip";
  const Rgb kGreen = rgb(30, 170, 60);
  std::filesystem::create_directories(trip / "Alps");
  std::filesystem::create_directories(trip / "Beach");
  ASSERT_TRUE(saveBmp(Image(120, 90, kGreen), trip / "Alps" / "peak.bmp"));
  for (const char* name : {"alps.JPG", "Beach/sun.Bmp", "Beach/Sand.GIF", "zebra.bmp"})
    ASSERT_TRUE(saveBmp(Image(40, 30, kRed), trip / name));
  { std::ofstream(trip / "notes.txt") << "not a picture"; }
  desktop().installSaver(std::nullopt);

  WineProcess& dialog = desktop().startSaver("/c");
  ASSERT_TRUE(screen().waitForWindow(kDialogTitle, 10s)) << "no settings dialog";
  // "Add Folder..." by its access key, as "Add" is pressed above.
  bool open = false;
  for (int attempt = 0; attempt < 3 && !open; ++attempt) {
    const Point at = blankSpot();
    screen().click(at.x, at.y);
    ASSERT_NO_FATAL_FAILURE(chord("Alt_L", "l"));
    open = screen().waitForWindow(kFolderTitle, 3s).has_value();
  }
  ASSERT_TRUE(open) << "no folder picker";
  // The path goes into the picker's name box and Open is pressed from
  // outside, so that neither depends on where the keyboard is.
  const std::string folder(kFolderTitle);
  ASSERT_TRUE(waitUntil(
      [&] {
        return runTool(desktop(), "settext \"" + folder + "\" " + std::to_string(kFileNameBox) + " C:\\Lumova\\Trip");
      },
      10s))
      << "the picker has no name box";
  ASSERT_TRUE(runTool(desktop(), "press \"" + folder + "\" 1"));
  ASSERT_TRUE(waitUntil([&] { return !screen().findWindow(kFolderTitle); }, 10s)) << "the folder picker stayed";

  // Counted on a worker: the first picture in path order is previewed.
  const auto window = screen().findWindow(kDialogTitle);
  ASSERT_TRUE(window);
  EXPECT_TRUE(waitUntil(
      [&] {
        const Image shot = screen().capture(window->geometry);
        return countNear(shot, shot.bounds(), kGreen, 0) > 1000;
      },
      5s))
      << "no thumbnail of Alps\\peak.bmp";
  ASSERT_TRUE(waitUntilDrawn([](const Image&) { return true; }));
  keepScreenshot("folder");

  ASSERT_TRUE(runTool(desktop(), "press \"" + std::string(kDialogTitle) + "\" 1"));  // OK
  const auto ended = dialog.waitForExit(10s);
  ASSERT_TRUE(ended) << "the dialog did not close on OK";
  auto ini = readIni(desktop().saverDir() / "zbfaone.ini");
  EXPECT_EQ(ini["total"]["total"], "0");  // the folder's pictures stay in the folder
  EXPECT_EQ(ini["folders"]["total"], "1");
  EXPECT_EQ(ini["folders"]["0"], "C:\\Lumova\\Trip");
  // A new user: both boxes were ticked, and are saved so.
  EXPECT_EQ(ini["image"]["picFit"], "1");
  EXPECT_EQ(ini["image"]["allMonitors"], "1");

  // At 150 %: the same tab, from the saved file, kept for a look.
  const WineRun scaled = desktop().runWine(
      {"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f"}, 30s);
  ASSERT_EQ(scaled.status, 0) << scaled.output;
  WineProcess& again = desktop().startSaver("/c");
  ASSERT_TRUE(screen().waitForWindow(kDialogTitle, 10s)) << "no settings dialog at 150 %";
  const auto big = screen().findWindow(kDialogTitle);
  ASSERT_TRUE(big);
  EXPECT_GT(big->geometry.width, window->geometry.width * 5 / 4) << "not scaled";
  EXPECT_TRUE(waitUntil(
      [&] {
        const Image shot = screen().capture(big->geometry);
        return countNear(shot, shot.bounds(), kGreen, 0) > 2000;
      },
      5s))
      << "no thumbnail at 150 %";
  keepScreenshot("folder-150");
  ASSERT_TRUE(runTool(desktop(), "press \"" + std::string(kDialogTitle) + "\" 2"));  // Cancel
  EXPECT_TRUE(again.waitForExit(10s));
}

}  // namespace
}  // namespace lumova::e2e
