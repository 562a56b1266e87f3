// What the polygon, the curve and the curve polygon share: points clicked one
// after another, the last one following the mouse, finished by a double click
// or the right button; the drawn outline in one vertex buffer.
#pragma once

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;
class PBspline;

class CDTClickedOutline : public CDTDraw {
 public:
  CDTClickedOutline() = default;
  // Being drawn: two points at the press (window pixels), the second following the mouse.
  explicit CDTClickedOutline(POINT point);
  ~CDTClickedOutline() override;

  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  int OnLButtonDown(UINT flags, const POINT* point) override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  // Finishes a figure being drawn; a complete figure ignores it, so that the
  // right press and the right release make one finishing step.
  int OnRButton(UINT flags, const POINT* point) override;
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

  // The finishing step of a double click or the right button.
  void Finish(const POINT* point);
  virtual void BuildGeometry() = 0;

  IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
  int m_nPrimitives = 0;
  int m_nVertexCount = 0;
  int m_nBufferCapacity = 0;  // vertices the buffer holds room for

 protected:
  // The vertices are current; computes the values and the value text.
  virtual void ComputeValues() = 0;
  // A press while the vertex and handle counts differ.
  virtual void OnStrayPress() { FinishCreation(); }
  virtual void AfterFinish() {}
  // Handles the point list is made of, in order (the curve leaves out its midpoints).
  virtual bool IsPointHandle(size_t index) const;
  void FillBuffer();
  void ReleaseBuffer();
  void Rebuild();
  void ApplyValues();
  // Area text: the value, the unit and the superscript two.
  void FormatArea(double area, wchar_t* buffer, int length) const;
  // Document scale over power, the power taken as 1 near 0.
  double CalibrationFactor() const;
  void AppendPoint();
};

// Feeds clicked points to a spline, first as a move, the rest as lines.
void FeedSpline(PBspline* spline, const std::vector<PointF>& points, bool closed);
// Every vertex command's point of the spline, from its start.
void CollectSamples(PBspline* spline, std::vector<PointF>* samples);
void CollectSamples(PBspline* spline, std::vector<double>* xy);
