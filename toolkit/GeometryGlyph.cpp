#include "toolkit/GeometryGlyph.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {

// GDI+'s default tension, given explicitly: Wine's default for closed
// curves is 1.0.
constexpr float kTension = 0.5f;

struct Frame {
  int cx, cy, qx, qy, e;
};

Frame FrameOf(const RECT& a) {
  Frame f;
  f.cx = (a.left + a.right - 1) / 2;
  f.cy = (a.top + a.bottom - 1) / 2;
  f.qx = (a.right - a.left) / 4;
  f.qy = (a.bottom - a.top) / 4;
  f.e = f.qx / 2;
  return f;
}

float FloatOfBits(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Points on a circle of radius (width / 3.5) around the area's centre,
// stepping the single-precision angle before each point.
void RingPoints(const RECT& a, uint32_t startBits, uint32_t stepBits, int count, float* out) {
  const float fx = static_cast<float>(a.left + a.right - 1) * 0.5f;
  const float fy = static_cast<float>(a.top + a.bottom - 1) * 0.5f;
  const float r = static_cast<float>(a.right - a.left) / 3.5f;
  float phi = FloatOfBits(startBits);
  const float step = FloatOfBits(stepBits);
  for (int i = 0; i < count; ++i) {
    phi += step;
    out[2 * i] = fx + static_cast<float>(std::cos(static_cast<double>(phi))) * r;
    out[2 * i + 1] = fy + static_cast<float>(std::sin(static_cast<double>(phi))) * r;
  }
}

void SetInts(GlyphShape& s, std::initializer_list<int> values) {
  s.intCount = 0;
  for (int v : values) s.ints[s.intCount++] = v;
}

// Restores the smoothing mode a smoothed glyph changed.
class SmoothScope {
 public:
  explicit SmoothScope(Gdiplus::Graphics& g) : m_g(g), m_old(g.GetSmoothingMode()) {
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  }
  ~SmoothScope() { m_g.SetSmoothingMode(m_old); }

 private:
  Gdiplus::Graphics& m_g;
  Gdiplus::SmoothingMode m_old;
};

void DrawShape(Gdiplus::Graphics& g, const RECT& area, unsigned code, Gdiplus::ARGB colour) {
  const GlyphShape s = ComputeGeometryGlyph(area, code);
  Gdiplus::Pen pen(Gdiplus::Color(colour), 2.0f);
  switch (s.kind) {
    case GlyphShape::Lines:
      g.DrawLine(&pen, s.ints[0], s.ints[1], s.ints[2], s.ints[3]);
      if (s.intCount > 4) {
        Gdiplus::Pen second(Gdiplus::Color(colour), 2.0f);
        g.DrawLine(&second, s.ints[4], s.ints[5], s.ints[6], s.ints[7]);
      }
      break;
    case GlyphShape::Curve: {
      SmoothScope smooth(g);
      const Gdiplus::Point pts[3] = {{s.ints[0], s.ints[1]}, {s.ints[2], s.ints[3]}, {s.ints[4], s.ints[5]}};
      g.DrawCurve(&pen, pts, 3, kTension);
      break;
    }
    case GlyphShape::Ellipse: {
      SmoothScope smooth(g);
      g.DrawEllipse(&pen, s.ints[0], s.ints[1], s.ints[2], s.ints[3]);
      break;
    }
    case GlyphShape::Rectangle:
      g.DrawRectangle(&pen, s.ints[0], s.ints[1], s.ints[2], s.ints[3]);
      break;
    case GlyphShape::Polygon:
    case GlyphShape::ClosedCurve: {
      SmoothScope smooth(g);
      Gdiplus::PointF pts[5];
      for (int i = 0; i < s.pointCount; ++i) pts[i] = Gdiplus::PointF(s.points[2 * i], s.points[2 * i + 1]);
      if (s.kind == GlyphShape::Polygon)
        g.DrawPolygon(&pen, pts, s.pointCount);
      else
        g.DrawClosedCurve(&pen, pts, s.pointCount, kTension);
      break;
    }
    case GlyphShape::None:
      break;
  }
}

}  // namespace

