#include "toolkit/SkinTree.h"

#include <cwctype>

namespace {

COLORREF WithoutAlpha(uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

void FillVerticalGradient(HDC hdc, const RECT& rc, COLORREF top, COLORREF bottom) {
  if (rc.right <= rc.left || rc.bottom <= rc.top) return;
  TRIVERTEX vertices[2] = {};
  vertices[0].x = rc.left;
  vertices[0].y = rc.top;
  vertices[0].Red = static_cast<COLOR16>(GetRValue(top) << 8);
  vertices[0].Green = static_cast<COLOR16>(GetGValue(top) << 8);
  vertices[0].Blue = static_cast<COLOR16>(GetBValue(top) << 8);
  vertices[1].x = rc.right;
  vertices[1].y = rc.bottom;
  vertices[1].Red = static_cast<COLOR16>(GetRValue(bottom) << 8);
  vertices[1].Green = static_cast<COLOR16>(GetGValue(bottom) << 8);
  vertices[1].Blue = static_cast<COLOR16>(GetBValue(bottom) << 8);
  GRADIENT_RECT gradient{0, 1};
  ::GradientFill(hdc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
}

}  // namespace

AvlfTree::~AvlfTree() {
  if (m_hFont) ::DeleteObject(m_hFont);
}

void AvlfTree::UpdateColors() {
  m_crFrameFocus = RGB(170, 200, 245);
  m_crInnerFocus = RGB(230, 250, 250);
  m_crTopFocus = RGB(210, 240, 250);
  m_crBottomFocus = RGB(185, 215, 250);
  m_crTop = RGB(250, 250, 250);
  m_crBottom = RGB(235, 235, 235);
  m_crFrame = RGB(220, 220, 220);
  m_crInner = RGB(245, 245, 245);
  m_crBk = WithoutAlpha(m_clrBkGround);
  m_crText = WithoutAlpha(m_clrText);
  if (!m_hWnd) return;
  SetBkColor(m_crBk);
  HFONT font = ::CreateFontIndirectW(&m_logFont);
  if (font) {
    if (m_hFont) ::DeleteObject(m_hFont);
    m_hFont = font;
    SetFont(m_hFont, TRUE);
  }
  Invalidate();
}

void AvlfTree::ClearSelectedStates(HTREEITEM first) {
  for (HTREEITEM item = first; item; item = GetNextSiblingItem(item)) {
    if (HTREEITEM child = GetChildItem(item)) ClearSelectedStates(child);
    SetItemState(item, 0, TVIS_SELECTED);
  }
}

void AvlfTree::DrawItem(NMTVCUSTOMDRAW* draw) {
  auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
  HDC hdc = draw->nmcd.hdc;
  RECT rc{};
  if (!GetItemRect(item, &rc, TRUE)) return;

  const int saved = ::SaveDC(hdc);
  ::SetBkColor(hdc, m_crBk);
  ::ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &rc, L"", 0, nullptr);

  const bool flagged = (GetItemState(item, TVIS_SELECTED | TVIS_DROPHILITED) & (TVIS_SELECTED | TVIS_DROPHILITED)) != 0;
  HTREEITEM dropTarget = GetDropHilightItem();
  if (flagged && (!dropTarget || dropTarget == item)) {
    const bool focused = ::GetFocus() == m_hWnd;
    HPEN outer = ::CreatePen(PS_SOLID, 1, focused ? m_crFrameFocus : m_crFrame);
    HBRUSH brush = ::CreateSolidBrush(m_crBk);
    HGDIOBJ oldPen = ::SelectObject(hdc, outer);
    HGDIOBJ oldBrush = ::SelectObject(hdc, brush);
    ::RoundRect(hdc, rc.left, rc.top, rc.right, rc.bottom, 5, 5);

    RECT inner = rc;
    ::InflateRect(&inner, -1, -1);
    HPEN innerPen = ::CreatePen(PS_SOLID, 1, focused ? m_crInnerFocus : m_crInner);
    ::SelectObject(hdc, innerPen);
    ::RoundRect(hdc, inner.left, inner.top, inner.right, inner.bottom, 2, 2);

    ::InflateRect(&inner, -1, -1);
    FillVerticalGradient(hdc, inner, focused ? m_crTopFocus : m_crTop, focused ? m_crBottomFocus : m_crBottom);

    ::SelectObject(hdc, oldPen);
    ::SelectObject(hdc, oldBrush);
    ::DeleteObject(outer);
    ::DeleteObject(innerPen);
    ::DeleteObject(brush);
  }

  wchar_t text[256];
  if (GetItemText(item, text, 256) && text[0]) {
    RECT textRect = rc;
    textRect.left += 3;
    textRect.right -= 2;
    if (m_hFont) ::SelectObject(hdc, m_hFont);
    ::SetTextColor(hdc, m_crText);
    ::SetBkMode(hdc, TRANSPARENT);
    ::DrawTextW(hdc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  ::RestoreDC(hdc, saved);
}

void AvlfTree::DoPaint(HDC hdc) {
  DefWindowProc(WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
  DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(hdc), 0);
}

LRESULT AvlfTree::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  LRESULT result = DefWindowProc(uMsg, wParam, lParam);
  UpdateColors();
  return result;
}

LRESULT AvlfTree::OnFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  Invalidate();
  bHandled = FALSE;
  return 0;
}

LRESULT AvlfTree::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  // Typing starts the native incremental search, which selects what it finds.
  if (std::iswalnum(static_cast<wint_t>(wParam))) ClearSelectedStates(GetRootItem());
  bHandled = FALSE;
  return 0;
}

LRESULT AvlfTree::OnDoubleClick(int, LPNMHDR, BOOL& bHandled) {
  const DWORD pos = ::GetMessagePos();
  POINT pt{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  ::ScreenToClient(m_hWnd, &pt);
  SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
  SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  bHandled = FALSE;
  return 0;
}

LRESULT AvlfTree::OnBeginDrag(int, LPNMHDR header, BOOL&) {
  const auto* drag = reinterpret_cast<const NMTREEVIEWW*>(header);
  ClearSelectedStates(GetRootItem());
  SelectItem(drag->itemNew.hItem, TVGN_CARET);
  return 0;
}
