#include "image/fusion/FusionColour.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace {

inline int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

inline void PixelToPlanes(const uint8_t* p, float* y, float* cb, float* cr) {
  const int b0 = p[0], b1 = p[1], b2 = p[2];
  *y = static_cast<float>(std::min(((66 * b0 + 129 * b1 + 25 * b2 + 128) >> 8) + 16, 255));
  *cb = static_cast<float>(Clamp255(((112 * b2 - 38 * b0 - 74 * b1 + 128) >> 8) + 128));
  *cr = static_cast<float>(Clamp255(((112 * b0 - 94 * b1 - 18 * b2 + 128) >> 8) + 128));
}

// Truncation toward zero; the sums run in 64 bits so that no fused value,
// however far outside 0 .. 255, can overflow them.
inline int64_t Truncate(float v) {
  constexpr float kLimit = 2147483520.0f;  // the largest float below 2^31
  if (v != v) return 0;
  return static_cast<int64_t>(std::clamp(v, -kLimit, kLimit));
}

inline uint8_t Byte(int64_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

inline void PlanesToPixel(float fy, float fcb, float fcr, uint8_t* p, int bytesPerPixel) {
  const int64_t y = Truncate(fy), cb = Truncate(fcb), cr = Truncate(fcr);
  p[0] = Byte((298 * y + 409 * cr - 56992) >> 8);
  p[1] = Byte((298 * y - 100 * cb - 208 * cr + 34784) >> 8);
  p[2] = Byte((298 * y + 516 * cb - 70688) >> 8);
  if (bytesPerPixel == 4) p[3] = 255;
}

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Sum of the two 32-bit halves of each 64-bit lane of a and b: the dot
// products of pixels 0, 1 (from a) and 2, 3 (from b).
inline __m128i PairSums(__m128i a, __m128i b) {
  const __m128 fa = _mm_castsi128_ps(a), fb = _mm_castsi128_ps(b);
  return _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(2, 0, 2, 0))),
                       _mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(3, 1, 3, 1))));
}

inline __m128 Dot(__m128i lo, __m128i hi, __m128i weights, __m128i offset) {
  const __m128i sum = PairSums(_mm_madd_epi16(lo, weights), _mm_madd_epi16(hi, weights));
  return _mm_cvtepi32_ps(_mm_add_epi32(_mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(128)), 8), offset));
}

// b0 * w0 + b1 * w1 + b2 * w2 for each pixel; the fourth byte has weight 0.
inline __m128i Weights(short w0, short w1, short w2) { return _mm_setr_epi16(w0, w1, w2, 0, w0, w1, w2, 0); }

}  // namespace

void FusionPixelsToPlanesScalar(const uint8_t* pixels, size_t rowBytes, int bytesPerPixel, int width, int height,
                                const FusionPlaneRows& planes) {
  for (int row = 0; row < height; ++row) {
    const uint8_t* p = pixels + rowBytes * static_cast<size_t>(row);
    const ptrdiff_t at = planes.stride * row;
    for (int x = 0; x < width; ++x, p += bytesPerPixel)
      PixelToPlanes(p, planes.y + at + x, planes.cb + at + x, planes.cr + at + x);
  }
}

// For 8-bit input the limits of the scalar formulas never bind (luma 16 .. 235,
// colour differences 16 .. 240), so the vector path leaves them out.
void FusionPixelsToPlanesSse2(const uint8_t* pixels, size_t rowBytes, int bytesPerPixel, int width, int height,
                              const FusionPlaneRows& planes) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wy = Weights(66, 129, 25), wcb = Weights(-38, -74, 112), wcr = Weights(112, -94, -18);
  const __m128i oy = _mm_set1_epi32(16), oc = _mm_set1_epi32(128);
  // Four-byte loads of 3-byte pixels read one byte past the pixel: keep the
  // last pixel of a row out of the vector loop.
  const int vectorEnd = bytesPerPixel == 4 ? width : width - 1;
  for (int row = 0; row < height; ++row) {
    const uint8_t* p = pixels + rowBytes * static_cast<size_t>(row);
    const ptrdiff_t at = planes.stride * row;
    int x = 0;
    for (; x + 4 <= vectorEnd; x += 4) {
      const uint8_t* q = p + static_cast<size_t>(x) * bytesPerPixel;
      const __m128i v = _mm_setr_epi32(static_cast<int>(Load32(q)), static_cast<int>(Load32(q + bytesPerPixel)),
                                       static_cast<int>(Load32(q + 2 * bytesPerPixel)),
                                       static_cast<int>(Load32(q + 3 * bytesPerPixel)));
      const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
      _mm_storeu_ps(planes.y + at + x, Dot(lo, hi, wy, oy));
      _mm_storeu_ps(planes.cb + at + x, Dot(lo, hi, wcb, oc));
      _mm_storeu_ps(planes.cr + at + x, Dot(lo, hi, wcr, oc));
    }
    for (; x < width; ++x)
      PixelToPlanes(p + static_cast<size_t>(x) * bytesPerPixel, planes.y + at + x, planes.cb + at + x,
                    planes.cr + at + x);
  }
}

