#pragma once

#include "engine/geometry/Graphic.h"
#include "engine/geometry/PointBlockList.h"

// Flatteners of quadratic and cubic Bezier curves into line segments. Each
// keeps its control points so that a new approximation scale re-flattens.

class PCurve3Inc : public PGraphic {
 public:
  PCurve3Inc() = default;
  void Init(double x1, double y1, double x2, double y2, double x3, double y3);
  void Reset();
  void Rewind() override;
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;

 private:
  double m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0, m_x3 = 0, m_y3 = 0;
  bool m_hasCurve = false;  // scale changes re-flatten only a curve that was given
  int m_stepCount = 0;
  int m_step = -1;
  double m_startX = 0, m_startY = 0;
  double m_endX = 0, m_endY = 0;
  double m_fx = 0, m_fy = 0;
  double m_dfx = 0, m_dfy = 0;
  double m_ddfx = 0, m_ddfy = 0;
  double m_savedFx = 0, m_savedFy = 0;
  double m_savedDfx = 0, m_savedDfy = 0;
};

class PCurve4Inc : public PGraphic {
 public:
  PCurve4Inc() = default;
  void Init(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4);
  void Reset();
  void Rewind() override;
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;

 private:
  double m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0, m_x3 = 0, m_y3 = 0, m_x4 = 0, m_y4 = 0;
  bool m_hasCurve = false;  // scale changes re-flatten only a curve that was given
  int m_stepCount = 0;
  int m_step = -1;
  double m_startX = 0, m_startY = 0;
  double m_endX = 0, m_endY = 0;
  double m_fx = 0, m_fy = 0;
  double m_dfx = 0, m_dfy = 0;
  double m_ddfx = 0, m_ddfy = 0;
  double m_dddfx = 0, m_dddfy = 0;
  double m_savedFx = 0, m_savedFy = 0;
  double m_savedDfx = 0, m_savedDfy = 0;
  double m_savedDdfx = 0, m_savedDdfy = 0;
};

class PCurve3Div : public PGraphic {
 public:
  PCurve3Div() = default;
  void Init(double x1, double y1, double x2, double y2, double x3, double y3);
  void Reset();
  void Rewind() override { m_outputIndex = 0; }
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;

 private:
  void Flatten();
  void Subdivide(double x1, double y1, double x2, double y2, double x3, double y3, unsigned level);
  void AddPoint(double x, double y);

  double m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0, m_x3 = 0, m_y3 = 0;
  bool m_hasCurve = false;
  double m_distanceToleranceSquare = 0.25;
  double m_angleTolerance = 0;
  unsigned m_outputIndex = 0;
  PointBlockList<PointD> m_points;
};

class PCurve4Div : public PGraphic {
 public:
  PCurve4Div() = default;
  void Init(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4);
  void Reset();
  void Rewind() override { m_outputIndex = 0; }
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;

 private:
  void Flatten();
  void Subdivide(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                 unsigned level);
  void AddPoint(double x, double y);

  double m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0, m_x3 = 0, m_y3 = 0, m_x4 = 0, m_y4 = 0;
  bool m_hasCurve = false;
  double m_distanceToleranceSquare = 0.25;
  double m_angleTolerance = 0;
  double m_cuspLimit = 0;
  unsigned m_outputIndex = 0;
  PointBlockList<PointD> m_points;
};

enum CurveApproximation : unsigned { CurveIncremental = 0, CurveSubdivision = 1 };

class PCurve3 : public PGraphic {
 public:
  PCurve3() = default;
  void Init(double x1, double y1, double x2, double y2, double x3, double y3);
  void Reset();
  void SetApproximationMethod(unsigned method) { m_method = method; }
  void Rewind() override;
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;

 private:
  double m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0, m_x3 = 0, m_y3 = 0;
  PCurve3Inc m_incremental;
  PCurve3Div m_subdivision;
  unsigned m_method = CurveSubdivision;
};

class PCurve4 : public PGraphic {
 public:
  PCurve4() = default;
  void Init(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4);
  void Reset();
  void SetApproximationMethod(unsigned method) { m_method = method; }
  void Rewind() override;
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;

 private:
  double m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0, m_x3 = 0, m_y3 = 0, m_x4 = 0, m_y4 = 0;
  PCurve4Inc m_incremental;
  PCurve4Div m_subdivision;
  unsigned m_method = CurveSubdivision;
};

// Replaces the curve commands of a source by the line segments of their
// flattening; every other command passes unchanged.
class PCurveConvert : public PGraphic {
 public:
  explicit PCurveConvert(PGraphic* source) : m_source(source) {}
  void Rewind() override;
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;

 private:
  PGraphic* m_source;
  double m_lastX = 0, m_lastY = 0;
  PCurve3 m_curve3;
  PCurve4 m_curve4;
};
