#pragma once

#include "engine/geometry/Graphic.h"
#include "engine/geometry/LineStyle.h"

// Outline and area objects that the figures build in window pixels and turn
// into triangle lists for Direct3D.

struct TessVertex {
  double x;
  double y;
  double z;
};

struct Triangle {
  TessVertex* A;
  TessVertex* B;
  TessVertex* C;
};

// A line to be stroked with a width, caps and joins.
class PPath : public PGraphic {
 public:
  virtual unsigned StartNewPath() = 0;
  virtual void MoveTo(double x, double y) = 0;
  virtual void LineTo(double x, double y) = 0;
  virtual void ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, double x, double y) = 0;
  virtual void SmoothCurve3To(double x, double y) = 0;
  virtual void Curve3To(double cx, double cy, double x, double y) = 0;
  virtual void SmoothCurve4To(double c2x, double c2y, double x, double y) = 0;
  virtual void Curve4To(double c1x, double c1y, double c2x, double c2y, double x, double y) = 0;
  virtual void Reserved1(int, int, int) {}
  virtual void Reserved2(int, int, int, int) {}
  virtual void JoinPath(PGraphic* source) = 0;
  virtual void ClosePolygon() = 0;
  virtual void StrokeToTriangles() = 0;
  virtual int GetTriangleCount() = 0;
  virtual Triangle* GetTriangle(int index) = 0;
  virtual void SetWidth(int pixels) = 0;
  virtual void SetLineCap(int cap) = 0;
  virtual void SetLineJoin(int join) = 0;
};

// An area to be filled (odd winding rule).
class PPolygon : public PGraphic {
 public:
  virtual unsigned StartNewPath() = 0;
  virtual void MoveTo(double x, double y) = 0;
  virtual void LineTo(double x, double y) = 0;
  virtual void ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, double x, double y) = 0;
  virtual void SmoothCurve3To(double x, double y) = 0;
  virtual void Curve3To(double cx, double cy, double x, double y) = 0;
  virtual void SmoothCurve4To(double c2x, double c2y, double x, double y) = 0;
  virtual void Curve4To(double c1x, double c1y, double c2x, double c2y, double x, double y) = 0;
  virtual void JoinPathFirst(PGraphic* source) = 0;
  virtual void JoinPath(PGraphic* source) = 0;
  virtual void ClosePolygon() = 0;
  virtual void FillToTriangles() = 0;
  virtual void SetLineCap(int cap) = 0;
  virtual void SetLineJoin(int join) = 0;
  virtual int GetTriangleCount() = 0;
  virtual Triangle* GetTriangle(int index) = 0;
};

PPath* CreatePath();
void ReleasePath(PPath* path);
PPolygon* CreatePolygon();
void ReleasePolygon(PPolygon* polygon);
