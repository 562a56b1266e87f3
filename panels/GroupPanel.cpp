#include "panels/GroupPanel.h"

#include "toolkit/SkinUi.h"

win32::CWndClassInfo& CWndGroup::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndGroup", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndGroup::~CWndGroup() {
  delete m_pGlyphFont;
  m_pGlyphFont = nullptr;
}

void CWndGroup::SetCollapsed(BOOL collapsed) {
  m_bCollapsed = collapsed;
  for (AvlfWindowBase* child : m_children) {
    if (!child->m_hWnd) continue;
    if (collapsed)
      ::ShowWindow(child->m_hWnd, SW_HIDE);
    else if (ShowChildOnExpand(child->m_hWnd))
      ::ShowWindow(child->m_hWnd, SW_SHOW);
  }
}

BOOL CWndGroup::ShowChildOnExpand(HWND) { return TRUE; }

LRESULT CWndGroup::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  GetClientRect(&m_rcClient);
  delete m_pGlyphFont;
  m_pGlyphFont = GetSkinUi()->FindFont(L"FontAwesome", 10);
  return 0;
}

LRESULT CWndGroup::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam)), height = static_cast<short>(HIWORD(lParam));
  m_rcClient = RECT{0, 0, width, height};
  m_bLayoutValid = false;
  LayoutChildren(width, height);
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

LRESULT CWndGroup::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  delete m_pGlyphFont;
  m_pGlyphFont = nullptr;
  handled = FALSE;  // the subclass chain still needs to see it
  return 0;
}

// Only the release counts: the press may have begun anywhere, and the mouse
// is not captured.
LRESULT CWndGroup::OnLButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = HIWORD(lParam);
  if (x >= 0 && x < m_rcClient.right && y < kHeaderHeight)
    ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, static_cast<WPARAM>(static_cast<WORD>(m_nCommandID)),
                   reinterpret_cast<LPARAM>(m_hWnd));
  return 0;
}

void CWndGroup::DoPaint(HDC hdc) {
  const int width = m_rcClient.right, height = m_rcClient.bottom;
  if (m_bTransparent) {
    CopyTransparentBackground(*this, hdc);
  } else if (m_pBkBrush) {
    Gdiplus::Graphics background(hdc);
    background.FillRectangle(m_pBkBrush, 0, 0, width, height);
  }
  Gdiplus::Graphics graphics(hdc);
  Gdiplus::SolidBrush header(Gdiplus::Color(0xFF696969));
  graphics.FillRectangle(&header, 0, 0, width, kHeaderHeight);
  // The right edge falls just outside the client area: only the left, top
  // and bottom edges show.
  Gdiplus::Pen outline(Gdiplus::Color(0xFF333333), 1.0f);
  graphics.DrawRectangle(&outline, 0, 0, width, height - 1);
  Gdiplus::SolidBrush white(Gdiplus::Color(0xFFFFFFFF));
  Gdiplus::StringFormat format(0, 0);
  const Gdiplus::RectF band(4.0f, 0.0f, static_cast<Gdiplus::REAL>(width - 8),
                            static_cast<Gdiplus::REAL>(kHeaderHeight));
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  if (m_pGlyphFont && m_bGlyphShown && m_strText.size() >= 2) {
    format.SetAlignment(Gdiplus::StringAlignmentFar);
    const wchar_t glyph = m_bCollapsed ? m_strText[0] : m_strText[1];
    graphics.DrawString(&glyph, 1, m_pGlyphFont, band, &format, &white);
  }
  if (!m_strCaption.empty() && m_pFont) {
    format.SetAlignment(Gdiplus::StringAlignmentNear);
    graphics.DrawString(m_strCaption.c_str(), static_cast<INT>(m_strCaption.size()), m_pFont, band, &format, &white);
  }
}
