#include "effects/soft_shadow.h"

#include <algorithm>

namespace lumova::effects {
namespace {

constexpr std::uint32_t kGain = 3;

// One box blur along rows (`step` 1) or columns (`step` width), in place.
void boxBlur(std::vector<std::uint32_t>& v, int width, int height, int radius, bool columns) {
  const int lines = columns ? width : height, length = columns ? height : width;
  const int stride = columns ? width : 1, next = columns ? 1 : width;
  const std::uint32_t span = static_cast<std::uint32_t>(2 * radius + 1);
  std::vector<std::uint32_t> line(static_cast<std::size_t>(length));
  for (int l = 0; l < lines; ++l) {
    std::uint32_t* at = v.data() + static_cast<std::ptrdiff_t>(l) * next;
    for (int i = 0; i < length; ++i) line[static_cast<std::size_t>(i)] = at[i * stride];
    // A running sum over the window; outside the picture counts as nothing.
    std::uint32_t sum = 0;
    for (int i = 0; i < std::min(radius, length); ++i) sum += line[static_cast<std::size_t>(i)];
    for (int i = 0; i < length; ++i) {
      if (i + radius < length) sum += line[static_cast<std::size_t>(i + radius)];
      if (i - radius - 1 >= 0) sum -= line[static_cast<std::size_t>(i - radius - 1)];
      at[i * stride] = (sum + span / 2) / span;
    }
  }
}

}  // namespace

void softShadow(const std::vector<std::uint8_t>& coverage, int width, int height, int radius, std::uint32_t rgb,
                int opacity, std::uint32_t* out) {
  if (width <= 0 || height <= 0) return;
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::vector<std::uint32_t> a(n, 0);
  for (std::size_t i = 0; i < std::min(n, coverage.size()); ++i) a[i] = coverage[i];
  for (int pass = 0; pass < 2 && radius > 0; ++pass) {
    boxBlur(a, width, height, radius, false);
    boxBlur(a, width, height, radius, true);
  }
  const std::uint32_t r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  const std::uint32_t most = static_cast<std::uint32_t>(std::clamp(opacity, 0, 255));
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t alpha = (std::min<std::uint32_t>(a[i] * kGain, 255) * most + 127) / 255;
    const auto times = [alpha](std::uint32_t c) { return (c * alpha + 127) / 255; };
    out[i] = alpha << 24 | times(r) << 16 | times(g) << 8 | times(b);
  }
}

}  // namespace lumova::effects
