// The region rectangle of the region tool: on/off state, the drag in
// progress, its drawing; the rectangle itself lives in each document.
#pragma once

#include <windows.h>

#include "engine/Types.h"

class CDirectUI;
class CDTImage;

class CDTDragRectangle {
 public:
  void SetActive(BOOL on);
  // With a point and start: a drag begins there; with a point and not start:
  // it ends there; without a point the dragging flag becomes start.
  void Track(BOOL start, const POINT* point);
  // Stores the rectangle from anchor to point, in picture pixels, as the active document's region.
  void DragTo(const POINT* point);
  int Draw(CDTImage* document);
  // The document's region, normalised; TRUE only while the rectangle is on and
  // the region is large enough and overlaps the picture. out is zeroed first.
  BOOL GetRegion(const CDTImage* document, RECT* out) const;

  CDirectUI* m_pCanvas = nullptr;
  int m_bActive = 0;
  int m_nAnchorX = 0;
  int m_nAnchorY = 0;
  int m_nCurrentX = 0;
  int m_nCurrentY = 0;
  int m_bDragging = 0;
  ColorVertex m_vertices[9]{};
};
