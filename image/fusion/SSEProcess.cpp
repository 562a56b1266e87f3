#include "image/fusion/SSEProcess.h"

#include <new>

SSEProcess::SSEProcess(const FusionKernels& kernels) : m_kernels(kernels) {}

void SSEProcess::Init(int width, int height, int longestLine) {
  m_width = width;
  m_height = height;
  m_lineLength = FusionLineLength(longestLine);
  m_line.reset(new float[m_lineLength]());
}

void SSEProcess::FreeLineBuffers() {
  m_line.reset();
  m_lineLength = 0;
}

void SSEProcess::Reduce(float* const planes[3], int cols, int rows, int stride) {
  for (int p = 0; p < 3; ++p)
    m_kernels.reduce(planes[p], cols, rows, stride ? stride : cols, m_width, m_height, m_line.get());
}

void SSEProcess::ExpandStrided(float* const planes[3], int cols, int rows, int stride) {
  for (int p = 0; p < 3; ++p) m_kernels.expand(planes[p], cols, rows, stride, m_width, m_height, m_line.get());
}

void SSEProcess::Subtract(float* dst, const float* src, int cols, int rows) {
  m_kernels.subtract(dst, dst, src, cols, rows, m_height);
}

void SSEProcess::Add(float* dst, const float* src, int dstStride, int srcStride, int cols, int rows) {
  m_kernels.add(dst, src, dstStride, srcStride, cols, rows, m_height);
}

void SSEProcess::Divide(float* const planes[3], int cols, int rows, int stride, int n) {
  for (int p = 0; p < 3; ++p) m_kernels.divide(planes[p], cols, rows, stride, static_cast<float>(n));
}
