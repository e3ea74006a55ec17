// The real saver window over monitors that come, move and go: it covers them
// all, a stage stands on each, and a monitor added shows a picture at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "common/clock_win32.h"
#include "common/display_win32.h"
#include "effects/gdi_renderer_win32.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/dib_surface_win32.h"
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
                  kPlatformNT, std::move(parts));
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

namespace {

// Paces nothing, and looks at what the window shows at every wait: the
// frames in the middle of a crossfade.
class FrameWatcher final : public effects::DisplayPacer {
 public:
  explicit FrameWatcher(std::function<void()>& onFrame) : onFrame_(onFrame) {}
  void refresh(HMONITOR) override {}
  double refreshHz() const override { return 60; }
  void waitForNextFrame() override {
    if (onFrame_) onFrame_();
  }

 private:
  std::function<void()>& onFrame_;
};

std::uint32_t mixed(std::uint32_t from, std::uint32_t to, int weight) {
  std::uint32_t out = 0;
  for (int s = 0; s < 24; s += 8)
    out |= ((((from >> s) & 0xFF) * (256 - weight) + ((to >> s) & 0xFF) * weight + 128) >> 8) << s;
  return out;
}

}  // namespace

TEST(SaverWindowCrossfade, MixesPicturesOfTwoSizesOverTheBackgroundUnderTheCaption) {
  const std::string dir = lumova::testing::tempFolder("lumova-fade");
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  constexpr std::uint32_t kA = 0xC02040, kB = 0x20C080, kBack = 0x405060, kWhite = 0xFFFFFF;
  // A wide one, then one as high as the screen, under the captions' band at the top.
  const struct {
    const char* name;
    int w, h;
    std::uint32_t rgb;
  } pictures[] = {{"a.bmp", 96, 64, kA}, {"b.bmp", 40, h, kB}};
  for (const auto& p : pictures)
    ASSERT_TRUE(
        lumova::testing::writeBytes(dir + p.name, lumova::testing::bmp24(p.w, p.h, [&](int, int) { return p.rgb; })));
  const std::string ini = "[total]\r\ntotal=2\r\n[images]\r\n0=" + dir + "a.bmp\r\n1=" + dir +
                          "b.bmp\r\n[caption]\r\n0=The first caption\r\n1=The second caption\r\n"
                          "[image]\r\nrandomPick=0\r\ntimeInterval=5\r\npicRandom=cent\r\neffectMode=8\r\n"
                          "[background]\r\nbackEffect=0\r\nnewBackColor=" +
                          std::to_string((kBack >> 16) + (kBack & 0xFF00) + ((kBack & 0xFF) << 16)) + "\r\n";
  // Both centred: the first inside, the second reaching the top and the bottom.
  const RECT a{(w - 96) / 2, (h - 64) / 2, (w - 96) / 2 + 96, (h - 64) / 2 + 64};
  const RECT b{(w - 40) / 2, 0, (w - 40) / 2 + 40, h};
  const int ax = a.left + 4, ay = (a.top + a.bottom) / 2, bx = (b.left + b.right) / 2;

  for (const bool buffersFail : {false, true}) {
    SCOPED_TRACE(buffersFail ? "no buffers for the mix" : "mixed");
    lumova::testing::DibSurface screen(w, h);
    ASSERT_TRUE(screen.ok());
    struct Seen {
      std::uint32_t neither, aOnly, bOnly, both;
      int captionWhite;  // over the second picture's top
    };
    std::vector<Seen> seen;
    std::function<void()> onFrame = [&] {
      Seen s{screen.rgb(a.left + 2, a.top - 2), screen.rgb(ax, ay), screen.rgb(bx, a.bottom + 4), screen.rgb(bx, ay),
             0};
      for (int y = 0; y < 40; ++y)
        for (int x = b.left; x < b.right; ++x) s.captionWhite += screen.rgb(x, y) == kWhite;
      seen.push_back(s);
    };
    saver::SaverWindowParts parts;
    parts.frameWaiter = std::make_unique<FrameWatcher>(onFrame);
    parts.renderer = [&](HWND window) {
      return std::make_unique<effects::GdiRenderer>(window, screen.dc(), [&](int bw, int bh, void** bits) {
        return buffersFail ? (*bits = nullptr, HBITMAP{}) : win32::createTopDownDib(bw, bh, bits);
      });
    };
    SoakSaver saver(ini, false, kPlatformNT, std::move(parts));
    pumpMessages();
    const auto& stage = static_cast<saver::MonitorStage&>(saver.window.monitor(0));
    ASSERT_TRUE(EqualRect(&stage.pictureRect(), &a));

    // The first change fades in from the background; without buffers the picture shows at once.
    ASSERT_FALSE(seen.empty()) << "no frame in the middle of the fade";
    int mixes = 0;
    for (const Seen& s : seen) {
      if (buffersFail) EXPECT_EQ(s.aOnly, kA);
      mixes += s.aOnly != kA && s.aOnly != kBack;
    }
    EXPECT_EQ(mixes > 0, !buffersFail);
    EXPECT_EQ(screen.rgb(ax, ay), kA) << "the first picture is not shown after its fade";

    seen.clear();
    saver.form->onChangeTick();
    pumpMessages();
    ASSERT_TRUE(EqualRect(&stage.pictureRect(), &b));
    ASSERT_FALSE(seen.empty());
    mixes = 0;
    int captions = 0;
    for (const Seen& s : seen) {
      SCOPED_TRACE(::testing::Message() << std::hex << s.aOnly << " " << s.bOnly << " " << s.both);
      EXPECT_EQ(s.neither, kBack);
      captions += s.captionWhite > 0;
      if (buffersFail) {
        EXPECT_EQ(s.aOnly, kBack);
        EXPECT_EQ(s.bOnly, kB);
        EXPECT_EQ(s.both, kB);
        continue;
      }
      // One weight of the new look over the old everywhere: over the
      // background where only one picture is, picture over picture where both.
      int weight = 0;
      while (weight <= 256 && (mixed(kBack, kB, weight) != s.bOnly || mixed(kA, kBack, weight) != s.aOnly ||
                               mixed(kA, kB, weight) != s.both))
        ++weight;
      EXPECT_LE(weight, 256) << "not one mix of the two looks";
      mixes += weight > 16 && weight < 240;
    }
    EXPECT_EQ(mixes > 0, !buffersFail);
    EXPECT_GT(captions, 0) << "no caption over the fade";

    // Afterwards: the new picture, the background around it, its caption beside it.
    EXPECT_EQ(screen.rgb(ax, ay), kBack);
    EXPECT_EQ(screen.rgb(bx, ay), kB);
    const RECT caption = stage.captionRect();
    int captionWhite = 0;
    for (int y = caption.top; y < caption.bottom; ++y)
      for (int x = caption.left; x < caption.right; ++x) captionWhite += screen.rgb(x, y) == kWhite;
    EXPECT_GT(captionWhite, 0) << "the new caption is not shown";
    EXPECT_EQ(saver.messages.shown, 0);
  }
  for (const char* name : {"a.bmp", "b.bmp"}) DeleteFileA((dir + name).c_str());
  RemoveDirectoryA(dir.c_str());
}

