// A picture's shape without decoding it: the size its header claims, turned
// by its orientation mark. Monitors of both shapes ask for it at a change, so
// it reads only the head of a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/picture.h"

namespace lumova {

// Enough for the size of a BMP, GIF or PNG file and for a JPEG's Exif block
// and frame header, unless large blocks come first.
inline constexpr std::size_t kUprightHeadBytes = 64 * 1024;
// How far a JPEG is read when its frame header lies past the first head.
inline constexpr std::size_t kUprightLongestHead = 1024 * 1024;

// The upright size from the first bytes of a file; none when the format is
// unknown or its header does not give the size (TIFF, or a head too short).
std::optional<PictureSize> uprightSizeOf(std::span<const std::uint8_t> head);

// Whether a longer head could give a size the first one did not: a JPEG
// whose frame header was not reached.
bool uprightSizeNeedsMore(std::span<const std::uint8_t> head);

}  // namespace lumova
