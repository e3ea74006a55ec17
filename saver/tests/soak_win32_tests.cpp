// The real saver window: what it draws of a picture with transparent parts,
// and, over many picture changes, what the process holds returns to its
// level after the first change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/com_win32.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/soak_support_win32.h"
#include "tests/support/temp_files_win32.h"
#include "tests/support/wic_encode_win32.h"

using namespace lumova;

using lumova::testing::pumpMessages;
using lumova::testing::SoakSaver;
using lumova::testing::usage;
using lumova::testing::Usage;

namespace {

void writeBmp(const std::string& path, int w, int h, std::uint32_t rgb) {
  ASSERT_TRUE(lumova::testing::writeBytes(path, lumova::testing::bmp24(w, h, [rgb](int, int) { return rgb; })));
}

}  // namespace

TEST(SaverSoak, FiveHundredChangesHoldNothingMore) {
  const std::string dir = lumova::testing::tempFolder("lumova-soak");
  writeBmp(dir + "a.bmp", 640, 480, 0xC82828);
  writeBmp(dir + "b.bmp", 320, 500, 0x28C828);
  writeBmp(dir + "c.bmp", 900, 300, 0x2828C8);
  const std::string settings =
      "[total]\r\ntotal=3\r\n[images]\r\n0=" + dir + "a.bmp\r\n1=" + dir + "b.bmp\r\n2=" + dir +
      "c.bmp\r\n[caption]\r\n0=First caption\r\n1=\r\n2=Third\r\n[image]\r\ntimeInterval=1\r\npicRandom=rand\r\n"
      "effectMode=0\r\n";

  // Drawn by GDI, then on the graphics card. The card's driver (here Wine's
  // Direct3D on Mesa) takes memory of its own over the first pictures of
  // each size, so the card's count starts after a hundred changes and
  // allows more: a picture kept on the card would still be 0.6 to 1.2 MB a
  // change, a caption's texture 50 kB.
  for (const bool onCard : {false, true}) {
    SCOPED_TRACE(onCard ? "on the graphics card" : "with GDI");
    SoakSaver saver(settings + (onCard ? "" : "useGpu=0\r\n"));
    const auto change = [&] {
      saver.form->onChangeTick();
      saver.form->onMotionTick();
      pumpMessages();
    };
    for (int i = 0; i < (onCard ? 100 : 1); ++i) change();
    const Usage start = usage();
    for (int i = 0; i < 500; ++i) change();
    const Usage end = usage();
    EXPECT_EQ(saver.messages.shown, 0);
    EXPECT_FALSE(saver.host.ended);
    EXPECT_EQ(GetModuleHandleW(L"d3d11.dll") != nullptr, onCard) << "not drawn the way the settings say";
    // GDI and USER object counts (real Windows reports them; Wine reports 0).
    EXPECT_LE(end.gdi, start.gdi + 2);
    EXPECT_LE(end.user, start.user + 2);
    EXPECT_LE(end.handles, start.handles + 4);
    ASSERT_GT(start.privateBytes, 0u) << "the process's memory could not be read";
    EXPECT_LT(static_cast<double>(end.privateBytes) - static_cast<double>(start.privateBytes),
              (onCard ? 12.0 : 4.0) * 1024 * 1024);
    std::printf("soak %s: gdi %lu -> %lu, user %lu -> %lu, handles %lu -> %lu, private %.1f -> %.1f MB\n",
                onCard ? "on the card" : "with GDI", static_cast<unsigned long>(start.gdi),
                static_cast<unsigned long>(end.gdi), static_cast<unsigned long>(start.user),
                static_cast<unsigned long>(end.user), static_cast<unsigned long>(start.handles),
                static_cast<unsigned long>(end.handles), start.privateBytes / 1048576.0, end.privateBytes / 1048576.0);
  }
}

TEST(SaverWindowDrawing, TransparentPartsShowTheBackgroundColour) {
  win32::ComScope com;  // for the encoder
  // Three bands: clear, half-covered red, red.
  const int w = 60, h = 40;
  std::vector<std::uint32_t> argb(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      argb[static_cast<std::size_t>(y) * w + x] = x < 20 ? 0 : x < 40 ? 0x80FF0000 : 0xFFFF0000;
  const std::string file = lumova::testing::tempFolder("lumova-clear") + "clear.png";
  ASSERT_HRESULT_SUCCEEDED(lumova::testing::encodeWithWic(file, GUID_ContainerFormatPng, w, h, argb));

  const int r = 20, g = 160, b = 220;  // the background colour
  SoakSaver saver("[total]\r\ntotal=1\r\n[images]\r\n0=" + file +
                  "\r\n[image]\r\ntimeInterval=0\r\npicRandom=cent\r\neffectMode=0\r\n[background]\r\n"
                  "backEffect=0\r\nnewBackColor=" +
                  std::to_string(r + 256 * g + 65536 * b) + "\r\n");
  pumpMessages();
  ASSERT_EQ(saver.messages.shown, 0);
  const RECT at = static_cast<saver::MonitorStage&>(saver.window.monitor(0)).pictureRect();
  ASSERT_EQ(at.right - at.left, w);

  win32::WindowDc dc(saver.window.hwnd());
  auto shows = [&](int x, int wantR, int wantG, int wantB) {
    const COLORREF got = GetPixel(dc.get(), at.left + x, at.top + h / 2);
    return std::abs(GetRValue(got) - wantR) <= 3 && std::abs(GetGValue(got) - wantG) <= 3 &&
           std::abs(GetBValue(got) - wantB) <= 3;
  };
  EXPECT_TRUE(shows(50, 255, 0, 0)) << "the picture is not there";
  EXPECT_TRUE(shows(10, r, g, b)) << "what is clear is not the background colour";
  // Half the red, half the background.
  EXPECT_TRUE(shows(30, (255 * 128 + r * 127) / 255, g * 127 / 255, b * 127 / 255));
}
