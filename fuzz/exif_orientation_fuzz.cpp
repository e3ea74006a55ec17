// The Exif readers from arbitrary bytes (a JPEG with an APP1 segment, or a
// bare TIFF header): nothing read outside the buffer, and nothing found that
// the bytes do not hold. A mark other than "upright" needs an orientation
// entry (tag 274, SHORT or LONG) somewhere in the bytes; a date taken needs
// a DateTimeOriginal entry (tag 36867, ASCII) and its very text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "picture/exif_orientation.h"

namespace {

bool holds(const std::uint8_t* data, std::size_t size, std::initializer_list<std::uint8_t> pattern) {
  return std::search(data, data + size, pattern.begin(), pattern.end()) != data + size;
}

// An entry's first four bytes, tag then type, in either byte order.
bool holdsEntry(const std::uint8_t* data, std::size_t size, std::uint16_t tag, std::initializer_list<int> types) {
  const auto hi = static_cast<std::uint8_t>(tag >> 8), lo = static_cast<std::uint8_t>(tag);
  for (int t : types) {
    const auto type = static_cast<std::uint8_t>(t);
    if (holds(data, size, {lo, hi, type, 0}) || holds(data, size, {hi, lo, 0, type})) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly `size` bytes, so that a read one past the end is caught.
  std::uint8_t* copy = new std::uint8_t[size ? size : 1];
  std::copy(data, data + size, copy);
  const int orientation = lumova::exifOrientation(copy, size);
  const auto date = lumova::exifDateTaken(copy, size);
  delete[] copy;

  if (orientation != 1 && !holdsEntry(data, size, 274, {3, 4})) {
    std::fprintf(stderr, "orientation %d without an orientation entry\n", orientation);
    std::abort();
  }
  if (date) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", date->year, date->month, date->day,
                                date->hour, date->minute, date->second);
    const bool inBytes = n == 19 && std::search(data, data + size, text, text + n) != data + size;
    if (!inBytes || !holdsEntry(data, size, 36867, {2})) {
      std::fprintf(stderr, "date %s not in the bytes as a DateTimeOriginal entry\n", text);
      std::abort();
    }
  }
  return 0;
}
