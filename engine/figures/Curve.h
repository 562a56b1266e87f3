// The curve figure: a smooth open curve through clicked points, measured as
// its length along the curve. Once complete a green midpoint handle sits on
// the curve between every two points; dragging one and releasing it inserts
// a point there.
#pragma once

#include <vector>

#include "engine/figures/ClickedOutline.h"

class CDTCurve : public CDTClickedOutline {
 public:
  CDTCurve();
  explicit CDTCurve(POINT point);

  int Draw() override;
  int CreateDeviceObjects() override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  void OnVertexMoved(int index) override;
  void Reposition(float dx, float dy, BOOL zoomChanged) override;
  void SetVertices(const std::vector<PointF>& points) override;
  void OnSolidChanged() override {}
  void BuildGeometry() override;

  void InsertMidpoints();
  void PlaceMidpoints();

  double m_dLength = 0.0;

 protected:
  void ComputeValues() override;
  void OnStrayPress() override { Finish(nullptr); }
  void AfterFinish() override;
  bool IsPointHandle(size_t index) const override;

 private:
  void BuildOutline(int movedHandle);

  std::vector<PointF> m_points;  // reused spline input
  std::vector<PointF> m_samples;
  std::vector<double> m_pictureSamples;  // reused by the length on every move
  // The samples' indices grouped by column of x, for finding a handle's sample.
  std::vector<unsigned> m_columnStart;
  std::vector<unsigned> m_columnSamples;
};
