#include "engine/figures/Circle.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/OutlineBuffer.h"
#include "engine/figures/Strokes.h"
#include "engine/geometry/ArcEllipse.h"

namespace {

constexpr size_t kPoints = 3;
constexpr double kPi = 3.14159265358979323846;
constexpr float kMarkHalf = 5.0f;

}  // namespace

CDTCircle::CDTCircle() { m_nType = DRAW_CIRCLE; }

CDTCircle::CDTCircle(POINT point) : CDTDraw(point) {
  m_nType = DRAW_CIRCLE;
  const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
  AppendVertex(x, y);
  AppendVertex(x, y);
  for (size_t i = 0; i < kPoints; ++i) AddHandle(x, y);
}

CDTCircle::~CDTCircle() {
  strokes::Release(&m_pOutlineBuffer);
  strokes::Release(&m_pCentreBuffer);
}

int CDTCircle::CreateDeviceObjects() {
  InitLabel();
  strokes::Release(&m_pCentreBuffer);
  const PointF mark[4] = {};
  m_pCentreBuffer = strokes::MakeBuffer(m_pOwner, mark, 4, m_clrLine);
  BuildCircle();
  UpdateBounds();
  Measure();
  return 0;
}

int CDTCircle::ReleaseDeviceObjects() {
  strokes::Release(&m_pCentreBuffer);
  strokes::Release(&m_pOutlineBuffer);
  return CDTDraw::ReleaseDeviceObjects();
}

void CDTCircle::BuildHandles() { strokes::HandlesFromVertices(this, kPoints); }

void CDTCircle::UpdateBounds() {
  m_rcBounds = {static_cast<LONG>(m_fCenterX - m_fRadius), static_cast<LONG>(m_fCenterY - m_fRadius),
                static_cast<LONG>(m_fCenterX + m_fRadius), static_cast<LONG>(m_fCenterY + m_fRadius)};
}

void CDTCircle::ComputeCircle() {
  if (m_handles.size() < kPoints) return;
  const float x0 = m_handles[0]->cx, y0 = m_handles[0]->cy;
  const float x1 = m_handles[1]->cx, y1 = m_handles[1]->cy;
  const float x2 = m_handles[2]->cx, y2 = m_handles[2]->cy;
  const float dx01 = x1 - x0, dy01 = y1 - y0, dx12 = x2 - x1, dy12 = y2 - y1;
  const float dx02 = x2 - x0, dy02 = y2 - y0;
  const bool collinear =
      (std::fabs(dx01) <= 0.01f && std::fabs(dx12) <= 0.01f) ||
      (std::fabs(dx01) > 0.01f && std::fabs(dx12) > 0.01f && std::fabs(dy12 / dx12 - dy01 / dx01) <= 0.01f);
  if (collinear) {
    const float minX = std::min({x0, x1, x2}), maxX = std::max({x0, x1, x2});
    const float minY = std::min({y0, y1, y2}), maxY = std::max({y0, y1, y2});
    m_fCenterX = (minX + maxX) / 2;
    m_fCenterY = (minY + maxY) / 2;
    const float w = maxX - minX, h = maxY - minY;
    m_fRadius = std::sqrt(w * w + h * h) / 2;
  } else {
    const float s1 = x1 * x1 - x0 * x0 + y1 * y1 - y0 * y0;
    const float s2 = x2 * x2 - x0 * x0 + y2 * y2 - y0 * y0;
    const float d = 2 * dx01 * dy02 - 2 * dx02 * dy01;
    // A vanishing determinant keeps the coordinate it had.
    if (std::fabs(d) > 0.01f) m_fCenterX = (s1 * dy02 - s2 * dy01) / d;
    const float e = 2 * dy01 * dx02 - 2 * dy02 * dx01;
    if (std::fabs(e) > 0.01f) m_fCenterY = (s1 * dx02 - s2 * dx01) / e;
    const float rx = x0 - m_fCenterX, ry = y0 - m_fCenterY;
    m_fRadius = std::sqrt(rx * rx + ry * ry);
  }
  if (!(m_fRadius >= 1.0f)) m_fRadius = 1.0f;
  WriteCentreMark();
}

void CDTCircle::WriteCentreMark() {
  const float cx = m_fCenterX, cy = m_fCenterY;
  const PointF mark[4] = {{cx - kMarkHalf, cy}, {cx + kMarkHalf, cy}, {cx, cy - kMarkHalf}, {cx, cy + kMarkHalf}};
  strokes::WritePositions(m_pCentreBuffer, mark, 4);
}

void CDTCircle::BuildOutline() {
  m_outline.clear();
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  PEllipse ellipse(m_fCenterX, m_fCenterY, m_fRadius, m_fRadius, true);
  if (m_bSolid || m_nPenWeight >= 2) {
    m_nPrimitives = strokes::OutlineInto(&ellipse, m_bSolid ? 0 : m_nPenWeight, &m_outline);
    m_nVertexCount = 3 * m_nPrimitives;
  } else {
    strokes::CollectPoints(&ellipse, &m_outline);
    if (!m_outline.empty()) m_outline.push_back(m_outline.front());
    m_nPrimitives = m_nVertexCount = static_cast<int>(m_outline.size());
  }
  outline_buffer::Refill(m_pOwner ? m_pOwner->m_pDevice : nullptr, &m_pOutlineBuffer, &m_nBufferCapacity, m_outline,
                         m_nVertexCount, m_clrLine);
}

