// The circle through three points, drawn thin, stroked or filled with a
// cross at its centre; it measures radius, area and perimeter. Points in a
// line give the circle on the diagonal of their bounding box.
#pragma once

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

class CDTCircle : public CDTDraw {
 public:
  CDTCircle();
  explicit CDTCircle(POINT point);
  ~CDTCircle() override;

  int Draw() override;
  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  int OnLButtonDown(UINT flags, const POINT* point) override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  void UpdateBounds() override;
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

  // Centre and radius from the three handles, then the outline.
  void BuildCircle();

  IDirect3DVertexBuffer9* m_pOutlineBuffer = nullptr;
  IDirect3DVertexBuffer9* m_pCentreBuffer = nullptr;
  int m_nPrimitives = 0;
  int m_nVertexCount = 0;
  int m_nBufferCapacity = 0;  // vertices the outline buffer holds room for
  float m_fCenterX = 0.0f;
  float m_fCenterY = 0.0f;
  float m_fRadius = 2.0f;
  double m_dArea = 0.0;
  double m_dRadius = 0.0;
  double m_dPerimeter = 0.0;

 private:
  void ComputeCircle();
  void BuildOutline();
  void WriteCentreMark();
  void ComputeValues();
  void ValueText();
  void ProposeThirdPoint();
};
