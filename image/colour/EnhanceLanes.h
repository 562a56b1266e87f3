#pragma once
// The SIMD gains and fixed-point colour matrix that the live enhancement and
// the Bayer decoding share, one 16-bit lane a value: SSE2 eight pixels a
// step, AVX2 sixteen.
#include <emmintrin.h>
#include <immintrin.h>

#include "image/colour/EnhancePipeline.h"

namespace ZEvuvoro {

// Constants of one frame, broadcast once so the row loop only loads them.
struct EnhanceSse2Matrix {
  __m128i gain2[3];  // 2 x gain (at most 65534) for the high-half multiply
  __m128i pos[4][3];
  __m128i neg[4][3];
  bool unitGains;
};

inline void PrepareEnhanceSse2(const EnhanceSettings& s, EnhanceSse2Matrix& m) {
  m.unitGains = true;
  for (int c = 0; c < 3; ++c) {
    const int g = EnhanceLaneGain(s.gain[c]);
    m.gain2[c] = _mm_set1_epi16(static_cast<short>(g * 2));
    if (g != 128) m.unitGains = false;
  }
  for (int k = 0; k < 4; ++k) {
    for (int j = 0; j < 3; ++j) {
      const int c = s.coef[k * 4 + j];
      m.pos[k][j] = _mm_set1_epi16(static_cast<short>(c > 0 ? c : 0));
      m.neg[k][j] = _mm_set1_epi16(static_cast<short>(c > 0 ? 0 : -c));
    }
  }
}

inline __m128i Min255(__m128i v) { return _mm_sub_epi16(v, _mm_subs_epu16(v, _mm_set1_epi16(255))); }

inline __m128i GainSse2(__m128i v, __m128i gain2) { return Min255(_mm_mulhi_epu16(_mm_slli_epi16(v, 8), gain2)); }

// Output channel j (0 red, 1 green, 2 blue) of the matrix, 0..255.
inline __m128i MatrixChannel(const EnhanceSse2Matrix& m, int j, __m128i r, __m128i g, __m128i b) {
  __m128i p = _mm_add_epi16(_mm_mullo_epi16(r, m.pos[0][j]), _mm_mullo_epi16(g, m.pos[1][j]));
  p = _mm_add_epi16(p, _mm_add_epi16(_mm_mullo_epi16(b, m.pos[2][j]), m.pos[3][j]));
  __m128i n = _mm_add_epi16(_mm_mullo_epi16(r, m.neg[0][j]), _mm_mullo_epi16(g, m.neg[1][j]));
  n = _mm_add_epi16(n, _mm_add_epi16(_mm_mullo_epi16(b, m.neg[2][j]), m.neg[3][j]));
  return Min255(_mm_subs_epu16(_mm_srli_epi16(p, 6), _mm_srli_epi16(n, 6)));
}

// ---- AVX2 ----

#define MEASURE_AVX2 __attribute__((target("avx2")))

struct EnhanceAvx2Matrix {
  __m256i gain2[3];
  __m256i magnitude[3][3];  // |c[k][j]|
  __m256i positive[3][3];   // all ones where c[k][j] > 0
  __m256i offsetPos[3];
  __m256i offsetAbs[3];
  __m256i offsetNeg[3];
  bool unitGains;
};

MEASURE_AVX2 inline void PrepareEnhanceAvx2(const EnhanceSettings& s, EnhanceAvx2Matrix& m) {
  m.unitGains = true;
  for (int c = 0; c < 3; ++c) {
    const int g = EnhanceLaneGain(s.gain[c]);
    m.gain2[c] = _mm256_set1_epi16(static_cast<short>(g * 2));
    if (g != 128) m.unitGains = false;
  }
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 3; ++j) {
      const int c = s.coef[k * 4 + j];
      m.magnitude[k][j] = _mm256_set1_epi16(static_cast<short>(c > 0 ? c : -c));
      m.positive[k][j] = _mm256_set1_epi16(static_cast<short>(c > 0 ? -1 : 0));
    }
  for (int j = 0; j < 3; ++j) {
    const int c = s.coef[12 + j];
    m.offsetPos[j] = _mm256_set1_epi16(static_cast<short>(c > 0 ? c : 0));
    m.offsetAbs[j] = _mm256_set1_epi16(static_cast<short>(c > 0 ? c : -c));
    m.offsetNeg[j] = _mm256_set1_epi16(static_cast<short>(c > 0 ? 0 : -c));
  }
}

MEASURE_AVX2 inline __m256i GainAvx2(__m256i v, __m256i gain2) {
  return _mm256_min_epu16(_mm256_mulhi_epu16(_mm256_slli_epi16(v, 8), gain2), _mm256_set1_epi16(255));
}

// Output channel j of the matrix from x = { r, g, b }, 0..255. Each product
// belongs to either the positive or the negative sum, so the negative sum is
// the total less the positive one (exact modulo 2^16, and both sums fit 16
// bits here). Diagonal: each output takes only its own input positively.
template <bool Diagonal>
MEASURE_AVX2 inline __m256i MatrixChannelAvx2(const EnhanceAvx2Matrix& m, int j, const __m256i x[3]) {
  if (Diagonal) {
    const int a = j == 0 ? 1 : 0, b = j == 2 ? 1 : 2;
    const __m256i pos = _mm256_add_epi16(_mm256_mullo_epi16(x[j], m.magnitude[j][j]), m.offsetPos[j]);
    const __m256i neg = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(x[a], m.magnitude[a][j]), _mm256_mullo_epi16(x[b], m.magnitude[b][j])),
        m.offsetNeg[j]);
    return _mm256_min_epu16(_mm256_subs_epu16(_mm256_srli_epi16(pos, 6), _mm256_srli_epi16(neg, 6)),
                            _mm256_set1_epi16(255));
  }
  const __m256i p0 = _mm256_mullo_epi16(x[0], m.magnitude[0][j]);
  const __m256i p1 = _mm256_mullo_epi16(x[1], m.magnitude[1][j]);
  const __m256i p2 = _mm256_mullo_epi16(x[2], m.magnitude[2][j]);
  const __m256i total = _mm256_add_epi16(_mm256_add_epi16(p0, p1), _mm256_add_epi16(p2, m.offsetAbs[j]));
  const __m256i pos =
      _mm256_add_epi16(_mm256_add_epi16(_mm256_and_si256(p0, m.positive[0][j]), _mm256_and_si256(p1, m.positive[1][j])),
                       _mm256_add_epi16(_mm256_and_si256(p2, m.positive[2][j]), m.offsetPos[j]));
  const __m256i neg = _mm256_sub_epi16(total, pos);
  return _mm256_min_epu16(_mm256_subs_epu16(_mm256_srli_epi16(pos, 6), _mm256_srli_epi16(neg, 6)),
                          _mm256_set1_epi16(255));
}

}  // namespace ZEvuvoro
