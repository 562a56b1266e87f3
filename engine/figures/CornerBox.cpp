#include "engine/figures/CornerBox.h"

#include <d3d9.h>

#include <cmath>
#include <cstdlib>

#include "engine/DirectUI.h"

namespace corner_box {

namespace {

constexpr int kClickSlack = 10;

FigureHandle& Corner(CDTDraw* figure, int i) { return *figure->m_handles[static_cast<size_t>(i)]; }

bool HasCorners(const CDTDraw& figure) { return figure.m_handles.size() >= static_cast<size_t>(kCorners); }

}  // namespace

void AddCornersAt(CDTDraw* figure, POINT point) {
  const auto x = static_cast<float>(point.x), y = static_cast<float>(point.y);
  while (figure->m_vertices.size() < static_cast<size_t>(kCorners)) figure->AppendVertex(x, y);
  for (int i = 0; i < kCorners; ++i) figure->AddHandle(x, y);
}

bool SquareWanted(const CDTDraw& figure) {
  if (::GetKeyState(VK_SHIFT) >= 0) return false;
  return !figure.m_bComplete || (figure.m_pOwner && figure.m_pOwner->m_bLButtonDown);
}

void MakeSquare(CDTDraw* figure, int index) {
  if (index < 0 || index >= kCorners || !HasCorners(*figure)) return;
  FigureHandle& moved = Corner(figure, index);
  const FigureHandle& fixed = Corner(figure, (index + 2) % kCorners);
  const int dx = static_cast<int>(std::fabs(moved.cx - fixed.cx));
  const int dy = static_cast<int>(std::fabs(moved.cy - fixed.cy));
  const int side = dx < dy ? dx : dy;
  if (dx > side) {
    const auto step = static_cast<float>(dx - side);
    moved.SetCenter(moved.cx > fixed.cx ? moved.cx - step : moved.cx + step, moved.cy);
  } else if (dy > side) {
    const auto step = static_cast<float>(dy - side);
    moved.SetCenter(moved.cx, moved.cy > fixed.cy ? moved.cy - step : moved.cy + step);
  }
}

void PropagateCorner(CDTDraw* figure, int index) {
  if (index < 0 || index >= kCorners || !HasCorners(*figure)) return;
  FigureHandle& c0 = Corner(figure, 0);
  FigureHandle& c1 = Corner(figure, 1);
  FigureHandle& c2 = Corner(figure, 2);
  FigureHandle& c3 = Corner(figure, 3);
  switch (index) {
    case 1:
      c0.SetCenter(c0.cx, c1.cy);
      c2.SetCenter(c1.cx, c2.cy);
      break;
    case 3:
      c0.SetCenter(c3.cx, c0.cy);
      c2.SetCenter(c2.cx, c3.cy);
      break;
    default:
      c1.SetCenter(c2.cx, c0.cy);
      c3.SetCenter(c0.cx, c2.cy);
      break;
  }
}

bool ReleaseCompletes(const CDTDraw& figure, const POINT* point) {
  if (!point || !HasCorners(figure)) return false;
  const FigureHandle& corner1 = *figure.m_handles[1];
  const int dx = point->x - static_cast<int>(corner1.cx);
  const int dy = point->y - static_cast<int>(corner1.cy);
  return std::abs(dx) > kClickSlack || std::abs(dy) > kClickSlack;
}

void BuildCornerHandles(CDTDraw* figure) {
  figure->m_handles.clear();
  if (figure->m_vertices.size() > static_cast<size_t>(kCorners)) figure->m_vertices.resize(kCorners);
  for (const PointF& v : figure->m_vertices) {
    float sx, sy;
    figure->PixelToScreen(v.x, v.y, &sx, &sy);
    figure->AddHandle(sx, sy);
  }
  figure->m_bComplete = 1;
}

bool TakeChangedCorners(CDTDraw* figure, const std::vector<PointF>& points) {
  if (!figure->m_bComplete || points.size() < static_cast<size_t>(kCorners) || !HasCorners(*figure) ||
      figure->m_vertices.size() < static_cast<size_t>(kCorners))
    return false;
  bool changed = false;
  for (int i = 0; i < kCorners; ++i) {
    PointF& v = figure->m_vertices[static_cast<size_t>(i)];
    const PointF& p = points[static_cast<size_t>(i)];
    if (std::fabs(static_cast<double>(v.x) - p.x) <= 1e-8 && std::fabs(static_cast<double>(v.y) - p.y) <= 1e-8)
      continue;
    v = p;
    float sx, sy;
    figure->PixelToScreen(p.x, p.y, &sx, &sy);
    Corner(figure, i).SetCenter(sx, sy);
    changed = true;
  }
  return changed;
}

PointF Centre(const CDTDraw& figure) {
  if (!HasCorners(figure)) return {0.0f, 0.0f};
  return {(figure.m_handles[0]->cx + figure.m_handles[2]->cx) / 2,
          (figure.m_handles[0]->cy + figure.m_handles[2]->cy) / 2};
}

void CentreCross::Create(IDirect3DDevice9* device, DWORD color) {
  Release();
  if (!device) return;
  if (FAILED(device->CreateVertexBuffer(4 * sizeof(ColorVertex), D3DUSAGE_WRITEONLY, kColorVertexFormat,
                                        D3DPOOL_MANAGED, &m_pBuffer, nullptr))) {
    m_pBuffer = nullptr;
    return;
  }
  void* data = nullptr;
  if (FAILED(m_pBuffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < 4; ++i) v[i] = {0.0f, 0.0f, 0.0f, 1.0f, color};
  m_pBuffer->Unlock();
}

void CentreCross::Place(float cx, float cy) {
  if (!m_pBuffer) return;
  void* data = nullptr;
  if (FAILED(m_pBuffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  const float x[4] = {cx - 5, cx + 5, cx, cx};
  const float y[4] = {cy, cy, cy - 5, cy + 5};
  for (int i = 0; i < 4; ++i) {
    v[i].x = x[i];
    v[i].y = y[i];
  }
  m_pBuffer->Unlock();
}

void CentreCross::Draw(IDirect3DDevice9* device) const {
  if (!m_pBuffer || !device) return;
  device->SetStreamSource(0, m_pBuffer, 0, sizeof(ColorVertex));
  device->DrawPrimitive(D3DPT_LINELIST, 0, 2);
}

void CentreCross::Release() {
  if (m_pBuffer) m_pBuffer->Release();
  m_pBuffer = nullptr;
}

}  // namespace corner_box
