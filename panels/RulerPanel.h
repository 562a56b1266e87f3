// The calibration panel: the real length of the document's calibration
// ruler, its unit and the optics' magnification, each typed into a field
// and applied with the button beside it; the applied values also become
// the settings new documents start from. Two buttons load and store rulers
// through the main frame.
#pragma once

#include <windows.h>

#include "panels/PanelBase.h"
#include "toolkit/SkinWindow.h"

// The controls of the calibration panel by skin CommandID.
enum RulerPanelControlId {
  RULER_LENGTH_EDIT = 2,
  RULER_APPLY_LENGTH = 3,
  RULER_UNIT_EDIT = 5,
  RULER_APPLY_UNIT = 6,
  RULER_POWER_EDIT = 8,
  RULER_APPLY_POWER = 9,
  RULER_LOAD = 11,
  RULER_SAVE = 12
};

// The number at the start of a text: blanks skipped, then sign, digits,
// decimal point and exponent as far as they go; 0 when none is there.
// "12.5cm" reads 12.5; words such as "inf" or "nan" are no number.
double ReadLeadingNumber(const wchar_t* text);

// The message box that tells wrong input; tests put their own in its place.
using RulerMessageBoxFunction = int(WINAPI*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
void SetRulerMessageBoxFunction(RulerMessageBoxFunction box);

class CWndSettingsRuler : public AvlfWindowImpl<CWndSettingsRuler>, public CWndSettingsBase {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  // The smallest length and magnification accepted.
  static constexpr double kMinLength = 1e-8;
  static constexpr double kMinPower = 0.001;

  BEGIN_MSG_MAP(CWndSettingsRuler)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettingsRuler>)
  END_MSG_MAP()

  const wchar_t* GetCaption() override;
  // The fields keep what the user typed: nothing to reload.
  void Update() override {}

  void ApplyLength();
  void ApplyUnit();
  void ApplyPower();

  HWND m_hLength = nullptr;
  HWND m_hUnit = nullptr;
  HWND m_hPower = nullptr;

 private:
  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  void Complain(const wchar_t* key);
};
