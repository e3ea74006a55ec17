// The surround: a picture scaled to cover its monitor, strongly blurred and
// dimmed, that fills the screen around the picture itself. It is made small
// (an eighth of the monitor each way) and drawn scaled up: a blur this wide
// keeps no detail a larger copy would show.
#pragma once

#include "common/picture.h"
#include "picture/area_scale.h"

namespace lumova {

inline constexpr int kSurroundShrink = 8;
// The blur: a Gaussian of this share of the monitor's width.
inline constexpr double kSurroundBlurShare = 0.04;
// The surround's brightness, in 1/255: about 60 %.
inline constexpr int kSurroundBrightness = 153;

// The part of a picture, in its own pixels, that covering `box` shows: its
// middle, in the box's proportions, at least one pixel each way.
struct PixelArea {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const PixelArea&) const = default;
};
PixelArea coverArea(PictureSize picture, PictureSize box);

// The surround's own size for a monitor: an eighth each way, rounded up.
constexpr PictureSize surroundSize(PictureSize monitor) {
  const auto side = [](int n) { return n < 1 ? 1 : (n + kSurroundShrink - 1) / kSurroundShrink; };
  return {side(monitor.width), side(monitor.height)};
}
// A picture shown at `shown` leaves some of the monitor to a surround.
constexpr bool surroundShows(PictureSize shown, PictureSize monitor) {
  return shown.width < monitor.width || shown.height < monitor.height;
}
// The radius of each of the three box blurs that together make the
// Gaussian, on a surround `width` pixels across.
int surroundBlurRadius(int width);

// Three box blurs across, then three down, each edge pixel repeated
// outwards; then every channel dimmed to kSurroundBrightness and the pixel
// made opaque. In place.
void blurAndDim(const PixelBlock& block, int radius);

// Fills `out` with the surround of `picture`: its cover area averaged down
// to `out`'s size, blurred and dimmed. False when either is empty.
bool makeSurround(const ConstPixelBlock& picture, const PixelBlock& out);

}  // namespace lumova
