#include "effects/gdi_renderer_win32.h"

#include <algorithm>
#include <type_traits>

#include "common/text_win32.h"
#include "picture/wic_loader_win32.h"

namespace lumova::effects {
namespace {

constexpr std::size_t kSparesKept = 2;
constexpr std::size_t kShadowsKept = 4;  // a clock a monitor

RECT toRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// An RGB colour (red low) as a DIB pixel (blue low).
std::uint32_t dibPixel(std::uint32_t rgb) { return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF); }

void fillRect(HDC dc, const Rect& r, std::uint32_t rgb) {
  win32::UniqueBrush brush(CreateSolidBrush(win32::toColorRef(rgb)));
  const RECT area = toRect(r);
  FillRect(dc, &area, brush.get());
}

}  // namespace

GdiRenderer::GdiRenderer(HWND window, HDC target, DibMaker fadeBuffers)
    : window_(window), target_(target), fadeBuffers_(std::move(fadeBuffers)) {}

GdiRenderer::~GdiRenderer() = default;

PictureId GdiRenderer::addPicture(PicturePtr picture) {
  auto dib = std::dynamic_pointer_cast<const win32::DibPicture>(std::move(picture));
  if (!dib) return kNoPicture;
  Held held{dib, nullptr};
  // A bitmap is selected into one DC at a time: ids of the same picture share it.
  for (const auto& [id, other] : pictures_)
    if (other.picture == dib) held.dc = other.dc;
  if (!held.dc) {
    held.dc = std::make_shared<win32::BitmapDc>();
    held.dc->show(dib->bitmap());
  }
  const PictureId id = nextId_++;
  pictures_.emplace(id, std::move(held));
  return id;
}

void GdiRenderer::releasePicture(PictureId id) {
  pictures_.erase(id);
  const auto s = std::find_if(samples_.begin(), samples_.end(), [id](const Sampled& e) { return e.picture == id; });
  if (s == samples_.end()) return;
  // Kept for the next picture that pans: screen-sized buffers cost more to make than to use.
  if (s->pixels && spareSamples_.size() < kSparesKept) spareSamples_.push_back(std::move(s->pixels));
  samples_.erase(s);
}

HDC GdiRenderer::pictureDc(PictureId id) const {
  const auto it = pictures_.find(id);
  return it == pictures_.end() ? nullptr : it->second.dc->dc();
}

const win32::DibPicture* GdiRenderer::picture(PictureId id) const {
  const auto it = pictures_.find(id);
  return it == pictures_.end() ? nullptr : it->second.picture.get();
}

void GdiRenderer::present() { GdiFlush(); }

void GdiRenderer::draw(const Frame& frame) {
  if (target_) {
    drawOn(target_, frame);
    return;
  }
  win32::WindowDc dc(window_);
  if (dc) drawOn(dc.get(), frame);
}

void GdiRenderer::drawOn(HDC target, const Frame& frame) {
  const bool fading = frame.weight < kWeightOne;
  std::vector<const Layer*> layers;
  for (const Layer& l : frame.layers) layers.push_back(&l);
  for (const Layer& l : frame.over) layers.push_back(&l);
  for (std::size_t i = 0; i < frame.damage.size(); ++i) {
    const Rect& area = frame.damage[i];
    if (area.empty()) continue;
    if (fading) {
      drawFade(target, frame, i, area);
    } else {
      drawDamage(target, frame.background, layers, area);
    }
  }
}

bool GdiRenderer::covers(const Layer& layer, const Rect& area) const {
  const auto* p = std::get_if<PictureLayer>(&layer);
  if (!p) return false;  // text shows what is under it
  if (p->picture != kNoPicture && !pictures_.count(p->picture)) return false;
  const Rect shown = intersection(p->rect, p->keepIn);
  if (p->clip.empty()) return contains(shown, area);
  return std::any_of(p->clip.begin(), p->clip.end(),
                     [&](const Rect& c) { return contains(intersection(c, shown), area); });
}

