#include "app/DlgOptions.h"

#include "app/StandInCalls.h"

bool CDlgOptions::s_bNextNeedsRestart = false;
INT_PTR CDlgOptions::DoModal(HWND) {
  StandInCall(L"CDlgOptions::DoModal");
  return IDOK;
}
