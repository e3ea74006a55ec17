#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "picture/area_scale.h"
#include "picture/surround.h"

namespace lumova {
namespace {

struct Pixels {
  Pixels(int w, int h) : width(w), height(h), bits(static_cast<std::size_t>(w * h * 4), 0) {}
  std::uint8_t* at(int x, int y) { return &bits[static_cast<std::size_t>((y * width + x) * 4)]; }
  void set(int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) {
    std::uint8_t* p = at(x, y);
    p[0] = b, p[1] = g, p[2] = r, p[3] = a;
  }
  void grey(int x, int y, std::uint8_t v) { set(x, y, v, v, v, 255); }
  ConstPixelBlock in() const { return {bits.data(), width, height, width * 4}; }
  PixelBlock out() { return {bits.data(), width, height, width * 4}; }
  int width, height;
  std::vector<std::uint8_t> bits;
};

Pixels scaled(const Pixels& from, int w, int h) {
  Pixels to(w, h);
  EXPECT_TRUE(scaleByAreaAverage(from.in(), to.out()));
  return to;
}

TEST(AreaScale, OnePixelCheckerboardHalvedBecomesEvenGrey) {
  Pixels board(8, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) board.grey(x, y, (x + y) % 2 ? 255 : 0);
  Pixels half = scaled(board, 4, 3);
  // A nearest-pixel copy would give all black or all white.
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      EXPECT_EQ(half.at(x, y)[0], 128);
      EXPECT_EQ(half.at(x, y)[3], 255);
    }
}

TEST(AreaScale, FractionalStepsWeighTheCoveredShare) {
  // Three columns into two: the middle one is split between both.
  Pixels row(3, 1);
  row.grey(0, 0, 0);
  row.grey(1, 0, 90);
  row.grey(2, 0, 210);
  Pixels two = scaled(row, 2, 1);
  EXPECT_EQ(two.at(0, 0)[1], 30);   // (0 * 1 + 90 * 0.5) / 1.5
  EXPECT_EQ(two.at(1, 0)[1], 170);  // (90 * 0.5 + 210 * 1) / 1.5

  // The same down a column.
  Pixels column(1, 3);
  column.grey(0, 0, 0);
  column.grey(0, 1, 90);
  column.grey(0, 2, 210);
  Pixels tall = scaled(column, 1, 2);
  EXPECT_EQ(tall.at(0, 0)[2], 30);
  EXPECT_EQ(tall.at(0, 1)[2], 170);
}

TEST(AreaScale, SameSizeCopiesAndGrowingRepeats) {
  Pixels p(3, 2);
  std::mt19937 random(7);
  for (auto& b : p.bits) b = static_cast<std::uint8_t>(random());
  EXPECT_EQ(scaled(p, 3, 2).bits, p.bits);

  Pixels one(1, 1);
  one.set(0, 0, 10, 20, 30, 40);
  Pixels big = scaled(one, 3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(std::vector<std::uint8_t>(big.at(x, y), big.at(x, y) + 4), (std::vector<std::uint8_t>{10, 20, 30, 40}));
}

TEST(AreaScale, PremultipliedPixelsStayValid) {
  // Colour never exceeds alpha in premultiplied pixels; averaging keeps it so.
  Pixels p(97, 61);
  std::mt19937 random(11);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const auto a = static_cast<std::uint8_t>(random());
      auto part = [&] { return static_cast<std::uint8_t>(a ? random() % (a + 1u) : 0); };
      p.set(x, y, part(), part(), part(), a);
    }
  const struct { int w, h; } sizes[] = {{13, 7}, {40, 60}, {96, 1}, {1, 1}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
    Pixels out = scaled(p, s.w, s.h);
    for (int y = 0; y < s.h; ++y)
      for (int x = 0; x < s.w; ++x)
        for (int k = 0; k < 3; ++k) ASSERT_LE(out.at(x, y)[k], out.at(x, y)[3]);
  }
}

TEST(AreaScale, WholeAreaAverageIsKept) {
  // One target pixel averages everything.
  Pixels p(5, 4);
  int total = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const int v = (x * 37 + y * 11) % 256;
      total += v;
      p.grey(x, y, static_cast<std::uint8_t>(v));
    }
  Pixels one = scaled(p, 1, 1);
  EXPECT_EQ(one.at(0, 0)[0], static_cast<int>(std::lround(total / 20.0)));
}

