// The frames drawn with GDI, on a window or on a device context. A damaged
// rectangle that one opaque layer covers is copied straight to the target;
// anything else is composed off the screen first, so nothing flickers. The
// crossfade mixes its two looks with the row loops, and keeps each look
// composed for as long as the frames describe it the same.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/gdi_win32.h"
#include "effects/frame.h"
#include "effects/pan_zoom.h"
#include "effects/text_pixels_win32.h"
#include "effects/transition_player_win32.h"

namespace lumova::win32 {
class DibPicture;
}

namespace lumova::effects {

class GdiRenderer final : public Renderer {
 public:
  // Draws on `window`'s DC, or on `target` when one is given. The
  // crossfade's buffers come from `fadeBuffers` (the system's by default).
  explicit GdiRenderer(HWND window, HDC target = nullptr, DibMaker fadeBuffers = {});
  ~GdiRenderer() override;
  GdiRenderer(const GdiRenderer&) = delete;
  GdiRenderer& operator=(const GdiRenderer&) = delete;

  PictureId addPicture(PicturePtr picture) override;
  void releasePicture(PictureId id) override;
  void draw(const Frame& frame) override;
  void present() override;
  TextExtent measureText(const TextFont& font, const std::string& text) override;

 private:
  struct Held {
    std::shared_ptr<const win32::DibPicture> picture;
    std::shared_ptr<win32::BitmapDc> dc;  // shared by every id of the same picture
  };
  // A picture drawn through a source area, sampled once for as long as the
  // area stays.
  struct Sampled {
    PictureId picture = kNoPicture;
    std::optional<SourceArea> drawn;  // what the pixels show
    std::uint32_t fill = 0;
    std::unique_ptr<PixelBuffer> pixels;
  };
  // One damaged rectangle of a crossfade: the looks as last composed.
  struct Fade {
    FadeArea area;
    bool composed = false;
    Rect rect;
    Background background;
    std::vector<Layer> from, to;
  };

  void drawOn(HDC target, const Frame& frame);
  // The look inside `area` on `dc`, where nothing of it has been drawn yet.
  void drawLook(HDC dc, const Background& background, const std::vector<const Layer*>& layers, const Rect& area);
  // As drawLook, straight onto the target where one layer alone shows, the
  // rest composed off the screen.
  void drawDamage(HDC target, const Background& background, const std::vector<const Layer*>& layers, const Rect& area);
  void drawFade(HDC target, const Frame& frame, std::size_t index, const Rect& area);
  void drawBackground(HDC dc, const Background& background, const Rect& area);
  void drawLayer(HDC dc, const Layer& layer, const Rect& area);
  void drawPicture(HDC dc, const PictureLayer& layer, const Rect& area);
  void drawCaption(HDC dc, const CaptionLayer& layer);
  void drawShadowedText(HDC dc, const ShadowedTextLayer& layer);
  // `area` composed off the screen from its bottom and the layers above, then copied.
  void compose(HDC target, const Rect& area, const std::function<void(HDC, const Rect&)>& drawBottom,
               const std::vector<const Layer*>& above);
  bool covers(const Layer& layer, const Rect& area) const;
  HDC pictureDc(PictureId id) const;
  const win32::DibPicture* picture(PictureId id) const;
  // The layer's picture sampled through its source area; null when it cannot be.
  PixelBuffer* sampled(const PictureLayer& layer);
  HFONT font(const TextFont& font);

  HWND window_;
  HDC target_;
  DibMaker fadeBuffers_;
  PictureId nextId_ = 1;
  std::map<PictureId, Held> pictures_;
  std::vector<Sampled> samples_;
  std::vector<std::unique_ptr<PixelBuffer>> spareSamples_;
  PanZoomDrawer sampler_{fastestPixelRows()};
  PixelRows rows_ = fastestPixelRows();
  std::vector<std::unique_ptr<Fade>> fades_;
  win32::OffscreenSurface scratch_;  // as large as the largest area composed
  FontCache fonts_;
  // Shadows as made for a text's look (its place left out).
  std::vector<std::pair<ShadowedTextLayer, std::unique_ptr<PixelBuffer>>> shadows_;
};

}  // namespace lumova::effects
