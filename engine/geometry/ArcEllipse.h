#pragma once

#include "engine/geometry/Graphic.h"

// Circular or elliptic arc between two angles (radians from +x toward +y).
// The option is the direction: true runs through increasing angles.
class PArc : public PGraphic {
 public:
  PArc(double cx, double cy, double rx, double ry, double startAngle, double endAngle, bool direction);
  void Rewind() override;
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;
  void SetOption(bool direction) override;

 private:
  void Normalize();

  double m_startAngle;
  double m_endAngle;
  double m_cx, m_cy;
  double m_rx, m_ry;
  double m_angle = 0;
  double m_start = 0;
  double m_end = 0;
  double m_step = 0;
  PathCommand m_pending = CmdStop;
  unsigned m_emitted = 0;  // bounds an arc whose step no longer moves its angle
};

// Closed ellipse; the option is the direction: true runs through decreasing
// angles. The first point is not repeated at the end.
class PEllipse : public PGraphic {
 public:
  PEllipse(double cx, double cy, double rx, double ry, bool direction);
  void Rewind() override { m_currentStep = 0; }
  PathCommand Vertex(double* x, double* y) override;
  void SetApproximationScale(double scale) override;
  void SetOption(bool direction) override;

  unsigned StepCount() const { return m_stepCount; }

 private:
  void ComputeStepCount();

  double m_cx, m_cy;
  double m_rx, m_ry;
  unsigned m_stepCount = 0;
  unsigned m_currentStep = 0;
};
