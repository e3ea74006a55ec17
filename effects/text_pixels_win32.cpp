#include "effects/text_pixels_win32.h"

#include <algorithm>
#include <cstdint>

#include "common/text_win32.h"
#include "effects/soft_shadow.h"

namespace lumova::effects {
namespace {

constexpr std::size_t kFontsKept = 4;
constexpr int kShadowOpacity = 200;
constexpr UINT kCaptionLayout = DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
constexpr UINT kShadowedLayout = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;

// How much of each pixel `text` covers, laid in `box` of a w x h buffer.
std::vector<std::uint8_t> coverage(HFONT font, const std::wstring& text, int w, int h, RECT box, UINT layout) {
  PixelBuffer mask;
  if (!mask.create(w, h)) return {};
  std::fill_n(mask.row(0), std::size_t(w) * h, 0u);
  {
    win32::SelectIn selected(mask.dc(), font);
    SetBkMode(mask.dc(), TRANSPARENT);
    SetTextColor(mask.dc(), RGB(255, 255, 255));
    DrawTextW(mask.dc(), text.data(), static_cast<int>(text.size()), &box, layout);
    GdiFlush();
  }
  std::vector<std::uint8_t> out(std::size_t(w) * h);
  const std::uint32_t* m = mask.row(0);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<std::uint8_t>(std::max({m[i] & 0xFF, (m[i] >> 8) & 0xFF, (m[i] >> 16) & 0xFF}));
  return out;
}

// `rgb` (red low) laid over the premultiplied pixels as far as `cover` says.
void layOver(std::uint32_t* pixels, const std::vector<std::uint8_t>& cover, std::uint32_t rgb) {
  const std::uint32_t r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  for (std::size_t i = 0; i < cover.size(); ++i) {
    const std::uint32_t c = cover[i], keep = 255 - c, p = pixels[i];
    const auto mix = [&](std::uint32_t own, int shift) { return (own * c + ((p >> shift) & 0xFF) * keep + 127) / 255; };
    pixels[i] = (mix(255, 24) << 24) | (mix(r, 16) << 16) | (mix(g, 8) << 8) | mix(b, 0);
  }
}

}  // namespace

HFONT FontCache::get(const TextFont& font) {
  const auto stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (font.face.empty()) return stock;
  for (const auto& [wanted, made] : fonts_)
    if (wanted == font) return made ? made.get() : stock;
  LOGFONTW lf{};
  lf.lfHeight = font.height;
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikethrough;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynW(lf.lfFaceName, win32::toWide(font.face, kTextCodePage).c_str(), LF_FACESIZE);
  if (fonts_.size() >= kFontsKept) fonts_.erase(fonts_.begin());
  fonts_.emplace_back(font, win32::UniqueFont(CreateFontIndirectW(&lf)));
  return fonts_.back().second ? fonts_.back().second.get() : stock;
}

TextExtent measureText(HDC dc, const std::string& text) {
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SIZE extent{0, 0};
  const std::wstring wide = win32::toWide(text, kTextCodePage);
  if (!wide.empty()) GetTextExtentPoint32W(dc, wide.data(), static_cast<int>(wide.size()), &extent);
  return {extent.cx, tm.tmHeight};
}

std::unique_ptr<PixelBuffer> shadowPixels(FontCache& fonts, const ShadowedTextLayer& layer) {
  const int w = layer.rect.width(), h = layer.rect.height();
  auto pixels = std::make_unique<PixelBuffer>();
  if (w <= 0 || h <= 0 || !pixels->create(w, h)) return nullptr;
  const std::vector<std::uint8_t> cover =
      coverage(fonts.get(layer.font), win32::toWide(layer.text, kTextCodePage), w, h, RECT{0, 0, w, h}, kShadowedLayout);
  if (cover.empty()) return nullptr;
  softShadow(cover, w, h, std::max(layer.blur / 2, 1), layer.shadow, kShadowOpacity, pixels->row(0));
  return pixels;
}

std::optional<TextPixels> captionPixels(FontCache& fonts, const CaptionLayer& caption) {
  const HFONT font = fonts.get(caption.font);
  const std::wstring text = win32::toWide(caption.text, kTextCodePage);
  win32::BitmapDc measuring;
  TextExtent extent;
  {
    win32::SelectIn selected(measuring.dc(), font);
    extent = measureText(measuring.dc(), caption.text);
  }
  // Laid in a box as wide as the caption's, with room on both sides for a
  // text wider than it and for glyphs that lean past their advance.
  const int boxWidth = caption.rect.width();
  const int pad = std::max(0, (extent.width - boxWidth) / 2 + 1) + extent.lineHeight / 2;
  const int w = boxWidth + 2 * pad, h = extent.lineHeight + extent.lineHeight / 4;
  if (w <= 0 || h <= 0) return std::nullopt;
  TextPixels out{{caption.rect.left - pad, caption.rect.top, caption.rect.left - pad + w, caption.rect.top + h},
                 std::make_unique<PixelBuffer>()};
  const std::vector<std::uint8_t> cover = coverage(font, text, w, h, RECT{pad, 0, pad + boxWidth, h}, kCaptionLayout);
  if (cover.empty() || !out.pixels->create(w, h)) return std::nullopt;
  std::fill_n(out.pixels->row(0), std::size_t(w) * h, 0u);
  layOver(out.pixels->row(0), cover, caption.colour);
  return out;
}

std::optional<TextPixels> shadowedTextPixels(FontCache& fonts, const ShadowedTextLayer& layer) {
  std::unique_ptr<PixelBuffer> pixels = shadowPixels(fonts, layer);
  if (!pixels) return std::nullopt;
  const int w = layer.rect.width(), h = layer.rect.height();
  const std::vector<std::uint8_t> cover =
      coverage(fonts.get(layer.font), win32::toWide(layer.text, kTextCodePage), w, h, RECT{0, 0, w, h}, kShadowedLayout);
  if (cover.empty()) return std::nullopt;
  layOver(pixels->row(0), cover, layer.colour);
  return TextPixels{layer.rect, std::move(pixels)};
}

}  // namespace lumova::effects
