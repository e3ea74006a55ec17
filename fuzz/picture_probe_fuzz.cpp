// The picture probe from arbitrary bytes: nothing read outside the buffer,
// and what the loader relies on holds. For an intact GIF the loader writes a
// trailer at firstFrameEnd and composes the first image onto a canvas of the
// probed size: that byte must lie inside the file, and the image, as read here
// from the bytes themselves, must be the probe's and fit the canvas.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "picture/picture_probe.h"

namespace {

std::int64_t le16(const std::uint8_t* d, std::size_t at) { return d[at] | (d[at + 1] << 8); }

// The first image descriptor's left, top, width and height, found by walking
// the blocks after the header and colour table; false when none is reached.
bool firstGifImage(const std::uint8_t* d, std::size_t n, std::int64_t image[4]) {
  if (n < 13) return false;
  std::size_t i = 13 + (d[10] & 0x80 ? 3u << ((d[10] & 7) + 1) : 0);
  while (i + 1 < n && d[i] == 0x21) {
    for (i += 2; i < n && d[i] != 0;) i += d[i] + 1u;
    ++i;
  }
  if (i + 9 >= n || d[i] != 0x2C) return false;
  for (int k = 0; k < 4; ++k) image[k] = le16(d, i + 1 + 2 * k);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using lumova::PictureFormat;
  // A copy of exactly `size` bytes, so that a read one past the end is caught
  // even where the fuzzer's own buffer is larger.
  std::uint8_t* copy = new std::uint8_t[size ? size : 1];
  for (std::size_t i = 0; i < size; ++i) copy[i] = data[i];
  const lumova::PictureProbe p = lumova::probePicture(std::span<const std::uint8_t>(copy, size));
  delete[] copy;

  if (p.format != PictureFormat::Gif || !p.intact) return 0;
  if (p.firstFrameEnd >= size) std::abort();
  std::int64_t image[4];
  if (!firstGifImage(data, size, image)) std::abort();
  if (image[0] != p.frameLeft || image[1] != p.frameTop || image[2] != p.frameWidth || image[3] != p.frameHeight)
    std::abort();
  if (image[0] + image[2] > p.width || image[1] + image[3] > p.height) std::abort();
  return 0;
}
