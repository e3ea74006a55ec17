#include "effects/blend.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define LUMOVA_HAS_SSE2_PATH 1
#endif

namespace lumova::effects {
namespace {

inline std::uint32_t mix(std::uint32_t a, std::uint32_t b, int weight) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
    const std::uint32_t v = (x * static_cast<std::uint32_t>(kWeightOne - weight) + y * weight + 128) >> 8;
    out |= v << shift;
  }
  return out;
}

void blendReference(const std::uint32_t* from, const std::uint32_t* to, std::uint32_t* out, int count, int weight) {
  for (int i = 0; i < count; ++i) out[i] = mix(from[i], to[i], weight);
}

void sampleReference(const std::uint32_t* row, const SamplePoint* points, std::uint32_t* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = mix(row[points[i].x], row[points[i].x + 1], points[i].weight);
}

#ifdef LUMOVA_HAS_SSE2_PATH
// Both products and their sum stay below 65536 (255 * 256 at most), so
// 16-bit lanes hold them exactly and the result equals the reference.
__attribute__((target("sse2"))) void blendSse2(const std::uint32_t* from, const std::uint32_t* to, std::uint32_t* out,
                                               int count, int weight) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wTo = _mm_set1_epi16(static_cast<short>(weight));
  const __m128i wFrom = _mm_set1_epi16(static_cast<short>(kWeightOne - weight));
  const __m128i half = _mm_set1_epi16(128);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i));
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), wFrom),
                               _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), wTo));
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), wFrom),
                               _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), wTo));
    lo = _mm_srli_epi16(_mm_add_epi16(lo, half), 8);
    hi = _mm_srli_epi16(_mm_add_epi16(hi, half), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
  for (; i < count; ++i) out[i] = mix(from[i], to[i], weight);
}

// Each output pixel's pair interleaved channel by channel, so that one
// multiply-add gives its four weighted sums; four pixels a step.
__attribute__((target("sse2"))) inline __m128i sampleOne(const std::uint32_t* row, SamplePoint p, __m128i zero,
                                                         __m128i half) {
  const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + p.x));
  const __m128i woven = _mm_unpacklo_epi8(_mm_unpacklo_epi8(pair, _mm_srli_si128(pair, 4)), zero);
  const __m128i weights = _mm_set1_epi32(static_cast<int>((kWeightOne - p.weight) | (p.weight << 16)));
  return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(woven, weights), half), 8);
}

__attribute__((target("sse2"))) void sampleSse2(const std::uint32_t* row, const SamplePoint* points, std::uint32_t* out,
                                                int count) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i half = _mm_set1_epi32(128);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i a = sampleOne(row, points[i], zero, half), b = sampleOne(row, points[i + 1], zero, half);
    const __m128i c = sampleOne(row, points[i + 2], zero, half), d = sampleOne(row, points[i + 3], zero, half);
    // Every sum is at most 255 after the shift: no saturation.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
  }
  for (; i < count; ++i) out[i] = mix(row[points[i].x], row[points[i].x + 1], points[i].weight);
}

// Eight pixels a step, as the SSE2 loop does four.
__attribute__((target("avx2"))) void blendAvx2(const std::uint32_t* from, const std::uint32_t* to, std::uint32_t* out,
                                               int count, int weight) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i wTo = _mm256_set1_epi16(static_cast<short>(weight));
  const __m256i wFrom = _mm256_set1_epi16(static_cast<short>(kWeightOne - weight));
  const __m256i half = _mm256_set1_epi16(128);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + i));
    __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a, zero), wFrom),
                                  _mm256_mullo_epi16(_mm256_unpacklo_epi8(b, zero), wTo));
    __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a, zero), wFrom),
                                  _mm256_mullo_epi16(_mm256_unpackhi_epi8(b, zero), wTo));
    lo = _mm256_srli_epi16(_mm256_add_epi16(lo, half), 8);
    hi = _mm256_srli_epi16(_mm256_add_epi16(hi, half), 8);
    // Unpacking and packing both work within each 128-bit half: the order holds.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
  }
  blendSse2(from + i, to + i, out + i, count - i, weight);
}

