// Row loops over 32-bit pixels (four bytes each, blue first), for the
// crossfade and the pan-and-zoom motion. GDI under Wine is far too slow for
// either (AlphaBlend, a HALFTONE StretchBlt), so both are drawn here into
// DIB-section memory. Each loop has a plain reference and, on x86, SSE2 and
// AVX2 paths that give exactly the same pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace lumova::effects {

// A weight of 256 is all of the second operand.
inline constexpr int kWeightOne = 256;
// A row that is sampled must be readable this many pixels on from every
// point's x: the wide loops read runs of pixels at once.
inline constexpr int kSampleReach = 8;

// One horizontal sample: the pixel pair at `x` and `x + 1` of a row, and the
// weight of the second (0..256).
struct SamplePoint {
  std::int32_t x = 0;
  std::int32_t weight = 0;
};

struct PixelRows {
  const char* name;
  // out[i] = (from[i] * (256 - weight) + to[i] * weight + 128) / 256, per
  // byte; weight 0..256. `out` may be `from` or `to`.
  void (*blend)(const std::uint32_t* from, const std::uint32_t* to, std::uint32_t* out, int count, int weight);
  // out[i] = row[p.x] and row[p.x + 1] blended by p.weight, p = points[i];
  // row[p.x] to row[p.x + kSampleReach - 1] must be readable (the caller
  // repeats the last pixel).
  void (*sample)(const std::uint32_t* row, const SamplePoint* points, std::uint32_t* out, int count);
};

PixelRows referencePixelRows();
// The fastest loops this processor runs.
PixelRows fastestPixelRows();
// Every set of loops this processor runs, the reference first.
std::vector<PixelRows> supportedPixelRows();

}  // namespace lumova::effects