// Keys sent to the real window: I brings the details line, space the pause
// mark for a while and holds the pan and zoom.
TEST(SaverWindowSteering, DetailsLinePauseMarkAndAHeldPan) {
  const std::string dir = lumova::testing::tempFolder("lumova-keys");
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  constexpr std::uint32_t kBand = 0x101010, kLight = 0xF0F0F0;
  ASSERT_TRUE(lumova::testing::writeBytes(dir + "g.bmp", lumova::testing::bmp24(300, 200, [](int x, int y) {
                                            return (x << 16 | y << 8 | 0x40) & 0xFFFFFFu;
                                          })));
  lumova::testing::DibSurface screen(w, h);
  saver::SaverWindowParts parts;
  parts.renderer = [&](HWND window) { return std::make_unique<effects::GdiRenderer>(window, screen.dc()); };
  SoakSaver saver("[total]\r\ntotal=1\r\n[images]\r\n0=" + dir +
                      "g.bmp\r\n[image]\r\nkeysSteer=1\r\ntimeInterval=30\r\npicRandom=zoom\r\neffectMode=0\r\n",
                  false, kPlatformNT, std::move(parts));
  pumpMessages();
  auto& stage = static_cast<saver::MonitorStage&>(saver.window.monitor(0));
  const auto press = [&](int code) {
    SendMessageW(saver.window.hwnd(), WM_KEYDOWN, static_cast<WPARAM>(code), 0);
    pumpMessages();
  };
  const auto lights = [&](int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += screen.rgb(x, y) == kLight;
    return n;
  };
  const auto middleRow = [&] {
    std::uint64_t sum = 0;
    for (int x = 0; x < w; ++x) sum = sum * 31 + screen.rgb(x, h / 2);
    return sum;
  };
  press('I');
  EXPECT_EQ(screen.rgb(2, h - 2), kBand) << "no dark band at the bottom";
  EXPECT_GT(lights(0, h - 40, w, h), 20) << "no details on the band";
  press(VK_SPACE);
  const int markX = w - 67, markY = 25;  // inside the mark's corner, at 96 DPI
  EXPECT_EQ(screen.rgb(markX, markY), kBand) << "no pause mark in the top-right corner";
  EXPECT_GT(lights(w - 68, 24, w - 24, 68), 100);
  const std::uint64_t held = middleRow();
  stage.panZoomStep(win32::SystemClock().monotonicSeconds() + 10);
  EXPECT_EQ(middleRow(), held) << "the pan went on while paused";
  const DWORD started = GetTickCount();  // the mark goes by itself; the pause stays
  while (screen.rgb(markX, markY) == kBand && GetTickCount() - started < 10000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    pumpMessages();
  }
  EXPECT_NE(screen.rgb(markX, markY), kBand) << "the pause mark stayed";
  EXPECT_GE(GetTickCount() - started, 1000u) << "the pause mark went at once";
  press(VK_SPACE);
  stage.panZoomStep(win32::SystemClock().monotonicSeconds() + 10);
  EXPECT_NE(middleRow(), held) << "the pan did not go on after the pause";
  DeleteFileA((dir + "g.bmp").c_str());
  RemoveDirectoryA(dir.c_str());
}

