// The parallel-lines figure: two points, the segment between them and
// through each a bar of 96 window pixels across the segment. It measures
// the segment's length, the distance between the bars.
#pragma once

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

class CDTDistance : public CDTDraw {
 public:
  CDTDistance();
  explicit CDTDistance(POINT point);
  ~CDTDistance() override;

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
  // The ends of the bars through a and b: bars[0]-bars[1] through a,
  // bars[2]-bars[3] through b, each 48 pixels either side.
  static void Bars(PointF a, PointF b, PointF bars[4]);

  IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
  int m_nTriangles = 0;
  int m_nVertexCount = 0;
  double m_dDistance = 0.0;
  PointF m_bars[4]{};

 private:
  void ComputeDistance();
  void Rebuild();
};
