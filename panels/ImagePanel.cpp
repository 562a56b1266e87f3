#include "panels/ImagePanel.h"

#include <cwchar>

#include "app/MainFrame.h"
#include "capture/CameraFactory.h"
#include "capture/Camera.h"
#include "capture/ProjectVideo.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "toolkit/SkinUi.h"
#include "toolkit/Slider.h"
#include "toolkit/Static.h"

CWndSettingsZoom* g_pWndSettingsZoom = nullptr;

namespace {

// A text control's window text and skin text, laid out again.
void SetControlText(AvlfWindowBase* control, const wchar_t* text) {
  if (!control) return;
  control->m_strText = text;
  if (auto* label = dynamic_cast<AvlfStatic*>(control)) label->m_bLayoutValid = false;
  if (control->m_hWnd) ::SetWindowTextW(control->m_hWnd, text);
}

void ShowControl(AvlfWindowBase* control, int show) {
  if (control && control->m_hWnd) ::ShowWindow(control->m_hWnd, show);
}

}  // namespace

void FormatVideoDuration(LONGLONG duration, wchar_t (&hours)[5], wchar_t (&minutes)[5], wchar_t (&seconds)[5],
                         wchar_t (&text)[32]) {
  // A length the graph could not tell comes back negative: show none.
  const LONGLONG s = duration > 0 ? duration / 10000000 : 0;
  const LONGLONG sec = s % 60;
  const LONGLONG min = ((s - sec) % 3600) / 60;
  const LONGLONG hour = (s - sec - 60 * min) / 3600;
  swprintf(seconds, 5, sec <= 9 ? L"0%d" : L"%d", static_cast<int>(sec));
  swprintf(minutes, 5, min <= 9 ? L"0%d" : L"%d", static_cast<int>(min));
  swprintf(hours, 5, L"%d", hour <= 99 ? static_cast<int>(hour) : 0);
  swprintf(text, 32, L"%ls:%ls:%ls", hours, minutes, seconds);
}

std::wstring ExtractFileTitle(const wchar_t* path) {
  if (!path) return std::wstring();
  std::wstring title = path;
  const size_t slash = title.find_last_of(L'\\');
  if (slash != std::wstring::npos) title.erase(0, slash + 1);
  const size_t dot = title.find_last_of(L'.');
  if (dot != std::wstring::npos) title.erase(dot);
  return title;
}

win32::CWndClassInfo& CWndSettingsZoom::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndSettingsZoom", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndSettingsZoom::CWndSettingsZoom() {
  g_pWndSettingsZoom = this;
  g_pVideoPanelSink = this;
}

CWndSettingsZoom::~CWndSettingsZoom() {
  // A video playing on would report to a panel that is gone.
  if (g_pWndSettingsZoom == this) g_pWndSettingsZoom = nullptr;
  if (g_pVideoPanelSink == this) g_pVideoPanelSink = nullptr;
}

LRESULT CWndSettingsZoom::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  // Its own key: the figure names' "Circle" would title the panel wrongly.
  m_pCaption = static_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(L"ImageViewCaption", 5));
  m_pPlay = FindChildByCommandId(kPlay);
  m_pPause = FindChildByCommandId(kPause);
  m_pZoomItem = FindChildByCommandId(kZoomItem);
  m_pZoomText = FindChildByCommandId(kZoomText);
  m_pZoomSlider = dynamic_cast<AvlfSlider*>(FindChildByCommandId(kZoomSlider));
  m_pVideoItem = FindChildByCommandId(kVideoItem);
  m_pDurationText = FindChildByCommandId(kDurationText);
  m_pPositionSlider = dynamic_cast<AvlfSlider*>(FindChildByCommandId(kPositionSlider));
  if (m_pZoomSlider && m_pZoomSlider->m_hWnd) {
    m_pZoomSlider->SetRange(20, 1500);
    m_pZoomSlider->SetPos(100);
  }
  if (m_pPositionSlider && m_pPositionSlider->m_hWnd) {
    m_pPositionSlider->SetRange(0, 100);
    m_pPositionSlider->SetPos(0);
  }
  return 0;
}

const wchar_t* CWndSettingsZoom::GetCaption() {
  if (!m_strTitle.empty()) return m_strTitle.c_str();
  return m_pCaption ? m_pCaption->GetText() : nullptr;
}

CProject* CWndSettingsZoom::HeldProject() const {
  return m_pDocument ? static_cast<CProject*>(m_pDocument->m_pProject) : nullptr;
}

void CWndSettingsZoom::ShowZoomText(float factor) {
  swprintf(m_szZoom, 32, L"%.2f x", static_cast<double>(factor));
  SetControlText(m_pZoomText, m_szZoom);
}

