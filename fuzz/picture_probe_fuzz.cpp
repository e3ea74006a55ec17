// The picture probe from arbitrary bytes: nothing read outside the buffer,
// and what it reports stays within what the bytes can say.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "picture/picture_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using lumova::PictureFormat;
  // A copy of exactly `size` bytes, so that a read one past the end is caught
  // even where the fuzzer's own buffer is larger.
  std::uint8_t* copy = new std::uint8_t[size ? size : 1];
  for (std::size_t i = 0; i < size; ++i) copy[i] = data[i];
  const lumova::PictureProbe p = lumova::probePicture(std::span<const std::uint8_t>(copy, size));
  delete[] copy;

  if (p.format == PictureFormat::Unknown && (p.intact || p.width || p.height)) std::abort();
  // Header fields are 16 or 32 bits wide; only a bitmap's are signed.
  if (p.format != PictureFormat::Bmp && (p.width < 0 || p.height < 0)) std::abort();
  if (p.format == PictureFormat::Gif && (p.width > 0x1FFFE || p.height > 0x1FFFE)) std::abort();
  if (p.width > 0xFFFFFFFFll || p.height > 0xFFFFFFFFll || p.width < -0x80000000ll) std::abort();
  if (p.firstFrameEnd > size) std::abort();
  if (p.format == PictureFormat::Gif && p.intact &&
      (p.firstFrameEnd == 0 || p.frameLeft + p.frameWidth > p.width || p.frameTop + p.frameHeight > p.height))
    std::abort();
  return 0;
}
