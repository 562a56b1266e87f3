#include "panels/WorkArea.h"

#include "app/MainFrame.h"
#include "app/StartupTimes.h"
#include "engine/DirectUI.h"

win32::CWndClassInfo& CWndProcess::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndProcess", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

// The first work area publishes its panels; one that is made while it
// lives (a second start's frame) leaves them alone.
CWndProcess::CWndProcess() : m_pCanvas(new CDirectUI) {
  if (!g_pWndMeasure) g_pWndMeasure = &m_wndMeasure;
  if (!g_pWndProperties) g_pWndProperties = &m_wndProperties;
  if (!g_pWndHorizontalRuler) g_pWndHorizontalRuler = &m_wndRuler;
  if (!g_pWndImageList) g_pWndImageList = &m_wndImages;
}

CWndProcess::~CWndProcess() {
  if (g_pDirectUI == m_pCanvas) g_pDirectUI = nullptr;
  if (m_pCanvas->m_hWnd && ::IsWindow(m_pCanvas->m_hWnd)) m_pCanvas->DestroyWindow();
  delete m_pCanvas;
  if (g_pWndMeasure == &m_wndMeasure) g_pWndMeasure = nullptr;
  if (g_pWndProperties == &m_wndProperties) g_pWndProperties = nullptr;
  if (g_pWndHorizontalRuler == &m_wndRuler) g_pWndHorizontalRuler = nullptr;
  if (g_pWndImageList == &m_wndImages) g_pWndImageList = nullptr;
}

LRESULT CWndProcess::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  // The canvas host's part: the canvas over the whole work area, reporting
  // to the frame.
  MarkStartup(StartupCanvasBegin);
  g_pDirectUI = m_pCanvas;
  m_pCanvas->m_pObserver = g_pMainFrame;
  m_pCanvas->Create(nullptr, m_hWnd, GetTopLevelParent());
  RECT rc{};
  GetClientRect(&rc);
  if (m_pCanvas->m_hWnd) ::MoveWindow(m_pCanvas->m_hWnd, 0, 0, rc.right, rc.bottom, FALSE);
  return 0;
}

LRESULT CWndProcess::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  if (m_pCanvas->m_hWnd)
    ::MoveWindow(m_pCanvas->m_hWnd, 0, 0, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), TRUE);
  handled = FALSE;
  return 0;
}
