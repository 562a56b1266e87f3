#include "engine/figures/Curve.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/OutlineBuffer.h"
#include "engine/geometry/Bspline.h"
#include "engine/geometry/LineStyle.h"
#include "engine/geometry/Path.h"

CDTCurve::CDTCurve() { m_nType = DRAW_CURVE; }

CDTCurve::CDTCurve(POINT point) : CDTClickedOutline(point) { m_nType = DRAW_CURVE; }

bool CDTCurve::IsPointHandle(size_t index) const { return index < m_handles.size() && !m_handles[index]->marked; }

int CDTCurve::CreateDeviceObjects() {
  InitLabel();
  if (m_bComplete) InsertMidpoints();
  BuildGeometry();
  UpdateBounds();
  Measure();
  return 0;
}

// --- Midpoint handles ------------------------------------------------------

void CDTCurve::InsertMidpoints() {
  bool inserted = false;
  for (size_t i = 0; i + 1 < m_handles.size(); ++i) {
    const FigureHandle& a = *m_handles[i];
    const FigureHandle& b = *m_handles[i + 1];
    if (a.marked || b.marked) continue;
    auto mid = std::make_unique<FigureHandle>((a.cx + b.cx) * 0.5f, (a.cy + b.cy) * 0.5f);
    mid->SetMarked(1);
    m_handles.insert(m_handles.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(mid));
    ++i;
    inserted = true;
  }
  if (inserted) PlaceMidpoints();
}

void CDTCurve::PlaceMidpoints() {
  m_points.clear();
  for (const auto& h : m_handles)
    if (!h->marked) m_points.push_back({h->cx, h->cy});
  PBspline spline;
  FeedSpline(&spline, m_points, false);
  m_samples.clear();
  CollectSamples(&spline, &m_samples);
  const size_t n = m_handles.size();
  // The first sample within 1e-5 of a handle. Scanning every sample for every
  // handle made a drag of a long curve quadratic; the samples are grouped by
  // column of x instead, and a handle looks only at the columns around it.
  float left = 0.0f, right = -1.0f;
  for (const PointF& s : m_samples) {
    if (!std::isfinite(s.x)) continue;
    if (right < left) {
      left = right = s.x;
    } else {
      left = std::fmin(left, s.x);
      right = std::fmax(right, s.x);
    }
  }
  const double width = std::fmax(1.0, (static_cast<double>(right) - left) / (m_samples.size() + 1.0));
  const size_t columns = right < left ? 0 : static_cast<size_t>((static_cast<double>(right) - left) / width) + 1;
  auto column = [&](double x) {
    const double c = std::floor((x - left) / width);
    return c < 0.0                            ? -1LL
           : c > static_cast<double>(columns) ? static_cast<long long>(columns)
                                              : static_cast<long long>(c);
  };
  m_columnStart.assign(columns + 1, 0);
  for (const PointF& s : m_samples)
    if (std::isfinite(s.x)) ++m_columnStart[static_cast<size_t>(column(s.x)) + 1];
  for (size_t c = 0; c < columns; ++c) m_columnStart[c + 1] += m_columnStart[c];
  m_columnSamples.resize(m_columnStart[columns]);
  for (size_t s = 0, c = 0; s < m_samples.size(); ++s) {
    if (!std::isfinite(m_samples[s].x)) continue;
    c = static_cast<size_t>(column(m_samples[s].x));
    m_columnSamples[m_columnStart[c]++] = static_cast<unsigned>(s);
  }
  for (size_t c = columns; c > 0; --c) m_columnStart[c] = m_columnStart[c - 1];
  if (columns) m_columnStart[0] = 0;
  auto find = [&](const FigureHandle& h) -> long {
    if (!columns || !std::isfinite(h.cx)) return -1;
    // Far wider than the tolerance, so that no rounding of the column hides a match.
    const double reach = 1e-3 + std::fabs(static_cast<double>(h.cx)) * 1e-6;
    const long long first = std::max(0LL, column(h.cx - reach));
    const long long last = std::min(static_cast<long long>(columns) - 1, column(h.cx + reach));
    long found = -1;
    for (long long c = first; c <= last; ++c) {
      for (unsigned k = m_columnStart[static_cast<size_t>(c)]; k < m_columnStart[static_cast<size_t>(c) + 1]; ++k) {
        const unsigned s = m_columnSamples[k];
        if (found >= 0 && static_cast<long>(s) >= found) break;
        if (std::fabs(m_samples[s].x - h.cx) <= 1e-5f && std::fabs(m_samples[s].y - h.cy) <= 1e-5f)
          found = static_cast<long>(s);
      }
    }
    return found;
  };
  for (size_t a = 0; a < n; ++a) {
    if (!m_handles[a]->marked || a == 0) continue;
    const FigureHandle& before = *m_handles[a - 1];
    const FigureHandle& after = *m_handles[a + 1 < n ? a + 1 : 0];
    float x = (before.cx + after.cx) * 0.5f, y = (before.cy + after.cy) * 0.5f;
    if (m_samples.size() >= 3) {
      const long l = find(before), h = find(after);
      if (l >= 0 && h >= 0 && l != h) {
        const PointF& s = m_samples[static_cast<size_t>((l + h) / 2)];
        x = s.x;
        y = s.y;
      }
    }
    m_handles[a]->SetCenter(x, y);
  }
}

// --- Geometry --------------------------------------------------------------

void CDTCurve::BuildGeometry() { BuildOutline(-1); }

