#include "engine/figures/Rectangle.h"

#include <d3d9.h>

#include <cmath>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/OutlineBuffer.h"
#include "engine/geometry/LineStyle.h"
#include "engine/geometry/Path.h"

CDTRectangle::CDTRectangle() { m_nType = DRAW_RECTANGLE; }

CDTRectangle::CDTRectangle(POINT point) : CDTDraw(point) {
  m_nType = DRAW_RECTANGLE;
  corner_box::AddCornersAt(this, point);
}

CDTRectangle::~CDTRectangle() { outline_buffer::Release(&m_pVertexBuffer); }

int CDTRectangle::CreateDeviceObjects() {
  InitLabel();
  m_cross.Create(m_pOwner ? static_cast<IDirect3DDevice9*>(m_pOwner->m_pDevice) : nullptr, m_clrLine);
  BuildGeometry();
  UpdateBounds();
  Measure();
  return 0;
}

int CDTRectangle::ReleaseDeviceObjects() {
  m_cross.Release();
  outline_buffer::Release(&m_pVertexBuffer);
  return CDTDraw::ReleaseDeviceObjects();
}

void CDTRectangle::BuildGeometry() {
  m_outline.clear();
  m_nTriangles = 0;
  m_nVertexCount = 0;
  if (m_handles.size() < static_cast<size_t>(corner_box::kCorners)) {
    outline_buffer::Release(&m_pVertexBuffer);
    return;
  }
  const float x0 = m_handles[0]->cx, y0 = m_handles[0]->cy;
  const float x2 = m_handles[2]->cx, y2 = m_handles[2]->cy;
  if (m_bSolid) {
    m_outline = {{x0, y0}, {x0, y2}, {x2, y0}, {x2, y2}};
    m_nVertexCount = 4;
  } else if (m_nPenWeight >= 2) {
    if (PPath* path = CreatePath()) {
      path->StartNewPath();
      path->MoveTo(x0, y0);
      path->LineTo(x2, y0);
      path->LineTo(x2, y2);
      path->LineTo(x0, y2);
      path->ClosePolygon();
      path->SetWidth(m_nPenWeight);
      path->SetLineCap(CapButt);
      path->SetLineJoin(JoinMiter);
      path->StrokeToTriangles();
      m_nTriangles = outline_buffer::AppendTriangles(path, &m_outline);
      m_nVertexCount = 3 * m_nTriangles;
      ReleasePath(path);
    }
  } else {
    m_outline = {{x0, y0}, {x2, y0}, {x2, y2}, {x0, y2}, {x0, y0}};
    m_nVertexCount = 5;
  }
  outline_buffer::Refill(m_pOwner ? m_pOwner->m_pDevice : nullptr, &m_pVertexBuffer, &m_nBufferCapacity, m_outline,
                         m_nVertexCount, m_clrLine);
  m_fCenterX = (x0 + x2) / 2;
  m_fCenterY = (y0 + y2) / 2;
  m_cross.Place(m_fCenterX, m_fCenterY);
}

void CDTRectangle::Rebuild() {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  outline_buffer::Release(&m_pVertexBuffer);
  m_nTriangles = 0;
  m_nVertexCount = 0;
  BuildGeometry();
}

void CDTRectangle::OnLineColorChanged() { outline_buffer::Recolour(m_pVertexBuffer, m_nVertexCount, m_clrLine); }
void CDTRectangle::OnPenWeightChanged() { Rebuild(); }
void CDTRectangle::OnSolidChanged() { Rebuild(); }
void CDTRectangle::OnLineCapChanged() { Rebuild(); }

void CDTRectangle::MoveBy(float dx, float dy) {
  if (m_pVertexBuffer && m_nVertexCount > 0) outline_buffer::Shift(m_pVertexBuffer, &m_outline, m_nVertexCount, dx, dy);
  m_fCenterX += dx;
  m_fCenterY += dy;
  m_cross.Place(m_fCenterX, m_fCenterY);
}

