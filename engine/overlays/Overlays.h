// Placeholders for the grid, cross-hair, magnifier, histogram and info-line
// overlays: the settings the canvas commands store, nothing drawn yet. Each
// is replaced by its real overlay.
#pragma once

#include <windows.h>

#include <string>

class CDTGrid {
 public:
  int m_bShow = 0;
  int m_nWeight = 50;
  DWORD m_clrLine = 0x80FFFFFF;
  DWORD m_clrLine2 = 0x80FFFFFF;
};

class CDTCross {
 public:
  int m_bShow = 0;
  DWORD m_clrLine = 0xFFFF0000;
  int m_bTrack = 0;
  int m_bInWindow = 0;
  POINT m_pt{};
};

class CDTMagnifier {
 public:
  int m_bShow = 0;
  int m_nWeight = 2;
  int m_nDisplay = 128;
  int m_bMouse = 1;
  POINT m_pt{};
};

class CHistogram {
 public:
  int m_bShow = 0;
  int m_nFrames = 0;  // frames handed over, for the overlay's counting
};

class CDTInfoLine {
 public:
  int m_bShown = 0;  // shows the text of the document it was switched on for
  const void* m_pDocument = nullptr;
  std::wstring m_strText;
};
