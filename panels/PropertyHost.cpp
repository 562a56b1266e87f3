#include "panels/PropertyHost.h"

#include "app/StandInCalls.h"

CWndProperties* g_pWndProperties = nullptr;

void CWndProperties::SetFigure(CDTElement* figure) { StandInCall(L"CWndProperties::SetFigure(%p)", figure); }
void CWndProperties::ShowPanel(int id) {
  StandInCall(L"CWndProperties::ShowPanel(%d)", id);
  m_nPanelId = id;
}
void CWndProperties::SetDocument(CDTImage* document) { StandInCall(L"CWndProperties::SetDocument(%p)", document); }
void CWndProperties::RefreshValues(int vertex) { StandInCall(L"CWndProperties::RefreshValues(%d)", vertex); }
void CWndProperties::RefreshZoom(CDTImage* document) { StandInCall(L"CWndProperties::RefreshZoom(%p)", document); }
void CWndProperties::RefreshStyle(CDTImage* document) { StandInCall(L"CWndProperties::RefreshStyle(%p)", document); }
