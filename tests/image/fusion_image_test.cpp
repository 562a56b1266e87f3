// The four fusion functions: plane sizes, the colour conversions, the pixel
// row layouts, small and odd sizes, and misuse.

#include "image/fusion/FusionImage.h"

#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct FusionHolder {
  CGPUFusionImage* fusion;
  explicit FusionHolder(CGPUFusionImage* f) : fusion(f) {}
  ~FusionHolder() { DestroyFusionImage(fusion); }
};

size_t ImageBytes(int width, int height, int bitsPerPixel) {
  return static_cast<size_t>(CGPUFusionImage::RowBytes(width, bitsPerPixel)) * height;
}

// A textured picture: smooth gradients with sharp-edged blocks and noise.
std::vector<uint8_t> Texture(int width, int height, int bitsPerPixel, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-20, 20);
  const size_t row = CGPUFusionImage::RowBytes(width, bitsPerPixel);
  const int step = bitsPerPixel == 24 ? 3 : 4;
  std::vector<uint8_t> pixels(row * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < step; ++c) {
        const int block = ((x / 7 + y / 5 + c) % 3) * 60;
        const int v = 30 + block + (x * 3 + y * (c + 1)) % 50 + noise(rng);
        pixels[row * y + x * step + c] = static_cast<uint8_t>(std::clamp(v, 0, 255));
      }
  return pixels;
}

TEST(FusionImage, PlaneSizes) {
  struct Case {
    int width, height, powerOfTwo, cols, rows;
  };
  const Case cases[] = {{1000, 700, 1, 1024, 1024},
                        {1000, 700, 0, 1000, 700},
                        {1001, 701, 0, 1004, 704},
                        {1, 1, 1, 2, 2},
                        {2, 3, 1, 2, 4},
                        {1, 1, 0, 4, 4},
                        {3, 5, 0, 4, 8},
                        {16, 17, 7, 16, 32}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " power of two " << c.powerOfTwo);
    FusionHolder h(CreateFusionImage(c.width, c.height, c.powerOfTwo));
    ASSERT_NE(h.fusion, nullptr);
    EXPECT_EQ(h.fusion->PaddedWidth(), c.cols);
    EXPECT_EQ(h.fusion->PaddedHeight(), c.rows);
    for (int p = 0; p < 3; ++p) {
      EXPECT_EQ(h.fusion->Plane(p).Cols(), c.cols);
      EXPECT_EQ(h.fusion->Plane(p).Rows(), c.rows);
    }
  }
}

// The forward conversion of single pixels, and their way back through a fusion
// of that picture alone.
TEST(FusionImage, ColourConversion) {
  struct Case {
    uint8_t b0, b1, b2;
    float y, cb, cr;
    bool exactBack;
  };
  const Case cases[] = {{0, 0, 0, 16, 128, 128, true},
                        {255, 255, 255, 235, 128, 128, true},
                        {255, 0, 0, 82, 90, 240, false},
                        {0, 0, 255, 41, 240, 110, false},
                        {10, 200, 90, 128, 108, 53, false}};
  for (int bits : {24, 32}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << bits << " bits, pixel " << int(c.b0) << " " << int(c.b1) << " " << int(c.b2));
      FusionHolder h(CreateFusionImage(1, 1, 0));
      const uint8_t in[4] = {c.b0, c.b1, c.b2, 7};
      ASSERT_TRUE(FusionAddImage(h.fusion, bits, in));
      EXPECT_EQ(h.fusion->Plane(0).Data()[0], c.y);
      EXPECT_EQ(h.fusion->Plane(1).Data()[0], c.cb);
      EXPECT_EQ(h.fusion->Plane(2).Data()[0], c.cr);
      // The padding of the planes stays 0.
      EXPECT_EQ(h.fusion->Plane(0).Data()[1], 0.0f);
      uint8_t out[4] = {1, 2, 3, 4};
      ASSERT_TRUE(FusionGetResult(h.fusion, bits, out));
      for (int i = 0; i < 3; ++i) {
        if (c.exactBack)
          EXPECT_EQ(out[i], in[i]) << i;
        else
          EXPECT_NEAR(out[i], in[i], 3) << i;
      }
      EXPECT_EQ(out[3], bits == 24 ? 4 : 255);
    }
  }
}

