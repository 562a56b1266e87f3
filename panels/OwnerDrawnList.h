// The skinned, owner-drawn vertical list of the measurement panel: rows with
// a text, an optional 4:3 thumbnail and the owner's data, multiple selection
// with Ctrl and Shift, a hover band with a remove glyph, and its own
// vertical scroll bar. It paints itself double-buffered with GDI+.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <gdiplus.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/SkinWindow.h"

constexpr UINT WM_LISTEX_ADDITEM = WM_USER + 201;
constexpr UINT WM_LISTEX_REMOVEITEM = WM_USER + 202;
constexpr UINT WM_LISTEX_CLEAR = WM_USER + 203;
constexpr UINT WM_LISTEX_SWAPITEMS = WM_USER + 204;
constexpr UINT WM_LISTEX_SELECTDATA = WM_USER + 205;

// What WM_LISTEX_ADDITEM points at.
struct ListExItemInfo {
  const wchar_t* text;
  IStream* thumbnail;  // an encoded picture, or null
  void* data;
};

class CWndListEx : public AvlfWindowImpl<CWndListEx> {
 public:
  class CItem {
   public:
    CItem() = default;
    CItem(const CItem&) = delete;
    CItem& operator=(const CItem&) = delete;
    virtual ~CItem();

    int m_bSelected = 0;
    int m_bHidden = 0;
    int m_bLocked = 0;
    CWndListEx* m_pOwner = nullptr;
    RECT m_rcItem{};
    void* m_pData = nullptr;
    std::wstring m_strText;
    Gdiplus::Bitmap* m_pThumbnail = nullptr;
    int m_rcImage[4]{};  // x, y where last drawn; width, height
  };

  static win32::CWndClassInfo& GetWndClassInfo();
  static constexpr int kScrollBarId = 100;

  CWndListEx() = default;
  ~CWndListEx() override;

  BEGIN_MSG_MAP(CWndListEx)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_LISTEX_ADDITEM, OnAddItem)
  MESSAGE_HANDLER(WM_LISTEX_REMOVEITEM, OnRemoveItem)
  MESSAGE_HANDLER(WM_LISTEX_CLEAR, OnClear)
  MESSAGE_HANDLER(WM_LISTEX_SWAPITEMS, OnSwapItems)
  MESSAGE_HANDLER(WM_LISTEX_SELECTDATA, OnSelectData)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  MESSAGE_HANDLER(WM_PAINT, OnPaintMessage)
  MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaintMessage)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
  MESSAGE_HANDLER(WM_VSCROLL, OnVScroll)
  MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_ACTIVATE, OnHoverEnds)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnHoverEnds)
  MESSAGE_HANDLER(WM_CANCELMODE, OnHoverEnds)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClk)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndListEx>)
  END_MSG_MAP()

  // Adds a row through WM_LISTEX_ADDITEM; repaint invalidates the window.
  CItem* AddItem(const wchar_t* text, IStream* thumbnail, void* data, bool repaint);
  int RemoveItemByData(void* data);
  void RemoveAllItems();
  void SetItemHidden(void* data, BOOL hidden);
  void SetItemLocked(void* data, BOOL locked);
  void SetItemText(void* data, const wchar_t* text);
  int GetCount() const { return static_cast<int>(m_items.size()); }
  // The first row whose stored rectangle holds the point, or null.
  CItem* HitTest(POINT point) const;
  // Paints the whole client area into hdc (what WM_PAINT copies on screen).
  void PaintTo(HDC hdc);

  HWND m_hScrollBar = nullptr;
  int m_nScrollPos = 0;
  int m_nItemHeight = 56;
  int m_nScrollBarWidth = 0;
  RECT m_rcContent{};
  RECT m_rcRemove{};
  Gdiplus::ARGB m_clrBand = 0xFFCCE4F7;
  Gdiplus::ARGB m_clrTextSel = 0xFF000000;
  Gdiplus::Font* m_pRowFont = nullptr;
  Gdiplus::SolidBrush* m_pBandBrush = nullptr;
  Gdiplus::SolidBrush* m_pTextSelBrush = nullptr;
  Gdiplus::SolidBrush* m_pHoverBrush = nullptr;
  Gdiplus::SolidBrush* m_pHiddenBrush = nullptr;
  Gdiplus::SolidBrush* m_pLockedBrush = nullptr;
  int m_bRemoveHot = 0;
  std::vector<CItem*> m_items;
  CItem* m_pCurrent = nullptr;
  CItem* m_pAnchor = nullptr;
  CItem* m_pHover = nullptr;
  int m_bTracking = 0;
  std::function<void(unsigned)> m_fnKeyDown;
  std::function<void(CItem*)> m_fnRemoveItem;
  Gdiplus::Font* m_pGlyphFont = nullptr;

 private:
  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnAddItem(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnRemoveItem(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnClear(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSwapItems(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnSelectData(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL& handled);
  LRESULT OnPaintMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnEraseBkgnd(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnVScroll(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnHoverEnds(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDblClk(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);

  void ReadColours();
  void DeleteRowObjects();
  void DeleteItems();
  // Shows or hides the scroll bar for a client of that size and sets the
  // content rectangle's right edge.
  void UpdateScrollBar(int width, int height);
  void ClientSize(int* width, int* height) const;
  void Notify(WORD code);
  void InvalidateContent();
  void DrawItem(Gdiplus::Graphics& graphics, CItem* item);
};
