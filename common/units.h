// Twips, pixels and points. Window positions and sizes are kept in twips
// (1/1440 inch); how many twips make a pixel follows the monitor's dots per
// inch: 15 at 96 DPI, 12 at 120, 10 at 144, 1440/168 (not 8) at 168.
#pragma once

#include <cmath>

namespace lumova {

inline constexpr double kTwipsPerInch = 1440;
inline constexpr double kTwipsPerPoint = 20;
inline constexpr double kDefaultDpi = 96;

// Twips per pixel at `dpi` dots per inch; the default DPI for none.
inline double twipsPerPixel(double dpi) { return kTwipsPerInch / (dpi > 0 ? dpi : kDefaultDpi); }

// The nearest whole pixel of a length in twips.
inline int twipsToPixels(double twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

// A font's character height in pixels for a size in points, as a negative
// number (the character height, not the cell height).
inline long fontHeightPixels(double points, double twipsPerPixel) {
  return -std::lround(points * kTwipsPerPoint / twipsPerPixel);
}

// Places and sizes on a monitor, in twips from its top-left corner.
struct TwipRect {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  bool operator==(const TwipRect&) const = default;
};

struct TwipSize {
  double width = 0;
  double height = 0;
};

}  // namespace lumova
