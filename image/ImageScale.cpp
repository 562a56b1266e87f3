#include "image/ImageScale.h"

#include <emmintrin.h>

#include <algorithm>
#include <climits>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace ZEvuvoro {

namespace {

std::array<int16_t, 513> BuildCubicWeights() {
  std::array<int16_t, 513> t{};
  for (int i = 0; i <= 512; ++i) {
    const double d = i / 256.0;
    const double k = d <= 1.0 ? d * d * d - 2 * d * d + 1 : -d * d * d + 5 * d * d - 8 * d + 4;
    t[i] = static_cast<int16_t>(k * 16384 + 0.5);
  }
  return t;
}

const std::array<int16_t, 513> g_cubicWeights = BuildCubicWeights();

inline const uint8_t* PixelAt(const PixelRegion& r, int64_t x, int64_t y) {
  return r.data + static_cast<ptrdiff_t>(y) * r.stride + static_cast<ptrdiff_t>(x) * 4;
}

inline uint8_t* RowOf(const PixelRegion& r, int y) { return r.data + static_cast<ptrdiff_t>(y) * r.stride; }

inline int Lerp8(int first, int second, int weight) { return (first * 256 + (second - first) * weight) >> 8; }

// Positions are 16.16 fixed point; 64-bit so that sides of 32768 and more work.
struct Steps {
  int64_t xstep, ystep, xstart, ystart;
};

Steps BilinearSteps(const PixelRegion& s, const PixelRegion& d) {
  return {((static_cast<int64_t>(s.width) << 16) - 65536) / d.width,
          ((static_cast<int64_t>(s.height) << 16) - 65536) / d.height, 0, 0};
}

Steps BicubicSteps(const PixelRegion& s, const PixelRegion& d) {
  Steps st;
  st.xstep = (static_cast<int64_t>(s.width) << 16) / d.width + 1;
  st.ystep = (static_cast<int64_t>(s.height) << 16) / d.height + 1;
  st.xstart = (st.xstep >> 1) - 32768;
  st.ystart = (st.ystep >> 1) - 32768;
  return st;
}

inline int16_t AddSat16(int a, int b) { return static_cast<int16_t>(std::clamp(a + b, -32768, 32767)); }

inline int Floor16(int a, int b) { return (a * b) >> 16; }

bool BilinearApplies(const PixelRegion& s, const PixelRegion& d) {
  return d.width > 0 && d.height > 0 && s.width >= 2 && s.height >= 2;
}

bool BicubicApplies(const PixelRegion& s, const PixelRegion& d) {
  return d.width > 0 && d.height > 0 && s.width > 0 && s.height > 0;
}

}  // namespace

const int16_t* CubicWeightTable() { return g_cubicWeights.data(); }

void ScaleBilinearScalar(const PixelRegion& s, const PixelRegion& d) {
  if (!BilinearApplies(s, d)) return;
  const Steps st = BilinearSteps(s, d);
  int64_t sy = 0;
  for (int j = 0; j < d.height; ++j, sy += st.ystep) {
    const int64_t y0 = sy >> 16;
    const int v = static_cast<int>((sy >> 8) & 255);
    uint8_t* out = RowOf(d, j);
    int64_t sx = 0;
    for (int i = 0; i < d.width; ++i, sx += st.xstep) {
      const int64_t x0 = sx >> 16;
      const int u = static_cast<int>((sx >> 8) & 255);
      const uint8_t* p0 = PixelAt(s, x0, y0);
      const uint8_t* p1 = PixelAt(s, x0, y0 + 1);
      for (int c = 0; c < 4; ++c) {
        const int a = Lerp8(p0[c], p0[c + 4], u);
        const int b = Lerp8(p1[c], p1[c + 4], u);
        out[i * 4 + c] = static_cast<uint8_t>(Lerp8(a, b, v));
      }
    }
  }
}

