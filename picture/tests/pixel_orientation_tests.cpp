#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "picture/pixel_orientation.h"
#include "picture/tests/orientation_cases.h"

namespace lumova {
namespace {

using namespace testdata;

// Pixels in rows of `stride` bytes; what lies past a row's pixels is
// padding a writer must leave alone.
struct Pixels {
  int width, height;
  std::ptrdiff_t stride;
  std::vector<std::uint8_t> bytes;
  Pixels(int w, int h, int padding = 0, std::uint8_t fill = 0xEE)
      : width(w), height(h), stride(4 * w + padding), bytes(static_cast<std::size_t>(stride) * h, fill) {}
  std::uint32_t at(int x, int y) const {
    std::uint32_t v;
    std::memcpy(&v, bytes.data() + stride * y + 4 * x, 4);
    return v;
  }
  void set(int x, int y, std::uint32_t v) { std::memcpy(bytes.data() + stride * y + 4 * x, &v, 4); }
  PixelBlock block() { return {bytes.data(), width, height, stride}; }
  ConstPixelBlock view() const { return {bytes.data(), width, height, stride}; }
};

Pixels layout(const char* letters, int width, int height, int padding = 0) {
  Pixels p(width, height, padding);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.set(x, y, patternColour(patternAt(letters, x, y)));
  return p;
}

std::string differences(const Pixels& got, const char* letters) {
  for (int y = 0; y < got.height; ++y)
    for (int x = 0; x < got.width; ++x)
      if (got.at(x, y) != patternColour(patternAt(letters, x, y)))
        return "(" + std::to_string(x) + "," + std::to_string(y) + ") differs";
  return "";
}

TEST(PixelOrientation, EachMarkGivesTheUprightLayout) {
  const Pixels stored = layout(kStoredPattern, 3, 2);
  for (const OrientationCase& c : kOrientationCases) {
    SCOPED_TRACE(testing::Message() << "orientation " << c.orientation);
    EXPECT_EQ(turnsSideways(c.orientation), c.width != 3);
    Pixels upright(c.width, c.height);
    ASSERT_TRUE(orientUpright(stored.view(), c.orientation, upright.block()));
    EXPECT_EQ(differences(upright, c.upright), "");
    if (c.orientation <= 4) {
      Pixels inPlace = stored;
      ASSERT_TRUE(orientUprightInPlace(inPlace.block(), c.orientation));
      EXPECT_EQ(differences(inPlace, c.upright), "");
    }
  }
}

// Where the stored pixel (x, y) of a width x height picture shows upright:
// the turns written forwards, against the code's walk backwards from the
// target.
std::pair<int, int> uprightPosition(int orientation, int x, int y, int width, int height) {
  switch (orientation) {
    case 2:
      return {width - 1 - x, y};
    case 3:
      return {width - 1 - x, height - 1 - y};
    case 4:
      return {x, height - 1 - y};
    case 5:
      return {y, x};
    case 6:
      return {height - 1 - y, x};
    case 7:
      return {height - 1 - y, width - 1 - x};
    case 8:
      return {y, width - 1 - x};
    default:
      return {x, y};
  }
}

TEST(PixelOrientation, BlocksOfAnySizeMatchTheTurnsWrittenForwards) {
  // Sizes around the 32-pixel tiles, odd and even (a middle row or column
  // that stays put), with padded rows on both sides.
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 7}, {6, 1}, {2, 2}, {5, 4}, {33, 65}, {64, 31}, {70, 3}};
  std::mt19937 random(5);
  for (const auto& [width, height] : sizes) {
    Pixels stored(width, height, 8);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) stored.set(x, y, static_cast<std::uint32_t>(random()));
    for (int orientation = 1; orientation <= 8; ++orientation) {
      SCOPED_TRACE(testing::Message() << width << "x" << height << ", orientation " << orientation);
      const bool sideways = turnsSideways(orientation);
      Pixels upright(sideways ? height : width, sideways ? width : height, 12);
      ASSERT_TRUE(orientUpright(stored.view(), orientation, upright.block()));
      Pixels inPlace = stored;
      const bool keepsSize = orientation <= 4;
      ASSERT_EQ(orientUprightInPlace(inPlace.block(), orientation), keepsSize);
      int wrong = 0;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const auto [ux, uy] = uprightPosition(orientation, x, y, width, height);
          wrong += upright.at(ux, uy) != stored.at(x, y);
          if (keepsSize) wrong += inPlace.at(ux, uy) != stored.at(x, y);
        }
      }
      EXPECT_EQ(wrong, 0);
      // Padding untouched.
      for (int y = 0; y < upright.height; ++y)
        for (std::ptrdiff_t i = 4 * upright.width; i < upright.stride; ++i)
          wrong += upright.bytes[static_cast<std::size_t>(upright.stride * y + i)] != 0xEE;
      for (int y = 0; y < height; ++y)
        for (std::ptrdiff_t i = 4 * width; i < stored.stride; ++i)
          wrong += inPlace.bytes[static_cast<std::size_t>(stored.stride * y + i)] != 0xEE;
      EXPECT_EQ(wrong, 0) << "padding written";
    }
  }
}

TEST(PixelOrientation, RefusesWhatItCannotDoAndLeavesTheTargetAlone) {
  Pixels stored = layout(kStoredPattern, 3, 2);
  struct Row {
    const char* name;
    int orientation;
    int toWidth, toHeight;
  } rows[] = {
      {"orientation 0", 0, 3, 2},          {"orientation 9", 9, 3, 2},
      {"sideways, size kept", 6, 3, 2},    {"not sideways, sides swapped", 3, 2, 3},
      {"target one pixel short", 1, 3, 1}, {"target one pixel wider", 8, 3, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Pixels target(row.toWidth, row.toHeight);
    EXPECT_FALSE(orientUpright(stored.view(), row.orientation, target.block()));
    EXPECT_EQ(target.bytes, std::vector<std::uint8_t>(target.bytes.size(), 0xEE));
  }
  Pixels target(2, 3);
  EXPECT_FALSE(orientUpright({nullptr, 3, 2, 12}, 6, target.block()));
  EXPECT_FALSE(orientUpright({stored.bytes.data(), 0, 2, 12}, 1, {target.bytes.data(), 0, 2, 12}));
  EXPECT_EQ(target.bytes, std::vector<std::uint8_t>(target.bytes.size(), 0xEE));
  for (int orientation : {0, 5, 6, 7, 8, 9}) {
    SCOPED_TRACE(orientation);
    Pixels kept = stored;
    EXPECT_FALSE(orientUprightInPlace(kept.block(), orientation));
    EXPECT_EQ(kept.bytes, stored.bytes);
  }
}

}  // namespace
}  // namespace lumova
