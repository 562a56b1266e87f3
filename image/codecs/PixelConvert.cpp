#include "image/codecs/PixelConvert.h"

#include <emmintrin.h>

namespace ZEvuvoro {

void ExpandBgrRowScalar(const uint8_t* from, uint8_t* to, int width) {
  for (int x = 0; x < width; ++x, from += 3, to += 4) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
    to[3] = 255;
  }
}

void ExpandBgrRowSse2(const uint8_t* from, uint8_t* to, int width) {
  // Four pixels per step: pixel i's 3 bytes move up by i bytes into lane i.
  const __m128i lane0 = _mm_setr_epi32(0x00FFFFFF, 0, 0, 0);
  const __m128i lane1 = _mm_setr_epi32(0, 0x00FFFFFF, 0, 0);
  const __m128i lane2 = _mm_setr_epi32(0, 0, 0x00FFFFFF, 0);
  const __m128i lane3 = _mm_setr_epi32(0, 0, 0, 0x00FFFFFF);
  const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
  int x = 0;
  // A 16-byte load at pixel x stays inside the row while x + 6 <= width.
  for (; x + 6 <= width; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x * 3));
    __m128i out = _mm_and_si128(v, lane0);
    out = _mm_or_si128(out, _mm_and_si128(_mm_slli_si128(v, 1), lane1));
    out = _mm_or_si128(out, _mm_and_si128(_mm_slli_si128(v, 2), lane2));
    out = _mm_or_si128(out, _mm_and_si128(_mm_slli_si128(v, 3), lane3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x * 4), _mm_or_si128(out, alpha));
  }
  ExpandBgrRowScalar(from + x * 3, to + x * 4, width - x);
}

}  // namespace ZEvuvoro
