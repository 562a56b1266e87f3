// The polygon figure: corners clicked one after another, closed when
// finished, measured as its area (shoelace) and perimeter. Solid it is
// filled once complete; otherwise a thin or stroked outline.
#pragma once

#include "engine/figures/ClickedOutline.h"

class CDTPolygon : public CDTClickedOutline {
 public:
  CDTPolygon();
  explicit CDTPolygon(POINT point);

  int Draw() override;
  void BuildGeometry() override;

  double m_dArea = 0.0;
  double m_dPerimeter = 0.0;

 protected:
  void ComputeValues() override;
};

// Draws the outline buffer of a polygon or a curve polygon: triangles with
// anti-aliasing, or the thin line strip of `lines` lines; then label and handles.
void DrawClosedOutline(CDTClickedOutline* figure, bool triangles, int lines);