void ScaleBilinearSse2(const PixelRegion& s, const PixelRegion& d) {
  if (!BilinearApplies(s, d)) return;
  const Steps st = BilinearSteps(s, d);
  const __m128i zero = _mm_setzero_si128();
  int64_t sy = 0;
  for (int j = 0; j < d.height; ++j, sy += st.ystep) {
    const int64_t y0 = sy >> 16;
    const __m128i v = _mm_set1_epi16(static_cast<short>((sy >> 8) & 255));
    const uint8_t* top = PixelAt(s, 0, y0);
    const uint8_t* bottom = top + s.stride;
    uint8_t* out = RowOf(d, j);
    int64_t sx = 0;
    int i = 0;
    // Two target pixels per step: lanes 0-3 the first, 4-7 the second.
    for (; i < d.width; i += 2) {
      const int64_t xa = sx >> 16;
      const int ua = static_cast<int>((sx >> 8) & 255);
      sx += st.xstep;
      const bool pair = i + 1 < d.width;
      const int64_t xb = pair ? sx >> 16 : xa;
      const int ub = pair ? static_cast<int>((sx >> 8) & 255) : ua;
      sx += st.xstep;
      const __m128i u = _mm_setr_epi16(static_cast<short>(ua), static_cast<short>(ua), static_cast<short>(ua),
                                       static_cast<short>(ua), static_cast<short>(ub), static_cast<short>(ub),
                                       static_cast<short>(ub), static_cast<short>(ub));
      __m128i t0, t1, b0, b1;
      {
        // Each tap pair is 8 bytes: left pixel then right pixel.
        const __m128i ta = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + xa * 4));
        const __m128i tb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + xb * 4));
        const __m128i ba = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom + xa * 4));
        const __m128i bb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom + xb * 4));
        const __m128i tab = _mm_unpacklo_epi32(ta, tb);  // left a, left b, right a, right b
        const __m128i bab = _mm_unpacklo_epi32(ba, bb);
        t0 = _mm_unpacklo_epi8(tab, zero);
        t1 = _mm_unpackhi_epi8(tab, zero);
        b0 = _mm_unpacklo_epi8(bab, zero);
        b1 = _mm_unpackhi_epi8(bab, zero);
      }
      // Sums stay within 0..65280, so wrapping 16-bit lanes give them exactly.
      const __m128i a =
          _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(t0, 8), _mm_mullo_epi16(_mm_sub_epi16(t1, t0), u)), 8);
      const __m128i b =
          _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(b0, 8), _mm_mullo_epi16(_mm_sub_epi16(b1, b0), u)), 8);
      const __m128i r = _mm_srli_epi16(_mm_add_epi16(_mm_slli_epi16(a, 8), _mm_mullo_epi16(_mm_sub_epi16(b, a), v)), 8);
      const __m128i packed = _mm_packus_epi16(r, r);
      if (pair) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i * 4), packed);
      } else {
        const uint32_t px = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
        std::memcpy(out + i * 4, &px, 4);
      }
    }
  }
}

namespace {

// One target pixel from its 4 x 4 taps (rows of 4 pixels) with the given weights.
void CubicPixelScalar(const uint8_t* const taps[4], const int wc[4], const int wr[4], uint8_t* out) {
  for (int c = 0; c < 4; ++c) {
    int acc = 0;
    for (int r = 0; r < 4; ++r) {
      int t[4];
      for (int k = 0; k < 4; ++k) t[k] = Floor16(taps[r][k * 4 + c] * 128, wc[k]);
      const int s = AddSat16(AddSat16(t[0], t[1]), AddSat16(t[2], t[3]));
      acc = AddSat16(acc, Floor16(s, wr[r]));
    }
    out[c] = static_cast<uint8_t>(std::clamp(acc >> 3, 0, 255));
  }
}

inline void Weights(int f, int w[4]) {
  const int16_t* t = g_cubicWeights.data();
  w[0] = t[256 + f];
  w[1] = t[f];
  w[2] = t[256 - f];
  w[3] = t[512 - f];
}

// The 4 x 4 taps around (x0, y0) with positions clamped into the source; a tap
// outside the source keeps its edge pixel's colour with alpha 0.
void GatherClamped(const PixelRegion& s, int64_t x0, int64_t y0, uint8_t block[4][16]) {
  for (int r = 0; r < 4; ++r) {
    const int64_t y = y0 - 1 + r;
    const int64_t yc = std::clamp<int64_t>(y, 0, s.height - 1);
    for (int k = 0; k < 4; ++k) {
      const int64_t x = x0 - 1 + k;
      const int64_t xc = std::clamp<int64_t>(x, 0, s.width - 1);
      std::memcpy(block[r] + k * 4, PixelAt(s, xc, yc), 4);
      if (x != xc || y != yc) block[r][k * 4 + 3] = 0;
    }
  }
}

}  // namespace

