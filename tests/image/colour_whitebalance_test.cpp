#include <gtest/gtest.h>

#include <vector>

#include "image/colour/WhiteBalance.h"
#include "tests/image/kernel_reference.h"

using namespace ZEvuvoro;

TEST(ColourWhiteBalance, SrgbEncodingTable) {
  const uint8_t* t = SrgbEncodeTable();
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[1], 12);
  EXPECT_EQ(t[2], 21);
  EXPECT_EQ(t[255], 254);
}

TEST(ColourWhiteBalance, EstimatesMatchTheReferenceModel) {
  double cone[2][3][3];
  InitConeMatrices(cone);
  for (const ReferenceCase& c : LoadReferenceCases("awb")) {
    SCOPED_TRACE(c.name);
    const int mode = static_cast<int>(c.p[0]), w = static_cast<int>(c.p[1]), h = static_cast<int>(c.p[2]);
    const int stride = static_cast<int>(c.p[3]);
    const std::vector<uint8_t> src = c.Blob("src");
    std::vector<double> colour(static_cast<size_t>(w) * h * 3, -1.0);
    std::vector<int> mask(static_cast<size_t>(w) * h, -1);
    int gains[3] = {-1, -1, -1};
    bool ok = false;
    if (mode == AwbGrayAverage)
      ok = EstimateGrayAverage(src.data(), stride, w, h, gains);
    else if (mode == AwbTemperature)
      ok = EstimateTemperature(src.data(), stride, w, h, colour.data(), mask.data(), gains);
    else
      ok = EstimateShadesOfGray(src.data(), stride, w, h, colour.data(), cone, gains);
    EXPECT_EQ(ok, c.p[4] != 0);
    if (ok) {
      EXPECT_EQ(gains[0], c.p[5]);
      EXPECT_EQ(gains[1], c.p[6]);
      EXPECT_EQ(gains[2], c.p[7]);
    } else {
      EXPECT_EQ(gains[0], -1) << "a frame without an estimate leaves the gains alone";
    }
  }
}

TEST(ColourWhiteBalance, GreyAverageSumsDoNotOverflowAboveSixteenMegapixels) {
  // 4200 x 4100 pixels (17.2 million) read through a stride of 0: every row is the same row.
  const int w = 4200, h = 4100;
  std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
  for (int x = 0; x < w; ++x) {
    row[x * 4] = 64;
    row[x * 4 + 1] = 128;
    row[x * 4 + 2] = 255;
  }
  int gains[3] = {};
  ASSERT_TRUE(EstimateGrayAverage(row.data(), 0, w, h, gains));
  EXPECT_EQ(gains[0], 64);
  EXPECT_EQ(gains[1], 128);
  EXPECT_EQ(gains[2], 256);
}

TEST(ColourWhiteBalance, GainRuleRefusesEmptyChannelsAndSaturatesHugeGains) {
  int gains[3] = {1, 2, 3};
  EXPECT_FALSE(AwbGainRule(0.0, 10.0, 10.0, gains));
  EXPECT_FALSE(AwbGainRule(10.0, 0.0, 10.0, gains));
  EXPECT_FALSE(AwbGainRule(10.0, 10.0, 0.0, gains));
  EXPECT_EQ(gains[0], 1);
  ASSERT_TRUE(AwbGainRule(1.0, 1000.0, 2000.0, gains));
  EXPECT_EQ(gains[0], 65535);
  EXPECT_EQ(gains[2], 64);
}
