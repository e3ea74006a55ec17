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
// even where one averages and the other filters.
std::shared_ptr<win32::DibPicture> photo(int w, int h, bool flipped) {
  auto p = win32::DibPicture::create(w, h);
  auto* px = reinterpret_cast<std::uint32_t*>(p->mutableBits());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int fx = flipped ? w - 1 - x : x;
      const std::uint32_t r = 40 + fx * 180 / w, g = 30 + y * 200 / h, b = 220 - (fx + y) * 160 / (w + h);
      px[y * w + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
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

  const auto older = photo(kW, kH, false), newer = photo(kW, kH, true), large = photo(240, 180, false),
             small = photo(90, 60, true), desktop = photo(kW + 20, kH - 20, true);
  struct Ids {
    PictureHandle gdi, card;
  };
  const auto both = [&](const std::shared_ptr<win32::DibPicture>& p) {
    return Ids{handOver(gdi, p), handOver(*card, p)};
  };
  const Ids olderId = both(older), newerId = both(newer), largeId = both(large), smallId = both(small),
            desktopId = both(desktop);

  const Rect all{0, 0, kW, kH};
  // Layers name pictures by their index here; each renderer gets its own id.
  const Ids* pictures[] = {nullptr, &olderId, &newerId, &largeId, &smallId, &desktopId};
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
  for (const EffectInfo& e : kEffectTable) {
    if (!isStepped(e.number)) continue;
    const int frames = planEffect(e.number, kW, kH, 60).frameCount();
    for (const auto& [when, count] : {std::pair{"half way", frames / 2}, std::pair{"at the end", frames + 1}}) {
      Row r{std::string(e.name) + " " + when};
      r.frame.background.colour = kBack;
      r.frame.layers.push_back(picture(1, all));
      PictureLayer revealed = picture(2, all);
      revealed.clip = revealedBy(e.number, count);
      r.frame.layers.push_back(revealed);
      rows.push_back(std::move(r));
    }
  }
  for (const int weight : {64, 128, 224}) {
    Row r{"crossfade at " + std::to_string(weight) + " of 256, a smaller picture and a caption over it"};
    r.frame.background.colour = kBack;
    r.frame.fadingFrom.push_back(picture(1, all));
    r.frame.layers.push_back(picture(4, {35, 30, 125, 90}));
    r.frame.weight = weight;
    r.frame.over.push_back(caption("Fade", {0, 95, kW, 120}));
    r.text = true;
    rows.push_back(std::move(r));
  }
  {
    Row r{"a floating picture part off its monitor, over its caption"};
    r.frame.background.colour = kBack;
    r.frame.layers.push_back(caption("Floating", {20, 70, 140, 100}));
    r.frame.layers.push_back(picture(4, {100, -20, 190, 40}));
    r.text = true;
    rows.push_back(std::move(r));
  }
  for (const double progress : {0.0, 0.4, 1.0}) {
    Row r{"pan and zoom " + std::to_string(progress) + " along its path"};
    PanZoomPath path{{240, 180}, {kW, kH}, std::max(double(kW) / 240, double(kH) / 180), false, true,
                     0.2, 0.3, 0.9, 0.6};
    PictureLayer l = picture(3, all);
    l.source = sourceAreaOf(panZoomPlace(path, progress), {kW, kH});
    r.frame.layers.push_back(l);
    rows.push_back(std::move(r));
  }
  {
    Row r{"a picture shown fitted and small, its fill beyond its edges"};
    r.frame.background.colour = kBack;
    PictureLayer l = picture(3, {10, 10, 150, 110});
    l.source = SourceArea{-20, -10, 280, 200};
    l.fill = 0x806040;
    r.frame.layers.push_back(l);
    rows.push_back(std::move(r));
  }
  {
    Row r{"a caption over a picture, cut at its monitor"};
    r.frame.background.colour = kBack;
    r.frame.layers.push_back(picture(1, all));
    CaptionLayer c = caption("A caption wider than its box", {30, 50, 130, 80});
    c.keepIn = {0, 0, 120, kH};
    r.frame.layers.push_back(c);
    r.text = true;
    rows.push_back(std::move(r));
  }
  {
    Row r{"the desktop as it was, the colour where it does not reach, a clock over it"};
    r.frame.background = {kBack, 5, -10, 15};
    ShadowedTextLayer clock;
    clock.rect = {90, 80, 155, 112};
    clock.keepIn = all;
    clock.text = "12:34";
    clock.font = TextFont{"Tahoma", -16};
    clock.colour = 0xFFFFFF;
    clock.blur = 4;
    r.frame.layers.push_back(clock);
    r.text = true;
    rows.push_back(std::move(r));
  }

  for (Row& r : rows) {
    SCOPED_TRACE(r.name);
    r.frame.damage = {all};
    const auto inIds = [&](Frame f, bool onCard) {
      const auto id = [&](PictureId index) {
        return index ? idOf(onCard ? pictures[index]->card : pictures[index]->gdi) : kNoPicture;
      };
      f.background.picture = id(f.background.picture);
      for (auto* look : {&f.layers, &f.fadingFrom, &f.over})
        for (Layer& l : *look)
          if (auto* p = std::get_if<PictureLayer>(&l)) p->picture = id(p->picture);
      return f;
    };
    screen.fill(0);
    gdi.draw(inIds(r.frame, false));
    gdi.present();
    card->draw(inIds(r.frame, true));
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

}  // namespace

namespace {

TEST(D3d11Renderer, FallsBackWhenNoDeviceCanBeMade) {
  TestWindow window;
  std::vector<D3D_DRIVER_TYPE> asked;
  bool hardware = false;  // whether the hardware device can be made
  CardCalls calls;
  calls.makeDevice = [&](D3D_DRIVER_TYPE driver, ID3D11Device** device, ID3D11DeviceContext** context) {
    asked.push_back(driver);
    // The software rasteriser as this system has it: its hardware device.
    if (driver == D3D_DRIVER_TYPE_WARP || hardware)
      return hardware ? makeSystemDevice(D3D_DRIVER_TYPE_HARDWARE, device, context) : DXGI_ERROR_UNSUPPORTED;
    return DXGI_ERROR_UNSUPPORTED;
  };
  auto none = makeWindowRenderer(window.get(), true, calls);
  EXPECT_NE(dynamic_cast<GdiRenderer*>(none.get()), nullptr) << "neither device: GDI";
  EXPECT_EQ(asked, (std::vector{D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}));
  none.reset();

  asked.clear();
  hardware = true;
  calls.makeDevice = [&, real = calls.makeDevice](D3D_DRIVER_TYPE driver, ID3D11Device** device,
                                                  ID3D11DeviceContext** context) {
    if (driver == D3D_DRIVER_TYPE_HARDWARE) {
      asked.push_back(driver);
      return HRESULT(DXGI_ERROR_UNSUPPORTED);
    }
    return real(driver, device, context);
  };
  auto warp = makeWindowRenderer(window.get(), true, calls);
  auto* card = dynamic_cast<CardRenderer*>(warp.get());
  ASSERT_NE(card, nullptr) << "no hardware device: WARP";
  ASSERT_NE(card->card(), nullptr);
  EXPECT_EQ(card->card()->driver(), D3D_DRIVER_TYPE_WARP);
  EXPECT_FALSE(warp->drawsOnCard()) << "WARP draws on the processor";
  warp.reset();

  asked.clear();
  auto chosen = makeWindowRenderer(window.get(), false, calls);
  EXPECT_NE(dynamic_cast<GdiRenderer*>(chosen.get()), nullptr);
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
    const auto older = photo(kW, kH, false), newer = photo(kW, kH, true);
    const PictureHandle olderId = handOver(*renderer, older), newerId = handOver(*renderer, newer);
    const Rect all{0, 0, kW, kH};
    PictureLayer from{all, all, idOf(olderId)}, to{all, all, idOf(newerId)};
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

}  // namespace
