// A small picture that shows every mirroring and turn (no two of its pixels
// alike), and how it looks upright under each orientation mark. The pictures
// that tools/make_orientation_pictures.sh writes hold the same pattern.
#pragma once

#include <cstdint>
#include <string>

namespace lumova::testdata {

// Pixels by letter, rows top to bottom separated by '/'.
inline constexpr const char* kStoredPattern = "RGB/YCW";

// 0xAARRGGBB of a pattern letter.
constexpr std::uint32_t patternColour(char letter) {
  switch (letter) {
    case 'R':
      return 0xFFE01010;
    case 'G':
      return 0xFF10C020;
    case 'B':
      return 0xFF2030E0;
    case 'Y':
      return 0xFFF0D000;
    case 'C':
      return 0xFF00C0C0;
    case 'W':
      return 0xFFFFFFFF;
    default:
      return 0;
  }
}

struct OrientationCase {
  int orientation;
  int width, height;  // upright
  const char* upright;
};
// Worked out by hand from the meaning of each mark, not from the code.
inline constexpr OrientationCase kOrientationCases[8] = {
    {1, 3, 2, "RGB/YCW"},   // as stored
    {2, 3, 2, "BGR/WCY"},   // mirrored left to right
    {3, 3, 2, "WCY/BGR"},   // half a turn
    {4, 3, 2, "YCW/RGB"},   // mirrored top to bottom
    {5, 2, 3, "RY/GC/BW"},  // across the diagonal from the top left
    {6, 2, 3, "YR/CG/WB"},  // a quarter turn clockwise
    {7, 2, 3, "WB/CG/YR"},  // across the other diagonal
    {8, 2, 3, "BW/GC/RY"},  // a quarter turn anticlockwise
};

// The letter at (x, y) of a layout.
inline char patternAt(const char* layout, int x, int y) {
  const std::string s(layout);
  std::size_t row = 0;
  for (int i = 0; i < y; ++i) row = s.find('/', row) + 1;
  return s[row + static_cast<std::size_t>(x)];
}

}  // namespace lumova::testdata