void CDTCircle::BuildCircle() {
  ComputeCircle();
  if (m_handles.size() >= kPoints) BuildOutline();
}

void CDTCircle::OnPenWeightChanged() {
  if (!m_pOutlineBuffer || m_nVertexCount <= 0) return;
  strokes::Release(&m_pOutlineBuffer);
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  BuildCircle();
}

void CDTCircle::OnSolidChanged() { OnPenWeightChanged(); }

void CDTCircle::OnLineColorChanged() { strokes::WriteColour(m_pOutlineBuffer, m_nVertexCount, m_clrLine); }

void CDTCircle::MoveBy(float dx, float dy) {
  if (m_pOutlineBuffer && m_nVertexCount > 0) {
    for (PointF& p : m_outline) {
      p.x += dx;
      p.y += dy;
    }
    strokes::WritePositions(m_pOutlineBuffer, m_outline.data(),
                            std::min(m_nVertexCount, static_cast<int>(m_outline.size())));
  }
  m_fCenterX += dx;
  m_fCenterY += dy;
  WriteCentreMark();
}

void CDTCircle::Reposition(float dx, float dy, BOOL zoomChanged) {
  if (zoomChanged) {
    strokes::HandlesOntoVertices(this);
    BuildCircle();
  } else {
    for (auto& h : m_handles) h->SetCenter(h->cx + dx, h->cy + dy);
    MoveBy(dx, dy);
  }
  UpdateBounds();
  PlaceLabel();
}

void CDTCircle::ComputeValues() {
  // The radius in picture pixels, then calibrated like any length.
  const CDTImage* doc = Document();
  const double zoom = doc ? doc->m_fZoom : 1.0;
  double pixels = m_fRadius;
  if (std::fabs(zoom) > kTinyDivisor) pixels /= zoom;
  m_dRadius = CalibratedLength(pixels);
  m_dArea = m_dRadius * kPi * m_dRadius;
  m_dPerimeter = m_dRadius * kPi * 2;
}

void CDTCircle::ValueText() {
  const CDTImage* doc = Document();
  strokes::CopyText(strokes::Number(m_pOwner, m_dArea) + L" " + (doc ? doc->m_szUnit : L"") + L"\u00B2", m_szValue,
                    256);
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

void CDTCircle::FormatValue(wchar_t* buffer, int length) {
  const CDTImage* doc = Document();
  strokes::CopyText(L"r:" + strokes::Number(m_pOwner, m_dRadius) + L", " + strokes::Number(m_pOwner, m_dArea) + L" " +
                        (doc ? doc->m_szUnit : L"") + L"\u00B2",
                    buffer, length);
}

void CDTCircle::Measure() {
  if (m_handles.size() < kPoints) return;
  strokes::VerticesFromHandles(this, kPoints);
  ComputeValues();
  ValueText();
}

void CDTCircle::SetVertices(const std::vector<PointF>& points) {
  if (!strokes::TakeVertices(this, points, kPoints)) return;
  BuildCircle();
  UpdateBounds();
  ComputeValues();
  ValueText();
}

void CDTCircle::ProposeThirdPoint() {
  const double dx = static_cast<double>(m_handles[1]->cx) - m_handles[0]->cx;
  const double dy = static_cast<double>(m_handles[1]->cy) - m_handles[0]->cy;
  const double d = std::max(std::sqrt(dx * dx + dy * dy), 1e-5);
  const double phi = std::atan2(dy, dx) + 2.0 * kPi / 3.0;
  m_handles[2]->SetCenter(static_cast<float>(m_handles[1]->cx + d * std::cos(phi)),
                          static_cast<float>(m_handles[1]->cy + d * std::sin(phi)));
}

void CDTCircle::OnVertexMoved(int index) {
  if (!m_bComplete && index == 1 && m_handles.size() >= kPoints) ProposeThirdPoint();
  BuildCircle();
}

int CDTCircle::OnLButtonDown(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonDown(flags, point);
  strokes::PressWhileCreating(this, 2);
  return 0;
}

int CDTCircle::OnLButtonUp(UINT flags, const POINT* point) {
  if (m_bLocked || !point) return 0;
  if (!m_bComplete && !strokes::ReleaseWhileCreating(this, point, 2)) return 0;
  return CDTDraw::OnLButtonUp(flags, point);
}

int CDTCircle::Draw() {
  if (!m_pOutlineBuffer || m_nPrimitives <= 0 || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  strokes::PrepareFlatColour(m_pOwner);
  m_pOwner->SetAntialias(TRUE);
  device->SetStreamSource(0, m_pOutlineBuffer, 0, sizeof(ColorVertex));
  if (m_bSolid || m_nPenWeight >= 2)
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m_nPrimitives));
  else if (m_nPrimitives > 1)
    device->DrawPrimitive(D3DPT_LINESTRIP, 0, static_cast<UINT>(m_nPrimitives - 1));
  m_pOwner->SetAntialias(FALSE);
  if (m_pCentreBuffer) {
    device->SetStreamSource(0, m_pCentreBuffer, 0, sizeof(ColorVertex));
    device->DrawPrimitive(D3DPT_LINELIST, 0, 2);
  }
  if (m_szValue[0] && m_bShowResult) m_label.Draw();
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this)) {
    strokes::PrepareFlatColour(m_pOwner);
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
  return 0;
}
