#include "EnhancePipeline.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace ZEvuvoro {

uint16_t EnhanceGain16(int gain)
{
    return static_cast<uint16_t>(std::clamp(gain, 0, 65535));
}

bool EnhanceMatrixFitsSixteenBits(const int16_t coef[16])
{
    for (int j = 0; j < 3; ++j) {
        int pos = 0;
        int neg = 0;
        for (int k = 0; k < 3; ++k) {
            const int c = coef[k * 4 + j];
            (c > 0 ? pos : neg) += (c > 0 ? c : -c) * 255;
        }
        const int offset = coef[12 + j];
        (offset > 0 ? pos : neg) += offset > 0 ? offset : -offset;
        if (pos > 65535 || neg > 65535)
            return false;
    }
    return true;
}

namespace {

inline int ApplyGain(int v, uint16_t gain)
{
    return std::min(255, (v * gain) >> 7);
}

void ColourPixelScalar(const uint8_t* p, uint8_t* out, const uint16_t gain[3], const int16_t* coef)
{
    const int x[3] = { ApplyGain(p[2], gain[0]), ApplyGain(p[1], gain[1]), ApplyGain(p[0], gain[2]) };
    int result[3];
    for (int j = 0; j < 3; ++j) {
        int pos = 0;
        int neg = 0;
        for (int k = 0; k < 3; ++k) {
            const int c = coef[k * 4 + j];
            if (c > 0)
                pos += c * x[k];
            else
                neg -= c * x[k];
        }
        const int offset = coef[12 + j];
        if (offset > 0)
            pos += offset;
        else
            neg -= offset;
        // Each sum is shifted on its own before the difference.
        const int pp = pos >> 6;
        const int nn = neg >> 6;
        result[j] = pp > nn ? std::min(255, pp - nn) : 0;
    }
    out[0] = static_cast<uint8_t>(result[2]);
    out[1] = static_cast<uint8_t>(result[1]);
    out[2] = static_cast<uint8_t>(result[0]);
    out[3] = 0;
}

void GreyPixelScalar(const uint8_t* p, uint8_t* out, const uint16_t gain[3])
{
    const int r = ApplyGain(p[2], gain[0]);
    const int g = ApplyGain(p[1], gain[1]);
    const int b = ApplyGain(p[0], gain[2]);
    const int y = ((150 * g) >> 8) + ((77 * r) >> 8) + ((29 * b) >> 8);
    out[0] = out[1] = out[2] = static_cast<uint8_t>(y);
    out[3] = 0;
}

void GammaRow(uint8_t* row, int bytes, const uint8_t* table)
{
    for (int i = 0; i < bytes; ++i)
        row[i] = table[row[i]];
}

// Constants of one frame, broadcast once so the row loop only loads them.
struct Sse2Frame
{
    __m128i gain2[3]; // 2 x gain (at most 65534) for the high-half multiply
    __m128i pos[4][3];
    __m128i neg[4][3];
    bool unitGains;
};

void PrepareSse2(const EnhanceSettings& s, Sse2Frame& f)
{
    f.unitGains = true;
    for (int c = 0; c < 3; ++c) {
        // Any gain from 32640 up saturates every non-zero value, so capping it keeps the results.
        const int g = std::min<int>(EnhanceGain16(s.gain[c]), 32767);
        f.gain2[c] = _mm_set1_epi16(static_cast<short>(g * 2));
        if (g != 128)
            f.unitGains = false;
    }
    for (int k = 0; k < 4; ++k) {
        for (int j = 0; j < 3; ++j) {
            const int c = s.coef[k * 4 + j];
            f.pos[k][j] = _mm_set1_epi16(static_cast<short>(c > 0 ? c : 0));
            f.neg[k][j] = _mm_set1_epi16(static_cast<short>(c > 0 ? 0 : -c));
        }
    }
}

inline __m128i Min255(__m128i v)
{
    return _mm_sub_epi16(v, _mm_subs_epu16(v, _mm_set1_epi16(255)));
}

// Eight B, G, R, A pixels as three vectors of eight 16-bit values.
inline void Unpack8(const uint8_t* p, __m128i& b, __m128i& g, __m128i& r)
{
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i ff = _mm_set1_epi32(0xFF);
    b = _mm_packs_epi32(_mm_and_si128(lo, ff), _mm_and_si128(hi, ff));
    g = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 8), ff), _mm_and_si128(_mm_srli_epi32(hi, 8), ff));
    r = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 16), ff), _mm_and_si128(_mm_srli_epi32(hi, 16), ff));
}

