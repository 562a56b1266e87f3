// The SSE2 variant. Vertical passes filter four columns at once straight in the
// plane (lane by lane, the same sums as the reference); horizontal passes go
// through the line buffer. Results are bit for bit those of the reference.

#include "image/fusion/FusionKernels.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

using FusionFilter::Even;
using FusionFilter::Filter;

namespace {

struct Weights {
  __m128 k0 = _mm_set1_ps(FusionFilter::k0);
  __m128 k1 = _mm_set1_ps(FusionFilter::k1);
  __m128 k2 = _mm_set1_ps(FusionFilter::k2);

  __m128 Filter(__m128 a, __m128 b, __m128 c) const {
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(k0, a), _mm_mul_ps(k2, c)), _mm_mul_ps(k1, b));
  }
};

inline float* RowAt(float* plane, int stride, int y) { return plane + static_cast<ptrdiff_t>(y) * stride; }

// out[x] = f(a[x], b[x], c[x]) for x < count; out may be one of the inputs.
void FilterRows(const Weights& w, float* out, const float* a, const float* b, const float* c, int count) {
  int x = 0;
  for (; x + 4 <= count; x += 4)
    _mm_storeu_ps(out + x, w.Filter(_mm_loadu_ps(a + x), _mm_loadu_ps(b + x), _mm_loadu_ps(c + x)));
  for (; x < count; ++x) out[x] = Filter(a[x], b[x], c[x]);
}

void Reduce(float* plane, int cols, int rows, int stride, int W, int H, float* line) {
  const Weights w;
  float* s = line + 2;
  const int yEnd = std::min(rows, H);
  int m = std::min(cols / 2, Even(W / 2));
  for (int y = 0; y < yEnd; ++y) {
    float* row = RowAt(plane, stride, y);
    std::memcpy(s, row, static_cast<size_t>(cols) * sizeof(float));
    s[-1] = s[0];
    int i = 0;
    for (; i + 4 <= m; i += 4) {
      const float* p = s + 2 * i - 1;
      const __m128 v0 = _mm_loadu_ps(p);      // s[2i-1] .. s[2i+2]
      const __m128 v1 = _mm_loadu_ps(p + 4);  // s[2i+3] .. s[2i+6]
      const __m128 v2 = _mm_loadu_ps(p + 2);  // s[2i+1] .. s[2i+4]
      const __m128 v3 = _mm_loadu_ps(p + 6);  // s[2i+5] .. s[2i+8]
      const __m128 a = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0));
      const __m128 b = _mm_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1));
      const __m128 c = _mm_shuffle_ps(v2, v3, _MM_SHUFFLE(2, 0, 2, 0));
      _mm_storeu_ps(row + i, w.Filter(a, b, c));
    }
    for (; i < m; ++i) row[i] = Filter(s[2 * i - 1], s[2 * i], s[2 * i + 1]);
  }
  // Row i reads rows 2i - 1 .. 2i + 1, never one already written, so the
  // vertical pass runs forward in place.
  const int xEnd = std::min(cols, W);
  m = std::min(rows / 2, Even(H / 2));
  for (int i = 0; i < m; ++i) {
    const float* above = RowAt(plane, stride, i == 0 ? 1 : 2 * i - 1);
    FilterRows(w, RowAt(plane, stride, i), above, RowAt(plane, stride, 2 * i), RowAt(plane, stride, 2 * i + 1), xEnd);
  }
}

