#include "engine/geometry/PathBuilder.h"

#include <cmath>

#include "engine/geometry/Bezier.h"

unsigned PathBuilder::StartNewPath() {
  if (m_vertices.Total() && !IsStop(m_vertices.LastCommand())) m_vertices.Add(0, 0, CmdStop);
  return m_vertices.Total();
}

void PathBuilder::ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, double x, double y) {
  double x0, y0;
  if (!IsVertex(m_vertices.LastPoint(&x0, &y0))) {
    MoveTo(x, y);
    return;
  }
  if (std::fabs(rx) < 1e-30 || std::fabs(ry) < 1e-30) {
    LineTo(x, y);
    return;
  }
  const double dx = x - x0, dy = y - y0;
  if (std::sqrt(dx * dx + dy * dy) < 1e-30) return;
  PBezierSvg arc;
  arc.Init(x0, y0, rx, ry, angle, largeArc, sweep, x, y);
  if (arc.RadiiValid())
    JoinPath(&arc);
  else
    LineTo(x, y);
}

bool PathBuilder::SmoothControl(double* cx, double* cy) const {
  double x0, y0;
  if (!IsVertex(m_vertices.LastPoint(&x0, &y0))) return false;
  *cx = x0;
  *cy = y0;
  double x1, y1;
  if (IsCurve(m_vertices.PreviousPoint(&x1, &y1))) {
    *cx = x0 + x0 - x1;
    *cy = y0 + y0 - y1;
  }
  return true;
}

void PathBuilder::SmoothCurve3To(double x, double y) {
  double cx, cy;
  if (SmoothControl(&cx, &cy)) Curve3To(cx, cy, x, y);
}

void PathBuilder::Curve3To(double cx, double cy, double x, double y) {
  m_vertices.Add(cx, cy, CmdCurve3);
  m_vertices.Add(x, y, CmdCurve3);
}

void PathBuilder::SmoothCurve4To(double c2x, double c2y, double x, double y) {
  double cx, cy;
  if (SmoothControl(&cx, &cy)) Curve4To(cx, cy, c2x, c2y, x, y);
}

void PathBuilder::Curve4To(double c1x, double c1y, double c2x, double c2y, double x, double y) {
  m_vertices.Add(c1x, c1y, CmdCurve4);
  m_vertices.Add(c2x, c2y, CmdCurve4);
  m_vertices.Add(x, y, CmdCurve4);
}

void PathBuilder::JoinPath(PGraphic* source) {
  if (!source) return;
  double x = 0, y = 0;
  source->Rewind();
  PathCommand cmd = source->Vertex(&x, &y);
  if (IsStop(cmd)) return;
  if (IsVertex(cmd)) {
    double x0, y0;
    const PathCommand last = m_vertices.LastPoint(&x0, &y0);
    if (IsVertex(last)) {
      const double dx = x - x0, dy = y - y0;
      if (std::sqrt(dx * dx + dy * dy) > 1e-14) m_vertices.Add(x, y, cmd == CmdMoveTo ? CmdLineTo : cmd);
    } else if (IsStop(last)) {
      m_vertices.Add(x, y, CmdMoveTo);
    } else {
      m_vertices.Add(x, y, cmd == CmdMoveTo ? CmdLineTo : cmd);
    }
  } else {
    m_vertices.Add(x, y, cmd);
  }
  while (!IsStop(cmd = source->Vertex(&x, &y))) m_vertices.Add(x, y, cmd == CmdMoveTo ? CmdLineTo : cmd);
}

void PathBuilder::ClosePolygon() {
  if (IsVertex(m_vertices.LastCommand())) m_vertices.Add(0, 0, CmdEndPoly | FlagClose);
}

PathCommand PathBuilder::Vertex(double* x, double* y) {
  if (m_iterator >= m_vertices.Total()) return CmdStop;
  return m_vertices.Point(m_iterator++, x, y);
}
