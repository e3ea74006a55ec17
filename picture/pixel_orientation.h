// Turning decoded pixels upright as a picture's orientation mark asks
// (picture/exif_orientation.h): 1 as stored, 2 mirrored left to right,
// 3 turned half round, 4 mirrored top to bottom, 5 mirrored across the
// diagonal from the top left, 6 turned a quarter clockwise, 7 mirrored across
// the other diagonal, 8 turned a quarter anticlockwise.
#pragma once

#include "picture/area_scale.h"

namespace lumova {

// 5 to 8 swap the picture's width and height.
constexpr bool turnsSideways(int orientation) { return orientation >= 5 && orientation <= 8; }

// Writes the upright form of `from` (stored in `orientation`) into `to`,
// which must be from's size, width and height swapped when the orientation
// turns sideways, and must not overlap it. False (and `to` untouched) for an
// orientation outside 1 to 8, an empty block or a size that does not match.
bool orientUpright(const ConstPixelBlock& from, int orientation, const PixelBlock& to);

// The same within the block itself, for the orientations that keep its size
// (1 to 4); false for any other.
bool orientUprightInPlace(const PixelBlock& block, int orientation);

}  // namespace lumova
