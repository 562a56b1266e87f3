#include "engine/geometry/CurveFlatten.h"

#include <cmath>
#include <initializer_list>

namespace {

constexpr double kCollinearityEpsilon = 1e-30;
constexpr unsigned kRecursionLimit = 32;
// Bounds the work of a curve whose coordinates are absurdly large: such a
// curve is cut short but still ends at its end point.
constexpr unsigned kMaxCurvePoints = 1u << 16;
constexpr int kMaxIncrementalSteps = 1 << 16;

double Distance(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1;
  return std::sqrt(dx * dx + dy * dy);
}

double SquareDistance(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1;
  return dx * dx + dy * dy;
}

int StepCount(double length, double scale) {
  const double steps = length * 0.25 * scale + 0.5;
  if (!(steps < kMaxIncrementalSteps)) return kMaxIncrementalSteps;
  const int n = static_cast<int>(steps);
  return n < 4 ? 4 : n;
}

bool AllFinite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

// Squared distance of a control point from the chord (x1, y1) + t (dx, dy),
// measured to the nearer end where its projection t falls outside the chord.
double SquareDistanceFromChord(double px, double py, double x1, double y1, double dx, double dy, double x2, double y2,
                               double t) {
  if (t <= 0) return SquareDistance(px, py, x1, y1);
  if (t >= 1) return SquareDistance(px, py, x2, y2);
  return SquareDistance(px, py, x1 + t * dx, y1 + t * dy);
}

// The subdividing flatteners keep one slot free so that the end point always fits.
void AddBoundedPoint(PointBlockList<PointD>& points, double x, double y) {
  if (points.Size() < kMaxCurvePoints - 1) points.Add({x, y});
}

PathCommand NextFlattenedPoint(const PointBlockList<PointD>& points, unsigned& index, double* x, double* y) {
  if (index >= points.Size()) return CmdStop;
  const PointD& p = points[index++];
  *x = p.x;
  *y = p.y;
  return index == 1 ? CmdMoveTo : CmdLineTo;
}

// The first and last vertices of an incremental flattening are the exact end
// points; only the steps between them come from the forward differences.
bool IncrementalEndVertex(int& step, int stepCount, double startX, double startY, double endX, double endY, double* x,
                          double* y, PathCommand* cmd) {
  if (step == stepCount) {
    *x = startX;
    *y = startY;
    --step;
    *cmd = CmdMoveTo;
    return true;
  }
  if (step == 0) {
    *x = endX;
    *y = endY;
    --step;
    *cmd = CmdLineTo;
    return true;
  }
  return false;
}

// The switching wrappers hand each call to the flattener of their method.
template <class Incremental, class Subdivision>
void RewindChosen(unsigned method, Incremental& incremental, Subdivision& subdivision) {
  if (method == CurveIncremental)
    incremental.Rewind();
  else
    subdivision.Rewind();
}

template <class Incremental, class Subdivision>
PathCommand VertexOfChosen(unsigned method, Incremental& incremental, Subdivision& subdivision, double* x, double* y) {
  return method == CurveIncremental ? incremental.Vertex(x, y) : subdivision.Vertex(x, y);
}

}  // namespace

// ---- incremental quadratic -------------------------------------------------

void PCurve3Inc::Init(double x1, double y1, double x2, double y2, double x3, double y3) {
  m_x1 = x1, m_y1 = y1, m_x2 = x2, m_y2 = y2, m_x3 = x3, m_y3 = y3;
  m_hasCurve = true;
  m_startX = x1;
  m_startY = y1;
  m_endX = x3;
  m_endY = y3;
  const double len = Distance(x1, y1, x2, y2) + Distance(x2, y2, x3, y3);
  m_stepCount = StepCount(len, m_approximationScale);
  const double s = 1.0 / m_stepCount;
  const double s2 = s * s;
  const double tx = (x1 - 2.0 * x2 + x3) * s2;
  const double ty = (y1 - 2.0 * y2 + y3) * s2;
  m_savedFx = m_fx = x1;
  m_savedFy = m_fy = y1;
  m_savedDfx = m_dfx = tx + 2.0 * s * (x2 - x1);
  m_savedDfy = m_dfy = ty + 2.0 * s * (y2 - y1);
  m_ddfx = 2.0 * tx;
  m_ddfy = 2.0 * ty;
  m_step = m_stepCount;
}

void PCurve3Inc::Reset() {
  m_hasCurve = false;
  m_stepCount = 0;
  m_step = -1;
}

void PCurve3Inc::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  if (m_hasCurve) Init(m_x1, m_y1, m_x2, m_y2, m_x3, m_y3);
}

