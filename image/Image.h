#pragma once

#include <cstdint>

struct IStream;

namespace ZEvuvoro {

class CImageS;

// A rectangle of 32-bit pixels, bytes blue, green, red, alpha, either owned
// (allocated with new[], stride width x 4) or borrowed from a foreign buffer.
// The fields are public: users read them directly.
class CImage {
 public:
  CImage();
  explicit CImage(const wchar_t* path);
  CImage(int width, int height);
  explicit CImage(IStream* stream);
  CImage(const uint8_t* data, uint64_t size);
  CImage(const CImage& source);
  CImage& operator=(const CImage&) = delete;
  virtual ~CImage();

  void Create(int width, int height);
  void CopyFrom(const CImage& source);
  void Attach(int width, int height, int stride, uint8_t* data);
  // The same with the pixel pointer before the stride, as the capture code passes it.
  void Attach(int width, int height, void* pixels, int stride) {
    Attach(width, height, stride, static_cast<uint8_t*>(pixels));
  }
  void Fill(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue);
  void AlphaBlend(const CImage& source, int x, int y, int flip);
  void Release();

  int SaveBmp(const wchar_t* path, int flip) const;
  int SaveJpeg(const wchar_t* path, int flip) const;

  int LoadFile(const wchar_t* path);
  int LoadMemory(const uint8_t* data, uint64_t size);
  int LoadStream(IStream* stream);

  // Resamples this picture into the whole of target, which must already hold a
  // buffer of its own size; mode 0 bilinear, otherwise bicubic.
  void ScaleTo(CImage* target, int mode) const;

  void ExtractChannel(int byteIndex, CImageS& out) const;

  int IsValid() const { return m_bValid; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  int GetStride() const { return m_nStride; }
  uint8_t* GetData() const { return m_pData; }

  int m_bValid;
  int m_bOwner;
  int m_nWidth;
  int m_nHeight;
  int m_nStride;
  uint8_t* m_pData;

 private:
  int ReadStream(IStream* stream);
  void TakeOutput(class CDecode& decoder);
};

}  // namespace ZEvuvoro
