// The reference variant: each pass copies its line into the line buffer, two
// entries in, and filters from there, exactly as the engine is defined.

#include "image/fusion/FusionKernels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

using FusionFilter::Even;
using FusionFilter::Filter;

namespace {

inline float* At(float* plane, int stride, int x, int y) { return plane + static_cast<ptrdiff_t>(y) * stride + x; }

void Reduce(float* plane, int cols, int rows, int stride, int W, int H, float* line) {
  float* s = line + 2;  // s[-1] and s[-2] stand in front of the line
  const int yEnd = std::min(rows, H);
  int m = std::min(cols / 2, Even(W / 2));
  for (int y = 0; y < yEnd; ++y) {
    float* row = At(plane, stride, 0, y);
    std::copy(row, row + cols, s);
    s[-1] = s[0];
    for (int i = 0; i < m; ++i) row[i] = Filter(s[2 * i - 1], s[2 * i], s[2 * i + 1]);
  }
  const int xEnd = std::min(cols, W);
  m = std::min(rows / 2, Even(H / 2));
  for (int x = 0; x < xEnd; ++x) {
    for (int y = 0; y < rows; ++y) s[y] = *At(plane, stride, x, y);
    s[-1] = s[1];
    for (int i = 0; i < m; ++i) *At(plane, stride, x, i) = Filter(s[2 * i - 1], s[2 * i], s[2 * i + 1]);
  }
}

// Fills the line around its m coarse values: the third value stands in front
// of the line and for every value after it.
void PadCoarse(float* s, int m) {
  s[-1] = s[2];
  for (int i = m; i < 2 * m; ++i) s[i] = s[2];
}

void Expand(float* plane, int cols, int rows, int stride, int W, int H, float* line) {
  float* s = line + 2;
  const int xEnd = std::min(cols, W);
  int m = rows / 2;
  int n = std::min(rows, Even(H));
  for (int x = 0; x < xEnd; ++x) {
    for (int i = 0; i < m; ++i) s[i] = *At(plane, stride, x, i);
    PadCoarse(s, m);
    for (int i = 0; i < n; ++i) *At(plane, stride, x, i) = Filter(s[i / 2 - 1], s[i / 2], s[i / 2 + 1]);
  }
  const int yEnd = std::min(rows, H);
  m = cols / 2;
  n = std::min(cols, Even(W));
  for (int y = 0; y < yEnd; ++y) {
    float* row = At(plane, stride, 0, y);
    std::copy(row, row + m, s);
    PadCoarse(s, m);
    for (int i = 0; i < n; ++i) row[i] = Filter(s[i / 2 - 1], s[i / 2], s[i / 2 + 1]);
  }
}

void Subtract(float* out, const float* a, const float* b, int cols, int rows, int H) {
  const ptrdiff_t count = static_cast<ptrdiff_t>(std::min(rows, H)) * cols;
  for (ptrdiff_t i = 0; i < count; ++i) out[i] = a[i] - b[i];
}

void Add(float* dst, const float* src, int dstStride, int srcStride, int cols, int rows, int H) {
  const int yEnd = std::min(rows, H);
  for (int y = 0; y < yEnd; ++y) {
    float* d = dst + static_cast<ptrdiff_t>(y) * dstStride;
    const float* s = src + static_cast<ptrdiff_t>(y) * srcStride;
    for (int x = 0; x < cols; ++x) d[x] = d[x] + s[x];
  }
}

void Divide(float* plane, int cols, int rows, int stride, float n) {
  for (int y = 0; y < rows; ++y) {
    float* row = plane + static_cast<ptrdiff_t>(y) * stride;
    for (int x = 0; x < cols; ++x) row[x] = row[x] / n;
  }
}

void CombineBase(float* acc, const float* inc, int accStride, int incStride, int cols, int rows) {
  Add(acc, inc, accStride, incStride, cols, rows, rows);
}

void CombineDetail(float* acc, const float* inc, int accStride, int incStride, int cols, int rows) {
  for (int y = 0; y < rows; ++y) {
    float* a = acc + static_cast<ptrdiff_t>(y) * accStride;
    const float* s = inc + static_cast<ptrdiff_t>(y) * incStride;
    for (int x = 0; x < cols; ++x)
      if (std::fabs(s[x]) > std::fabs(a[x])) a[x] = s[x];
  }
}

}  // namespace

int FusionLineLength(int longest) {
  // Two entries in front, the line, and room for the last four-value reads past its end.
  return longest + 16;
}

const FusionKernels& FusionKernelsScalar() {
  static const FusionKernels kernels{Reduce, Expand, Subtract, Add, Divide, CombineBase, CombineDetail};
  return kernels;
}
