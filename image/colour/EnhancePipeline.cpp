#include "image/colour/EnhancePipeline.h"
#include "image/colour/EnhanceLanes.h"

#include <emmintrin.h>
#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace ZEvuvoro {

uint16_t EnhanceGain16(int gain) { return static_cast<uint16_t>(std::clamp(gain, 0, 65535)); }

void BuildGammaPairs(const uint8_t table[256], uint16_t pairs[65536]) {
  for (int g = 0; g < 256; ++g)
    for (int b = 0; b < 256; ++b) pairs[g << 8 | b] = static_cast<uint16_t>(table[g] << 8 | table[b]);
}

int EnhanceLaneGain(int gain) { return std::min<int>(EnhanceGain16(gain), 32767); }

bool EnhanceMatrixIsDiagonal(const int16_t coef[16]) {
  for (int k = 0; k < 3; ++k)
    for (int j = 0; j < 3; ++j)
      if ((coef[k * 4 + j] > 0) != (k == j)) return false;
  return true;
}

bool EnhanceMatrixFitsSixteenBits(const int16_t coef[16]) {
  for (int j = 0; j < 3; ++j) {
    int pos = 0;
    int neg = 0;
    for (int k = 0; k < 3; ++k) {
      const int c = coef[k * 4 + j];
      (c > 0 ? pos : neg) += (c > 0 ? c : -c) * 255;
    }
    const int offset = coef[12 + j];
    (offset > 0 ? pos : neg) += offset > 0 ? offset : -offset;
    if (pos > 65535 || neg > 65535) return false;
  }
  return true;
}

namespace {

inline int ApplyGain(int v, uint16_t gain) { return std::min(255, (v * gain) >> 7); }

void ColourPixelScalar(const uint8_t* p, uint8_t* out, const uint16_t gain[3], const int16_t* coef) {
  const int x[3] = {ApplyGain(p[2], gain[0]), ApplyGain(p[1], gain[1]), ApplyGain(p[0], gain[2])};
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

void GreyPixelScalar(const uint8_t* p, uint8_t* out, const uint16_t gain[3]) {
  const int r = ApplyGain(p[2], gain[0]);
  const int g = ApplyGain(p[1], gain[1]);
  const int b = ApplyGain(p[0], gain[2]);
  const int y = ((150 * g) >> 8) + ((77 * r) >> 8) + ((29 * b) >> 8);
  out[0] = out[1] = out[2] = static_cast<uint8_t>(y);
  out[3] = 0;
}

__attribute__((noinline)) void GammaRowPairs(uint8_t* row, int width, const uint8_t* table, const uint16_t* pairs) {
  for (int x = 0; x < width; ++x) {
    uint32_t p;
    std::memcpy(&p, row + x * 4, 4);
    p = pairs[p & 0xFFFF] | (static_cast<uint32_t>(table[(p >> 16) & 0xFF]) << 16) |
        (static_cast<uint32_t>(table[p >> 24]) << 24);
    std::memcpy(row + x * 4, &p, 4);
  }
}

__attribute__((noinline)) void GammaRow(uint8_t* row, int width, const uint8_t* table) {
  // A pixel at a time: every table maps 0 to 0, so the alpha byte 0 stays.
  for (int x = 0; x < width; ++x) {
    uint32_t p;
    std::memcpy(&p, row + x * 4, 4);
    p = table[p & 0xFF] | (static_cast<uint32_t>(table[(p >> 8) & 0xFF]) << 8) |
        (static_cast<uint32_t>(table[(p >> 16) & 0xFF]) << 16) | (static_cast<uint32_t>(table[p >> 24]) << 24);
    std::memcpy(row + x * 4, &p, 4);
  }
}

// Eight B, G, R, A pixels as three vectors of eight 16-bit values.
inline void Unpack8(const uint8_t* p, __m128i& b, __m128i& g, __m128i& r) {
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  const __m128i ff = _mm_set1_epi32(0xFF);
  b = _mm_packs_epi32(_mm_and_si128(lo, ff), _mm_and_si128(hi, ff));
  g = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 8), ff), _mm_and_si128(_mm_srli_epi32(hi, 8), ff));
  r = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 16), ff), _mm_and_si128(_mm_srli_epi32(hi, 16), ff));
}

