// Skinned controls that are thin superclasses of native controls: the
// native control paints and handles input; the skin gives their place,
// font and text.
#pragma once

#include <windows.h>

#include "toolkit/SkinWindow.h"
#include "win32/Controls.h"

class AvlfScrollBar : public AvlfWindowImpl<AvlfScrollBar, win32::CScrollBarT<AvlfWindowBase>> {
 public:
  DECLARE_WND_SUPERCLASS(L"AvlfScrollBar", L"SCROLLBAR")

  BEGIN_MSG_MAP(AvlfScrollBar)
  END_MSG_MAP()
};

// A plain edit on white in the skin's font, showing the skin's text.
class AvlfEdt : public AvlfWindowImpl<AvlfEdt, win32::CEditT<AvlfWindowBase>> {
 public:
  DECLARE_WND_SUPERCLASS(L"AvlfEdt", L"EDIT")
  ~AvlfEdt() override;

  BEGIN_MSG_MAP(AvlfEdt)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(win32::Reflected(WM_CTLCOLOREDIT), OnCtlColorEdit)
  END_MSG_MAP()

  LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnCtlColorEdit(UINT, WPARAM, LPARAM, BOOL&) { return reinterpret_cast<LRESULT>(m_hBkBrush); }

  HBRUSH m_hBkBrush = nullptr;
  HFONT m_hFont = nullptr;
};

// A numeric edit whose value follows its text while the text is a plain
// non-negative number.
class AvlfCommonEdit : public AvlfWindowImpl<AvlfCommonEdit, win32::CEditT<AvlfWindowBase>> {
 public:
  DECLARE_WND_SUPERCLASS(L"AvlfCommonEdit", L"EDIT")

  BEGIN_MSG_MAP(AvlfCommonEdit)
  REFLECTED_COMMAND_CODE_HANDLER(EN_CHANGE, OnChange)
  END_MSG_MAP()

  int GetValue() const { return m_nValue; }
  void SetValue(int value) { m_nValue = value; }

  // 0 when the text gave the value, -1 when it kept the old one.
  LRESULT OnChange(WORD, WORD, HWND, BOOL&);

  int32_t m_nValue = 0;
};

// An up-down control that steps a bound numeric edit by its step.
class AvlfSpinCtrl : public AvlfWindowImpl<AvlfSpinCtrl, win32::CUpDownCtrlT<AvlfWindowBase>> {
 public:
  DECLARE_WND_SUPERCLASS(L"AvlfSpinCtrl", UPDOWN_CLASSW)

  BEGIN_MSG_MAP(AvlfSpinCtrl)
  REFLECTED_NOTIFY_CODE_HANDLER(UDN_DELTAPOS, OnDeltaPos)
  END_MSG_MAP()

  void SetBuddy(AvlfCommonEdit* buddy) { m_pBuddy = buddy; }
  void SetValue(int value) { m_nValue = value; }
  void SetStep(int step) { m_nStep = step; }
  int GetValue() const { return m_nValue; }

  LRESULT OnDeltaPos(int, LPNMHDR header, BOOL& bHandled);

  AvlfCommonEdit* m_pBuddy = nullptr;
  int32_t m_nValue = 0;
  int32_t m_nStep = 1;
};
