#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "effects/d3d11_renderer_win32.h"
#include "effects/effect_table.h"
#include "effects/gdi_renderer_win32.h"
#include "effects/pan_zoom.h"
#include "effects/reveal.h"
#include "picture/wic_loader_win32.h"
#include "tests/support/dib_surface_win32.h"

using namespace lumova;
using namespace lumova::effects;

namespace {

constexpr int kW = 160, kH = 120;
constexpr std::uint32_t kBack = 0x203040;  // RGB, red low

// A window to draw on, shown where nothing covers it.
class TestWindow {
 public:
  TestWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumovaCardTest";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, kW,
                            kH, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TestWindow() { DestroyWindow(hwnd_); }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

// A smooth picture, as photos mostly are: the renderers sample it alike
// even where one averages and the other filters. A detailed one has no two
// neighbours alike: shown one for one it tells whether every pixel is its
// own, from the right place.
std::shared_ptr<win32::DibPicture> photo(int w, int h, bool detailed = false) {
  auto p = win32::DibPicture::create(w, h);
  auto* px = reinterpret_cast<std::uint32_t*>(p->mutableBits());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px[y * w + x] =
          0xFF000000u |
          (detailed ? ((x * 37 + y * 11) & 0xFF) << 16 | ((x * 7 + y * 53) & 0xFF) << 8 | ((x ^ y) * 29 & 0xFF)
                    : (40u + x * 180 / w) << 16 | (30u + y * 200 / h) << 8 | (220u - (x + y) * 160 / (w + h)));
  p->setOpaque(true);
  return p;
}

// The plan's rectangles revealed by its first `frames` frames, on a
// monitor at the window's corner.
std::vector<Rect> revealedBy(int effect, int frames) {
  struct Collect final : RectCopier {
    std::vector<Rect> rects;
    bool copy(const PixelRect& r) override {
      rects.push_back({r.x, r.y, r.x + r.w, r.y + r.h});
      return true;
    }
  } collect;
  struct StopAfter final : FrameWaiter {
    int left;
    explicit StopAfter(int n) : left(n) {}
    void waitForNextFrame() override { --left; }
    bool inputWaiting() override { return left <= 0; }
  } waiter(frames);
  const EffectPlan plan = planEffect(effect, kW, kH, 60);
  playPlan(plan, collect, waiter);
  if (collect.rects.empty()) collect.rects.emplace_back();
  return collect.rects;
}

int channelGap(std::uint32_t a, std::uint32_t b) {
  int most = 0;
  for (int shift : {0, 8, 16}) most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return most;
}

TEST(D3d11Renderer, DrawsTheSameFramesAsGdi) {
  TestWindow window;
  auto card = D3d11Renderer::create(window.get(), D3D_DRIVER_TYPE_HARDWARE);
  ASSERT_TRUE(card) << "no Direct3D 11 device for the window";
  lumova::testing::DibSurface screen(kW, kH);
  ASSERT_TRUE(screen.ok());
  GdiRenderer gdi(nullptr, screen.dc());

  // Handed to both in the same order, the pictures get the same ids: 1 to 5.
  std::vector<PictureHandle> held;
  for (const auto& p : {photo(kW, kH, true), photo(kW, kH), photo(240, 180), photo(90, 60), photo(kW + 20, kH - 20)}) {
    held.push_back(handOver(gdi, p));
    held.push_back(handOver(*card, p));
    ASSERT_EQ(idOf(held.back()), idOf(held[held.size() - 2]));
  }
  const Rect all{0, 0, kW, kH};
  const auto picture = [&](PictureId index, Rect rect) {
    PictureLayer l;
    l.rect = rect;
    l.keepIn = all;
    l.picture = index;
    l.fill = kBack;
    return l;
  };
  const auto caption = [&](const char* text, Rect rect) {
    CaptionLayer c;
    c.rect = rect;
    c.keepIn = all;
    c.text = text;
    c.font = TextFont{"Tahoma", -18, true};
    c.colour = 0x40F0FF;
    return c;
  };

  struct Row {
    std::string name;
    Frame frame;
    bool text = false;  // glyphs' edges may be shaded apart
  };
  std::vector<Row> rows;
  const auto add = [&](std::string name, std::vector<Layer> layers, bool text = false) -> Frame& {
    rows.push_back({std::move(name), {}, text});
    rows.back().frame.background.colour = kBack;
    rows.back().frame.layers = std::move(layers);
    return rows.back().frame;
  };
  for (const EffectInfo& e : kEffectTable) {
    if (!isStepped(e.number)) continue;
    const int frames = planEffect(e.number, kW, kH, 60).frameCount();
    for (const auto& [when, count] : {std::pair{" half way", frames / 2}, std::pair{" at the end", frames + 1}}) {
      PictureLayer revealed = picture(2, all);
      revealed.clip = revealedBy(e.number, count);
      add(std::string(e.name) + when, {picture(1, all), revealed});
    }
  }
  for (const int weight : {64, 128, 224}) {
    Frame& f = add("crossfade at " + std::to_string(weight) + " of 256, a smaller picture, a caption over it",
                   {picture(4, {35, 30, 125, 90})}, true);
    f.fadingFrom = {picture(1, all)};
    f.weight = weight;
    f.over = {caption("Fade", {0, 95, kW, 120})};
  }
  add("a floating picture part off its monitor, over its caption",
      {caption("Floating", {20, 70, 140, 100}), picture(4, {100, -20, 190, 40})}, true);
  for (const double progress : {0.0, 0.4, 1.0}) {
    const PanZoomPath path{{240, 180}, {kW, kH}, std::max(kW / 240.0, kH / 180.0), false, true, 0.2, 0.3, 0.9, 0.6};
    PictureLayer l = picture(3, all);
    l.source = sourceAreaOf(panZoomPlace(path, progress), {kW, kH});
    add("pan and zoom " + std::to_string(progress) + " along its path", {l});
  }
  PictureLayer fitted = picture(3, {10, 10, 150, 110});
  fitted.source = SourceArea{-20, -10, 280, 200};
  fitted.fill = 0x806040;
  add("a picture shown fitted and small, its fill beyond its edges", {fitted});
  CaptionLayer wide = caption("A caption wider than its box", {30, 50, 130, 80});
  wide.keepIn = {0, 0, 120, kH};
  add("a caption over a picture, cut at its monitor", {picture(2, all), wide}, true);
  ShadowedTextLayer clock{{90, 80, 155, 112}, all, "12:34", TextFont{"Tahoma", -16}, 0xFFFFFF, 0, 4};
  add("the desktop as it was, the colour where it does not reach, a clock over it", {clock}, true).background = {
      kBack, 5, -10, 15};
  for (Row& r : rows) {
    SCOPED_TRACE(r.name);
    r.frame.damage = {all};
    screen.fill(0);
    gdi.draw(r.frame);
    gdi.present();
    card->draw(r.frame);
    const std::vector<std::uint32_t> drawn = card->drawnPixels();
    card->present();
    ASSERT_EQ(drawn.size(), std::size_t(kW) * kH);
    // Pictures to within rounding. Text is laid out alike, but the edges of
    // its glyphs may be shaded apart (GDI's own blending of them), never
    // its body: a glyph a pixel off is yellow on blue.
    int apart = 0, most = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const int gap = channelGap(screen.rgb(x, y), drawn[std::size_t(y) * kW + x]);
        if (!r.text && gap > 3 && apart < 3)
          ADD_FAILURE() << "at " << x << "," << y << ": GDI " << std::hex << screen.rgb(x, y) << ", card "
                        << (drawn[std::size_t(y) * kW + x] & 0xFFFFFF);
        apart += gap > 3;
        most = std::max(most, gap);
      }
    if (r.text) {
      EXPECT_LE(most, 64);
      EXPECT_LE(apart, 400);
    } else {
      EXPECT_EQ(apart, 0);
    }
  }
}

TEST(D3d11Renderer, FallsBackWhenNoDeviceCanBeMade) {
  TestWindow window;
  std::vector<D3D_DRIVER_TYPE> asked;
  bool warp = false;  // whether the software rasteriser can be made (as this system's own device)
  CardCalls calls;
  calls.makeDevice = [&](D3D_DRIVER_TYPE driver, ID3D11Device** device, ID3D11DeviceContext** context) {
    asked.push_back(driver);
    return driver == D3D_DRIVER_TYPE_WARP && warp ? makeSystemDevice(D3D_DRIVER_TYPE_HARDWARE, device, context)
                                                  : HRESULT(DXGI_ERROR_UNSUPPORTED);
  };
  EXPECT_NE(dynamic_cast<GdiRenderer*>(makeWindowRenderer(window.get(), true, calls).get()), nullptr)
      << "neither device: GDI";
  EXPECT_EQ(asked, (std::vector{D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}));

  warp = true;
  auto software = makeWindowRenderer(window.get(), true, calls);
  auto* card = dynamic_cast<CardRenderer*>(software.get());
  ASSERT_TRUE(card && card->card()) << "no hardware device: WARP";
  EXPECT_EQ(card->card()->driver(), D3D_DRIVER_TYPE_WARP);
  EXPECT_FALSE(software->drawsOnCard()) << "WARP draws on the processor";
  software.reset();

  asked.clear();
  EXPECT_NE(dynamic_cast<GdiRenderer*>(makeWindowRenderer(window.get(), false, calls).get()), nullptr);
  EXPECT_TRUE(asked.empty()) << "GDI chosen: no device asked for";
}

TEST(D3d11Renderer, ALostDeviceIsMadeAgainOrGdiGoesOn) {
  for (const bool madeAgain : {true, false}) {
    SCOPED_TRACE(madeAgain ? "a new device" : "no new device: GDI");
    TestWindow window;
    int devices = 0;
    std::vector<std::vector<std::uint32_t>> shown;  // each frame the card presented
    CardCalls calls;
    calls.makeDevice = [&](D3D_DRIVER_TYPE, ID3D11Device** device, ID3D11DeviceContext** context) {
      if (!madeAgain && devices > 0) return HRESULT(DXGI_ERROR_UNSUPPORTED);
      ++devices;
      return makeSystemDevice(D3D_DRIVER_TYPE_HARDWARE, device, context);
    };
    calls.present = [&](D3d11Renderer& card) {
      shown.push_back(card.drawnPixels());
      return shown.size() == 5 ? DXGI_ERROR_DEVICE_REMOVED : card.presentNow();
    };
    auto renderer = makeWindowRenderer(window.get(), true, calls);
    auto* card = dynamic_cast<CardRenderer*>(renderer.get());
    ASSERT_NE(card, nullptr);

    // A left wipe from one picture to the other, the device lost on its fifth frame.
    const auto older = photo(kW, kH, true), newer = photo(kW, kH);
    const PictureHandle olderId = handOver(*renderer, older), newerId = handOver(*renderer, newer);
    const Rect all{0, 0, kW, kH};
    PictureLayer from, to;
    from.rect = from.keepIn = to.rect = to.keepIn = all;
    from.picture = idOf(olderId);
    to.picture = idOf(newerId);
    Frame frame;
    frame.layers = {from, to};
    std::vector<PictureLayer> revealing{to};
    std::vector<Rect> revealed;
    ClipReveal::showRevealed(frame, revealing, revealed, 1);
    ClipReveal reveal(*renderer, frame, all, revealing, revealed, 1);
    UnpacedFrameWaiter waiter;
    const EffectPlan plan = planEffect(kLeftWipe, kW, kH, 60);
    ASSERT_GT(plan.frameCount(), 8);
    ASSERT_TRUE(playPlan(plan, reveal, waiter));

    const auto isNewer = [&](const std::vector<std::uint32_t>& pixels) {
      int wrong = 0;
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) wrong += channelGap(pixels[std::size_t(y) * kW + x], newer->pixel(x, y)) > 3;
      return wrong;
    };
    if (madeAgain) {
      ASSERT_GE(shown.size(), 6u);
      EXPECT_EQ(shown[5], shown[4]) << "the frame the lost device never showed comes next";
      ASSERT_NE(card->card(), nullptr);
      EXPECT_EQ(card->card()->stats().devicesMade, 2u);
      EXPECT_EQ(shown.size(), std::size_t(plan.frameCount()) + 1) << "every frame of the wipe reached the screen";
      EXPECT_EQ(isNewer(shown.back()), 0) << "the wipe ended on the new picture";
    } else {
      EXPECT_EQ(card->card(), nullptr);
      EXPECT_FALSE(renderer->drawsOnCard());
      EXPECT_EQ(shown.size(), 5u) << "nothing more went to the card";
      // GDI drew the rest of the wipe on the window.
      lumova::testing::DibSurface onScreen(kW, kH);
      win32::WindowDc dc(window.get());
      BitBlt(onScreen.dc(), 0, 0, kW, kH, dc.get(), 0, 0, SRCCOPY);
      std::vector<std::uint32_t> pixels(std::size_t(kW) * kH);
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) pixels[std::size_t(y) * kW + x] = onScreen.rgb(x, y);
      EXPECT_EQ(isNewer(pixels), 0);
    }
  }
}

TEST(SwapChainPacer, KeepsTheDisplaysPaceWhateverTheSwapChainWaits) {
  // A swap chain whose object is always signalled (a system that does not
  // wait for the display) and one whose object never is (a swap chain gone
  // with its device): either way the frames come at the refresh rate, not
  // at once.
  for (const bool signalled : {true, false}) {
    SCOPED_TRACE(signalled ? "never waits" : "never signalled");
    SwapChainPacer pacer(CreateEventW(nullptr, TRUE, signalled, nullptr));
    pacer.refresh(nullptr);
    constexpr int kFrames = 20;
    const ULONGLONG before = GetTickCount64();
    pacer.begin();
    for (int i = 0; i < kFrames; ++i) pacer.waitForNextFrame();
    EXPECT_GE(double(GetTickCount64() - before), 800.0 * kFrames / pacer.refreshHz());
  }
}

}  // namespace
