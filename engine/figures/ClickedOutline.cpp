#include "engine/figures/ClickedOutline.h"

#include <d3d9.h>

#include <cmath>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/OutlineBuffer.h"
#include "engine/geometry/Bspline.h"

void FeedSpline(PBspline* spline, const std::vector<PointF>& points, bool closed) {
  for (size_t i = 0; i < points.size(); ++i)
    spline->AddVertex(points[i].x, points[i].y, i == 0 ? CmdMoveTo : CmdLineTo);
  if (closed) spline->AddVertex(0, 0, CmdEndPoly | FlagClose);
}

void CollectSamples(PBspline* spline, std::vector<PointF>* samples) {
  spline->Rewind();
  double x = 0, y = 0;
  for (PathCommand cmd = spline->Vertex(&x, &y); !IsStop(cmd); cmd = spline->Vertex(&x, &y))
    if (IsVertex(cmd)) samples->push_back({static_cast<float>(x), static_cast<float>(y)});
}

void CollectSamples(PBspline* spline, std::vector<double>* xy) {
  spline->Rewind();
  double x = 0, y = 0;
  for (PathCommand cmd = spline->Vertex(&x, &y); !IsStop(cmd); cmd = spline->Vertex(&x, &y)) {
    if (!IsVertex(cmd)) continue;
    xy->push_back(x);
    xy->push_back(y);
  }
}

CDTClickedOutline::CDTClickedOutline(POINT point) : CDTDraw(point) {
  const auto x = static_cast<float>(point.x), y = static_cast<float>(point.y);
  AppendVertex(x, y);
  AddHandle(x, y);
  AddHandle(x, y);
}

CDTClickedOutline::~CDTClickedOutline() { ReleaseBuffer(); }

void CDTClickedOutline::ReleaseBuffer() { outline_buffer::Release(&m_pVertexBuffer); }

void CDTClickedOutline::FillBuffer() {
  outline_buffer::Refill(m_pOwner ? m_pOwner->m_pDevice : nullptr, &m_pVertexBuffer, &m_nBufferCapacity, m_outline,
                         m_nVertexCount, m_clrLine);
}

int CDTClickedOutline::CreateDeviceObjects() {
  InitLabel();
  BuildGeometry();
  UpdateBounds();
  Measure();
  return 0;
}

int CDTClickedOutline::ReleaseDeviceObjects() {
  ReleaseBuffer();
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  return CDTDraw::ReleaseDeviceObjects();
}

bool CDTClickedOutline::IsPointHandle(size_t) const { return true; }

double CDTClickedOutline::CalibrationFactor() const {
  const CDTImage* doc = Document();
  if (!doc) return 1.0;
  const double power = std::fabs(doc->MultiPower) <= kTinyDivisor ? 1.0 : doc->MultiPower;
  return doc->ReferenceScale / power;
}

void CDTClickedOutline::FormatArea(double area, wchar_t* buffer, int length) const {
  if (!buffer || length <= 0) return;
  const CDTImage* doc = Document();
  wchar_t format[48];
  std::swprintf(format, 48, L"%ls %%ls%%lc", m_pOwner ? m_pOwner->GetValueFormat() : L"%.3f");
  if (std::swprintf(buffer, static_cast<size_t>(length), format, area, doc ? doc->m_szUnit : L"",
                    static_cast<wint_t>(178)) < 0)
    buffer[length - 1] = 0;
}

void CDTClickedOutline::FormatValue(wchar_t* buffer, int length) {
  if (buffer != m_szValue && length > 0) std::swprintf(buffer, static_cast<size_t>(length), L"%ls", m_szValue);
}

