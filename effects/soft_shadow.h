// A soft shadow under text, from the glyphs' coverage: spread a few pixels
// around them and laid under them, so the text reads over any picture.
#pragma once

#include <cstdint>
#include <vector>

namespace lumova::effects {

// The coverage (0..255 a pixel, `width` by `height`, rows without padding)
// spread by two box blurs of `radius` pixels each way, as premultiplied
// 32-bit pixels (blue first, alpha high) of `rgb` (red low). The spread
// coverage counts three times over, so that thin strokes still cast a dark
// halo, up to `opacity` (0..255). `out` takes width x height pixels.
void softShadow(const std::vector<std::uint8_t>& coverage, int width, int height, int radius, std::uint32_t rgb,
                int opacity, std::uint32_t* out);

}  // namespace lumova::effects
