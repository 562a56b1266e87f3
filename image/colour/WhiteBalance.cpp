#include "image/colour/WhiteBalance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace ZEvuvoro {

namespace {

std::array<uint8_t, 256> BuildSrgbEncodeTable() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    double c = i / 255.0;
    if (c <= 0.00304)
      c = c * 12.92;
    else
      c = 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
    c = c * 255.0;
    t[i] = c > 255.0 ? 255 : c < 0.0 ? 0 : static_cast<uint8_t>(c);
  }
  return t;
}

// Decoding a byte to linear light is the same for every pixel of a value, so
// one table replaces three power functions per pixel.
std::array<double, 256> BuildLinearTable() {
  std::array<double, 256> t{};
  const double knee = 0.03928f;
  for (int i = 0; i < 256; ++i) {
    const double v = static_cast<float>(i) / 255.0f;
    t[i] = v <= knee ? v / static_cast<double>(12.92f)
                     : std::pow((v + static_cast<double>(0.055f)) / static_cast<double>(1.055f), 2.4);
  }
  return t;
}

inline double Pow5(double v) {
  const double v2 = v * v;
  return v2 * v2 * v;
}

inline const uint8_t* Row(const uint8_t* src, int stride, int y) { return src + static_cast<ptrdiff_t>(y) * stride; }

}  // namespace

const uint8_t* SrgbEncodeTable() {
  static const std::array<uint8_t, 256> table = BuildSrgbEncodeTable();
  return table.data();
}

void InitConeMatrices(double cone[2][3][3]) {
  static const double toLms[3][3] = {
      {0.3811, 0.5783, 0.0402},
      {0.1967, 0.7244, 0.0782},
      {0.0241, 0.1288, 0.8444},
  };
  static const double toRgb[3][3] = {
      {4.46867036819458, -3.5886764526367188, 0.11960437148809433},
      {-1.2197169065475464, 2.3830883502960205, -0.1626301258802414},
      {0.05850850045681, -0.26107850670814514, 1.2056660652160645},
  };
  std::memcpy(cone[0], toLms, sizeof(toLms));
  std::memcpy(cone[1], toRgb, sizeof(toRgb));
}

bool AwbGainRule(double r, double g, double b, int gains[3]) {
  if (!(r > 0.0) || !(g > 0.0) || !(b > 0.0)) return false;
  const double t = r + g + b;
  const double green = t / g / 3.0;
  const double red = (t / r / 3.0) * 128.0 / green;
  const double blue = (t / b / 3.0) * 128.0 / green;
  if (!std::isfinite(red) || !std::isfinite(blue)) return false;
  // The pipelines take gains as 16-bit values; a larger estimate saturates.
  gains[0] = static_cast<int>(std::min(red, 65535.0));
  gains[1] = 128;
  gains[2] = static_cast<int>(std::min(blue, 65535.0));
  return true;
}

bool EstimateGrayAverage(const uint8_t* src, int stride, int width, int height, int gains[3]) {
  if (!src || width < 1 || height < 1) return false;
  uint64_t sr = 0, sg = 0, sb = 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = Row(src, stride, y);
    // Per-row sums fit 32 bits for any row shorter than 16 million pixels.
    uint32_t rr = 0, rg = 0, rb = 0;
    for (int x = 0; x < width; ++x, p += 4) {
      rb += p[0];
      rg += p[1];
      rr += p[2];
    }
    sr += rr;
    sg += rg;
    sb += rb;
  }
  return AwbGainRule(static_cast<double>(sr), static_cast<double>(sg), static_cast<double>(sb), gains);
}

