#include "vendor/fadeworks/Kernels.h"

#include <emmintrin.h>

namespace fadeworks {

void CrossFadeRowScalar(uint8_t* out, const uint8_t* from, const uint8_t* to, int count, int weight) {
  const int keep = 256 - weight;
  for (int i = 0; i < count * 4; ++i) out[i] = static_cast<uint8_t>((from[i] * keep + to[i] * weight + 128) >> 8);
}

void CrossFadeRowSse2(uint8_t* out, const uint8_t* from, const uint8_t* to, int count, int weight) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wTo = _mm_set1_epi16(static_cast<short>(weight));
  const __m128i wFrom = _mm_set1_epi16(static_cast<short>(256 - weight));
  const __m128i half = _mm_set1_epi16(128);
  // At most 255 * 256 + 128: the sums stay inside unsigned 16 bits.
  const int bytes = count * 4;
  int i = 0;
  for (; i + 16 <= bytes; i += 16) {
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
  if (i < bytes) CrossFadeRowScalar(out + i, from + i, to + i, (bytes - i) / 4, weight);
}

}  // namespace fadeworks
