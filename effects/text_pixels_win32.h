// Text as both renderers draw it: each font made once for its look, text
// measured, and text laid into pixels once so that it can be drawn again
// and again (a clock's soft shadow; a caption or a clock as a texture).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/gdi_win32.h"
#include "effects/frame.h"
#include "effects/transition_player_win32.h"

namespace lumova::effects {

// Captions and font names are UTF-8, as the program keeps all its text.
inline constexpr UINT kTextCodePage = CP_UTF8;

// The last few fonts asked for, each made once.
class FontCache {
 public:
  // The system's interface font for a font without a face, and when one
  // cannot be made.
  HFONT get(const TextFont& font);

 private:
  std::vector<std::pair<TextFont, win32::UniqueFont>> fonts_;
};

// How wide `text` is in the font selected into `dc`, and its line height.
TextExtent measureText(HDC dc, const std::string& text);

// A text's soft shadow, the size of its rectangle, as premultiplied pixels
// (the text's own place left clear); null when it cannot be made.
std::unique_ptr<PixelBuffer> shadowPixels(FontCache& fonts, const ShadowedTextLayer& layer);

// Text laid into premultiplied pixels, and where they stand in client pixels.
struct TextPixels {
  Rect place;
  std::unique_ptr<PixelBuffer> pixels;
};
// A caption as drawn over a picture: centred at the top of its rectangle as
// DrawText lays it, with room for glyphs that reach past it.
std::optional<TextPixels> captionPixels(FontCache& fonts, const CaptionLayer& caption);
// The clock: its shadow with the text over it, the size of its rectangle.
std::optional<TextPixels> shadowedTextPixels(FontCache& fonts, const ShadowedTextLayer& layer);

}  // namespace lumova::effects
