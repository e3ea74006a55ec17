// The Exif orientation reader from arbitrary bytes (a JPEG with an APP1
// segment, or a bare TIFF header): nothing read outside the buffer, and the
// answer is one of the eight orientations or "none".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "picture/exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly `size` bytes, so that a read one past the end is caught.
  std::uint8_t* copy = new std::uint8_t[size ? size : 1];
  for (std::size_t i = 0; i < size; ++i) copy[i] = data[i];
  const int orientation = lumova::exifOrientation(copy, size);
  delete[] copy;
  // The reader answers 1 when there is no usable mark.
  if (orientation < 1 || orientation > 8) {
    std::fprintf(stderr, "orientation %d\n", orientation);
    std::abort();
  }
  return 0;
}
