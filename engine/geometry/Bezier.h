#pragma once

#include "engine/geometry/Graphic.h"

// Holder of up to 13 points of a Bezier arc approximation.
class PBezier : public PGraphic {
 public:
  static constexpr int kMaxCoordinates = 26;

  PBezier() = default;
  void Rewind() override { m_nextIndex = 0; }
  PathCommand Vertex(double* x, double* y) override;

 private:
  int m_nextIndex = kMaxCoordinates;
  int m_coordinateCount = 0;
  double m_coordinates[kMaxCoordinates] = {};
  PathCommand m_command = CmdLineTo;
};

// Elliptic arc between two points given the way vector paths describe one.
// The radii are never validated, so the arc yields no points and its users
// fall back to a straight segment.
class PBezierSvg : public PGraphic {
 public:
  PBezierSvg() = default;
  void Init(double x0, double y0, double rx, double ry, double angle, bool largeArc, bool sweep, double x2, double y2);
  bool RadiiValid() const { return m_radiiValid; }
  void Rewind() override { m_arc.Rewind(); }
  PathCommand Vertex(double* x, double* y) override { return m_arc.Vertex(x, y); }

 private:
  PBezier m_arc;
  bool m_radiiValid = false;
  double m_x0 = 0, m_y0 = 0, m_rx = 0, m_ry = 0, m_angle = 0;
  bool m_largeArc = false, m_sweep = false;
  double m_x2 = 0, m_y2 = 0;
};
