// The point-to-line figure: the perpendicular distance of a point (vertex 2)
// from the infinite line through vertices 0 and 1. It draws the segment and
// the perpendicular to its foot, thin or stroked with butt ends.
#pragma once

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

class CDTPoints : public CDTDraw {
 public:
  CDTPoints();
  explicit CDTPoints(POINT point);
  ~CDTPoints() override;

  int Draw() override;
  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  int OnLButtonDown(UINT flags, const POINT* point) override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  void OnVertexMoved(int index) override;
  void MoveBy(float dx, float dy) override;
  void Reposition(float dx, float dy, BOOL zoomChanged) override;
  void Measure() override;
  void BuildHandles() override;
  void FormatValue(wchar_t* buffer, int length) override;
  void SetVertices(const std::vector<PointF>& points) override;
  void OnLineColorChanged() override;
  void OnPenWeightChanged() override;
  void OnSolidChanged() override;
  void OnLineCapChanged() override;

  void BuildGeometry();
  // The foot of the perpendicular from p on the line through a and b; a
  // itself for a line of no length.
  static PointF Foot(PointF a, PointF b, PointF p);

  IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
  int m_nTriangles = 0;
  int m_nVertexCount = 0;
  double m_dDistance = 0.0;
  float m_fFootX = 0.0f;
  float m_fFootY = 0.0f;

 private:
  void ComputeDistance();
  void Rebuild();
};
