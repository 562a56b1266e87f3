// The status strip and its cells. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

#include "engine/MeasureObserver.h"

class CDTImage;

class CWndStatus {
 public:
  explicit CWndStatus(const wchar_t* name) : m_pszName(name) {}
  void ShowImageSize(CDTImage* document);
  void ShowCursorPosition(const CursorPosition* position, CDTImage* document);
  void ShowFrameRate(float rate);
  const wchar_t* m_pszName;
};

// The status strip: its cursor, size and frame-rate cells.
class CWndHorizontalRuler {
 public:
  CWndStatus m_wndCursor{L"cursor"};
  CWndStatus m_wndSize{L"size"};
  CWndStatus m_wndFrameRate{L"rate"};
};

extern CWndHorizontalRuler* g_pWndHorizontalRuler;
