#include "engine/figures/CurvePolygon.h"

#include <cmath>

#include "engine/figures/OutlineBuffer.h"
#include "engine/figures/Polygon.h"
#include "engine/geometry/Bspline.h"
#include "engine/geometry/Path.h"

CDTCurvePolygon::CDTCurvePolygon() { m_nType = DRAW_CURVE_POLYGON; }

CDTCurvePolygon::CDTCurvePolygon(POINT point) : CDTClickedOutline(point) { m_nType = DRAW_CURVE_POLYGON; }

void CDTCurvePolygon::BuildGeometry() {
  m_outline.clear();
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  m_points.clear();
  for (const auto& h : m_handles) m_points.push_back({h->cx, h->cy});
  PBspline spline;
  FeedSpline(&spline, m_points, m_bComplete != 0);
  if (m_bSolid && m_bComplete && m_handles.size() >= 3) {
    if (PPolygon* polygon = CreatePolygon()) {
      polygon->StartNewPath();
      polygon->JoinPath(&spline);
      polygon->ClosePolygon();
      polygon->FillToTriangles();
      m_nPrimitives = outline_buffer::AppendTriangles(polygon, &m_outline);
      m_nVertexCount = 3 * m_nPrimitives;
      ReleasePolygon(polygon);
    }
  } else if (m_nPenWeight >= 2 || m_bSolid) {
    if (PPath* path = CreatePath()) {
      path->StartNewPath();
      path->JoinPath(&spline);
      path->SetWidth(m_nPenWeight);
      path->StrokeToTriangles();
      m_nPrimitives = outline_buffer::AppendTriangles(path, &m_outline);
      m_nVertexCount = 3 * m_nPrimitives;
      ReleasePath(path);
    }
  } else {
    CollectSamples(&spline, &m_outline);
    m_nPrimitives = m_nVertexCount = static_cast<int>(m_outline.size());
  }
  FillBuffer();
}

void CDTCurvePolygon::ComputeValues() {
  m_dArea = 0.0;
  m_dPerimeter = 0.0;
  if (m_bComplete && m_nVertexCount > 0 && m_vertices.size() >= 2) {
    // Picture pixels, scaled afterwards: the spline and the fill are linear in them.
    const double k = CalibrationFactor();
    PBspline spline;
    FeedSpline(&spline, m_vertices, true);
    m_samples.clear();
    CollectSamples(&spline, &m_samples);
    const size_t n = m_samples.size() / 2;
    double perimeter = 0.0;
    for (size_t e = 0; e < n; ++e) {
      const size_t f = (e + 1) % n;
      perimeter += std::hypot(m_samples[2 * f] - m_samples[2 * e], m_samples[2 * f + 1] - m_samples[2 * e + 1]);
    }
    m_dPerimeter = perimeter * std::fabs(k);
    if (PPolygon* polygon = CreatePolygon()) {
      polygon->StartNewPath();
      polygon->JoinPath(&spline);
      polygon->ClosePolygon();
      polygon->FillToTriangles();
      double area = 0.0;
      const int count = polygon->GetTriangleCount();
      for (int t = 0; t < count; ++t) {
        const Triangle* tri = polygon->GetTriangle(t);
        if (!tri || !tri->A || !tri->B || !tri->C) continue;
        area += std::fabs((tri->B->x - tri->A->x) * (tri->C->y - tri->A->y) -
                          (tri->C->x - tri->A->x) * (tri->B->y - tri->A->y)) /
                2;
      }
      m_dArea = area * k * k;
      ReleasePolygon(polygon);
    }
  }
  FormatArea(m_dArea, m_szValue, 256);
}

int CDTCurvePolygon::Draw() {
  const bool triangles = m_bSolid || m_nPenWeight >= 2;
  DrawClosedOutline(this, triangles, triangles ? 0 : m_nVertexCount - 1);
  return 0;
}