namespace {

// A power setting's news as the system sends it to the window.
void sendPowerSetting(HWND window, const GUID& setting, DWORD value) {
  struct {
    POWERBROADCAST_SETTING head;
    BYTE rest[sizeof(DWORD)];
  } news{};
  news.head.PowerSetting = setting;
  news.head.DataLength = sizeof value;
  std::memcpy(news.head.Data, &value, sizeof value);
  SendMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&news));
}

constexpr GUID kConsoleDisplay = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kPowerSource = {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}};

}  // namespace

TEST(SaverWindowPower, DisplayOffStopsTheTimersAndTheFramesOnBringsThemBackBatteryHoldsThePan) {
  const std::string file = lumova::testing::tempFolder("lumova-power") + "p.bmp";
  ASSERT_TRUE(
      lumova::testing::writeBytes(file, lumova::testing::bmp24(640, 480, [](int x, int) { return x * 0x10101; })));
  SoakSaver saver("[total]\r\ntotal=1\r\n[images]\r\n0=" + file +
                  "\r\n[image]\r\ntimeInterval=5\r\npicRandom=zoom\r\nclock=1\r\nstillOnBattery=1\r\n");
  pumpMessages();
  const HWND w = saver.window.hwnd();
  ASSERT_TRUE(saver.window.pacingFrames());
  // A timer that is there can be killed once; then it is gone.
  const auto armed = [w](TimerId id) { return KillTimer(w, static_cast<UINT_PTR>(id)) != FALSE; };
  sendPowerSetting(w, kConsoleDisplay, 0);
  EXPECT_FALSE(saver.window.pacingFrames());
  for (TimerId id : {TimerId::Motion, TimerId::Change, TimerId::Startup, TimerId::Clock})
    EXPECT_FALSE(armed(id)) << static_cast<int>(id);
  sendPowerSetting(w, kConsoleDisplay, 2);  // dimmed: on again
  EXPECT_TRUE(saver.window.pacingFrames());
  EXPECT_TRUE(armed(TimerId::Clock));
  EXPECT_TRUE(armed(TimerId::Change)) << "the next picture at once";
  // On battery the picture stands still: the frames end with the next pulse.
  sendPowerSetting(w, kPowerSource, 1);
  for (DWORD end = GetTickCount() + 5000; saver.window.pacingFrames() && GetTickCount() < end;) pumpMessages();
  EXPECT_FALSE(saver.window.pacingFrames());
  EXPECT_FALSE(saver.host.ended);
  DeleteFileA(file.c_str());
}

