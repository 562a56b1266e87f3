#include "engine/text/GlyphBlend.h"

#include <emmintrin.h>

#include <cstring>

namespace {

inline uint8_t Clamp255(unsigned v) { return static_cast<uint8_t>(v > 255 ? 255 : v); }

inline void BlendPixelSplit(uint8_t* p, unsigned a, const unsigned colour[4]) {
  for (int c = 0; c < 4; ++c) p[c] = Clamp255(((colour[c] * a) >> 8) + ((p[c] * (255 - a)) >> 8));
}

inline void BlendPixelSum(uint8_t* p, unsigned a, const unsigned colour[4]) {
  for (int c = 0; c < 4; ++c) p[c] = Clamp255((colour[c] * a + p[c] * (255 - a)) >> 8);
}

}  // namespace

void BlendCoverageRowScalar(uint8_t* pixels, const uint8_t* coverage, int count, uint8_t r, uint8_t g, uint8_t b) {
  const unsigned colour[4] = {b, g, r, 255};
  int i = 0;
  for (; i + 4 <= count; i += 4)
    for (int k = 0; k < 4; ++k) BlendPixelSplit(pixels + 4 * (i + k), coverage[i + k], colour);
  for (; i < count; ++i) BlendPixelSum(pixels + 4 * i, coverage[i], colour);
}

void BlendCoverageRowSse2(uint8_t* pixels, const uint8_t* coverage, int count, uint8_t r, uint8_t g, uint8_t b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i colour = _mm_setr_epi16(b, g, r, 255, b, g, r, 255);
  const __m128i all = _mm_set1_epi16(255);
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    uint8_t* p = pixels + 4 * i;
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i a01 = _mm_setr_epi16(coverage[i], coverage[i], coverage[i], coverage[i], coverage[i + 1],
                                       coverage[i + 1], coverage[i + 1], coverage[i + 1]);
    const __m128i a23 = _mm_setr_epi16(coverage[i + 2], coverage[i + 2], coverage[i + 2], coverage[i + 2],
                                       coverage[i + 3], coverage[i + 3], coverage[i + 3], coverage[i + 3]);
    const __m128i lo = _mm_unpacklo_epi8(dst, zero);
    const __m128i hi = _mm_unpackhi_epi8(dst, zero);
    // 255 * 255 fits 16 bits unsigned: shift with the logical shift.
    const __m128i lo2 = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(colour, a01), 8),
                                      _mm_srli_epi16(_mm_mullo_epi16(lo, _mm_sub_epi16(all, a01)), 8));
    const __m128i hi2 = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(colour, a23), 8),
                                      _mm_srli_epi16(_mm_mullo_epi16(hi, _mm_sub_epi16(all, a23)), 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(lo2, hi2));
  }
  const unsigned c4[4] = {b, g, r, 255};
  for (; i < count; ++i) BlendPixelSum(pixels + 4 * i, coverage[i], c4);
}

void PutCoverageRowScalar(uint8_t* pixels, const uint8_t* coverage, int count, uint8_t r, uint8_t g, uint8_t b) {
  for (int j = 0; j < count; ++j) {
    uint8_t* p = pixels + 4 * j;
    p[0] = b;
    p[1] = g;
    p[2] = r;
    p[3] = coverage[j];
  }
}

void PutCoverageRowSse2(uint8_t* pixels, const uint8_t* coverage, int count, uint8_t r, uint8_t g, uint8_t b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i colour = _mm_set1_epi32(static_cast<int>(b | (unsigned(g) << 8) | (unsigned(r) << 16)));
  int i = 0;
  // Each coverage byte moves to the top byte of its pixel.
  for (; i + 16 <= count; i += 16) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coverage + i));
    const __m128i lo = _mm_unpacklo_epi8(zero, c), hi = _mm_unpackhi_epi8(zero, c);
    auto* p = reinterpret_cast<__m128i*>(pixels + 4 * i);
    _mm_storeu_si128(p, _mm_or_si128(colour, _mm_unpacklo_epi16(zero, lo)));
    _mm_storeu_si128(p + 1, _mm_or_si128(colour, _mm_unpackhi_epi16(zero, lo)));
    _mm_storeu_si128(p + 2, _mm_or_si128(colour, _mm_unpacklo_epi16(zero, hi)));
    _mm_storeu_si128(p + 3, _mm_or_si128(colour, _mm_unpackhi_epi16(zero, hi)));
  }
  for (; i + 4 <= count; i += 4) {
    int four;
    std::memcpy(&four, coverage + i, 4);
    const __m128i c = _mm_unpacklo_epi8(zero, _mm_cvtsi32_si128(four));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + 4 * i), _mm_or_si128(colour, _mm_unpacklo_epi16(zero, c)));
  }
  PutCoverageRowScalar(pixels + 4 * i, coverage + i, count - i, r, g, b);
}
