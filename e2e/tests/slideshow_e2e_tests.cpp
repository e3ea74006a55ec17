// The real Lumova.scr under Wine showing pictures: order, centring,
// captions, floating motion, the effects and the missing-picture exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "e2e/e2e_paths.h"
#include "e2e/e2e_test.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {

using namespace std::chrono_literals;
using SlideshowE2E = E2ETest;

struct Slide {
  const char* file;
  int width, height;
  Rgb colour;
  const char* caption;
};

// Writes the pictures and a settings file naming them.
void install(WineDesktop& d, const std::vector<Slide>& slides, const std::string& imageOptions,
             const std::vector<const char*>& missing = {}, const std::string& backColour = "0") {
  std::string ini = "[total]\r\ntotal=" + std::to_string(slides.size() + missing.size()) + "\r\n[images]\r\n";
  int i = 0;
  std::filesystem::create_directories(d.saverDir());
  for (const auto& s : slides) {
    ASSERT_TRUE(saveBmp(Image(s.width, s.height, s.colour), d.saverDir() / s.file));
    ini += std::to_string(i++) + "=C:\\Lumova\\" + s.file + "\r\n";
  }
  for (const char* m : missing) ini += std::to_string(i++) + "=C:\\Lumova\\" + m + "\r\n";
  ini += "[caption]\r\n";
  i = 0;
  for (const auto& s : slides) ini += std::to_string(i++) + "=" + s.caption + "\r\n";
  ini += "[image]\r\n" + imageOptions + "[background]\r\nnewBackColor=" + backColour +
         "\r\nbackEffect=0\r\n"
         "[font]\r\nnewFontName=Arial\r\nnewFontSize=16\r\nnewFontBold=True\r\nnewFontForeColor=65535\r\n";
  d.installSaver(ini);
}

