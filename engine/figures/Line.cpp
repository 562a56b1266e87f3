#include "engine/figures/Line.h"

#include <d3d9.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/LabelBatch.h"
#include "engine/geometry/LineStyle.h"
#include "engine/geometry/Path.h"

namespace {

constexpr int kClickSlack = 10;

}  // namespace

CDTLine::CDTLine() { m_nType = DRAW_LINE; }

CDTLine::CDTLine(POINT point) : CDTDraw(point) {
  m_nType = DRAW_LINE;
  AppendVertex(static_cast<float>(point.x), static_cast<float>(point.y));
  AddHandle(static_cast<float>(point.x), static_cast<float>(point.y));
  AddHandle(static_cast<float>(point.x), static_cast<float>(point.y));
}

CDTLine::~CDTLine() { ReleaseBuffer(); }

void CDTLine::ReleaseBuffer() {
  if (m_pVertexBuffer) m_pVertexBuffer->Release();
  m_pVertexBuffer = nullptr;
  m_nBufferCapacity = 0;
}

int CDTLine::CreateDeviceObjects() {
  InitLabel();
  InsertMidpoints();
  BuildGeometry();
  UpdateBounds();
  Measure();
  return 0;
}

int CDTLine::ReleaseDeviceObjects() {
  ReleaseBuffer();
  m_nTriangles = 0;
  m_nVertexCount = 0;
  return CDTDraw::ReleaseDeviceObjects();
}

// --- Handles ---------------------------------------------------------------

void CDTLine::InsertMidpoints() {
  for (size_t i = 0; i + 1 < m_handles.size(); ++i) {
    const FigureHandle& a = *m_handles[i];
    const FigureHandle& b = *m_handles[i + 1];
    if (a.marked || b.marked) continue;
    m_nWorkingIndex = static_cast<int>(i);
    auto mid = std::make_unique<FigureHandle>((a.cx + b.cx) * 0.5f, (a.cy + b.cy) * 0.5f);
    mid->SetMarked(1);
    m_handles.insert(m_handles.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(mid));
  }
}

void CDTLine::RecentreMidpoints() {
  const size_t n = m_handles.size();
  for (size_t i = 0; i < n; ++i) {
    if (!m_handles[i]->marked || i == 0) continue;
    const FigureHandle& a = *m_handles[i - 1];
    const FigureHandle& b = *m_handles[i + 1 < n ? i + 1 : 0];
    m_handles[i]->SetCenter((a.cx + b.cx) * 0.5f, (a.cy + b.cy) * 0.5f);
  }
}

void CDTLine::BuildHandles() {
  m_handles.clear();
  for (const PointF& v : m_vertices) {
    float sx, sy;
    PixelToScreen(v.x, v.y, &sx, &sy);
    AddHandle(sx, sy);
  }
  m_bComplete = 1;
}

// --- Geometry --------------------------------------------------------------

