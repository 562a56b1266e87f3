#pragma once

#include "engine/geometry/Graphic.h"
#include "engine/geometry/PointBlockList.h"
#include "engine/geometry/StrokeMath.h"

// Points of one sub-path, each with its distance to the next; coincident
// neighbours are merged as they are added.
class VertexDistSequence {
 public:
  unsigned Size() const { return m_points.Size(); }
  void Clear() { m_points.Clear(); }
  void Add(double x, double y);
  void ModifyLast(double x, double y);
  void RemoveLast() { m_points.RemoveLast(); }
  // Merges coincident neighbours at the end (and the closing point when closed)
  // and computes the remaining distances.
  void Close(bool closed);
  VertexDist& operator[](unsigned i) { return m_points[i]; }
  const VertexDist& operator[](unsigned i) const { return m_points[i]; }

 private:
  static bool Measure(VertexDist& from, const VertexDist& to);
  PointBlockList<VertexDist> m_points;
};

// Outline of a stroke around each sub-path of a flattened source: caps at open
// ends, joins at corners, outer and inner contour of closed sub-paths.
class StrokeGenerator : public PGraphic {
 public:
  StrokeGenerator(PGraphic* source, double width, int lineCap, int lineJoin);
  StrokeGenerator() : StrokeGenerator(nullptr, 0.0, CapButt, JoinMiter) {}
  // A new source and pen; the point lists keep their storage.
  void Init(PGraphic* source, double width, int lineCap, int lineJoin);
  void Rewind() override;
  PathCommand Vertex(double* x, double* y) override;

 private:
  enum Status {
    Initial,
    Accumulate,
    Ready,
    Cap1,
    Cap2,
    Outline1,
    CloseFirst,
    Outline2,
    OutVertices,
    EndPoly1,
    EndPoly2,
    Stop
  };

  void ReadSubPath();
  void PrepareSubPath();
  PathCommand GenerateVertex(double* x, double* y);
  const VertexDist& Prev(unsigned i) const {
    return m_sourcePoints[(i + m_sourcePoints.Size() - 1) % m_sourcePoints.Size()];
  }
  const VertexDist& Curr(unsigned i) const { return m_sourcePoints[i]; }
  const VertexDist& Next(unsigned i) const { return m_sourcePoints[(i + 1) % m_sourcePoints.Size()]; }

  PGraphic* m_source;
  StrokeMath m_math;
  VertexDistSequence m_sourcePoints;
  PointBlockList<PointD> m_outPoints;
  bool m_closed = false;
  Status m_status = Initial;       // of the reader over the source
  Status m_outlineStatus = Ready;  // of the outline of the current sub-path
  Status m_previousStatus = Ready;
  unsigned m_sourceIndex = 0;
  unsigned m_outIndex = 0;
  PathCommand m_lastCommand = CmdStop;
  double m_startX = 0, m_startY = 0;
};
