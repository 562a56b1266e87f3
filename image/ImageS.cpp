#include "image/ImageS.h"

#include <climits>
#include <cstring>
#include <new>

#include "image/BmpWriter.h"
#include "image/FileOutput.h"

namespace ZEvuvoro {

namespace {

// Computed in 64 bits: widths near the int limit must not wrap.
int64_t RowBytes(int width) { return ((int64_t(width) * 8 + 31) / 32) * 4; }

// The stride of a width, checked before it is used: a row an int stride
// cannot describe, or a buffer the address space cannot hold, counts as out
// of memory.
int CheckedStride(int width, int height) {
  if (width < 1) return 0;
  const int64_t stride = RowBytes(width);
  if (stride > INT_MAX) throw std::bad_alloc();
  if (height >= 1 && uint64_t(stride) * uint64_t(height) > SIZE_MAX) throw std::bad_alloc();
  return static_cast<int>(stride);
}

}  // namespace

int CImageS::StrideFor(int width) { return static_cast<int>(RowBytes(width)); }

CImageS::CImageS() : m_bOwner(1), m_nWidth(0), m_nHeight(0), m_nStride(0), m_pData(nullptr) {}

CImageS::CImageS(int width, int height) : CImageS() { Create(width, height); }

CImageS::CImageS(const CImageS& source) : CImageS() {
  if (&source == this || source.m_pData == nullptr) return;
  Create(source.m_nWidth, source.m_nHeight);
  if (m_pData == nullptr) return;
  for (int y = 0; y < m_nHeight; ++y)
    std::memcpy(m_pData + ptrdiff_t(y) * m_nStride, source.m_pData + ptrdiff_t(y) * source.m_nStride, size_t(m_nWidth));
}

CImageS::~CImageS() { Release(); }

void CImageS::Create(int width, int height) {
  if (width == m_nWidth && height == m_nHeight) return;
  // A size that cannot be had is refused before the old pixels go.
  const int stride = CheckedStride(width, height);
  if (m_bOwner && m_pData != nullptr) delete[] m_pData;
  m_pData = nullptr;
  m_nWidth = width;
  m_nHeight = height;
  m_nStride = stride;
  if (width >= 1 && height >= 1) {
    m_pData = new uint8_t[static_cast<size_t>(uint64_t(stride) * uint64_t(height))]();
    m_bOwner = 1;
  }
}

void CImageS::Release() {
  if (m_bOwner && m_pData != nullptr) delete[] m_pData;
  m_pData = nullptr;
  m_nWidth = 0;
  m_nHeight = 0;
  m_nStride = 0;
}

void CImageS::Fill(uint8_t value) {
  if (m_pData == nullptr || m_nHeight < 1 || m_nStride < 1) return;
  std::memset(m_pData, value, size_t(m_nHeight) * size_t(m_nStride));
}

void CImageS::Attach(int width, int height, int stride, uint8_t* data) {
  if (data == m_pData) return;
  if (m_bOwner && m_pData != nullptr) delete[] m_pData;
  m_nWidth = width;
  m_nHeight = height;
  m_nStride = stride;
  m_pData = data;
  m_bOwner = 0;
}

int CImageS::SaveBmp(const wchar_t* path) const {
  if (path == nullptr || m_nHeight < 1 || m_nStride < 1 || m_pData == nullptr) return 0;
  CFileOutput file(path);
  if (!file.IsOpen()) return 0;
  if (!WriteBmp8(file, m_nWidth, m_nHeight, m_nStride, m_pData)) return 0;
  return file.Commit() ? 1 : 0;
}

}  // namespace ZEvuvoro