void CDTLine::FillBuffer(int previousCount) {
  if (m_nVertexCount <= 0 || !m_pOwner || !m_pOwner->m_pDevice) {
    ReleaseBuffer();
    return;
  }
  const int count = std::min(m_nVertexCount, static_cast<int>(m_outline.size()));
  int first = 0, last = count - 1;
  if (m_pVertexBuffer && m_nVertexCount <= m_nBufferCapacity) {
    // The buffer stays; only the vertices that moved are written again.
    const auto same = [this, previousCount](int i) {
      return i < previousCount && static_cast<size_t>(i) < m_previous.size() &&
             m_previous[static_cast<size_t>(i)].x == m_outline[static_cast<size_t>(i)].x &&
             m_previous[static_cast<size_t>(i)].y == m_outline[static_cast<size_t>(i)].y;
    };
    while (first < count && same(first)) ++first;
    while (last >= first && same(last)) --last;
    if (first > last) return;
  } else {
    ReleaseBuffer();
    // Room for a few more triangles: a join that changes its shape while dragged keeps the buffer.
    const int capacity = m_nVertexCount + m_nVertexCount / 8 + 6;
    if (FAILED(m_pOwner->m_pDevice->CreateVertexBuffer(static_cast<UINT>(capacity) * sizeof(ColorVertex),
                                                       D3DUSAGE_WRITEONLY, kColorVertexFormat, D3DPOOL_MANAGED,
                                                       &m_pVertexBuffer, nullptr))) {
      m_pVertexBuffer = nullptr;
      return;
    }
    m_nBufferCapacity = capacity;
  }
  if (last < first) return;
  void* data = nullptr;
  const UINT offset = static_cast<UINT>(first) * sizeof(ColorVertex);
  const UINT bytes = static_cast<UINT>(last - first + 1) * sizeof(ColorVertex);
  if (FAILED(m_pVertexBuffer->Lock(offset, bytes, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = first; i <= last; ++i) {
    const PointF& p = m_outline[static_cast<size_t>(i)];
    v[i - first] = {p.x - 0.5f, p.y - 0.5f, 0.0f, 1.0f, m_clrLine};
  }
  m_pVertexBuffer->Unlock();
}

void CDTLine::BuildGeometry() {
  // The outline the buffer holds now, to find what changed.
  m_previous.swap(m_outline);
  m_outline.clear();
  const int previousCount = m_pVertexBuffer ? m_nVertexCount : 0;
  m_nVertexCount = 0;
  m_nTriangles = 0;
  if (m_nPenWeight < 2) {
    m_nVertexCount = static_cast<int>(m_handles.size());
    for (const auto& h : m_handles) m_outline.push_back({h->cx, h->cy});
    FillBuffer(previousCount);
    return;
  }
  PPath* path = m_handles.empty() ? nullptr : CreatePath();
  if (!path) {
    FillBuffer(previousCount);
    return;
  }
  path->StartNewPath();
  path->MoveTo(m_handles[0]->cx, m_handles[0]->cy);
  for (size_t i = 1; i < m_handles.size(); ++i) path->LineTo(m_handles[i]->cx, m_handles[i]->cy);
  path->SetWidth(m_nPenWeight);
  // The figure's cap value is kept for files; the drawn line always has butt ends.
  path->SetLineCap(CapButt);
  path->SetLineJoin(JoinMiter);
  path->StrokeToTriangles();
  m_nTriangles = path->GetTriangleCount();
  if (m_nTriangles < 0) m_nTriangles = 0;
  m_nVertexCount = 3 * m_nTriangles;
  m_outline.reserve(static_cast<size_t>(m_nVertexCount));
  for (int t = 0; t < m_nTriangles; ++t) {
    const Triangle* tri = path->GetTriangle(t);
    const TessVertex* corners[3] = {tri ? tri->A : nullptr, tri ? tri->B : nullptr, tri ? tri->C : nullptr};
    for (const TessVertex* c : corners)
      m_outline.push_back(c ? PointF{static_cast<float>(c->x), static_cast<float>(c->y)} : PointF{0.0f, 0.0f});
  }
  ReleasePath(path);
  FillBuffer(previousCount);
}

void CDTLine::MoveBy(float dx, float dy) {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  for (PointF& p : m_outline) {
    p.x += dx;
    p.y += dy;
  }
  void* data = nullptr;
  if (FAILED(m_pVertexBuffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < m_nVertexCount && static_cast<size_t>(i) < m_outline.size(); ++i) {
    v[i].x = m_outline[i].x - 0.5f;
    v[i].y = m_outline[i].y - 0.5f;
  }
  m_pVertexBuffer->Unlock();
}

void CDTLine::OnLineColorChanged() {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  void* data = nullptr;
  if (FAILED(m_pVertexBuffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < m_nVertexCount; ++i) v[i].color = m_clrLine;
  m_pVertexBuffer->Unlock();
}

void CDTLine::OnPenWeightChanged() {
  if (!m_pVertexBuffer || m_nVertexCount <= 0) return;
  ReleaseBuffer();
  m_nTriangles = 0;
  m_nVertexCount = 0;
  BuildGeometry();
}

void CDTLine::OnLineCapChanged() { OnPenWeightChanged(); }

int CDTLine::Draw() {
  if (!m_pVertexBuffer || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  device->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(ColorVertex));
  if (m_nPenWeight < 2) {
    if (m_nVertexCount > 1) device->DrawPrimitive(D3DPT_LINESTRIP, 0, static_cast<UINT>(m_nVertexCount - 1));
  } else if (m_nTriangles > 0) {
    m_pOwner->SetAntialias(TRUE);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m_nTriangles));
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

bool CDTLine::MayDrawOver(const CLabelBatch& batch) const {
  if (!m_pVertexBuffer || !m_pOwner || !m_pOwner->m_pDevice) return false;
  // The buffer holds the outline half a pixel up and left.
  const auto at = [this](int i, float* x, float* y) {
    *x = m_outline[static_cast<size_t>(i)].x - 0.5f;
    *y = m_outline[static_cast<size_t>(i)].y - 0.5f;
  };
  const int n = std::min(m_nVertexCount, static_cast<int>(m_outline.size()));
  float ax, ay, bx, by, cx, cy;
  if (m_nPenWeight < 2) {
    for (int i = 0; i + 1 < n; ++i) {
      at(i, &ax, &ay);
      at(i + 1, &bx, &by);
      if (batch.TouchesTriangle(ax, ay, bx, by, bx, by)) return true;
    }
    return false;
  }
  for (int t = 0; t < m_nTriangles && 3 * t + 2 < n; ++t) {
    at(3 * t, &ax, &ay);
    at(3 * t + 1, &bx, &by);
    at(3 * t + 2, &cx, &cy);
    if (batch.TouchesTriangle(ax, ay, bx, by, cx, cy)) return true;
  }
  return false;
}

namespace {

// The pixels `count` outline points reach, smoothed edges included, added to
// `area`; false for points far outside any window (or not numbers).
bool AddPoints(const PointF* points, size_t count, RECT* area) {
  if (count == 0) return true;
  float l = points[0].x, t = points[0].y, r = l, b = t;
  for (size_t i = 0; i < count; ++i) {
    const PointF& p = points[i];
    if (!(std::fabs(p.x) < 1e7f) || !(std::fabs(p.y) < 1e7f)) return false;
    l = std::min(l, p.x);
    r = std::max(r, p.x);
    t = std::min(t, p.y);
    b = std::max(b, p.y);
  }
  // Smoothed edges reach a pixel beyond the geometry; three keeps clear of rounding.
  UniteRect(area, {static_cast<LONG>(std::floor(l)) - 3, static_cast<LONG>(std::floor(t)) - 3,
                   static_cast<LONG>(std::ceil(r)) + 4, static_cast<LONG>(std::ceil(b)) + 4});
  return true;
}

bool SameTriangle(const CDTLine::TriangleKey& a, const CDTLine::TriangleKey& b) {
  return std::memcmp(a.corners, b.corners, sizeof a.corners) == 0;
}

bool TriangleBefore(const CDTLine::TriangleKey& a, const CDTLine::TriangleKey& b) {
  return std::memcmp(a.corners, b.corners, sizeof a.corners) < 0;
}

void SortTriangles(const std::vector<PointF>& outline, int triangles, std::vector<CDTLine::TriangleKey>* keys) {
  keys->clear();
  const size_t n = std::min(outline.size() / 3, static_cast<size_t>(std::max(triangles, 0)));
  for (size_t t = 0; t < n; ++t) {
    CDTLine::TriangleKey key;
    std::memcpy(key.corners, &outline[3 * t], sizeof key.corners);
    keys->push_back(key);
  }
  std::sort(keys->begin(), keys->end(), TriangleBefore);
}

}  // namespace

bool CDTLine::DrawnExtent(RECT* out) const {
  if (!m_pOwner || !m_pOwner->m_pDevice) return false;
  *out = {};
  const size_t n = std::min(m_outline.size(), static_cast<size_t>(std::max(m_nVertexCount, 0)));
  if (!AddPoints(m_outline.data(), n, out)) return false;
  AddHandlesAndLabel(out);
  return true;
}

void CDTLine::NoteDrawing() {
  CDTDraw::NoteDrawing();
  if (!m_bNoted) return;
  const size_t n = std::min(m_outline.size(), static_cast<size_t>(std::max(m_nVertexCount, 0)));
  m_notedOutline.assign(m_outline.begin(), m_outline.begin() + static_cast<std::ptrdiff_t>(n));
  m_nNotedTriangles = m_nTriangles;
  m_nNotedPenWeight = m_nPenWeight;
  m_notedHandles.clear();
  for (const auto& h : m_handles) m_notedHandles.push_back({h->cx, h->cy});
  m_rcNotedLabel = LabelExtent();
}

// Only what differs: the handles that moved, the label, and the parts of the
// geometry not drawn the same before and after. A line's triangles do not
// overlap and share one colour, so a pixel changes only under a triangle
// found on one side alone, whatever order the rest come in.
bool CDTLine::ChangedArea(RECT* out) const {
  RECT now{};
  if (!m_bNoted || !DrawnExtent(&now)) return false;
  if (m_nNotedPenWeight != m_nPenWeight || m_notedHandles.size() != m_handles.size()) return CDTDraw::ChangedArea(out);
  RECT area{};
  for (size_t i = 0; i < m_handles.size(); ++i) {
    const PointF& was = m_notedHandles[i];
    const FigureHandle& h = *m_handles[i];
    if (was.x == h.cx && was.y == h.cy) continue;
    UniteRect(&area, HandleExtent(was.x, was.y));
    UniteRect(&area, HandleExtent(h.cx, h.cy));
  }
  UniteRect(&area, m_rcNotedLabel);
  UniteRect(&area, LabelExtent());
  if (m_nPenWeight < 2) {
    // A strip segment is drawn the same while both its ends stay.
    const size_t n = std::min(m_notedOutline.size(), m_outline.size());
    if (m_notedOutline.size() != m_outline.size()) return CDTDraw::ChangedArea(out);
    for (size_t i = 0; i + 1 < n; ++i) {
      const bool same = std::memcmp(&m_notedOutline[i], &m_outline[i], 2 * sizeof(PointF)) == 0;
      if (same) continue;
      if (!AddPoints(&m_notedOutline[i], 2, &area) || !AddPoints(&m_outline[i], 2, &area)) return false;
    }
  } else {
    SortTriangles(m_notedOutline, m_nNotedTriangles, &m_sortedBefore);
    SortTriangles(m_outline, m_nTriangles, &m_sortedAfter);
    size_t a = 0, b = 0;
    while (a < m_sortedBefore.size() || b < m_sortedAfter.size()) {
      if (a < m_sortedBefore.size() && b < m_sortedAfter.size() && SameTriangle(m_sortedBefore[a], m_sortedAfter[b])) {
        ++a;
        ++b;
      } else if (b >= m_sortedAfter.size() ||
                 (a < m_sortedBefore.size() && TriangleBefore(m_sortedBefore[a], m_sortedAfter[b]))) {
        if (!AddPoints(reinterpret_cast<const PointF*>(m_sortedBefore[a].corners), 3, &area)) return false;
        ++a;
      } else {
        if (!AddPoints(reinterpret_cast<const PointF*>(m_sortedAfter[b].corners), 3, &area)) return false;
        ++b;
      }
    }
  }
  *out = area;
  return true;
}

// --- Measuring -------------------------------------------------------------

void CDTLine::ComputeLength() {
  double pixels = 0.0;
  for (size_t i = 1; i < m_vertices.size(); ++i) {
    const double dx = static_cast<double>(m_vertices[i].x) - m_vertices[i - 1].x;
    const double dy = static_cast<double>(m_vertices[i].y) - m_vertices[i - 1].y;
    pixels += std::sqrt(dx * dx + dy * dy);
  }
  m_dLength = CalibratedLength(pixels);
}

void CDTLine::FormatValue(wchar_t* buffer, int length) {
  if (!buffer || length <= 0) return;
  const CDTImage* doc = Document();
  wchar_t format[32];
  std::swprintf(format, 32, L"%ls %%ls", m_pOwner ? m_pOwner->GetValueFormat() : L"%.3f");
  if (std::swprintf(buffer, static_cast<size_t>(length), format, m_dLength, doc ? doc->m_szUnit : L"") < 0)
    buffer[length - 1] = 0;
}

void CDTLine::FormatLength() { FormatValue(m_szValue, 256); }

void CDTLine::Measure() {
  size_t k = 0;
  for (size_t i = 0; i < m_handles.size(); ++i) {
    if (m_handles[i]->marked) continue;
    if (k >= m_vertices.size()) m_vertices.push_back({0.0f, 0.0f});
    GetVertexPixel(static_cast<int>(i), &m_vertices[k].x, &m_vertices[k].y);
    ++k;
  }
  ComputeLength();
  FormatLength();
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}

// --- Editing ---------------------------------------------------------------

void CDTLine::OnVertexMoved(int index) {
  if (index >= 0 && static_cast<size_t>(index) < m_handles.size() && !m_handles[index]->marked) {
    RecentreMidpoints();
    Measure();
  }
  BuildGeometry();
}

int CDTLine::OnLButtonDown(UINT flags, const POINT* point) {
  if (m_bComplete) return CDTDraw::OnLButtonDown(flags, point);
  // The press after a click on the start point ends the line being drawn.
  FinishCreation();
  return 0;
}

int CDTLine::OnLButtonUp(UINT flags, const POINT* point) {
  if (m_bLocked || !point) return 0;
  const int n = static_cast<int>(m_handles.size());
  const int selected = m_nSelectedHandle;
  if (selected >= 0 && selected < n && !m_bComplete) {
    const int dx = point->x - static_cast<int>(m_handles[0]->cx);
    const int dy = point->y - static_cast<int>(m_handles[0]->cy);
    // A click on the start point: the end keeps following the mouse.
    if (dx >= -kClickSlack && dx <= kClickSlack && dy >= -kClickSlack && dy <= kClickSlack) return 0;
    FinishCreation();
  }
  if (selected >= 0 && selected < n && m_handles[selected]->marked && m_bComplete) {
    float x = point->x - m_dragAnchor.x, y = point->y - m_dragAnchor.y;
    ConstrainToAxis(&x, &y, point);
    m_handles[selected]->SetMarked(0);
    m_handles[selected]->SetCenter(x, y);
    AppendVertex(x, y);
    InsertMidpoints();
    UpdateBounds();
    BuildGeometry();
    m_nSelectedHandle = -1;
    Measure();
    RepaintOwner();
  }
  return CDTDraw::OnLButtonUp(flags, point);
}

void CDTLine::Reposition(float dx, float dy, BOOL zoomChanged) {
  if (!zoomChanged) {
    for (auto& h : m_handles) h->SetCenter(h->cx + dx, h->cy + dy);
    MoveBy(dx, dy);
    UpdateBounds();
    PlaceLabel();
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
  RecentreMidpoints();
  UpdateBounds();
  PlaceLabel();
  BuildGeometry();
}

void CDTLine::SetVertices(const std::vector<PointF>& points) {
  if (!m_bComplete || points.size() < 2) return;
  if (points.size() == m_vertices.size()) {
    bool same = true;
    for (size_t i = 0; i < points.size() && same; ++i)
      same = std::fabs(points[i].x - m_vertices[i].x) <= 1e-8 && std::fabs(points[i].y - m_vertices[i].y) <= 1e-8;
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
  ComputeLength();
  FormatLength();
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabel();
}
