// The real Lumova.scr under Wine with today's photos: large ones shrunk to
// the screen, sideways ones shown upright, and a slideshow on each of two
// monitors.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/e2e_test.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {

using namespace std::chrono_literals;

const Rgb kBlack = rgb(0, 0, 0);

std::string settings(const std::vector<std::pair<std::string, std::string>>& pictures, const std::string& image) {
  std::string ini = "[total]\r\ntotal=" + std::to_string(pictures.size()) + "\r\n[images]\r\n";
  for (std::size_t i = 0; i < pictures.size(); ++i)
    ini += std::to_string(i) + "=C:\\Lumova\\" + pictures[i].first + "\r\n";
  ini += "[caption]\r\n";
  for (std::size_t i = 0; i < pictures.size(); ++i) ini += std::to_string(i) + "=" + pictures[i].second + "\r\n";
  return ini + "[image]\r\nrandomPick=0\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\n" + image +
         "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n"
         "[font]\r\nnewFontName=Arial\r\nnewFontSize=16\r\nnewFontBold=True\r\nnewFontForeColor=65535\r\n";
}

bool near(const Rect& a, const Rect& b, int slack = 1) {
  return std::abs(a.x - b.x) <= slack && std::abs(a.y - b.y) <= slack && std::abs(a.width - b.width) <= slack &&
         std::abs(a.height - b.height) <= slack;
}

bool close(Rgb a, Rgb b, int tolerance) {
  const auto channel = [](Rgb c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  for (int s : {0, 8, 16})
    if (std::abs(channel(a, s) - channel(b, s)) > tolerance) return false;
  return true;
}

using RealPhotosE2E = E2ETest;

TEST_F(RealPhotosE2E, LargePictureIsShrunkWholeAndCentredOnlyWithPicFit) {
  // One-pixel columns of two colours that average to red: a quarter across,
  // only averaging gives red, and unshrunk the columns show as they are.
  const Rgb red = rgb(200, 40, 40), columns[2] = {rgb(250, 0, 80), rgb(150, 80, 0)};
  std::filesystem::create_directories(desktop().saverDir());
  Image striped(4096, 2732);
  for (int y = 0; y < striped.height(); ++y)
    for (int x = 0; x < striped.width(); ++x) striped.setPixel(x, y, columns[x % 2]);
  ASSERT_TRUE(saveBmp(striped, desktop().saverDir() / "big.bmp"));
  for (const char* key : {"picFit=1\r\n", ""}) {
    SCOPED_TRACE(*key ? "picFit=1" : "no picFit key");
    desktop().installSaver(settings({{"big.bmp", ""}}, std::string("timeInterval=0\r\n") + key));
    WineProcess& saver = desktop().startSaver("/s");
    Image shot;
    const Rect fitted{0, 42, 1024, 683};  // 4096x2732 in 1024x768, centred
    const auto unshrunk = [&](int x) {
      return close(shot.pixel(x, 384), columns[0], 3) && close(shot.pixel(x + 1, 384), columns[1], 3);
    };
    const bool shown = waitUntil(
        [&] {
          shot = screen().capture();
          if (*key) return near(boundsOfOther(shot, kBlack, 30), fitted);
          return near(boundsOfOther(shot, kBlack, 30), screen().screen(), 0) && (unshrunk(512) || unshrunk(513));
        },
        15s);
    EXPECT_TRUE(shown) << "picture at " << boundsOfOther(shot, kBlack, 30);
    if (*key) {
      for (int x : {1, 512, 513, 1022})
        EXPECT_TRUE(close(shot.pixel(x, 384), red, 3)) << "pixel " << x << " is averaged to red";
    }
    screen().pressKey("Shift_L");
    ASSERT_TRUE(saver.waitForExit(10s));
  }
}

TEST_F(RealPhotosE2E, SidewaysPhotoIsShownUpright) {
  std::filesystem::create_directories(desktop().saverDir());
  std::filesystem::copy_file(LUMOVA_E2E_UPRIGHT_PHOTO, desktop().saverDir() / "phone.jpg");
  desktop().installSaver(settings({{"phone.jpg", ""}}, "timeInterval=0\r\n"));
  desktop().startSaver("/s");
  // Stored 90x60, shown 60x90, centred.
  const Rect want{(1024 - 60) / 2, (768 - 90) / 2, 60, 90};
  Image shot;
  ASSERT_TRUE(waitUntil(
      [&] {
        shot = screen().capture();
        return near(boundsOfOther(shot, kBlack, 40), want, 2);
      },
      15s))
      << "picture at " << boundsOfOther(shot, kBlack, 40);
  // Turned a quarter clockwise: the stored bottom row is now the left column.
  const Rgb blocks[3][2] = {{rgb(240, 208, 0), rgb(224, 16, 16)},
                            {rgb(0, 192, 192), rgb(16, 192, 32)},
                            {rgb(255, 255, 255), rgb(32, 48, 224)}};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 2; ++col) {
      SCOPED_TRACE("block " + std::to_string(col) + "," + std::to_string(row));
      EXPECT_TRUE(close(shot.pixel(want.x + 15 + 30 * col, want.y + 15 + 30 * row), blocks[row][col], 24));
    }
}

