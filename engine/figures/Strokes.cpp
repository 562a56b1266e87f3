#include "engine/figures/Strokes.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/geometry/LineStyle.h"
#include "engine/geometry/Path.h"

namespace strokes {

void Release(IDirect3DVertexBuffer9** buffer) {
  if (*buffer) (*buffer)->Release();
  *buffer = nullptr;
}

IDirect3DVertexBuffer9* MakeBuffer(CDirectUI* canvas, const PointF* points, int count, DWORD colour) {
  if (count <= 0 || !canvas || !canvas->m_pDevice) return nullptr;
  IDirect3DVertexBuffer9* buffer = nullptr;
  if (FAILED(canvas->m_pDevice->CreateVertexBuffer(static_cast<UINT>(count) * sizeof(ColorVertex), D3DUSAGE_WRITEONLY,
                                                   kColorVertexFormat, D3DPOOL_MANAGED, &buffer, nullptr)))
    return nullptr;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) return buffer;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < count; ++i) v[i] = {points[i].x - 0.5f, points[i].y - 0.5f, 0.0f, 1.0f, colour};
  buffer->Unlock();
  return buffer;
}

void WritePositions(IDirect3DVertexBuffer9* buffer, const PointF* points, int count) {
  if (!buffer || count <= 0) return;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < count; ++i) {
    v[i].x = points[i].x - 0.5f;
    v[i].y = points[i].y - 0.5f;
  }
  buffer->Unlock();
}

void WriteColour(IDirect3DVertexBuffer9* buffer, int count, DWORD colour) {
  if (!buffer || count <= 0) return;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < count; ++i) v[i].color = colour;
  buffer->Unlock();
}

namespace {

template <class Shape>
int AppendTriangles(Shape* shape, std::vector<PointF>* out) {
  int triangles = shape->GetTriangleCount();
  if (triangles < 0) triangles = 0;
  out->reserve(out->size() + 3 * static_cast<size_t>(triangles));
  for (int t = 0; t < triangles; ++t) {
    const Triangle* tri = shape->GetTriangle(t);
    const TessVertex* corners[3] = {tri ? tri->A : nullptr, tri ? tri->B : nullptr, tri ? tri->C : nullptr};
    for (const TessVertex* c : corners)
      out->push_back(c ? PointF{static_cast<float>(c->x), static_cast<float>(c->y)} : PointF{0.0f, 0.0f});
  }
  return triangles;
}

}  // namespace

int StrokeInto(const PointF* points, int count, int width, int cap, int join, std::vector<PointF>* out) {
  if (count < 2) return 0;
  PPath* path = CreatePath();
  if (!path) return 0;
  path->StartNewPath();
  path->MoveTo(points[0].x, points[0].y);
  for (int i = 1; i < count; ++i) path->LineTo(points[i].x, points[i].y);
  path->SetWidth(width);
  path->SetLineCap(cap);
  path->SetLineJoin(join);
  path->StrokeToTriangles();
  const int triangles = AppendTriangles(path, out);
  ReleasePath(path);
  return triangles;
}

int OutlineInto(PGraphic* source, int width, std::vector<PointF>* out) {
  if (width <= 0) {
    PPolygon* polygon = CreatePolygon();
    if (!polygon) return 0;
    polygon->StartNewPath();
    polygon->JoinPath(source);
    polygon->ClosePolygon();
    polygon->FillToTriangles();
    const int triangles = AppendTriangles(polygon, out);
    ReleasePolygon(polygon);
    return triangles;
  }
  PPath* path = CreatePath();
  if (!path) return 0;
  path->StartNewPath();
  path->JoinPath(source);
  path->ClosePolygon();
  path->SetWidth(width);
  path->StrokeToTriangles();
  const int triangles = AppendTriangles(path, out);
  ReleasePath(path);
  return triangles;
}

void CollectPoints(PGraphic* source, std::vector<PointF>* out) {
  source->Rewind();
  double x = 0.0, y = 0.0;
  for (PathCommand c = source->Vertex(&x, &y); !IsStop(c); c = source->Vertex(&x, &y))
    if (IsVertex(c)) out->push_back({static_cast<float>(x), static_cast<float>(y)});
}

void PrepareFlatColour(CDirectUI* canvas) {
  IDirect3DDevice9* device = canvas->m_pDevice;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
}

std::wstring Number(CDirectUI* canvas, double value) {
  wchar_t number[128];
  if (std::swprintf(number, 128, canvas ? canvas->GetValueFormat() : L"%.3f", value) < 0) number[0] = 0;
  return number;
}

void CopyText(const std::wstring& text, wchar_t* buffer, int length) {
  if (!buffer || length <= 0) return;
  const size_t n = text.size() < static_cast<size_t>(length - 1) ? text.size() : static_cast<size_t>(length - 1);
  std::wmemcpy(buffer, text.c_str(), n);
  buffer[n] = 0;
}

void HandlesFromVertices(CDTDraw* figure, size_t count) {
  if (figure->m_vertices.size() > count) figure->m_vertices.resize(count);
  figure->m_handles.clear();
  for (const PointF& v : figure->m_vertices) {
    float sx, sy;
    figure->PixelToScreen(v.x, v.y, &sx, &sy);
    figure->AddHandle(sx, sy);
  }
  figure->m_bComplete = 1;
}

void HandlesOntoVertices(CDTDraw* figure) {
  const size_t n = std::min(figure->m_handles.size(), figure->m_vertices.size());
  for (size_t i = 0; i < n; ++i) {
    float sx, sy;
    figure->PixelToScreen(figure->m_vertices[i].x, figure->m_vertices[i].y, &sx, &sy);
    figure->m_handles[i]->SetCenter(sx, sy);
  }
}

void VerticesFromHandles(CDTDraw* figure, size_t count) {
  figure->m_vertices.resize(count, PointF{0.0f, 0.0f});
  for (size_t i = 0; i < count && i < figure->m_handles.size(); ++i)
    figure->GetVertexPixel(static_cast<int>(i), &figure->m_vertices[i].x, &figure->m_vertices[i].y);
}

bool TakeVertices(CDTDraw* figure, const std::vector<PointF>& points, size_t count) {
  if (!figure->m_bComplete || points.size() < count) return false;
  if (figure->m_vertices.size() < count || figure->m_handles.size() < count) return false;
  bool changed = false;
  for (size_t i = 0; i < count; ++i) {
    PointF& v = figure->m_vertices[i];
    if (std::fabs(static_cast<double>(points[i].x) - v.x) <= 1e-8 &&
        std::fabs(static_cast<double>(points[i].y) - v.y) <= 1e-8)
      continue;
    v = points[i];
    float sx, sy;
    figure->PixelToScreen(v.x, v.y, &sx, &sy);
    figure->m_handles[i]->SetCenter(sx, sy);
    changed = true;
  }
  return changed;
}

bool ReleaseWhileCreating(CDTDraw* figure, const POINT* point, int last) {
  const int s = figure->m_nSelectedHandle;
  // A release near the point before was a click: the handle keeps following the mouse.
  if (!figure->IsFarFromPrevious(s, point)) return false;
  if (s < last) {
    figure->m_nSelectedHandle = s + 1;
    return false;
  }
  figure->FinishCreation();
  return true;
}

void PressWhileCreating(CDTDraw* figure, int last) {
  const int s = figure->m_nSelectedHandle;
  if (s >= last)
    figure->FinishCreation();
  else
    figure->m_nSelectedHandle = s + 1;
}

}  // namespace strokes