void CDTClickedOutline::ApplyValues() {
  ComputeValues();
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

void CDTClickedOutline::Measure() {
  size_t k = 0;
  for (size_t i = 0; i < m_handles.size(); ++i) {
    if (!IsPointHandle(i)) continue;
    if (k >= m_vertices.size()) m_vertices.push_back({0.0f, 0.0f});
    GetVertexPixel(static_cast<int>(i), &m_vertices[k].x, &m_vertices[k].y);
    ++k;
  }
  m_vertices.resize(k);
  ApplyValues();
}

void CDTClickedOutline::BuildHandles() {
  m_handles.clear();
  for (const PointF& v : m_vertices) {
    float sx, sy;
    PixelToScreen(v.x, v.y, &sx, &sy);
    AddHandle(sx, sy);
  }
  m_bComplete = 1;
}

// --- Creation --------------------------------------------------------------

void CDTClickedOutline::AppendPoint() {
  const PointF last = m_vertices.back();
  const FigureHandle& handle = *m_handles.back();
  AppendVertex(last.x, last.y);
  AddHandle(handle.cx, handle.cy);
  m_nSelectedHandle = static_cast<int>(m_handles.size()) - 1;
}

int CDTClickedOutline::OnLButtonDown(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonDown(flags, point);
  if (m_vertices.empty() || m_vertices.size() != m_handles.size()) {
    OnStrayPress();
    return 0;
  }
  AppendPoint();
  return 0;
}

int CDTClickedOutline::OnLButtonUp(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonUp(flags, point);
  if (m_bLocked || !point || m_nSelectedHandle <= 0 || static_cast<size_t>(m_nSelectedHandle) >= m_handles.size())
    return 0;
  // A click leaves the point where it is; a drag fixes it and starts the next one.
  if (!IsFarFromPrevious(m_nSelectedHandle, point)) return 0;
  if (!m_vertices.empty() && m_vertices.size() == m_handles.size()) AppendPoint();
  return 0;
}

int CDTClickedOutline::OnRButton(UINT, const POINT* point) {
  if (m_bComplete) return 0;
  Finish(point);
  return 0;
}

void CDTClickedOutline::Finish(const POINT* point) {
  if (m_bComplete || m_vertices.size() < 3) return;
  m_nSelectedHandle = -1;
  m_nWorkingIndex = -1;
  const size_t n = m_handles.size();
  if (m_vertices.size() >= 4 && n >= 2 && std::fabs(m_handles[n - 1]->cx - m_handles[n - 2]->cx) < 1.0f &&
      std::fabs(m_handles[n - 1]->cy - m_handles[n - 2]->cy) < 1.0f) {
    m_handles.pop_back();
    m_vertices.pop_back();
  }
  m_bComplete = 1;
  // The release that ends a double click is no move of the figure.
  if (point) m_ptPress = *point;
  AfterFinish();
  BuildGeometry();
  UpdateBounds();
  Measure();
  FinishCreation();
  RepaintOwner();
  RecordHistory();
  if (m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureChanged(this, -1);
}

// --- Editing ---------------------------------------------------------------

void CDTClickedOutline::OnVertexMoved(int index) {
  if (!m_bComplete && index >= 0) {
    for (size_t i = static_cast<size_t>(index) + 1; i < m_handles.size(); ++i)
      m_handles[i]->SetCenter(m_handles[static_cast<size_t>(index)]->cx, m_handles[static_cast<size_t>(index)]->cy);
  }
  BuildGeometry();
}

void CDTClickedOutline::MoveBy(float dx, float dy) {
  if (m_pVertexBuffer && m_nVertexCount > 0) outline_buffer::Shift(m_pVertexBuffer, &m_outline, m_nVertexCount, dx, dy);
}

void CDTClickedOutline::Reposition(float dx, float dy, BOOL zoomChanged) {
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
  PlaceLabel();
  BuildGeometry();
}

void CDTClickedOutline::SetVertices(const std::vector<PointF>& points) {
  if (!m_bComplete || points.size() < 3) return;
  bool changed = false;
  for (size_t i = 0; i < m_vertices.size() && i < points.size() && i < m_handles.size(); ++i) {
    if (std::fabs(static_cast<double>(points[i].x) - m_vertices[i].x) <= 1e-8 &&
        std::fabs(static_cast<double>(points[i].y) - m_vertices[i].y) <= 1e-8)
      continue;
    m_vertices[i] = points[i];
    float sx, sy;
    PixelToScreen(points[i].x, points[i].y, &sx, &sy);
    m_handles[i]->SetCenter(sx, sy);
    changed = true;
  }
  if (!changed) return;
  UpdateBounds();
  BuildGeometry();
  ApplyValues();
}

void CDTClickedOutline::OnLineColorChanged() { outline_buffer::Recolour(m_pVertexBuffer, m_nVertexCount, m_clrLine); }

void CDTClickedOutline::Rebuild() {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  ReleaseBuffer();
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  BuildGeometry();
}

void CDTClickedOutline::OnPenWeightChanged() { Rebuild(); }
void CDTClickedOutline::OnSolidChanged() { Rebuild(); }
void CDTClickedOutline::OnLineCapChanged() { Rebuild(); }
