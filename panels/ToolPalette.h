// The tool palette. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include "toolkit/SkinWindow.h"

// The tool palette: a skinned strip down the left.
class CWndTool : public AvlfWindowImpl<CWndTool> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndTool();
  ~CWndTool() override;
  void ToggleMagnifier();
  void SetHistogram(BOOL show);
  void ResetToSelect(BOOL notify);
};

extern CWndTool* g_pWndTool;
