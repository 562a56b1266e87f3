#include "engine/geometry/StrokeGenerator.h"

#include <cmath>

namespace {
constexpr double kCoincidence = 1e-14;
}

bool VertexDistSequence::Measure(VertexDist& from, const VertexDist& to) {
  const double dx = to.x - from.x, dy = to.y - from.y;
  from.dist = std::sqrt(dx * dx + dy * dy);
  if (from.dist > kCoincidence) return true;
  from.dist = 1.0 / kCoincidence;
  return false;
}

void VertexDistSequence::Add(double x, double y) {
  const unsigned n = m_points.Size();
  if (n > 1 && !Measure(m_points[n - 2], m_points[n - 1])) m_points.RemoveLast();
  m_points.Add({x, y, 0.0});
}

void VertexDistSequence::ModifyLast(double x, double y) {
  m_points.RemoveLast();
  Add(x, y);
}

void VertexDistSequence::Close(bool closed) {
  while (m_points.Size() > 1) {
    const unsigned n = m_points.Size();
    if (Measure(m_points[n - 2], m_points[n - 1])) break;
    const VertexDist last = m_points[n - 1];
    m_points.RemoveLast();
    ModifyLast(last.x, last.y);
  }
  if (closed) {
    while (m_points.Size() > 1) {
      if (Measure(m_points[m_points.Size() - 1], m_points[0])) break;
      m_points.RemoveLast();
    }
  }
}

StrokeGenerator::StrokeGenerator(PGraphic* source, double width, int lineCap, int lineJoin) {
  Init(source, width, lineCap, lineJoin);
}

void StrokeGenerator::Init(PGraphic* source, double width, int lineCap, int lineJoin) {
  m_source = source;
  m_math.SetWidth(width);
  m_math.SetLineCap(lineCap);
  m_math.SetLineJoin(lineJoin);
  m_status = Initial;
}

void StrokeGenerator::Rewind() {
  if (m_source) m_source->Rewind();
  m_status = Initial;
}

// Reads the next sub-path of the source into the point sequence.
void StrokeGenerator::ReadSubPath() {
  m_sourcePoints.Clear();
  m_closed = false;
  m_sourcePoints.ModifyLast(m_startX, m_startY);
  for (;;) {
    double x, y;
    const PathCommand cmd = m_source->Vertex(&x, &y);
    if (IsVertex(cmd)) {
      m_lastCommand = cmd;
      if (cmd == CmdMoveTo) {
        m_startX = x;
        m_startY = y;
        break;
      }
      m_sourcePoints.Add(x, y);
    } else if (IsStop(cmd)) {
      m_lastCommand = CmdStop;
      break;
    } else if (IsEndPoly(cmd)) {
      m_closed = (cmd & FlagClose) != 0;
      break;
    }
  }
}

void StrokeGenerator::PrepareSubPath() {
  m_sourcePoints.Close(m_closed);
  if (m_sourcePoints.Size() < 3) m_closed = false;
  m_outlineStatus = Ready;
  m_sourceIndex = 0;
  m_outIndex = 0;
}

PathCommand StrokeGenerator::Vertex(double* x, double* y) {
  if (!m_source) return CmdStop;
  for (;;) {
    switch (m_status) {
      case Initial:
        m_lastCommand = m_source->Vertex(&m_startX, &m_startY);
        m_status = Accumulate;
        [[fallthrough]];
      case Accumulate:
        if (IsStop(m_lastCommand)) return CmdStop;
        ReadSubPath();
        PrepareSubPath();
        m_status = Ready;
        [[fallthrough]];
      default: {
        const PathCommand cmd = GenerateVertex(x, y);
        if (!IsStop(cmd)) return cmd;
        m_status = Accumulate;
        break;
      }
    }
  }
}

// Next outline point of the current sub-path, CmdStop after its last one.
PathCommand StrokeGenerator::GenerateVertex(double* x, double* y) {
  PathCommand cmd = CmdLineTo;
  const unsigned n = m_sourcePoints.Size();
  for (;;) {
    switch (m_outlineStatus) {
      case Ready:
        if (n < 2u + (m_closed ? 1u : 0u)) return CmdStop;
        m_outlineStatus = m_closed ? Outline1 : Cap1;
        cmd = CmdMoveTo;
        m_sourceIndex = 0;
        m_outIndex = 0;
        break;
      case Cap1:
        m_math.CalcCap(m_outPoints, m_sourcePoints[0], m_sourcePoints[1], m_sourcePoints[0].dist);
        m_sourceIndex = 1;
        m_previousStatus = Outline1;
        m_outlineStatus = OutVertices;
        m_outIndex = 0;
        break;
      case Cap2:
        m_math.CalcCap(m_outPoints, m_sourcePoints[n - 1], m_sourcePoints[n - 2], m_sourcePoints[n - 2].dist);
        m_previousStatus = Outline2;
        m_outlineStatus = OutVertices;
        m_outIndex = 0;
        break;
      case Outline1:
        if (m_closed) {
          if (m_sourceIndex >= n) {
            m_previousStatus = CloseFirst;
            m_outlineStatus = EndPoly1;
            break;
          }
        } else if (m_sourceIndex >= n - 1) {
          m_outlineStatus = Cap2;
          break;
        }
        m_math.CalcJoin(m_outPoints, Prev(m_sourceIndex), Curr(m_sourceIndex), Next(m_sourceIndex),
                        Prev(m_sourceIndex).dist, Curr(m_sourceIndex).dist);
        ++m_sourceIndex;
        m_previousStatus = Outline1;
        m_outlineStatus = OutVertices;
        m_outIndex = 0;
        break;
      case CloseFirst:
        m_outlineStatus = Outline2;
        cmd = CmdMoveTo;
        [[fallthrough]];
      case Outline2:
        if (m_sourceIndex <= (m_closed ? 0u : 1u)) {
          m_outlineStatus = EndPoly2;
          m_previousStatus = Stop;
          break;
        }
        --m_sourceIndex;
        m_math.CalcJoin(m_outPoints, Next(m_sourceIndex), Curr(m_sourceIndex), Prev(m_sourceIndex),
                        Curr(m_sourceIndex).dist, Prev(m_sourceIndex).dist);
        m_previousStatus = Outline2;
        m_outlineStatus = OutVertices;
        m_outIndex = 0;
        break;
      case OutVertices:
        if (m_outIndex >= m_outPoints.Size()) {
          m_outlineStatus = m_previousStatus;
        } else {
          const PointD& p = m_outPoints[m_outIndex++];
          *x = p.x;
          *y = p.y;
          return cmd;
        }
        break;
      case EndPoly1:
        m_outlineStatus = m_previousStatus;
        return CmdEndPoly | FlagClose | FlagCcw;
      case EndPoly2:
        m_outlineStatus = m_previousStatus;
        return CmdEndPoly | FlagClose | FlagCw;
      default:
        return CmdStop;
    }
  }
}
