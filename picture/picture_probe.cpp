#include "picture/picture_probe.h"

#include <algorithm>
#include <cstring>

namespace lumova {
namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint32_t be16(Bytes b, std::size_t at) { return (std::uint32_t{b[at]} << 8) | b[at + 1]; }
std::uint32_t be32(Bytes b, std::size_t at) { return (be16(b, at) << 16) | be16(b, at + 2); }
std::uint32_t le16(Bytes b, std::size_t at) { return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8); }
std::uint32_t le32(Bytes b, std::size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

bool startsWith(Bytes b, const char* magic, std::size_t n) {
  return b.size() >= n && std::memcmp(b.data(), magic, n) == 0;
}

bool isStartOfFrame(std::uint8_t m) {
  // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
  return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Walks the markers from SOI to EOI. Between segments only fill bytes (0xFF)
// may stand; inside entropy-coded data anything goes up to the next marker.
void probeJpeg(Bytes b, PictureProbe& p) {
  const std::size_t n = b.size();
  std::size_t pos = 2;
  bool sawFrame = false;
  for (;;) {
    if (pos >= n || b[pos] != 0xFF) return;  // ends early, or stray bytes where a marker belongs
    while (pos < n && b[pos] == 0xFF) ++pos;
    if (pos >= n) return;
    const std::uint8_t marker = b[pos++];
    if (marker == 0xD9) {
      p.intact = sawFrame;
      return;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (marker == 0x00 || marker == 0xD8) return;
    if (pos + 2 > n) return;
    const std::size_t length = be16(b, pos);
    if (length < 2 || pos + length > n) return;
    if (isStartOfFrame(marker) && !sawFrame) {
      if (length < 8) return;
      p.height = be16(b, pos + 3);
      p.width = be16(b, pos + 5);
      sawFrame = true;
    }
    pos += length;
    if (marker != 0xDA) continue;
    if (!sawFrame) return;
    // Entropy-coded data: 0xFF 0x00 is a data byte and RSTn stays inside it.
    for (;;) {
      const void* ff = pos < n ? std::memchr(b.data() + pos, 0xFF, n - pos) : nullptr;
      if (!ff) return;
      pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - b.data());
      if (pos + 1 >= n) return;
      const std::uint8_t next = b[pos + 1];
      if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
        pos += 2;
        continue;
      }
      break;  // a real marker (or fill before one)
    }
  }
}

// Walks the chunks from the signature to IEND. CRCs are the decoder's business.
void probePng(Bytes b, PictureProbe& p) {
  const std::size_t n = b.size();
  if (n < 8 + 8 + 13 || be32(b, 8) != 13 || std::memcmp(b.data() + 12, "IHDR", 4) != 0) return;
  p.width = be32(b, 16);
  p.height = be32(b, 20);
  std::size_t pos = 8;
  for (;;) {
    if (pos + 8 > n) return;
    const std::uint32_t length = be32(b, pos);
    for (std::size_t i = 4; i < 8; ++i) {
      const std::uint8_t c = b[pos + i];
      if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return;
    }
    if (length > 0x7FFFFFFFu || n - pos - 8 < std::size_t{length} + 4) return;
    if (std::memcmp(b.data() + pos + 4, "IEND", 4) == 0) {
      p.intact = true;
      return;
    }
    pos += 12 + std::size_t{length};
  }
}

// Skips a run of data sub-blocks; false when the file ends inside it.
bool skipSubBlocks(Bytes b, std::size_t& pos) {
  for (;;) {
    if (pos >= b.size()) return false;
    const std::size_t size = b[pos++];
    if (size == 0) return true;
    if (b.size() - pos < size) return false;
    pos += size;
  }
}

// Walks the blocks from the header to the trailer; only the first image is
// shown, but a file cut short anywhere is a damaged file.
void probeGif(Bytes b, PictureProbe& p) {
  const std::size_t n = b.size();
  if (n < 13) return;
  const std::int64_t screenWidth = le16(b, 6);
  const std::int64_t screenHeight = le16(b, 8);
  std::size_t pos = 13;
  if (b[10] & 0x80) pos += 3u << ((b[10] & 7) + 1);
  bool sawImage = false;
  for (;;) {
    if (pos >= n) return;
    const std::uint8_t block = b[pos++];
    if (block == 0x3B) {
      p.intact = sawImage;
      return;
    }
    if (block == 0x21) {
      if (pos >= n) return;
      ++pos;  // label
      if (!skipSubBlocks(b, pos)) return;
    } else if (block == 0x2C) {
      if (n - pos < 10) return;
      const std::int64_t left = le16(b, pos), top = le16(b, pos + 2);
      const std::int64_t width = le16(b, pos + 4), height = le16(b, pos + 6);
      const std::uint8_t flags = b[pos + 8];
      pos += 9;
      if (flags & 0x80) pos += 3u << ((flags & 7) + 1);
      ++pos;  // LZW minimum code size
      if (pos > n || !skipSubBlocks(b, pos)) return;
      if (!sawImage) {
        sawImage = true;
        p.frameLeft = left;
        p.frameTop = top;
        p.frameWidth = width;
        p.frameHeight = height;
        p.width = std::max(screenWidth, left + width);
        p.height = std::max(screenHeight, top + height);
        p.firstFrameEnd = pos;
      }
    } else {
      return;
    }
  }
}

// Uncompressed bitmaps must hold every row the header promises.
void probeBmp(Bytes b, PictureProbe& p) {
  const std::size_t n = b.size();
  if (n < 26) return;
  const std::uint32_t headerSize = le32(b, 14);
  const std::uint32_t dataOffset = le32(b, 10);
  std::uint32_t bitsPerPixel = 0, compression = 0;
  if (headerSize == 12) {
    p.width = le16(b, 18);
    p.height = le16(b, 20);
    bitsPerPixel = le16(b, 24);
  } else if (headerSize >= 40 && n >= 34) {
    p.width = static_cast<std::int32_t>(le32(b, 18));
    p.height = static_cast<std::int32_t>(le32(b, 22));
    if (p.height < 0) p.height = -p.height;  // top-down rows
    bitsPerPixel = le16(b, 28);
    compression = le32(b, 30);
  } else {
    return;
  }
  // Sizes beyond the bound are refused by the caller; don't compute with them.
  if (p.width <= 0 || p.height <= 0 || p.width > 0xFFFF || p.height > 0xFFFF) {
    p.intact = true;
    return;
  }
  const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
  if (uncompressed && bitsPerPixel > 0 && bitsPerPixel <= 64) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(p.width) * bitsPerPixel + 31) / 32 * 4;
    if (std::uint64_t{dataOffset} + stride * static_cast<std::uint64_t>(p.height) > n) return;
  }
  p.intact = true;
}

}  // namespace

PictureProbe probePicture(std::span<const std::uint8_t> bytes) {
  PictureProbe p;
  if (startsWith(bytes, "\xFF\xD8\xFF", 3)) {
    p.format = PictureFormat::Jpeg;
    probeJpeg(bytes, p);
  } else if (startsWith(bytes, "\x89PNG\r\n\x1A\n", 8)) {
    p.format = PictureFormat::Png;
    probePng(bytes, p);
  } else if (startsWith(bytes, "GIF87a", 6) || startsWith(bytes, "GIF89a", 6)) {
    p.format = PictureFormat::Gif;
    probeGif(bytes, p);
  } else if (startsWith(bytes, "BM", 2)) {
    p.format = PictureFormat::Bmp;
    probeBmp(bytes, p);
  } else if (startsWith(bytes, "II*\0", 4) || startsWith(bytes, "MM\0*", 4)) {
    p.format = PictureFormat::Tiff;
    p.intact = true;  // its strips are scattered; the decoder checks them
  }
  return p;
}

}  // namespace lumova