// The byte order that turns four row pixels P0..P3, read at a point's x, into
// the point's pair and the next point's, d further on: P0 Pd | P1 Pd+1, the
// left pixels in the low half, the right in the high. One mask per 128-bit
// half, for d of 0 to 2 in each: the two halves hold points 0 1 and 2 3.
struct PairMasks {
  alignas(32) std::uint8_t bytes[9][32];
  constexpr PairMasks() : bytes{} {
    for (int low = 0; low < 3; ++low)
      for (int high = 0; high < 3; ++high)
        for (int half = 0; half < 2; ++half) {
          const int d = half == 0 ? low : high;
          const int from[4] = {0, d, 1, d + 1};
          for (int q = 0; q < 4; ++q)
            for (int b = 0; b < 4; ++b) bytes[low * 3 + high][half * 16 + q * 4 + b] = std::uint8_t(from[q] * 4 + b);
        }
  }
};
constexpr PairMasks kPairMasks;

// Four output pixels: two runs of four row pixels, one at point 0's x and
// one at point 2's, each holding its point's pair and the next point's.
// False when a next point lies further than 2 pixels on, or behind (a
// picture shrunk to less than half, points out of order): the caller takes
// those one by one.
__attribute__((target("avx2"))) inline bool sampleFour(const std::uint32_t* row, const SamplePoint* points,
                                                       __m256i& mixed) {
  const std::uint32_t low = static_cast<std::uint32_t>(points[1].x - points[0].x);
  const std::uint32_t high = static_cast<std::uint32_t>(points[3].x - points[2].x);
  if (low > 2 || high > 2) return false;  // unsigned: behind counts as far
  const __m256i runs = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + points[0].x))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + points[2].x)), 1);
  const __m256i pairs =
      _mm256_shuffle_epi8(runs, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kPairMasks.bytes[low * 3 + high])));
  // Each point's weight in its pixel's four 16-bit channel lanes: the points
  // load as x0 w0 x1 w1 | x2 w2 x3 w3.
  const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(points));
  const __m256i spread = _mm256_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 12, 13, 12, 13, 12, 13, 12, 13,  //
                                          4, 5, 4, 5, 4, 5, 4, 5, 12, 13, 12, 13, 12, 13, 12, 13);
  const __m256i w = _mm256_shuffle_epi8(p, spread);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i sum = _mm256_add_epi16(
      _mm256_mullo_epi16(_mm256_unpacklo_epi8(pairs, zero), _mm256_sub_epi16(_mm256_set1_epi16(kWeightOne), w)),
      _mm256_mullo_epi16(_mm256_unpackhi_epi8(pairs, zero), w));
  mixed = _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(128)), 8);
  return true;
}

__attribute__((target("avx2"))) void sampleAvx2(const std::uint32_t* row, const SamplePoint* points, std::uint32_t* out,
                                                int count) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    __m256i a, b;
    if (sampleFour(row, points + i, a) && sampleFour(row, points + i + 4, b)) {
      // Packed per 128-bit half: pixels 0 1 4 5 | 2 3 6 7, put back in order.
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                          _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8));
      continue;
    }
    for (int k = i; k < i + 8; ++k) out[k] = mix(row[points[k].x], row[points[k].x + 1], points[k].weight);
  }
  sampleSse2(row, points + i, out + i, count - i);
}
#endif

}  // namespace

PixelRows referencePixelRows() { return {"reference", &blendReference, &sampleReference}; }

std::vector<PixelRows> supportedPixelRows() {
  std::vector<PixelRows> rows{referencePixelRows()};
#ifdef LUMOVA_HAS_SSE2_PATH
  // The check includes the system's saving the wide registers.
  if (__builtin_cpu_supports("sse2")) rows.push_back({"sse2", &blendSse2, &sampleSse2});
  if (__builtin_cpu_supports("avx2")) rows.push_back({"avx2", &blendAvx2, &sampleAvx2});
#endif
  return rows;
}

PixelRows fastestPixelRows() { return supportedPixelRows().back(); }

}  // namespace lumova::effects
