#pragma once
// Demosaic of 8-bit Bayer samples into B, G, R, A pixels: 5 x 5 linear
// interpolation of the missing colours, gains, colour matrix.
#include <cstdint>

namespace ZEvuvoro {

// Filter arrangements (colour of row 0 columns 0, 1; row 1 columns 0, 1).
enum BayerType : int {
  BayerGRBG = 0,
  BayerBGGR = 1,
  BayerRGGB = 2,
  BayerGBRG = 3,  // also any other value
};

struct BayerJob {
  const uint8_t* source;  // sample (0, 0); two samples of border on every side
  uint8_t* destination;
  int sourceStride;
  int destinationStride;
  int redGain;  // 128 = 1.0
  int greenGain;
  int blueGain;
  int width;
  int height;
  int32_t coefficients[16];  // colour matrix x 64; rows red, green, blue, offset
};

// Colour (0 red, 1 green, 2 blue) of a site with the given row and column parity.
int BayerSiteColour(int type, int rowParity, int columnParity);

// The SIMD variant reads up to 17 samples past each 16-sample block start, which
// the padded plane of the raw decoder provides (see CDecodeBayer).
void BayerDemosaicScalar(const BayerJob& job, int type);
void BayerDemosaicSse2(const BayerJob& job, int type);
// Needs a processor with AVX2 (see BayerHasAvx2).
void BayerDemosaicAvx2(const BayerJob& job, int type);
bool BayerHasAvx2();
void BayerDemosaic(const BayerJob& job, int type);

// Sums of the interpolated red, green and blue over the whole picture, before gains and matrix.
void BayerChannelSumsScalar(const BayerJob& job, int type, uint64_t sums[3]);
void BayerChannelSumsSse2(const BayerJob& job, int type, uint64_t sums[3]);
void BayerChannelSums(const BayerJob& job, int type, uint64_t sums[3]);

}  // namespace ZEvuvoro
