#pragma once

#include <cmath>
#include <vector>

#include "engine/geometry/Graphic.h"
#include "engine/geometry/Path.h"

struct PathVertex {
  PathCommand cmd;
  double x;
  double y;
};

// Everything a vertex source yields after Rewind, up to and without CmdStop.
// The limit keeps a faulty endless source from hanging the test.
inline std::vector<PathVertex> Collect(PGraphic& source, size_t limit = 1000000) {
  std::vector<PathVertex> out;
  source.Rewind();
  for (;;) {
    PathVertex v{CmdStop, NAN, NAN};
    v.cmd = source.Vertex(&v.x, &v.y);
    if (IsStop(v.cmd) || out.size() >= limit) break;
    out.push_back(v);
  }
  return out;
}

inline double TriangleArea(const Triangle& t) {
  return std::fabs((t.B->x - t.A->x) * (t.C->y - t.A->y) - (t.C->x - t.A->x) * (t.B->y - t.A->y)) / 2;
}

template <class Shape>
double TotalArea(Shape& shape) {
  double area = 0;
  for (int i = 0; i < shape.GetTriangleCount(); ++i) area += TriangleArea(*shape.GetTriangle(i));
  return area;
}

inline bool InTriangle(const Triangle& t, double x, double y) {
  auto side = [](const TessVertex* a, const TessVertex* b, double px, double py) {
    return (b->x - a->x) * (py - a->y) - (b->y - a->y) * (px - a->x);
  };
  const double d1 = side(t.A, t.B, x, y), d2 = side(t.B, t.C, x, y), d3 = side(t.C, t.A, x, y);
  const bool neg = d1 < 0 || d2 < 0 || d3<0, pos = d1> 0 || d2 > 0 || d3 > 0;
  return !(neg && pos);
}

// How many triangles cover the point (more than one means overlap).
template <class Shape>
int Coverage(Shape& shape, double x, double y) {
  int n = 0;
  for (int i = 0; i < shape.GetTriangleCount(); ++i) n += InTriangle(*shape.GetTriangle(i), x, y);
  return n;
}