void GdiRenderer::drawDamage(HDC target, const Background& background, const std::vector<const Layer*>& layers,
                             const Rect& damage) {
  // The topmost layer that hides everything under it, and what lies over it.
  int bottom = static_cast<int>(layers.size()) - 1;
  while (bottom >= 0 && !covers(*layers[static_cast<std::size_t>(bottom)], damage)) --bottom;
  std::vector<const Layer*> above;
  for (std::size_t i = static_cast<std::size_t>(bottom + 1); i < layers.size(); ++i)
    if (!intersection(boundsOf(*layers[i]), damage).empty()) above.push_back(layers[i]);
  const auto drawBottom = [&](HDC dc, const Rect& area) {
    if (bottom < 0) {
      drawBackground(dc, background, area);
    } else {
      drawLayer(dc, *layers[static_cast<std::size_t>(bottom)], area);
    }
  };
  // Only the parts that layers lie over are composed (a caption and a clock
  // over a panning picture), one piece for each group of them that meet;
  // the rest is drawn straight.
  std::vector<Rect> pieces;
  for (const Layer* l : above) pieces.push_back(intersection(boundsOf(*l), damage));
  for (bool merged = true; merged;) {
    merged = false;
    for (std::size_t i = 0; i < pieces.size() && !merged; ++i)
      for (std::size_t j = i + 1; j < pieces.size() && !merged; ++j)
        if (!intersection(pieces[i], pieces[j]).empty()) {
          pieces[i] = Rect{std::min(pieces[i].left, pieces[j].left), std::min(pieces[i].top, pieces[j].top),
                           std::max(pieces[i].right, pieces[j].right), std::max(pieces[i].bottom, pieces[j].bottom)};
          pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(j));
          merged = true;
        }
  }
  std::vector<Rect> alone{damage};
  for (const Rect& piece : pieces) {
    std::vector<Rect> rest;
    for (const Rect& r : alone) appendDifference(r, piece, rest);
    alone = std::move(rest);
  }
  for (const Rect& r : alone) drawBottom(target, r);
  for (const Rect& piece : pieces) {
    std::vector<const Layer*> over;
    for (const Layer* l : above)
      if (!intersection(boundsOf(*l), piece).empty()) over.push_back(l);
    compose(target, piece, drawBottom, over);
  }
}

void GdiRenderer::compose(HDC target, const Rect& area, const std::function<void(HDC, const Rect&)>& drawBottom,
                          const std::vector<const Layer*>& above) {
  const int w = area.width(), h = area.height();
  if ((scratch_.width() < w || scratch_.height() < h) &&
      !scratch_.create(target, std::max(w, scratch_.width()), std::max(h, scratch_.height()))) {
    drawBottom(target, area);
    for (const Layer* l : above) drawLayer(target, *l, area);
    return;
  }
  // Composed off the screen and copied once, so no layer flickers.
  HDC out = scratch_.dc();
  SetViewportOrgEx(out, -area.left, -area.top, nullptr);
  drawBottom(out, area);
  for (const Layer* l : above) drawLayer(out, *l, area);
  SetViewportOrgEx(out, 0, 0, nullptr);
  BitBlt(target, area.left, area.top, w, h, out, 0, 0, SRCCOPY);
}

void GdiRenderer::drawLook(HDC dc, const Background& background, const std::vector<const Layer*>& layers,
                           const Rect& area) {
  int bottom = static_cast<int>(layers.size()) - 1;
  while (bottom >= 0 && !covers(*layers[static_cast<std::size_t>(bottom)], area)) --bottom;
  if (bottom < 0) drawBackground(dc, background, area);
  for (std::size_t i = static_cast<std::size_t>(std::max(bottom, 0)); i < layers.size(); ++i)
    if (!intersection(boundsOf(*layers[i]), area).empty()) drawLayer(dc, *layers[i], area);
}

void GdiRenderer::drawFade(HDC target, const Frame& frame, std::size_t index, const Rect& area) {
  if (fades_.size() <= index) fades_.resize(index + 1);
  if (!fades_[index]) fades_[index] = std::make_unique<Fade>();
  Fade& f = *fades_[index];
  if (!f.area.create(toRect(area), fadeBuffers_)) {
    // No buffers for the mix: the new look at once, rather than nothing.
    f.composed = false;
    std::vector<const Layer*> now;
    for (const Layer& l : frame.layers) now.push_back(&l);
    for (const Layer& l : frame.over) now.push_back(&l);
    drawDamage(target, frame.background, now, area);
    return;
  }
  if (!f.composed || f.rect != area || f.background != frame.background || f.from != frame.fadingFrom ||
      f.to != frame.layers) {
    const auto pointers = [](const std::vector<Layer>& look) {
      std::vector<const Layer*> out;
      for (const Layer& l : look) out.push_back(&l);
      return out;
    };
    drawLook(f.area.fromDc(), frame.background, pointers(frame.fadingFrom), area);
    drawLook(f.area.toDc(), frame.background, pointers(frame.layers), area);
    f.composed = true;
    f.rect = area;
    f.background = frame.background;
    f.from = frame.fadingFrom;
    f.to = frame.layers;
  }
  f.area.mix(rows_, std::clamp(frame.weight, 0, kWeightOne));
  for (const Layer& l : frame.over)
    if (!intersection(boundsOf(l), area).empty()) drawLayer(f.area.frameDc(), l, area);
  f.area.drawTo(target);
}

void GdiRenderer::drawBackground(HDC dc, const Background& background, const Rect& area) {
  const win32::DibPicture* desktop = picture(background.picture);
  const Rect place =
      desktop ? Rect{background.x, background.y, background.x + desktop->width(), background.y + desktop->height()}
              : Rect{};
  if (!contains(place, area)) fillRect(dc, area, background.colour);
  const Rect shown = intersection(place, area);
  if (!shown.empty())
    BitBlt(dc, shown.left, shown.top, shown.width(), shown.height(), pictureDc(background.picture),
           shown.left - background.x, shown.top - background.y, SRCCOPY);
}

