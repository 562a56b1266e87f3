#include "toolkit/ButtonTab.h"

#include <string>

CButtonTab::CButtonTab() {
  m_colors[0] = ::GetSysColor(COLOR_BTNFACE);
  m_colors[1] = ::GetSysColor(COLOR_BTNTEXT);
  m_colors[2] = ::GetSysColor(COLOR_BTNTEXT);
  m_colors[3] = ::GetSysColor(COLOR_BTNFACE);
  m_colors[4] = ::GetSysColor(COLOR_BTNTEXT);
}

BOOL CButtonTab::SubclassWindow(HWND button) {
  const LONG_PTR style = ::GetWindowLongPtrW(button, GWL_STYLE);
  ::SetWindowLongPtrW(button, GWL_STYLE, style | BS_OWNERDRAW);
  m_bCheckBox = (style & BS_CHECKBOX) != 0;
  return CWindowImplCore::SubclassWindow(button);
}

int CButtonTab::SetColor(int slot, COLORREF colour, bool repaint) {
  if (slot < 0 || slot > 4) return 3;
  m_colors[slot] = colour;
  if (repaint) Repaint();
  return 0;
}

void CButtonTab::SetCheck(bool checked, bool repaint) {
  if (!m_bCheckBox) return;
  m_bChecked = checked;
  if (repaint) Repaint();
}

LRESULT CButtonTab::DrawBackground(HDC dc, const RECT* rect) {
  HBRUSH brush = ::CreateSolidBrush(m_colors[(m_bHot || m_bPressed) ? 0 : 3]);
  ::FillRect(dc, rect, brush);
  ::DeleteObject(brush);
  return 0;
}

void CButtonTab::DrawItem(const DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  RECT rc = item->rcItem;
  m_bPressed = (item->itemState & ODS_SELECTED) || (m_bCheckBox && m_bChecked);
  m_bDisabled = (item->itemState & ODS_DISABLED) != 0;
  DrawBackground(dc, &rc);
  if (m_bFlatFill && (m_bPressed || m_bHot)) {
    HBRUSH brush = ::CreateSolidBrush(m_bPressed ? 0xCD904C : 0xA9A9A9);
    ::FillRect(dc, &rc, brush);
    ::DeleteObject(brush);
  }
  const int length = ::GetWindowTextLengthW(m_hWnd);
  if (length <= 0) return;
  std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
  caption.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, caption.data(), length + 1)));
  RECT text{rc.left, rc.top, rc.right, rc.bottom};
  ::DrawTextW(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
  ::OffsetRect(&text, ((rc.right - rc.left) - (text.right - text.left)) / 2,
               ((rc.bottom - rc.top) - (text.bottom - text.top)) / 2);
  ::SetBkMode(dc, TRANSPARENT);
  if (m_bDisabled) {
    RECT shifted = text;
    ::OffsetRect(&shifted, 1, 1);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::DrawTextW(dc, caption.c_str(), -1, &shifted, DT_WORDBREAK | DT_CENTER);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    ::DrawTextW(dc, caption.c_str(), -1, &text, DT_WORDBREAK | DT_CENTER);
    return;
  }
  ::SetTextColor(dc, m_colors[m_bPressed ? 2 : m_bHot ? 1 : 4]);
  ::DrawTextW(dc, caption.c_str(), -1, &text, DT_WORDBREAK | DT_CENTER);
  if (m_bPressed) {
    ::MoveToEx(dc, text.left, text.bottom + 1, nullptr);
    ::LineTo(dc, text.right, text.bottom + 1);
  }
}

LRESULT CButtonTab::OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  const LRESULT result = DefWindowProc(uMsg, wParam, lParam);
  if (!(wParam & MK_LBUTTON) || m_bHot) {
    if (::GetCapture() != m_hWnd && ::GetActiveWindow() && ::GetParent(m_hWnd)) {
      m_bHot = true;
      ::SetCapture(m_hWnd);
      Repaint();
      return result;
    }
  }
  POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ::ClientToScreen(m_hWnd, &pt);
  if (::WindowFromPoint(pt) != m_hWnd) {
    if (m_bHot) {
      m_bHot = false;
      Repaint();
    }
    if (!(wParam & MK_LBUTTON)) ::ReleaseCapture();
  }
  return result;
}

LRESULT CButtonTab::OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (m_bHot) {
    ::ReleaseCapture();
    Repaint();
  }
  return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT CButtonTab::OnLoseHot(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  const LRESULT result = DefWindowProc(uMsg, wParam, lParam);
  const bool applies = (uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) || (uMsg == WM_ENABLE && !wParam) ||
                       uMsg == WM_KILLFOCUS || uMsg == WM_CANCELMODE;
  if (applies && m_bHot) {
    m_bHot = false;
    Repaint();
  }
  return result;
}

LRESULT CButtonTab::OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL&) {
  if (lParam) DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  return 1;
}

LRESULT CButtonTab::OnCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (HIWORD(wParam) != BN_CLICKED) return DefWindowProc(uMsg, wParam, lParam);
  if (m_bCheckBox) {
    m_bChecked = !m_bChecked;
    Repaint();
  }
  return 0;
}
