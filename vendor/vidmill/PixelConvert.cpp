#include "vendor/vidmill/PixelConvert.h"

#include <emmintrin.h>
#include <tmmintrin.h>

namespace vidmill {

namespace {

inline BYTE Clamp8(int v) { return BYTE(v < 0 ? 0 : v > 255 ? 255 : v); }

// BT.601 studio range in 1/8192 steps: R = 1.164 (Y - 16) + 1.596 (V - 128),
// G = 1.164 (Y - 16) - 0.391 (U - 128) - 0.813 (V - 128), B = 1.164 (Y - 16) + 2.018 (U - 128).
constexpr int kY = 9535, kRV = 13074, kGU = 3203, kGV = 6660, kBU = 16531;
constexpr int kRound = 1 << 12;

__attribute__((target("ssse3"))) void BgraToBgr24RowSsse3(const BYTE* src, BYTE* dst, int width) {
  const __m128i pick = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int x = 0;
  // Four pixels give 12 bytes; the 16-byte store runs 4 bytes ahead, which
  // the next store or the plain tail overwrites, so stop 2 pixels early.
  for (; x + 6 <= width; x += 4) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x), _mm_shuffle_epi8(p, pick));
  }
  BgraToBgr24RowPlain(src + 4 * x, dst + 3 * x, width - x);
}

__attribute__((target("ssse3"))) void Bgr24ToBgraRowSsse3(const BYTE* src, BYTE* dst, int width) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
  int x = 0;
  // Reads 16 bytes for 4 pixels (12 used): stop while 6 pixels are left.
  for (; x + 6 <= width; x += 4) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
    p = _mm_or_si128(_mm_shuffle_epi8(p, spread), alpha);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), p);
  }
  Bgr24ToBgraRowPlain(src + 3 * x, dst + 4 * x, width - x);
}

// Eight pixels (16 bytes of YUY2) per step, in 16-bit lanes with the same
// rounding as the plain version.
void Yuy2ToBgraRowSse2(const BYTE* src, BYTE* dst, int width) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * x));
    __m128i y = _mm_and_si128(p, lowByte);  // Y0..Y7
    __m128i uv = _mm_srli_epi16(p, 8);      // U0 V0 U1 V1 ...
    // Y' = (Y - 16) * kY, kept in 32 bits.
    __m128i y16 = _mm_sub_epi16(y, _mm_set1_epi16(16));
    // U and V for each pixel pair, duplicated to both pixels.
    __m128i u = _mm_and_si128(uv, _mm_set1_epi32(0xFFFF));  // U in even lanes
    __m128i v = _mm_srli_epi32(uv, 16);                     // V in even lanes
    u = _mm_or_si128(u, _mm_slli_epi32(u, 16));             // U U
    v = _mm_or_si128(v, _mm_slli_epi32(v, 16));             // V V
    u = _mm_sub_epi16(u, _mm_set1_epi16(128));
    v = _mm_sub_epi16(v, _mm_set1_epi16(128));
    __m128i outLo[3], outHi[3];
    // Products in 32 bits: interleave with the coefficient pairs through madd.
    const __m128i cy = _mm_set1_epi32(kY);  // (Y, 0) pairs -> Y * kY
    const __m128i crv = _mm_set1_epi32(kRV);
    const __m128i cgu = _mm_set1_epi32((-kGV << 16) | (-kGU & 0xFFFF));
    const __m128i cbu = _mm_set1_epi32(kBU);
    __m128i yLo = _mm_unpacklo_epi16(y16, zero), yHi = _mm_unpackhi_epi16(y16, zero);
    __m128i uvLo = _mm_unpacklo_epi16(u, v), uvHi = _mm_unpackhi_epi16(u, v);  // (U, V) pairs
    __m128i vLo = _mm_unpacklo_epi16(v, zero), vHi = _mm_unpackhi_epi16(v, zero);
    __m128i uLo = _mm_unpacklo_epi16(u, zero), uHi = _mm_unpackhi_epi16(u, zero);
    __m128i ytLo = _mm_add_epi32(_mm_madd_epi16(yLo, cy), _mm_set1_epi32(kRound));
    __m128i ytHi = _mm_add_epi32(_mm_madd_epi16(yHi, cy), _mm_set1_epi32(kRound));
    outLo[2] = _mm_srai_epi32(_mm_add_epi32(ytLo, _mm_madd_epi16(vLo, crv)), 13);
    outHi[2] = _mm_srai_epi32(_mm_add_epi32(ytHi, _mm_madd_epi16(vHi, crv)), 13);
    outLo[1] = _mm_srai_epi32(_mm_add_epi32(ytLo, _mm_madd_epi16(uvLo, cgu)), 13);
    outHi[1] = _mm_srai_epi32(_mm_add_epi32(ytHi, _mm_madd_epi16(uvHi, cgu)), 13);
    outLo[0] = _mm_srai_epi32(_mm_add_epi32(ytLo, _mm_madd_epi16(uLo, cbu)), 13);
    outHi[0] = _mm_srai_epi32(_mm_add_epi32(ytHi, _mm_madd_epi16(uHi, cbu)), 13);
    // Saturate to bytes and weave B G R A.
    __m128i b = _mm_packs_epi32(outLo[0], outHi[0]);
    __m128i g = _mm_packs_epi32(outLo[1], outHi[1]);
    __m128i r = _mm_packs_epi32(outLo[2], outHi[2]);
    __m128i bg = _mm_unpacklo_epi16(b, g);  // as 16-bit: B0 G0 B1 G1 ...
    __m128i bgHi = _mm_unpackhi_epi16(b, g);
    __m128i ra = _mm_unpacklo_epi16(r, _mm_set1_epi16(255));
    __m128i raHi = _mm_unpackhi_epi16(r, _mm_set1_epi16(255));
    // Each 16-bit lane holds one channel; pack pairs of 32-bit (channel, channel) groups.
    __m128i p0 = _mm_packus_epi16(_mm_unpacklo_epi32(bg, ra), _mm_unpackhi_epi32(bg, ra));
    __m128i p1 = _mm_packus_epi16(_mm_unpacklo_epi32(bgHi, raHi), _mm_unpackhi_epi32(bgHi, raHi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), p0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x + 16), p1);
  }
  Yuy2ToBgraRowPlain(src + 2 * x, dst + 4 * x, width - x);
}

