// The frame's capture, slide-show and update commands until their own code
// arrives.
#include "app/MainFrame.h"
#include "app/StandInCalls.h"

void CMainFrame::StartCapture() { StandInCall(L"CMainFrame::StartCapture"); }
void CMainFrame::PauseCapture() { StandInCall(L"CMainFrame::PauseCapture"); }
int CMainFrame::StopCapture() {
  StandInCall(L"CMainFrame::StopCapture");
  return 0;
}
void CMainFrame::StartRecording() { StandInCall(L"CMainFrame::StartRecording"); }
void CMainFrame::TakeSnapshot() { StandInCall(L"CMainFrame::TakeSnapshot"); }
LRESULT CMainFrame::OnCaptureStopped(WPARAM, LPARAM) {
  StandInCall(L"CMainFrame::OnCaptureStopped");
  return 0;
}
LRESULT CMainFrame::OnUpdateAvailable(WPARAM, LPARAM) {
  StandInCall(L"CMainFrame::OnUpdateAvailable");
  return 0;
}
void CMainFrame::RunSlideShow(BOOL burn) { StandInCall(L"CMainFrame::RunSlideShow(%d)", burn); }
