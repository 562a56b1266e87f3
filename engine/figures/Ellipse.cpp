#include "engine/figures/Ellipse.h"

#include <d3d9.h>

#include <cmath>
#include <cwchar>
#include <utility>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/OutlineBuffer.h"
#include "engine/geometry/ArcEllipse.h"
#include "engine/geometry/Path.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

double EllipsePerimeter(double a, double b) {
  a = std::fabs(a);
  b = std::fabs(b);
  if (a < b) std::swap(a, b);
  if (b == 0.0) return 4.0 * a;
  // P = 2 pi / M(a, b) x (a^2 - sum 2^(n-1) c_n^2), with c_0^2 = a^2 - b^2
  // and c_(n+1) = (a_n - b_n) / 2 along the arithmetic-geometric mean.
  const double squared = a * a;
  double sum = 0.5 * (a - b) * (a + b);
  double weight = 0.5;
  for (int i = 0; i < 64 && a - b > 1e-15 * a; ++i) {
    const double c = (a - b) / 2;
    const double mean = (a + b) / 2;
    b = std::sqrt(a * b);
    a = mean;
    weight *= 2.0;
    sum += weight * c * c;
  }
  return 2.0 * kPi * (squared - sum) / ((a + b) / 2);
}

CDTEllipse::CDTEllipse() {
  m_nType = DRAW_ELLIPSE;
  m_fRadiusX = m_fRadiusY = 0.0f;
}

CDTEllipse::CDTEllipse(POINT point) : CDTDraw(point) {
  m_nType = DRAW_ELLIPSE;
  corner_box::AddCornersAt(this, point);
}

CDTEllipse::~CDTEllipse() { outline_buffer::Release(&m_pVertexBuffer); }

int CDTEllipse::CreateDeviceObjects() {
  InitLabel();
  m_cross.Create(m_pOwner ? static_cast<IDirect3DDevice9*>(m_pOwner->m_pDevice) : nullptr, m_clrLine);
  ComputeCentre();
  BuildGeometry();
  UpdateBounds();
  Measure();
  return 0;
}

int CDTEllipse::ReleaseDeviceObjects() {
  m_cross.Release();
  outline_buffer::Release(&m_pVertexBuffer);
  return CDTDraw::ReleaseDeviceObjects();
}

void CDTEllipse::ComputeCentre() {
  if (m_handles.size() < static_cast<size_t>(corner_box::kCorners)) return;
  const float x0 = m_handles[0]->cx, y0 = m_handles[0]->cy;
  const float x2 = m_handles[2]->cx, y2 = m_handles[2]->cy;
  m_fCenterX = (x0 + x2) / 2;
  m_fCenterY = (y0 + y2) / 2;
  m_fRadiusX = std::fabs((x2 - x0) / 2);
  m_fRadiusY = std::fabs((y2 - y0) / 2);
  if (m_fRadiusX == 0.0f) m_fRadiusX = 1.0f;
  if (m_fRadiusY == 0.0f) m_fRadiusY = 1.0f;
  m_cross.Place(m_fCenterX, m_fCenterY);
}

void CDTEllipse::BuildGeometry() {
  m_outline.clear();
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  PEllipse source(m_fCenterX, m_fCenterY, m_fRadiusX, m_fRadiusY, true);
  source.SetApproximationScale(1.0);
  if (m_bSolid) {
    if (PPolygon* polygon = CreatePolygon()) {
      polygon->StartNewPath();
      polygon->JoinPath(&source);
      polygon->ClosePolygon();
      polygon->FillToTriangles();
      m_nPrimitives = outline_buffer::AppendTriangles(polygon, &m_outline);
      m_nVertexCount = 3 * m_nPrimitives;
      ReleasePolygon(polygon);
    }
  } else if (m_nPenWeight >= 2) {
    if (PPath* path = CreatePath()) {
      path->StartNewPath();
      path->JoinPath(&source);
      path->ClosePolygon();
      path->SetWidth(m_nPenWeight);
      path->StrokeToTriangles();
      m_nPrimitives = outline_buffer::AppendTriangles(path, &m_outline);
      m_nVertexCount = 3 * m_nPrimitives;
      ReleasePath(path);
    }
  } else {
    source.Rewind();
    double x = 0, y = 0;
    for (PathCommand cmd = source.Vertex(&x, &y); !IsStop(cmd); cmd = source.Vertex(&x, &y)) {
      if (IsVertex(cmd))
        m_outline.push_back({static_cast<float>(x), static_cast<float>(y)});
      else if (IsEndPoly(cmd) && !m_outline.empty())
        m_outline.push_back(m_outline.front());
    }
    m_nPrimitives = m_nVertexCount = static_cast<int>(m_outline.size());
  }
  outline_buffer::Refill(m_pOwner ? m_pOwner->m_pDevice : nullptr, &m_pVertexBuffer, &m_nBufferCapacity, m_outline,
                         m_nVertexCount, m_clrLine);
}

