// The magnifier panel, shown with the magnifier tool: the overlay's factor,
// its box size and whether the box follows the cursor. It holds no document.
#pragma once

#include <windows.h>

#include "panels/PanelBase.h"
#include "toolkit/SkinWindow.h"

class AvlfButton;
class CWeightButton;

enum MagnifierPanelControlId { MAGNIFIER_FOLLOW_MOUSE = 1, MAGNIFIER_FACTOR = 2, MAGNIFIER_SIZE = 3 };

class CWndSettingsMagnifier : public AvlfWindowImpl<CWndSettingsMagnifier>, public CWndSettingsBase {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndSettingsMagnifier)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettingsMagnifier>)
  END_MSG_MAP()

  const wchar_t* GetCaption() override;
  void Update() override {}
  // Neither a figure nor a document concerns the magnifier.
  void SetFigure(CDTElement*) override {}
  void SetDocument(CDTImage*) override {}
  void OnControl(int id);

  AvlfButton* m_pFollowMouse = nullptr;
  CWeightButton* m_pFactor = nullptr;
  CWeightButton* m_pSize = nullptr;

 private:
  LRESULT OnInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
};
