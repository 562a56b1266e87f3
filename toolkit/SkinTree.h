// The skinned tree: the native tree view, with every item drawn over in the
// skin's colours and font, flagged items highlighted by a rounded gradient
// frame, and all painting done off screen.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "toolkit/SkinWindow.h"
#include "win32/Controls.h"
#include "win32/Paint.h"

class AvlfTree : public AvlfWindowImpl<AvlfTree, win32::CTreeViewCtrlT<AvlfWindowBase>>,
                 public win32::CCustomDraw<AvlfTree>,
                 public win32::CDoubleBufferImpl<AvlfTree>,
                 public CTransparentImpl<AvlfTree> {
 public:
  DECLARE_WND_SUPERCLASS(L"AvlfTree", WC_TREEVIEWW)
  ~AvlfTree() override;

  BEGIN_MSG_MAP(AvlfTree)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_SETFOCUS, OnFocus)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnFocus)
  MESSAGE_HANDLER(WM_SYSCOLORCHANGE, OnSettingsChanged)
  MESSAGE_HANDLER(WM_SETTINGCHANGE, OnSettingsChanged)
  MESSAGE_HANDLER(WM_FONTCHANGE, OnSettingsChanged)
  MESSAGE_HANDLER(WM_THEMECHANGED, OnSettingsChanged)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  REFLECTED_NOTIFY_CODE_HANDLER(NM_DBLCLK, OnDoubleClick)
  REFLECTED_NOTIFY_CODE_HANDLER(TVN_BEGINDRAGW, OnBeginDrag)
  CHAIN_MSG_MAP(win32::CCustomDraw<AvlfTree>)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<AvlfTree>)
  DEFAULT_REFLECTION_HANDLER()
  END_MSG_MAP()

  // Colours from the skin and the fixed highlight colours; the font from
  // the skin's LOGFONT.
  void UpdateColors();
  // Clears TVIS_SELECTED of `first`, its following siblings and all their
  // descendants.
  void ClearSelectedStates(HTREEITEM first);
  void DrawItem(NMTVCUSTOMDRAW* draw);

  DWORD OnPrePaint(NMCUSTOMDRAW*) { return CDRF_NOTIFYITEMDRAW; }
  DWORD OnItemPrePaint(NMCUSTOMDRAW*) { return CDRF_NOTIFYPOSTPAINT; }
  DWORD OnItemPostPaint(NMCUSTOMDRAW* draw) {
    DrawItem(reinterpret_cast<NMTVCUSTOMDRAW*>(draw));
    return CDRF_DODEFAULT;
  }
  // The native paint, erase included, into the off-screen buffer.
  void DoPaint(HDC hdc);

  COLORREF m_crBk = 0;
  COLORREF m_crText = 0;
  COLORREF m_crFrameFocus = RGB(170, 200, 245);
  COLORREF m_crInnerFocus = RGB(230, 250, 250);
  COLORREF m_crTopFocus = RGB(210, 240, 250);
  COLORREF m_crBottomFocus = RGB(185, 215, 250);
  COLORREF m_crTop = RGB(250, 250, 250);
  COLORREF m_crBottom = RGB(235, 235, 235);
  COLORREF m_crFrame = RGB(220, 220, 220);
  COLORREF m_crInner = RGB(245, 245, 245);
  HFONT m_hFont = nullptr;

 public:
  LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnFocus(UINT, WPARAM, LPARAM, BOOL& bHandled);
  LRESULT OnSettingsChanged(UINT, WPARAM, LPARAM, BOOL&) {
    UpdateColors();
    return 0;
  }
  LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled);
  LRESULT OnDoubleClick(int, LPNMHDR, BOOL& bHandled);
  LRESULT OnBeginDrag(int, LPNMHDR header, BOOL&);
};