void ScaleBicubicScalar(const PixelRegion& s, const PixelRegion& d) {
  if (!BicubicApplies(s, d)) return;
  const Steps st = BicubicSteps(s, d);
  int64_t sy = st.ystart;
  for (int j = 0; j < d.height; ++j, sy += st.ystep) {
    const int64_t y0 = sy >> 16;
    int wr[4];
    Weights(static_cast<int>((sy >> 8) & 255), wr);
    uint8_t* out = RowOf(d, j);
    int64_t sx = st.xstart;
    for (int i = 0; i < d.width; ++i, sx += st.xstep) {
      const int64_t x0 = sx >> 16;
      int wc[4];
      Weights(static_cast<int>((sx >> 8) & 255), wc);
      uint8_t block[4][16];
      GatherClamped(s, x0, y0, block);
      const uint8_t* taps[4] = {block[0], block[1], block[2], block[3]};
      CubicPixelScalar(taps, wc, wr, out + i * 4);
    }
  }
}

namespace {

// Target columns are done in strips so that the per-column weights and the
// horizontal results of four source rows live on the stack.
constexpr int kCubicStrip = 256;

struct CubicColumns {
  alignas(16) int16_t w12[kCubicStrip][8];  // weights of taps 1, 2, each over four lanes
  alignas(16) int16_t w34[kCubicStrip][8];
  int64_t x0[kCubicStrip];
};

// The row values (taps weighted and summed across, 5 fraction bits) of source
// row y for target columns i0 .. i0 + n - 1. A row outside the source reads
// the clamped row with every alpha 0.
void CubicRowSse2(const PixelRegion& s, int64_t y, int n, const CubicColumns& cols, int16_t* out) {
  const int64_t yc = std::clamp<int64_t>(y, 0, s.height - 1);
  const bool rowInside = y == yc;
  const uint8_t* row = PixelAt(s, 0, yc);
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaOff = _mm_set1_epi32(0x00FFFFFF);
  for (int i = 0; i < n; ++i) {
    const int64_t x0 = cols.x0[i];
    __m128i px;
    if (x0 >= 1 && x0 + 2 <= s.width - 1) {
      px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + (x0 - 1) * 4));
    } else {
      alignas(16) uint8_t taps[16];
      for (int k = 0; k < 4; ++k) {
        const int64_t x = x0 - 1 + k;
        const int64_t xc = std::clamp<int64_t>(x, 0, s.width - 1);
        std::memcpy(taps + k * 4, row + xc * 4, 4);
        if (x != xc) taps[k * 4 + 3] = 0;
      }
      px = _mm_load_si128(reinterpret_cast<const __m128i*>(taps));
    }
    if (!rowInside) px = _mm_and_si128(px, alphaOff);
    const __m128i t12 = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(px, zero), 7),
                                        _mm_load_si128(reinterpret_cast<const __m128i*>(cols.w12[i])));
    const __m128i t34 = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(px, zero), 7),
                                        _mm_load_si128(reinterpret_cast<const __m128i*>(cols.w34[i])));
    const __m128i pairs = _mm_adds_epi16(_mm_unpacklo_epi64(t12, t34), _mm_unpackhi_epi64(t12, t34));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i * 4), _mm_adds_epi16(pairs, _mm_srli_si128(pairs, 8)));
  }
}

}  // namespace

