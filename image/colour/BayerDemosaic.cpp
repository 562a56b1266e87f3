#include "image/colour/BayerDemosaic.h"

#include <emmintrin.h>
#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "image/colour/EnhancePipeline.h"
#include "image/colour/EnhanceLanes.h"

namespace ZEvuvoro {

namespace {

constexpr int kRed = 0, kGreen = 1, kBlue = 2;

const int kSites[4][2][2] = {
    {{kGreen, kRed}, {kBlue, kGreen}},
    {{kBlue, kGreen}, {kGreen, kRed}},
    {{kRed, kGreen}, {kGreen, kBlue}},
    {{kGreen, kBlue}, {kRed, kGreen}},
};

inline int NormalType(int type) { return type >= 0 && type <= 2 ? type : 3; }

inline int Eighths(int sum) { return std::min(255, (std::max(0, sum) + 4) >> 3); }

inline int Sixteenths(int sum) { return std::min(255, (std::max(0, sum) + 8) >> 4); }

// The three colours of site (r, c), before gains and matrix.
void InterpolateScalar(const BayerJob& job, int type, int r, int c, int rgb[3]) {
  const ptrdiff_t st = job.sourceStride;
  const uint8_t* p = job.source + r * st + c;
  auto s = [&](int dr, int dc) { return static_cast<int>(p[dr * st + dc]); };
  const int C = s(0, 0);
  const int ns = s(-1, 0) + s(1, 0);
  const int we = s(0, -1) + s(0, 1);
  const int nnss = s(-2, 0) + s(2, 0);
  const int wwee = s(0, -2) + s(0, 2);
  const int diag = s(-1, -1) + s(-1, 1) + s(1, -1) + s(1, 1);
  const int colour = kSites[type][r & 1][c & 1];
  rgb[colour] = C;
  if (colour == kGreen) {
    const int across = kSites[type][r & 1][(c + 1) & 1];
    const int down = kSites[type][(r + 1) & 1][c & 1];
    rgb[across] = Sixteenths(10 * C + 8 * we + nnss - 2 * wwee - 2 * diag);
    rgb[down] = Sixteenths(10 * C + 8 * ns + wwee - 2 * nnss - 2 * diag);
  } else {
    rgb[kGreen] = Eighths(4 * C + 2 * (ns + we) - (nnss + wwee));
    rgb[2 - colour] = Sixteenths(12 * C + 4 * diag - 3 * (nnss + wwee));
  }
}

void Coefficients16(const BayerJob& job, EnhanceSettings& s) {
  for (int i = 0; i < 16; ++i)
    s.coef[i] = static_cast<int16_t>(std::clamp<int32_t>(job.coefficients[i], -32768, 32767));
  s.gain[0] = job.redGain;
  s.gain[1] = job.greenGain;
  s.gain[2] = job.blueGain;
  s.gammaTable = nullptr;
  s.gammaPairs = nullptr;
  s.colourful = 1;
}

bool CoefficientsFit16(const BayerJob& job) {
  for (int i = 0; i < 16; ++i)
    if (job.coefficients[i] < -32768 || job.coefficients[i] > 32767) return false;
  EnhanceSettings s;
  Coefficients16(job, s);
  return EnhanceMatrixFitsSixteenBits(s.coef);
}

// Gains and matrix of one pixel, exact in wide arithmetic.
void FinishPixelScalar(const BayerJob& job, const int rgb[3], uint8_t* out) {
  const int gains[3] = {EnhanceGain16(job.redGain), EnhanceGain16(job.greenGain), EnhanceGain16(job.blueGain)};
  int x[3];
  for (int k = 0; k < 3; ++k) x[k] = std::min(255, (rgb[k] * gains[k]) >> 7);
  int result[3];
  for (int j = 0; j < 3; ++j) {
    int64_t pos = 0, neg = 0;
    for (int k = 0; k < 4; ++k) {
      const int64_t c = job.coefficients[k * 4 + j];
      const int64_t v = k < 3 ? x[k] : 1;
      if (c > 0)
        pos += c * v;
      else
        neg -= c * v;
    }
    const int64_t pp = pos >> 6, nn = neg >> 6;
    result[j] = pp > nn ? static_cast<int>(std::min<int64_t>(255, pp - nn)) : 0;
  }
  out[0] = static_cast<uint8_t>(result[2]);
  out[1] = static_cast<uint8_t>(result[1]);
  out[2] = static_cast<uint8_t>(result[0]);
  out[3] = 255;
}

// ---- SSE2: each 16-sample block as its 8 even and 8 odd columns ----

struct Half {
  __m128i C, ns, we, nnss, wwee, diag;
};

inline __m128i Even(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(0x00FF)); }

inline __m128i Odd(__m128i v) { return _mm_srli_epi16(v, 8); }

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Neighbourhoods of the even and odd columns of the block starting at p (column c).
void Neighbourhoods(const uint8_t* p, ptrdiff_t st, Half& even, Half& odd) {
  // Row 0: samples from c - 2 to c + 17.
  const __m128i a0 = Load(p - 2), b0 = Load(p), c0 = Load(p + 2);
  const __m128i a0o = Odd(a0), b0e = Even(b0), b0o = Odd(b0), c0e = Even(c0);
  even.C = b0e;
  odd.C = b0o;
  even.we = _mm_add_epi16(a0o, b0o);
  odd.we = _mm_add_epi16(b0e, c0e);
  even.wwee = _mm_add_epi16(Even(a0), c0e);
  odd.wwee = _mm_add_epi16(a0o, Odd(c0));

  // Rows -1 and +1: centre and the two diagonal neighbours.
  const __m128i an = Load(p - st - 2), bn = Load(p - st), cn = Load(p - st + 2);
  const __m128i as = Load(p + st - 2), bs = Load(p + st), cs = Load(p + st + 2);
  const __m128i bne = Even(bn), bno = Odd(bn), bse = Even(bs), bso = Odd(bs);
  even.ns = _mm_add_epi16(bne, bse);
  odd.ns = _mm_add_epi16(bno, bso);
  even.diag = _mm_add_epi16(_mm_add_epi16(Odd(an), bno), _mm_add_epi16(Odd(as), bso));
  odd.diag = _mm_add_epi16(_mm_add_epi16(bne, Even(cn)), _mm_add_epi16(bse, Even(cs)));

  // Rows -2 and +2: centre only.
  const __m128i bnn = Load(p - 2 * st), bss = Load(p + 2 * st);
  even.nnss = _mm_add_epi16(Even(bnn), Even(bss));
  odd.nnss = _mm_add_epi16(Odd(bnn), Odd(bss));
}

inline __m128i Round(__m128i sum, int shift) {
  const __m128i half = _mm_set1_epi16(static_cast<short>(1 << (shift - 1)));
  const __m128i v = _mm_srai_epi16(_mm_add_epi16(_mm_max_epi16(sum, _mm_setzero_si128()), half), shift);
  return _mm_min_epi16(v, _mm_set1_epi16(255));
}

inline __m128i Times(__m128i v, int k) { return _mm_mullo_epi16(v, _mm_set1_epi16(static_cast<short>(k))); }

// Red, green, blue of one half whose sites have the given colour; across and
// down name the colours of the horizontal and vertical neighbours.
void InterpolateHalf(const Half& h, int colour, int across, int down, __m128i rgb[3]) {
  rgb[colour] = h.C;
  if (colour == kGreen) {
    const __m128i shared = _mm_sub_epi16(Times(h.C, 10), _mm_slli_epi16(h.diag, 1));
    rgb[across] = Round(
        _mm_add_epi16(_mm_add_epi16(shared, _mm_slli_epi16(h.we, 3)), _mm_sub_epi16(h.nnss, _mm_slli_epi16(h.wwee, 1))),
        4);
    rgb[down] = Round(
        _mm_add_epi16(_mm_add_epi16(shared, _mm_slli_epi16(h.ns, 3)), _mm_sub_epi16(h.wwee, _mm_slli_epi16(h.nnss, 1))),
        4);
  } else {
    const __m128i outer = _mm_add_epi16(h.nnss, h.wwee);
    rgb[kGreen] = Round(
        _mm_sub_epi16(_mm_add_epi16(_mm_slli_epi16(h.C, 2), _mm_slli_epi16(_mm_add_epi16(h.ns, h.we), 1)), outer), 3);
    rgb[2 - colour] =
        Round(_mm_sub_epi16(_mm_add_epi16(Times(h.C, 12), _mm_slli_epi16(h.diag, 2)), Times(outer, 3)), 4);
  }
}

struct RowKinds {
  int colour[2], across[2], down[2];
};

RowKinds KindsOfRow(int type, int r) {
  RowKinds k;
  for (int q = 0; q < 2; ++q) {
    k.colour[q] = kSites[type][r & 1][q];
    k.across[q] = kSites[type][r & 1][q ^ 1];
    k.down[q] = kSites[type][(r + 1) & 1][q];
  }
  return k;
}

void PrepareMatrix(const BayerJob& job, EnhanceSse2Matrix& m) {
  EnhanceSettings s;
  Coefficients16(job, s);
  PrepareEnhanceSse2(s, m);
}

// Gains and matrix of eight pixels, then packed with alpha 255.
void FinishHalf(const EnhanceSse2Matrix& m, __m128i rgb[3], __m128i& lo, __m128i& hi) {
  if (!m.unitGains)
    for (int c = 0; c < 3; ++c) rgb[c] = GainSse2(rgb[c], m.gain2[c]);
  __m128i out[3];
  for (int j = 0; j < 3; ++j) out[j] = MatrixChannel(m, j, rgb[0], rgb[1], rgb[2]);
  const __m128i bg = _mm_or_si128(out[2], _mm_slli_epi16(out[1], 8));
  const __m128i ra = _mm_or_si128(out[0], _mm_set1_epi16(static_cast<short>(0xFF00)));
  lo = _mm_unpacklo_epi16(bg, ra);
  hi = _mm_unpackhi_epi16(bg, ra);
}

// Sixteen output pixels from column c (fewer at the end of the row).
void Block16Sse2(const uint8_t* row, ptrdiff_t st, int c, int width, const RowKinds& kinds, const EnhanceSse2Matrix& m,
                 uint8_t* out) {
  Half even, odd;
  Neighbourhoods(row + c, st, even, odd);
  __m128i rgbE[3], rgbO[3];
  InterpolateHalf(even, kinds.colour[0], kinds.across[0], kinds.down[0], rgbE);
  InterpolateHalf(odd, kinds.colour[1], kinds.across[1], kinds.down[1], rgbO);
  __m128i eLo, eHi, oLo, oHi;
  FinishHalf(m, rgbE, eLo, eHi);
  FinishHalf(m, rgbO, oLo, oHi);
  alignas(16) uint8_t block[64];
  const bool whole = c + 16 <= width;
  uint8_t* target = whole ? out + c * 4 : block;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm_unpacklo_epi32(eLo, oLo));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 16), _mm_unpackhi_epi32(eLo, oLo));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 32), _mm_unpacklo_epi32(eHi, oHi));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 48), _mm_unpackhi_epi32(eHi, oHi));
  if (!whole) std::memcpy(out + c * 4, block, static_cast<size_t>(width - c) * 4);
}

