#include "vendor/fadeworks/Kernels.h"

#include <emmintrin.h>

namespace fadeworks {

void CrossFadeRowScalar(uint8_t* out, const uint8_t* from, const uint8_t* to, int count, int weight) {
  const int keep = 256 - weight;
  for (int i = 0; i < count * 4; ++i) out[i] = static_cast<uint8_t>((from[i] * keep + to[i] * weight + 128) >> 8);
}

void CrossFadeRowSse2(uint8_t* out, const uint8_t* from, const uint8_t* to, int count, int weight) {
  // Even and odd bytes go through separate 16-bit lanes (mask and shift), so
  // nothing is unpacked or packed. from * 256 + (to - from) * w + 128 is the
  // blend's sum, at most 255 * 256 + 128: it fits 16 bits, so the wrapping
  // lane arithmetic gives it exactly with one multiply per lane.
  const __m128i low = _mm_set1_epi16(0x00FF);
  const __m128i w = _mm_set1_epi16(static_cast<short>(weight));
  const __m128i half = _mm_set1_epi16(128);
  const int bytes = count * 4;
  int i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i));
    const __m128i even = _mm_add_epi16(_mm_or_si128(_mm_slli_epi16(a, 8), half),
                                       _mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(b, low), _mm_and_si128(a, low)), w));
    const __m128i odd = _mm_add_epi16(_mm_or_si128(_mm_andnot_si128(low, a), half),
                                      _mm_mullo_epi16(_mm_sub_epi16(_mm_srli_epi16(b, 8), _mm_srli_epi16(a, 8)), w));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_or_si128(_mm_srli_epi16(even, 8), _mm_andnot_si128(low, odd)));
  }
  if (i < bytes) CrossFadeRowScalar(out + i, from + i, to + i, (bytes - i) / 4, weight);
}

}  // namespace fadeworks
