#include "app/AboutDlg.h"

#include "app/StandInCalls.h"

INT_PTR CAboutDlg::DoModal(HWND) {
  StandInCall(L"CAboutDlg::DoModal");
  return IDOK;
}
