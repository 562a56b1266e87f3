// The text panel of the property host: the text that new text figures get
// (a selected text figure takes it at once), and the label background and
// border switches of text figures.
#pragma once

#include <windows.h>

#include "panels/PanelBase.h"
#include "toolkit/SkinWindow.h"

class AvlfIconBtn;
class CDTImage;

// The text panel's controls by skin CommandID (the edit is a dialog item).
enum TextPanelControlId { TEXT_BACKGROUND = 3, TEXT_BORDER = 4, TEXT_CONTENT = 20, TEXT_APPLY = 21 };

class CWndSettingsText : public AvlfWindowImpl<CWndSettingsText>, public CWndSettingsBase {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndSettingsText)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettingsText>)
  END_MSG_MAP()

  const wchar_t* GetCaption() override;
  // The label switches from the held figure, or the canvas defaults.
  void Update() override;
  // After undo, redo or a loaded project: the held text figure's switches again.
  void RefreshStyle(CDTImage* document) override;
  // The edit's text for new text figures and a selected text figure.
  void ApplyText();

  AvlfIconBtn* m_pBackground = nullptr;
  AvlfIconBtn* m_pBorder = nullptr;
  HWND m_hEdit = nullptr;

 private:
  LRESULT OnInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  void ShowSwitches(bool background, bool border);
};
