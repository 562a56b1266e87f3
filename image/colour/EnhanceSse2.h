#pragma once
// The SSE2 gains and fixed-point colour matrix that the live enhancement and
// the Bayer decoding share: eight pixels a step, one 16-bit lane a value.
#include <emmintrin.h>

#include "EnhancePipeline.h"

namespace ZEvuvoro {

// Constants of one frame, broadcast once so the row loop only loads them.
struct EnhanceSse2Matrix
{
    __m128i gain2[3]; // 2 x gain (at most 65534) for the high-half multiply
    __m128i pos[4][3];
    __m128i neg[4][3];
    bool unitGains;
};

inline void PrepareEnhanceSse2(const EnhanceSettings& s, EnhanceSse2Matrix& m)
{
    m.unitGains = true;
    for (int c = 0; c < 3; ++c) {
        const int g = EnhanceLaneGain(s.gain[c]);
        m.gain2[c] = _mm_set1_epi16(static_cast<short>(g * 2));
        if (g != 128)
            m.unitGains = false;
    }
    for (int k = 0; k < 4; ++k) {
        for (int j = 0; j < 3; ++j) {
            const int c = s.coef[k * 4 + j];
            m.pos[k][j] = _mm_set1_epi16(static_cast<short>(c > 0 ? c : 0));
            m.neg[k][j] = _mm_set1_epi16(static_cast<short>(c > 0 ? 0 : -c));
        }
    }
}

inline __m128i Min255(__m128i v)
{
    return _mm_sub_epi16(v, _mm_subs_epu16(v, _mm_set1_epi16(255)));
}

inline __m128i GainSse2(__m128i v, __m128i gain2)
{
    return Min255(_mm_mulhi_epu16(_mm_slli_epi16(v, 8), gain2));
}

// Output channel j (0 red, 1 green, 2 blue) of the matrix, 0..255.
inline __m128i MatrixChannel(const EnhanceSse2Matrix& m, int j, __m128i r, __m128i g, __m128i b)
{
    __m128i p = _mm_add_epi16(_mm_mullo_epi16(r, m.pos[0][j]), _mm_mullo_epi16(g, m.pos[1][j]));
    p = _mm_add_epi16(p, _mm_add_epi16(_mm_mullo_epi16(b, m.pos[2][j]), m.pos[3][j]));
    __m128i n = _mm_add_epi16(_mm_mullo_epi16(r, m.neg[0][j]), _mm_mullo_epi16(g, m.neg[1][j]));
    n = _mm_add_epi16(n, _mm_add_epi16(_mm_mullo_epi16(b, m.neg[2][j]), m.neg[3][j]));
    return Min255(_mm_subs_epu16(_mm_srli_epi16(p, 6), _mm_srli_epi16(n, 6)));
}

} // namespace ZEvuvoro
