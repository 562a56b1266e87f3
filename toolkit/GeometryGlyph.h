// The small vector drawings of the measuring figures that geometry buttons
// and statics show: the shapes as numbers, and their painting.
#pragma once

// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstdint>

enum GeometryGlyph : uint16_t {
  GlyphLine = 0,
  GlyphParallelLines = 1,
  GlyphAngle = 2,
  GlyphCurve = 3,
  GlyphCircle = 4,
  GlyphEllipse = 5,
  GlyphRectangle = 6,
  GlyphPolygon = 7,
  GlyphCurvePolygon = 8,
};

// What one glyph draws: up to two strokes of one kind.
struct GlyphShape {
  enum Kind { None, Lines, Curve, Ellipse, Rectangle, Polygon, ClosedCurve } kind = None;
  // Lines: two segments at most (x0, y0, x1, y1); Curve: three points;
  // Ellipse and Rectangle: x, y, width, height in ints[0..3].
  int ints[8] = {};
  int intCount = 0;
  float points[10] = {};  // Polygon: five points, ClosedCurve: four (x, y)
  int pointCount = 0;
};

// The glyph's geometry in area (right and bottom exclusive); None above 8.
GlyphShape ComputeGeometryGlyph(const RECT& area, unsigned code);

// Draws the glyph with a 2-pixel pen of the colour; nothing above code 8.
void DrawGeometryGlyph(Gdiplus::Graphics& graphics, const RECT& area, GeometryGlyph code, Gdiplus::ARGB colour);

void DrawGlyphLine(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
void DrawGlyphParallelLines(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
void DrawGlyphAngle(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
void DrawGlyphCurve(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
void DrawGlyphCircle(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
void DrawGlyphEllipse(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
void DrawGlyphRectangle(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
void DrawGlyphPolygon(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
void DrawGlyphCurvePolygon(Gdiplus::Graphics& graphics, const RECT& area, Gdiplus::ARGB colour);
