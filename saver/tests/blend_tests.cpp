#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "saver/blend.h"

using namespace lumova::saver;

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
TEST(PixelRows, FastestMatchesReferenceOnOddWidths) {
  const PixelRows ref = referencePixelRows(), fast = fastestPixelRows();
  std::mt19937 gen(7);
  for (int width = 1; width <= 37; ++width) {
    for (int start = 0; start < 3; ++start) {
      // Room for a pair at the last point from the farthest start.
      std::vector<std::uint32_t> a(width + 5), b(width + 5), want(width), got(width);
      for (auto& v : a) v = gen();
      for (auto& v : b) v = gen();
      const int weight = static_cast<int>(gen() % 257);
      SCOPED_TRACE(std::string(fast.name) + " width " + std::to_string(width) + " start " + std::to_string(start) +
                   " weight " + std::to_string(weight));
      ref.blend(a.data() + start, b.data() + start, want.data(), width, weight);
      fast.blend(a.data() + start, b.data() + start, got.data(), width, weight);
      EXPECT_EQ(got, want);

      std::vector<SamplePoint> points(width);
      for (auto& p : points)
        p = {static_cast<std::int32_t>(gen() % (width + 2)), static_cast<std::int32_t>(gen() % 257)};
      ref.sample(a.data() + start, points.data(), want.data(), width);
      fast.sample(a.data() + start, points.data(), got.data(), width);
      EXPECT_EQ(got, want) << "sampled";
    }
  }
}
