#include "engine/figures/OutlineBuffer.h"

#include <d3d9.h>

#include "engine/geometry/Path.h"

namespace outline_buffer {

namespace {

template <class Shape>
int AppendCorners(Shape* shape, std::vector<PointF>* points) {
  int count = shape->GetTriangleCount();
  if (count < 0) count = 0;
  points->reserve(points->size() + 3 * static_cast<size_t>(count));
  for (int t = 0; t < count; ++t) {
    const Triangle* tri = shape->GetTriangle(t);
    const TessVertex* corners[3] = {tri ? tri->A : nullptr, tri ? tri->B : nullptr, tri ? tri->C : nullptr};
    for (const TessVertex* c : corners)
      points->push_back(c ? PointF{static_cast<float>(c->x), static_cast<float>(c->y)} : PointF{0.0f, 0.0f});
  }
  return count;
}

}  // namespace

IDirect3DVertexBuffer9* Create(IDirect3DDevice9* device, const std::vector<PointF>& points, int count, DWORD color) {
  if (!device || count <= 0) return nullptr;
  IDirect3DVertexBuffer9* buffer = nullptr;
  if (FAILED(device->CreateVertexBuffer(static_cast<UINT>(count) * sizeof(ColorVertex), D3DUSAGE_WRITEONLY,
                                        kColorVertexFormat, D3DPOOL_MANAGED, &buffer, nullptr)))
    return nullptr;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) return buffer;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < count; ++i) {
    const PointF p = static_cast<size_t>(i) < points.size() ? points[static_cast<size_t>(i)] : PointF{0.0f, 0.0f};
    v[i] = {p.x - 0.5f, p.y - 0.5f, 0.0f, 1.0f, color};
  }
  buffer->Unlock();
  return buffer;
}

void Rewrite(IDirect3DVertexBuffer9* buffer, const std::vector<PointF>& points, int count) {
  if (!buffer || count <= 0) return;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < count && static_cast<size_t>(i) < points.size(); ++i) {
    v[i].x = points[static_cast<size_t>(i)].x - 0.5f;
    v[i].y = points[static_cast<size_t>(i)].y - 0.5f;
  }
  buffer->Unlock();
}

void Refill(IDirect3DDevice9* device, IDirect3DVertexBuffer9** buffer, int* capacity, const std::vector<PointF>& points,
            int count, DWORD color) {
  if (!device || count <= 0) {
    Release(buffer);
    return;
  }
  if (*buffer && count <= *capacity) {
    void* data = nullptr;
    if (SUCCEEDED((*buffer)->Lock(0, static_cast<UINT>(count) * sizeof(ColorVertex), &data, 0)) && data) {
      auto* v = static_cast<ColorVertex*>(data);
      for (int i = 0; i < count; ++i) {
        const PointF p = static_cast<size_t>(i) < points.size() ? points[static_cast<size_t>(i)] : PointF{0.0f, 0.0f};
        v[i] = {p.x - 0.5f, p.y - 0.5f, 0.0f, 1.0f, color};
      }
      (*buffer)->Unlock();
      return;
    }
  }
  // Growing: a quarter more, so that a drag that adds a few triangles now and
  // then does not make a new buffer each time.
  const int room = *buffer ? count + count / 4 : count;
  Release(buffer);
  *buffer = Create(device, points, room, color);
  *capacity = *buffer ? room : 0;
}

void Recolour(IDirect3DVertexBuffer9* buffer, int count, DWORD color) {
  if (!buffer || count <= 0) return;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (int i = 0; i < count; ++i) v[i].color = color;
  buffer->Unlock();
}

void Release(IDirect3DVertexBuffer9** buffer) {
  if (*buffer) (*buffer)->Release();
  *buffer = nullptr;
}

int AppendTriangles(PPath* path, std::vector<PointF>* points) { return AppendCorners(path, points); }
int AppendTriangles(PPolygon* polygon, std::vector<PointF>* points) { return AppendCorners(polygon, points); }

void Shift(IDirect3DVertexBuffer9* buffer, std::vector<PointF>* points, int count, float dx, float dy) {
  if (!buffer || count <= 0) return;
  for (PointF& p : *points) {
    p.x += dx;
    p.y += dy;
  }
  Rewrite(buffer, *points, count);
}

}  // namespace outline_buffer
