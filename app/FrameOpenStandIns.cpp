// The frame's opening of files until its own code arrives.
#include "app/MainFrame.h"
#include "app/StandInCalls.h"

int CMainFrame::OpenFile(const wchar_t* path) {
  StandInCall(L"CMainFrame::OpenFile(%ls)", path);
  return 0;
}
void CMainFrame::OnFileOpen() { StandInCall(L"CMainFrame::OnFileOpen"); }
