#pragma once

#include "image/fusion/FusionKernels.h"

#include <memory>

// The separable three-tap filter engine of the fusion: every pass works in
// place on the three planes of one level (luma first, then the two colour
// differences) and stops at the picture's own width and height.
class SSEProcess {
 public:
  explicit SSEProcess(const FusionKernels& kernels);
  virtual ~SSEProcess() = default;
  SSEProcess(const SSEProcess&) = delete;
  SSEProcess& operator=(const SSEProcess&) = delete;

  // The picture's size and the longest line a pass will see; allocates the
  // line buffer (throws std::bad_alloc). The passes take turns on a single
  // buffer, so it costs one line, not one line per row or column.
  void Init(int width, int height, int longestLine);
  void FreeLineBuffers();

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  const FusionKernels& Kernels() const { return m_kernels; }

  // Rows of the planes lie `stride` values apart (cols when omitted).
  void Reduce(float* const planes[3], int cols, int rows, int stride = 0);
  void Expand(float* const planes[3], int cols, int rows) { ExpandStrided(planes, cols, rows, cols); }
  void ExpandStrided(float* const planes[3], int cols, int rows, int stride);
  void Subtract(float* dst, const float* src, int cols, int rows);
  void Add(float* dst, const float* src, int dstStride, int srcStride, int cols, int rows);
  void Divide(float* const planes[3], int cols, int rows, int stride, int n);

 private:
  const FusionKernels& m_kernels;
  std::unique_ptr<float[]> m_line;
  int m_width = 0;
  int m_height = 0;
  int m_lineLength = 0;
};