void ScaleBicubicSse2(const PixelRegion& s, const PixelRegion& d) {
  if (!BicubicApplies(s, d)) return;
  const Steps st = BicubicSteps(s, d);
  const int16_t* table = g_cubicWeights.data();
  CubicColumns cols;
  // Four source rows at a time, in slots chosen by row number modulo 4.
  alignas(16) int16_t rows[4][kCubicStrip * 4 + 8];
  for (int i0 = 0; i0 < d.width; i0 += kCubicStrip) {
    const int n = std::min(kCubicStrip, d.width - i0);
    int64_t sx = st.xstart + static_cast<int64_t>(i0) * st.xstep;
    for (int i = 0; i < n; ++i, sx += st.xstep) {
      const int u = static_cast<int>((sx >> 8) & 255);
      cols.x0[i] = sx >> 16;
      for (int l = 0; l < 4; ++l) {
        cols.w12[i][l] = table[256 + u];
        cols.w12[i][l + 4] = table[u];
        cols.w34[i][l] = table[256 - u];
        cols.w34[i][l + 4] = table[512 - u];
      }
    }
    int64_t slotRow[4] = {INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN};
    int64_t sy = st.ystart;
    for (int j = 0; j < d.height; ++j, sy += st.ystep) {
      const int64_t y0 = sy >> 16;
      const int v = static_cast<int>((sy >> 8) & 255);
      const int16_t* src[4];
      for (int r = 0; r < 4; ++r) {
        const int64_t y = y0 - 1 + r;
        const int slot = static_cast<int>(y & 3);
        if (slotRow[slot] != y) {
          CubicRowSse2(s, y, n, cols, rows[slot]);
          slotRow[slot] = y;
        }
        src[r] = rows[slot];
      }
      const __m128i wr[4] = {_mm_set1_epi16(table[256 + v]), _mm_set1_epi16(table[v]), _mm_set1_epi16(table[256 - v]),
                             _mm_set1_epi16(table[512 - v])};
      uint8_t* out = RowOf(d, j) + static_cast<ptrdiff_t>(i0) * 4;
      // Two target pixels a step; the rows carry 8 spare values for an odd last one.
      for (int i = 0; i < n; i += 2) {
        __m128i acc = _mm_setzero_si128();
        for (int r = 0; r < 4; ++r)
          acc = _mm_adds_epi16(
              acc, _mm_mulhi_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src[r] + i * 4)), wr[r]));
        const __m128i result = _mm_packus_epi16(_mm_srai_epi16(acc, 3), acc);
        if (i + 1 < n) {
          _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i * 4), result);
        } else {
          const uint32_t px = static_cast<uint32_t>(_mm_cvtsi128_si32(result));
          std::memcpy(out + i * 4, &px, 4);
        }
      }
    }
  }
}

}  // namespace ZEvuvoro

#include "image/Image.h"

namespace ZEvuvoro {

void CImage::ScaleTo(CImage* target, int mode) const {
  if (!target) return;
  if (m_nWidth < 0 || m_nHeight < 0 || target->m_nWidth < 0 || target->m_nHeight < 0) return;
  if (!m_pData || !target->m_pData) return;
  if (m_nWidth == target->m_nWidth && m_nHeight == target->m_nHeight) {
    if (target == this) return;
    for (int y = 0; y < m_nHeight; ++y)
      std::memcpy(target->m_pData + static_cast<ptrdiff_t>(y) * target->m_nStride,
                  m_pData + static_cast<ptrdiff_t>(y) * m_nStride, static_cast<size_t>(m_nWidth) * 4);
    return;
  }
  const PixelRegion source = {m_pData, m_nStride, m_nWidth, m_nHeight};
  const PixelRegion dest = {target->m_pData, target->m_nStride, target->m_nWidth, target->m_nHeight};
  if (mode == 0)
    ScaleBilinearSse2(source, dest);
  else
    ScaleBicubicSse2(source, dest);
}

}  // namespace ZEvuvoro
