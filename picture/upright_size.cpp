#include "picture/upright_size.h"

#include "picture/exif_orientation.h"
#include "picture/picture_probe.h"
#include "picture/pixel_orientation.h"

namespace lumova {

std::optional<PictureSize> uprightSizeOf(std::span<const std::uint8_t> head) {
  const PictureProbe probe = probePicture(head);
  if (probe.format == PictureFormat::Unknown || probe.width <= 0 || probe.height <= 0 ||
      !pictureSizeAllowed(probe.width, probe.height))
    return std::nullopt;
  PictureSize size{static_cast<int>(probe.width), static_cast<int>(probe.height)};
  // Only JPEG and TIFF marks are honoured when the picture is shown.
  if (probe.format == PictureFormat::Jpeg && turnsSideways(exifOrientation(head.data(), head.size())))
    size = {size.height, size.width};
  return size;
}

bool uprightSizeNeedsMore(std::span<const std::uint8_t> head) {
  const PictureProbe probe = probePicture(head);
  return probe.format == PictureFormat::Jpeg && probe.width <= 0;
}

}  // namespace lumova
