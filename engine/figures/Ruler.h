// Placeholder for the calibration ruler: two ends in window pixels, measured
// in picture pixels, turned to a stored direction. Draws nothing yet; the
// real ruler with its bracket and label replaces it.
#pragma once

#include "engine/figures/Draw.h"

class CDTRuler : public CDTDraw {
 public:
  CDTRuler() { m_nType = DRAW_RULER; }

  int Draw() override { return 0; }
  int CreateDeviceObjects() override;
  // The ends stay where they are on the screen; only the value changes.
  void Reposition(float, float, BOOL) override { Measure(); }
  void Measure() override;

  // Turns the ruler to the direction of the stored ends (fractions of the
  // picture size) with the length that keeps its calibrated value under newScale.
  void TurnTo(double oldScale, double newScale, const double ends[4]);
  // Distance between the two ends in picture pixels.
  double PixelLength() const;

  double m_dValue = 0.0;
};
