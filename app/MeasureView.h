// The main view: the skinned window "MainFrame" that fills the frame, with
// the tool palette (skin child 1) and the work area (skin child 2).
#pragma once

#include "panels/ToolPalette.h"
#include "panels/WorkArea.h"
#include "toolkit/SkinWindow.h"

class COrvelMeasureView : public AvlfWindowImpl<COrvelMeasureView> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);

  CWndTool m_wndTool;
  CWndProcess m_wndProcess;
};