// Values 0..255 back to eight pixels with alpha 0.
inline void Pack8(uint8_t* p, __m128i b, __m128i g, __m128i r) {
  const __m128i bg = _mm_or_si128(b, _mm_slli_epi16(g, 8));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_unpacklo_epi16(bg, r));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), _mm_unpackhi_epi16(bg, r));
}

inline void GainsSse2(const EnhanceSse2Matrix& f, __m128i& b, __m128i& g, __m128i& r) {
  if (f.unitGains) return;
  r = GainSse2(r, f.gain2[0]);
  g = GainSse2(g, f.gain2[1]);
  b = GainSse2(b, f.gain2[2]);
}

inline void ColourGroupSse2(const uint8_t* s, uint8_t* d, const EnhanceSse2Matrix& f) {
  __m128i b, g, r;
  Unpack8(s, b, g, r);
  GainsSse2(f, b, g, r);
  const __m128i outR = MatrixChannel(f, 0, r, g, b);
  const __m128i outG = MatrixChannel(f, 1, r, g, b);
  const __m128i outB = MatrixChannel(f, 2, r, g, b);
  Pack8(d, outB, outG, outR);
}

inline void GreyGroupSse2(const uint8_t* s, uint8_t* d, const EnhanceSse2Matrix& f) {
  __m128i b, g, r;
  Unpack8(s, b, g, r);
  GainsSse2(f, b, g, r);
  const __m128i y = _mm_add_epi16(_mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(g, _mm_set1_epi16(150)), 8),
                                                _mm_srli_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(77)), 8)),
                                  _mm_srli_epi16(_mm_mullo_epi16(b, _mm_set1_epi16(29)), 8));
  Pack8(d, y, y, y);
}

template <void (*Group)(const uint8_t*, uint8_t*, const EnhanceSse2Matrix&)>
void RowSse2(const uint8_t* s, uint8_t* d, int width, const EnhanceSse2Matrix& f) {
  int x = 0;
  for (; x + 8 <= width; x += 8) Group(s + x * 4, d + x * 4, f);
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

// ---- AVX2: sixteen pixels a step ----

MEASURE_AVX2 inline void Unpack16(const uint8_t* p, __m256i& b, __m256i& g, __m256i& r) {
  // The in-lane packs reorder the pixels; Pack16's in-lane unpacks undo it.
  const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
  const __m256i ff = _mm256_set1_epi32(0xFF);
  b = _mm256_packs_epi32(_mm256_and_si256(lo, ff), _mm256_and_si256(hi, ff));
  g = _mm256_packs_epi32(_mm256_and_si256(_mm256_srli_epi32(lo, 8), ff),
                         _mm256_and_si256(_mm256_srli_epi32(hi, 8), ff));
  r = _mm256_packs_epi32(_mm256_and_si256(_mm256_srli_epi32(lo, 16), ff),
                         _mm256_and_si256(_mm256_srli_epi32(hi, 16), ff));
}

MEASURE_AVX2 inline void Pack16(uint8_t* p, __m256i b, __m256i g, __m256i r) {
  const __m256i bg = _mm256_or_si256(b, _mm256_slli_epi16(g, 8));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_unpacklo_epi16(bg, r));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 32), _mm256_unpackhi_epi16(bg, r));
}

MEASURE_AVX2 inline void GainsAvx2(const EnhanceAvx2Matrix& f, __m256i& b, __m256i& g, __m256i& r) {
  if (f.unitGains) return;
  r = GainAvx2(r, f.gain2[0]);
  g = GainAvx2(g, f.gain2[1]);
  b = GainAvx2(b, f.gain2[2]);
}

