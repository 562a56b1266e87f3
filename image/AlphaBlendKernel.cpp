#include "image/AlphaBlendKernel.h"

#include <emmintrin.h>

#include <cstring>

namespace ZEvuvoro {

void BlendRowScalar(uint8_t* destination, const uint8_t* source, int count) {
  for (int j = 0; j < count; ++j) {
    const uint8_t* s = source + size_t(j) * 4;
    uint8_t* d = destination + size_t(j) * 4;
    const unsigned a = s[3];
    for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * a + d[c] * (255 - a)) >> 8);
  }
}

namespace {

// Two pixels in 16-bit lanes: colour lanes blended, alpha lanes kept from d.
inline __m128i BlendPair(__m128i s, __m128i d, __m128i all255, __m128i alphaLanes) {
  __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(all255, a)));
  __m128i blended = _mm_srli_epi16(sum, 8);
  return _mm_or_si128(_mm_andnot_si128(alphaLanes, blended), _mm_and_si128(alphaLanes, d));
}

}  // namespace

void BlendRowSse2(uint8_t* destination, const uint8_t* source, int count) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i all255 = _mm_set1_epi16(255);
  const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
  int j = 0;
  for (; j + 4 <= count; j += 4) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + size_t(j) * 4));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + size_t(j) * 4));
    __m128i lo = BlendPair(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), all255, alphaLanes);
    __m128i hi = BlendPair(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), all255, alphaLanes);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + size_t(j) * 4), _mm_packus_epi16(lo, hi));
  }
  for (; j < count; ++j) {
    uint32_t sp, dp;
    std::memcpy(&sp, source + size_t(j) * 4, 4);
    std::memcpy(&dp, destination + size_t(j) * 4, 4);
    __m128i r = BlendPair(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(sp)), zero),
                          _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(dp)), zero), all255, alphaLanes);
    dp = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(r, r)));
    std::memcpy(destination + size_t(j) * 4, &dp, 4);
  }
}

}  // namespace ZEvuvoro
