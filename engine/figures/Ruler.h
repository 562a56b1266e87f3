// The calibration ruler: a bracket with two draggable ends, measured in
// calibrated units and labelled above its middle. It lives in window pixels:
// panning or zooming the picture leaves its ends where they are and only
// changes its value. Dragging it never records undo.
#pragma once

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

class CDTRuler : public CDTDraw {
 public:
  CDTRuler();
  ~CDTRuler() override;

  int Draw() override;
  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  int OnResetDevice() override;
  int OnFontFaceChanged() override;
  void OnVertexMoved(int index) override;
  void MoveBy(float dx, float dy) override;
  // The ends stay where they are on the screen; only the value changes.
  void Reposition(float, float, BOOL) override { Measure(); }
  void Measure() override;
  void OnLineColorChanged() override;

  // Turns the ruler to the direction of the stored ends (fractions of the
  // picture size) with the length that keeps its calibrated value under newScale.
  void TurnTo(double oldScale, double newScale, const double ends[4]);
  // Distance between the two ends in picture pixels.
  double PixelLength() const;

  IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
  PointF m_tickFirst{};
  PointF m_tickSecond{};
  double m_dValue = 0.0;

 private:
  void BuildBracket();
  void WriteBracket();
  void PlaceLabelAbove();
};