void CWndSettingsZoom::ShowZoom() {
  if (!m_pDocument || !m_pZoomSlider) return;
  const float factor = m_pDocument->m_fZoom;
  if (m_pZoomSlider->m_hWnd) m_pZoomSlider->SetPos(static_cast<int>(factor * 100.0));
  ShowZoomText(factor);
}

void CWndSettingsZoom::RefreshZoom() { ShowZoom(); }

void CWndSettingsZoom::RefreshZoomFor(CDTImage* doc) {
  if (!doc || doc == m_pDocument) ShowZoom();
}

void CWndSettingsZoom::ShowVideoGroup(int show) {
  for (AvlfWindowBase* control :
       {m_pVideoItem, m_pDurationText, static_cast<AvlfWindowBase*>(m_pPositionSlider), m_pPlay, m_pPause})
    ShowControl(control, show);
}

void CWndSettingsZoom::ShowZoomGroup(int show) {
  for (AvlfWindowBase* control : {m_pZoomItem, m_pZoomText, static_cast<AvlfWindowBase*>(m_pZoomSlider)})
    ShowControl(control, show);
}

void CWndSettingsZoom::SetDocument(CDTImage* doc) {
  if (doc == m_pDocument) return;
  bool zoomShown = true;
  if (!doc) {
    // No document: nothing to name, nothing to play.
    m_strTitle.clear();
  } else {
    const wchar_t* name = doc->m_pszName;
    if (!name) return;
    if (wcscmp(name, kLiveDocumentName) == 0) {
      COrvelCamera* camera = g_pCameraFactory ? g_pCameraFactory->GetCurrentCamera() : nullptr;
      if (camera && camera->GetName()) {
        m_strTitle = camera->GetName();
      } else {
        m_strTitle.clear();
        zoomShown = false;
      }
    } else {
      m_strTitle = ExtractFileTitle(name);
    }
  }
  m_pDocument = doc;
  ShowZoom();
  CProject* project = HeldProject();
  if (project && project->m_bVideo) {
    SetDuration(static_cast<CProjectVideo*>(project)->m_nDuration);
    ShowVideoGroup(SW_SHOW);
  } else {
    ShowVideoGroup(SW_HIDE);
  }
  ShowZoomGroup(zoomShown ? SW_SHOW : SW_HIDE);
}

void CWndSettingsZoom::SetDuration(LONGLONG duration) {
  FormatVideoDuration(duration, m_szHours, m_szMinutes, m_szSeconds, m_szDuration);
  if (m_szDuration[0]) SetControlText(m_pDurationText, m_szDuration);
}

void CWndSettingsZoom::SetPos(int percent) {
  if (m_pPositionSlider && m_pPositionSlider->m_hWnd) m_pPositionSlider->SetPos(percent);
}

LRESULT CWndSettingsZoom::OnPlay(WORD, WORD, HWND, BOOL&) {
  CProject* project = HeldProject();
  if (!project) return 0;
  CDTImage* document = project->m_pDocument;
  if (document && (document->m_nHeight <= 0 || document->m_nWidth <= 0)) {
    const RECT bounds{0, 0, 640, 480};
    document->Create(g_pDirectUI, nullptr, project->m_pszPath, &bounds);
  }
  if (project->m_bVideo && document && document->m_nHeight > 0 && document->m_nWidth > 0)
    static_cast<CProjectVideo*>(project)->Play();
  return 0;
}

LRESULT CWndSettingsZoom::OnPause(WORD, WORD, HWND, BOOL&) {
  CProject* project = HeldProject();
  if (project && project->m_bVideo) static_cast<CProjectVideo*>(project)->Pause();
  return 0;
}

LRESULT CWndSettingsZoom::OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (!m_pDocument) return 0;
  const HWND from = reinterpret_cast<HWND>(lParam);
  const int code = LOWORD(wParam);
  CProject* project = HeldProject();
  if (m_pPositionSlider && from == m_pPositionSlider->m_hWnd && code == SB_THUMBPOSITION && project &&
      project->m_bVideo)
    static_cast<CProjectVideo*>(project)->SeekPercent(HIWORD(wParam));
  if (m_pZoomSlider && from == m_pZoomSlider->m_hWnd &&
      (code == SB_THUMBPOSITION || code == SB_THUMBTRACK || code == SB_ENDSCROLL)) {
    const float factor = static_cast<float>(HIWORD(wParam)) / 100.0f;
    m_pDocument->SetZoomMode(2, factor);
    ShowZoomText(factor);
  }
  return 0;
}