// A picture alone comes back, whatever its size, row layout or padding, up to
// the rounding of the integer colour conversions (their round trip alone moves
// a byte by up to 3) and of the pyramid; the padding bytes of 24-bit rows are
// never written and the fourth byte of 32-bit pixels is 255 whatever went in.
TEST(FusionImage, SinglePictureComesBack) {
  struct Case {
    int width, height, powerOfTwo;
  };
  const Case cases[] = {{1, 1, 0},   {3, 2, 0},     {2, 3, 1},     {5, 7, 0},   {17, 16, 0},
                        {33, 31, 1}, {200, 150, 0}, {200, 150, 1}, {61, 45, 0}, {130, 97, 0}};
  for (const auto& c : cases) {
    for (int bits : {24, 32}) {
      SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " power of two " << c.powerOfTwo << ", "
                                      << bits << " bits");
      const auto in = Texture(c.width, c.height, bits, 1);
      FusionHolder h(CreateFusionImage(c.width, c.height, c.powerOfTwo));
      ASSERT_TRUE(FusionAddImage(h.fusion, bits, in.data()));
      std::vector<uint8_t> out(ImageBytes(c.width, c.height, bits), 0xCD);
      ASSERT_TRUE(FusionGetResult(h.fusion, bits, out.data()));
      const size_t row = CGPUFusionImage::RowBytes(c.width, bits);
      int worst = 0;
      double total = 0;
      for (int y = 0; y < c.height; ++y)
        for (size_t i = 0; i < row; ++i) {
          const size_t at = row * y + i;
          const bool pixelByte = i < static_cast<size_t>(c.width) * (bits / 8);
          if (!pixelByte)
            ASSERT_EQ(out[at], 0xCD) << "row padding written at row " << y;
          else if (bits == 32 && i % 4 == 3)
            ASSERT_EQ(out[at], 255) << "fourth byte at row " << y;
          else {
            worst = std::max(worst, std::abs(int(out[at]) - int(in[at])));
            total += std::abs(int(out[at]) - int(in[at]));
          }
        }
      EXPECT_LE(worst, 3);
      EXPECT_LT(total / (c.width * c.height * 3), 0.75);
    }
  }
}

TEST(FusionImage, TwentyFourBitRowsArePaddedToFourBytes) {
  EXPECT_EQ(CGPUFusionImage::RowBytes(3, 24), 12u);
  EXPECT_EQ(CGPUFusionImage::RowBytes(4, 24), 12u);
  EXPECT_EQ(CGPUFusionImage::RowBytes(5, 24), 16u);
  EXPECT_EQ(CGPUFusionImage::RowBytes(3, 32), 12u);
}

// Several pictures of one scene where each is sharp in its own half: the
// fusion takes each half from the picture that is sharp there.
TEST(FusionImage, EachRegionComesFromItsSharpPicture) {
  const int width = 96, height = 64;
  const auto sharp = Texture(width, height, 24, 4);
  const size_t row = CGPUFusionImage::RowBytes(width, 24);
  // A flat version of the texture: each pixel replaced by its 8 x 8 block mean.
  std::vector<uint8_t> flat(sharp.size(), 0);
  for (int by = 0; by < height; by += 8)
    for (int bx = 0; bx < width; bx += 8)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int y = by; y < by + 8; ++y)
          for (int x = bx; x < bx + 8; ++x) sum += sharp[row * y + x * 3 + c];
        for (int y = by; y < by + 8; ++y)
          for (int x = bx; x < bx + 8; ++x) flat[row * y + x * 3 + c] = static_cast<uint8_t>(sum / 64);
      }
  auto left = flat, right = flat;
  for (int y = 0; y < height; ++y) {
    std::memcpy(&left[row * y], &sharp[row * y], width / 2 * 3);
    std::memcpy(&right[row * y + width / 2 * 3], &sharp[row * y + width / 2 * 3], width / 2 * 3);
  }
  FusionHolder h(CreateFusionImage(width, height, 0));
  ASSERT_TRUE(FusionAddImage(h.fusion, 24, left.data()));
  ASSERT_TRUE(FusionAddImage(h.fusion, 24, right.data()));
  std::vector<uint8_t> out(sharp.size());
  ASSERT_TRUE(FusionGetResult(h.fusion, 24, out.data()));
  auto error = [&](const std::vector<uint8_t>& picture) {
    double sum = 0;
    for (size_t i = 0; i < picture.size(); ++i) sum += std::abs(int(picture[i]) - int(sharp[i]));
    return sum / picture.size();
  };
  EXPECT_LT(error(out), 0.5 * error(left));
  EXPECT_LT(error(out), 0.5 * error(right));
}

TEST(FusionImage, MisuseFailsCleanly) {
  EXPECT_EQ(CreateFusionImage(0, 5, 0), nullptr);
  EXPECT_EQ(CreateFusionImage(5, -1, 1), nullptr);
  EXPECT_EQ(CreateFusionImage(INT_MAX, INT_MAX, 0), nullptr);
  EXPECT_EQ(CreateFusionImage(INT_MAX, 2, 1), nullptr);

  uint8_t pixels[64] = {};
  uint8_t out[64];
  std::memset(out, 0xAB, sizeof out);
  EXPECT_FALSE(FusionAddImage(nullptr, 24, pixels));
  EXPECT_FALSE(FusionGetResult(nullptr, 24, out));
  DestroyFusionImage(nullptr);

  FusionHolder h(CreateFusionImage(4, 4, 0));
  ASSERT_NE(h.fusion, nullptr);
  // No picture added yet: the result request fails and leaves out alone.
  EXPECT_FALSE(FusionGetResult(h.fusion, 24, out));
  for (uint8_t b : out) ASSERT_EQ(b, 0xAB);
  EXPECT_FALSE(FusionAddImage(h.fusion, 32, nullptr));
  EXPECT_TRUE(FusionAddImage(h.fusion, 32, pixels));
  EXPECT_FALSE(FusionGetResult(h.fusion, 32, nullptr));
  EXPECT_TRUE(FusionGetResult(h.fusion, 32, out));
}

}  // namespace