template <bool Diagonal>
MEASURE_AVX2 inline void ColourGroupAvx2(const uint8_t* s, uint8_t* d, const EnhanceAvx2Matrix& f) {
  __m256i b, g, r;
  Unpack16(s, b, g, r);
  GainsAvx2(f, b, g, r);
  const __m256i x[3] = {r, g, b};
  const __m256i outR = MatrixChannelAvx2<Diagonal>(f, 0, x);
  const __m256i outG = MatrixChannelAvx2<Diagonal>(f, 1, x);
  const __m256i outB = MatrixChannelAvx2<Diagonal>(f, 2, x);
  Pack16(d, outB, outG, outR);
}

MEASURE_AVX2 inline void GreyGroupAvx2(const uint8_t* s, uint8_t* d, const EnhanceAvx2Matrix& f) {
  __m256i b, g, r;
  Unpack16(s, b, g, r);
  GainsAvx2(f, b, g, r);
  const __m256i y =
      _mm256_add_epi16(_mm256_add_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(g, _mm256_set1_epi16(150)), 8),
                                        _mm256_srli_epi16(_mm256_mullo_epi16(r, _mm256_set1_epi16(77)), 8)),
                       _mm256_srli_epi16(_mm256_mullo_epi16(b, _mm256_set1_epi16(29)), 8));
  Pack16(d, y, y, y);
}

// The colour pipeline followed by the gamma table, looked up while the
// pixels are still in the cache line they were just written to.
template <bool Diagonal>
MEASURE_AVX2 inline void GammaGroupAvx2(const uint8_t* s, uint8_t* d, const EnhanceAvx2Matrix& f, const uint8_t* table,
                                        const uint16_t* pairs) {
  __m256i b, g, r;
  Unpack16(s, b, g, r);
  GainsAvx2(f, b, g, r);
  const __m256i x[3] = {r, g, b};
  const __m256i outR = MatrixChannelAvx2<Diagonal>(f, 0, x);
  const __m256i outG = MatrixChannelAvx2<Diagonal>(f, 1, x);
  const __m256i outB = MatrixChannelAvx2<Diagonal>(f, 2, x);
  alignas(32) uint32_t px[16];
  Pack16(reinterpret_cast<uint8_t*>(px), outB, outG, outR);
  // Alpha is 0 here and every table maps 0 to 0.
  for (int i = 0; i < 16; ++i) px[i] = pairs[px[i] & 0xFFFF] | (static_cast<uint32_t>(table[px[i] >> 16]) << 16);
  __builtin_memcpy(d, px, sizeof(px));
}

template <bool Grey, bool Diagonal>
MEASURE_AVX2 void RowAvx2(const uint8_t* s, uint8_t* d, int width, const EnhanceAvx2Matrix& f) {
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    if (Grey)
      GreyGroupAvx2(s + x * 4, d + x * 4, f);
    else
      ColourGroupAvx2<Diagonal>(s + x * 4, d + x * 4, f);
  }
  if (x < width) {
    alignas(32) uint8_t in[64];
    alignas(32) uint8_t out[64];
    const int bytes = (width - x) * 4;
    for (int i = 0; i < 64; ++i) in[i] = i < bytes ? s[x * 4 + i] : 0;
    if (Grey)
      GreyGroupAvx2(in, out, f);
    else
      ColourGroupAvx2<Diagonal>(in, out, f);
    for (int i = 0; i < bytes; ++i) d[x * 4 + i] = out[i];
  }
}

