#pragma once

#include "engine/geometry/Graphic.h"
#include "engine/geometry/PointBlockList.h"

// Natural cubic spline of one coordinate over its abscissae.
class SplineInterpolator {
 public:
  SplineInterpolator() = default;
  SplineInterpolator(const SplineInterpolator&) = delete;
  SplineInterpolator& operator=(const SplineInterpolator&) = delete;
  ~SplineInterpolator() { delete[] m_storage; }

  void Init(int capacity);
  void AddPoint(double x, double y);
  void Prepare();
  double Value(double x) const;

 private:
  double* Derivatives() const { return m_storage; }
  double* Abscissae() const { return m_storage + m_capacity; }
  double* Values() const { return m_storage + 2 * m_capacity; }
  int FindInterval(double x) const;

  int m_capacity = 0;
  int m_count = 0;
  double* m_storage = nullptr;
  mutable int m_lastIndex = -1;
};

// Smooth polyline through clicked points: each coordinate follows a natural
// cubic spline over the point index.
class PBspline : public PGraphic {
 public:
  PBspline() = default;
  void AddVertex(double x, double y, PathCommand cmd);
  void Rewind() override;
  PathCommand Vertex(double* x, double* y) override;

 private:
  enum Status { StatusInitial, StatusReady, StatusPolygon, StatusEndPoly, StatusStop };

  PointBlockList<PointD> m_points;
  SplineInterpolator m_splineX;
  SplineInterpolator m_splineY;
  double m_interpolationStep = 0.02;
  PathCommand m_closed = 0;
  Status m_status = StatusInitial;
  unsigned m_counter = 0;
  double m_abscissa = 0;
  double m_lastAbscissa = 0;
  double m_firstPrepared = 0;  // abscissa range of the prepared splines, for replays
  double m_lastPrepared = 0;
};
