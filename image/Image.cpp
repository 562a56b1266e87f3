#include "image/Image.h"

#include <climits>
#include <cstring>
#include <new>

#include "image/AlphaBlendKernel.h"
#include "image/BmpWriter.h"
#include "image/FileOutput.h"
#include "image/ImageS.h"

namespace ZEvuvoro {

namespace {

// Bytes per row of an owned buffer, width x 4, checked before anything is
// computed in int: a width whose row an int stride cannot describe, or a
// buffer the address space cannot hold, counts as out of memory.
int RowBytes(int width, int height) {
  const int64_t stride = int64_t(width) * 4;
  if (stride > INT_MAX || stride < INT_MIN) throw std::bad_alloc();
  if (width >= 1 && height >= 1 && uint64_t(stride) * uint64_t(height) > SIZE_MAX) throw std::bad_alloc();
  return static_cast<int>(stride);
}

// Zero-filled owned pixels of a size RowBytes accepted.
uint8_t* AllocatePixels(int stride, int height) {
  return new uint8_t[static_cast<size_t>(uint64_t(stride) * uint64_t(height))]();
}

}  // namespace

CImage::CImage() : m_bValid(0), m_bOwner(1), m_nWidth(0), m_nHeight(0), m_nStride(0), m_pData(nullptr) {}

CImage::CImage(const wchar_t* path) : CImage() { LoadFile(path); }

CImage::CImage(int width, int height) : CImage() {
  if (width >= 1 && height >= 1) {
    const int stride = RowBytes(width, height);
    m_pData = AllocatePixels(stride, height);
    m_nWidth = width;
    m_nHeight = height;
    m_nStride = stride;
    m_bValid = 1;
  }
}

CImage::CImage(IStream* stream) : CImage() {
  if (stream != nullptr) ReadStream(stream);
}

CImage::CImage(const uint8_t* data, uint64_t size) : CImage() { LoadMemory(data, size); }

CImage::CImage(const CImage& source) : CImage() {
  if (&source == this || !source.m_bValid || (source.m_nWidth == 0 && source.m_nHeight == 0)) return;
  const int stride = RowBytes(source.m_nWidth, source.m_nHeight);
  m_nWidth = source.m_nWidth;
  m_nHeight = source.m_nHeight;
  m_nStride = stride;
  if (m_nWidth >= 1 && m_nHeight >= 1) {
    m_pData = AllocatePixels(m_nStride, m_nHeight);
    m_bValid = 1;
    if (source.m_pData != nullptr) {
      for (int y = 0; y < m_nHeight; ++y)
        std::memcpy(m_pData + size_t(y) * m_nStride, source.m_pData + ptrdiff_t(y) * source.m_nStride,
                    size_t(m_nWidth) * 4);
    }
  }
}

CImage::~CImage() { Release(); }

void CImage::Release() {
  if (m_bOwner && m_pData != nullptr) delete[] m_pData;
  m_pData = nullptr;
  m_nWidth = 0;
  m_nHeight = 0;
  m_nStride = 0;
  m_bValid = 0;
}

void CImage::Create(int width, int height) {
  if (width == m_nWidth && height == m_nHeight) return;
  // A size that cannot be had is refused before the old pixels go.
  const int stride = RowBytes(width, height);
  if (m_bOwner && m_pData != nullptr) delete[] m_pData;
  m_pData = nullptr;
  m_bValid = 0;
  m_nWidth = width;
  m_nHeight = height;
  m_nStride = stride;
  if (width >= 1 && height >= 1) {
    m_pData = AllocatePixels(stride, height);
    m_bOwner = 1;
    m_bValid = 1;
  }
}

void CImage::CopyFrom(const CImage& source) {
  if (&source == this) return;
  if (source.m_nWidth != m_nWidth || source.m_nHeight != m_nHeight) Create(source.m_nWidth, source.m_nHeight);
  if (m_pData == nullptr || source.m_pData == nullptr || m_nWidth < 1) return;
  for (int y = 0; y < m_nHeight; ++y)
    std::memcpy(m_pData + ptrdiff_t(y) * m_nStride, source.m_pData + ptrdiff_t(y) * source.m_nStride,
                size_t(m_nWidth) * 4);
}

void CImage::Attach(int width, int height, int stride, uint8_t* data) {
  if (data == m_pData) return;
  if (m_bOwner && m_pData != nullptr) delete[] m_pData;
  m_nWidth = width;
  m_nHeight = height;
  m_nStride = stride;
  m_pData = data;
  m_bValid = 1;
  m_bOwner = 0;
}

void CImage::Fill(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue) {
  if (m_nWidth < 1 || m_nHeight < 1 || m_pData == nullptr) return;
  const uint32_t pixel = uint32_t(blue) | uint32_t(green) << 8 | uint32_t(red) << 16 | uint32_t(alpha) << 24;
  for (int y = 0; y < m_nHeight; ++y) {
    uint8_t* row = m_pData + ptrdiff_t(y) * m_nStride;
    for (int x = 0; x < m_nWidth; ++x) std::memcpy(row + size_t(x) * 4, &pixel, 4);
  }
}

void CImage::AlphaBlend(const CImage& source, int x, int y, int flip) {
  if (x >= m_nWidth || y >= m_nHeight || m_pData == nullptr || source.m_pData == nullptr) return;
  // Rows and columns of the block as if nothing lay left of or above the
  // image; the parts at negative positions are then clipped away.
  const int64_t n = int64_t(y) + source.m_nHeight < m_nHeight ? source.m_nHeight : int64_t(m_nHeight) - y;
  const int64_t m = int64_t(x) + source.m_nWidth < m_nWidth ? source.m_nWidth : int64_t(m_nWidth) - x;
  const int64_t firstRow = y < 0 ? -int64_t(y) : 0;
  const int64_t firstColumn = x < 0 ? -int64_t(x) : 0;
  if (firstRow >= n || firstColumn >= m) return;
  const int count = static_cast<int>(m - firstColumn);
  for (int64_t i = firstRow; i < n; ++i) {
    const int64_t sourceRow = flip ? n - 1 - i : i;
    const uint8_t* from = source.m_pData + sourceRow * source.m_nStride + firstColumn * 4;
    uint8_t* to = m_pData + (y + i) * m_nStride + (x + firstColumn) * 4;
    BlendRow(to, from, count);
  }
}

void CImage::ExtractChannel(int byteIndex, CImageS& out) const {
  if (!m_bValid || m_pData == nullptr || byteIndex < 0 || byteIndex > 3) return;
  out.Create(m_nWidth, m_nHeight);
  if (out.m_pData == nullptr) return;
  for (int y = 0; y < m_nHeight; ++y) {
    const uint8_t* from = m_pData + ptrdiff_t(y) * m_nStride + byteIndex;
    uint8_t* to = out.m_pData + ptrdiff_t(y) * out.m_nStride;
    for (int x = 0; x < m_nWidth; ++x) to[x] = from[size_t(x) * 4];
  }
}

}  // namespace ZEvuvoro

namespace ZEvuvoro {

int CImage::SaveBmp(const wchar_t* path, int flip) const {
  if (path == nullptr || !m_bValid || m_nStride < 1 || m_nHeight < 1 || m_pData == nullptr) return 0;
  CFileOutput file(path);
  if (!file.IsOpen()) return 0;
  if (!WriteBmp32(file, m_nWidth, m_nHeight, m_nStride, m_pData, flip)) return 0;
  return file.Commit() ? 1 : 0;
}

}  // namespace ZEvuvoro
