#include "panels/MeasureList.h"

#include "app/StandInCalls.h"

CWndMeasure* g_pWndMeasure = nullptr;

void CWndMeasure::OnFigureAdded(CDTElement* figure) { StandInCall(L"CWndMeasure::OnFigureAdded(%p)", figure); }
void CWndMeasure::SelectFigure(CDTElement* figure) { StandInCall(L"CWndMeasure::SelectFigure(%p)", figure); }
void CWndMeasure::OnFigureRemoved(CDTElement* figure) { StandInCall(L"CWndMeasure::OnFigureRemoved(%p)", figure); }
void CWndMeasure::SetDocument(CDTImage* document) { StandInCall(L"CWndMeasure::SetDocument(%p)", document); }
void CWndMeasure::RefreshFigureText(CDTElement* figure) { StandInCall(L"CWndMeasure::RefreshFigureText(%p)", figure); }
void CWndMeasure::SetFigureVisible(CDTElement* figure, BOOL visible) {
  StandInCall(L"CWndMeasure::SetFigureVisible(%p,%d)", figure, visible);
}
void CWndMeasure::SetFigureLocked(CDTElement* figure, BOOL locked) {
  StandInCall(L"CWndMeasure::SetFigureLocked(%p,%d)", figure, locked);
}
void CWndMeasure::UpdateUndoRedo(BOOL refresh) { StandInCall(L"CWndMeasure::UpdateUndoRedo(%d)", refresh); }
void CWndMeasure::Undo() { StandInCall(L"CWndMeasure::Undo"); }
void CWndMeasure::Redo() { StandInCall(L"CWndMeasure::Redo"); }
void CWndMeasure::RemoveAll() { StandInCall(L"CWndMeasure::RemoveAll"); }
