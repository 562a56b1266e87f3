#include "engine/geometry/ArcEllipse.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// A huge radius asks for more points than any window can show.
constexpr unsigned kMaxOutlinePoints = 1u << 16;

// Angle between points whose chord stays about 0.125 pixel from the curve.
double AngularStep(double rx, double ry, double scale) {
  const double ra = (std::fabs(rx) + std::fabs(ry)) / 2;
  return 2.0 * std::acos(ra / (ra + 0.125 / scale));
}

// Raises a by whole turns until it is not below floor.
double RaiseByTurns(double a, double floor) {
  if (!(a < floor)) return a;
  if (floor - a > 64 * kTwoPi) a += std::floor((floor - a) / kTwoPi) * kTwoPi;
  for (int i = 0; i < 80 && a < floor; ++i) a += kTwoPi;
  return a < floor ? floor : a;
}

}  // namespace

PArc::PArc(double cx, double cy, double rx, double ry, double startAngle, double endAngle, bool direction)
    : m_startAngle(startAngle), m_endAngle(endAngle), m_cx(cx), m_cy(cy), m_rx(rx), m_ry(ry) {
  m_option = direction;
  Normalize();
}

void PArc::Normalize() {
  double a1 = m_startAngle;
  double a2 = m_endAngle;
  m_step = AngularStep(m_rx, m_ry, m_approximationScale);
  if (m_option) {
    a2 = RaiseByTurns(a2, a1);
  } else {
    a1 = RaiseByTurns(a1, a2);
    m_step = -m_step;
  }
  m_start = a1;
  m_end = a2;
}

void PArc::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  Normalize();
}

void PArc::SetOption(bool direction) {
  m_option = direction;
  Normalize();
}

void PArc::Rewind() {
  m_pending = CmdMoveTo;
  m_angle = m_start;
  m_emitted = 0;
}

PathCommand PArc::Vertex(double* x, double* y) {
  if (IsStop(m_pending)) return CmdStop;
  if ((m_angle < m_end - m_step / 4) != m_option || m_emitted >= kMaxOutlinePoints) {
    *x = m_cx + std::cos(m_end) * m_rx;
    *y = m_cy + std::sin(m_end) * m_ry;
    m_pending = CmdStop;
    return CmdLineTo;
  }
  *x = m_cx + std::cos(m_angle) * m_rx;
  *y = m_cy + std::sin(m_angle) * m_ry;
  m_angle += m_step;
  ++m_emitted;
  const PathCommand cmd = m_pending;
  m_pending = CmdLineTo;
  return cmd;
}

PEllipse::PEllipse(double cx, double cy, double rx, double ry, bool direction)
    : m_cx(cx), m_cy(cy), m_rx(rx), m_ry(ry) {
  m_option = direction;
  ComputeStepCount();
}

void PEllipse::ComputeStepCount() {
  if (!(m_rx >= 1 && m_ry >= 1)) return;
  if (!std::isfinite(m_rx) || !std::isfinite(m_ry)) {
    m_stepCount = 0;
    return;
  }
  const double count = kTwoPi / AngularStep(m_rx, m_ry, m_approximationScale) + 0.5;
  m_stepCount = count < kMaxOutlinePoints ? static_cast<unsigned>(count) : kMaxOutlinePoints;
}

void PEllipse::SetApproximationScale(double scale) {
  m_approximationScale = scale;
  ComputeStepCount();
}

void PEllipse::SetOption(bool direction) {
  m_option = direction;
  ComputeStepCount();
}

PathCommand PEllipse::Vertex(double* x, double* y) {
  if (m_currentStep == m_stepCount) {
    ++m_currentStep;
    return CmdEndPoly | FlagClose | FlagCcw;
  }
  if (m_currentStep > m_stepCount) return CmdStop;
  double angle = double(m_currentStep) / double(m_stepCount) * kTwoPi;
  if (m_option) angle = kTwoPi - angle;
  *x = m_cx + std::cos(angle) * m_rx;
  *y = m_cy + std::sin(angle) * m_ry;
  return m_currentStep++ == 0 ? CmdMoveTo : CmdLineTo;
}
