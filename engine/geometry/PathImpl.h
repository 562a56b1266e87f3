#pragma once

#include <cstddef>

#include "engine/geometry/Path.h"
#include "engine/geometry/PathBuilder.h"
#include "engine/geometry/StrokeGenerator.h"
#include "engine/geometry/Tessellator.h"

// The path-building and triangle-reading operations that the outline and the
// area share. Shape holds the builder and the tessellator itself, so that each
// keeps its own order of fields.
template <class Interface, class Shape>
class PBuiltShape : public Interface {
 public:
  void Rewind() override { Builder().Rewind(); }
  PathCommand Vertex(double* x, double* y) override { return Builder().Vertex(x, y); }

  unsigned StartNewPath() override { return Builder().StartNewPath(); }
  void MoveTo(double x, double y) override { Builder().MoveTo(x, y); }
  void LineTo(double x, double y) override { Builder().LineTo(x, y); }
  void ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, double x, double y) override {
    Builder().ArcTo(rx, ry, angle, largeArc, sweep, x, y);
  }
  void SmoothCurve3To(double x, double y) override { Builder().SmoothCurve3To(x, y); }
  void Curve3To(double cx, double cy, double x, double y) override { Builder().Curve3To(cx, cy, x, y); }
  void SmoothCurve4To(double c2x, double c2y, double x, double y) override { Builder().SmoothCurve4To(c2x, c2y, x, y); }
  void Curve4To(double c1x, double c1y, double c2x, double c2y, double x, double y) override {
    Builder().Curve4To(c1x, c1y, c2x, c2y, x, y);
  }
  void JoinPath(PGraphic* source) override { Builder().JoinPath(source); }
  void ClosePolygon() override { Builder().ClosePolygon(); }
  int GetTriangleCount() override { return Self().m_tessellator.TriangleCount(); }
  Triangle* GetTriangle(int index) override { return Self().m_tessellator.GetTriangle(index); }
  void SetLineCap(int cap) override { Self().m_lineCap = cap; }
  void SetLineJoin(int join) override { Self().m_lineJoin = join; }

 private:
  Shape& Self() { return static_cast<Shape&>(*this); }
  PathBuilder& Builder() { return Self().m_builder; }
};

class PPathImpl : public PBuiltShape<PPath, PPathImpl> {
 public:
  PPathImpl() = default;

  void StrokeToTriangles() override;
  void SetWidth(int pixels) override { m_width = pixels; }
  // Back to a new path's state, keeping the storage for the next one.
  void Reset();
  // Points held: builder and tessellator.
  std::size_t Footprint() const { return m_builder.Vertices().Total() + m_tessellator.VertexCount(); }

  const VertexBlockStorage& Vertices() const { return m_builder.Vertices(); }

 private:
  friend class PBuiltShape<PPath, PPathImpl>;
  PathBuilder m_builder;
  TriangleTessellator m_tessellator;
  StrokeGenerator m_stroke;
  int m_width = 5;
  int m_lineCap = CapRound;
  int m_lineJoin = JoinRound;
};

class PPolygonImpl : public PBuiltShape<PPolygon, PPolygonImpl> {
 public:
  PPolygonImpl() = default;

  void JoinPathFirst(PGraphic* source) override { m_builder.JoinPath(source); }
  void FillToTriangles() override;
  void Reset();
  std::size_t Footprint() const { return m_builder.Vertices().Total() + m_tessellator.VertexCount(); }

 private:
  friend class PBuiltShape<PPolygon, PPolygonImpl>;
  int m_lineCap = CapRound;
  int m_lineJoin = JoinRound;
  PathBuilder m_builder;
  TriangleTessellator m_tessellator;
};
