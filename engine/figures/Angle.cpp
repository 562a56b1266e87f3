#include "engine/figures/Angle.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Strokes.h"
#include "engine/geometry/ArcEllipse.h"
#include "engine/geometry/LineStyle.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kArcRadius = 48.0;

// The direction of the ray from p to q in degrees, clockwise as seen from +x.
double Direction(PointF p, PointF q) {
  return DirectedAngle(-100.0, 0.0, static_cast<double>(p.x) - q.x, static_cast<double>(p.y) - q.y);
}

void Shift(std::vector<PointF>* points, size_t first, size_t count, float dx, float dy) {
  for (size_t i = first; i < first + count && i < points->size(); ++i) {
    (*points)[i].x += dx;
    (*points)[i].y += dy;
  }
}

}  // namespace

double DirectedAngle(double ax, double ay, double bx, double by) {
  const double la = std::sqrt(ax * ax + ay * ay), lb = std::sqrt(bx * bx + by * by);
  if (la <= 1e-8 || lb <= 1e-8) return 0.0;
  const double c = (ax / la) * (bx / lb) + (ay / la) * (by / lb);
  double theta;
  if (std::fabs(c - 1.0) <= 1e-8) {
    theta = 0.0;
  } else if (std::fabs(c + 1.0) <= 1e-8) {
    theta = kPi;
  } else {
    theta = std::acos(c);
    if ((ax / la) * (by / lb) - (ay / la) * (bx / lb) < 0) theta = 2.0 * kPi - theta;
  }
  return theta * 180.0 / kPi;
}

// --- Shared by both angle figures -------------------------------------------

CDTAngleBase::CDTAngleBase(POINT point, size_t points) : CDTDraw(point), m_nPoints(points) {
  const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
  for (size_t i = 1; i < points; ++i) AppendVertex(x, y);
  for (size_t i = 0; i < points; ++i) AddHandle(x, y);
}

CDTAngleBase::~CDTAngleBase() { strokes::Release(&m_pArcBuffer); }

int CDTAngleBase::CreateDeviceObjects() {
  InitLabel();
  BuildGeometry();
  UpdateBounds();
  Measure();
  return 0;
}

int CDTAngleBase::ReleaseDeviceObjects() {
  strokes::Release(&m_pArcBuffer);
  return CDTDraw::ReleaseDeviceObjects();
}

void CDTAngleBase::BuildHandles() { strokes::HandlesFromVertices(this, m_nPoints); }

void CDTAngleBase::GetStoredExtra(FigureExtra* extra) const { extra->complement = m_bComplement ? 1 : 0; }

void CDTAngleBase::SetStoredExtra(const FigureExtra& extra) { m_bComplement = extra.complement != 0; }

void CDTAngleBase::HandlePoints(PointF* out) const {
  for (size_t i = 0; i < m_nPoints; ++i)
    out[i] = i < m_handles.size() ? PointF{m_handles[i]->cx, m_handles[i]->cy} : PointF{0.0f, 0.0f};
}

void CDTAngleBase::BuildArc(PointF centre, double startDegrees, double endDegrees, bool increasing) {
  m_arcPoints.clear();
  strokes::Release(&m_pArcBuffer);
  PArc arc(centre.x, centre.y, kArcRadius, kArcRadius, startDegrees * kPi / 180.0, endDegrees * kPi / 180.0,
           increasing);
  strokes::CollectPoints(&arc, &m_arcPoints);
  m_nArcVertexCount = static_cast<int>(m_arcPoints.size());
  m_pArcBuffer = strokes::MakeBuffer(m_pOwner, m_arcPoints.data(), m_nArcVertexCount, m_clrLine);
}

void CDTAngleBase::ReleaseStroke(AngleStroke* stroke) {
  strokes::Release(&stroke->buffer);
  stroke->triangles = 0;
  stroke->vertices = 0;
}

// Appends the piece's points to the outline and gives it its own buffer.
void CDTAngleBase::BuildStroke(const PointF* points, int count, AngleStroke* stroke) {
  ReleaseStroke(stroke);
  const size_t first = m_outline.size();
  if (m_nPenWeight < 2) {
    m_outline.insert(m_outline.end(), points, points + count);
    stroke->vertices = count;
  } else {
    stroke->triangles = strokes::StrokeInto(points, count, m_nPenWeight, CapButt, JoinMiter, &m_outline);
    stroke->vertices = 3 * stroke->triangles;
  }
  stroke->buffer = strokes::MakeBuffer(m_pOwner, m_outline.data() + first, stroke->vertices, m_clrLine);
}

