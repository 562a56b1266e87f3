// The general panel, shown with the select tool: the label defaults for new
// figures and the canvas's grid and cross-hair with their options. Every
// change reaches the canvas at once and goes into the settings.
#pragma once

#include <windows.h>

#include "panels/PanelBase.h"
#include "toolkit/SkinWindow.h"

class AvlfIconBtn;
class CColorButton;
class CWeightButton;

enum GeneralPanelControlId {
  GENERAL_SHOW_RESULT = 2,
  GENERAL_LABEL_BACKGROUND = 3,
  GENERAL_LABEL_BORDER = 4,
  GENERAL_GRID_SHOW = 6,
  GENERAL_GRID_COLOR = 7,
  GENERAL_GRID_WEIGHT = 8,
  GENERAL_CROSS_SHOW = 10,
  GENERAL_CROSS_COLOR = 11,
  GENERAL_CROSS_TRACK = 12
};

class CWndSettingsGeneral : public AvlfWindowImpl<CWndSettingsGeneral>, public CWndSettingsBase {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndSettingsGeneral)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettingsGeneral>)
  END_MSG_MAP()

  const wchar_t* GetCaption() override;
  // The canvas's label defaults into the three label toggles.
  void Update() override;
  // What a click on a control (or its pick) does; also the WM_COMMAND path.
  void OnControl(int id);

  AvlfIconBtn* m_pShowResult = nullptr;
  AvlfIconBtn* m_pLabelBackground = nullptr;
  AvlfIconBtn* m_pLabelBorder = nullptr;
  AvlfIconBtn* m_pGridShow = nullptr;
  CColorButton* m_pGridColor = nullptr;
  CWeightButton* m_pGridWeight = nullptr;
  AvlfIconBtn* m_pCrossShow = nullptr;
  CColorButton* m_pCrossColor = nullptr;
  AvlfIconBtn* m_pCrossTrack = nullptr;

 private:
  LRESULT OnInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  // The grid's and the cross-hair's options follow their check buttons.
  void ShowGridOptions();
  void ShowCrossOptions();
  void ShowLabelToggles(bool show);
};