// Values 0..255 back to eight pixels with alpha 0.
inline void Pack8(uint8_t* p, __m128i b, __m128i g, __m128i r)
{
    const __m128i bg = _mm_or_si128(b, _mm_slli_epi16(g, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_unpacklo_epi16(bg, r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), _mm_unpackhi_epi16(bg, r));
}

inline __m128i GainSse2(__m128i v, __m128i gain2)
{
    return Min255(_mm_mulhi_epu16(_mm_slli_epi16(v, 8), gain2));
}

inline void GainsSse2(const Sse2Frame& f, __m128i& b, __m128i& g, __m128i& r)
{
    if (f.unitGains)
        return;
    r = GainSse2(r, f.gain2[0]);
    g = GainSse2(g, f.gain2[1]);
    b = GainSse2(b, f.gain2[2]);
}

inline __m128i MatrixChannel(const Sse2Frame& f, int j, __m128i r, __m128i g, __m128i b)
{
    __m128i p = _mm_add_epi16(_mm_mullo_epi16(r, f.pos[0][j]), _mm_mullo_epi16(g, f.pos[1][j]));
    p = _mm_add_epi16(p, _mm_add_epi16(_mm_mullo_epi16(b, f.pos[2][j]), f.pos[3][j]));
    __m128i n = _mm_add_epi16(_mm_mullo_epi16(r, f.neg[0][j]), _mm_mullo_epi16(g, f.neg[1][j]));
    n = _mm_add_epi16(n, _mm_add_epi16(_mm_mullo_epi16(b, f.neg[2][j]), f.neg[3][j]));
    return Min255(_mm_subs_epu16(_mm_srli_epi16(p, 6), _mm_srli_epi16(n, 6)));
}

inline void ColourGroupSse2(const uint8_t* s, uint8_t* d, const Sse2Frame& f)
{
    __m128i b, g, r;
    Unpack8(s, b, g, r);
    GainsSse2(f, b, g, r);
    const __m128i outR = MatrixChannel(f, 0, r, g, b);
    const __m128i outG = MatrixChannel(f, 1, r, g, b);
    const __m128i outB = MatrixChannel(f, 2, r, g, b);
    Pack8(d, outB, outG, outR);
}

inline void GreyGroupSse2(const uint8_t* s, uint8_t* d, const Sse2Frame& f)
{
    __m128i b, g, r;
    Unpack8(s, b, g, r);
    GainsSse2(f, b, g, r);
    const __m128i y = _mm_add_epi16(
        _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(g, _mm_set1_epi16(150)), 8),
                      _mm_srli_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(77)), 8)),
        _mm_srli_epi16(_mm_mullo_epi16(b, _mm_set1_epi16(29)), 8));
    Pack8(d, y, y, y);
}

template <void (*Group)(const uint8_t*, uint8_t*, const Sse2Frame&)>
void RowSse2(const uint8_t* s, uint8_t* d, int width, const Sse2Frame& f)
{
    int x = 0;
    for (; x + 8 <= width; x += 8)
        Group(s + x * 4, d + x * 4, f);
    if (x < width) {
        // The last few pixels go through a whole group of their own so nothing
        // past the row's width is read or written.
        alignas(16) uint8_t in[32] = {};
        alignas(16) uint8_t out[32];
        const size_t bytes = static_cast<size_t>(width - x) * 4;
        std::memcpy(in, s + x * 4, bytes);
        Group(in, out, f);
        std::memcpy(d + x * 4, out, bytes);
    }
}

} // namespace

void EnhanceFrameScalar(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride,
                        int width, int height, const EnhanceSettings& s)
{
    const uint16_t gain[3] = { EnhanceGain16(s.gain[0]), EnhanceGain16(s.gain[1]), EnhanceGain16(s.gain[2]) };
    for (int y = 0; y < height; ++y) {
        const uint8_t* sr = src + static_cast<ptrdiff_t>(y) * srcStride;
        uint8_t* dr = dst + static_cast<ptrdiff_t>(y) * dstStride;
        for (int x = 0; x < width; ++x) {
            if (s.colourful == 0)
                GreyPixelScalar(sr + x * 4, dr + x * 4, gain);
            else
                ColourPixelScalar(sr + x * 4, dr + x * 4, gain, s.coef);
        }
        if (s.colourful != 0 && s.gammaTable)
            GammaRow(dr, width * 4, s.gammaTable);
    }
}

void EnhanceFrameSse2(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride,
                      int width, int height, const EnhanceSettings& s)
{
    if (s.colourful != 0 && !EnhanceMatrixFitsSixteenBits(s.coef)) {
        // Settings near their limits need wider sums than the 16-bit lanes hold.
        EnhanceFrameScalar(src, srcStride, dst, dstStride, width, height, s);
        return;
    }
    Sse2Frame f;
    PrepareSse2(s, f);
    for (int y = 0; y < height; ++y) {
        const uint8_t* sr = src + static_cast<ptrdiff_t>(y) * srcStride;
        uint8_t* dr = dst + static_cast<ptrdiff_t>(y) * dstStride;
        if (s.colourful == 0) {
            RowSse2<GreyGroupSse2>(sr, dr, width, f);
        } else {
            RowSse2<ColourGroupSse2>(sr, dr, width, f);
            if (s.gammaTable)
                GammaRow(dr, width * 4, s.gammaTable);
        }
    }
}

void EnhanceFrame(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride,
                  int width, int height, const EnhanceSettings& s)
{
    EnhanceFrameSse2(src, srcStride, dst, dstStride, width, height, s);
}

} // namespace ZEvuvoro
