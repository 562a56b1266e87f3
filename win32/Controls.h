// Wrappers of the native controls as mix-ins over a base: CEditT<CWindow>
// wraps a bare handle, while a window object passes its own base (one that
// derives from CWindow) so that the wrapper, the object and its window
// procedure all use one m_hWnd.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "win32/Window.h"

namespace win32 {

template <class TBase = CWindow>
class CButtonT : public TBase {
 public:
  using TBase::TBase;
  static const wchar_t* GetWndClassName() { return L"BUTTON"; }

  int GetCheck() const { return static_cast<int>(this->SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) { this->SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
  UINT GetState() const { return static_cast<UINT>(this->SendMessage(BM_GETSTATE)); }
  void SetState(BOOL highlight) { this->SendMessage(BM_SETSTATE, static_cast<WPARAM>(highlight)); }
  UINT GetButtonStyle() const { return this->GetStyle() & 0xFFFF; }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { this->SendMessage(BM_SETSTYLE, style, MAKELPARAM(redraw, 0)); }
  void Click() { this->SendMessage(BM_CLICK); }
};

template <class TBase = CWindow>
class CEditT : public TBase {
 public:
  using TBase::TBase;
  static const wchar_t* GetWndClassName() { return L"EDIT"; }

  void SetSel(int start, int end, BOOL noScroll = FALSE) {
    this->SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    if (!noScroll) this->SendMessage(EM_SCROLLCARET);
  }
  void ReplaceSel(const wchar_t* text, BOOL canUndo = FALSE) {
    this->SendMessage(EM_REPLACESEL, static_cast<WPARAM>(canUndo), reinterpret_cast<LPARAM>(text));
  }
  void SetLimitText(UINT maxChars) { this->SendMessage(EM_SETLIMITTEXT, maxChars); }
  UINT GetLimitText() const { return static_cast<UINT>(this->SendMessage(EM_GETLIMITTEXT)); }
  BOOL GetModify() const { return static_cast<BOOL>(this->SendMessage(EM_GETMODIFY)); }
  void SetModify(BOOL modified = TRUE) { this->SendMessage(EM_SETMODIFY, static_cast<WPARAM>(modified)); }
  BOOL SetReadOnly(BOOL readOnly = TRUE) {
    return static_cast<BOOL>(this->SendMessage(EM_SETREADONLY, static_cast<WPARAM>(readOnly)));
  }
};

template <class TBase = CWindow>
class CScrollBarT : public TBase {
 public:
  using TBase::TBase;
  static const wchar_t* GetWndClassName() { return L"SCROLLBAR"; }

  BOOL GetScrollInfo(SCROLLINFO* info) const {
    info->cbSize = sizeof *info;
    return ::GetScrollInfo(this->m_hWnd, SB_CTL, info);
  }
  int SetScrollInfo(const SCROLLINFO* info, BOOL redraw = TRUE) {
    return ::SetScrollInfo(this->m_hWnd, SB_CTL, info, redraw);
  }
  int GetScrollPos() const { return ::GetScrollPos(this->m_hWnd, SB_CTL); }
  int SetScrollPos(int pos, BOOL redraw = TRUE) { return ::SetScrollPos(this->m_hWnd, SB_CTL, pos, redraw); }
  BOOL SetScrollRange(int minPos, int maxPos, BOOL redraw = TRUE) {
    return ::SetScrollRange(this->m_hWnd, SB_CTL, minPos, maxPos, redraw);
  }
};

template <class TBase = CWindow>
class CUpDownCtrlT : public TBase {
 public:
  using TBase::TBase;
  static const wchar_t* GetWndClassName() { return UPDOWN_CLASSW; }

  HWND SetBuddy(HWND buddy) { return reinterpret_cast<HWND>(this->SendMessage(UDM_SETBUDDY, (WPARAM)buddy)); }
  HWND GetBuddy() const { return reinterpret_cast<HWND>(this->SendMessage(UDM_GETBUDDY)); }
  void SetRange32(int lower, int upper) { this->SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  void GetRange32(int& lower, int& upper) const {
    this->SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
  }
  int SetPos32(int pos) { return static_cast<int>(this->SendMessage(UDM_SETPOS32, 0, pos)); }
  int GetPos32(BOOL* error = nullptr) const {
    return static_cast<int>(this->SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(error)));
  }
};

template <class TBase = CWindow>
class CTreeViewCtrlT : public TBase {
 public:
  using TBase::TBase;
  static const wchar_t* GetWndClassName() { return WC_TREEVIEWW; }

  HTREEITEM InsertItem(const wchar_t* text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(text);
    return reinterpret_cast<HTREEITEM>(this->SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  BOOL DeleteAllItems() { return static_cast<BOOL>(this->SendMessage(TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT)); }
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
    return reinterpret_cast<HTREEITEM>(this->SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  HTREEITEM GetDropHilightItem() const { return GetNextItem(nullptr, TVGN_DROPHILITE); }
  BOOL SelectItem(HTREEITEM item, UINT code = TVGN_CARET) {
    return static_cast<BOOL>(this->SendMessage(TVM_SELECTITEM, code, reinterpret_cast<LPARAM>(item)));
  }
  BOOL Expand(HTREEITEM item, UINT code = TVE_EXPAND) {
    return static_cast<BOOL>(this->SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
  }
  UINT GetItemState(HTREEITEM item, UINT mask) const {
    return static_cast<UINT>(this->SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
  }
  BOOL SetItemState(HTREEITEM item, UINT state, UINT mask) {
    TVITEMW tvi{};
    tvi.mask = TVIF_STATE;
    tvi.hItem = item;
    tvi.state = state;
    tvi.stateMask = mask;
    return static_cast<BOOL>(this->SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tvi)));
  }
  // The item's rectangle; textOnly gives the part its text covers.
  BOOL GetItemRect(HTREEITEM item, RECT* rc, BOOL textOnly) const {
    *reinterpret_cast<HTREEITEM*>(rc) = item;
    return static_cast<BOOL>(this->SendMessage(TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(rc)));
  }
  BOOL GetItemText(HTREEITEM item, wchar_t* text, int maxChars) const {
    TVITEMW tvi{};
    tvi.mask = TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = text;
    tvi.cchTextMax = maxChars;
    if (maxChars > 0) text[0] = L'\0';
    return static_cast<BOOL>(this->SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi)));
  }
  COLORREF SetBkColor(COLORREF colour) { return static_cast<COLORREF>(this->SendMessage(TVM_SETBKCOLOR, 0, colour)); }
  COLORREF GetBkColor() const { return static_cast<COLORREF>(this->SendMessage(TVM_GETBKCOLOR)); }
  HTREEITEM HitTest(POINT pt, UINT* flags = nullptr) const {
    TVHITTESTINFO info{};
    info.pt = pt;
    auto item = reinterpret_cast<HTREEITEM>(this->SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags) *flags = info.flags;
    return item;
  }
};

using CButton = CButtonT<>;
using CEdit = CEditT<>;
using CScrollBar = CScrollBarT<>;
using CUpDownCtrl = CUpDownCtrlT<>;
using CTreeViewCtrl = CTreeViewCtrlT<>;

}  // namespace win32
