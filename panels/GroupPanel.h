// The titled group panel of the side pane: an 18-pixel header band with a
// caption and an optional state glyph; a click in the header goes to the
// parent as a command, and the panel collapses to its header.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <string>

#include "toolkit/SkinWindow.h"
#include "win32/Paint.h"

class CWndGroup : public AvlfWindowImpl<CWndGroup>, public win32::CDoubleBufferImpl<CWndGroup> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndGroup() = default;
  ~CWndGroup() override;

  BEGIN_MSG_MAP(CWndGroup)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<CWndGroup>)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndGroup>)
  END_MSG_MAP()

  // Hides every child when collapsing; when expanding shows only the
  // children ShowChildOnExpand accepts. The caller lays the parent out again.
  void SetCollapsed(BOOL collapsed);
  virtual BOOL ShowChildOnExpand(HWND child);

  // Derived panels end their own WM_SKIN_INIT with this.
  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnLButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&);
  void DoPaint(HDC hdc);

  static constexpr int kHeaderHeight = 18;

  RECT m_rcClient{};
  BOOL m_bCollapsed = FALSE;
  Gdiplus::Font* m_pGlyphFont = nullptr;
  BOOL m_bGlyphShown = TRUE;
  std::wstring m_strCaption;
};