// Where a picture of this colour is on the screen (empty if nowhere).
Rect findColour(const Image& shot, Rgb colour) {
  Rect found{};
  for (int y = 0; y < shot.height() && found.empty(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (shot.pixel(x, y) == colour) {
        int w = 0, h = 0;
        while (x + w < shot.width() && shot.pixel(x + w, y) == colour) ++w;
        while (y + h < shot.height() && shot.pixel(x, y + h) == colour) ++h;
        found = Rect{x, y, w, h};
        break;
      }
  return found;
}

TEST_F(SlideshowE2E, ShowsEachPictureInTurnCentredWithItsCaption) {
  const std::vector<Slide> slides = {{"red.bmp", 200, 150, rgb(220, 40, 40), "One"},
                                     {"green.bmp", 160, 120, rgb(40, 200, 60), "Two"},
                                     {"blue.bmp", 120, 90, rgb(50, 70, 230), "Three"}};
  install(desktop(), slides, "randomPick=0\r\ntimeInterval=2\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\n");
  desktop().startSaver("/s");
  const Rgb yellow = rgb(255, 255, 0);
  for (int round = 0; round < 4; ++round) {
    const Slide& s = slides[round % 3];
    SCOPED_TRACE(s.file);
    // Centred in twips: (15360 - 15w) / 2 twips, back to pixels.
    const Rect want{(1024 - s.width) / 2, (768 - s.height) / 2, s.width, s.height};
    Image shot;
    ASSERT_TRUE(waitUntil(
        [&] {
          shot = screen().capture();
          return findColour(shot, s.colour) == want;
        },
        6s))
        << "found at " << findColour(shot, s.colour) << ", wanted " << want;
    // The caption: yellow text in the band at the top, centred.
    const Rect band{0, 0, 1024, 40};
    ASSERT_TRUE(waitUntil(
        [&] {
          shot = screen().capture();
          return countDifferent(shot, band, rgb(0, 0, 0)) > 20;
        },
        3s));
    Rect text = boundsOfOther(shot.crop(band), rgb(0, 0, 0), 40);
    EXPECT_NEAR(text.x + text.width / 2.0, 512, 4) << text;
    // Most of what is not background is the caption colour (edges are blended).
    const long long ink = countDifferent(shot, band, rgb(0, 0, 0), 40);
    const long long notYellow = countDifferent(shot, band, yellow, 60);
    const long long yellowish = static_cast<long long>(band.width) * band.height - notYellow;
    EXPECT_GE(yellowish * 2, ink) << "ink " << ink << ", near yellow " << yellowish;
  }
}

TEST_F(SlideshowE2E, FloatingPictureMovesOnePixelPerTickOnBothAxes) {
  const Rgb white = rgb(250, 250, 250);
  install(desktop(), {{"white.bmp", 100, 80, white, ""}},
          "timeInterval=0\r\npicRandom=rand\r\npicSpeed=2\r\neffectMode=0\r\nrandomEffect=0\r\n");
  desktop().startSaver("/s");
  Rect first;
  ASSERT_TRUE(waitUntil([&] { return !(first = findColour(screen().capture(), white)).empty(); }, 10s));
  auto t0 = std::chrono::steady_clock::now();
  first = findColour(screen().capture(), white);
  Rect second;
  ASSERT_TRUE(waitUntil(
      [&] {
        if (std::chrono::steady_clock::now() - t0 < 1s) return false;
        second = findColour(screen().capture(), white);
        return true;
      },
      3s));
  double ticks = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / 0.1;
  int dx = std::abs(second.x - first.x), dy = std::abs(second.y - first.y);
  // 100 ms a tick, one pixel per axis each: diagonal, about ten pixels a second.
  EXPECT_EQ(dx, dy) << first << " -> " << second;
  EXPECT_GE(dx, ticks * 0.5);
  EXPECT_LE(dx, ticks * 1.2 + 1);
  EXPECT_EQ(second.width, 100);
  EXPECT_EQ(second.height, 80);
}

TEST_F(SlideshowE2E, MissingPictureEndsWithAMessageNamingIt) {
  install(desktop(), {{"first.bmp", 120, 90, rgb(200, 100, 0), "First"}},
          "timeInterval=2\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\n", {"gone.bmp"});
  WineProcess& saver = desktop().startSaver("/s");
  ASSERT_TRUE(waitUntil([&] { return !findColour(screen().capture(), rgb(200, 100, 0)).empty(); }, 10s));
  // The saver's window goes first; then a small box under the same title.
  std::optional<WindowInfo> box;
  ASSERT_TRUE(waitUntil(
      [&] {
        box = screen().findWindow("Lumova Screen Saver");
        return box && box->geometry.width < 1024;
      },
      10s));
  EXPECT_TRUE(saver.running());
  // Answer it with its OK button, centred near the bottom of the box.
  const Rect& g = box->geometry;
  screen().click(g.x + g.width / 2, g.y + g.height - 23);
  EXPECT_TRUE(saver.waitForExit(5s));
}

// Which of `colours` the middle of the screen shows in turn, until `count`
// different ones were seen in a row of changes (or the time is up). `seeing`
// hears of each as it comes.
std::vector<int> middleColours(XSession& screen, const std::vector<Rgb>& colours, std::size_t count,
                               const std::function<void(int)>& seeing = {}) {
  std::vector<int> seen;
  // Counted from the first sight of something else (the saver's background
  // before its first picture): until the new window covers it, the screen
  // may still show what an earlier run left there.
  bool started = false;
  waitUntil(
      [&] {
        const Rgb c = screen.capture({512, 384, 1, 1}).pixel(0, 0);
        bool listed = false;
        for (std::size_t i = 0; i < colours.size(); ++i) {
          const int d = std::max({std::abs(int(c >> 16) - int(colours[i] >> 16)),
                                  std::abs(int((c >> 8) & 0xFF) - int((colours[i] >> 8) & 0xFF)),
                                  std::abs(int(c & 0xFF) - int(colours[i] & 0xFF))});
          if (d > 12) continue;
          listed = true;
          if (started && (seen.empty() || seen.back() != static_cast<int>(i))) {
            seen.push_back(static_cast<int>(i));
            if (seeing) seeing(seen.back());
          }
        }
        started = started || !listed;
        return seen.size() >= count;
      },
      25s, 50ms);
  return seen;
}

TEST_F(SlideshowE2E, AFolderShowsEveryFormatInPathOrderAndStaysCurrent) {
  // What ImageMagick writes (TIFF, JPEG) is what a scanner or a phone gives.
  const auto folder = desktop().saverDir() / "Photos";
  std::filesystem::create_directories(folder / "b");
  const std::vector<Rgb> colours = {rgb(220, 40, 40), rgb(40, 200, 60), rgb(50, 70, 230), rgb(230, 200, 40),
                                    rgb(200, 60, 220)};
  const auto magick = [](Rgb c, const std::filesystem::path& file) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "#%06X", c);
    const std::string command = "convert -size 160x120 xc:'" + std::string(colour) + "' '" + file.string() + "'";
    return std::system(command.c_str()) == 0;
  };
  ASSERT_TRUE(magick(colours[0], folder / "b" / "x.jpg"));  // "b" sorts before "b.bmp"
  ASSERT_TRUE(saveBmp(Image(160, 120, colours[1]), folder / "b.bmp"));
  ASSERT_TRUE(savePng(Image(160, 120, colours[2]), folder / "c.png"));
  ASSERT_TRUE(magick(colours[3], folder / "d.tif"));
  desktop().installSaver(
      "[total]\r\ntotal=0\r\n[folders]\r\ntotal=1\r\n0=C:\\Lumova\\Photos\r\n"
      "[image]\r\nrandomPick=0\r\ntimeInterval=1\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\n"
      "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n");
  {
    WineProcess& saver = desktop().startSaver("/s");
    EXPECT_EQ(middleColours(screen(), colours, 5), (std::vector<int>{0, 1, 2, 3, 0}));
    screen().pressKey("Shift_L");
    ASSERT_TRUE(saver.waitForExit(10s));
  }
  // One added: the next start shows it. One deleted while the saver runs,
  // found by its scan (three pictures have been shown in path order) and
  // not yet shown: it is passed over without a word.
  ASSERT_TRUE(saveBmp(Image(160, 120, colours[4]), folder / "a.bmp"));
  WineProcess& saver = desktop().startSaver("/s");
  bool deleted = false;
  EXPECT_EQ(middleColours(screen(), colours, 5,
                          [&](int shown) {
                            if (shown == 1) deleted = std::filesystem::remove(folder / "c.png");
                          }),
            (std::vector<int>{4, 0, 1, 3, 4}));
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(saver.running());
  const auto window = screen().findWindow("Lumova Screen Saver");
  ASSERT_TRUE(window);
  EXPECT_EQ(window->geometry.width, 1024) << "a message box under the saver's title";
}

