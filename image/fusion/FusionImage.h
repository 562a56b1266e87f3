#pragma once

#include "image/fusion/FloatPlane.h"

#include <cstdint>

class CFusionLaplace;

// Focus-stack fusion of pictures taken at different focus depths into one picture
// that is sharp everywhere. Pictures go in as pixel rows, top row first: with 24
// bits per pixel 3 bytes a pixel and rows padded to a multiple of 4 bytes, with
// any other value 4 bytes a pixel (the fourth ignored on input, 255 on output).
// Each picture becomes a luma and two colour-difference planes that the
// Laplacian-pyramid engine fuses independently.
class CGPUFusionImage {
 public:
  CGPUFusionImage(int width, int height, int powerOfTwo);
  virtual ~CGPUFusionImage();
  CGPUFusionImage(const CGPUFusionImage&) = delete;
  CGPUFusionImage& operator=(const CGPUFusionImage&) = delete;

  bool AddImage(int bitsPerPixel, const uint8_t* pixels);
  bool GetResult(int bitsPerPixel, uint8_t* out);
  void FreeLineBuffers();

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int PaddedWidth() const { return m_paddedWidth; }
  int PaddedHeight() const { return m_paddedHeight; }
  const FloatPlane& Plane(int index) const { return m_planes[index]; }

  // The plane size for a picture side; 0 when it cannot be represented.
  static int PaddedSide(int side, bool powerOfTwo);
  // Bytes of one row of pixels as exchanged with the caller.
  static uint64_t RowBytes(int width, int bitsPerPixel);

 private:
  int32_t m_width;
  int32_t m_height;
  int32_t m_paddedWidth;
  int32_t m_paddedHeight;
  FloatPlane m_planes[3];  // Y, Cb, Cr
  CFusionLaplace* m_engine = nullptr;
};

// Null when the size is not positive or the memory cannot be had.
CGPUFusionImage* CreateFusionImage(int width, int height, int powerOfTwo);
// False when the handle or pixels are null or the memory cannot be had.
bool FusionAddImage(CGPUFusionImage* fusion, int bitsPerPixel, const uint8_t* pixels);
// Writes the fused picture; false (out untouched) when no picture was added.
bool FusionGetResult(CGPUFusionImage* fusion, int bitsPerPixel, uint8_t* out);
void DestroyFusionImage(CGPUFusionImage* fusion);
