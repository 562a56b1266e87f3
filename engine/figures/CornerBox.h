// The box of four corner handles that the rectangle, the ellipse and the
// clip-art share. Corners 0 and 2 are diagonal (2 is the one dragged while
// the figure is made); corner 1 shares its x with 2 and its y with 0, corner
// 3 its x with 0 and its y with 2.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

namespace corner_box {

constexpr int kCorners = 4;

// Completes a figure made at a press: three more vertices and four handles,
// all at the point (window pixels). The base constructor made vertex 0.
void AddCornersAt(CDTDraw* figure, POINT point);

// Shift squares the box while it is made or while a corner is dragged with
// the left button held.
bool SquareWanted(const CDTDraw& figure);

// Moves corner `index` toward its diagonal partner until both integer
// extents equal the shorter one.
void MakeSquare(CDTDraw* figure, int index);

// Rewrites the two corners that share a coordinate with corner `index`.
void PropagateCorner(CDTDraw* figure, int index);

// A creation release completes the box when it lies more than 10 pixels
// from corner 1 in x or in y.
bool ReleaseCompletes(const CDTDraw& figure, const POINT* point);

// After loading: one handle per corner at its vertex's window position; a
// stored record's extra vertices are dropped. Sets the complete flag.
void BuildCornerHandles(CDTDraw* figure);

// Undo restore: every corner that differs from its point by more than 1e-8
// takes the point, unchanged, and its handle follows. Returns whether any
// corner changed. Ignored (false) while not complete or with fewer than
// four points.
bool TakeChangedCorners(CDTDraw* figure, const std::vector<PointF>& points);

// Midpoint of corners 0 and 2, window pixels.
PointF Centre(const CDTDraw& figure);

// The two 10-pixel strokes that mark the box's centre.
class CentreCross {
 public:
  CentreCross() = default;
  CentreCross(const CentreCross&) = delete;
  CentreCross& operator=(const CentreCross&) = delete;
  ~CentreCross() { Release(); }

  // Four vertices at position 0 in the colour; they keep that colour.
  void Create(IDirect3DDevice9* device, DWORD color);
  void Place(float cx, float cy);
  void Draw(IDirect3DDevice9* device) const;
  void Release();
  IDirect3DVertexBuffer9* Buffer() const { return m_pBuffer; }

 private:
  IDirect3DVertexBuffer9* m_pBuffer = nullptr;
};

}  // namespace corner_box