TEST_F(SlideshowE2E, LeftWipeRevealsFromTheLeftWhileTheScreenWatches) {
  // Two halves: the effect must be seen with the left half on the screen and
  // the right half still background.
  const Rgb left = rgb(230, 60, 60), right = rgb(60, 90, 230);
  std::filesystem::create_directories(desktop().saverDir());
  Image picture(600, 300, left);
  picture.fill(Rect{300, 0, 300, 300}, right);
  ASSERT_TRUE(saveBmp(picture, desktop().saverDir() / "halves.bmp"));
  desktop().installSaver(
      "[total]\r\ntotal=1\r\n[images]\r\n0=C:\\Lumova\\halves.bmp\r\n[caption]\r\n0=\r\n"
      "[image]\r\ntimeInterval=0\r\npicRandom=cent\r\neffectMode=1\r\nrandomEffect=0\r\n"
      "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n");
  desktop().startSaver("/s");
  const Rect where{(1024 - 600) / 2, (768 - 300) / 2, 600, 300};
  const Rect leftHalf{where.x, where.y, 300, 300}, rightHalf{where.x + 300, where.y, 300, 300};
  bool sawPartial = false;
  ASSERT_TRUE(waitUntil(
      [&] {
        Image shot = screen().capture();
        const long long leftShown = 300LL * 300 - countDifferent(shot, leftHalf, left);
        const long long rightShown = 300LL * 300 - countDifferent(shot, rightHalf, right);
        // Mid-effect: part of the left half is revealed, nothing of the right,
        // and the rest of the picture's place is still background.
        if (leftShown > 0 && leftShown < 300LL * 300 && rightShown == 0 &&
            countDifferent(shot, Rect{where.x + 300, where.y, 300, 300}, rgb(0, 0, 0)) == 0)
          sawPartial = true;
        return rightShown == 300LL * 300;
      },
      10s));
  EXPECT_TRUE(sawPartial) << "no screenshot caught the wipe half way";
  Image done = screen().capture();
  EXPECT_EQ(countDifferent(done, leftHalf, left), 0);
  EXPECT_EQ(countDifferent(done, rightHalf, right), 0);
}

