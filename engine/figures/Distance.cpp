#include "engine/figures/Distance.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Strokes.h"
#include "engine/geometry/LineStyle.h"

namespace {

constexpr size_t kPoints = 2;
constexpr double kHalfBar = 48.0;

}  // namespace

CDTDistance::CDTDistance() { m_nType = DRAW_DISTANCE; }

CDTDistance::CDTDistance(POINT point) : CDTDraw(point) {
  m_nType = DRAW_DISTANCE;
  const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
  AppendVertex(x, y);
  for (size_t i = 0; i < kPoints; ++i) AddHandle(x, y);
}

CDTDistance::~CDTDistance() { strokes::Release(&m_pVertexBuffer); }

void CDTDistance::Bars(PointF a, PointF b, PointF bars[4]) {
  const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
  // Across the segment, toward +x; straight down for a level segment. Taken
  // from the unit normal in double: a slope would lose a segment a hair off level.
  double ux = 0.0, uy = 1.0;
  if (std::fabs(dy) > 1e-5) {
    const double length = std::sqrt(dx * dx + dy * dy);
    ux = std::fabs(dy) / length;
    uy = (dy > 0 ? -dx : dx) / length;
  }
  const PointF centres[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    const double cx = centres[i].x, cy = centres[i].y;
    bars[2 * i] = {static_cast<float>(cx - kHalfBar * ux), static_cast<float>(cy - kHalfBar * uy)};
    bars[2 * i + 1] = {static_cast<float>(cx + kHalfBar * ux), static_cast<float>(cy + kHalfBar * uy)};
  }
}

int CDTDistance::CreateDeviceObjects() {
  InitLabel();
  BuildGeometry();
  UpdateBounds();
  Measure();
  return 0;
}

int CDTDistance::ReleaseDeviceObjects() {
  strokes::Release(&m_pVertexBuffer);
  return CDTDraw::ReleaseDeviceObjects();
}

void CDTDistance::BuildHandles() { strokes::HandlesFromVertices(this, kPoints); }

void CDTDistance::BuildGeometry() {
  if (m_handles.size() < kPoints) return;
  const PointF h0{m_handles[0]->cx, m_handles[0]->cy}, h1{m_handles[1]->cx, m_handles[1]->cy};
  Bars(h0, h1, m_bars);
  strokes::Release(&m_pVertexBuffer);
  m_outline.clear();
  m_nTriangles = 0;
  m_nVertexCount = 0;
  if (m_nPenWeight < 2) {
    m_outline = {h0, h1, m_bars[0], m_bars[1], m_bars[2], m_bars[3]};
    m_nVertexCount = 6;
  } else {
    const PointF pieces[3][2] = {{h0, h1}, {m_bars[0], m_bars[1]}, {m_bars[2], m_bars[3]}};
    for (const auto& piece : pieces)
      m_nTriangles += strokes::StrokeInto(piece, 2, m_nPenWeight, CapButt, JoinBevel, &m_outline);
    m_nVertexCount = 3 * m_nTriangles;
  }
  m_pVertexBuffer = strokes::MakeBuffer(m_pOwner, m_outline.data(), m_nVertexCount, m_clrLine);
}

void CDTDistance::Rebuild() {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  strokes::Release(&m_pVertexBuffer);
  m_nTriangles = 0;
  m_nVertexCount = 0;
  BuildGeometry();
}

void CDTDistance::OnPenWeightChanged() { Rebuild(); }
void CDTDistance::OnSolidChanged() { Rebuild(); }
void CDTDistance::OnLineCapChanged() { Rebuild(); }

void CDTDistance::OnLineColorChanged() { strokes::WriteColour(m_pVertexBuffer, m_nVertexCount, m_clrLine); }

void CDTDistance::MoveBy(float dx, float dy) {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  for (PointF& p : m_outline) {
    p.x += dx;
    p.y += dy;
  }
  for (PointF& p : m_bars) {
    p.x += dx;
    p.y += dy;
  }
  strokes::WritePositions(m_pVertexBuffer, m_outline.data(),
                          std::min(m_nVertexCount, static_cast<int>(m_outline.size())));
}

void CDTDistance::Reposition(float dx, float dy, BOOL zoomChanged) {
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

void CDTDistance::ComputeDistance() {
  double pixels = 0.0;
  if (m_vertices.size() >= kPoints) {
    const double dx = static_cast<double>(m_vertices[1].x) - m_vertices[0].x;
    const double dy = static_cast<double>(m_vertices[1].y) - m_vertices[0].y;
    pixels = std::sqrt(dx * dx + dy * dy);
  }
  m_dDistance = CalibratedLength(pixels);
}

void CDTDistance::FormatValue(wchar_t* buffer, int length) {
  const CDTImage* doc = Document();
  strokes::CopyText(strokes::Number(m_pOwner, m_dDistance) + L" " + (doc ? doc->m_szUnit : L""), buffer, length);
}

void CDTDistance::Measure() {
  if (m_handles.size() < kPoints) return;
  strokes::VerticesFromHandles(this, kPoints);
  ComputeDistance();
  FormatValue(m_szValue, 256);
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

void CDTDistance::SetVertices(const std::vector<PointF>& points) {
  if (!strokes::TakeVertices(this, points, kPoints)) return;
  UpdateBounds();
  BuildGeometry();
  ComputeDistance();
  FormatValue(m_szValue, 256);
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

void CDTDistance::OnVertexMoved(int) { BuildGeometry(); }

int CDTDistance::OnLButtonDown(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonDown(flags, point);
  FinishCreation();
  return 0;
}

int CDTDistance::OnLButtonUp(UINT flags, const POINT* point) {
  if (m_bLocked || !point) return 0;
  if (!m_bComplete && !strokes::ReleaseWhileCreating(this, point, 1)) return 0;
  return CDTDraw::OnLButtonUp(flags, point);
}

int CDTDistance::Draw() {
  if (!m_pVertexBuffer || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  strokes::PrepareFlatColour(m_pOwner);
  device->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(ColorVertex));
  if (m_nPenWeight < 2)
    device->DrawPrimitive(D3DPT_LINELIST, 0, 3);
  else if (m_nTriangles > 0)
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m_nTriangles));
  if (m_szValue[0] && m_bShowResult) m_label.Draw();
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this)) {
    strokes::PrepareFlatColour(m_pOwner);
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
  return 0;
}
