#include "panels/ThumbnailKernel.h"

#include <emmintrin.h>

#include <cstring>
#include <vector>

namespace {

// First source column (or row) of each cell, plus the end: cell i spans
// [edges[i], edges[i + 1]).
std::vector<int> CellEdges(int length, int cells) {
  std::vector<int> edges(static_cast<size_t>(cells) + 1);
  for (int i = 0; i <= cells; ++i) edges[i] = static_cast<int>(static_cast<int64_t>(length) * i / cells);
  return edges;
}

// Adds the BGRA values of count pixels to sum[0..3].
void SumRunScalar(const uint8_t* p, int count, uint64_t* sum) {
  for (int i = 0; i < count; ++i, p += 4) {
    sum[0] += p[0];
    sum[1] += p[1];
    sum[2] += p[2];
    sum[3] += p[3];
  }
}

void SumRunSse2(const uint8_t* p, int count, uint64_t* sum) {
  const __m128i zero = _mm_setzero_si128();
  __m128i total = zero;  // two pixels' worth of 32-bit lanes
  int i = 0;
  // Each step adds at most 4 x 255 to a 32-bit lane; runs are cut at 4 M
  // pixels (1 M steps), far below the lane's limit.
  for (; i + 4 <= count; i += 4, p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i pairs = _mm_add_epi16(_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero));
    total = _mm_add_epi32(total, _mm_add_epi32(_mm_unpacklo_epi16(pairs, zero), _mm_unpackhi_epi16(pairs, zero)));
  }
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
  for (int c = 0; c < 4; ++c) sum[c] += lanes[c];
  SumRunScalar(p, count - i, sum);
}

using SumRun = void (*)(const uint8_t*, int, uint64_t*);

bool Reduce(const uint8_t* pixels, intptr_t stride, const ThumbnailCrop& crop, int tw, int th, bool opaque,
            uint8_t* out, SumRun sumRun) {
  if (!pixels || !out || tw <= 0 || th <= 0 || crop.width < tw || crop.height < th) return false;
  // Runs longer than the SIMD lanes can count are cut up.
  constexpr int kLongestRun = 1 << 22;
  const std::vector<int> columns = CellEdges(crop.width, tw);
  const std::vector<int> rows = CellEdges(crop.height, th);
  std::vector<uint64_t> sums(static_cast<size_t>(tw) * 4);
  for (int oy = 0; oy < th; ++oy) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int y = rows[oy]; y < rows[oy + 1]; ++y) {
      const uint8_t* row = pixels + (crop.y + y) * stride + static_cast<intptr_t>(crop.x) * 4;
      for (int ox = 0; ox < tw; ++ox)
        for (int x = columns[ox]; x < columns[ox + 1]; x += kLongestRun) {
          const int run = columns[ox + 1] - x < kLongestRun ? columns[ox + 1] - x : kLongestRun;
          sumRun(row + static_cast<intptr_t>(x) * 4, run, &sums[static_cast<size_t>(ox) * 4]);
        }
    }
    uint8_t* target = out + static_cast<size_t>(oy) * tw * 4;
    const uint64_t height = static_cast<uint64_t>(rows[oy + 1] - rows[oy]);
    for (int ox = 0; ox < tw; ++ox) {
      const uint64_t area = height * static_cast<uint64_t>(columns[ox + 1] - columns[ox]);
      for (int c = 0; c < 4; ++c)
        target[ox * 4 + c] = static_cast<uint8_t>((sums[static_cast<size_t>(ox) * 4 + c] + area / 2) / area);
      if (opaque) target[ox * 4 + 3] = 255;
    }
  }
  return true;
}

}  // namespace

bool ReduceToThumbnail(const uint8_t* pixels, intptr_t stride, const ThumbnailCrop& crop, int tw, int th, bool opaque,
                       uint8_t* out) {
  return Reduce(pixels, stride, crop, tw, th, opaque, out, SumRunSse2);
}

bool ReduceToThumbnailScalar(const uint8_t* pixels, intptr_t stride, const ThumbnailCrop& crop, int tw, int th,
                             bool opaque, uint8_t* out) {
  return Reduce(pixels, stride, crop, tw, th, opaque, out, SumRunScalar);
}
