#include "app/ShellStandIns.h"

#include <cstdarg>
#include <cwchar>

#include "app/MainFrame.h"
#include "app/StartupTimes.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"

CWndMeasure* g_pWndMeasure = nullptr;
CWndProperties* g_pWndProperties = nullptr;
CWndTool* g_pWndTool = nullptr;
CWndHorizontalRuler* g_pWndHorizontalRuler = nullptr;
CWndImages* g_pWndImageList = nullptr;

std::vector<std::wstring>& StandInCalls() {
  static std::vector<std::wstring> calls;
  return calls;
}

void StandInCall(const wchar_t* format, ...) {
  wchar_t text[256];
  va_list args;
  va_start(args, format);
  std::vswprintf(text, 256, format, args);
  va_end(args);
  StandInCalls().emplace_back(text);
}

CProjectManager::CProjectManager() : m_pLiveDocument(new CDTImage) {}
CProjectManager::~CProjectManager() { delete m_pLiveDocument; }
CDirectUI* CProjectManager::GetCanvas() const { return g_pDirectUI; }
void CProjectManager::CloseAll() { StandInCall(L"CProjectManager::CloseAll"); }

void CRecentImages::Start() { StandInCall(L"CRecentImages::Start"); }
void CRecentImages::Stop() { StandInCall(L"CRecentImages::Stop"); }

INT_PTR CAboutDlg::DoModal(HWND) {
  StandInCall(L"CAboutDlg::DoModal");
  return IDOK;
}
bool CDlgOptions::s_bNextNeedsRestart = false;
INT_PTR CDlgOptions::DoModal(HWND) {
  StandInCall(L"CDlgOptions::DoModal");
  return IDOK;
}

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

void CWndProperties::SetFigure(CDTElement* figure) { StandInCall(L"CWndProperties::SetFigure(%p)", figure); }
void CWndProperties::ShowPanel(int id) {
  StandInCall(L"CWndProperties::ShowPanel(%d)", id);
  m_nPanelId = id;
}
void CWndProperties::SetDocument(CDTImage* document) { StandInCall(L"CWndProperties::SetDocument(%p)", document); }
void CWndProperties::RefreshValues(int vertex) { StandInCall(L"CWndProperties::RefreshValues(%d)", vertex); }
void CWndProperties::RefreshZoom(CDTImage* document) { StandInCall(L"CWndProperties::RefreshZoom(%p)", document); }
void CWndProperties::RefreshStyle(CDTImage* document) { StandInCall(L"CWndProperties::RefreshStyle(%p)", document); }

void CWndSettingsZoomStandIn::SetDuration(LONGLONG duration) {
  StandInCall(L"CWndSettingsZoom::SetDuration(%lld)", static_cast<long long>(duration));
}
void CWndSettingsZoomStandIn::SetPos(int percent) { StandInCall(L"CWndSettingsZoom::SetPos(%d)", percent); }
void CWndSettingsZoomStandIn::RefreshZoom() { StandInCall(L"CWndSettingsZoom::RefreshZoom"); }

void CWndStatus::ShowImageSize(CDTImage* document) {
  StandInCall(L"CWndStatus::ShowImageSize(%ls,%p)", m_pszName, document);
}
void CWndStatus::ShowCursorPosition(const CursorPosition* position, CDTImage* document) {
  StandInCall(L"CWndStatus::ShowCursorPosition(%ls,%p,%p)", m_pszName, position, document);
}
void CWndStatus::ShowFrameRate(float rate) {
  StandInCall(L"CWndStatus::ShowFrameRate(%ls,%g)", m_pszName, static_cast<double>(rate));
}

void CWndCamera::SetCurrentDocument(CDTImage* document) {
  StandInCall(L"CWndCamera::SetCurrentDocument(%p)", document);
}
void CWndCamera::OnCaptureState(int state) { StandInCall(L"CWndCamera::OnCaptureState(%d)", state); }
void CWndCamera::SetCurrentCamera(COrvelCamera* camera) { StandInCall(L"CWndCamera::SetCurrentCamera(%p)", camera); }
void CWndCamera::AddCamera(COrvelCamera* camera) { StandInCall(L"CWndCamera::AddCamera(%p)", camera); }
void CWndCamera::RemoveCamera(COrvelCamera* camera) { StandInCall(L"CWndCamera::RemoveCamera(%p)", camera); }
void CWndCamera::EnableSnapshotButton(BOOL enable) { StandInCall(L"CWndCamera::EnableSnapshotButton(%d)", enable); }

void CWndImages::FuseCheckedImages() { StandInCall(L"CWndImages::FuseCheckedImages"); }

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
  if (!g_pWndSettingsZoom) g_pWndSettingsZoom = &m_wndSettingsZoom;
}

CWndProcess::~CWndProcess() {
  if (g_pDirectUI == m_pCanvas) g_pDirectUI = nullptr;
  if (m_pCanvas->m_hWnd && ::IsWindow(m_pCanvas->m_hWnd)) m_pCanvas->DestroyWindow();
  delete m_pCanvas;
  if (g_pWndMeasure == &m_wndMeasure) g_pWndMeasure = nullptr;
  if (g_pWndProperties == &m_wndProperties) g_pWndProperties = nullptr;
  if (g_pWndHorizontalRuler == &m_wndRuler) g_pWndHorizontalRuler = nullptr;
  if (g_pWndImageList == &m_wndImages) g_pWndImageList = nullptr;
  if (g_pWndSettingsZoom == &m_wndSettingsZoom) g_pWndSettingsZoom = nullptr;
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

// Commands of the capture, file, slide-show and update parts of the shell.
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
int CMainFrame::OpenFile(const wchar_t* path) {
  StandInCall(L"CMainFrame::OpenFile(%ls)", path);
  return 0;
}
void CMainFrame::OnFileOpen() { StandInCall(L"CMainFrame::OnFileOpen"); }
void CMainFrame::OnFileSave() { StandInCall(L"CMainFrame::OnFileSave"); }
void CMainFrame::OnFileSaveAs() { StandInCall(L"CMainFrame::OnFileSaveAs"); }
void CMainFrame::OnMeasureLoadRuler() { StandInCall(L"CMainFrame::OnMeasureLoadRuler"); }
void CMainFrame::OnMeasureSaveRuler() { StandInCall(L"CMainFrame::OnMeasureSaveRuler"); }
void CMainFrame::OnMeasureLoad() { StandInCall(L"CMainFrame::OnMeasureLoad"); }
void CMainFrame::OnMeasureSave() { StandInCall(L"CMainFrame::OnMeasureSave"); }
