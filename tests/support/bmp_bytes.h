// 24-bit bitmap files built in memory, for tests and benchmarks that need a
// picture of a known size and content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumova::testing {

// The whole file, bottom row first as the format stores it; `colour(x, y)`
// gives each pixel as 0xRRGGBB, y counted from the top.
template <typename Colour>
std::vector<std::uint8_t> bmp24(int width, int height, Colour colour) {
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> b(54 + stride * static_cast<std::size_t>(height), 0);
  auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put(2, static_cast<std::uint32_t>(b.size()), 4);
  put(10, 54, 4);  // pixels' offset
  put(14, 40, 4);  // BITMAPINFOHEADER
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4);
  put(26, 1, 2);   // planes
  put(28, 24, 2);  // bits a pixel
  for (int y = 0; y < height; ++y) {
    std::size_t at = 54 + static_cast<std::size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x, at += 3) put(at, static_cast<std::uint32_t>(colour(x, y)), 3);
  }
  return b;
}

}  // namespace lumova::testing