void CDTCurve::BuildOutline(int movedHandle) {
  m_outline.clear();
  m_nPrimitives = 0;
  m_nVertexCount = 0;
  m_points.clear();
  for (size_t i = 0; i < m_handles.size(); ++i)
    if (!m_handles[i]->marked || static_cast<int>(i) == movedHandle)
      m_points.push_back({m_handles[i]->cx, m_handles[i]->cy});
  PBspline spline;
  FeedSpline(&spline, m_points, false);
  if (m_nPenWeight <= 1) {
    CollectSamples(&spline, &m_outline);
    m_nPrimitives = m_nVertexCount = static_cast<int>(m_outline.size());
  } else if (PPath* path = CreatePath()) {
    path->StartNewPath();
    path->JoinPath(&spline);
    path->SetWidth(m_nPenWeight);
    path->SetLineCap(CapButt);
    path->SetLineJoin(JoinBevel);
    path->StrokeToTriangles();
    m_nPrimitives = outline_buffer::AppendTriangles(path, &m_outline);
    m_nVertexCount = 3 * m_nPrimitives;
    ReleasePath(path);
  }
  FillBuffer();
}

int CDTCurve::Draw() {
  if (!m_pVertexBuffer || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  device->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(ColorVertex));
  if (m_nPenWeight <= 1) {
    if (m_nVertexCount > 1) device->DrawPrimitive(D3DPT_LINESTRIP, 0, static_cast<UINT>(m_nVertexCount - 1));
  } else if (m_nPrimitives > 0) {
    m_pOwner->SetAntialias(TRUE);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m_nPrimitives));
    m_pOwner->SetAntialias(FALSE);
  }
  if (m_szValue[0] && m_bShowResult) m_label.Draw();
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this)) {
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
  return 0;
}

// --- Measuring -------------------------------------------------------------

void CDTCurve::ComputeValues() {
  PBspline spline;
  FeedSpline(&spline, m_vertices, false);
  std::vector<double>& xy = m_pictureSamples;
  xy.clear();
  CollectSamples(&spline, &xy);
  double pixels = 0.0;
  for (size_t i = 2; i + 1 < xy.size(); i += 2) pixels += std::hypot(xy[i] - xy[i - 2], xy[i + 1] - xy[i - 1]);
  const CDTImage* doc = Document();
  if (!doc)
    m_dLength = pixels;
  else if (std::fabs(doc->MultiPower) > kTinyDivisor)
    m_dLength = pixels * doc->ReferenceScale / doc->MultiPower;
  wchar_t format[32];
  std::swprintf(format, 32, L"%ls %%ls", m_pOwner ? m_pOwner->GetValueFormat() : L"%.3f");
  if (std::swprintf(m_szValue, 256, format, m_dLength, doc ? doc->m_szUnit : L"") < 0) m_szValue[255] = 0;
}

// --- Editing ---------------------------------------------------------------

void CDTCurve::AfterFinish() { InsertMidpoints(); }

void CDTCurve::OnVertexMoved(int index) {
  if (index < 0 || static_cast<size_t>(index) >= m_handles.size()) return;
  if (!m_bComplete) {
    for (size_t i = static_cast<size_t>(index) + 1; i < m_handles.size(); ++i)
      m_handles[i]->SetCenter(m_handles[static_cast<size_t>(index)]->cx, m_handles[static_cast<size_t>(index)]->cy);
  }
  if (!m_handles[static_cast<size_t>(index)]->marked) {
    PlaceMidpoints();
    Measure();
  }
  BuildOutline(index);
}

int CDTCurve::OnLButtonUp(UINT flags, const POINT* point) {
  if (!m_bComplete) {
    if (m_nSelectedHandle == 0) return 0;
    return CDTClickedOutline::OnLButtonUp(flags, point);
  }
  if (m_bLocked || !point) return 0;
  const int selected = m_nSelectedHandle;
  if (selected >= 0 && static_cast<size_t>(selected) < m_handles.size() && m_handles[selected]->marked) {
    float x = point->x - m_dragAnchor.x, y = point->y - m_dragAnchor.y;
    ConstrainToAxis(&x, &y, point);
    m_handles[selected]->SetMarked(0);
    m_handles[selected]->SetCenter(x, y);
    AppendVertex(x, y);
    InsertMidpoints();
    UpdateBounds();
    m_nSelectedHandle = -1;
    Measure();
    BuildGeometry();
    RepaintOwner();
  }
  return CDTDraw::OnLButtonUp(flags, point);
}

void CDTCurve::Reposition(float dx, float dy, BOOL zoomChanged) {
  if (!zoomChanged) {
    CDTClickedOutline::Reposition(dx, dy, zoomChanged);
    return;
  }
  size_t k = 0;
  for (auto& h : m_handles) {
    if (h->marked) continue;
    if (k >= m_vertices.size()) break;
    float sx, sy;
    PixelToScreen(m_vertices[k].x, m_vertices[k].y, &sx, &sy);
    h->SetCenter(sx, sy);
    ++k;
  }
  PlaceMidpoints();
  UpdateBounds();
  PlaceLabel();
  BuildGeometry();
}

void CDTCurve::SetVertices(const std::vector<PointF>& points) {
  if (!m_bComplete || points.size() < 2) return;
  if (points.size() == m_vertices.size()) {
    bool same = true;
    for (size_t i = 0; i < points.size() && same; ++i)
      same = std::fabs(static_cast<double>(points[i].x) - m_vertices[i].x) <= 1e-8 &&
             std::fabs(static_cast<double>(points[i].y) - m_vertices[i].y) <= 1e-8;
    if (same) return;
  }
  m_vertices = points;
  m_handles.clear();
  for (const PointF& p : points) {
    float sx, sy;
    PixelToScreen(p.x, p.y, &sx, &sy);
    AddHandle(sx, sy);
  }
  InsertMidpoints();
  UpdateBounds();
  BuildGeometry();
  ApplyValues();
}