class TwoMonitorsE2E : public E2ETest {
 protected:
  DesktopOptions desktopOptions() const override {
    DesktopOptions o;
    o.monitors = {{800, 600}, {480, 640}};
    return o;
  }
};

TEST_F(TwoMonitorsE2E, EachMonitorShowsTheNextPictureOfItsShapeCentredWithItsCaption) {
  struct Picture {
    const char* file;
    int width, height;
    Rgb colour;
  };
  // Landscape, landscape, portrait, portrait.
  const Picture pictures[] = {{"red.bmp", 200, 150, rgb(220, 40, 40)},
                              {"green.bmp", 160, 120, rgb(40, 200, 60)},
                              {"blue.bmp", 90, 120, rgb(50, 70, 230)},
                              {"purple.bmp", 120, 160, rgb(160, 60, 200)}};
  std::filesystem::create_directories(desktop().saverDir());
  for (const Picture& p : pictures)
    ASSERT_TRUE(saveBmp(Image(p.width, p.height, p.colour), desktop().saverDir() / p.file));
  desktop().installSaver(
      settings({{"red.bmp", "One"}, {"green.bmp", "Two"}, {"blue.bmp", "Three"}, {"purple.bmp", "Four"}},
               "timeInterval=3\r\nallMonitors=1\r\n"));
  desktop().startSaver("/s");

  const Rect monitors[2] = {{0, 0, 800, 600}, {800, 0, 480, 640}};
  // The landscape monitor takes the landscape pictures, the portrait one the
  // portrait pictures, each in order: (0, 2), then (1, 3).
  const int changes[2][2] = {{0, 2}, {1, 3}};
  for (const auto& change : changes) {
    SCOPED_TRACE("pictures " + std::to_string(change[0]) + ", " + std::to_string(change[1]));
    Image shot;
    const auto placedOn = [&](int m) {
      const Picture& p = pictures[change[m]];
      const Rect& on = monitors[m];
      const Rect want{on.x + (on.width - p.width) / 2, on.y + (on.height - p.height) / 2, p.width, p.height};
      const Rect below{on.x, 40, on.width, on.height - 40};  // under the caption band
      Rect got = boundsOfOther(shot.crop(below), kBlack, 30);
      got.x += below.x, got.y += below.y;
      return near(got, want) && close(shot.pixel(want.x + 5, want.y + 5), p.colour, 3);
    };
    ASSERT_TRUE(waitUntil(
        [&] {
          shot = screen().capture();
          return placedOn(0) && placedOn(1);
        },
        12s));
    // Each caption centred at the top of its own monitor.
    for (int m = 0; m < 2; ++m) {
      const Rect band{monitors[m].x, 0, monitors[m].width, 40};
      ASSERT_TRUE(waitUntil(
          [&] {
            shot = screen().capture();
            return countDifferent(shot, band, kBlack, 40) > 20;
          },
          4s))
          << "no caption on monitor " << m;
      const Rect text = boundsOfOther(shot.crop(band), kBlack, 40);
      EXPECT_NEAR(band.x + text.x + text.width / 2.0, band.x + band.width / 2.0, 4) << "monitor " << m;
    }
  }
}

}  // namespace
}  // namespace lumova::e2e
