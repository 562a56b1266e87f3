// The rectangle figure: the axis-aligned box spanned by two diagonal corner
// handles, measured as width, height and area. Solid it is a filled box,
// otherwise a thin or stroked outline; a small cross marks its centre.
#pragma once

#include "engine/figures/CornerBox.h"
#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

class CDTRectangle : public CDTDraw {
 public:
  CDTRectangle();
  // A rectangle being dragged out: all four corners at the press (window pixels).
  explicit CDTRectangle(POINT point);
  ~CDTRectangle() override;

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

  IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
  corner_box::CentreCross m_cross;
  int m_nTriangles = 0;
  int m_nVertexCount = 0;
  int m_nBufferCapacity = 0;  // vertices the buffer holds room for
  double m_dArea = 0.0;
  double m_dWidth = 0.0;
  double m_dHeight = 0.0;
  float m_fCenterX = 0.0f;
  float m_fCenterY = 0.0f;

 private:
  void ComputeValues();
  void Rebuild();
};
