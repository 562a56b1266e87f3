#include "engine/geometry/StrokeMath.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
// Enough for any visible width; stops a huge width from producing millions of
// points per corner.
constexpr double kMaxArcPoints = 1024;

int ArcPointCount(double v) {
  if (!(v > 0)) return 0;
  return v > kMaxArcPoints ? int(kMaxArcPoints) : int(v);
}

double CrossProduct(double x1, double y1, double x2, double y2, double x, double y) {
  return (x - x2) * (y2 - y1) - (y - y2) * (x2 - x1);
}

bool Intersection(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy, double* x,
                  double* y) {
  const double num = (ay - cy) * (dx - cx) - (ax - cx) * (dy - cy);
  const double den = (bx - ax) * (dy - cy) - (by - ay) * (dx - cx);
  if (std::fabs(den) < 1e-30) return false;
  const double r = num / den;
  *x = ax + r * (bx - ax);
  *y = ay + r * (by - ay);
  return true;
}

double Distance(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

void StrokeMath::SetWidth(double width) {
  m_width = width * 0.5;
  if (m_width < 0) {
    m_widthAbs = -m_width;
    m_widthSign = -1;
  } else {
    m_widthAbs = m_width;
    m_widthSign = 1;
  }
  m_widthEps = m_width / 1024.0;
}

double StrokeMath::ArcStep() const { return 2.0 * std::acos(m_widthAbs / (m_widthAbs + 0.125 / m_approximationScale)); }

void StrokeMath::CalcArc(PointBlockList<PointD>& out, double x, double y, double dx1, double dy1, double dx2,
                         double dy2) const {
  double a1 = std::atan2(dy1 * m_widthSign, dx1 * m_widthSign);
  double a2 = std::atan2(dy2 * m_widthSign, dx2 * m_widthSign);
  double da = ArcStep();
  out.Add({x + dx1, y + dy1});
  if (m_widthSign > 0) {
    if (a1 > a2) a2 += 2 * kPi;
    const int n = ArcPointCount((a2 - a1) / da);
    da = (a2 - a1) / (n + 1);
    a1 += da;
    for (int i = 0; i < n; ++i, a1 += da) out.Add({x + std::cos(a1) * m_width, y + std::sin(a1) * m_width});
  } else {
    if (a1 < a2) a2 -= 2 * kPi;
    const int n = ArcPointCount((a1 - a2) / da);
    da = (a1 - a2) / (n + 1);
    a1 -= da;
    for (int i = 0; i < n; ++i, a1 -= da) out.Add({x + std::cos(a1) * m_width, y + std::sin(a1) * m_width});
  }
  out.Add({x + dx2, y + dy2});
}

void StrokeMath::CalcMiter(PointBlockList<PointD>& out, const VertexDist& v0, const VertexDist& v1,
                           const VertexDist& v2, double dx1, double dy1, double dx2, double dy2, int join, double limit,
                           double dbevel) const {
  double xi = v1.x, yi = v1.y;
  double di = 1;
  const double lim = m_widthAbs * limit;
  bool limitExceeded = true;
  bool intersectionFailed = true;

  if (Intersection(v0.x + dx1, v0.y - dy1, v1.x + dx1, v1.y - dy1, v1.x + dx2, v1.y - dy2, v2.x + dx2, v2.y - dy2, &xi,
                   &yi)) {
    di = Distance(v1.x, v1.y, xi, yi);
    if (di <= lim) {
      out.Add({xi, yi});
      limitExceeded = false;
    }
    intersectionFailed = false;
  } else {
    // Parallel offset lines: either the path goes straight on, or it turns back.
    const double x2 = v1.x + dx1, y2 = v1.y - dy1;
    if ((CrossProduct(v0.x, v0.y, v1.x, v1.y, x2, y2) < 0.0) == (CrossProduct(v1.x, v1.y, v2.x, v2.y, x2, y2) < 0.0)) {
      out.Add({v1.x + dx1, v1.y - dy1});
      limitExceeded = false;
    }
  }
  if (!limitExceeded) return;

  switch (join) {
    case JoinMiterRevert:
      out.Add({v1.x + dx1, v1.y - dy1});
      out.Add({v1.x + dx2, v1.y - dy2});
      break;
    case JoinMiterRound:
      CalcArc(out, v1.x, v1.y, dx1, -dy1, dx2, -dy2);
      break;
    default:
      if (intersectionFailed) {
        const double m = limit * m_widthSign;
        out.Add({v1.x + dx1 + dy1 * m, v1.y - dy1 + dx1 * m});
        out.Add({v1.x + dx2 - dy2 * m, v1.y - dy2 - dx2 * m});
      } else {
        const double x1 = v1.x + dx1, y1 = v1.y - dy1;
        const double x2 = v1.x + dx2, y2 = v1.y - dy2;
        const double k = (lim - dbevel) / (di - dbevel);
        out.Add({x1 + (xi - x1) * k, y1 + (yi - y1) * k});
        out.Add({x2 + (xi - x2) * k, y2 + (yi - y2) * k});
      }
      break;
  }
}

void StrokeMath::CalcCap(PointBlockList<PointD>& out, const VertexDist& v0, const VertexDist& v1, double len) const {
  out.Clear();
  const double dx1 = (v1.y - v0.y) / len * m_width;
  const double dy1 = (v1.x - v0.x) / len * m_width;
  if (m_lineCap != CapRound) {
    double dx2 = 0, dy2 = 0;
    if (m_lineCap == CapSquare) {
      dx2 = dy1 * m_widthSign;
      dy2 = dx1 * m_widthSign;
    }
    out.Add({v0.x - dx1 - dx2, v0.y + dy1 - dy2});
    out.Add({v0.x + dx1 - dx2, v0.y - dy1 - dy2});
    return;
  }
  double da = ArcStep();
  const int n = ArcPointCount(kPi / da);
  da = kPi / (n + 1);
  out.Add({v0.x - dx1, v0.y + dy1});
  if (m_widthSign > 0) {
    double a1 = std::atan2(dy1, -dx1) + da;
    for (int i = 0; i < n; ++i, a1 += da) out.Add({v0.x + std::cos(a1) * m_width, v0.y + std::sin(a1) * m_width});
  } else {
    double a1 = std::atan2(-dy1, dx1) - da;
    for (int i = 0; i < n; ++i, a1 -= da) out.Add({v0.x + std::cos(a1) * m_width, v0.y + std::sin(a1) * m_width});
  }
  out.Add({v0.x + dx1, v0.y - dy1});
}

void StrokeMath::CalcJoin(PointBlockList<PointD>& out, const VertexDist& v0, const VertexDist& v1, const VertexDist& v2,
                          double len1, double len2) const {
  const double dx1 = m_width * (v1.y - v0.y) / len1;
  const double dy1 = m_width * (v1.x - v0.x) / len1;
  const double dx2 = m_width * (v2.y - v1.y) / len2;
  const double dy2 = m_width * (v2.x - v1.x) / len2;
  out.Clear();

  const double cp = CrossProduct(v0.x, v0.y, v1.x, v1.y, v2.x, v2.y);
  if (cp != 0 && (cp > 0) == (m_width > 0)) {
    // Inner side of the corner.
    double limit = (len1 < len2 ? len1 : len2) / m_widthAbs;
    if (limit < m_innerMiterLimit) limit = m_innerMiterLimit;
    CalcMiter(out, v0, v1, v2, dx1, dy1, dx2, dy2, JoinMiterRevert, limit, 0);
    return;
  }

  const double mx = (dx1 + dx2) / 2, my = (dy1 + dy2) / 2;
  const double dbevel = std::sqrt(mx * mx + my * my);
  if (m_lineJoin == JoinRound || m_lineJoin == JoinBevel) {
    // A practically straight corner gets one point instead of a tiny arc.
    if (m_approximationScale * (m_widthAbs - dbevel) < m_widthEps) {
      double x, y;
      if (Intersection(v0.x + dx1, v0.y - dy1, v1.x + dx1, v1.y - dy1, v1.x + dx2, v1.y - dy2, v2.x + dx2, v2.y - dy2,
                       &x, &y))
        out.Add({x, y});
      else
        out.Add({v1.x + dx1, v1.y - dy1});
      return;
    }
  }
  switch (m_lineJoin) {
    case JoinMiter:
    case JoinMiterRevert:
    case JoinMiterRound:
      CalcMiter(out, v0, v1, v2, dx1, dy1, dx2, dy2, m_lineJoin, m_miterLimit, dbevel);
      break;
    case JoinRound:
      CalcArc(out, v1.x, v1.y, dx1, -dy1, dx2, -dy2);
      break;
    default:
      out.Add({v1.x + dx1, v1.y - dy1});
      out.Add({v1.x + dx2, v1.y - dy2});
      break;
  }
}
