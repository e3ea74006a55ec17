// The thumbnail painter: a decoded picture drawn from the top-left corner at
// the size asked for, shrunk by averaging.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "dialog/thumbnail_win32.h"
#include "picture/wic_loader_win32.h"
#include "tests/fakes/fake_pictures.h"
#include "tests/support/dib_surface_win32.h"

namespace lumova::dialog::testing {
namespace {

// A decoded picture whose pixel (x, y) is `colour(x)`: blue, green, red,
// alpha, premultiplied.
template <typename Colour>
std::shared_ptr<win32::DibPicture> stripedPicture(int width, int height, Colour colour) {
  auto picture = win32::DibPicture::create(width, height);
  if (!picture) return nullptr;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::array<std::uint8_t, 4> bgra = colour(x);
      std::copy(bgra.begin(), bgra.end(), picture->mutableBits() + y * picture->stride() + x * 4);
    }
  return picture;
}

// A white box to paint thumbnails into.
class ThumbnailPainting : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(box.ok());
    box.fill(0xFFFFFF);
  }
  lumova::testing::DibSurface box{300, 200};
  ThumbnailPainter painter;
};

TEST_F(ThumbnailPainting, DrawsFromTheTopLeftAtTheGivenSize) {
  // Left half opaque red, right half transparent.
  const auto picture = stripedPicture(200, 100, [](int x) {
    return x < 100 ? std::array<std::uint8_t, 4>{0, 0, 255, 255} : std::array<std::uint8_t, 4>{0, 0, 0, 0};
  });
  ASSERT_TRUE(picture);
  ASSERT_TRUE(painter.paint(box.dc(), picture, 100, 50));
  struct Row {
    int x, y;
    std::uint32_t rgb;
  };
  const Row rows[] = {
      {2, 2, 0xFF0000},     // red
      {45, 45, 0xFF0000},   // still inside the shrunk red half
      {75, 10, 0xFFFFFF},   // the transparent half shows the box
      {150, 10, 0xFFFFFF},  // right of the thumbnail
      {10, 70, 0xFFFFFF},   // below it
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.x) + "," + std::to_string(r.y));
    EXPECT_EQ(box.rgb(r.x, r.y), r.rgb);
  }
  EXPECT_FALSE(painter.paint(box.dc(), std::make_shared<fakes::SizedPicture>(10, 10), 10, 10));
}

TEST_F(ThumbnailPainting, ShrinksByAveragingNotByDroppingPixels) {
  // Single-pixel black and white stripes, halved: every pixel a middle grey,
  // where a nearest-pixel copy would keep only the black or only the white.
  const auto picture = stripedPicture(200, 100, [](int x) {
    const std::uint8_t v = x % 2 ? 255 : 0;
    return std::array<std::uint8_t, 4>{v, v, v, 255};
  });
  ASSERT_TRUE(picture);
  ASSERT_TRUE(painter.paint(box.dc(), picture, 100, 50));
  for (const auto& at : {std::pair{0, 0}, std::pair{37, 21}, std::pair{99, 49}}) {
    SCOPED_TRACE(std::to_string(at.first) + "," + std::to_string(at.second));
    const std::uint32_t c = box.rgb(at.first, at.second);
    for (int shift : {0, 8, 16}) {
      const int channel = static_cast<int>((c >> shift) & 0xFF);
      EXPECT_NEAR(channel, 128, 1);
    }
  }
  EXPECT_EQ(box.rgb(100, 10), 0xFFFFFFu);  // right of the thumbnail
  // Painting again, from the kept copy, gives the same.
  ASSERT_TRUE(painter.paint(box.dc(), picture, 100, 50));
  EXPECT_NEAR(static_cast<int>(box.rgb(37, 21) & 0xFF), 128, 1);
}

}  // namespace
}  // namespace lumova::dialog::testing
