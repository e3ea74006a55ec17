// What a picture file's own structure says before a decoder sees it: its
// format, the size it claims, and whether it is whole.
//
// Decoders differ on damaged files (some fill a truncated JPEG with grey and
// report success, some read every frame of a GIF up front), so the loader
// settles these questions itself from the bytes: a file that ends early or
// breaks its format's structure is not a picture, and a claimed size over the
// bound is refused before anything is allocated for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lumova {

enum class PictureFormat { Unknown, Bmp, Gif, Jpeg, Png, Tiff };

struct PictureProbe {
  PictureFormat format = PictureFormat::Unknown;
  // False when the file ends early or its structure is broken.
  bool intact = false;
  // Size of the picture as the file claims it; 0 when it cannot be read from
  // the header (TIFF keeps it in a directory the decoder reads).
  std::int64_t width = 0;
  std::int64_t height = 0;
  // GIF only: the first image's rectangle on the logical screen, and where
  // that image's data ends (the later frames are never decoded).
  std::int64_t frameLeft = 0;
  std::int64_t frameTop = 0;
  std::int64_t frameWidth = 0;
  std::int64_t frameHeight = 0;
  std::size_t firstFrameEnd = 0;
};

PictureProbe probePicture(std::span<const std::uint8_t> bytes);

}  // namespace lumova
