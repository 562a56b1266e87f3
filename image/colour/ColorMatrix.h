#pragma once
// 4 x 4 colour matrices acting on row vectors (red, green, blue, 1), and the
// chain that folds the user's colour adjustments into one fixed-point product.
#include <cstdint>

namespace ZEvuvoro {

struct ColorMatrix4 {
  float m[4][4];
};

void ColorMatrixIdentity(ColorMatrix4& m);
// out = b x a: applying it applies b first, then a. out may alias a or b.
void ColorMatrixMultiply(const ColorMatrix4& a, const ColorMatrix4& b, ColorMatrix4& out);
void ColorMatrixTransformPoint(const ColorMatrix4& m, float x, float y, float z, float& ox, float& oy, float& oz);
// m becomes m x t: t acts after everything already in m.
void ColorMatrixAppend(ColorMatrix4& m, const ColorMatrix4& t);
// Luminance-preserving hue rotation by the given degrees.
void ColorMatrixHue(ColorMatrix4& m, int degrees);

// The camera's fixed colour correction (each column sums to 1, so grey stays grey).
extern const ColorMatrix4 kFixedColorCorrection;

// Rounds value x 64 to the nearest integer (ties to even), saturated to 16 bits.
int16_t ColorMatrixFixedPoint(float value);

class ColorMatrixChain {
 public:
  ColorMatrixChain();

  void SetBrightness(int v);  // 0..510, neutral 255
  void SetContrast(int v);    // 0..20, neutral 10
  void SetSaturation(int v);  // 0..20, neutral 10
  void SetHue(int degrees);   // neutral 0
  void SetCorrection(bool on);
  void Update();

  // Row by row: rows red, green, blue, offset; columns red, green, blue, unused.
  const int16_t* FixedPoint() const { return m_Fixed16; }
  const ColorMatrix4& Product() const { return m_Product; }

 private:
  ColorMatrix4 m_FixedCorrection;
  ColorMatrix4 m_Correction;
  ColorMatrix4 m_Brightness;
  ColorMatrix4 m_Contrast;
  ColorMatrix4 m_Saturation;
  ColorMatrix4 m_Hue;
  ColorMatrix4 m_Product;
  int16_t m_Fixed16[16];
};

}  // namespace ZEvuvoro