void Expand(float* plane, int cols, int rows, int stride, int W, int H, float* line) {
  const Weights w;
  const int xEnd = std::min(cols, W);
  int m = rows / 2;
  int n = std::min(rows, Even(H));
  // Rows 2j and 2j + 1 come from coarse rows j - 1 .. j + 1: going from the
  // bottom up, no coarse row is overwritten before its last use, except the
  // third, which also stands in front of the first and after the last. An odd
  // count ends with row 2j alone.
  float* third = line;
  std::memcpy(third, RowAt(plane, stride, 2), static_cast<size_t>(xEnd) * sizeof(float));
  for (int j = (n + 1) / 2 - 1; j >= 0; --j) {
    const float* a = j == 0 ? third : RowAt(plane, stride, j - 1);
    const float* b = j >= m ? third : RowAt(plane, stride, j);
    const float* c = j + 1 >= m ? third : RowAt(plane, stride, j + 1);
    float* even = RowAt(plane, stride, 2 * j);
    FilterRows(w, even, a, b, c, xEnd);
    if (2 * j + 1 < n) std::memcpy(RowAt(plane, stride, 2 * j + 1), even, static_cast<size_t>(xEnd) * sizeof(float));
  }

  float* s = line + 2;
  const int yEnd = std::min(rows, H);
  m = cols / 2;
  n = std::min(cols, Even(W));
  for (int y = 0; y < yEnd; ++y) {
    float* row = RowAt(plane, stride, y);
    std::memcpy(s, row, static_cast<size_t>(m) * sizeof(float));
    s[-1] = s[2];
    for (int k = m; k < m + 4; ++k) s[k] = s[2];
    int j = 0;
    for (; 2 * j + 8 <= n; j += 4) {
      const __m128 g = w.Filter(_mm_loadu_ps(s + j - 1), _mm_loadu_ps(s + j), _mm_loadu_ps(s + j + 1));
      _mm_storeu_ps(row + 2 * j, _mm_unpacklo_ps(g, g));
      _mm_storeu_ps(row + 2 * j + 4, _mm_unpackhi_ps(g, g));
    }
    for (int i = 2 * j; i < n; ++i) row[i] = Filter(s[i / 2 - 1], s[i / 2], s[i / 2 + 1]);
  }
}

void Subtract(float* out, const float* a, const float* b, int cols, int rows, int H) {
  const ptrdiff_t count = static_cast<ptrdiff_t>(std::min(rows, H)) * cols;
  ptrdiff_t i = 0;
  for (; i + 4 <= count; i += 4) _mm_storeu_ps(out + i, _mm_sub_ps(_mm_loadu_ps(a + i), _mm_loadu_ps(b + i)));
  for (; i < count; ++i) out[i] = a[i] - b[i];
}

void Add(float* dst, const float* src, int dstStride, int srcStride, int cols, int rows, int H) {
  const int yEnd = std::min(rows, H);
  for (int y = 0; y < yEnd; ++y) {
    float* d = dst + static_cast<ptrdiff_t>(y) * dstStride;
    const float* s = src + static_cast<ptrdiff_t>(y) * srcStride;
    int x = 0;
    for (; x + 4 <= cols; x += 4) _mm_storeu_ps(d + x, _mm_add_ps(_mm_loadu_ps(d + x), _mm_loadu_ps(s + x)));
    for (; x < cols; ++x) d[x] = d[x] + s[x];
  }
}

void Divide(float* plane, int cols, int rows, int stride, float n) {
  const __m128 divisor = _mm_set1_ps(n);
  for (int y = 0; y < rows; ++y) {
    float* row = plane + static_cast<ptrdiff_t>(y) * stride;
    int x = 0;
    for (; x + 4 <= cols; x += 4) _mm_storeu_ps(row + x, _mm_div_ps(_mm_loadu_ps(row + x), divisor));
    for (; x < cols; ++x) row[x] = row[x] / n;
  }
}

void CombineBase(float* acc, const float* inc, int accStride, int incStride, int cols, int rows) {
  Add(acc, inc, accStride, incStride, cols, rows, rows);
}

void CombineDetail(float* acc, const float* inc, int accStride, int incStride, int cols, int rows) {
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  for (int y = 0; y < rows; ++y) {
    float* a = acc + static_cast<ptrdiff_t>(y) * accStride;
    const float* s = inc + static_cast<ptrdiff_t>(y) * incStride;
    int x = 0;
    for (; x + 4 <= cols; x += 4) {
      const __m128 va = _mm_loadu_ps(a + x);
      const __m128 vs = _mm_loadu_ps(s + x);
      const __m128 larger = _mm_cmpgt_ps(_mm_and_ps(vs, magnitude), _mm_and_ps(va, magnitude));
      _mm_storeu_ps(a + x, _mm_or_ps(_mm_and_ps(larger, vs), _mm_andnot_ps(larger, va)));
    }
    for (; x < cols; ++x)
      if (std::fabs(s[x]) > std::fabs(a[x])) a[x] = s[x];
  }
}

}  // namespace

const FusionKernels& FusionKernelsSse2() {
  static const FusionKernels kernels{Reduce, Expand, Subtract, Add, Divide, CombineBase, CombineDetail};
  return kernels;
}
