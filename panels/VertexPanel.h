// The vertex panel of the property host: one vertex of the selected figure
// (of the calibration ruler when none is selected) in whole picture pixels,
// picked from a list, typed or stepped with up-down arrows, and a button back
// to the panel it was opened from.
#pragma once

#include <windows.h>

#include "panels/PanelBase.h"
#include "toolkit/SkinWindow.h"

class AvlfComboBox;
class CDTDraw;
class CDTImage;

// The vertex panel's controls by skin CommandID; the up-downs are its own.
enum VertexPanelControlId {
  VERTEX_LIST = 2,
  VERTEX_BACK = 3,
  VERTEX_X = 5,
  VERTEX_Y = 7,
  VERTEX_X_SPIN = 8,
  VERTEX_Y_SPIN = 9
};

// A typed coordinate: leading blanks and a sign, then decimal digits up to the
// first other character (none reads as 0). False beyond the 32-bit range.
bool ParseCoordinate(const wchar_t* text, int* value);

class CWndSettingsVertex : public AvlfWindowImpl<CWndSettingsVertex>, public CWndSettingsBase {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndSettingsVertex)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettingsVertex>)
  END_MSG_MAP()

  const wchar_t* GetCaption() override;
  // Refills the list from the held figure and enables the fields it allows.
  void Update() override;
  void SetFigure(CDTElement* element) override;
  void SetDocument(CDTImage* document) override;
  // The canvas moved a handle (or added or removed one).
  void RefreshValues(int vertex) override;
  void OnZoomChanged(CDTImage* document) override;
  void SetPreviousPanel(int panelId) override { m_nPreviousPanel = panelId; }

  int m_nPreviousPanel = 0;
  HWND m_hXSpin = nullptr;
  HWND m_hYSpin = nullptr;
  AvlfComboBox* m_pList = nullptr;
  HWND m_hXEdit = nullptr;
  HWND m_hYEdit = nullptr;
  int m_nX = 0;
  int m_nY = 0;
  int m_nVertex = 0;
  int m_nHandleCount = 0;

 private:
  LRESULT OnInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  LRESULT OnNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled);
  HWND CreateSpin(HWND edit, int id);
  CDTDraw* Figure() const;
  int HandleCount() const;
  void FillList();
  bool SelectByData(int index);
  void EnableFields(bool on);
  void ShowVertex();
  void MoveVertex();
  void OnSelectVertex();
  void OnTypedCoordinate(HWND edit, int* coordinate);
  void OnStep(int spinId, int delta);
  void OnBack();
};