GlyphShape ComputeGeometryGlyph(const RECT& area, unsigned code) {
  const Frame f = FrameOf(area);
  const int cx = f.cx, cy = f.cy, qx = f.qx, qy = f.qy, e = f.e;
  GlyphShape s;
  switch (code) {
    case GlyphLine:
      s.kind = GlyphShape::Lines;
      SetInts(s, {cx + qx, cy + qy, cx - qx, cy - qy});
      break;
    case GlyphParallelLines:
      s.kind = GlyphShape::Lines;
      SetInts(s, {cx + qx - e, cy + qy, cx - qx - e, cy - qy, cx + 2 * qx - e, cy + qy, cx - qx - e + qy, cy - qy});
      break;
    case GlyphAngle:
      s.kind = GlyphShape::Lines;
      SetInts(s, {cx + qx, cy + qy, cx - qx, cy - qy, cx + qx, cy - qy, cx, cy});
      break;
    case GlyphCurve:
      s.kind = GlyphShape::Curve;
      SetInts(s, {cx - qx, cy - qy, cx - e, cy + qy / 2, cx + qx, cy + qy});
      break;
    case GlyphCircle:
      s.kind = GlyphShape::Ellipse;
      SetInts(s, {cx - qx, cy - qy, 2 * qx, 2 * qy});
      break;
    case GlyphEllipse: {
      const int a = qx + 2, b = qy - 2;
      s.kind = GlyphShape::Ellipse;
      SetInts(s, {cx - a, cy - b, 2 * a, 2 * b});
      break;
    }
    case GlyphRectangle: {
      const int a = qx + 2, b = qy - 1;
      s.kind = GlyphShape::Rectangle;
      SetInts(s, {cx - a, cy - b, 2 * a, 2 * b});
      break;
    }
    case GlyphPolygon:
      s.kind = GlyphShape::Polygon;
      s.pointCount = 5;
      RingPoints(area, 0x4096CBDCu, 0x3FA0D973u, 5, s.points);
      break;
    case GlyphCurvePolygon:
      s.kind = GlyphShape::ClosedCurve;
      s.pointCount = 4;
      RingPoints(area, 0x40A78D2Eu, 0x3FC90FD0u, 4, s.points);
      s.points[2] += 2.0f;
      s.points[4] -= 2.0f;
      break;
    default:
      break;
  }
  return s;
}

void DrawGlyphLine(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) { DrawShape(g, a, GlyphLine, c); }
void DrawGlyphParallelLines(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) {
  DrawShape(g, a, GlyphParallelLines, c);
}
void DrawGlyphAngle(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) { DrawShape(g, a, GlyphAngle, c); }
void DrawGlyphCurve(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) { DrawShape(g, a, GlyphCurve, c); }
void DrawGlyphCircle(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) { DrawShape(g, a, GlyphCircle, c); }
void DrawGlyphEllipse(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) { DrawShape(g, a, GlyphEllipse, c); }
void DrawGlyphRectangle(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) { DrawShape(g, a, GlyphRectangle, c); }
void DrawGlyphPolygon(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) { DrawShape(g, a, GlyphPolygon, c); }
void DrawGlyphCurvePolygon(Gdiplus::Graphics& g, const RECT& a, Gdiplus::ARGB c) {
  DrawShape(g, a, GlyphCurvePolygon, c);
}

void DrawGeometryGlyph(Gdiplus::Graphics& graphics, const RECT& area, GeometryGlyph code, Gdiplus::ARGB colour) {
  using Painter = void (*)(Gdiplus::Graphics&, const RECT&, Gdiplus::ARGB);
  static const Painter kPainters[] = {DrawGlyphLine,      DrawGlyphParallelLines, DrawGlyphAngle,
                                      DrawGlyphCurve,     DrawGlyphCircle,        DrawGlyphEllipse,
                                      DrawGlyphRectangle, DrawGlyphPolygon,       DrawGlyphCurvePolygon};
  if (code <= GlyphCurvePolygon) kPainters[code](graphics, area, colour);
}
