#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "effects/blend.h"
#include "effects/soft_shadow.h"

using namespace lumova::effects;

TEST(PixelRows, ReferenceMixesEachByteRoundingHalvesUp) {
  struct Row {
    std::uint32_t from, to;
    int weight;
    std::uint32_t want;
  };
  const Row rows[] = {
      {0x00000000, 0xFFFFFFFF, 0, 0x00000000},   {0x00000000, 0xFFFFFFFF, 256, 0xFFFFFFFF},
      {0x00000000, 0xFFFFFFFF, 128, 0x80808080}, {0x10203040, 0x10203040, 77, 0x10203040},
      {0xFF000000, 0x00FF0000, 64, 0xBF400000},  {0x00000001, 0x00000000, 128, 0x00000001},  // 0.5 up
      {0x000000FF, 0x00000000, 1, 0x000000FE},
  };
  const PixelRows ref = referencePixelRows();
  for (const Row& r : rows) {
    std::uint32_t out = 0;
    ref.blend(&r.from, &r.to, &out, 1, r.weight);
    EXPECT_EQ(out, r.want) << std::hex << r.from << " to " << r.to << " at " << std::dec << r.weight;
    const std::uint32_t pair[2] = {r.from, r.to};
    const SamplePoint p{0, r.weight};
    ref.sample(pair, &p, &out, 1);
    EXPECT_EQ(out, r.want) << "sampled";
  }
}

// Random rows of every width up to 37 and unaligned starts: the fast loops
// give the reference's pixels exactly.
TEST(PixelRows, EveryPathMatchesReferenceOnOddWidths) {
  const PixelRows ref = referencePixelRows();
  for (const PixelRows& fast : supportedPixelRows()) {
    std::mt19937 gen(7);
    for (int width = 1; width <= 37; ++width) {
      for (int start = 0; start < 3; ++start) {
        // Room for the reach of the farthest point (the ordered ones lie up to
        // 2.15 pixels apart) from the farthest start.
        std::vector<std::uint32_t> a(3 * width + 4 + kSampleReach), b(a.size()), want(width), got(width);
        for (auto& v : a) v = gen();
        for (auto& v : b) v = gen();
        const int weight = static_cast<int>(gen() % 257);
        SCOPED_TRACE(std::string(fast.name) + " width " + std::to_string(width) + " start " + std::to_string(start) +
                     " weight " + std::to_string(weight));
        ref.blend(a.data() + start, b.data() + start, want.data(), width, weight);
        fast.blend(a.data() + start, b.data() + start, got.data(), width, weight);
        EXPECT_EQ(got, want);

        // Points at random, and in order about a pixel apart as a moving picture takes them.
        std::vector<SamplePoint> points(width), ordered(width);
        for (auto& p : points)
          p = {static_cast<std::int32_t>(gen() % (width + 2)), static_cast<std::int32_t>(gen() % 257)};
        const double step = 0.5 + (gen() % 100) / 60.0;  // 0.5 to 2.15 pixels
        for (int i = 0; i < width; ++i)
          ordered[i] = {static_cast<std::int32_t>(i * step), static_cast<std::int32_t>(gen() % 257)};
        for (const auto* pts : {&points, &ordered}) {
          ref.sample(a.data() + start, pts->data(), want.data(), width);
          fast.sample(a.data() + start, pts->data(), got.data(), width);
          EXPECT_EQ(got, want) << "sampled";
        }
      }
    }
  }
}

TEST(SoftShadow, SpreadsTheGlyphsAroundThemInTheShadowsColourPremultiplied) {
  // One covered pixel in the middle of 9 x 9, spread by 1 twice: 5 x 5 around it, red.
  std::vector<std::uint8_t> coverage(81, 0);
  coverage[40] = 255;
  std::vector<std::uint32_t> out(81);
  softShadow(coverage, 9, 9, 1, 0x0000FF, 200, out.data());
  for (std::size_t i = 0; i < 81; ++i) {
    const std::uint32_t p = out[i], alpha = p >> 24;
    EXPECT_EQ(alpha != 0, std::abs(int(i % 9) - 4) <= 2 && std::abs(int(i / 9) - 4) <= 2) << i;
    EXPECT_EQ(p, out[80 - i]) << "the same on every side";
    EXPECT_EQ(p & 0xFFFFFF, alpha << 16) << "premultiplied";
  }
  EXPECT_GT(out[40] >> 24, out[41] >> 24) << "darkest under the glyph";
  softShadow(std::vector<std::uint8_t>(81, 255), 9, 9, 2, 0xFFFFFF, 200, out.data());
  EXPECT_EQ(out[40], 0xC8C8C8C8u) << "whole coverage reaches the opacity";
}
