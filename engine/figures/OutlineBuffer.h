// The vertex buffer behind a figure's drawn outline: the outline points
// (window pixels) written half a pixel up and left, all in one colour.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/figures/Draw.h"

struct IDirect3DDevice9;
struct IDirect3DVertexBuffer9;
class PPath;
class PPolygon;

namespace outline_buffer {

// A managed, write-only buffer of `count` vertices from the first points;
// null when the device is missing or creation fails.
IDirect3DVertexBuffer9* Create(IDirect3DDevice9* device, const std::vector<PointF>& points, int count, DWORD color);
// Rewrites the positions of the first `count` vertices from the points.
void Rewrite(IDirect3DVertexBuffer9* buffer, const std::vector<PointF>& points, int count);
// Holds the first `count` points in *buffer (`*capacity` vertices when it exists):
// refilled in place while it is large enough, since creating and releasing a
// buffer on every mouse move waits on the device; made anew, with room to
// grow, when it is too small. Released for no points, or without a device.
void Refill(IDirect3DDevice9* device, IDirect3DVertexBuffer9** buffer, int* capacity, const std::vector<PointF>& points,
            int count, DWORD color);
void Recolour(IDirect3DVertexBuffer9* buffer, int count, DWORD color);
void Release(IDirect3DVertexBuffer9** buffer);
// Appends the corners of the stroked or filled triangles; returns their count.
int AppendTriangles(PPath* path, std::vector<PointF>* points);
int AppendTriangles(PPolygon* polygon, std::vector<PointF>* points);
// Shifts the points and rewrites the buffer from them.
void Shift(IDirect3DVertexBuffer9* buffer, std::vector<PointF>* points, int count, float dx, float dy);

}  // namespace outline_buffer
