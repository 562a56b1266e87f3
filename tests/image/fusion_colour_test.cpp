// The colour conversions of the fusion: the SSE2 variant against the scalar
// reference over every colour, and back from planes holding any value.

#include "image/fusion/FusionColour.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Planes {
  std::vector<float> y, cb, cr;
  Planes(size_t count, float fill) : y(count, fill), cb(count, fill), cr(count, fill) {}
  FusionPlaneRows Rows(ptrdiff_t stride) { return {y.data(), cb.data(), cr.data(), stride}; }
};

// Every colour once: 256 pictures of 256 x 256 (b2 fixed in each), in both row
// layouts, with a plane stride wider than the picture.
TEST(FusionColour, EveryColourConvertsAlikeInBothVariants) {
  const int width = 256, height = 256, stride = 260;
  for (int bytesPerPixel : {3, 4}) {
    SCOPED_TRACE(bytesPerPixel);
    const size_t rowBytes =
        static_cast<size_t>(width) * bytesPerPixel;  // no row padding: the last pixel ends the buffer
    std::vector<uint8_t> pixels(rowBytes * height);
    for (int b2 = 0; b2 < 256; ++b2) {
      for (int b1 = 0; b1 < height; ++b1)
        for (int b0 = 0; b0 < width; ++b0) {
          uint8_t* p = &pixels[rowBytes * b1 + static_cast<size_t>(b0) * bytesPerPixel];
          p[0] = static_cast<uint8_t>(b0);
          p[1] = static_cast<uint8_t>(b1);
          p[2] = static_cast<uint8_t>(b2);
          if (bytesPerPixel == 4) p[3] = static_cast<uint8_t>(b0 ^ b1);
        }
      Planes ref(static_cast<size_t>(stride) * height, -1.0f), sse(static_cast<size_t>(stride) * height, -1.0f);
      FusionPixelsToPlanesScalar(pixels.data(), rowBytes, bytesPerPixel, width, height, ref.Rows(stride));
      FusionPixelsToPlanesSse2(pixels.data(), rowBytes, bytesPerPixel, width, height, sse.Rows(stride));
      ASSERT_EQ(ref.y, sse.y) << "b2 " << b2;
      ASSERT_EQ(ref.cb, sse.cb) << "b2 " << b2;
      ASSERT_EQ(ref.cr, sse.cr) << "b2 " << b2;

      // And back: a picture without fusion returns the same bytes from both.
      std::vector<uint8_t> a(pixels.size(), 0xCD), b(pixels.size(), 0xCD);
      FusionPlanesToPixelsScalar(ref.Rows(stride), width, height, a.data(), rowBytes, bytesPerPixel);
      FusionPlanesToPixelsSse2(ref.Rows(stride), width, height, b.data(), rowBytes, bytesPerPixel);
      ASSERT_EQ(a, b) << "b2 " << b2;
    }
  }
}

// Fused planes can hold values far outside the pixel range, and values just
// below or above integers, where truncation toward zero matters.
TEST(FusionColour, AnyPlaneValueConvertsAlikeInBothVariants) {
  const float unusual[] = {-0.9999f,
                           0.9999f,
                           15.9999f,
                           16.0f,
                           127.99998f,
                           235.00002f,
                           32766.9f,
                           32767.0f,
                           -32767.5f,
                           32768.0f,
                           -40000.0f,
                           1e9f,
                           -1e9f,
                           3e38f,
                           -0.0f,
                           std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity()};
  std::mt19937 rng(17);
  std::uniform_real_distribution<float> usual(-60.0f, 320.0f);
  std::uniform_int_distribution<int> pick(0, 9);
  std::uniform_int_distribution<size_t> which(0, std::size(unusual) - 1);
  for (int width : {1, 3, 4, 5, 8, 37}) {
    for (int bytesPerPixel : {3, 4}) {
      SCOPED_TRACE(testing::Message() << width << " wide, " << bytesPerPixel << " bytes a pixel");
      const int height = 64, stride = width + 3;
      const size_t rowBytes = (static_cast<size_t>(width) * bytesPerPixel + 3) / 4 * 4;
      Planes planes(static_cast<size_t>(stride) * height, 0.0f);
      for (auto* plane : {&planes.y, &planes.cb, &planes.cr})
        for (float& v : *plane) v = pick(rng) == 0 ? unusual[which(rng)] : usual(rng);
      std::vector<uint8_t> a(rowBytes * height, 0xCD), b(rowBytes * height, 0xCD);
      FusionPlanesToPixelsScalar(planes.Rows(stride), width, height, a.data(), rowBytes, bytesPerPixel);
      FusionPlanesToPixelsSse2(planes.Rows(stride), width, height, b.data(), rowBytes, bytesPerPixel);
      ASSERT_EQ(a, b);
      for (int row = 0; row < height; ++row)
        for (size_t i = static_cast<size_t>(width) * bytesPerPixel; i < rowBytes; ++i)
          ASSERT_EQ(b[rowBytes * row + i], 0xCD) << "row padding written";
    }
  }
}

}  // namespace
