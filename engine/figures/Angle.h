// The angle figures: three points (arm end, apex, arm end) or two separate
// segments, measured in degrees with an arc of 48 window pixels marking the
// angle. The complement flag, settled while the figure is drawn and saved
// with it, picks the angle or its complement to 360 degrees.
#pragma once

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

// The clockwise turn (as seen, y down) from a to b in degrees, 0 to below
// 360; 0 when either has no length.
double DirectedAngle(double ax, double ay, double bx, double by);

// A piece drawn as a thin strip or stroked triangles.
struct AngleStroke {
  IDirect3DVertexBuffer9* buffer = nullptr;
  int triangles = 0;
  int vertices = 0;
};

class CDTAngleBase : public CDTDraw {
 public:
  explicit CDTAngleBase(size_t points) : m_nPoints(points) {}
  CDTAngleBase(POINT point, size_t points);
  ~CDTAngleBase() override;

  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  int OnLButtonDown(UINT flags, const POINT* point) override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  void OnVertexMoved(int index) override;
  void Reposition(float dx, float dy, BOOL zoomChanged) override;
  void Measure() override;
  void BuildHandles() override;
  void FormatValue(wchar_t* buffer, int length) override;
  void SetVertices(const std::vector<PointF>& points) override;
  void OnLineCapChanged() override { OnPenWeightChanged(); }
  void GetStoredExtra(FigureExtra* extra) const override;
  void SetStoredExtra(const FigureExtra& extra) override;

  // The raw angle of four points (picture pixels or window pixels).
  virtual double RawAngle(const PointF* p) const = 0;
  virtual void BuildGeometry() = 0;

  double m_dAngle = 0.0;
  double m_dRawAngle = 0.0;
  IDirect3DVertexBuffer9* m_pArcBuffer = nullptr;
  int m_nArcVertexCount = 0;
  std::vector<PointF> m_arcPoints;
  bool m_bComplement = false;

 protected:
  void HandlePoints(PointF* out) const;
  void BuildArc(PointF centre, double startDegrees, double endDegrees, bool increasing);
  void BuildStroke(const PointF* points, int count, AngleStroke* stroke);
  void DrawStroke(const AngleStroke& stroke, int stripLines) const;
  void DrawArcAndHandles(bool label);
  void ComputeAngle();
  void ReleaseStroke(AngleStroke* stroke);
  const size_t m_nPoints;
};

class CDTAngle : public CDTAngleBase {
 public:
  CDTAngle() : CDTAngleBase(3) { m_nType = DRAW_ANGLE; }
  explicit CDTAngle(POINT point) : CDTAngleBase(point, 3) { m_nType = DRAW_ANGLE; }
  ~CDTAngle() override;

  int Draw() override;
  int ReleaseDeviceObjects() override;
  void MoveBy(float dx, float dy) override;
  void OnLineColorChanged() override;
  void OnPenWeightChanged() override;
  double RawAngle(const PointF* p) const override;
  void BuildGeometry() override;

  AngleStroke m_line;  // the two arms
};

class CDTAnglePt4 : public CDTAngleBase {
 public:
  CDTAnglePt4() : CDTAngleBase(4) { m_nType = DRAW_ANGLE_PT4; }
  explicit CDTAnglePt4(POINT point) : CDTAngleBase(point, 4) { m_nType = DRAW_ANGLE_PT4; }
  ~CDTAnglePt4() override;

  int Draw() override;
  int ReleaseDeviceObjects() override;
  void MoveBy(float dx, float dy) override;
  void OnLineColorChanged() override;
  void OnPenWeightChanged() override;
  double RawAngle(const PointF* p) const override;
  void BuildGeometry() override;

  AngleStroke m_first;
  AngleStroke m_second;
};
