// What the canvas tells its host: figures added, selected, removed and
// changed, the active document, size, zoom, cursor, region, tool resets,
// visibility, locks and the undo history. Called on the canvas thread only.
#pragma once

#include <windows.h>

class CDTElement;
class CDTImage;

// The cursor in calibrated units and in picture pixels.
struct CursorPosition {
  float valueX;
  float valueY;
  float pixelX;
  float pixelY;
};
static_assert(sizeof(CursorPosition) == 16, "four floats");

class CDirectUIMeasureObserver {
 public:
  virtual void OnFigureAdded(CDTElement* figure) = 0;
  virtual void OnFigureSelected(CDTElement* figure) = 0;
  virtual void OnFigureRemoved(CDTElement*) {}
  virtual void OnActiveImageChanged(CDTImage*) {}
  virtual void OnImageResized() {}
  virtual void OnCursorMoved(const CursorPosition*, CDTImage*) {}
  virtual void OnFigureChanged(CDTElement*, int /*vertex*/) {}
  virtual void OnZoomChanged(CDTImage*) {}
  virtual void OnRegionChanged(BOOL /*active*/) {}
  virtual void OnEmptyClick() {}
  virtual void OnToolReset(int /*tool*/) {}
  virtual void OnFigureVisibilityChanged(CDTElement*, BOOL /*visible*/) {}
  virtual void OnFigureLockChanged(CDTElement*, BOOL /*locked*/) {}
  virtual void OnHistoryChanged(CDTImage*) {}
  virtual void OnHistoryRestored(CDTImage*) {}

 protected:
  // The canvas never deletes its observer.
  ~CDirectUIMeasureObserver() = default;
};