// ---- AVX2: 32-sample blocks, the 16-sample form for the rest of a row ----

struct Half256 {
  __m256i C, ns, we, nnss, wwee, diag;
};

MEASURE_AVX2 inline __m256i Even256(__m256i v) { return _mm256_and_si256(v, _mm256_set1_epi16(0x00FF)); }

MEASURE_AVX2 inline __m256i Odd256(__m256i v) { return _mm256_srli_epi16(v, 8); }

MEASURE_AVX2 inline __m256i Load256(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

MEASURE_AVX2 inline void Neighbourhoods256(const uint8_t* p, ptrdiff_t st, Half256& even, Half256& odd) {
  const __m256i a0 = Load256(p - 2), b0 = Load256(p), c0 = Load256(p + 2);
  const __m256i a0o = Odd256(a0), b0e = Even256(b0), b0o = Odd256(b0), c0e = Even256(c0);
  even.C = b0e;
  odd.C = b0o;
  even.we = _mm256_add_epi16(a0o, b0o);
  odd.we = _mm256_add_epi16(b0e, c0e);
  even.wwee = _mm256_add_epi16(Even256(a0), c0e);
  odd.wwee = _mm256_add_epi16(a0o, Odd256(c0));
  const __m256i an = Load256(p - st - 2), bn = Load256(p - st), cn = Load256(p - st + 2);
  const __m256i as = Load256(p + st - 2), bs = Load256(p + st), cs = Load256(p + st + 2);
  const __m256i bne = Even256(bn), bno = Odd256(bn), bse = Even256(bs), bso = Odd256(bs);
  even.ns = _mm256_add_epi16(bne, bse);
  odd.ns = _mm256_add_epi16(bno, bso);
  even.diag = _mm256_add_epi16(_mm256_add_epi16(Odd256(an), bno), _mm256_add_epi16(Odd256(as), bso));
  odd.diag = _mm256_add_epi16(_mm256_add_epi16(bne, Even256(cn)), _mm256_add_epi16(bse, Even256(cs)));
  const __m256i bnn = Load256(p - 2 * st), bss = Load256(p + 2 * st);
  even.nnss = _mm256_add_epi16(Even256(bnn), Even256(bss));
  odd.nnss = _mm256_add_epi16(Odd256(bnn), Odd256(bss));
}

MEASURE_AVX2 inline __m256i Round256(__m256i sum, int shift) {
  const __m256i half = _mm256_set1_epi16(static_cast<short>(1 << (shift - 1)));
  const __m256i v = _mm256_srai_epi16(_mm256_add_epi16(_mm256_max_epi16(sum, _mm256_setzero_si256()), half), shift);
  return _mm256_min_epi16(v, _mm256_set1_epi16(255));
}

MEASURE_AVX2 inline __m256i Times256(__m256i v, int k) {
  return _mm256_mullo_epi16(v, _mm256_set1_epi16(static_cast<short>(k)));
}

MEASURE_AVX2 inline void InterpolateHalf256(const Half256& h, int colour, int across, int down, __m256i rgb[3]) {
  rgb[colour] = h.C;
  if (colour == kGreen) {
    const __m256i shared = _mm256_sub_epi16(Times256(h.C, 10), _mm256_slli_epi16(h.diag, 1));
    rgb[across] = Round256(_mm256_add_epi16(_mm256_add_epi16(shared, _mm256_slli_epi16(h.we, 3)),
                                            _mm256_sub_epi16(h.nnss, _mm256_slli_epi16(h.wwee, 1))),
                           4);
    rgb[down] = Round256(_mm256_add_epi16(_mm256_add_epi16(shared, _mm256_slli_epi16(h.ns, 3)),
                                          _mm256_sub_epi16(h.wwee, _mm256_slli_epi16(h.nnss, 1))),
                         4);
  } else {
    const __m256i outer = _mm256_add_epi16(h.nnss, h.wwee);
    rgb[kGreen] = Round256(
        _mm256_sub_epi16(
            _mm256_add_epi16(_mm256_slli_epi16(h.C, 2), _mm256_slli_epi16(_mm256_add_epi16(h.ns, h.we), 1)), outer),
        3);
    rgb[2 - colour] = Round256(
        _mm256_sub_epi16(_mm256_add_epi16(Times256(h.C, 12), _mm256_slli_epi16(h.diag, 2)), Times256(outer, 3)), 4);
  }
}

MEASURE_AVX2 void PrepareMatrix256(const BayerJob& job, EnhanceAvx2Matrix& m) {
  EnhanceSettings s;
  Coefficients16(job, s);
  PrepareEnhanceAvx2(s, m);
}

// Gains and matrix of sixteen pixels, packed with alpha 255 (pixels 0-3 and
// 8-11 in lo, 4-7 and 12-15 in hi, by the in-lane unpacks).
template <bool Diagonal>
MEASURE_AVX2 inline void FinishHalf256(const EnhanceAvx2Matrix& m, __m256i rgb[3], __m256i& lo, __m256i& hi) {
  if (!m.unitGains)
    for (int c = 0; c < 3; ++c) rgb[c] = GainAvx2(rgb[c], m.gain2[c]);
  __m256i out[3];
  for (int j = 0; j < 3; ++j) out[j] = MatrixChannelAvx2<Diagonal>(m, j, rgb);
  const __m256i bg = _mm256_or_si256(out[2], _mm256_slli_epi16(out[1], 8));
  const __m256i ra = _mm256_or_si256(out[0], _mm256_set1_epi16(static_cast<short>(0xFF00)));
  lo = _mm256_unpacklo_epi16(bg, ra);
  hi = _mm256_unpackhi_epi16(bg, ra);
}

template <bool Diagonal>
MEASURE_AVX2 void DemosaicAvx2(const BayerJob& job, int type) {
  EnhanceSse2Matrix m;
  PrepareMatrix(job, m);
  EnhanceAvx2Matrix m256;
  PrepareMatrix256(job, m256);
  const ptrdiff_t st = job.sourceStride;
  for (int r = 0; r < job.height; ++r) {
    const RowKinds kinds = KindsOfRow(type, r);
    const uint8_t* row = job.source + r * st;
    uint8_t* out = job.destination + static_cast<ptrdiff_t>(r) * job.destinationStride;
    int c = 0;
    // A whole 32-sample block reads up to column c + 33, inside the row's border.
    for (; c + 32 <= job.width; c += 32) {
      Half256 even, odd;
      Neighbourhoods256(row + c, st, even, odd);
      __m256i rgbE[3], rgbO[3];
      InterpolateHalf256(even, kinds.colour[0], kinds.across[0], kinds.down[0], rgbE);
      InterpolateHalf256(odd, kinds.colour[1], kinds.across[1], kinds.down[1], rgbO);
      __m256i eLo, eHi, oLo, oHi;
      FinishHalf256<Diagonal>(m256, rgbE, eLo, eHi);
      FinishHalf256<Diagonal>(m256, rgbO, oLo, oHi);
      const __m256i a = _mm256_unpacklo_epi32(eLo, oLo);  // columns 0-3 | 16-19
      const __m256i b = _mm256_unpackhi_epi32(eLo, oLo);  // 4-7 | 20-23
      const __m256i d = _mm256_unpacklo_epi32(eHi, oHi);  // 8-11 | 24-27
      const __m256i e = _mm256_unpackhi_epi32(eHi, oHi);  // 12-15 | 28-31
      uint8_t* o = out + c * 4;
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(o), _mm256_permute2x128_si256(a, b, 0x20));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 32), _mm256_permute2x128_si256(d, e, 0x20));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 64), _mm256_permute2x128_si256(a, b, 0x31));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + 96), _mm256_permute2x128_si256(d, e, 0x31));
    }
    for (; c < job.width; c += 16) Block16Sse2(row, st, c, job.width, kinds, m, out);
  }
  _mm256_zeroupper();
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

