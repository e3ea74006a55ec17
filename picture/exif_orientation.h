// What a camera leaves in a JPEG or TIFF file: the orientation mark (Exif
// tag 274 in the first image directory), how the stored pixels must be
// mirrored and turned to show the scene as it was taken; and the date it was
// taken.
//
// The file is untrusted: every offset and count is checked against its size
// before it is followed, so a damaged or hostile file only loses its mark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumova {

// 1 to 8 as the file says (1: stored upright); 1 when the file is neither a
// JPEG nor a TIFF, has no mark, its mark is damaged or holds another value.
int exifOrientation(const std::uint8_t* data, std::size_t size);

// When a photo was taken, as its camera's clock read.
struct ExifDate {
  int year, month, day, hour, minute, second;
  bool operator==(const ExifDate&) const = default;
};

// The date of DateTimeOriginal (tag 36867 in the Exif directory that the
// first directory points to), from the same kind of file; nothing when
// there is none or it is not a real date ("0000:00:00 00:00:00", blanks, a
// 31st of April).
std::optional<ExifDate> exifDateTaken(const std::uint8_t* data, std::size_t size);

// The camera's make and model (tags 271 and 272 of the first directory),
// without blanks around them; empty where the file has none.
struct ExifCamera {
  std::string make;
  std::string model;
};
ExifCamera exifCamera(const std::uint8_t* data, std::size_t size);

}  // namespace lumova
