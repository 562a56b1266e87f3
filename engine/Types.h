// Numbers and vertex records shared by the canvas, its documents and figures.
#pragma once

#include <windows.h>

#include <cstddef>

// Figure kinds; also the canvas's current tool (14 to 16 are tools only).
enum DrawType : int {
  DRAW_RULER = 0,
  DRAW_LINE = 1,
  DRAW_ANGLE = 2,
  DRAW_ANGLE_PT4 = 3,
  DRAW_POINT_LINE = 4,
  DRAW_DISTANCE = 5,
  DRAW_CURVE = 6,
  DRAW_CIRCLE = 7,
  DRAW_ELLIPSE = 8,
  DRAW_RECTANGLE = 9,
  DRAW_POLYGON = 10,
  DRAW_CURVE_POLYGON = 11,
  DRAW_CLIPART = 12,
  DRAW_TEXT = 13,
  DRAW_SELECT = 14,
  DRAW_PAN = 15,
  DRAW_REGION = 16,
};

// Pre-transformed vertices (z 0, rhw 1).
struct ColorVertex {
  float x, y, z, rhw;
  DWORD color;
};
struct TexturedVertex {
  float x, y, z, rhw;
  DWORD color;
  float u, v;
};
// Grows `into` to cover `add`; empty rectangles add nothing.
inline void UniteRect(RECT* into, const RECT& add) {
  if (add.left >= add.right || add.top >= add.bottom) return;
  if (into->left >= into->right || into->top >= into->bottom) {
    *into = add;
    return;
  }
  if (add.left < into->left) into->left = add.left;
  if (add.top < into->top) into->top = add.top;
  if (add.right > into->right) into->right = add.right;
  if (add.bottom > into->bottom) into->bottom = add.bottom;
}

static_assert(sizeof(ColorVertex) == 20, "ColorVertex is drawn with stride 20");
static_assert(sizeof(TexturedVertex) == 28, "TexturedVertex is drawn with stride 28");
constexpr DWORD kColorVertexFormat = 0x44;      // XYZRHW | DIFFUSE
constexpr DWORD kTexturedVertexFormat = 0x144;  // XYZRHW | DIFFUSE | TEX1

// Picture cells and the shared staging texture are this many pixels square.
constexpr int kCellSize = 256;

// Divisors this small are left out of coordinate conversions.
constexpr double kTinyDivisor = 1e-14;