const bool g_avx2 = HasAvx2();

}  // namespace

int BayerSiteColour(int type, int rowParity, int columnParity) {
  return kSites[NormalType(type)][rowParity & 1][columnParity & 1];
}

void BayerDemosaicScalar(const BayerJob& job, int type) {
  type = NormalType(type);
  for (int r = 0; r < job.height; ++r) {
    uint8_t* out = job.destination + static_cast<ptrdiff_t>(r) * job.destinationStride;
    for (int c = 0; c < job.width; ++c) {
      int rgb[3];
      InterpolateScalar(job, type, r, c, rgb);
      FinishPixelScalar(job, rgb, out + c * 4);
    }
  }
}

void BayerDemosaicSse2(const BayerJob& job, int type) {
  if (!CoefficientsFit16(job)) {
    BayerDemosaicScalar(job, type);
    return;
  }
  type = NormalType(type);
  EnhanceSse2Matrix m;
  PrepareMatrix(job, m);
  const ptrdiff_t st = job.sourceStride;
  for (int r = 0; r < job.height; ++r) {
    const RowKinds kinds = KindsOfRow(type, r);
    const uint8_t* row = job.source + r * st;
    uint8_t* out = job.destination + static_cast<ptrdiff_t>(r) * job.destinationStride;
    for (int c = 0; c < job.width; c += 16) Block16Sse2(row, st, c, job.width, kinds, m, out);
  }
}

