#include "panels/WorkArea.h"

#include "settings/Configuration.h"

namespace {

constexpr int kSidePaneWidth = 260;
constexpr int kSplitterWidth = 12;
constexpr int kStripHeight = 25;
constexpr int kPropertyHeight = 230;
constexpr int kGroupHeader = 18;

}  // namespace

win32::CWndClassInfo& CWndSettings::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndSettings", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CWndSettings::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  AttachSkinChild(this, m_wndCamera, 1);
  AttachSkinChild(this, m_wndMeasure, 2);
  AttachSkinChild(this, m_wndProperties, 3);
  GetClientRect(&m_rcClient);
  return 0;
}

LRESULT CWndSettings::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  m_rcClient.right = static_cast<short>(LOWORD(lParam));
  m_rcClient.bottom = static_cast<short>(HIWORD(lParam));
  Layout();
  return 0;
}

LRESULT CWndSettings::OnCameraHeader(WORD, WORD, HWND, BOOL&) {
  m_wndCamera.SetCollapsed(!m_wndCamera.m_bCollapsed);
  Layout();
  return 0;
}

// The property host keeps the bottom 230 pixels; the list takes what lies
// between it and the camera panel, 4 pixels from each. No minimum: a low
// pane gives the list no height.
void CWndSettings::Layout() {
  const int width = m_rcClient.right, height = m_rcClient.bottom;
  if (!m_children.empty() && width > 0 && height > 0) CreateBackBuffer(width, height);
  const int camera = m_wndCamera.m_bCollapsed ? kGroupHeader : m_wndCamera.m_nHeight;
  if (m_wndCamera.m_hWnd) ::MoveWindow(m_wndCamera.m_hWnd, 0, 0, width, camera, TRUE);
  if (m_wndMeasure.m_hWnd)
    ::MoveWindow(m_wndMeasure.m_hWnd, 0, camera + 4, width, height - camera - kPropertyHeight - 8, TRUE);
  if (m_wndProperties.m_hWnd)
    ::MoveWindow(m_wndProperties.m_hWnd, 0, height - kPropertyHeight, width, kPropertyHeight, TRUE);
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

win32::CWndClassInfo& CWndDetail::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndDetail", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CWndDetail::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  AttachSkinChild(this, m_wndImageList, 100);
  return 0;
}

win32::CWndClassInfo& CWndProcess::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndProcess", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

// The first work area publishes its panels; one that is made while it
// lives (a second start's frame) leaves them alone.
CWndProcess::CWndProcess() {
  if (!g_pWndMeasure) g_pWndMeasure = &m_wndMeasure;
  if (!g_pWndProperties) g_pWndProperties = &m_wndProperties;
  if (!g_pWndImageList) g_pWndImageList = &m_wndImages;
  m_wndProperties.HostPanel(m_wndSettingsZoom, PANEL_ZOOM);
  m_wndProperties.HostPanel(m_wndSettingsClipart, PANEL_CLIPART);
  m_wndProperties.HostPanel(m_wndSettingsGeneral, PANEL_GENERAL);
  m_wndProperties.HostPanel(m_wndSettingsMagnifier, PANEL_MAGNIFIER);
  m_wndProperties.HostPanel(m_wndSettingsText, PANEL_TEXT);
  m_wndProperties.HostPanel(m_wndSettingsVertex, PANEL_VERTEX);
  m_figurePanels.HostIn(m_wndProperties);
  m_wndProperties.HostPanel(m_wndSettingsRuler, PANEL_RULER);
}

CWndProcess::~CWndProcess() {
  if (g_pWndMeasure == &m_wndMeasure) g_pWndMeasure = nullptr;
  if (g_pWndProperties == &m_wndProperties) g_pWndProperties = nullptr;
  if (g_pWndImageList == &m_wndImages) g_pWndImageList = nullptr;
}

