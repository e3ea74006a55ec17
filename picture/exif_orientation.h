// The orientation mark a camera leaves in a JPEG or TIFF file (Exif tag 274
// in the first image directory): how the stored pixels must be mirrored and
// turned to show the scene as it was taken.
//
// The file is untrusted: every offset and count is checked against its size
// before it is followed, so a damaged or hostile file only loses its mark.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumova {

// 1 to 8 as the file says (1: stored upright); 1 when the file is neither a
// JPEG nor a TIFF, has no mark, its mark is damaged or holds another value.
int exifOrientation(const std::uint8_t* data, std::size_t size);

}  // namespace lumova
