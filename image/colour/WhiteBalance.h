#pragma once
// Automatic white balance: estimates of red, green and blue gains (128 = 1.0)
// from one B, G, R, A frame.
#include <cstdint>

namespace ZEvuvoro {

enum AwbMode : int {
  AwbNone = 0,
  AwbGrayAverage = 1,
  AwbTemperature = 2,
  AwbShadesOfGray = 3,
};

// 256 entries: linear 0..1 to the sRGB-encoded byte.
const uint8_t* SrgbEncodeTable();

// The cone matrices of the shades-of-grey estimate: [0] RGB to LMS, [1] LMS to RGB.
void InitConeMatrices(double cone[2][3][3]);

// Gains that make the quantities r, g, b neutral, green staying at 128. False,
// with gains untouched, when a quantity is not above 0 (black or one-colour frames).
bool AwbGainRule(double r, double g, double b, int gains[3]);

// Each returns false and leaves gains untouched when the frame gives no estimate.
bool EstimateGrayAverage(const uint8_t* src, int stride, int width, int height, int gains[3]);
// colour: width x height x 3 doubles; mask: width x height ints.
bool EstimateTemperature(const uint8_t* src, int stride, int width, int height, double* colour, int* mask,
                         int gains[3]);
bool EstimateShadesOfGray(const uint8_t* src, int stride, int width, int height, double* colour,
                          const double cone[2][3][3], int gains[3]);

}  // namespace ZEvuvoro