// A member whose skin child cannot be taken over stays without a window;
// the remaining steps still run.
LRESULT CWndProcess::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  AttachSkinChild(this, m_wndRender, 1);
  m_wndSplitter.m_bHorizontal = FALSE;
  AttachSkinChild(this, m_wndSplitter, 2);
  AttachSkinChild(this, m_wndSettings, 3);
  AttachSkinChild(this, m_wndRuler, 4);
  AttachSkinChild(this, m_wndDetail, 5);
  GetClientRect(&m_rcClient);
  Layout();
  if (g_Config.m_ShowPicutres == 0 && m_bShowDetail) {
    m_bShowDetail = FALSE;
    if (m_wndRuler.m_hWnd) ::SendMessageW(m_wndRuler.m_hWnd, WM_RULER_SETSTATE, 0, 0);
    Layout();
  }
  if (g_Config.m_ShowProperties == 0 && m_bShowSettings) {
    m_bShowSettings = FALSE;
    if (m_wndSplitter.m_hWnd) ::SendMessageW(m_wndSplitter.m_hWnd, WM_RULER_SETSTATE, 0, 0);
    Layout();
  }
  return 0;
}

LRESULT CWndProcess::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam)), height = static_cast<short>(HIWORD(lParam));
  m_rcClient = RECT{0, 0, width, height};
  if (width > 0 && height > 0) Layout();
  return 0;
}

LRESULT CWndProcess::OnToggleSettings(WORD, WORD, HWND, BOOL&) {
  g_Config.m_ShowProperties = m_bShowSettings ? 0 : 1;
  m_bShowSettings = !m_bShowSettings;
  if (m_wndSplitter.m_hWnd) ::SendMessageW(m_wndSplitter.m_hWnd, WM_RULER_SETSTATE, m_bShowSettings ? 1 : 0, 0);
  Layout();
  return 0;
}

LRESULT CWndProcess::OnToggleDetail(WORD, WORD, HWND, BOOL&) {
  g_Config.m_ShowPicutres = m_bShowDetail ? 0 : 1;
  m_bShowDetail = !m_bShowDetail;
  if (m_wndRuler.m_hWnd) ::SendMessageW(m_wndRuler.m_hWnd, WM_RULER_SETSTATE, m_bShowDetail ? 1 : 0, 0);
  Layout();
  return 0;
}

// Fixed geometry; a hidden pane keeps its last place and size.
void CWndProcess::Layout() {
  const int width = m_rcClient.right - m_rcClient.left, height = m_rcClient.bottom - m_rcClient.top;
  CreateBackBuffer(width, height);
  const int cw = m_bShowSettings ? width - kSidePaneWidth - kSplitterWidth - 8 : width - kSplitterWidth - 8;
  const int ch = m_bShowDetail ? height - 72 : height - kStripHeight;
  HDWP batch = ::BeginDeferWindowPos(5);
  auto place = [&](HWND window, int x, int y, int w, int h, UINT flags) {
    if (batch && window) batch = ::DeferWindowPos(batch, window, nullptr, x, y, w, h, flags);
  };
  constexpr UINT kHide = SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE;
  place(m_wndRender.m_hWnd, 8, 0, cw, ch, 0);
  place(m_wndSplitter.m_hWnd, cw + 8, 0, kSplitterWidth, ch, 0);
  if (m_bShowSettings)
    place(m_wndSettings.m_hWnd, cw + 20, 0, width - cw - 20, height - 8, SWP_SHOWWINDOW);
  else
    place(m_wndSettings.m_hWnd, 0, 0, 0, 0, kHide);
  place(m_wndRuler.m_hWnd, 4, ch, m_bShowSettings ? width - 276 : width - 16, kStripHeight, 0);
  if (m_bShowDetail)
    place(m_wndDetail.m_hWnd, 8, ch + kStripHeight, cw, height - ch - kStripHeight, SWP_SHOWWINDOW);
  else
    place(m_wndDetail.m_hWnd, 0, 0, 0, 0, kHide);
  if (batch) ::EndDeferWindowPos(batch);
}