// How many pictures of its round the saver has counted as shown: the last
// number of its zbfaone.shown.
int shuffledSoFar(const std::filesystem::path& shown) {
  std::ifstream in(shown, std::ios::binary);
  std::string magic, version, round;
  int drawn = -1;
  in >> magic >> version >> round >> drawn;
  return drawn;
}

TEST_F(SlideshowE2E, ShuffleShowsSixDifferentPicturesOverTwoRunsEndedHalfWay) {
  const char* files[] = {"s0.bmp", "s1.bmp", "s2.bmp", "s3.bmp", "s4.bmp", "s5.bmp"};
  std::vector<Slide> slides;
  for (int i = 0; i < 6; ++i) slides.push_back({files[i], 160, 120, rgb(40 + 40 * i, 200 - 30 * i, 90), ""});
  install(desktop(), slides,
          "randomPick=1\r\nshuffle=1\r\ntimeInterval=2\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\n");
  const auto onScreen = [&] {
    const Image shot = screen().capture();
    for (int i = 0; i < 6; ++i)
      if (!findColour(shot, slides[i].colour).empty()) return i;
    return -1;
  };
  std::vector<int> shown;  // each picture as it came, over both runs
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    WineProcess& saver = desktop().startSaver("/s");
    ASSERT_TRUE(waitUntil(
        [&] {
          const int i = onScreen();
          if (i >= 0 && (shown.empty() || shown.back() != i)) shown.push_back(i);
          return shown.size() == 3u * run;
        },
        30s));
    // Ended the hard way once the third is shown and counted.
    ASSERT_TRUE(waitUntil([&] { return shuffledSoFar(desktop().saverDir() / "zbfaone.shown") == 3 * run; }, 5s));
    saver.kill();
    ASSERT_TRUE(waitUntil([&] { return onScreen() < 0; }, 10s));
  }
  EXPECT_EQ(std::set<int>(shown.begin(), shown.end()).size(), 6u) << ::testing::PrintToString(shown);
}

