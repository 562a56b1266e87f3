// The Options dialog. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

class CDlgOptions {
 public:
  INT_PTR DoModal(HWND parent);
  bool NeedsRestart() const { return m_bNeedsRestart || s_bNextNeedsRestart; }
  bool m_bNeedsRestart = false;
  static bool s_bNextNeedsRestart;  // test seam
};
