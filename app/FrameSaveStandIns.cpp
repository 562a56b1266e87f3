// The frame's saving, ruler and measurement-file commands until their own
// code arrives.
#include "app/MainFrame.h"
#include "app/StandInCalls.h"

void CMainFrame::OnFileSave() { StandInCall(L"CMainFrame::OnFileSave"); }
void CMainFrame::OnFileSaveAs() { StandInCall(L"CMainFrame::OnFileSaveAs"); }
void CMainFrame::OnMeasureLoadRuler() { StandInCall(L"CMainFrame::OnMeasureLoadRuler"); }
void CMainFrame::OnMeasureSaveRuler() { StandInCall(L"CMainFrame::OnMeasureSaveRuler"); }
void CMainFrame::OnMeasureLoad() { StandInCall(L"CMainFrame::OnMeasureLoad"); }
void CMainFrame::OnMeasureSave() { StandInCall(L"CMainFrame::OnMeasureSave"); }
