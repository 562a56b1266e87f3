#pragma once

#include <cstdint>

namespace ZEvuvoro {

// An 8-bit single-channel picture; rows are padded to a multiple of 4 bytes.
class CImageS {
 public:
  CImageS();
  CImageS(int width, int height);
  CImageS(const CImageS& source);
  CImageS& operator=(const CImageS&) = delete;
  virtual ~CImageS();

  void Create(int width, int height);
  void Release();
  void Fill(uint8_t value);
  void Attach(int width, int height, int stride, uint8_t* data);
  int SaveBmp(const wchar_t* path) const;

  // Bytes per row: the width taken up to a multiple of 4. Create refuses the
  // widths whose stride would not fit an int.
  static int StrideFor(int width);

  int m_bOwner;
  int m_nWidth;
  int m_nHeight;
  int m_nStride;
  uint8_t* m_pData;
};

}  // namespace ZEvuvoro
