// The canvas's and the cameras' events, passed on to the panels.
#include "app/MainFrame.h"
#include "capture/Camera.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "settings/RegisteredMessages.h"

void CMainFrame::OnFigureAdded(CDTElement* figure) { m_view.m_wndProcess.m_wndMeasure.OnFigureAdded(figure); }

void CMainFrame::OnFigureSelected(CDTElement* figure) {
  m_view.m_wndProcess.m_wndMeasure.SelectFigure(figure);
  if (g_pWndProperties) g_pWndProperties->SetFigure(figure);
}

void CMainFrame::OnFigureRemoved(CDTElement* figure) {
  m_view.m_wndProcess.m_wndMeasure.OnFigureRemoved(figure);
  // A figure panel shown for the removed figure gives way to the panel of
  // the current tool.
  if (!g_pWndProperties) return;
  const int panel = g_pWndProperties->m_nPanelId;
  if (panel < PanelFirstFigure || panel > PanelLastFigure) return;
  const CDirectUI* canvas = m_ProjectManager.GetCanvas();
  if (!canvas) return;
  switch (canvas->m_nTool) {
    case DRAW_RULER:
      g_pWndProperties->ShowPanel(PanelRuler);
      break;
    case DRAW_SELECT:
      g_pWndProperties->ShowPanel(PanelGeneral);
      break;
    case DRAW_PAN:
      g_pWndProperties->ShowPanel(PanelImage);
      break;
    default:
      break;
  }
}

void CMainFrame::OnActiveImageChanged(CDTImage* document) {
  m_view.m_wndProcess.m_wndMeasure.SetDocument(document);
  m_view.m_wndProcess.m_wndCamera.SetCurrentDocument(document);
  if (g_pWndProperties) g_pWndProperties->SetDocument(document);
  if (m_pSizeCell) m_pSizeCell->ShowImageSize(document);
  m_pCurrentDocument = document;
}

void CMainFrame::OnImageResized() {
  if (g_pWndSettingsZoom) g_pWndSettingsZoom->RefreshZoom();
  if (m_pSizeCell) {
    const CDirectUI* canvas = m_ProjectManager.GetCanvas();
    m_pSizeCell->ShowImageSize(canvas ? canvas->m_pActiveImage : nullptr);
  }
}

void CMainFrame::OnCursorMoved(const CursorPosition* position, CDTImage* document) {
  if (m_pCursorCell) m_pCursorCell->ShowCursorPosition(position, document);
}

void CMainFrame::OnFigureChanged(CDTElement* figure, int vertex) {
  if (g_pWndProperties) g_pWndProperties->RefreshValues(vertex);
  m_view.m_wndProcess.m_wndMeasure.RefreshFigureText(figure);
}

void CMainFrame::OnZoomChanged(CDTImage* document) {
  if (g_pWndProperties) g_pWndProperties->RefreshZoom(document);
}

void CMainFrame::OnRegionChanged(BOOL) {
  if (m_pSizeCell) m_pSizeCell->ShowImageSize(m_pCurrentDocument);
}

void CMainFrame::OnEmptyClick() {
  if (g_pWndProperties) g_pWndProperties->ShowPanel(PanelGeneral);
}

void CMainFrame::OnToolReset(int tool) {
  if (tool == DRAW_SELECT && g_pWndTool) g_pWndTool->ResetToSelect(TRUE);
}

void CMainFrame::OnFigureVisibilityChanged(CDTElement* figure, BOOL visible) {
  m_view.m_wndProcess.m_wndMeasure.SetFigureVisible(figure, visible);
}

void CMainFrame::OnFigureLockChanged(CDTElement* figure, BOOL locked) {
  m_view.m_wndProcess.m_wndMeasure.SetFigureLocked(figure, locked);
}

void CMainFrame::OnHistoryChanged(CDTImage* document) {
  m_view.m_wndProcess.m_wndMeasure.UpdateUndoRedo(document ? TRUE : FALSE);
}

void CMainFrame::OnHistoryRestored(CDTImage* document) {
  if (g_pWndProperties) g_pWndProperties->RefreshStyle(document);
}

void CMainFrame::OnCameraFrame(COrvelCamera* camera, const BYTE* pixels, const wchar_t* timerText) {
  // Streaming thread: the live document is fixed before any camera runs.
  if (!m_pLiveDocument || !camera) return;
  m_pLiveDocument->UploadTileFrame(timerText, pixels, camera->GetWidth(), camera->GetHeight(), camera->GetWidth() * 4,
                                   camera->GetIndex(), camera->GetOffsetX(), camera->GetOffsetY(),
                                   camera->GetTileBottomUp());
}

void CMainFrame::OnCameraLayout(int count, int width, int height) {
  if (count > 0 && width > 0 && height > 0 && m_pLiveDocument) m_pLiveDocument->SetLayout(count, width, height);
}

void CMainFrame::OnCameraState(int state) {
  m_view.m_wndProcess.m_wndCamera.OnCaptureState(state);
  if (state == CameraRunning || state == CameraPaused) return;
  // Recordings are finished from the loop, once the stop has returned.
  if (state == CameraStopped) PostMessage(WM_CAPTURE_STOPPED);
  if (g_pWndHorizontalRuler) g_pWndHorizontalRuler->m_wndFrameRate.ShowFrameRate(0);
}

void CMainFrame::OnCurrentCameraChanged(COrvelCamera* camera) {
  m_view.m_wndProcess.m_wndCamera.SetCurrentCamera(camera);
  UpdateCameraMenu();
}

void CMainFrame::OnCameraAdded(COrvelCamera* camera) {
  m_view.m_wndProcess.m_wndCamera.AddCamera(camera);
  m_view.m_wndProcess.m_wndCamera.EnableSnapshotButton(m_CameraFactory.GetCameraCount() > 0);
}

void CMainFrame::OnCameraRemoved(COrvelCamera* camera) {
  m_view.m_wndProcess.m_wndCamera.RemoveCamera(camera);
  m_view.m_wndProcess.m_wndCamera.EnableSnapshotButton(m_CameraFactory.GetCameraCount() > 0);
}