TEST(AreaScale, EmptyBlocksAreRefused) {
  Pixels p(2, 2), q(1, 1);
  q.set(0, 0, 1, 2, 3, 4);
  EXPECT_FALSE(scaleByAreaAverage({p.bits.data(), 0, 2, 8}, q.out()));
  EXPECT_FALSE(scaleByAreaAverage(p.in(), {q.bits.data(), 1, 0, 4}));
  EXPECT_FALSE(scaleByAreaAverage({nullptr, 2, 2, 8}, q.out()));
  EXPECT_EQ(q.at(0, 0)[3], 4);
}

TEST(Surround, GeometryOfTheCoverAreaAndTheSurround) {
  struct Row {
    const char* name;
    PictureSize picture, monitor;
    PixelArea cover;  // of the picture, for a surround of the monitor's shape
    bool shows;       // the picture shown at its own size leaves room to a surround
  };
  const Row rows[] = {
      {"portrait on landscape", {300, 600}, {1920, 1080}, {0, 215, 300, 169}, true},
      {"landscape 4:3", {1440, 1080}, {1920, 1080}, {0, 135, 1440, 810}, true},
      {"a thread across", {4000, 1}, {1920, 1080}, {1999, 0, 2, 1}, true},
      {"a thread down", {1, 4000}, {1920, 1080}, {0, 1999, 1, 1}, true},
      {"one pixel", {1, 1}, {1920, 1080}, {0, 0, 1, 1}, true},
      {"wider than a portrait monitor", {1600, 900}, {1080, 1920}, {547, 0, 506, 900}, true},
      {"covers the monitor exactly", {1920, 1080}, {1920, 1080}, {0, 0, 1920, 1080}, false},
      {"larger both ways", {2000, 1500}, {1920, 1080}, {0, 187, 2000, 1125}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(coverArea(r.picture, surroundSize(r.monitor)), r.cover);
    EXPECT_EQ(surroundShows(r.picture, r.monitor), r.shows);
  }
  EXPECT_EQ(surroundSize({1920, 1080}), (PictureSize{240, 135}));
  EXPECT_EQ(surroundSize({1023, 1}), (PictureSize{128, 1}));
  EXPECT_EQ(surroundBlurRadius(240), 9) << "a Gaussian of 4 % of 1920 pixels, at an eighth";
  EXPECT_EQ(surroundBlurRadius(480), 19);
  EXPECT_EQ(surroundBlurRadius(1), 0);
}

// Each pass the plain way: every pixel sums its whole window.
void referenceBlurAndDim(Pixels& p, int r) {
  const int d = 2 * r + 1;
  const auto pass = [&](bool across) {
    Pixels was = p;
    const int n = across ? p.width : p.height;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        for (int c = 0; c < 4; ++c) {
          int sum = 0;
          for (int k = -r; k <= r; ++k) {
            const int at = std::clamp((across ? x : y) + k, 0, n - 1);
            sum += across ? was.at(at, y)[c] : was.at(x, at)[c];
          }
          p.at(x, y)[c] = static_cast<std::uint8_t>((sum + d / 2) / d);
        }
  };
  for (bool across : {true, true, true, false, false, false}) pass(across);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      for (int c = 0; c < 3; ++c) p.at(x, y)[c] = static_cast<std::uint8_t>((p.at(x, y)[c] * 153 + 127) / 255);
      p.at(x, y)[3] = 255;
    }
}

TEST(Surround, BlurMatchesThePlainReference) {
  std::mt19937 random(7);
  const int sizes[][3] = {{1, 1, 0}, {1, 9, 3}, {9, 1, 3}, {17, 5, 2}, {31, 18, 9}, {5, 40, 12}, {64, 36, 3}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]) + " r" + std::to_string(size[2]));
    Pixels p(size[0], size[1]);
    for (auto& b : p.bits) b = static_cast<std::uint8_t>(random());
    Pixels want = p;
    referenceBlurAndDim(want, size[2]);
    blurAndDim(p.out(), size[2]);
    EXPECT_EQ(p.bits, want.bits);
  }
}

}  // namespace
}  // namespace lumova