void CDTAngleBase::DrawStroke(const AngleStroke& stroke, int stripLines) const {
  if (!stroke.buffer) return;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  device->SetStreamSource(0, stroke.buffer, 0, sizeof(ColorVertex));
  if (m_nPenWeight < 2) {
    device->DrawPrimitive(D3DPT_LINESTRIP, 0, static_cast<UINT>(stripLines));
  } else if (stroke.triangles > 0) {
    m_pOwner->SetAntialias(TRUE);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(stroke.triangles));
    m_pOwner->SetAntialias(FALSE);
  }
}

void CDTAngleBase::DrawArcAndHandles(bool label) {
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  m_pOwner->SetAntialias(TRUE);
  if (m_pArcBuffer && m_nArcVertexCount > 1) {
    device->SetStreamSource(0, m_pArcBuffer, 0, sizeof(ColorVertex));
    device->DrawPrimitive(D3DPT_LINESTRIP, 0, static_cast<UINT>(m_nArcVertexCount - 1));
  }
  m_pOwner->SetAntialias(FALSE);
  if (label && m_szValue[0] && m_bShowResult) m_label.Draw();
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this)) {
    strokes::PrepareFlatColour(m_pOwner);
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
}

void CDTAngleBase::ComputeAngle() {
  PointF p[4]{};
  for (size_t i = 0; i < m_nPoints && i < m_vertices.size(); ++i) p[i] = m_vertices[i];
  m_dRawAngle = m_vertices.size() >= m_nPoints ? RawAngle(p) : 0.0;
  m_dAngle = m_bComplement ? 360.0 - m_dRawAngle : m_dRawAngle;
}

void CDTAngleBase::FormatValue(wchar_t* buffer, int length) {
  strokes::CopyText(strokes::Number(m_pOwner, m_dAngle) + L"\u00B0", buffer, length);
}

