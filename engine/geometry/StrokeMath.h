#pragma once

#include "engine/geometry/LineStyle.h"
#include "engine/geometry/PointBlockList.h"

// A source point of a stroke with the distance to the next point.
struct VertexDist {
  double x;
  double y;
  double dist;
};

// Caps, joins, miters and round arcs of a stroke outline.
class StrokeMath {
 public:
  StrokeMath() = default;
  void SetWidth(double width);  // full width; the outline lies width / 2 on each side
  void SetLineCap(int cap) { m_lineCap = cap; }
  void SetLineJoin(int join) { m_lineJoin = join; }
  void SetApproximationScale(double scale) { m_approximationScale = scale; }

  void CalcCap(PointBlockList<PointD>& out, const VertexDist& v0, const VertexDist& v1, double len) const;
  void CalcJoin(PointBlockList<PointD>& out, const VertexDist& v0, const VertexDist& v1, const VertexDist& v2,
                double len1, double len2) const;

 private:
  void CalcArc(PointBlockList<PointD>& out, double x, double y, double dx1, double dy1, double dx2, double dy2) const;
  void CalcMiter(PointBlockList<PointD>& out, const VertexDist& v0, const VertexDist& v1, const VertexDist& v2,
                 double dx1, double dy1, double dx2, double dy2, int join, double limit, double dbevel) const;
  double ArcStep() const;

  double m_width = 0.5;
  double m_widthAbs = 0.5;
  double m_widthEps = 0.5 / 1024.0;
  int m_widthSign = 1;
  double m_miterLimit = 4.0;
  double m_innerMiterLimit = 1.01;
  double m_approximationScale = 1.0;
  int m_lineCap = CapButt;
  int m_lineJoin = JoinMiter;
};
