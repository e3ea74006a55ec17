#include "picture/exif_orientation.h"

#include <cstring>
#include <span>
#include <string_view>

namespace lumova {
namespace {

constexpr std::uint16_t kMakeTag = 271;
constexpr std::uint16_t kModelTag = 272;
constexpr std::uint16_t kOrientationTag = 274;
constexpr std::uint16_t kExifDirectoryTag = 34665;
constexpr std::uint16_t kDateTimeOriginalTag = 36867;
constexpr std::uint16_t kAscii = 2, kShort = 3, kLong = 4, kIfd = 13;
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

  // Where one tag's values lie: their type, count and offset, all checked
  // to lie inside the data; nothing when the tag is missing or damaged.
  struct Entry {
    std::uint16_t type;
    std::uint64_t count;
    std::uint64_t at;
  };
  std::optional<Entry> find(std::uint64_t offset, std::uint16_t tag) const {
    if (!fits(offset, 2)) return std::nullopt;
    const std::uint16_t entries = u16(offset);
    for (std::uint64_t i = 0; i < entries; ++i) {
      const std::uint64_t entry = offset + 2 + 12 * i;
      if (!fits(entry, 12)) return std::nullopt;  // a directory cut short
      if (u16(entry) != tag) continue;
      const std::uint16_t type = u16(entry + 2);
      const std::uint64_t count = u32(entry + 4);
      const std::uint64_t width = type == kAscii ? 1 : type == kShort ? 2 : type == kLong || type == kIfd ? 4 : 0;
      if (width == 0 || count == 0) return std::nullopt;
      // Values of up to four bytes sit in the entry itself, longer ones at
      // the offset it holds; 64 bits leave no room for the product to wrap.
      const std::uint64_t bytes = count * width;
      const std::uint64_t at = bytes <= 4 ? entry + 8 : u32(entry + 8);
      if (!fits(at, bytes)) return std::nullopt;
      return Entry{type, count, at};
    }
    return std::nullopt;
  }

  // The value of one SHORT (or LONG) tag in the directory at `offset`; 0
  // when it is missing or any part of it lies outside the data.
  std::uint32_t tagValue(std::uint64_t offset, std::uint16_t tag) const {
    const std::optional<Entry> e = find(offset, tag);
    if (!e || (e->type != kShort && e->type != kLong)) return 0;
    return e->type == kShort ? u16(e->at) : u32(e->at);
  }

  // The text of an ASCII tag, up to its first NUL.
  std::string_view text(const Entry& e) const {
    const std::string_view all(reinterpret_cast<const char*>(data_ + e.at), static_cast<std::size_t>(e.count));
    return all.substr(0, all.find('\0'));
  }

  std::uint32_t value32(std::uint64_t at) const { return u32(at); }

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

// The Exif block of a JPEG: the TIFF structure in the first APP1 segment
// that starts "Exif\0\0", before the first scan.
std::optional<std::span<const std::uint8_t>> jpegExif(const std::uint8_t* data, std::size_t size) {
  static constexpr std::uint8_t kExifName[6] = {'E', 'x', 'i', 'f', 0, 0};
  std::size_t at = 2;  // after SOI
  while (at + 2 <= size) {
    if (data[at] != 0xFF) return std::nullopt;  // not a marker: damaged
    const std::uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length follows
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;           // no mark before the pixels
    if (at + 2 > size) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(data[at] << 8 | data[at + 1]);
    if (length < 2 || length > size - at) return std::nullopt;  // a segment that runs past the end
    const std::uint8_t* body = data + at + 2;
    const std::size_t bodySize = length - 2;
    if (marker == 0xE1 && bodySize >= sizeof kExifName && std::memcmp(body, kExifName, sizeof kExifName) == 0)
      return std::span<const std::uint8_t>(body + sizeof kExifName, bodySize - sizeof kExifName);
    at += length;
  }
  return std::nullopt;
}

// The TIFF structure that holds the tags: a JPEG's Exif block or the file.
std::optional<std::span<const std::uint8_t>> tiffOf(const std::uint8_t* data, std::size_t size) {
  if (!data || size < 4) return std::nullopt;
  if (data[0] == 0xFF && data[1] == 0xD8) return jpegExif(data, size);
  return std::span<const std::uint8_t>(data, size);
}

// "YYYY:MM:DD HH:MM:SS" with every field a real one.
std::optional<ExifDate> parseExifDate(std::string_view t) {
  if (t.size() != 19) return std::nullopt;
  static constexpr std::string_view kShape = "dddd:dd:dd dd:dd:dd";
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = t[i] >= '0' && t[i] <= '9';
    if (kShape[i] == 'd' ? !digit : t[i] != kShape[i]) return std::nullopt;
  }
  const auto field = [&](std::size_t at, std::size_t n) {
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (t[i] - '0');
    return v;
  };
  const ExifDate d{field(0, 4), field(5, 2), field(8, 2), field(11, 2), field(14, 2), field(17, 2)};
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  // The calendar the system formats dates in starts in 1601.
  if (d.year < 1601 || d.month < 1 || d.month > 12 || d.day < 1) return std::nullopt;
  if (d.day > kDays[d.month - 1] + (d.month == 2 && leap ? 1 : 0)) return std::nullopt;
  if (d.hour > 23 || d.minute > 59 || d.second > 60) return std::nullopt;  // 60: a leap second
  return d;
}

std::string trimmed(std::string_view t) {
  const auto first = t.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(t.substr(first, t.find_last_not_of(' ') - first + 1));
}

}  // namespace

int exifOrientation(const std::uint8_t* data, std::size_t size) {
  const auto tiff = tiffOf(data, size);
  return tiff ? tiffOrientation(tiff->data(), tiff->size()) : kUpright;
}

std::optional<ExifDate> exifDateTaken(const std::uint8_t* data, std::size_t size) {
  const auto bytes = tiffOf(data, size);
  if (!bytes) return std::nullopt;
  TiffReader tiff(bytes->data(), bytes->size());
  if (!tiff.readHeader()) return std::nullopt;
  const auto exif = tiff.find(tiff.firstDirectory(), kExifDirectoryTag);
  if (!exif || (exif->type != kLong && exif->type != kIfd) || exif->count != 1) return std::nullopt;
  const auto date = tiff.find(tiff.value32(exif->at), kDateTimeOriginalTag);
  if (!date || date->type != kAscii) return std::nullopt;
  return parseExifDate(tiff.text(*date));
}

ExifCamera exifCamera(const std::uint8_t* data, std::size_t size) {
  ExifCamera camera;
  const auto bytes = tiffOf(data, size);
  if (!bytes) return camera;
  TiffReader tiff(bytes->data(), bytes->size());
  if (!tiff.readHeader()) return camera;
  const auto text = [&](std::uint16_t tag) {
    const auto e = tiff.find(tiff.firstDirectory(), tag);
    return e && e->type == kAscii ? trimmed(tiff.text(*e)) : std::string();
  };
  camera.make = text(kMakeTag);
  camera.model = text(kModelTag);
  return camera;
}

}  // namespace lumova