void BgrxToBgraRowSse2(const BYTE* src, BYTE* dst, int width) {
  const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
  int x = 0;
  for (; x + 4 <= width; x += 4) {
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_or_si128(p, alpha));
  }
  BgrxToBgraRowPlain(src + 4 * x, dst + 4 * x, width - x);
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

}  // namespace

void BgraToBgr24RowPlain(const BYTE* src, BYTE* dst, int width) {
  for (int x = 0; x < width; ++x) {
    dst[3 * x] = src[4 * x];
    dst[3 * x + 1] = src[4 * x + 1];
    dst[3 * x + 2] = src[4 * x + 2];
  }
}

void BgrxToBgraRowPlain(const BYTE* src, BYTE* dst, int width) {
  for (int x = 0; x < width; ++x) {
    dst[4 * x] = src[4 * x];
    dst[4 * x + 1] = src[4 * x + 1];
    dst[4 * x + 2] = src[4 * x + 2];
    dst[4 * x + 3] = 255;
  }
}

void Bgr24ToBgraRowPlain(const BYTE* src, BYTE* dst, int width) {
  for (int x = 0; x < width; ++x) {
    dst[4 * x] = src[3 * x];
    dst[4 * x + 1] = src[3 * x + 1];
    dst[4 * x + 2] = src[3 * x + 2];
    dst[4 * x + 3] = 255;
  }
}

void Yuy2ToBgraRowPlain(const BYTE* src, BYTE* dst, int width) {
  for (int x = 0; x < width; x += 2) {
    const int u = src[2 * x + 1] - 128;
    const int v = src[2 * x + 3] - 128;
    for (int k = 0; k < 2 && x + k < width; ++k) {
      const int y = (src[2 * (x + k)] - 16) * kY + kRound;
      BYTE* d = dst + 4 * (x + k);
      d[0] = Clamp8((y + kBU * u) >> 13);
      d[1] = Clamp8((y - kGU * u - kGV * v) >> 13);
      d[2] = Clamp8((y + kRV * v) >> 13);
      d[3] = 255;
    }
  }
}

void BgraToBgr24Row(const BYTE* src, BYTE* dst, int width) {
  if (HasSsse3())
    BgraToBgr24RowSsse3(src, dst, width);
  else
    BgraToBgr24RowPlain(src, dst, width);
}

void Bgr24ToBgraRow(const BYTE* src, BYTE* dst, int width) {
  if (HasSsse3())
    Bgr24ToBgraRowSsse3(src, dst, width);
  else
    Bgr24ToBgraRowPlain(src, dst, width);
}

void BgrxToBgraRow(const BYTE* src, BYTE* dst, int width) { BgrxToBgraRowSse2(src, dst, width); }

void Yuy2ToBgraRow(const BYTE* src, BYTE* dst, int width) { Yuy2ToBgraRowSse2(src, dst, width); }

}  // namespace vidmill
