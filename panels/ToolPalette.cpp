#include "panels/ToolPalette.h"

#include "app/StandInCalls.h"

CWndTool* g_pWndTool = nullptr;

win32::CWndClassInfo& CWndTool::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndTool", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}
CWndTool::CWndTool() {
  if (!g_pWndTool) g_pWndTool = this;
}
CWndTool::~CWndTool() {
  if (g_pWndTool == this) g_pWndTool = nullptr;
}
void CWndTool::ToggleMagnifier() { StandInCall(L"CWndTool::ToggleMagnifier"); }
void CWndTool::SetHistogram(BOOL show) { StandInCall(L"CWndTool::SetHistogram(%d)", show); }
void CWndTool::ResetToSelect(BOOL notify) { StandInCall(L"CWndTool::ResetToSelect(%d)", notify); }
