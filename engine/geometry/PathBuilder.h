#pragma once

#include "engine/geometry/Graphic.h"
#include "engine/geometry/VertexBlockStorage.h"

// The path-building operations over a vertex store, shared by the stroked
// path and the filled polygon.
class PathBuilder {
 public:
  unsigned StartNewPath();
  void MoveTo(double x, double y) { m_vertices.Add(x, y, CmdMoveTo); }
  void LineTo(double x, double y) { m_vertices.Add(x, y, CmdLineTo); }
  void ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, double x, double y);
  void SmoothCurve3To(double x, double y);
  void Curve3To(double cx, double cy, double x, double y);
  void SmoothCurve4To(double c2x, double c2y, double x, double y);
  void Curve4To(double c1x, double c1y, double c2x, double c2y, double x, double y);
  void JoinPath(PGraphic* source);
  void ClosePolygon();
  void Rewind() { m_iterator = 0; }
  void Clear() {
    m_vertices.Clear();
    m_iterator = 0;
  }
  PathCommand Vertex(double* x, double* y);

  const VertexBlockStorage& Vertices() const { return m_vertices; }

 private:
  // Control point that mirrors the previous curve's last control point.
  bool SmoothControl(double* cx, double* cy) const;

  VertexBlockStorage m_vertices;
  unsigned m_iterator = 0;
};
