#include "engine/figures/Points.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Strokes.h"
#include "engine/geometry/LineStyle.h"

namespace {

constexpr size_t kPoints = 3;

}  // namespace

CDTPoints::CDTPoints() { m_nType = DRAW_POINT_LINE; }

CDTPoints::CDTPoints(POINT point) : CDTDraw(point) {
  m_nType = DRAW_POINT_LINE;
  const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
  AppendVertex(x, y);
  AppendVertex(x, y);
  for (size_t i = 0; i < kPoints; ++i) AddHandle(x, y);
}

CDTPoints::~CDTPoints() { strokes::Release(&m_pVertexBuffer); }

namespace {

// The square root in double, narrowed.
float Length(PointF a, PointF b) {
  const float ex = b.x - a.x, ey = b.y - a.y;
  return static_cast<float>(std::sqrt(static_cast<double>(ex) * ex + static_cast<double>(ey) * ey));
}

}  // namespace

PointF CDTPoints::Foot(PointF a, PointF b, PointF p) {
  const float ex = b.x - a.x, ey = b.y - a.y;
  const float d = Length(a, b);
  if (d <= 1e-14f) return a;
  const float t = ((p.x - a.x) * ex + (p.y - a.y) * ey) / (d * d);
  return {a.x + t * ex, a.y + t * ey};
}

int CDTPoints::CreateDeviceObjects() {
  InitLabel();
  BuildGeometry();
  UpdateBounds();
  Measure();
  return 0;
}

int CDTPoints::ReleaseDeviceObjects() {
  strokes::Release(&m_pVertexBuffer);
  return CDTDraw::ReleaseDeviceObjects();
}

void CDTPoints::BuildHandles() { strokes::HandlesFromVertices(this, kPoints); }

void CDTPoints::BuildGeometry() {
  if (m_handles.size() < kPoints) return;
  const PointF h0{m_handles[0]->cx, m_handles[0]->cy}, h1{m_handles[1]->cx, m_handles[1]->cy};
  const PointF h2{m_handles[2]->cx, m_handles[2]->cy};
  const PointF foot = Foot(h0, h1, h2);
  m_fFootX = foot.x;
  m_fFootY = foot.y;
  strokes::Release(&m_pVertexBuffer);
  m_outline.clear();
  m_nTriangles = 0;
  m_nVertexCount = 0;
  if (m_nPenWeight < 2) {
    m_outline = {h0, h1, h2, foot};
    m_nVertexCount = 4;
  } else {
    const PointF line[2] = {h0, h1}, perpendicular[2] = {h2, foot};
    m_nTriangles = strokes::StrokeInto(line, 2, m_nPenWeight, CapButt, JoinBevel, &m_outline);
    m_nTriangles += strokes::StrokeInto(perpendicular, 2, m_nPenWeight, CapButt, JoinBevel, &m_outline);
    m_nVertexCount = 3 * m_nTriangles;
  }
  m_pVertexBuffer = strokes::MakeBuffer(m_pOwner, m_outline.data(), m_nVertexCount, m_clrLine);
}

void CDTPoints::Rebuild() {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  strokes::Release(&m_pVertexBuffer);
  m_nTriangles = 0;
  m_nVertexCount = 0;
  BuildGeometry();
}

void CDTPoints::OnPenWeightChanged() { Rebuild(); }
void CDTPoints::OnSolidChanged() { Rebuild(); }
void CDTPoints::OnLineCapChanged() { Rebuild(); }

void CDTPoints::OnLineColorChanged() { strokes::WriteColour(m_pVertexBuffer, m_nVertexCount, m_clrLine); }

void CDTPoints::MoveBy(float dx, float dy) {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  for (PointF& p : m_outline) {
    p.x += dx;
    p.y += dy;
  }
  strokes::WritePositions(m_pVertexBuffer, m_outline.data(),
                          std::min(m_nVertexCount, static_cast<int>(m_outline.size())));
}

void CDTPoints::Reposition(float dx, float dy, BOOL zoomChanged) {
  if (zoomChanged) {
    strokes::HandlesOntoVertices(this);
    UpdateBounds();
    BuildGeometry();
    PlaceLabel();
    return;
  }
  for (auto& h : m_handles) h->SetCenter(h->cx + dx, h->cy + dy);
  MoveBy(dx, dy);
  UpdateBounds();
  PlaceLabel();
}

void CDTPoints::ComputeDistance() {
  double pixels = 0.0;
  // A line of no length has no direction to measure across: 0.
  if (m_vertices.size() >= kPoints && Length(m_vertices[0], m_vertices[1]) > 1e-14f) {
    const PointF foot = Foot(m_vertices[0], m_vertices[1], m_vertices[2]);
    const float fx = foot.x - m_vertices[2].x, fy = foot.y - m_vertices[2].y;
    pixels = static_cast<float>(std::sqrt(static_cast<double>(fx) * fx + static_cast<double>(fy) * fy));
  }
  m_dDistance = CalibratedLength(pixels);
}

void CDTPoints::FormatValue(wchar_t* buffer, int length) {
  const CDTImage* doc = Document();
  strokes::CopyText(strokes::Number(m_pOwner, m_dDistance) + L" " + (doc ? doc->m_szUnit : L""), buffer, length);
}

void CDTPoints::Measure() {
  if (m_handles.size() < kPoints) return;
  strokes::VerticesFromHandles(this, kPoints);
  ComputeDistance();
  FormatValue(m_szValue, 256);
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

void CDTPoints::SetVertices(const std::vector<PointF>& points) {
  if (!strokes::TakeVertices(this, points, kPoints)) return;
  UpdateBounds();
  BuildGeometry();
  ComputeDistance();
  FormatValue(m_szValue, 256);
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

void CDTPoints::OnVertexMoved(int index) {
  // While the line is placed, the handles not placed yet travel with it.
  if (!m_bComplete && (index == 0 || index == 1))
    for (size_t i = static_cast<size_t>(index) + 1; i < m_handles.size(); ++i)
      m_handles[i]->SetCenter(m_handles[index]->cx, m_handles[index]->cy);
  BuildGeometry();
}

int CDTPoints::OnLButtonDown(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonDown(flags, point);
  strokes::PressWhileCreating(this, 2);
  return 0;
}

int CDTPoints::OnLButtonUp(UINT flags, const POINT* point) {
  if (m_bLocked || !point) return 0;
  if (!m_bComplete && !strokes::ReleaseWhileCreating(this, point, 2)) return 0;
  return CDTDraw::OnLButtonUp(flags, point);
}

int CDTPoints::Draw() {
  if (!m_pVertexBuffer || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  strokes::PrepareFlatColour(m_pOwner);
  device->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(ColorVertex));
  if (m_nPenWeight < 2)
    device->DrawPrimitive(D3DPT_LINELIST, 0, 2);
  else if (m_nTriangles > 0)
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m_nTriangles));
  if (m_szValue[0] && m_bShowResult) m_label.Draw();
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this) || !m_bComplete) {
    strokes::PrepareFlatColour(m_pOwner);
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
  return 0;
}