int channel(Rgb c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

TEST_F(SlideshowE2E, CrossfadeShowsBothPicturesMixedHalfWay) {
  const Rgb red = rgb(230, 40, 40), blue = rgb(40, 40, 230);
  install(desktop(), {{"red.bmp", 400, 300, red, ""}, {"blue.bmp", 400, 300, blue, ""}},
          "randomPick=0\r\ntimeInterval=2\r\npicRandom=cent\r\neffectMode=8\r\nrandomEffect=0\r\n");
  desktop().startSaver("/s");
  const int x = 512, y = 384;
  ASSERT_TRUE(waitUntil([&] { return screen().capture().pixel(x, y) == red; }, 10s));
  // During the one-second fade a screenshot finds neither colour but a mix
  // of the two: red and blue moving against each other, green unchanged.
  Rgb seen = red;
  ASSERT_TRUE(waitUntil(
      [&] {
        seen = screen().capture().pixel(x, y);
        const int r = channel(seen, 16), b = channel(seen, 0);
        return r > 60 && r < 210 && b > 60 && b < 210 && std::abs(r + b - 270) <= 12 &&
               std::abs(channel(seen, 8) - 40) <= 6;
      },
      6s))
      << "last seen " << std::hex << seen;
  EXPECT_TRUE(waitUntil([&] { return screen().capture().pixel(x, y) == blue; }, 3s));
}

// Pan and zoom drawn by the graphics card (the default: Wine's Direct3D on
// Mesa, which maps the software renderer's driver into the process) and,
// with useGpu=0, by GDI, which maps no such driver.
class PanAndZoomE2E : public E2ETest, public ::testing::WithParamInterface<bool> {};

TEST_P(PanAndZoomE2E, CoversTheScreenAndMoves) {
  const bool onCard = GetParam();
  // Squares of two colours, neither of them the black background, so that
  // every pixel of a moved picture changes near their edges.
  const Rgb orange = rgb(240, 150, 30), teal = rgb(30, 160, 170), black = rgb(0, 0, 0);
  Image picture(512, 384, orange);
  for (int y = 0; y < 384; y += 16)
    for (int x = (y / 16 % 2) * 16; x < 512; x += 32) picture.fill(Rect{x, y, 16, 16}, teal);
  std::filesystem::create_directories(desktop().saverDir());
  ASSERT_TRUE(saveBmp(picture, desktop().saverDir() / "squares.bmp"));
  desktop().installSaver(
      "[total]\r\ntotal=1\r\n[images]\r\n0=C:\\Lumova\\squares.bmp\r\n[caption]\r\n0=\r\n"
      "[image]\r\ntimeInterval=0\r\npicRandom=zoom\r\neffectMode=0\r\nrandomEffect=0\r\n" +
      std::string(onCard ? "" : "useGpu=0\r\n") + "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n");
  desktop().startSaver("/s");
  const Rect all{0, 0, 1024, 768};
  const auto blackPixels = [&](const Image& shot) {
    return all.width * static_cast<long long>(all.height) - countDifferent(shot, all, black, 12);
  };
  Image first;
  ASSERT_TRUE(waitUntil([&] { return blackPixels(first = screen().capture()) == 0; }, 10s));
  Image later;
  long long moved = 0, uncovered = 0;
  ASSERT_TRUE(waitUntil(
      [&] {
        later = screen().capture();
        uncovered = std::max(uncovered, blackPixels(later));
        moved = countDifferent(first, all, later, Point{0, 0}, 40);
        return moved > 2000;
      },
      8s))
      << moved << " pixels changed";
  EXPECT_EQ(uncovered, 0) << "the background showed while the picture moved";
  const std::string maps = desktop().saverMaps();
  ASSERT_FALSE(maps.empty()) << "the saver's process was not found";
  EXPECT_EQ(maps.find("_dri.so") != std::string::npos, onCard) << (onCard ? "drawn without" : "drawn with")
                                                                 << " the graphics card's driver";
}

INSTANTIATE_TEST_SUITE_P(Drawing, PanAndZoomE2E, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "OnTheCard" : "WithGdi"; });

TEST_F(SlideshowE2E, ClockShowsInTheCaptionColourInTheLowerRightCorner) {
  const Rgb green = rgb(0, 255, 0);
  std::filesystem::create_directories(desktop().saverDir());
  ASSERT_TRUE(saveBmp(Image(200, 150, rgb(200, 40, 40)), desktop().saverDir() / "red.bmp"));
  desktop().installSaver(
      "[total]\r\ntotal=1\r\n[images]\r\n0=C:\\Lumova\\red.bmp\r\n[caption]\r\n0=\r\n"
      "[image]\r\ntimeInterval=0\r\npicRandom=cent\r\neffectMode=0\r\nclock=1\r\n"
      "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n[font]\r\nnewFontSize=20\r\nnewFontForeColor=65280\r\n");
  desktop().startSaver("/s");
  ASSERT_TRUE(screen().waitForWindow("Lumova Screen Saver", 15s));
  // The picture has no caption: green text can only be the clock's.
  const auto greenIn = [&](const Image& shot, Rect r) {
    return r.width * r.height - countDifferent(shot, r, green, 0);
  };
  Image shot;
  EXPECT_TRUE(waitUntil([&] { return greenIn(shot = screen().capture(), Rect{768, 640, 256, 128}) > 10; }, 2s));
  EXPECT_EQ(greenIn(shot, Rect{0, 0, 1024, 640}), 0) << "green outside the corner";
}

// The screen as a test left it, kept beside the failed tests' screenshots.
void keepScreenshot(const Image& shot, const std::string& name) {
  std::filesystem::create_directories(artifactsDir());
  EXPECT_TRUE(savePng(shot, artifactsDir() / (name + ".png")));
}

