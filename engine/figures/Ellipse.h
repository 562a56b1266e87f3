// The ellipse figure: the axis-aligned ellipse inscribed in the box of four
// corner handles (the rectangle's corner model). It measures both semi-axes,
// the area and the perimeter; its label shows the area.
#pragma once

#include "engine/figures/CornerBox.h"
#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

// The perimeter of an ellipse with semi-axes a and b, exact to rounding
// (arithmetic-geometric mean of the complete elliptic integral).
double EllipsePerimeter(double a, double b);

class CDTEllipse : public CDTDraw {
 public:
  CDTEllipse();
  // An ellipse being dragged out: all four corners at the press (window pixels).
  explicit CDTEllipse(POINT point);
  ~CDTEllipse() override;

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

  void ComputeCentre();
  void BuildGeometry();

  IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
  corner_box::CentreCross m_cross;
  int m_nPrimitives = 0;
  int m_nVertexCount = 0;
  int m_nBufferCapacity = 0;  // vertices the buffer holds room for
  float m_fCenterX = 0.0f;
  float m_fCenterY = 0.0f;
  float m_fRadiusX = 4.0f;
  float m_fRadiusY = 4.0f;
  double m_dArea = 0.0;
  double m_dSemiAxisX = 0.0;
  double m_dSemiAxisY = 0.0;
  double m_dPerimeter = 0.0;

 private:
  void ComputeValues();
  void FormatLabel(wchar_t* buffer, int length) const;
  void Rebuild();
};
