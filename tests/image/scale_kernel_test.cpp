#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "image/ImageScale.h"
#include "tests/image/kernel_reference.h"

using namespace ZEvuvoro;

namespace {

using Kernel = void (*)(const PixelRegion&, const PixelRegion&);

struct Variant {
  const char* name;
  int mode;
  Kernel fn;
};

const Variant kVariants[] = {
    {"bilinear scalar", 0, ScaleBilinearScalar},
    {"bilinear sse2", 0, ScaleBilinearSse2},
    {"bicubic scalar", 1, ScaleBicubicScalar},
    {"bicubic sse2", 1, ScaleBicubicSse2},
};

PixelRegion Region(std::vector<uint8_t>& b, int w, int h, int stride) { return {b.data(), stride, w, h}; }

}  // namespace

TEST(ScaleKernel, CubicWeights) {
  const int16_t* t = CubicWeightTable();
  EXPECT_EQ(t[0], 16384);
  EXPECT_EQ(t[384], -2047);
  EXPECT_EQ(t[256], 0);
  EXPECT_EQ(t[512], 0);
  EXPECT_EQ(*std::min_element(t, t + 513), -2426);
  for (int i = 340; i <= 343; ++i) EXPECT_EQ(t[i], -2426);
  EXPECT_EQ(t[256 + 128], -2047);
  EXPECT_EQ(t[128], 10240);
  EXPECT_EQ(t[256 + 128] + t[128] + t[256 - 128] + t[512 - 128], 16386);
}

TEST(ScaleKernel, KernelsMatchTheReferenceModel) {
  for (const ReferenceCase& c : LoadReferenceCases("scale")) {
    const auto p = [&](int i) { return static_cast<int>(c.p[i]); };
    const int mode = p(0), sw = p(1), sh = p(2), ss = p(3), dw = p(4), dh = p(5), ds = p(6);
    if (sw == dw && sh == dh) continue;  // equal sizes are a copy, done by the image itself
    std::vector<uint8_t> src = c.Blob("src");
    const std::vector<uint8_t> expected = c.Blob("expected");
    for (const Variant& v : kVariants) {
      if (v.mode != mode) continue;
      SCOPED_TRACE(c.name + " " + v.name);
      std::vector<uint8_t> dst = c.Blob("dst");
      v.fn(Region(src, sw, sh, ss), Region(dst, dw, dh, ds));
      EXPECT_EQ(FirstDifference(dst, expected), -1);
    }
  }
}

TEST(ScaleKernel, Sse2EqualsScalarOnRandomSizes) {
  std::srand(3);
  for (int round = 0; round < 120; ++round) {
    const int sw = 1 + std::rand() % 30, sh = 1 + std::rand() % 12;
    // Some targets wider than one strip of the bicubic kernel's column cache.
    const int dw = round % 10 == 9 ? 250 + std::rand() % 400 : 1 + std::rand() % 30;
    const int dh = 1 + std::rand() % 12;
    const int ss = sw * 4 + std::rand() % 7, ds = dw * 4 + std::rand() % 7;
    std::vector<uint8_t> src(static_cast<size_t>(ss) * sh);
    for (uint8_t& b : src) b = static_cast<uint8_t>(std::rand());
    std::vector<uint8_t> a(static_cast<size_t>(ds) * dh, 0x5A), b = a, c = a, d = a;
    ScaleBilinearScalar(Region(src, sw, sh, ss), Region(a, dw, dh, ds));
    ScaleBilinearSse2(Region(src, sw, sh, ss), Region(b, dw, dh, ds));
    ScaleBicubicScalar(Region(src, sw, sh, ss), Region(c, dw, dh, ds));
    ScaleBicubicSse2(Region(src, sw, sh, ss), Region(d, dw, dh, ds));
    ASSERT_EQ(FirstDifference(a, b), -1) << "bilinear round " << round;
    ASSERT_EQ(FirstDifference(c, d), -1) << "bicubic round " << round;
  }
}