int CDTRectangle::Draw() {
  if (!m_pVertexBuffer || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  device->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(ColorVertex));
  if (m_bSolid)
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  else if (m_nPenWeight < 2)
    device->DrawPrimitive(D3DPT_LINESTRIP, 0, 4);
  else if (m_nTriangles > 0)
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m_nTriangles));
  m_cross.Draw(device);
  if (m_szValue[0] && m_bShowResult) m_label.Draw();
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this)) {
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetFVF(kColorVertexFormat);
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
  return 0;
}

// --- Measuring -------------------------------------------------------------

void CDTRectangle::ComputeValues() {
  if (m_vertices.size() < static_cast<size_t>(corner_box::kCorners)) return;
  m_dWidth = CalibratedLength(std::fabs(static_cast<double>(m_vertices[2].x) - m_vertices[0].x));
  m_dHeight = CalibratedLength(std::fabs(static_cast<double>(m_vertices[2].y) - m_vertices[0].y));
  m_dArea = m_dWidth * m_dHeight;
  FormatValue(m_szValue, 256);
}

void CDTRectangle::FormatValue(wchar_t* buffer, int length) {
  if (!buffer || length <= 0) return;
  const CDTImage* doc = Document();
  const wchar_t* p = m_pOwner ? m_pOwner->GetValueFormat() : L"%.3f";
  wchar_t format[96];
  std::swprintf(format, 96, L"W:%ls, H:%ls, %ls %%ls%%lc", p, p, p);
  if (std::swprintf(buffer, static_cast<size_t>(length), format, m_dWidth, m_dHeight, m_dArea,
                    doc ? doc->m_szUnit : L"", static_cast<wint_t>(178)) < 0)
    buffer[length - 1] = 0;
}

void CDTRectangle::Measure() {
  for (size_t i = 0; i < m_handles.size() && i < m_vertices.size(); ++i)
    GetVertexPixel(static_cast<int>(i), &m_vertices[i].x, &m_vertices[i].y);
  ComputeValues();
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

// --- Editing ---------------------------------------------------------------

void CDTRectangle::OnVertexMoved(int index) {
  if (corner_box::SquareWanted(*this)) corner_box::MakeSquare(this, index);
  corner_box::PropagateCorner(this, index);
  BuildGeometry();
}

int CDTRectangle::OnLButtonDown(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonDown(flags, point);
  // The press after a creation click that stayed near the first corner.
  FinishCreation();
  return 0;
}

int CDTRectangle::OnLButtonUp(UINT flags, const POINT* point) {
  if (!m_bComplete && m_nSelectedHandle >= 0 && static_cast<size_t>(m_nSelectedHandle) < m_handles.size()) {
    if (!corner_box::ReleaseCompletes(*this, point)) return 0;
    FinishCreation();
  }
  return CDTDraw::OnLButtonUp(flags, point);
}

void CDTRectangle::Reposition(float dx, float dy, BOOL zoomChanged) {
  if (!zoomChanged) {
    for (auto& h : m_handles) h->SetCenter(h->cx + dx, h->cy + dy);
    MoveBy(dx, dy);
    UpdateBounds();
    PlaceLabel();
    return;
  }
  for (size_t i = 0; i < m_handles.size() && i < m_vertices.size(); ++i) {
    float sx, sy;
    PixelToScreen(m_vertices[i].x, m_vertices[i].y, &sx, &sy);
    m_handles[i]->SetCenter(sx, sy);
  }
  UpdateBounds();
  BuildGeometry();
  PlaceLabel();
}

void CDTRectangle::BuildHandles() { corner_box::BuildCornerHandles(this); }

void CDTRectangle::SetVertices(const std::vector<PointF>& points) {
  if (!corner_box::TakeChangedCorners(this, points)) return;
  UpdateBounds();
  BuildGeometry();
  ComputeValues();
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}
