#include "panels/ImagePanel.h"

#include "app/StandInCalls.h"

CWndSettingsZoomStandIn* g_pWndSettingsZoom = nullptr;

CWndSettingsZoomStandIn::CWndSettingsZoomStandIn() {
  if (!g_pVideoPanelSink) g_pVideoPanelSink = this;
}
CWndSettingsZoomStandIn::~CWndSettingsZoomStandIn() {
  if (g_pVideoPanelSink == this) g_pVideoPanelSink = nullptr;
}
void CWndSettingsZoomStandIn::SetDuration(LONGLONG duration) {
  StandInCall(L"CWndSettingsZoom::SetDuration(%lld)", static_cast<long long>(duration));
}
void CWndSettingsZoomStandIn::SetPos(int percent) { StandInCall(L"CWndSettingsZoom::SetPos(%d)", percent); }
void CWndSettingsZoomStandIn::RefreshZoom() { StandInCall(L"CWndSettingsZoom::RefreshZoom"); }