void PCurve3Inc::Rewind() {
  if (m_stepCount == 0) {
    m_step = -1;
    return;
  }
  m_step = m_stepCount;
  m_fx = m_savedFx;
  m_fy = m_savedFy;
  m_dfx = m_savedDfx;
  m_dfy = m_savedDfy;
}

PathCommand PCurve3Inc::Vertex(double* x, double* y) {
  if (m_step < 0) return CmdStop;
  PathCommand cmd;
  if (IncrementalEndVertex(m_step, m_stepCount, m_startX, m_startY, m_endX, m_endY, x, y, &cmd)) return cmd;
  m_fx += m_dfx;
  m_fy += m_dfy;
  m_dfx += m_ddfx;
  m_dfy += m_ddfy;
  *x = m_fx;
  *y = m_fy;
  --m_step;
  return CmdLineTo;
}

// ---- incremental cubic -----------------------------------------------------

void PCurve4Inc::Init(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4) {
  m_x1 = x1, m_y1 = y1, m_x2 = x2, m_y2 = y2, m_x3 = x3, m_y3 = y3, m_x4 = x4, m_y4 = y4;
  m_hasCurve = true;
  m_startX = x1;
  m_startY = y1;
  m_endX = x4;
  m_endY = y4;
  const double len = Distance(x1, y1, x2, y2) + Distance(x2, y2, x3, y3) + Distance(x3, y3, x4, y4);
  m_stepCount = StepCount(len, m_approximationScale);
  const double s = 1.0 / m_stepCount;
  const double s2 = s * s;
  const double s3 = s2 * s;
  const double pre1 = 3.0 * s;
  const double pre2 = 3.0 * s2;
  const double pre4 = 6.0 * s2;
  const double pre5 = 6.0 * s3;
  const double t1x = x1 - 2.0 * x2 + x3;
  const double t1y = y1 - 2.0 * y2 + y3;
  const double t2x = 3.0 * (x2 - x3) - x1 + x4;
  const double t2y = 3.0 * (y2 - y3) - y1 + y4;
  m_savedFx = m_fx = x1;
  m_savedFy = m_fy = y1;
  m_savedDfx = m_dfx = (x2 - x1) * pre1 + t1x * pre2 + t2x * s3;
  m_savedDfy = m_dfy = (y2 - y1) * pre1 + t1y * pre2 + t2y * s3;
  m_savedDdfx = m_ddfx = t1x * pre4 + t2x * pre5;
  m_savedDdfy = m_ddfy = t1y * pre4 + t2y * pre5;
  m_dddfx = t2x * pre5;
  m_dddfy = t2y * pre5;
  m_step = m_stepCount;
}

void PCurve4Inc::Reset() {
  m_hasCurve = false;
  m_stepCount = 0;
  m_step = -1;
}

void PCurve4Inc::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  if (m_hasCurve) Init(m_x1, m_y1, m_x2, m_y2, m_x3, m_y3, m_x4, m_y4);
}

void PCurve4Inc::Rewind() {
  if (m_stepCount == 0) {
    m_step = -1;
    return;
  }
  m_step = m_stepCount;
  m_fx = m_savedFx;
  m_fy = m_savedFy;
  m_dfx = m_savedDfx;
  m_dfy = m_savedDfy;
  m_ddfx = m_savedDdfx;
  m_ddfy = m_savedDdfy;
}

PathCommand PCurve4Inc::Vertex(double* x, double* y) {
  if (m_step < 0) return CmdStop;
  PathCommand cmd;
  if (IncrementalEndVertex(m_step, m_stepCount, m_startX, m_startY, m_endX, m_endY, x, y, &cmd)) return cmd;
  m_fx += m_dfx;
  m_fy += m_dfy;
  m_dfx += m_ddfx;
  m_dfy += m_ddfy;
  m_ddfx += m_dddfx;
  m_ddfy += m_dddfy;
  *x = m_fx;
  *y = m_fy;
  --m_step;
  return CmdLineTo;
}

// ---- subdividing quadratic -------------------------------------------------

void PCurve3Div::Init(double x1, double y1, double x2, double y2, double x3, double y3) {
  m_x1 = x1, m_y1 = y1, m_x2 = x2, m_y2 = y2, m_x3 = x3, m_y3 = y3;
  m_hasCurve = true;
  Flatten();
}

void PCurve3Div::Reset() {
  m_hasCurve = false;
  m_points.Clear();
  m_outputIndex = 0;
}

void PCurve3Div::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  if (m_hasCurve) Flatten();
}

void PCurve3Div::AddPoint(double x, double y) { AddBoundedPoint(m_points, x, y); }

void PCurve3Div::Flatten() {
  const double tolerance = 0.5 / m_approximationScale;
  m_distanceToleranceSquare = tolerance * tolerance;
  m_points.Clear();
  m_points.Add({m_x1, m_y1});
  if (AllFinite({m_x1, m_y1, m_x2, m_y2, m_x3, m_y3})) Subdivide(m_x1, m_y1, m_x2, m_y2, m_x3, m_y3, 0);
  m_points.Add({m_x3, m_y3});
  m_outputIndex = 0;
}