TEST(ScaleKernel, TooSmallRegionsLeaveTheTargetAlone) {
  std::vector<uint8_t> src(4 * 4 * 4, 200), dst(3 * 3 * 4, 9);
  for (const Variant& v : kVariants) {
    SCOPED_TRACE(v.name);
    v.fn(Region(src, 0, 4, 16), Region(dst, 3, 3, 12));
    v.fn(Region(src, 4, 4, 16), Region(dst, 0, 3, 12));
    v.fn(Region(src, 4, 4, 16), Region(dst, 3, 0, 12));
    if (v.mode == 0) {
      v.fn(Region(src, 1, 4, 16), Region(dst, 3, 3, 12));
      v.fn(Region(src, 4, 1, 16), Region(dst, 3, 3, 12));
    }
    EXPECT_EQ(dst, std::vector<uint8_t>(3 * 3 * 4, 9));
  }
}

TEST(ScaleKernel, BilinearThreeToTwoPicksSourceColumns) {
  std::vector<uint8_t> src = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120,
                              10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  std::vector<uint8_t> dst(2 * 2 * 4);
  ScaleBilinearSse2(Region(src, 3, 2, 12), Region(dst, 2, 2, 8));
  EXPECT_EQ(std::vector<uint8_t>(dst.begin(), dst.begin() + 8), std::vector<uint8_t>(src.begin(), src.begin() + 8));
}

TEST(ScaleKernel, BicubicEnlargementFadesTheOuterAlpha) {
  std::vector<uint8_t> src(4 * 4 * 4);
  for (size_t i = 0; i < src.size(); ++i) src[i] = i % 4 == 3 ? 255 : 128;
  std::vector<uint8_t> dst(12 * 12 * 4);
  ScaleBicubicSse2(Region(src, 4, 4, 16), Region(dst, 12, 12, 48));
  EXPECT_LT(dst[3], 200);
  EXPECT_NEAR(dst[0], 128, 1);
  EXPECT_GE(dst[(6 * 12 + 6) * 4 + 3], 253);
}

TEST(ScaleKernel, BicubicClampsTheOvershootOfAnEdge) {
  std::vector<uint8_t> src(8 * 2 * 4);
  for (int x = 0; x < 8; ++x)
    for (int y = 0; y < 2; ++y) std::fill_n(&src[(y * 8 + x) * 4], 4, x < 4 ? 0 : 255);
  std::vector<uint8_t> dst(20 * 2 * 4, 1);
  ScaleBicubicSse2(Region(src, 8, 2, 32), Region(dst, 20, 2, 80));
  // Without clamping, the ringing each side of the edge would wrap around.
  EXPECT_EQ(dst[(20 + 0) * 4], 0);
  for (int x = 0; x < 8; ++x) EXPECT_LE(dst[(20 + x) * 4], 40) << x;
  for (int x = 12; x < 20; ++x) EXPECT_GE(dst[(20 + x) * 4], 215) << x;
}

TEST(ScaleKernel, SidesOf32768AndMoreScaleCorrectly) {
  // 40000 x 2 to 3 x 2: the steps put the samples at columns 0, 13333 and 26666 exactly.
  const int sw = 40000;
  std::vector<uint8_t> src(static_cast<size_t>(sw) * 2 * 4);
  for (int x = 0; x < sw; ++x)
    for (int y = 0; y < 2; ++y)
      std::fill_n(&src[(static_cast<size_t>(y) * sw + x) * 4], 4, static_cast<uint8_t>(x * 7 / 13));
  for (auto fn : {ScaleBilinearScalar, ScaleBilinearSse2}) {
    std::vector<uint8_t> dst(3 * 2 * 4, 0);
    fn(Region(src, sw, 2, sw * 4), Region(dst, 3, 2, 12));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dst[i * 4], static_cast<uint8_t>(13333 * i * 7 / 13)) << i;
  }
  for (auto fn : {ScaleBicubicScalar, ScaleBicubicSse2}) {
    std::vector<uint8_t> dst(3 * 2 * 4, 0);
    fn(Region(src, sw, 2, sw * 4), Region(dst, 3, 2, 12));
    // Centres map onto centres: target column 1 lies at about source column 20000.
    EXPECT_NEAR(dst[4], static_cast<uint8_t>(19999 * 7 / 13), 3);
  }
}
