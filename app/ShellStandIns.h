// Least stand-ins for what the main frame reaches before it exists: the
// panels of the work area, the project manager, the recent-images loader
// and the dialogs. Each records its calls
// (StandInCalls) so that the frame's routing can be checked; the real
// classes replace this header and app/ShellStandIns.cpp.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/Update.h"
#include "capture/ColorDialog.h"
#include "capture/Project.h"
#include "capture/SlideShow.h"
#include "engine/MeasureObserver.h"
#include "toolkit/SkinWindow.h"

class CDTImage;
class CDTElement;
class CDirectUI;
class COrvelCamera;

// Calls recorded since the last clear, as "Class::Operation(arguments)".
std::vector<std::wstring>& StandInCalls();
void StandInCall(const wchar_t* format, ...);

// Projects: the live project's document and the closing of every project.
class CProjectManager {
 public:
  CProjectManager();
  ~CProjectManager();
  CProjectManager(const CProjectManager&) = delete;
  CProjectManager& operator=(const CProjectManager&) = delete;
  CDTImage* GetLiveDocument() const { return m_pLiveDocument; }
  CDirectUI* GetCanvas() const;
  void CloseAll();

 private:
  CDTImage* m_pLiveDocument;
};

// Recently opened pictures.
class CRecentImages {
 public:
  void Start();
  void Stop();
};

// Dialogs.
class CAboutDlg {
 public:
  INT_PTR DoModal(HWND parent);
};
class CDlgOptions {
 public:
  INT_PTR DoModal(HWND parent);
  bool NeedsRestart() const { return m_bNeedsRestart || s_bNextNeedsRestart; }
  bool m_bNeedsRestart = false;
  static bool s_bNextNeedsRestart;  // test seam
};

// Panels.
class CWndMeasure {
 public:
  virtual ~CWndMeasure() = default;
  void OnFigureAdded(CDTElement* figure);
  void SelectFigure(CDTElement* figure);
  void OnFigureRemoved(CDTElement* figure);
  void SetDocument(CDTImage* document);
  void RefreshFigureText(CDTElement* figure);
  void SetFigureVisible(CDTElement* figure, BOOL visible);
  void SetFigureLocked(CDTElement* figure, BOOL locked);
  void UpdateUndoRedo(BOOL refresh);
  void Undo();
  void Redo();
  void RemoveAll();
};

// Figure panels are 102 to 113; 100 general, 101 calibration, 114 image.
enum PropertyPanelId {
  PanelGeneral = 100,
  PanelRuler = 101,
  PanelFirstFigure = 102,
  PanelLastFigure = 113,
  PanelImage = 114
};

class CWndProperties {
 public:
  virtual ~CWndProperties() = default;
  void SetFigure(CDTElement* figure);
  void ShowPanel(int id);
  void SetDocument(CDTImage* document);
  void RefreshValues(int vertex);
  void RefreshZoom(CDTImage* document);
  void RefreshStyle(CDTImage* document);
  int m_nPanelId = PanelGeneral;
};

class CWndSettingsZoomStandIn : public CWndSettingsZoom {
 public:
  void SetDuration(LONGLONG duration) override;
  void SetPos(int percent) override;
  void RefreshZoom() override;
};

class CWndStatus {
 public:
  explicit CWndStatus(const wchar_t* name) : m_pszName(name) {}
  void ShowImageSize(CDTImage* document);
  void ShowCursorPosition(const CursorPosition* position, CDTImage* document);
  void ShowFrameRate(float rate);
  const wchar_t* m_pszName;
};

// The status strip: its cursor, size and frame-rate cells.
class CWndHorizontalRuler {
 public:
  CWndStatus m_wndCursor{L"cursor"};
  CWndStatus m_wndSize{L"size"};
  CWndStatus m_wndFrameRate{L"rate"};
};

class CWndCamera {
 public:
  void SetCurrentDocument(CDTImage* document);
  void OnCaptureState(int state);
  void SetCurrentCamera(COrvelCamera* camera);
  void AddCamera(COrvelCamera* camera);
  void RemoveCamera(COrvelCamera* camera);
  void EnableSnapshotButton(BOOL enable);
  bool IsGroupExpanded() const { return m_bGroupExpanded; }
  bool m_bGroupExpanded = true;
};

class CWndImages {
 public:
  void FuseCheckedImages();
};

// The tool palette: a skinned strip down the left.
class CWndTool : public AvlfWindowImpl<CWndTool> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndTool();
  ~CWndTool() override;
  void ToggleMagnifier();
  void SetHistogram(BOOL show);
  void ResetToSelect(BOOL notify);
};

// The work area: the canvas over its client area, and the panels the frame
// talks to.
class CWndProcess : public AvlfWindowImpl<CWndProcess> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndProcess();
  ~CWndProcess() override;

  BEGIN_MSG_MAP(CWndProcess)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndProcess>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM, BOOL& handled);

  CDirectUI* m_pCanvas;
  CWndMeasure m_wndMeasure;
  CWndCamera m_wndCamera;
  CWndProperties m_wndProperties;
  CWndSettingsZoomStandIn m_wndSettingsZoom;
  CWndHorizontalRuler m_wndRuler;
  CWndImages m_wndImages;
};

extern CWndMeasure* g_pWndMeasure;
extern CWndProperties* g_pWndProperties;
extern CWndTool* g_pWndTool;
extern CWndHorizontalRuler* g_pWndHorizontalRuler;
extern CWndImages* g_pWndImageList;