void PCurve3Div::Subdivide(double x1, double y1, double x2, double y2, double x3, double y3, unsigned level) {
  if (level > kRecursionLimit || m_points.Size() >= kMaxCurvePoints - 1) return;

  const double x12 = (x1 + x2) / 2, y12 = (y1 + y2) / 2;
  const double x23 = (x2 + x3) / 2, y23 = (y2 + y3) / 2;
  const double x123 = (x12 + x23) / 2, y123 = (y12 + y23) / 2;

  const double dx = x3 - x1, dy = y3 - y1;
  double d = std::fabs((x2 - x3) * dy - (y2 - y3) * dx);

  if (d > kCollinearityEpsilon) {
    if (d * d <= m_distanceToleranceSquare * (dx * dx + dy * dy)) {
      AddPoint(x123, y123);
      return;
    }
  } else {
    const double da = dx * dx + dy * dy;
    if (da == 0) {
      d = SquareDistance(x1, y1, x2, y2);
    } else {
      const double k = ((x2 - x1) * dx + (y2 - y1) * dy) / da;
      if (k > 0 && k < 1) return;  // the control point lies between the ends
      d = SquareDistanceFromChord(x2, y2, x1, y1, dx, dy, x3, y3, k);
    }
    if (d < m_distanceToleranceSquare) {
      AddPoint(x2, y2);
      return;
    }
  }
  Subdivide(x1, y1, x12, y12, x123, y123, level + 1);
  Subdivide(x123, y123, x23, y23, x3, y3, level + 1);
}

PathCommand PCurve3Div::Vertex(double* x, double* y) { return NextFlattenedPoint(m_points, m_outputIndex, x, y); }

// ---- subdividing cubic -----------------------------------------------------

void PCurve4Div::Init(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4) {
  m_x1 = x1, m_y1 = y1, m_x2 = x2, m_y2 = y2, m_x3 = x3, m_y3 = y3, m_x4 = x4, m_y4 = y4;
  m_hasCurve = true;
  Flatten();
}

void PCurve4Div::Reset() {
  m_hasCurve = false;
  m_points.Clear();
  m_outputIndex = 0;
}

void PCurve4Div::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  if (m_hasCurve) Flatten();
}

void PCurve4Div::AddPoint(double x, double y) { AddBoundedPoint(m_points, x, y); }

void PCurve4Div::Flatten() {
  const double tolerance = 0.5 / m_approximationScale;
  m_distanceToleranceSquare = tolerance * tolerance;
  m_points.Clear();
  m_points.Add({m_x1, m_y1});
  if (AllFinite({m_x1, m_y1, m_x2, m_y2, m_x3, m_y3, m_x4, m_y4}))
    Subdivide(m_x1, m_y1, m_x2, m_y2, m_x3, m_y3, m_x4, m_y4, 0);
  m_points.Add({m_x4, m_y4});
  m_outputIndex = 0;
}

void PCurve4Div::Subdivide(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                           unsigned level) {
  if (level > kRecursionLimit || m_points.Size() >= kMaxCurvePoints - 1) return;

  const double x12 = (x1 + x2) / 2, y12 = (y1 + y2) / 2;
  const double x23 = (x2 + x3) / 2, y23 = (y2 + y3) / 2;
  const double x34 = (x3 + x4) / 2, y34 = (y3 + y4) / 2;
  const double x123 = (x12 + x23) / 2, y123 = (y12 + y23) / 2;
  const double x234 = (x23 + x34) / 2, y234 = (y23 + y34) / 2;
  const double x1234 = (x123 + x234) / 2, y1234 = (y123 + y234) / 2;

  const double dx = x4 - x1, dy = y4 - y1;
  double d2 = std::fabs((x2 - x4) * dy - (y2 - y4) * dx);
  double d3 = std::fabs((x3 - x4) * dy - (y3 - y4) * dx);
  const double tolerance = m_distanceToleranceSquare;

  switch ((int(d2 > kCollinearityEpsilon) << 1) + int(d3 > kCollinearityEpsilon)) {
    case 0: {
      const double k = dx * dx + dy * dy;
      if (k == 0) {
        d2 = SquareDistance(x1, y1, x2, y2);
        d3 = SquareDistance(x4, y4, x3, y3);
      } else {
        const double t2 = ((x2 - x1) * dx + (y2 - y1) * dy) / k;
        const double t3 = ((x3 - x1) * dx + (y3 - y1) * dy) / k;
        if (t2 > 0 && t2 < 1 && t3 > 0 && t3 < 1) return;  // both controls between the ends
        d2 = SquareDistanceFromChord(x2, y2, x1, y1, dx, dy, x4, y4, t2);
        d3 = SquareDistanceFromChord(x3, y3, x1, y1, dx, dy, x4, y4, t3);
      }
      if (d2 > d3) {
        if (d2 < tolerance) {
          AddPoint(x2, y2);
          return;
        }
      } else if (d3 < tolerance) {
        AddPoint(x3, y3);
        return;
      }
      break;
    }
    case 1:
      if (d3 * d3 <= tolerance * (dx * dx + dy * dy)) {
        AddPoint(x23, y23);
        return;
      }
      break;
    case 2:
      if (d2 * d2 <= tolerance * (dx * dx + dy * dy)) {
        AddPoint(x23, y23);
        return;
      }
      break;
    case 3:
      if ((d2 + d3) * (d2 + d3) <= tolerance * (dx * dx + dy * dy)) {
        AddPoint(x23, y23);
        return;
      }
      break;
  }
  Subdivide(x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1);
  Subdivide(x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1);
}