bool EstimateTemperature(const uint8_t* src, int stride, int width, int height, double* colour, int* mask,
                         int gains[3]) {
  if (!src || !colour || !mask || width < 1 || height < 1) return false;
  static const std::array<double, 256> linear = BuildLinearTable();
  const double dark = 0.05f;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);

  size_t i = 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = Row(src, stride, y);
    for (int x = 0; x < width; ++x, p += 4, ++i) {
      const double r = linear[p[2]];
      const double g = linear[p[1]];
      const double b = linear[p[0]];
      double cx = 0.4124 * r + 0.3576 * g + 0.1805 * b;
      double cy = 0.2126 * r + 0.7152 * g + 0.0722 * b;
      double cz = 0.0193 * r + 0.1192 * g + 0.9505 * b;
      if (cx < 0.0 || cy < 0.0 || cz < 0.0) cx = cy = cz = 0.0;
      mask[i] = 1;
      if (cy < dark) {
        cx = cy = cz = 0.0;
        mask[i] = 0;
      }
      colour[i * 3] = cx;
      colour[i * 3 + 1] = cy;
      colour[i * 3 + 2] = cz;
    }
  }

  double prev[3] = {0.0, 0.0, 0.0};
  double mean[3] = {0.0, 0.0, 0.0};
  for (int pass = 0; pass < 5; ++pass) {
    double sum[3] = {0.0, 0.0, 0.0};
    size_t n = 0;
    for (i = 0; i < count; ++i) {
      if (mask[i] != 1) continue;
      sum[0] += colour[i * 3];
      sum[1] += colour[i * 3 + 1];
      sum[2] += colour[i * 3 + 2];
      ++n;
    }
    if (n == 0) return false;
    for (int c = 0; c < 3; ++c) mean[c] = sum[c] / static_cast<double>(n);
    const double limit[3] = {3 * mean[0], 3 * mean[1], 3 * mean[2]};
    for (i = 0; i < count; ++i) {
      if (colour[i * 3] > limit[0] || colour[i * 3 + 1] > limit[1] || colour[i * 3 + 2] > limit[2]) mask[i] = 0;
    }
    if (limit[0] == prev[0] && limit[1] == prev[1] && limit[2] == prev[2]) break;
    std::memcpy(prev, limit, sizeof(prev));
  }

  const double s = mean[0] + mean[1] + mean[2];
  const double x = mean[0] / s, yy = mean[1] / s, z = mean[2] / s;
  double rgb[3] = {
      3.2406 * x - 1.5372 * yy - 0.4986 * z,
      -0.9689 * x + 1.8758 * yy + 0.0415 * z,
      0.0557 * x - 0.2040 * yy + 1.0570 * z,
  };
  const uint8_t* encode = SrgbEncodeTable();
  double bytes[3];
  for (int c = 0; c < 3; ++c) {
    const double v = std::clamp(rgb[c], 0.0, 1.0);
    bytes[c] = encode[static_cast<int>(v * 255.0)];
  }
  return AwbGainRule(bytes[0], bytes[1], bytes[2], gains);
}

bool EstimateShadesOfGray(const uint8_t* src, int stride, int width, int height, double* colour,
                          const double cone[2][3][3], int gains[3]) {
  if (!src || !colour || width < 1 || height < 1) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::memset(colour, 0, count * 3 * sizeof(double));

  const double(*lms)[3] = cone[0];
  double sum5[3] = {0.0, 0.0, 0.0};
  size_t i = 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = Row(src, stride, y);
    for (int x = 0; x < width; ++x, p += 4, ++i) {
      const double r = p[2], g = p[1], b = p[0];
      for (int c = 0; c < 3; ++c) {
        const double v = lms[c][0] * r + lms[c][1] * g + lms[c][2] * b;
        colour[i * 3 + c] = v;
        sum5[c] += Pow5(v);
      }
    }
  }
  const double n = static_cast<double>(count);
  double e[3];
  for (int c = 0; c < 3; ++c) e[c] = std::pow(sum5[c] / n, 0.2);
  const double mx = std::max({e[0], e[1], e[2]});
  if (!(e[0] > 0.0) || !(e[1] > 0.0) || !(e[2] > 0.0)) return false;

  const double(*rgb)[3] = cone[1];
  double sum[3] = {0.0, 0.0, 0.0};
  for (i = 0; i < count; ++i) {
    double v[3];
    for (int c = 0; c < 3; ++c) v[c] = colour[i * 3 + c] / (e[c] / mx);
    for (int c = 0; c < 3; ++c) {
      const double out = rgb[c][0] * v[0] + rgb[c][1] * v[1] + rgb[c][2] * v[2];
      sum[c] += std::min(out, 255.0);
    }
  }
  return AwbGainRule(sum[0] / n, sum[1] / n, sum[2] / n, gains);
}

}  // namespace ZEvuvoro
