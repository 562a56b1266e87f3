#include "engine/geometry/PathImpl.h"

#include <atomic>
#include <new>

#include "engine/geometry/CurveFlatten.h"
#include "engine/geometry/StrokeGenerator.h"

namespace {
// Wider than any window: keeps a wild pen weight from flooding the tessellator.
constexpr int kMaxStrokeWidth = 1 << 16;
// About 10 MB of points; a 100-point curve at pen 5 holds some 15,000.
constexpr std::size_t kMaxSparePoints = 1 << 18;

// One released shape of each kind is kept for the next one: figures build a
// path on every mouse move, and a recycled one keeps its grown storage and its
// glu tessellator instead of allocating them again.
template <class Shape>
class CSpareShape {
 public:
  CSpareShape() = default;
  CSpareShape(const CSpareShape&) = delete;
  CSpareShape& operator=(const CSpareShape&) = delete;
  ~CSpareShape() { delete m_spare.exchange(nullptr); }

  Shape* Take() {
    if (Shape* shape = m_spare.exchange(nullptr)) return shape;
    return new (std::nothrow) Shape;
  }
  void Give(Shape* shape) {
    if (!shape) return;
    // A wild outline's storage is not worth keeping for the next small one.
    if (shape->Footprint() > kMaxSparePoints) {
      delete shape;
      return;
    }
    shape->Reset();
    Shape* none = nullptr;
    if (!m_spare.compare_exchange_strong(none, shape)) delete shape;
  }

 private:
  std::atomic<Shape*> m_spare{nullptr};
};

CSpareShape<PPathImpl> g_sparePath;
CSpareShape<PPolygonImpl> g_sparePolygon;

}  // namespace

void PPathImpl::Reset() {
  m_builder.Clear();
  m_tessellator.Clear();
  m_width = 5;
  m_lineCap = CapRound;
  m_lineJoin = JoinRound;
}

void PPolygonImpl::Reset() {
  m_builder.Clear();
  m_tessellator.Clear();
  m_lineCap = CapRound;
  m_lineJoin = JoinRound;
}

void PPathImpl::StrokeToTriangles() {
  if (!m_tessellator.Valid() || m_width == 0) return;
  int width = m_width;
  if (width > kMaxStrokeWidth) width = kMaxStrokeWidth;
  if (width < -kMaxStrokeWidth) width = -kMaxStrokeWidth;

  PCurveConvert curves(this);
  StrokeGenerator& stroke = m_stroke;
  stroke.Init(&curves, width, m_lineCap, m_lineJoin);
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

PPath* CreatePath() { return g_sparePath.Take(); }
void ReleasePath(PPath* path) { g_sparePath.Give(static_cast<PPathImpl*>(path)); }
PPolygon* CreatePolygon() { return g_sparePolygon.Take(); }
void ReleasePolygon(PPolygon* polygon) { g_sparePolygon.Give(static_cast<PPolygonImpl*>(polygon)); }