PathCommand PCurve4Div::Vertex(double* x, double* y) { return NextFlattenedPoint(m_points, m_outputIndex, x, y); }

// ---- switching wrappers ----------------------------------------------------

void PCurve3::Init(double x1, double y1, double x2, double y2, double x3, double y3) {
  m_x1 = x1, m_y1 = y1, m_x2 = x2, m_y2 = y2, m_x3 = x3, m_y3 = y3;
  if (m_method == CurveIncremental)
    m_incremental.Init(x1, y1, x2, y2, x3, y3);
  else
    m_subdivision.Init(x1, y1, x2, y2, x3, y3);
}

void PCurve3::Reset() {
  m_incremental.Reset();
  m_subdivision.Reset();
}

void PCurve3::Rewind() { RewindChosen(m_method, m_incremental, m_subdivision); }

PathCommand PCurve3::Vertex(double* x, double* y) {
  return VertexOfChosen(m_method, m_incremental, m_subdivision, x, y);
}

void PCurve3::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  m_incremental.SetApproximationScale(scale);
  m_subdivision.SetApproximationScale(scale);
}

void PCurve4::Init(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4) {
  m_x1 = x1, m_y1 = y1, m_x2 = x2, m_y2 = y2, m_x3 = x3, m_y3 = y3, m_x4 = x4, m_y4 = y4;
  if (m_method == CurveIncremental)
    m_incremental.Init(x1, y1, x2, y2, x3, y3, x4, y4);
  else
    m_subdivision.Init(x1, y1, x2, y2, x3, y3, x4, y4);
}

void PCurve4::Reset() {
  m_incremental.Reset();
  m_subdivision.Reset();
}

void PCurve4::Rewind() { RewindChosen(m_method, m_incremental, m_subdivision); }

PathCommand PCurve4::Vertex(double* x, double* y) {
  return VertexOfChosen(m_method, m_incremental, m_subdivision, x, y);
}

void PCurve4::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  m_incremental.SetApproximationScale(scale);
  m_subdivision.SetApproximationScale(scale);
}

// ---- curve converter -------------------------------------------------------

void PCurveConvert::Rewind() {
  if (m_source) m_source->Rewind();
  m_lastX = 0;
  m_lastY = 0;
  m_curve3.Reset();
  m_curve4.Reset();
}

PathCommand PCurveConvert::Vertex(double* x, double* y) {
  if (!IsStop(m_curve3.Vertex(x, y)) || !IsStop(m_curve4.Vertex(x, y))) {
    m_lastX = *x;
    m_lastY = *y;
    return CmdLineTo;
  }
  if (!m_source) return CmdStop;

  double ct2x = 0, ct2y = 0, endX = 0, endY = 0;
  PathCommand cmd = m_source->Vertex(x, y);
  switch (cmd) {
    case CmdCurve3:
      m_source->Vertex(&endX, &endY);
      m_curve3.Init(m_lastX, m_lastY, *x, *y, endX, endY);
      m_curve3.Vertex(x, y);  // the start point, already emitted
      m_curve3.Vertex(x, y);
      cmd = CmdLineTo;
      break;
    case CmdCurve4:
      m_source->Vertex(&ct2x, &ct2y);
      m_source->Vertex(&endX, &endY);
      m_curve4.Init(m_lastX, m_lastY, *x, *y, ct2x, ct2y, endX, endY);
      m_curve4.Vertex(x, y);
      m_curve4.Vertex(x, y);
      cmd = CmdLineTo;
      break;
  }
  m_lastX = *x;
  m_lastY = *y;
  return cmd;
}

void PCurveConvert::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  m_curve3.SetApproximationScale(scale);
  m_curve4.SetApproximationScale(scale);
}