void FusionPlanesToPixelsScalar(const FusionPlaneRows& planes, int width, int height, uint8_t* out, size_t rowBytes,
                                int bytesPerPixel) {
  for (int row = 0; row < height; ++row) {
    uint8_t* p = out + rowBytes * static_cast<size_t>(row);
    const ptrdiff_t at = planes.stride * row;
    for (int x = 0; x < width; ++x, p += bytesPerPixel)
      PlanesToPixel(planes.y[at + x], planes.cb[at + x], planes.cr[at + x], p, bytesPerPixel);
  }
}

namespace {

// a0 * wa + b0 * wb for four pixels, from 16-bit a and b.
inline __m128i Madd(__m128i a, __m128i b, short wa, short wb) {
  return _mm_madd_epi16(_mm_unpacklo_epi16(a, b), _mm_setr_epi16(wa, wb, wa, wb, wa, wb, wa, wb));
}

inline __m128i ToByteRange(__m128i sum, int offset) {
  return _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(offset)), 8);
}

}  // namespace

// Values that truncate into 16 bits go through 16-bit multiply-adds, which
// give the same sums as the 64-bit scalar formulas; a group of four with any
// other value (far outside the pixel range, or NaN) takes the scalar path.
void FusionPlanesToPixelsSse2(const FusionPlaneRows& planes, int width, int height, uint8_t* out, size_t rowBytes,
                              int bytesPerPixel) {
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  const __m128 limit = _mm_set1_ps(32767.0f);
  const __m128i one = _mm_set1_epi16(1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  // Four-byte stores of 3-byte pixels write one byte past the pixel, which the
  // next pixel then overwrites: keep the last pixel of a row out of the vector loop.
  const int vectorEnd = bytesPerPixel == 4 ? width : width - 1;
  for (int row = 0; row < height; ++row) {
    uint8_t* p = out + rowBytes * static_cast<size_t>(row);
    const ptrdiff_t at = planes.stride * row;
    int x = 0;
    for (; x + 4 <= vectorEnd; x += 4) {
      const __m128 fy = _mm_loadu_ps(planes.y + at + x);
      const __m128 fcb = _mm_loadu_ps(planes.cb + at + x);
      const __m128 fcr = _mm_loadu_ps(planes.cr + at + x);
      const __m128 inRange = _mm_and_ps(
          _mm_and_ps(_mm_cmplt_ps(_mm_and_ps(fy, magnitude), limit), _mm_cmplt_ps(_mm_and_ps(fcb, magnitude), limit)),
          _mm_cmplt_ps(_mm_and_ps(fcr, magnitude), limit));
      uint8_t* q = p + static_cast<size_t>(x) * bytesPerPixel;
      if (_mm_movemask_ps(inRange) != 0xF) {
        for (int i = 0; i < 4; ++i)
          PlanesToPixel(planes.y[at + x + i], planes.cb[at + x + i], planes.cr[at + x + i], q + i * bytesPerPixel,
                        bytesPerPixel);
        continue;
      }
      const __m128i y32 = _mm_cvttps_epi32(fy), cb32 = _mm_cvttps_epi32(fcb), cr32 = _mm_cvttps_epi32(fcr);
      const __m128i y = _mm_packs_epi32(y32, y32), cb = _mm_packs_epi32(cb32, cb32), cr = _mm_packs_epi32(cr32, cr32);
      const __m128i b0 = ToByteRange(Madd(y, cr, 298, 409), -56992);
      const __m128i b1 = ToByteRange(_mm_add_epi32(Madd(y, cb, 298, -100), Madd(cr, one, -208, 0)), 34784);
      const __m128i b2 = ToByteRange(Madd(y, cb, 298, 516), -70688);
      // Limit to 0 .. 255 and pack each pixel into one 32-bit word b0, b1, b2, 255.
      const __m128i b01 = _mm_packs_epi32(b0, b1), b2x = _mm_packs_epi32(b2, b2);
      const __m128i bytes = _mm_packus_epi16(b01, b2x);  // b0 x4, b1 x4, b2 x4, b2 x4
      const __m128i b1s = _mm_srli_si128(bytes, 4), b2s = _mm_srli_si128(bytes, 8);
      const __m128i w01 = _mm_unpacklo_epi8(bytes, b1s);                // b0 b1 pairs
      const __m128i w2a = _mm_unpacklo_epi8(b2s, _mm_setzero_si128());  // b2 0 pairs
      const __m128i words = _mm_or_si128(_mm_unpacklo_epi16(w01, w2a), opaque);
      if (bytesPerPixel == 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q), words);
      } else {
        alignas(16) uint32_t w[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(w), words);
        for (int i = 0; i < 4; ++i) std::memcpy(q + 3 * i, &w[i], 4);
      }
    }
    for (; x < width; ++x)
      PlanesToPixel(planes.y[at + x], planes.cb[at + x], planes.cr[at + x], p + static_cast<size_t>(x) * bytesPerPixel,
                    bytesPerPixel);
  }
}
