// A dialog push button made flat and owner-drawn with hover highlighting;
// created as a check box, its checked state draws like a pressed tab with
// an underlined caption.
#pragma once

#include <windows.h>

#include "win32/Window.h"

class CButtonTab : public win32::CWindowImpl<CButtonTab> {
 public:
  CButtonTab();
  ~CButtonTab() override = default;

  BEGIN_MSG_MAP(CButtonTab)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  MESSAGE_HANDLER(WM_ACTIVATE, OnLoseHot)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnLoseHot)
  MESSAGE_HANDLER(WM_CANCELMODE, OnLoseHot)
  MESSAGE_HANDLER(WM_ENABLE, OnLoseHot)
  MESSAGE_HANDLER(win32::Reflected(WM_DRAWITEM), OnDrawItem)
  MESSAGE_HANDLER(win32::Reflected(WM_COMMAND), OnCommand)
  MESSAGE_HANDLER(win32::Reflected(WM_CTLCOLORBTN), OnCtlColorButton)
  END_MSG_MAP()

  // Makes the button owner-drawn and takes it over; a BS_CHECKBOX style
  // makes it a check-box tab.
  BOOL SubclassWindow(HWND button);
  void SetFlatFill(bool on) { m_bFlatFill = on; }
  // 3, with nothing changed, for a slot above 4.
  int SetColor(int slot, COLORREF colour, bool repaint);
  void SetCheck(bool checked, bool repaint);
  bool GetCheck() const { return m_bChecked; }
  bool IsHot() const { return m_bHot; }

  virtual LRESULT DrawBackground(HDC dc, const RECT* rect);
  void DrawItem(const DRAWITEMSTRUCT* item);

  bool m_bHot = false;
  bool m_bPressed = false;
  bool m_bDisabled = false;
  bool m_bFlatFill = true;
  bool m_bCheckBox = false;
  bool m_bChecked = false;
  COLORREF m_colors[5];

 private:
  void Repaint() {
    if (::IsWindow(m_hWnd)) ::InvalidateRect(m_hWnd, nullptr, TRUE);
  }
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLoseHot(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCtlColorButton(UINT, WPARAM, LPARAM, BOOL&) {
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
};