void CDTEllipse::Rebuild() {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  outline_buffer::Release(&m_pVertexBuffer);
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  ComputeCentre();
  BuildGeometry();
}

void CDTEllipse::OnLineColorChanged() { outline_buffer::Recolour(m_pVertexBuffer, m_nVertexCount, m_clrLine); }
void CDTEllipse::OnPenWeightChanged() { Rebuild(); }
void CDTEllipse::OnSolidChanged() { Rebuild(); }

void CDTEllipse::MoveBy(float dx, float dy) {
  if (m_pVertexBuffer && m_nVertexCount > 0) outline_buffer::Shift(m_pVertexBuffer, &m_outline, m_nVertexCount, dx, dy);
  m_fCenterX += dx;
  m_fCenterY += dy;
  m_cross.Place(m_fCenterX, m_fCenterY);
}

int CDTEllipse::Draw() {
  if (!m_pVertexBuffer || m_nPrimitives <= 0 || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  device->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(ColorVertex));
  m_pOwner->SetAntialias(TRUE);
  if (m_bSolid || m_nPenWeight > 1)
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m_nPrimitives));
  else if (m_nPrimitives > 1)
    device->DrawPrimitive(D3DPT_LINESTRIP, 0, static_cast<UINT>(m_nPrimitives - 1));
  m_pOwner->SetAntialias(FALSE);
  m_cross.Draw(device);
  if (m_szValue[0] && m_bShowResult) m_label.Draw();
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this)) {
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
  return 0;
}

// --- Measuring -------------------------------------------------------------

void CDTEllipse::ComputeValues() {
  const CDTImage* doc = Document();
  double z = doc ? static_cast<double>(doc->m_fZoom) * doc->MultiPower : 1.0;
  if (std::fabs(z) <= kTinyDivisor) z = 1.0;
  const double scale = doc ? doc->ReferenceScale : 1.0;
  m_dSemiAxisX = m_fRadiusX * scale / z;
  m_dSemiAxisY = m_fRadiusY * scale / z;
  m_dArea = m_dSemiAxisX * kPi * m_dSemiAxisY;
  m_dPerimeter = EllipsePerimeter(m_dSemiAxisX, m_dSemiAxisY);
  FormatLabel(m_szValue, 256);
}

void CDTEllipse::FormatLabel(wchar_t* buffer, int length) const {
  if (!buffer || length <= 0) return;
  const CDTImage* doc = Document();
  wchar_t format[48];
  std::swprintf(format, 48, L"%ls %%ls%%lc", m_pOwner ? m_pOwner->GetValueFormat() : L"%.3f");
  if (std::swprintf(buffer, static_cast<size_t>(length), format, m_dArea, doc ? doc->m_szUnit : L"",
                    static_cast<wint_t>(178)) < 0)
    buffer[length - 1] = 0;
}

void CDTEllipse::FormatValue(wchar_t* buffer, int length) {
  if (!buffer || length <= 0) return;
  const CDTImage* doc = Document();
  const wchar_t* p = m_pOwner ? m_pOwner->GetValueFormat() : L"%.3f";
  wchar_t format[96];
  std::swprintf(format, 96, L"rx:%ls, ry:%ls, %ls %%ls%%lc", p, p, p);
  if (std::swprintf(buffer, static_cast<size_t>(length), format, m_dSemiAxisX, m_dSemiAxisY, m_dArea,
                    doc ? doc->m_szUnit : L"", static_cast<wint_t>(178)) < 0)
    buffer[length - 1] = 0;
}

void CDTEllipse::Measure() {
  for (size_t i = 0; i < m_handles.size() && i < m_vertices.size(); ++i)
    GetVertexPixel(static_cast<int>(i), &m_vertices[i].x, &m_vertices[i].y);
  ComputeValues();
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

// --- Editing ---------------------------------------------------------------

void CDTEllipse::OnVertexMoved(int index) {
  if (corner_box::SquareWanted(*this)) corner_box::MakeSquare(this, index);
  corner_box::PropagateCorner(this, index);
  ComputeCentre();
  BuildGeometry();
}

int CDTEllipse::OnLButtonDown(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonDown(flags, point);
  FinishCreation();
  return 0;
}

int CDTEllipse::OnLButtonUp(UINT flags, const POINT* point) {
  if (!m_bComplete && m_nSelectedHandle >= 0 && static_cast<size_t>(m_nSelectedHandle) < m_handles.size()) {
    if (!corner_box::ReleaseCompletes(*this, point)) return 0;
    FinishCreation();
  }
  return CDTDraw::OnLButtonUp(flags, point);
}

void CDTEllipse::Reposition(float dx, float dy, BOOL zoomChanged) {
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
  ComputeCentre();
  BuildGeometry();
  PlaceLabel();
}

void CDTEllipse::BuildHandles() { corner_box::BuildCornerHandles(this); }

void CDTEllipse::SetVertices(const std::vector<PointF>& points) {
  if (!corner_box::TakeChangedCorners(this, points)) return;
  UpdateBounds();
  ComputeCentre();
  BuildGeometry();
  ComputeValues();
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}
