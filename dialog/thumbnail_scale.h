// Resizing the thumbnail's pixels with area averaging, so that a shrunken
// picture keeps its fine detail as shades instead of dropping whole rows and
// columns as a nearest-pixel copy does.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumova::dialog {

// A block of 32-bit pixels (4 bytes each, channels scaled alike), rows
// `stride` bytes apart.
struct PixelBlock {
  std::uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};
struct ConstPixelBlock {
  const std::uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

// Fills `to` with `from` resized: each target pixel is the average of the
// source area it covers, weighted by how much of each source pixel falls in
// it. Premultiplied pixels stay premultiplied. False (and `to` untouched)
// when either block is empty.
bool scaleByAreaAverage(const ConstPixelBlock& from, const PixelBlock& to);

}  // namespace lumova::dialog
