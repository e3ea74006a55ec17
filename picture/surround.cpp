#include "picture/surround.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumova {
namespace {

int atLeastOne(std::int64_t n) { return n < 1 ? 1 : static_cast<int>(n); }

// One line of pixels blurred by a box of 2r+1, the ends repeated, from `in`
// into `out` laid out transposed (`outStep` pixels apart): a pass across
// the rows of a block is then a pass down its columns.
void boxLine(const std::uint32_t* in, int n, int r, std::uint32_t* out, std::ptrdiff_t outStep) {
  const int d = 2 * r + 1;
  std::uint32_t sum[4] = {};
  const auto add = [&](std::uint32_t p, int times) {
    for (int c = 0; c < 4; ++c) sum[c] += ((p >> (8 * c)) & 0xFF) * static_cast<std::uint32_t>(times);
  };
  const auto sub = [&](std::uint32_t p) {
    for (int c = 0; c < 4; ++c) sum[c] -= (p >> (8 * c)) & 0xFF;
  };
  // The window around pixel 0: the first pixel r + 1 times, then r more.
  add(in[0], r + 1);
  for (int i = 1; i <= r; ++i) add(in[std::min(i, n - 1)], 1);
  const auto half = static_cast<std::uint32_t>(d / 2);
  for (int x = 0; x < n; ++x) {
    std::uint32_t p = 0;
    for (int c = 0; c < 4; ++c) p |= ((sum[c] + half) / static_cast<std::uint32_t>(d)) << (8 * c);
    out[x * outStep] = p;
    add(in[std::min(x + r + 1, n - 1)], 1);
    sub(in[std::max(x - r, 0)]);
  }
}

// Three passes along each row of `from` (w by h, packed), the result
// written transposed into `to` (h by w).
void blurRowsTransposed(std::vector<std::uint32_t>& from, int w, int h, int r, std::vector<std::uint32_t>& to) {
  std::vector<std::uint32_t> a(static_cast<std::size_t>(w)), b(static_cast<std::size_t>(w));
  for (int y = 0; y < h; ++y) {
    const std::uint32_t* row = from.data() + static_cast<std::size_t>(y) * w;
    boxLine(row, w, r, a.data(), 1);
    boxLine(a.data(), w, r, b.data(), 1);
    boxLine(b.data(), w, r, to.data() + y, h);
  }
}

}  // namespace

PixelArea coverArea(PictureSize picture, PictureSize box) {
  const std::int64_t w = std::max(picture.width, 1), h = std::max(picture.height, 1);
  const std::int64_t bw = std::max(box.width, 1), bh = std::max(box.height, 1);
  PixelArea a{0, 0, static_cast<int>(w), static_cast<int>(h)};
  if (w * bh > h * bw) {
    // Wider than the box: its middle across, rounded to the nearest pixel.
    a.width = std::min(atLeastOne((h * bw * 2 + bh) / (bh * 2)), static_cast<int>(w));
    a.left = static_cast<int>((w - a.width) / 2);
  } else {
    a.height = std::min(atLeastOne((w * bh * 2 + bw) / (bw * 2)), static_cast<int>(h));
    a.top = static_cast<int>((h - a.height) / 2);
  }
  return a;
}

int surroundBlurRadius(int width) {
  // Three boxes of d = 2r + 1 have the variance of a Gaussian of sigma when
  // 3 (d^2 - 1) / 12 = sigma^2.
  const double sigma = kSurroundBlurShare * width;
  return std::max(0, static_cast<int>(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)));
}

void blurAndDim(const PixelBlock& block, int radius) {
  const int w = block.width, h = block.height;
  if (w <= 0 || h <= 0) return;
  const std::size_t count = static_cast<std::size_t>(w) * h;
  std::vector<std::uint32_t> pixels(count), turned(count);
  for (int y = 0; y < h; ++y)
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * w, block.bits + y * block.stride, std::size_t(w) * 4);
  blurRowsTransposed(pixels, w, h, radius, turned);
  blurRowsTransposed(turned, h, w, radius, pixels);
  for (int y = 0; y < h; ++y) {
    auto* out = reinterpret_cast<std::uint32_t*>(block.bits + y * block.stride);
    const std::uint32_t* in = pixels.data() + static_cast<std::size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      std::uint32_t p = 0xFF000000u;
      for (int c = 0; c < 3; ++c) p |= ((((in[x] >> (8 * c)) & 0xFF) * kSurroundBrightness + 127) / 255) << (8 * c);
      out[x] = p;
    }
  }
}

bool makeSurround(const ConstPixelBlock& picture, const PixelBlock& out) {
  if (picture.width <= 0 || picture.height <= 0 || out.width <= 0 || out.height <= 0) return false;
  const PixelArea a = coverArea({picture.width, picture.height}, {out.width, out.height});
  const ConstPixelBlock middle{picture.bits + a.top * picture.stride + std::ptrdiff_t{a.left} * 4, a.width, a.height,
                               picture.stride};
  if (!scaleByAreaAverage(middle, out)) return false;
  blurAndDim(out, surroundBlurRadius(out.width));
  return true;
}

}  // namespace lumova
