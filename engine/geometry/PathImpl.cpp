#include "engine/geometry/PathImpl.h"

#include <new>

#include "engine/geometry/CurveFlatten.h"
#include "engine/geometry/StrokeGenerator.h"

namespace {
// Wider than any window: keeps a wild pen weight from flooding the tessellator.
constexpr int kMaxStrokeWidth = 1 << 16;
}  // namespace

void PPathImpl::StrokeToTriangles() {
  if (!m_tessellator.Valid() || m_width == 0) return;
  int width = m_width;
  if (width > kMaxStrokeWidth) width = kMaxStrokeWidth;
  if (width < -kMaxStrokeWidth) width = -kMaxStrokeWidth;

  PCurveConvert curves(this);
  StrokeGenerator stroke(&curves, width, m_lineCap, m_lineJoin);
  stroke.Rewind();
  TessVertex* contourStart = nullptr;
  double x = 0, y = 0;
  for (PathCommand cmd; !IsStop(cmd = stroke.Vertex(&x, &y));) {
    if (cmd == CmdMoveTo) {
      contourStart = m_tessellator.AddVertex(x, y);
    } else if (cmd == CmdLineTo) {
      m_tessellator.AddVertex(x, y);
    } else if ((cmd & ~(FlagCcw | FlagCw)) == (CmdEndPoly | FlagClose) && contourStart) {
      m_tessellator.AddVertex(contourStart->x, contourStart->y);
    }
  }
  // The outline runs once around the stroke, so every part of the stroke lies
  // on the same side of it: where a line crosses itself the winding is 2, and
  // the odd rule would cut a hole at the crossing.
  m_tessellator.Tessellate(true);
}

void PPolygonImpl::FillToTriangles() {
  if (!m_tessellator.Valid()) return;
  PCurveConvert curves(this);
  curves.Rewind();
  double x = 0, y = 0;
  for (PathCommand cmd; !IsStop(cmd = curves.Vertex(&x, &y));)
    if (IsVertex(cmd)) m_tessellator.AddVertex(x, y);
  m_tessellator.Tessellate(false);
}

PPath* CreatePath() { return new (std::nothrow) PPathImpl; }
void ReleasePath(PPath* path) { delete path; }
PPolygon* CreatePolygon() { return new (std::nothrow) PPolygonImpl; }
void ReleasePolygon(PPolygon* polygon) { delete polygon; }
