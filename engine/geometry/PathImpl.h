#pragma once

#include "Path.h"
#include "PathBuilder.h"
#include "Tessellator.h"

class PPathImpl : public PPath {
public:
  PPathImpl() = default;

  void Rewind() override { m_builder.Rewind(); }
  PathCommand Vertex(double* x, double* y) override { return m_builder.Vertex(x, y); }

  unsigned StartNewPath() override { return m_builder.StartNewPath(); }
  void MoveTo(double x, double y) override { m_builder.MoveTo(x, y); }
  void LineTo(double x, double y) override { m_builder.LineTo(x, y); }
  void ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, double x, double y) override {
    m_builder.ArcTo(rx, ry, angle, largeArc, sweep, x, y);
  }
  void SmoothCurve3To(double x, double y) override { m_builder.SmoothCurve3To(x, y); }
  void Curve3To(double cx, double cy, double x, double y) override { m_builder.Curve3To(cx, cy, x, y); }
  void SmoothCurve4To(double c2x, double c2y, double x, double y) override {
    m_builder.SmoothCurve4To(c2x, c2y, x, y);
  }
  void Curve4To(double c1x, double c1y, double c2x, double c2y, double x, double y) override {
    m_builder.Curve4To(c1x, c1y, c2x, c2y, x, y);
  }
  void JoinPath(PGraphic* source) override { m_builder.JoinPath(source); }
  void ClosePolygon() override { m_builder.ClosePolygon(); }
  void StrokeToTriangles() override;
  int GetTriangleCount() override { return m_tessellator.TriangleCount(); }
  Triangle* GetTriangle(int index) override { return m_tessellator.GetTriangle(index); }
  void SetWidth(int pixels) override { m_width = pixels; }
  void SetLineCap(int cap) override { m_lineCap = cap; }
  void SetLineJoin(int join) override { m_lineJoin = join; }

  const VertexBlockStorage& Vertices() const { return m_builder.Vertices(); }

private:
  PathBuilder m_builder;
  TriangleTessellator m_tessellator;
  int m_width = 5;
  int m_lineCap = CapRound;
  int m_lineJoin = JoinRound;
};

class PPolygonImpl : public PPolygon {
public:
  PPolygonImpl() = default;

  void Rewind() override { m_builder.Rewind(); }
  PathCommand Vertex(double* x, double* y) override { return m_builder.Vertex(x, y); }

  unsigned StartNewPath() override { return m_builder.StartNewPath(); }
  void MoveTo(double x, double y) override { m_builder.MoveTo(x, y); }
  void LineTo(double x, double y) override { m_builder.LineTo(x, y); }
  void ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, double x, double y) override {
    m_builder.ArcTo(rx, ry, angle, largeArc, sweep, x, y);
  }
  void SmoothCurve3To(double x, double y) override { m_builder.SmoothCurve3To(x, y); }
  void Curve3To(double cx, double cy, double x, double y) override { m_builder.Curve3To(cx, cy, x, y); }
  void SmoothCurve4To(double c2x, double c2y, double x, double y) override {
    m_builder.SmoothCurve4To(c2x, c2y, x, y);
  }
  void Curve4To(double c1x, double c1y, double c2x, double c2y, double x, double y) override {
    m_builder.Curve4To(c1x, c1y, c2x, c2y, x, y);
  }
  void JoinPathFirst(PGraphic* source) override { m_builder.JoinPath(source); }
  void JoinPath(PGraphic* source) override { m_builder.JoinPath(source); }
  void ClosePolygon() override { m_builder.ClosePolygon(); }
  void FillToTriangles() override;
  void SetLineCap(int cap) override { m_lineCap = cap; }
  void SetLineJoin(int join) override { m_lineJoin = join; }
  int GetTriangleCount() override { return m_tessellator.TriangleCount(); }
  Triangle* GetTriangle(int index) override { return m_tessellator.GetTriangle(index); }

private:
  int m_lineCap = CapRound;
  int m_lineJoin = JoinRound;
  PathBuilder m_builder;
  TriangleTessellator m_tessellator;
};
