#include "panels/Bars.h"

#include "app/StandInCalls.h"

CWndHorizontalRuler* g_pWndHorizontalRuler = nullptr;

void CWndStatus::ShowImageSize(CDTImage* document) {
  StandInCall(L"CWndStatus::ShowImageSize(%ls,%p)", m_pszName, document);
}
void CWndStatus::ShowCursorPosition(const CursorPosition* position, CDTImage* document) {
  StandInCall(L"CWndStatus::ShowCursorPosition(%ls,%p,%p)", m_pszName, position, document);
}
void CWndStatus::ShowFrameRate(float rate) {
  StandInCall(L"CWndStatus::ShowFrameRate(%ls,%g)", m_pszName, static_cast<double>(rate));
}
