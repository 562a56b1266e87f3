#pragma once

#include <cstddef>
#include <cstdint>

// Conversion between pixel rows and the fusion's luma and colour-difference
// planes (BT.601 studio range in integers, b0 in the place of red and b2 in the
// place of blue). Rows are `rowBytes` apart, 3 bytes a pixel when
// bytesPerPixel is 3, else 4 (the fourth ignored on input, 255 on output);
// plane rows are `planeStride` values apart. Both variants give the same bytes.
struct FusionPlaneRows {
  float* y;
  float* cb;
  float* cr;
  ptrdiff_t stride;
};

void FusionPixelsToPlanesScalar(const uint8_t* pixels, size_t rowBytes, int bytesPerPixel, int width, int height,
                                const FusionPlaneRows& planes);
void FusionPixelsToPlanesSse2(const uint8_t* pixels, size_t rowBytes, int bytesPerPixel, int width, int height,
                              const FusionPlaneRows& planes);
void FusionPlanesToPixelsScalar(const FusionPlaneRows& planes, int width, int height, uint8_t* out, size_t rowBytes,
                                int bytesPerPixel);
void FusionPlanesToPixelsSse2(const FusionPlaneRows& planes, int width, int height, uint8_t* out, size_t rowBytes,
                              int bytesPerPixel);
