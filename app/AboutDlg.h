// The About dialog. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

class CAboutDlg {
 public:
  INT_PTR DoModal(HWND parent);
};
