// Picture files built byte by byte, for the tests of the code that reads
// their structure before (or instead of) a decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace lumova::testdata {

using Bytes = std::vector<std::uint8_t>;

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
inline Bytes cut(Bytes b, std::size_t drop) {
  b.resize(b.size() - drop);
  return b;
}
inline Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes jpegSegment(std::uint8_t marker, const Bytes& body) {
  const std::size_t n = body.size() + 2;
  return cat({{0xFF, marker, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)}, body});
}
inline Bytes jpegFrame(int width, int height) {
  return jpegSegment(0xC0, {8, static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                            static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width), 1, 1, 0x11, 0});
}
inline const Bytes kSoi = {0xFF, 0xD8};
inline const Bytes kEoi = {0xFF, 0xD9};
inline const Bytes kJfif = jpegSegment(0xE0, cat({text("JFIF"), {0, 1, 1, 0, 0, 1, 0, 1, 0, 0}}));

inline Bytes pngChunk(const char* type, const Bytes& body) {
  const std::size_t n = body.size();
  return cat({{static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
               static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)},
              text(type),
              body,
              {0, 0, 0, 0}});
}
inline const Bytes kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// One entry of a TIFF directory. A SHORT value of one or two is written in
// the entry's first bytes, anything else as a 32-bit number (a value or an
// offset).
struct TiffEntry {
  std::uint16_t tag;
  std::uint16_t type;  // 2 ASCII, 3 SHORT, 4 LONG
  std::uint32_t count;
  std::uint32_t value;
};
inline constexpr std::uint16_t kShort = 3;
inline constexpr std::uint16_t kLong = 4;
inline TiffEntry orientationEntry(std::uint32_t value) { return {274, kShort, 1, value}; }

// A TIFF structure: the header, then each directory in turn from offset 8
// (or `firstDirectory`), each pointing at the next and the last at `lastNext`,
// then `tail`. tailOffset() says where the tail starts.
struct TiffLayout {
  bool bigEndian = false;
  std::vector<std::vector<TiffEntry>> directories;
  Bytes tail;
  std::uint32_t lastNext = 0;
  std::int64_t firstDirectory = -1;  // -1: where the first one is

  std::uint32_t tailOffset() const {
    std::uint32_t at = 8;
    for (const auto& d : directories) at += static_cast<std::uint32_t>(2 + 12 * d.size() + 4);
    return at;
  }
  Bytes bytes() const {
    Bytes b;
    auto u16 = [&](std::uint32_t v) {
      const std::uint8_t hi = static_cast<std::uint8_t>(v >> 8), lo = static_cast<std::uint8_t>(v);
      b.push_back(bigEndian ? hi : lo);
      b.push_back(bigEndian ? lo : hi);
    };
    auto u32 = [&](std::uint32_t v) {
      if (bigEndian) {
        u16(v >> 16);
        u16(v & 0xFFFF);
      } else {
        u16(v & 0xFFFF);
        u16(v >> 16);
      }
    };
    b = bigEndian ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
    u16(42);
    u32(firstDirectory >= 0 ? static_cast<std::uint32_t>(firstDirectory) : 8);
    std::uint32_t next = 8;
    for (std::size_t i = 0; i < directories.size(); ++i) {
      const auto& d = directories[i];
      next += static_cast<std::uint32_t>(2 + 12 * d.size() + 4);
      u16(static_cast<std::uint32_t>(d.size()));
      for (const TiffEntry& e : d) {
        u16(e.tag);
        u16(e.type);
        u32(e.count);
        if (e.type == kShort && e.count <= 2) {
          u16(e.value);
          u16(0);
        } else {
          u32(e.value);
        }
      }
      u32(i + 1 < directories.size() ? next : lastNext);
    }
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
  }
};

// A picture's first directory as cameras write it: a few tags around the
// orientation.
inline std::vector<TiffEntry> cameraDirectory(std::uint32_t orientation) {
  return {{271, 2, 4, 0}, {272, 2, 4, 0}, orientationEntry(orientation), {282, 5, 1, 0}, {296, kShort, 1, 2}};
}

inline Bytes exifSegment(const Bytes& tiff) { return jpegSegment(0xE1, cat({text("Exif"), {0, 0}, tiff})); }

// A JPEG's bytes with an Exif block put right after its SOI.
inline Bytes withExif(const Bytes& jpeg, const Bytes& tiff) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  const Bytes segment = exifSegment(tiff);
  out.insert(out.end(), segment.begin(), segment.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

}  // namespace lumova::testdata
