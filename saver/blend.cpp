#include "saver/blend.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#define LUMOVA_HAS_SSE2_PATH 1
#endif

namespace lumova::saver {
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
#endif

}  // namespace

PixelRows referencePixelRows() { return {"reference", &blendReference, &sampleReference}; }

PixelRows fastestPixelRows() {
#ifdef LUMOVA_HAS_SSE2_PATH
  if (__builtin_cpu_supports("sse2")) return {"sse2", &blendSse2, &sampleSse2};
#endif
  return referencePixelRows();
}

}  // namespace lumova::saver
