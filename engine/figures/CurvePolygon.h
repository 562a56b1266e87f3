// The curve polygon figure: points clicked as for a polygon; once finished the
// closed smooth spline through them, measured as the area its fill covers and
// the length of the loop.
#pragma once

#include <vector>

#include "engine/figures/ClickedOutline.h"

class CDTCurvePolygon : public CDTClickedOutline {
 public:
  CDTCurvePolygon();
  explicit CDTCurvePolygon(POINT point);

  int Draw() override;
  void BuildGeometry() override;

  double m_dArea = 0.0;
  double m_dPerimeter = 0.0;

 protected:
  void ComputeValues() override;

 private:
  std::vector<PointF> m_points;  // reused spline input
  std::vector<double> m_samples;
};
