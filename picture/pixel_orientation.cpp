#include "picture/pixel_orientation.h"

#include <algorithm>
#include <cstring>

namespace lumova {
namespace {

void swapPixels(std::uint8_t* a, std::uint8_t* b) {
  std::uint32_t x, y;
  std::memcpy(&x, a, 4);
  std::memcpy(&y, b, 4);
  std::memcpy(a, &y, 4);
  std::memcpy(b, &x, 4);
}

void mirrorRow(std::uint8_t* row, int width) {
  for (int l = 0, r = width - 1; l < r; ++l, --r) swapPixels(row + 4 * l, row + 4 * r);
}

void swapRows(std::uint8_t* a, std::uint8_t* b, int width) {
  for (int x = 0; x < width; ++x) swapPixels(a + 4 * x, b + 4 * x);
}

}  // namespace

bool orientUpright(const ConstPixelBlock& from, int orientation, const PixelBlock& to) {
  if (orientation < 1 || orientation > 8 || !from.bits || !to.bits || from.width <= 0 || from.height <= 0) return false;
  const bool sideways = turnsSideways(orientation);
  if (to.width != (sideways ? from.height : from.width) || to.height != (sideways ? from.width : from.height))
    return false;
  // Where the source pixel for the target's top left is, and how far the
  // source moves (in bytes) for one step right and one step down the target.
  const std::ptrdiff_t right = 4, down = from.stride;
  const std::ptrdiff_t lastColumn = 4 * static_cast<std::ptrdiff_t>(from.width - 1);
  const std::ptrdiff_t lastRow = from.stride * (from.height - 1);
  struct Walk {
    std::ptrdiff_t start, stepX, stepY;
  };
  const Walk walks[8] = {
      {0, right, down},                       // 1
      {lastColumn, -right, down},             // 2
      {lastColumn + lastRow, -right, -down},  // 3
      {lastRow, right, -down},                // 4
      {0, down, right},                       // 5
      {lastRow, -down, right},                // 6
      {lastColumn + lastRow, -down, -right},  // 7
      {lastColumn, down, -right},             // 8
  };
  const Walk& walk = walks[orientation - 1];
  // In tiles, so that a walk down the source's columns stays within a few
  // cache lines of rows.
  constexpr int kTile = 32;
  for (int ty = 0; ty < to.height; ty += kTile) {
    const int yEnd = std::min(to.height, ty + kTile);
    for (int tx = 0; tx < to.width; tx += kTile) {
      const int xEnd = std::min(to.width, tx + kTile);
      for (int y = ty; y < yEnd; ++y) {
        const std::uint8_t* in = from.bits + walk.start + walk.stepY * y + walk.stepX * tx;
        std::uint8_t* out = to.bits + to.stride * y + 4 * static_cast<std::ptrdiff_t>(tx);
        for (int x = tx; x < xEnd; ++x, in += walk.stepX, out += 4) std::memcpy(out, in, 4);
      }
    }
  }
  return true;
}

bool orientUprightInPlace(const PixelBlock& block, int orientation) {
  if (orientation < 1 || orientation > 4 || !block.bits || block.width <= 0 || block.height <= 0) return false;
  const bool mirrorRows = orientation == 2 || orientation == 3;
  const bool flipRows = orientation == 3 || orientation == 4;
  for (int top = 0, bottom = block.height - 1; top <= bottom; ++top, --bottom) {
    std::uint8_t* a = block.bits + block.stride * top;
    std::uint8_t* b = block.bits + block.stride * bottom;
    if (mirrorRows) {
      mirrorRow(a, block.width);
      if (b != a) mirrorRow(b, block.width);
    }
    if (flipRows && b != a) swapRows(a, b, block.width);
  }
  return true;
}

}  // namespace lumova