namespace {

// Draws with GDI, and counts the frames whose surround (a picture drawn
// scaled, under the picture) does not keep to what the picture shows: a
// renderer that draws whole frames would show it ahead of the effect.
class ClipWatcher final : public effects::Renderer {
 public:
  ClipWatcher(HWND window, HDC target, int& compared, int& apart)
      : inner_(window, target), compared_(compared), apart_(apart) {}
  effects::PictureId addPicture(PicturePtr p) override { return inner_.addPicture(std::move(p)); }
  void releasePicture(effects::PictureId id) override { inner_.releasePicture(id); }
  void present() override { inner_.present(); }
  effects::TextExtent measureText(const effects::TextFont& f, const std::string& t) override {
    return inner_.measureText(f, t);
  }
  void draw(const effects::Frame& frame) override {
    const effects::PictureLayer* surround = nullptr;
    for (const effects::Layer& l : frame.layers)
      if (const auto* p = std::get_if<effects::PictureLayer>(&l); p && p->picture != effects::kNoPicture) {
        if (p->source) {
          surround = p;
        } else if (surround) {
          ++compared_;
          apart_ += surround->clip != p->clip;
        }
      }
    inner_.draw(frame);
  }

 private:
  effects::GdiRenderer inner_;
  int& compared_;
  int& apart_;
};

}  // namespace

TEST(SaverWindowSurround, AWipeRevealsThePictureAndItsSurroundTogether) {
  const std::string dir = lumova::testing::tempFolder("lumova-surround");
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  constexpr std::uint32_t kRed = 0xC02040, kBack = 0x2040C0;
  const auto dim = [](std::uint32_t rgb) {
    std::uint32_t out = 0;
    for (int s = 0; s < 24; s += 8) out |= ((((rgb >> s) & 0xFF) * 153 + 127) / 255) << s;
    return out;
  };
  ASSERT_TRUE(
      lumova::testing::writeBytes(dir + "tall.bmp", lumova::testing::bmp24(60, h / 2, [&](int, int) { return kRed; })));
  const std::string ini = "[total]\r\ntotal=1\r\n[images]\r\n0=" + dir +
                          "tall.bmp\r\n[caption]\r\n0=\r\n"
                          "[image]\r\ntimeInterval=0\r\npicRandom=cent\r\neffectMode=1\r\nblurFill=1\r\n"
                          "[background]\r\nbackEffect=0\r\nnewBackColor=" +
                          std::to_string((kBack >> 16) + (kBack & 0xFF00) + ((kBack & 0xFF) << 16)) + "\r\n";
  lumova::testing::DibSurface screen(w, h);
  ASSERT_TRUE(screen.ok());
  int frames = 0, partway = 0;  // the wipe across the whole monitor, part way
  std::function<void()> onFrame = [&] {
    ++frames;
    partway += screen.rgb(2, 2) == dim(kRed) && screen.rgb(w - 3, 2) != dim(kRed);
  };
  saver::SaverWindowParts parts;
  parts.frameWaiter = std::make_unique<FrameWatcher>(onFrame);
  int compared = 0, apart = 0;
  parts.renderer = [&](HWND window) { return std::make_unique<ClipWatcher>(window, screen.dc(), compared, apart); };
  SoakSaver saver(ini, false, kPlatformNT, std::move(parts));
  pumpMessages();
  EXPECT_GT(compared, frames);
  EXPECT_EQ(apart, 0) << "the surround showed where its picture did not";
  EXPECT_GT(partway, 0) << "the wipe never crossed the monitor's edges";
  EXPECT_EQ(screen.rgb(w - 2, h - 2), dim(kRed));
  EXPECT_EQ(screen.rgb(w / 2, h / 2), kRed);
  EXPECT_EQ(saver.messages.shown, 0);
  DeleteFileA((dir + "tall.bmp").c_str());
  RemoveDirectoryA(dir.c_str());
}
