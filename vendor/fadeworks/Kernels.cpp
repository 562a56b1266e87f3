#include "vendor/fadeworks/Kernels.h"

#include <emmintrin.h>

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

#if defined(__x86_64__)
// from + (((to - from) * w + 128) >> 8) is the blend exactly (from * 256 is a
// multiple of 256), and vpmulhrsw of (to - from) by w * 128 gives the rounded
// shift in one step for w up to 255. Keep the loop free of stack spills: GCC
// on Windows x64 does not realign the stack for 32-byte vectors.
__attribute__((target("avx2"))) void CrossFadeRowAvx2(uint8_t* out, const uint8_t* from, const uint8_t* to, int count,
                                                      int weight) {
  const size_t bytes = static_cast<size_t>(count > 0 ? count : 0) * 4;
  if (weight <= 0 || weight >= 256) {  // all "from" or all "to"; w * 128 = 32768 would not fit a lane
    if (bytes) std::memcpy(out, weight <= 0 ? from : to, bytes);
    return;
  }
  const __m256i zero = _mm256_setzero_si256();
  const __m256i w = _mm256_set1_epi16(static_cast<short>(weight << 7));
  size_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + i));
    const __m256i aLow = _mm256_unpacklo_epi8(a, zero), aHigh = _mm256_unpackhi_epi8(a, zero);
    const __m256i low =
        _mm256_add_epi16(aLow, _mm256_mulhrs_epi16(_mm256_sub_epi16(_mm256_unpacklo_epi8(b, zero), aLow), w));
    const __m256i high =
        _mm256_add_epi16(aHigh, _mm256_mulhrs_epi16(_mm256_sub_epi16(_mm256_unpackhi_epi8(b, zero), aHigh), w));
    // The unpacks and the pack both work within 128-bit halves, so the bytes come back in order.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(low, high));
  }
  _mm256_zeroupper();  // before the SSE2 tail: no penalty for mixing the encodings
  if (i < bytes) CrossFadeRowSse2(out + i, from + i, to + i, static_cast<int>((bytes - i) / 4), weight);
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#else
bool HasAvx2() { return false; }
#endif

CrossFadeRowFn BestCrossFadeRow() {
#if defined(__x86_64__)
  if (HasAvx2()) return CrossFadeRowAvx2;
#endif
  return CrossFadeRowSse2;
}

}  // namespace fadeworks
