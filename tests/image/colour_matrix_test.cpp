#include <gtest/gtest.h>

#include <cmath>

#include "image/colour/ColorMatrix.h"
#include "tests/image/kernel_reference.h"

using namespace ZEvuvoro;

namespace {

std::vector<int> Fixed(const ColorMatrixChain& c) { return std::vector<int>(c.FixedPoint(), c.FixedPoint() + 16); }

ColorMatrixChain Neutral(bool correction) {
  ColorMatrixChain c;
  c.SetCorrection(correction);
  return c;
}

}  // namespace

TEST(ColourMatrix, NewChainCarriesTheFixedCorrection) {
  const std::vector<int> corrected = {87, -16, -6, 0, -14, 90, -20, 0, -9, -10, 91, 0, 0, 0, 0, 64};
  EXPECT_EQ(Fixed(ColorMatrixChain()), corrected);
  EXPECT_EQ(Fixed(Neutral(true)), corrected);
  const std::vector<int> identity = {64, 0, 0, 0, 0, 64, 0, 0, 0, 0, 64, 0, 0, 0, 0, 64};
  EXPECT_EQ(Fixed(Neutral(false)), identity);
}

TEST(ColourMatrix, MultiplyAppliesTheLeftFactorFirstAndMayAlias) {
  ColorMatrix4 offset, scale;
  ColorMatrixIdentity(offset);
  ColorMatrixIdentity(scale);
  offset.m[3][0] = 10.0f;
  scale.m[0][0] = 2.0f;
  ColorMatrix4 out;
  ColorMatrixMultiply(scale, offset, out);  // offset first, then scale
  float r, g, b;
  ColorMatrixTransformPoint(out, 1.0f, 0.0f, 0.0f, r, g, b);
  EXPECT_EQ(r, 22.0f);
  ColorMatrixMultiply(offset, scale, scale);  // scale first, then offset, into scale itself
  ColorMatrixTransformPoint(scale, 1.0f, 0.0f, 0.0f, r, g, b);
  EXPECT_EQ(r, 12.0f);
}

TEST(ColourMatrix, SliderFactorsAndTheirLimits) {
  struct Case {
    const char* what;
    void (ColorMatrixChain::*set)(int);
    int value;
    float diagonal;
    float offset;
  };
  const Case cases[] = {
      {"brightness 600 clamps to 510", &ColorMatrixChain::SetBrightness, 600, 1.0f, 255.0f},
      {"brightness -10 is not raised", &ColorMatrixChain::SetBrightness, -10, 1.0f, -265.0f},
      {"contrast 20 doubles about 128", &ColorMatrixChain::SetContrast, 20, 2.0f, -128.0f},
      {"contrast 0 flattens to 128", &ColorMatrixChain::SetContrast, 0, 0.0f, 128.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ColorMatrixChain chain = Neutral(false);
    (chain.*c.set)(c.value);
    const ColorMatrix4& p = chain.Product();
    for (int i = 0; i < 3; ++i) {
      EXPECT_FLOAT_EQ(p.m[i][i], c.diagonal);
      EXPECT_FLOAT_EQ(p.m[3][i], c.offset);
    }
  }
}

TEST(ColourMatrix, ContrastZeroKeepsGreyThroughTheCorrection) {
  ColorMatrixChain chain = Neutral(true);
  chain.SetContrast(0);
  for (float v : {0.0f, 17.0f, 255.0f}) {
    float r, g, b;
    ColorMatrixTransformPoint(chain.Product(), v, 255.0f - v, v / 2, r, g, b);
    EXPECT_NEAR(r, 128.0f, 1e-3f);
    EXPECT_NEAR(g, 128.0f, 1e-3f);
    EXPECT_NEAR(b, 128.0f, 1e-3f);
  }
}

TEST(ColourMatrix, SaturationZeroGivesLuminance) {
  ColorMatrixChain chain = Neutral(false);
  chain.SetSaturation(0);
  float r, g, b;
  ColorMatrixTransformPoint(chain.Product(), 200.0f, 100.0f, 50.0f, r, g, b);
  const float y = 0.3086f * 200 + 0.6094f * 100 + 0.0820f * 50;
  EXPECT_NEAR(r, y, 1e-3f);
  EXPECT_NEAR(g, y, 1e-3f);
  EXPECT_NEAR(b, y, 1e-3f);
}

TEST(ColourMatrix, HueRotationKeepsGreyAndLuminance) {
  ColorMatrix4 m;
  ColorMatrixHue(m, 120);
  const float expected[3][3] = {
      {-0.3008f, 0.6992f, -0.3008f}, {0.5274f, 0.5274f, 1.5274f}, {0.7734f, -0.2266f, -0.2266f}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(m.m[i][j], expected[i][j], 1e-4f) << i << "," << j;
  for (int degrees : {0, 45, 120, 200, 359}) {
    SCOPED_TRACE(degrees);
    ColorMatrixHue(m, degrees);
    float r, g, b;
    ColorMatrixTransformPoint(m, 90.0f, 90.0f, 90.0f, r, g, b);
    EXPECT_NEAR(r, 90.0f, 1e-3f);
    EXPECT_NEAR(b, 90.0f, 1e-3f);
    ColorMatrixTransformPoint(m, 200.0f, 30.0f, 120.0f, r, g, b);
    EXPECT_NEAR(0.3086f * r + 0.6094f * g + 0.0820f * b, 0.3086f * 200 + 0.6094f * 30 + 0.0820f * 120, 1e-2f);
  }
  ColorMatrixChain chain = Neutral(false);
  chain.SetHue(0);
  EXPECT_EQ(Fixed(chain), Fixed(Neutral(false)));
}

TEST(ColourMatrix, ExtremeProductsSaturateInsteadOfWrapping) {
  ColorMatrixChain chain = Neutral(false);
  chain.SetBrightness(0);
  chain.SetContrast(20);
  EXPECT_FLOAT_EQ(chain.Product().m[3][0], -638.0f);
  // -638 x 64 = -40832 does not fit 16 bits; wrapping would turn it into +24704.
  EXPECT_EQ(chain.FixedPoint()[12], -32768);
  EXPECT_EQ(chain.FixedPoint()[0], 128);
}

TEST(ColourMatrix, FixedPointProductMatchesTheReferenceModel) {
  for (const ReferenceCase& c : LoadReferenceCases("matrix")) {
    SCOPED_TRACE(c.name);
    ColorMatrixChain chain;
    chain.SetSaturation(static_cast<int>(c.p[0]));
    chain.SetContrast(static_cast<int>(c.p[1]));
    chain.SetBrightness(static_cast<int>(c.p[2]));
    chain.SetHue(static_cast<int>(c.p[3]));
    chain.SetCorrection(c.p[4] != 0);
    const std::vector<int16_t> expected = c.Values<int16_t>("fixed");
    EXPECT_EQ(std::vector<int16_t>(chain.FixedPoint(), chain.FixedPoint() + 16), expected);
  }
}
