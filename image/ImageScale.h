#pragma once
// Resampling of 32-bit B, G, R, A pixels: bilinear and bicubic fixed-point
// kernels. Each byte is its own channel (alpha is resampled like the colours).
#include <cstdint>

namespace ZEvuvoro {

struct PixelRegion {
  uint8_t* data;   // pixel (0, 0)
  int32_t stride;  // bytes from one row to the next
  int32_t width;
  int32_t height;
};

// Cubic convolution weights (a = -1) for distances i / 256, i = 0..512, 1.0 = 16384.
const int16_t* CubicWeightTable();

// Leave dst untouched when either region is too small for the kernel.
void ScaleBilinearScalar(const PixelRegion& src, const PixelRegion& dst);
void ScaleBilinearSse2(const PixelRegion& src, const PixelRegion& dst);
void ScaleBicubicScalar(const PixelRegion& src, const PixelRegion& dst);
void ScaleBicubicSse2(const PixelRegion& src, const PixelRegion& dst);

}  // namespace ZEvuvoro