template <bool Diagonal>
MEASURE_AVX2 void FrameAvx2(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                            const EnhanceSettings& s, const EnhanceAvx2Matrix& f) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* sr = src + static_cast<ptrdiff_t>(y) * srcStride;
    uint8_t* dr = dst + static_cast<ptrdiff_t>(y) * dstStride;
    if (s.colourful == 0) {
      RowAvx2<true, Diagonal>(sr, dr, width, f);
    } else if (!s.gammaTable) {
      RowAvx2<false, Diagonal>(sr, dr, width, f);
    } else {
      int x = 0;
      if (s.gammaPairs)
        for (; x + 16 <= width; x += 16)
          GammaGroupAvx2<Diagonal>(sr + x * 4, dr + x * 4, f, s.gammaTable, s.gammaPairs);
      if (x < width) {
        RowAvx2<false, Diagonal>(sr + x * 4, dr + x * 4, width - x, f);
        GammaRow(dr + x * 4, width - x, s.gammaTable);
      }
    }
  }
  _mm256_zeroupper();
}

using FrameFn = void (*)(const uint8_t*, int, uint8_t*, int, int, int, const EnhanceSettings&);

// Chosen once, at start.
const FrameFn g_frameVariant = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? static_cast<FrameFn>(EnhanceFrameAvx2)
                                        : static_cast<FrameFn>(EnhanceFrameSse2);
}();

}  // namespace

void EnhanceFrameScalar(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                        const EnhanceSettings& s) {
  const uint16_t gain[3] = {EnhanceGain16(s.gain[0]), EnhanceGain16(s.gain[1]), EnhanceGain16(s.gain[2])};
  for (int y = 0; y < height; ++y) {
    const uint8_t* sr = src + static_cast<ptrdiff_t>(y) * srcStride;
    uint8_t* dr = dst + static_cast<ptrdiff_t>(y) * dstStride;
    for (int x = 0; x < width; ++x) {
      if (s.colourful == 0)
        GreyPixelScalar(sr + x * 4, dr + x * 4, gain);
      else
        ColourPixelScalar(sr + x * 4, dr + x * 4, gain, s.coef);
    }
    if (s.colourful != 0 && s.gammaTable) GammaRow(dr, width, s.gammaTable);
  }
}

void EnhanceFrameSse2(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                      const EnhanceSettings& s) {
  if (s.colourful != 0 && !EnhanceMatrixFitsSixteenBits(s.coef)) {
    // Settings near their limits need wider sums than the 16-bit lanes hold.
    EnhanceFrameScalar(src, srcStride, dst, dstStride, width, height, s);
    return;
  }
  EnhanceSse2Matrix f;
  PrepareEnhanceSse2(s, f);
  for (int y = 0; y < height; ++y) {
    const uint8_t* sr = src + static_cast<ptrdiff_t>(y) * srcStride;
    uint8_t* dr = dst + static_cast<ptrdiff_t>(y) * dstStride;
    if (s.colourful == 0) {
      RowSse2<GreyGroupSse2>(sr, dr, width, f);
    } else {
      RowSse2<ColourGroupSse2>(sr, dr, width, f);
      if (s.gammaTable && s.gammaPairs)
        GammaRowPairs(dr, width, s.gammaTable, s.gammaPairs);
      else if (s.gammaTable)
        GammaRow(dr, width, s.gammaTable);
    }
  }
}

void EnhanceFrameAvx2(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                      const EnhanceSettings& s) {
  if (s.colourful != 0 && !EnhanceMatrixFitsSixteenBits(s.coef)) {
    EnhanceFrameScalar(src, srcStride, dst, dstStride, width, height, s);
    return;
  }
  EnhanceAvx2Matrix f;
  PrepareEnhanceAvx2(s, f);
  if (EnhanceMatrixIsDiagonal(s.coef))
    FrameAvx2<true>(src, srcStride, dst, dstStride, width, height, s, f);
  else
    FrameAvx2<false>(src, srcStride, dst, dstStride, width, height, s, f);
}

bool EnhanceHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

void EnhanceFrame(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                  const EnhanceSettings& s) {
  g_frameVariant(src, srcStride, dst, dstStride, width, height, s);
}

}  // namespace ZEvuvoro
