#include "engine/figures/Polygon.h"

#include <d3d9.h>

#include <cmath>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/OutlineBuffer.h"
#include "engine/geometry/LineStyle.h"
#include "engine/geometry/Path.h"

CDTPolygon::CDTPolygon() { m_nType = DRAW_POLYGON; }

CDTPolygon::CDTPolygon(POINT point) : CDTClickedOutline(point) { m_nType = DRAW_POLYGON; }

void CDTPolygon::BuildGeometry() {
  m_outline.clear();
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  const size_t n = m_handles.size();
  if (m_bSolid && m_bComplete && n >= 3) {
    if (PPolygon* polygon = CreatePolygon()) {
      polygon->StartNewPath();
      polygon->MoveTo(m_handles[0]->cx, m_handles[0]->cy);
      for (size_t i = 1; i < n; ++i) polygon->LineTo(m_handles[i]->cx, m_handles[i]->cy);
      polygon->ClosePolygon();
      polygon->FillToTriangles();
      m_nPrimitives = outline_buffer::AppendTriangles(polygon, &m_outline);
      m_nVertexCount = 3 * m_nPrimitives;
      ReleasePolygon(polygon);
    }
  } else if ((m_nPenWeight >= 2 || m_bSolid) && n > 0) {
    if (PPath* path = CreatePath()) {
      path->StartNewPath();
      path->MoveTo(m_handles[0]->cx, m_handles[0]->cy);
      for (size_t i = 1; i < n; ++i) path->LineTo(m_handles[i]->cx, m_handles[i]->cy);
      if (m_bComplete) path->ClosePolygon();
      path->SetWidth(m_nPenWeight);
      path->SetLineCap(CapButt);
      path->SetLineJoin(JoinMiter);
      path->StrokeToTriangles();
      m_nPrimitives = outline_buffer::AppendTriangles(path, &m_outline);
      m_nVertexCount = 3 * m_nPrimitives;
      ReleasePath(path);
    }
  } else if (n > 0) {
    for (const auto& h : m_handles) m_outline.push_back({h->cx, h->cy});
    m_outline.push_back({m_handles[0]->cx, m_handles[0]->cy});
    m_nPrimitives = static_cast<int>(m_bComplete ? n : n - 1);
    m_nVertexCount = static_cast<int>(n + 1);
  }
  FillBuffer();
}

void CDTPolygon::ComputeValues() {
  const double k = CalibrationFactor();
  const size_t n = m_vertices.size();
  double s = 0.0, perimeter = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    const double xi = m_vertices[i].x * k, yi = m_vertices[i].y * k;
    const double xj = m_vertices[j].x * k, yj = m_vertices[j].y * k;
    s += yj * xi - xj * yi;
    perimeter += std::hypot(xj - xi, yj - yi);
  }
  m_dArea = std::fabs(s) / 2;
  m_dPerimeter = perimeter;
  FormatArea(m_dArea, m_szValue, 256);
}

int CDTPolygon::Draw() {
  DrawClosedOutline(this, m_bSolid || m_nPenWeight >= 2, m_nPrimitives);
  return 0;
}

void DrawClosedOutline(CDTClickedOutline* figure, bool triangles, int lines) {
  CDirectUI* owner = figure->m_pOwner;
  if (!figure->m_pVertexBuffer || !owner || !owner->m_pDevice) return;
  IDirect3DDevice9* device = owner->m_pDevice;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  device->SetStreamSource(0, figure->m_pVertexBuffer, 0, sizeof(ColorVertex));
  if (triangles) {
    if (figure->m_nPrimitives > 0) {
      owner->SetAntialias(TRUE);
      device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(figure->m_nPrimitives));
      owner->SetAntialias(FALSE);
    }
  } else if (lines > 0) {
    device->DrawPrimitive(D3DPT_LINESTRIP, 0, static_cast<UINT>(lines));
  }
  if (figure->m_szValue[0] && figure->m_bShowResult) figure->m_label.Draw();
  const CDTImage* doc = figure->Document();
  if (figure->m_bHover || (doc && doc->m_pSelected == figure)) {
    for (size_t i = 0; i < figure->m_handles.size(); ++i)
      figure->DrawHandle(figure->m_handles[i].get(), static_cast<int>(i) == figure->m_nSelectedHandle);
  }
}
