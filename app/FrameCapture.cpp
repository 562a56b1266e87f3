// The frame's capture and update commands, and the cameras' way into the frame.
#include "app/FrameCapture.h"

#include "app/MainFrame.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "panels/ThumbnailStrip.h"
#include "toolkit/SkinUi.h"

CFrameCapture::CFrameCapture(CMainFrame* frame, CCameraFactory* factory) : m_Commands(factory, this), m_pFrame(frame) {}

CFrameCapture::~CFrameCapture() { Uninstall(); }

void CFrameCapture::Install() { SetCaptureShell(this); }

void CFrameCapture::Uninstall() {
  // Only while still the one installed: a later frame's stays.
  if (GetCaptureShell() == this) SetCaptureShell(nullptr);
}

int CFrameCapture::OpenFile(const wchar_t* path) { return m_pFrame->OpenFile(path); }

int CFrameCapture::ImageStripCount() { return g_pWndImageList ? g_pWndImageList->GetCount() : 0; }

void CFrameCapture::SelectImageStripItem(int index) {
  if (g_pWndImageList) g_pWndImageList->SelectItem(index);
}

void CFrameCapture::ActivateLiveDocument() {
  CDirectUI* canvas = m_pFrame->m_ProjectManager.GetCanvas();
  if (canvas && m_pFrame->m_pLiveDocument) canvas->SetActiveImage(m_pFrame->m_pLiveDocument, TRUE);
}

void CFrameCapture::DisableRecordButton() {}

void CFrameCapture::SaveCameraSnapshot(COrvelCamera* camera, const void* pixels) {
  m_Commands.SaveCameraSnapshot(camera, pixels);
}

void CFrameCapture::SaveStillSnapshot(COrvelCamera* camera, int width, int height, const void* pixels) {
  m_Commands.SaveStillSnapshot(camera, width, height, pixels);
}

void CFrameCapture::ShowFrameRate(float fps) {
  if (g_pWndHorizontalRuler) g_pWndHorizontalRuler->m_wndFrameRate.ShowFrameRate(fps);
}

void CFrameCapture::ShowInfoLine(int line) {
  if (m_pFrame->m_pLiveDocument) m_pFrame->m_pLiveDocument->ShowInfoLine(line);
}

void CFrameCapture::HideInfoLine(int line) {
  if (m_pFrame->m_pLiveDocument) m_pFrame->m_pLiveDocument->HideInfoLine(line);
}

bool CFrameCapture::LookupText(const wchar_t* key, std::wstring& text) {
  const auto* element = static_cast<const AvlfUiElementText*>(GetSkinUi()->FindElement(key, AVLF_UI_TEXT));
  if (!element) return false;
  text = element->GetText();
  return true;
}

void CMainFrame::StartCapture() { m_Capture.m_Commands.StartCapture(); }

void CMainFrame::PauseCapture() { m_Capture.m_Commands.PauseCapture(); }

int CMainFrame::StopCapture() {
  m_Capture.m_Commands.StopCapture();
  return 0;
}

void CMainFrame::RestartCapture() { m_Capture.m_Commands.RestartCapture(); }

void CMainFrame::StartRecording() { m_Capture.m_Commands.StartRecording(); }

void CMainFrame::TakeSnapshot() { m_Capture.m_Commands.TakeSnapshot(); }

LRESULT CMainFrame::OnCaptureStopped(WPARAM, LPARAM) { return m_Capture.m_Commands.OnCaptureStopped(); }

LRESULT CMainFrame::OnUpdateAvailable(WPARAM, LPARAM) { return GetUpdateObject()->AskDownload(m_hWnd); }