TEST_F(SlideshowE2E, BlurFillFillsTheScreenAroundAPortraitWithItsOwnColour) {
  const Rgb red = rgb(220, 30, 30), blue = rgb(0, 0, 255);
  const std::string blueBack = "16711680";  // BGR, as the settings keep colours
  // The screen's four edges, midway along each.
  const std::vector<Point> edges = {{2, 384}, {1021, 384}, {512, 2}, {512, 765}};
  const auto reddish = [&](const Image& shot) {
    for (const Point& p : edges) {
      const Rgb c = shot.pixel(p.x, p.y);
      if (channel(c, 16) < 60 || channel(c, 16) < 3 * channel(c, 0)) return false;
    }
    return true;
  };
  for (const bool blurred : {true, false}) {
    SCOPED_TRACE(blurred ? "blurFill=1" : "without the key");
    install(desktop(), {{"portrait.bmp", 300, 600, red, ""}},
            std::string("timeInterval=0\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\n") +
                (blurred ? "blurFill=1\r\n" : ""),
            {}, blueBack);
    WineProcess& saver = desktop().startSaver("/s");
    Image shot;
    ASSERT_TRUE(waitUntil([&] { return findColour(shot = screen().capture(), red) == Rect{362, 84, 300, 600}; }, 10s));
    if (blurred) {
      ASSERT_TRUE(waitUntil([&] { return reddish(shot = screen().capture()); }, 5s));
      keepScreenshot(shot, "saver-blur-fill");
    } else {
      EXPECT_TRUE(waitUntil(
          [&] {
            shot = screen().capture();
            return std::all_of(edges.begin(), edges.end(),
                               [&](const Point& p) { return shot.pixel(p.x, p.y) == blue; });
          },
          5s));
    }
    screen().pressKey("Shift_L");
    ASSERT_TRUE(saver.waitForExit(5s));
  }
}

TEST_F(SlideshowE2E, TwoPortraitsShowSideBySideThenTheLandscapeOneAlone) {
  const Rgb red = rgb(220, 40, 40), green = rgb(40, 200, 60), blue = rgb(50, 70, 230), black = rgb(0, 0, 0);
  install(
      desktop(),
      {{"tall-1.bmp", 200, 400, red, "One"}, {"tall-2.bmp", 200, 400, green, "Two"}, {"wide.bmp", 400, 200, blue, ""}},
      "randomPick=0\r\ntimeInterval=3\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\npairPortraits=1\r\n");
  WineProcess& saver = desktop().startSaver("/s");
  // Each centred in its half of 1024 x 768, its caption above it.
  Image shot;
  ASSERT_TRUE(waitUntil(
      [&] {
        shot = screen().capture();
        return findColour(shot, red) == Rect{156, 184, 200, 400} &&
               findColour(shot, green) == Rect{668, 184, 200, 400} &&
               countDifferent(shot, Rect{0, 0, 512, 40}, black) > 20 &&
               countDifferent(shot, Rect{512, 0, 512, 40}, black) > 20;
      },
      10s));
  keepScreenshot(shot, "saver-pair-portraits");
  ASSERT_TRUE(waitUntil(
      [&] {
        shot = screen().capture();
        return findColour(shot, blue) == Rect{312, 284, 400, 200} && findColour(shot, red).empty() &&
               findColour(shot, green).empty();
      },
      8s));
  screen().pressKey("Shift_L");
  ASSERT_TRUE(saver.waitForExit(5s));

  // With blurFill as well: each half's edge takes its own picture's colour.
  install(desktop(), {{"tall-1.bmp", 200, 400, red, "One"}, {"tall-2.bmp", 200, 400, green, "Two"}},
          "timeInterval=0\r\npicRandom=cent\r\neffectMode=0\r\npairPortraits=1\r\nblurFill=1\r\n");
  desktop().startSaver("/s");
  ASSERT_TRUE(waitUntil(
      [&] {
        shot = screen().capture();
        const Rgb l = shot.pixel(2, 384), r = shot.pixel(1021, 384);
        return findColour(shot, red) == Rect{156, 184, 200, 400} &&
               findColour(shot, green) == Rect{668, 184, 200, 400} && channel(l, 16) > 2 * channel(l, 8) &&
               channel(r, 8) > 2 * channel(r, 16);
      },
      10s));
  keepScreenshot(shot, "saver-pair-blur-fill");
}

}  // namespace
}  // namespace lumova::e2e