void GdiRenderer::drawLayer(HDC dc, const Layer& layer, const Rect& area) {
  if (const auto* p = std::get_if<PictureLayer>(&layer)) {
    drawPicture(dc, *p, area);
  } else {
    std::visit(
        [&](const auto& text) {
          using T = std::decay_t<decltype(text)>;
          if constexpr (!std::is_same_v<T, PictureLayer>) {
            const Rect clip = intersection(text.keepIn, area);
            if (clip.empty() || text.text.empty()) return;
            const int saved = SaveDC(dc);
            IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
            if constexpr (std::is_same_v<T, CaptionLayer>)
              drawCaption(dc, text);
            else
              drawShadowedText(dc, text);
            RestoreDC(dc, saved);
          }
        },
        layer);
  }
}

void GdiRenderer::drawShadowedText(HDC dc, const ShadowedTextLayer& layer) {
  const int w = layer.rect.width(), h = layer.rect.height();
  if (w <= 0 || h <= 0) return;
  const std::wstring text = win32::toWide(layer.text, kTextCodePage);
  // The shadow is made once for each look and kept: the clock changes once a minute.
  Rect at0 = layer.rect;
  at0.right -= at0.left, at0.bottom -= at0.top, at0.left = at0.top = 0;
  ShadowedTextLayer look = layer;
  look.rect = at0;
  look.keepIn = {};
  auto shadow = std::find_if(shadows_.begin(), shadows_.end(), [&](const auto& s) { return s.first == look; });
  if (shadow == shadows_.end()) {
    std::unique_ptr<PixelBuffer> pixels = shadowPixels(fonts_, look);
    if (!pixels) return;
    if (shadows_.size() >= kShadowsKept) shadows_.erase(shadows_.begin());
    shadows_.emplace_back(std::move(look), std::move(pixels));
    shadow = shadows_.end() - 1;
  }
  const BLENDFUNCTION over{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, layer.rect.left, layer.rect.top, w, h, shadow->second->dc(), 0, 0, w, h, over);
  win32::SelectIn selected(dc, font(layer.font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, win32::toColorRef(layer.colour));
  RECT box = toRect(layer.rect);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

void GdiRenderer::drawPicture(HDC dc, const PictureLayer& layer, const Rect& area) {
  const std::vector<Rect> parts = shownParts(layer, area);
  if (layer.picture == kNoPicture) {
    for (const Rect& r : parts) fillRect(dc, r, layer.fill);
    return;
  }
  HDC source = nullptr;
  if (layer.source) {
    PixelBuffer* pixels = sampled(layer);
    source = pixels ? pixels->dc() : nullptr;
  } else {
    source = pictureDc(layer.picture);
  }
  if (!source) return;
  for (const Rect& r : parts)
    BitBlt(dc, r.left, r.top, r.width(), r.height(), source, r.left - layer.rect.left, r.top - layer.rect.top, SRCCOPY);
}

PixelBuffer* GdiRenderer::sampled(const PictureLayer& layer) {
  const win32::DibPicture* from = picture(layer.picture);
  const int w = layer.rect.width(), h = layer.rect.height();
  if (!from || w <= 0 || h <= 0) return nullptr;
  auto s = std::find_if(samples_.begin(), samples_.end(), [&](const Sampled& e) { return e.picture == layer.picture; });
  if (s == samples_.end()) {
    Sampled made;
    made.picture = layer.picture;
    const auto spare = std::find_if(spareSamples_.begin(), spareSamples_.end(),
                                    [&](const auto& p) { return p->width() == w && p->height() == h; });
    if (spare != spareSamples_.end()) {
      made.pixels = std::move(*spare);
      spareSamples_.erase(spare);
    }
    samples_.push_back(std::move(made));
    s = samples_.end() - 1;
  }
  if (!s->pixels) s->pixels = std::make_unique<PixelBuffer>();
  const bool sized = s->pixels->width() == w && s->pixels->height() == h;
  if (!s->pixels->create(w, h)) return nullptr;
  if (!sized || !s->drawn || *s->drawn != *layer.source || s->fill != layer.fill) {
    GdiFlush();  // a copy from the frame before may still be queued
    sampler_.draw(reinterpret_cast<const std::uint32_t*>(from->bits()), {from->width(), from->height()},
                  placeOf(*layer.source, {w, h}), s->pixels->row(0), {w, h}, dibPixel(layer.fill));
    s->drawn = layer.source;
    s->fill = layer.fill;
  }
  return s->pixels.get();
}

HFONT GdiRenderer::font(const TextFont& font) { return fonts_.get(font); }

void GdiRenderer::drawCaption(HDC dc, const CaptionLayer& caption) {
  win32::SelectIn selected(dc, font(caption.font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, win32::toColorRef(caption.colour));
  const std::wstring text = win32::toWide(caption.text, kTextCodePage);
  RECT box = toRect(caption.rect);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box,
            DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

TextExtent GdiRenderer::measureText(const TextFont& textFont, const std::string& text) {
  win32::WindowDc windowDc(target_ ? nullptr : window_);
  HDC dc = target_ ? target_ : windowDc.get();
  win32::SelectIn selected(dc, font(textFont));
  return effects::measureText(dc, text);
}

}  // namespace lumova::effects