void BayerDemosaicAvx2(const BayerJob& job, int type) {
  if (!CoefficientsFit16(job)) {
    BayerDemosaicScalar(job, type);
    return;
  }
  EnhanceSettings s;
  Coefficients16(job, s);
  if (EnhanceMatrixIsDiagonal(s.coef))
    DemosaicAvx2<true>(job, NormalType(type));
  else
    DemosaicAvx2<false>(job, NormalType(type));
}

bool BayerHasAvx2() { return g_avx2; }

void BayerDemosaic(const BayerJob& job, int type) {
  if (g_avx2)
    BayerDemosaicAvx2(job, type);
  else
    BayerDemosaicSse2(job, type);
}

void BayerChannelSumsScalar(const BayerJob& job, int type, uint64_t sums[3]) {
  type = NormalType(type);
  sums[0] = sums[1] = sums[2] = 0;
  for (int r = 0; r < job.height; ++r)
    for (int c = 0; c < job.width; ++c) {
      int rgb[3];
      InterpolateScalar(job, type, r, c, rgb);
      for (int k = 0; k < 3; ++k) sums[k] += static_cast<uint64_t>(rgb[k]);
    }
}

void BayerChannelSumsSse2(const BayerJob& job, int type, uint64_t sums[3]) {
  type = NormalType(type);
  sums[0] = sums[1] = sums[2] = 0;
  const ptrdiff_t st = job.sourceStride;
  const __m128i ones = _mm_set1_epi16(1);
  const __m128i lane = _mm_setr_epi16(0, 2, 4, 6, 8, 10, 12, 14);
  for (int r = 0; r < job.height; ++r) {
    const RowKinds kinds = KindsOfRow(type, r);
    const uint8_t* row = job.source + r * st;
    // 32-bit lanes hold a row's sums for rows up to 16 million samples.
    __m128i acc[3] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
    for (int c = 0; c < job.width; c += 16) {
      Half even, odd;
      Neighbourhoods(row + c, st, even, odd);
      __m128i rgbE[3], rgbO[3];
      InterpolateHalf(even, kinds.colour[0], kinds.across[0], kinds.down[0], rgbE);
      InterpolateHalf(odd, kinds.colour[1], kinds.across[1], kinds.down[1], rgbO);
      __m128i keepE = _mm_set1_epi16(-1), keepO = keepE;
      if (c + 16 > job.width) {
        const __m128i left = _mm_set1_epi16(static_cast<short>(job.width - c));
        keepE = _mm_cmpgt_epi16(left, lane);
        keepO = _mm_cmpgt_epi16(left, _mm_add_epi16(lane, ones));
      }
      for (int k = 0; k < 3; ++k) {
        const __m128i both = _mm_add_epi16(_mm_and_si128(rgbE[k], keepE), _mm_and_si128(rgbO[k], keepO));
        acc[k] = _mm_add_epi32(acc[k], _mm_madd_epi16(both, ones));
      }
    }
    for (int k = 0; k < 3; ++k) {
      alignas(16) uint32_t v[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(v), acc[k]);
      sums[k] += static_cast<uint64_t>(v[0]) + v[1] + v[2] + v[3];
    }
  }
}

void BayerChannelSums(const BayerJob& job, int type, uint64_t sums[3]) { BayerChannelSumsSse2(job, type, sums); }

}  // namespace ZEvuvoro