void CDTAngleBase::Measure() {
  if (m_handles.size() < m_nPoints) return;
  strokes::VerticesFromHandles(this, m_nPoints);
  ComputeAngle();
  FormatValue(m_szValue, 256);
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

void CDTAngleBase::SetVertices(const std::vector<PointF>& points) {
  if (!strokes::TakeVertices(this, points, m_nPoints)) return;
  UpdateBounds();
  BuildGeometry();
  ComputeAngle();
  FormatValue(m_szValue, 256);
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

void CDTAngleBase::Reposition(float dx, float dy, BOOL zoomChanged) {
  if (zoomChanged) {
    strokes::HandlesOntoVertices(this);
    UpdateBounds();
    PlaceLabel();
    BuildGeometry();
    return;
  }
  for (auto& h : m_handles) h->SetCenter(h->cx + dx, h->cy + dy);
  MoveBy(dx, dy);
  UpdateBounds();
  PlaceLabel();
}

void CDTAngleBase::OnVertexMoved(int index) {
  const int last = static_cast<int>(m_nPoints) - 1;
  if (!m_bComplete && index >= 0 && static_cast<size_t>(index) < m_handles.size()) {
    // The points not placed yet travel with the one being placed.
    for (size_t i = static_cast<size_t>(index) + 1; i < m_handles.size(); ++i)
      m_handles[i]->SetCenter(m_handles[index]->cx, m_handles[index]->cy);
    if (index == last && m_handles.size() >= m_nPoints) {
      // The first swing of the last arm decides the side; afterwards the
      // flag flips only when the arm crosses the other, so the value never jumps.
      PointF p[4]{};
      HandlePoints(p);
      const int h = static_cast<int>(RawAngle(p));
      const int e = static_cast<int>(m_dRawAngle);
      if (!m_bComplement && h - e > 270)
        m_bComplement = true;
      else if (m_bComplement && e - h > 270)
        m_bComplement = false;
    }
  }
  BuildGeometry();
}

int CDTAngleBase::OnLButtonDown(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonDown(flags, point);
  strokes::PressWhileCreating(this, static_cast<int>(m_nPoints) - 1);
  return 0;
}

int CDTAngleBase::OnLButtonUp(UINT flags, const POINT* point) {
  if (m_bLocked || !point) return 0;
  if (!m_bComplete && !strokes::ReleaseWhileCreating(this, point, static_cast<int>(m_nPoints) - 1)) return 0;
  return CDTDraw::OnLButtonUp(flags, point);
}

// --- Three points -----------------------------------------------------------

CDTAngle::~CDTAngle() { ReleaseStroke(&m_line); }

int CDTAngle::ReleaseDeviceObjects() {
  ReleaseStroke(&m_line);
  return CDTAngleBase::ReleaseDeviceObjects();
}

double CDTAngle::RawAngle(const PointF* p) const {
  return DirectedAngle(static_cast<double>(p[1].x) - p[2].x, static_cast<double>(p[1].y) - p[2].y,
                       static_cast<double>(p[1].x) - p[0].x, static_cast<double>(p[1].y) - p[0].y);
}

void CDTAngle::BuildGeometry() {
  if (m_handles.size() < 3) return;
  PointF h[4]{};
  HandlePoints(h);
  m_outline.clear();
  BuildStroke(h, 3, &m_line);
  const double raw = RawAngle(h);
  const double shown = m_bComplement ? 360.0 - raw : raw;
  // Without the flag the arc runs from the second arm to the first; with it
  // from the first arm round the complement.
  const double g = Direction(h[1], m_bComplement ? h[2] : h[0]);
  BuildArc(h[1], g - shown, g, true);
}

void CDTAngle::MoveBy(float dx, float dy) {
  if (m_line.buffer && m_line.vertices > 0) {
    Shift(&m_outline, 0, m_outline.size(), dx, dy);
    strokes::WritePositions(m_line.buffer, m_outline.data(),
                            std::min(m_line.vertices, static_cast<int>(m_outline.size())));
  }
  if (m_pArcBuffer && m_nArcVertexCount > 0) {
    Shift(&m_arcPoints, 0, m_arcPoints.size(), dx, dy);
    strokes::WritePositions(m_pArcBuffer, m_arcPoints.data(), m_nArcVertexCount);
  }
}

void CDTAngle::OnLineColorChanged() {
  strokes::WriteColour(m_line.buffer, m_line.vertices, m_clrLine);
  strokes::WriteColour(m_pArcBuffer, m_nArcVertexCount, m_clrLine);
}

void CDTAngle::OnPenWeightChanged() {
  if (!m_line.buffer || m_line.vertices <= 0) return;
  ReleaseStroke(&m_line);
  BuildGeometry();
}

int CDTAngle::Draw() {
  if (!m_line.buffer || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  strokes::PrepareFlatColour(m_pOwner);
  DrawStroke(m_line, 2);
  DrawArcAndHandles(true);
  return 0;
}

// --- Four points ------------------------------------------------------------

CDTAnglePt4::~CDTAnglePt4() {
  ReleaseStroke(&m_first);
  ReleaseStroke(&m_second);
}

int CDTAnglePt4::ReleaseDeviceObjects() {
  ReleaseStroke(&m_first);
  ReleaseStroke(&m_second);
  return CDTAngleBase::ReleaseDeviceObjects();
}

double CDTAnglePt4::RawAngle(const PointF* p) const {
  return DirectedAngle(static_cast<double>(p[2].x) - p[3].x, static_cast<double>(p[2].y) - p[3].y,
                       static_cast<double>(p[1].x) - p[0].x, static_cast<double>(p[1].y) - p[0].y);
}

void CDTAnglePt4::BuildGeometry() {
  if (m_handles.size() < 4) return;
  PointF h[4]{};
  HandlePoints(h);
  m_outline.clear();
  BuildStroke(h, 2, &m_first);
  BuildStroke(h + 2, 2, &m_second);
  const double raw = RawAngle(h);
  const double g = Direction(h[1], h[0]);
  BuildArc(h[1], g - raw, g, !m_bComplement);
}

void CDTAnglePt4::MoveBy(float dx, float dy) {
  if (m_pArcBuffer && m_nArcVertexCount > 0) {
    Shift(&m_arcPoints, 0, m_arcPoints.size(), dx, dy);
    strokes::WritePositions(m_pArcBuffer, m_arcPoints.data(), m_nArcVertexCount);
  }
  const size_t first = static_cast<size_t>(std::max(m_first.vertices, 0));
  if (m_first.buffer && m_first.vertices > 0 && first <= m_outline.size()) {
    Shift(&m_outline, 0, first, dx, dy);
    strokes::WritePositions(m_first.buffer, m_outline.data(), m_first.vertices);
  }
  const size_t second = static_cast<size_t>(std::max(m_second.vertices, 0));
  if (m_second.buffer && m_second.vertices > 0 && first + second <= m_outline.size()) {
    Shift(&m_outline, first, second, dx, dy);
    strokes::WritePositions(m_second.buffer, m_outline.data() + first, m_second.vertices);
  }
}

void CDTAnglePt4::OnLineColorChanged() {
  strokes::WriteColour(m_first.buffer, m_first.vertices, m_clrLine);
  strokes::WriteColour(m_second.buffer, m_second.vertices, m_clrLine);
  strokes::WriteColour(m_pArcBuffer, m_nArcVertexCount, m_clrLine);
}

void CDTAnglePt4::OnPenWeightChanged() {
  if (m_first.buffer && m_first.vertices > 0) ReleaseStroke(&m_first);
  if (m_second.buffer && m_second.vertices > 0) ReleaseStroke(&m_second);
  BuildGeometry();
}

int CDTAnglePt4::Draw() {
  if (!m_pOwner || !m_pOwner->m_pDevice) return 0;
  strokes::PrepareFlatColour(m_pOwner);
  DrawStroke(m_first, 1);
  DrawStroke(m_second, 1);
  DrawArcAndHandles(m_first.buffer && m_second.buffer);
  return 0;
}
