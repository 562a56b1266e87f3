#include "image/colour/ColorMatrix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ZEvuvoro {

const ColorMatrix4 kFixedColorCorrection = {{
    {1.36f, -0.25f, -0.10f, 0.0f},
    {-0.22f, 1.40f, -0.32f, 0.0f},
    {-0.14f, -0.15f, 1.42f, 0.0f},
    {0.0f, 0.0f, 0.0f, 1.0f},
}};

namespace {

constexpr float kLumRed = 0.3086f;
constexpr float kLumGreen = 0.6094f;
constexpr float kLumBlue = 0.0820f;

// Turns the plane of axes a and b by the angle of sine rs and cosine rc.
void Rotate(ColorMatrix4& m, int a, int b, float rs, float rc) {
  ColorMatrix4 t;
  ColorMatrixIdentity(t);
  t.m[a][a] = rc;
  t.m[a][b] = rs;
  t.m[b][a] = -rs;
  t.m[b][b] = rc;
  ColorMatrixAppend(m, t);
}

void RotateX(ColorMatrix4& m, float rs, float rc) { Rotate(m, 1, 2, rs, rc); }
void RotateY(ColorMatrix4& m, float rs, float rc) { Rotate(m, 2, 0, rs, rc); }
void RotateZ(ColorMatrix4& m, float rs, float rc) { Rotate(m, 0, 1, rs, rc); }

void ShearZ(ColorMatrix4& m, float dx, float dy) {
  ColorMatrix4 t;
  ColorMatrixIdentity(t);
  t.m[0][2] = dx;
  t.m[1][2] = dy;
  ColorMatrixAppend(m, t);
}

// Contrast and saturation share the slider scale: 10 is 1.0, each step 0.1.
float SliderFactor(int v) { return static_cast<float>(std::min(v, 20) - 10) * 0.1f + 1.0f; }

}  // namespace

void ColorMatrixIdentity(ColorMatrix4& m) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.m[i][j] = i == j ? 1.0f : 0.0f;
}

void ColorMatrixMultiply(const ColorMatrix4& a, const ColorMatrix4& b, ColorMatrix4& out) {
  ColorMatrix4 t;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float s = b.m[i][0] * a.m[0][j];
      s += b.m[i][1] * a.m[1][j];
      s += b.m[i][2] * a.m[2][j];
      s += b.m[i][3] * a.m[3][j];
      t.m[i][j] = s;
    }
  }
  out = t;
}

void ColorMatrixTransformPoint(const ColorMatrix4& m, float x, float y, float z, float& ox, float& oy, float& oz) {
  float rx = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
  float ry = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
  float rz = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
  ox = rx;
  oy = ry;
  oz = rz;
}

void ColorMatrixAppend(ColorMatrix4& m, const ColorMatrix4& t) { ColorMatrixMultiply(t, m, m); }

void ColorMatrixHue(ColorMatrix4& m, int degrees) {
  const float invSqrt2 = 0.70710677f;
  const float invSqrt3 = 0.57735026f;
  const float sqrt2by3 = 0.81649661f;

  ColorMatrixIdentity(m);
  RotateX(m, invSqrt2, invSqrt2);
  RotateY(m, -invSqrt3, sqrt2by3);
  // The grey axis now lies along z; shear so that constant luminance is a horizontal plane.
  float lx, ly, lz;
  ColorMatrixTransformPoint(m, kLumRed, kLumGreen, kLumBlue, lx, ly, lz);
  const float zsx = lx / lz;
  const float zsy = ly / lz;
  ShearZ(m, zsx, zsy);
  const float a = static_cast<float>(degrees) * 3.1415927f / 180.0f;
  RotateZ(m, static_cast<float>(std::sin(static_cast<double>(a))),
          static_cast<float>(std::cos(static_cast<double>(a))));
  ShearZ(m, -zsx, -zsy);
  RotateY(m, invSqrt3, sqrt2by3);
  RotateX(m, -invSqrt2, invSqrt2);
}

int16_t ColorMatrixFixedPoint(float value) {
  const float scaled = value * 64.0f;
  const float r = std::nearbyint(scaled);
  // Extreme settings give products beyond 16 bits: saturate rather than wrap.
  if (!(r >= -32768.0f)) return -32768;
  if (r > 32767.0f) return 32767;
  return static_cast<int16_t>(r);
}

ColorMatrixChain::ColorMatrixChain() {
  m_FixedCorrection = kFixedColorCorrection;
  ColorMatrixIdentity(m_Correction);
  ColorMatrixIdentity(m_Brightness);
  ColorMatrixIdentity(m_Contrast);
  ColorMatrixIdentity(m_Saturation);
  ColorMatrixIdentity(m_Hue);
  ColorMatrixIdentity(m_Product);
  std::memset(m_Fixed16, 0, sizeof(m_Fixed16));
  SetCorrection(true);
}

void ColorMatrixChain::SetBrightness(int v) {
  ColorMatrixIdentity(m_Brightness);
  const float x = static_cast<float>(static_cast<double>(std::min(v, 510)) - 255.0);
  m_Brightness.m[3][0] = x;
  m_Brightness.m[3][1] = x;
  m_Brightness.m[3][2] = x;
  Update();
}

void ColorMatrixChain::SetContrast(int v) {
  ColorMatrixIdentity(m_Contrast);
  const float c = SliderFactor(v);
  const float offset = 128.0f - 128.0f * c;
  for (int i = 0; i < 3; ++i) {
    m_Contrast.m[i][i] = c;
    m_Contrast.m[3][i] = offset;
  }
  Update();
}

void ColorMatrixChain::SetSaturation(int v) {
  ColorMatrixIdentity(m_Saturation);
  const float s = SliderFactor(v);
  const float t = 1.0f - s;
  const float lum[3] = {kLumRed * t, kLumGreen * t, kLumBlue * t};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m_Saturation.m[i][j] = i == j ? lum[i] + s : lum[i];
  Update();
}

void ColorMatrixChain::SetHue(int degrees) {
  ColorMatrixHue(m_Hue, degrees);
  Update();
}

void ColorMatrixChain::SetCorrection(bool on) {
  if (on)
    m_Correction = m_FixedCorrection;
  else
    ColorMatrixIdentity(m_Correction);
  Update();
}

void ColorMatrixChain::Update() {
  ColorMatrix4 identity;
  ColorMatrixIdentity(identity);
  ColorMatrixMultiply(identity, m_Correction, m_Product);
  ColorMatrixMultiply(m_Product, m_Contrast, m_Product);
  ColorMatrixMultiply(m_Product, m_Brightness, m_Product);
  ColorMatrixMultiply(m_Product, m_Saturation, m_Product);
  ColorMatrixMultiply(m_Product, m_Hue, m_Product);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m_Fixed16[i * 4 + j] = ColorMatrixFixedPoint(m_Product.m[i][j]);
}

}  // namespace ZEvuvoro
