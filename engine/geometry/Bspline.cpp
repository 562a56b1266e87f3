#include "engine/geometry/Bspline.h"

#include <vector>

void SplineInterpolator::Init(int capacity) {
  if (capacity > 2 && capacity > m_capacity) {
    delete[] m_storage;
    m_storage = new double[3 * static_cast<size_t>(capacity)]();
    m_capacity = capacity;
  }
  m_count = 0;
  m_lastIndex = -1;
}

void SplineInterpolator::AddPoint(double x, double y) {
  if (m_count >= m_capacity) return;
  Abscissae()[m_count] = x;
  Values()[m_count] = y;
  ++m_count;
}

void SplineInterpolator::Prepare() {
  m_lastIndex = -1;
  const int n = m_count;
  if (n <= 2) return;
  const double* x = Abscissae();
  const double* y = Values();
  double* m = Derivatives();
  for (int k = 0; k < n; ++k) m[k] = 0;

  std::vector<double> work(3 * static_cast<size_t>(n), 0.0);
  double* al = work.data();
  double* r = al + n;
  double* s = al + 2 * n;
  double d = x[1] - x[0];
  double e = (y[1] - y[0]) / d;
  for (int k = 1; k < n - 1; ++k) {
    const double h = d;
    d = x[k + 1] - x[k];
    const double f = e;
    e = (y[k + 1] - y[k]) / d;
    al[k] = d / (d + h);
    r[k] = 1.0 - al[k];
    s[k] = 6.0 * (e - f) / (h + d);
  }
  for (int k = 1; k < n - 1; ++k) {
    const double p = 1.0 / (r[k] * al[k - 1] + 2.0);
    al[k] *= -p;
    s[k] = (s[k] - r[k] * s[k - 1]) * p;
  }
  m[n - 1] = 0.0;
  al[n - 2] = s[n - 2];
  m[n - 2] = al[n - 2];
  for (int k = n - 3; k >= 0; --k) {
    al[k] = al[k] * al[k + 1] + s[k];
    m[k] = al[k];
  }
}

int SplineInterpolator::FindInterval(double a) const {
  const double* x = Abscissae();
  const int n = m_count;
  if (m_lastIndex >= 0) {
    const int i = m_lastIndex;
    if (a >= x[i] && a <= x[i + 1]) return i;
    if (i + 2 < n && a >= x[i + 1] && a <= x[i + 2]) return m_lastIndex = i + 1;
    if (i > 0 && a >= x[i - 1] && a <= x[i]) return m_lastIndex = i - 1;
  }
  int lo = 0, hi = n - 1;
  while (hi - lo > 1) {
    const int mid = (lo + hi) >> 1;
    if (a < x[mid])
      hi = mid;
    else
      lo = mid;
  }
  return m_lastIndex = lo;
}

double SplineInterpolator::Value(double a) const {
  const int n = m_count;
  if (n < 3) return 0.0;
  const double* x = Abscissae();
  const double* y = Values();
  const double* m = Derivatives();
  if (a < x[0]) {
    const double d = x[1] - x[0];
    return ((y[1] - y[0]) / d - d * m[1] / 6.0) * (a - x[0]) + y[0];
  }
  if (a >= x[n - 1]) {
    const double d = x[n - 1] - x[n - 2];
    return ((y[n - 1] - y[n - 2]) / d + d * m[n - 2] / 6.0) * (a - x[n - 1]) + y[n - 1];
  }
  const int i = FindInterval(a);
  const int j = i + 1;
  const double d = x[i] - x[j];
  const double h = a - x[j];
  const double r = x[i] - a;
  const double p = d * d / 6.0;
  return (m[j] * r * r * r + m[i] * h * h * h) / 6.0 / d + ((y[j] - m[j] * p) * r + (y[i] - m[i] * p) * h) / d;
}

void PBspline::AddVertex(double x, double y, PathCommand cmd) {
  m_status = StatusInitial;
  if (cmd == CmdMoveTo) {
    m_points.RemoveLast();
    m_points.Add({x, y});
  } else if (IsVertex(cmd)) {
    m_points.Add({x, y});
  } else {
    m_closed = cmd & FlagClose;
  }
}

void PBspline::Rewind() {
  m_abscissa = 0;
  m_lastAbscissa = 0;
  m_counter = 0;
  const unsigned n = m_points.Size();
  if (m_status != StatusInitial || n <= 2) {
    // Replay the splines prepared for these points instead of an empty range.
    if (m_status != StatusInitial && n > 2) {
      m_abscissa = m_firstPrepared;
      m_lastAbscissa = m_lastPrepared;
    }
    m_status = StatusReady;
    return;
  }

  if (m_closed) {
    m_splineX.Init(int(n) + 8);
    m_splineY.Init(int(n) + 8);
    const unsigned lead[4] = {(2 * n - 4) % n, n - 3, n - 2, n - 1};
    for (unsigned i = 0; i < 4; ++i) {
      m_splineX.AddPoint(i, m_points[lead[i]].x);
      m_splineY.AddPoint(i, m_points[lead[i]].y);
    }
  } else {
    m_splineX.Init(int(n));
    m_splineY.Init(int(n));
  }
  const double offset = m_closed ? 4.0 : 0.0;
  for (unsigned i = 0; i < n; ++i) {
    m_splineX.AddPoint(i + offset, m_points[i].x);
    m_splineY.AddPoint(i + offset, m_points[i].y);
  }
  if (m_closed) {
    m_abscissa = 4.0;
    m_lastAbscissa = n + 4.0;
    for (unsigned i = 0; i < 4; ++i) {
      m_splineX.AddPoint(n + 4.0 + i, m_points[i % n].x);
      m_splineY.AddPoint(n + 4.0 + i, m_points[i % n].y);
    }
  } else {
    m_abscissa = 0.0;
    m_lastAbscissa = n - 1.0;
  }
  m_firstPrepared = m_abscissa;
  m_lastPrepared = m_lastAbscissa;
  m_splineX.Prepare();
  m_splineY.Prepare();
  m_status = StatusReady;
}

PathCommand PBspline::Vertex(double* x, double* y) {
  for (;;) {
    switch (m_status) {
      case StatusInitial:
        Rewind();
        [[fallthrough]];
      case StatusReady: {
        const unsigned n = m_points.Size();
        if (n < 2) return CmdStop;
        if (n == 2) {
          if (m_counter >= 2) return CmdStop;
          const PointD& p = m_points[m_counter++];
          *x = p.x;
          *y = p.y;
          return m_counter == 1 ? CmdMoveTo : CmdLineTo;
        }
        m_status = StatusPolygon;
        m_counter = 0;
        break;
      }
      case StatusPolygon:
        if (!(m_abscissa < m_lastAbscissa)) {
          m_status = StatusEndPoly;
          if (m_closed) break;
          const PointD& p = m_points[m_points.Size() - 1];
          *x = p.x;
          *y = p.y;
          return CmdLineTo;
        }
        *x = m_splineX.Value(m_abscissa);
        *y = m_splineY.Value(m_abscissa);
        m_abscissa += m_interpolationStep;
        return m_counter++ == 0 ? CmdMoveTo : CmdLineTo;
      case StatusEndPoly:
        m_status = StatusStop;
        return CmdEndPoly | m_closed;
      case StatusStop:
        return CmdStop;
    }
  }
}
