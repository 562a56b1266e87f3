#include "engine/geometry/Bezier.h"

PathCommand PBezier::Vertex(double* x, double* y) {
  if (m_nextIndex >= m_coordinateCount) return CmdStop;
  *x = m_coordinates[m_nextIndex];
  *y = m_coordinates[m_nextIndex + 1];
  const PathCommand cmd = m_nextIndex == 0 ? CmdMoveTo : m_command;
  m_nextIndex += 2;
  return cmd;
}

void PBezierSvg::Init(double x0, double y0, double rx, double ry, double angle, bool largeArc, bool sweep, double x2,
                      double y2) {
  m_x0 = x0, m_y0 = y0, m_rx = rx, m_ry = ry, m_angle = angle;
  m_largeArc = largeArc, m_sweep = sweep;
  m_x2 = x2, m_y2 = y2;
  m_radiiValid = false;
}
