#include "picture/exif_orientation.h"

#include <cstring>

namespace lumova {
namespace {

constexpr std::uint16_t kOrientationTag = 274;
constexpr int kUpright = 1;

// A TIFF structure (the body of a JPEG's Exif block, or a whole TIFF file):
// offsets count from its first byte.
class TiffReader {
 public:
  TiffReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // False when there is no TIFF header of either byte order.
  bool readHeader() {
    if (size_ < 8) return false;
    if (data_[0] == 'I' && data_[1] == 'I') {
      bigEndian_ = false;
    } else if (data_[0] == 'M' && data_[1] == 'M') {
      bigEndian_ = true;
    } else {
      return false;
    }
    return u16(2) == 42;
  }
  std::uint32_t firstDirectory() const { return u32(4); }

  // The value of one SHORT (or LONG) tag in the directory at `offset`; 0
  // when it is missing or any part of it lies outside the data.
  std::uint32_t tagValue(std::uint64_t offset, std::uint16_t tag) const {
    if (!fits(offset, 2)) return 0;
    const std::uint16_t entries = u16(offset);
    for (std::uint64_t i = 0; i < entries; ++i) {
      const std::uint64_t entry = offset + 2 + 12 * i;
      if (!fits(entry, 12)) return 0;  // a directory cut short
      if (u16(entry) != tag) continue;
      const std::uint16_t type = u16(entry + 2);
      const std::uint64_t count = u32(entry + 4);
      const std::uint64_t width = type == 3 ? 2 : type == 4 ? 4 : 0;
      if (width == 0 || count == 0) return 0;
      // Values of up to four bytes sit in the entry itself, longer ones at
      // the offset it holds; 64 bits leave no room for the product to wrap.
      const std::uint64_t bytes = count * width;
      const std::uint64_t at = bytes <= 4 ? entry + 8 : u32(entry + 8);
      if (!fits(at, bytes)) return 0;
      return width == 2 ? u16(at) : u32(at);
    }
    return 0;
  }

 private:
  bool fits(std::uint64_t offset, std::uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
  std::uint16_t u16(std::uint64_t at) const {
    const std::uint8_t* p = data_ + at;
    return bigEndian_ ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
  }
  std::uint32_t u32(std::uint64_t at) const {
    const std::uint32_t a = u16(at), b = u16(at + 2);
    return bigEndian_ ? a << 16 | b : b << 16 | a;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  bool bigEndian_ = false;
};

int tiffOrientation(const std::uint8_t* data, std::size_t size) {
  TiffReader tiff(data, size);
  if (!tiff.readHeader()) return kUpright;
  // Only the first directory: the ones after it describe the thumbnail,
  // whose own mark does not apply to the picture.
  const std::uint32_t value = tiff.tagValue(tiff.firstDirectory(), kOrientationTag);
  return value >= 1 && value <= 8 ? static_cast<int>(value) : kUpright;
}

// The Exif block of a JPEG: the first APP1 segment that starts
// "Exif\0\0", before the first scan.
int jpegOrientation(const std::uint8_t* data, std::size_t size) {
  static constexpr std::uint8_t kExifName[6] = {'E', 'x', 'i', 'f', 0, 0};
  std::size_t at = 2;  // after SOI
  while (at + 2 <= size) {
    if (data[at] != 0xFF) return kUpright;  // not a marker: damaged
    const std::uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length follows
    if (marker == 0xD9 || marker == 0xDA) return kUpright;               // no mark before the pixels
    if (at + 2 > size) return kUpright;
    const std::size_t length = static_cast<std::size_t>(data[at] << 8 | data[at + 1]);
    if (length < 2 || length > size - at) return kUpright;  // a segment that runs past the end
    const std::uint8_t* body = data + at + 2;
    const std::size_t bodySize = length - 2;
    if (marker == 0xE1 && bodySize >= sizeof kExifName && std::memcmp(body, kExifName, sizeof kExifName) == 0) {
      return tiffOrientation(body + sizeof kExifName, bodySize - sizeof kExifName);
    }
    at += length;
  }
  return kUpright;
}

}  // namespace

int exifOrientation(const std::uint8_t* data, std::size_t size) {
  if (!data || size < 4) return kUpright;
  if (data[0] == 0xFF && data[1] == 0xD8) return jpegOrientation(data, size);
  return tiffOrientation(data, size);
}

}  // namespace lumova
