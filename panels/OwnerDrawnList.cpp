#include "panels/OwnerDrawnList.h"

#include <algorithm>
#include <utility>

#include "toolkit/SkinUi.h"

namespace {

constexpr Gdiplus::ARGB kHoverFill = 0x80D3D3D3;
constexpr Gdiplus::ARGB kHiddenText = 0xFF808080;
constexpr Gdiplus::ARGB kLockedText = 0xFF005098;
constexpr Gdiplus::ARGB kGlyphHot = 0xFFFF0000;
constexpr Gdiplus::ARGB kGlyph = 0xFF404040;
constexpr wchar_t kRemoveGlyph = 0xF00D;
constexpr int kPageStep = 48;

POINT PointOf(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

RECT RemoveBox(const RECT& row) { return {row.right - 34, row.top, row.right - 2, row.bottom}; }

}  // namespace

CWndListEx::CItem::~CItem() { delete m_pThumbnail; }

win32::CWndClassInfo& CWndListEx::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndListEx", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndListEx::~CWndListEx() {
  DeleteItems();
  DeleteRowObjects();
}

void CWndListEx::DeleteItems() {
  for (CItem* item : m_items) delete item;
  m_items.clear();
  m_pCurrent = m_pAnchor = m_pHover = nullptr;
}

void CWndListEx::DeleteRowObjects() {
  delete m_pRowFont;
  delete m_pBandBrush;
  delete m_pTextSelBrush;
  delete m_pHoverBrush;
  delete m_pHiddenBrush;
  delete m_pLockedBrush;
  delete m_pGlyphFont;
  m_pRowFont = nullptr;
  m_pBandBrush = m_pTextSelBrush = m_pHoverBrush = m_pHiddenBrush = m_pLockedBrush = nullptr;
  m_pGlyphFont = nullptr;
}

void CWndListEx::ClientSize(int* width, int* height) const {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  *width = rc.right;
  *height = rc.bottom;
}

void CWndListEx::Notify(WORD code) {
  ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_nCommandID), code),
                 reinterpret_cast<LPARAM>(m_hWnd));
}

void CWndListEx::InvalidateContent() { ::InvalidateRect(m_hWnd, &m_rcContent, FALSE); }

LRESULT CWndListEx::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  RECT rc{};
  GetClientRect(&rc);
  m_rcContent.right = rc.right;
  m_rcContent.bottom = rc.bottom;
  m_hScrollBar = ::CreateWindowExW(
      0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT | SBS_RIGHTALIGN, rc.right - 32, rc.top, 32, rc.bottom - rc.top,
      m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kScrollBarId)), ::GetModuleHandleW(nullptr), nullptr);
  ReadColours();
  if (rc.right > 0 && rc.bottom > 0) UpdateScrollBar(rc.right, rc.bottom);
  delete m_pGlyphFont;
  m_pGlyphFont = GetSkinUi()->FindFont(L"FontAwesome", 13);
  return 0;
}

void CWndListEx::ReadColours() {
  const auto skinColour = [this](const wchar_t* attribute, Gdiplus::ARGB* out) {
    const AvlfUiWindow::Attribute* named = m_pElement ? m_pElement->FindAttribute(attribute) : nullptr;
    if (!named) return;
    const auto* colour =
        dynamic_cast<const AvlfUiElementColor*>(GetSkinUi()->FindElement(named->GetValue(), AVLF_UI_COLOR));
    if (colour) *out = colour->GetArgb();
  };
  skinColour(L"ClBand", &m_clrBand);
  skinColour(L"ClTextSel", &m_clrTextSel);
  DeleteRowObjects();
  LOGFONTW font = m_logFont;
  font.lfWeight = FW_NORMAL;
  m_pRowFont = MakeSkinWindowFont(m_hWnd, m_strFontFile, font);
  m_pBandBrush = new Gdiplus::SolidBrush(Gdiplus::Color(m_clrBand));
  m_pTextSelBrush = new Gdiplus::SolidBrush(Gdiplus::Color(m_clrTextSel));
  m_pHoverBrush = new Gdiplus::SolidBrush(Gdiplus::Color(kHoverFill));
  m_pHiddenBrush = new Gdiplus::SolidBrush(Gdiplus::Color(kHiddenText));
  m_pLockedBrush = new Gdiplus::SolidBrush(Gdiplus::Color(kLockedText));
}

CWndListEx::CItem* CWndListEx::AddItem(const wchar_t* text, IStream* thumbnail, void* data, bool repaint) {
  ListExItemInfo info{text, thumbnail, data};
  auto* item = reinterpret_cast<CItem*>(SendMessage(WM_LISTEX_ADDITEM, reinterpret_cast<WPARAM>(&info), 0));
  if (repaint) ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return item;
}

int CWndListEx::RemoveItemByData(void* data) {
  return static_cast<int>(SendMessage(WM_LISTEX_REMOVEITEM, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(data)));
}

void CWndListEx::RemoveAllItems() { SendMessage(WM_LISTEX_CLEAR, 0, 0); }

void CWndListEx::SetItemHidden(void* data, BOOL hidden) {
  const int flag = hidden ? 1 : 0;
  for (CItem* item : m_items) {
    if (item->m_pData != data) continue;
    if (item->m_bHidden != flag) {
      item->m_bHidden = flag;
      InvalidateContent();
    }
    return;
  }
}

void CWndListEx::SetItemLocked(void* data, BOOL locked) {
  const int flag = locked ? 1 : 0;
  for (CItem* item : m_items) {
    if (item->m_pData != data) continue;
    if (item->m_bLocked != flag) {
      item->m_bLocked = flag;
      InvalidateContent();
    }
    return;
  }
}

void CWndListEx::SetItemText(void* data, const wchar_t* text) {
  if (!text) return;
  for (CItem* item : m_items) {
    if (item->m_pData != data) continue;
    if (item->m_strText != text) {
      item->m_strText = text;
      InvalidateContent();
    }
    return;
  }
}

CWndListEx::CItem* CWndListEx::HitTest(POINT point) const {
  for (CItem* item : m_items)
    if (::PtInRect(&item->m_rcItem, point)) return item;
  return nullptr;
}

LRESULT CWndListEx::OnAddItem(UINT, WPARAM wParam, LPARAM, BOOL&) {
  const auto* info = reinterpret_cast<const ListExItemInfo*>(wParam);
  auto* item = new CItem;
  item->m_pOwner = this;
  if (info) {
    if (info->text) item->m_strText = info->text;
    item->m_pData = info->data;
    // Thumbnails are always 4:3 at the row height, whatever the source's aspect.
    const int height = m_nItemHeight - 8;
    const int width = static_cast<int>(static_cast<float>(height) / 3.0f * 4.0f);
    if (info->thumbnail && width > 0 && height > 0) {
      Gdiplus::Bitmap* source = Gdiplus::Bitmap::FromStream(info->thumbnail);
      if (source && source->GetLastStatus() == Gdiplus::Ok && source->GetWidth() && source->GetHeight()) {
        auto* thumbnail = new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB);
        if (thumbnail->GetLastStatus() == Gdiplus::Ok) {
          Gdiplus::Graphics graphics(thumbnail);
          graphics.DrawImage(source, 0, 0, width, height);
          item->m_pThumbnail = thumbnail;
          item->m_rcImage[2] = static_cast<int>(thumbnail->GetWidth());
          item->m_rcImage[3] = static_cast<int>(thumbnail->GetHeight());
        } else {
          delete thumbnail;
        }
      }
      delete source;
    }
  }
  m_items.push_back(item);
  int width = 0, height = 0;
  ClientSize(&width, &height);
  UpdateScrollBar(width, height);
  return reinterpret_cast<LRESULT>(item);
}

LRESULT CWndListEx::OnRemoveItem(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  m_pAnchor = nullptr;
  const auto index = static_cast<INT_PTR>(wParam);
  auto found = m_items.end();
  if (index < 0 && lParam) {
    found = std::find_if(m_items.begin(), m_items.end(),
                         [lParam](const CItem* item) { return item->m_pData == reinterpret_cast<void*>(lParam); });
  } else if (index >= 0 && index < static_cast<INT_PTR>(m_items.size())) {
    found = m_items.begin() + index;
  }
  if (found != m_items.end()) {
    CItem* item = *found;
    if (item == m_pCurrent) {
      m_pCurrent = nullptr;
      Notify(LBN_SELCHANGE);
    }
    if (item == m_pHover) m_pHover = nullptr;
    // The parent may have changed the rows while it was told.
    auto still = std::find(m_items.begin(), m_items.end(), item);
    if (still != m_items.end()) {
      m_items.erase(still);
      delete item;
    }
  }
  int width = 0, height = 0;
  ClientSize(&width, &height);
  UpdateScrollBar(width, height);
  InvalidateContent();
  return static_cast<LRESULT>(m_items.size());
}

LRESULT CWndListEx::OnClear(UINT, WPARAM, LPARAM, BOOL&) {
  m_pAnchor = nullptr;
  m_pHover = nullptr;
  if (m_pCurrent) {
    m_pCurrent = nullptr;
    Notify(LBN_SELCHANGE);
  }
  DeleteItems();
  int width = 0, height = 0;
  ClientSize(&width, &height);
  UpdateScrollBar(width, height);
  InvalidateContent();
  return 0;
}

LRESULT CWndListEx::OnSwapItems(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  const auto a = static_cast<INT_PTR>(wParam);
  const auto b = static_cast<INT_PTR>(lParam);
  const auto count = static_cast<INT_PTR>(m_items.size());
  if (a == b || a < 0 || b < 0 || a >= count || b >= count) return 0;
  std::swap(m_items[static_cast<size_t>(a)], m_items[static_cast<size_t>(b)]);
  InvalidateContent();
  return 1;
}

LRESULT CWndListEx::OnSelectData(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  const bool keep = ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_SHIFT) < 0;
  int matched = -1;
  for (size_t i = 0; i < m_items.size(); ++i) {
    CItem* item = m_items[i];
    if (item->m_pData == reinterpret_cast<void*>(lParam)) {
      item->m_bSelected = 1;
      m_pCurrent = item;
      matched = static_cast<int>(i);
    } else if (!keep) {
      item->m_bSelected = 0;
    }
  }
  if (m_pCurrent && wParam && m_hScrollBar && ::IsWindowVisible(m_hScrollBar)) {
    SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(m_hScrollBar, SB_CTL, &info);
    const int limit = std::max(0, info.nMax - static_cast<int>(info.nPage));
    const int position = std::clamp(matched >= 0 ? matched * m_nItemHeight : 0, 0, limit);
    ::SetScrollPos(m_hScrollBar, SB_CTL, position, TRUE);
    m_nScrollPos = position;
  }
  InvalidateContent();
  return 1;
}

void CWndListEx::UpdateScrollBar(int width, int height) {
  const int content = static_cast<int>(m_items.size()) * m_nItemHeight + 1;
  m_rcContent.top = 0;
  m_rcContent.bottom = height;
  if (!m_hScrollBar) {
    m_nScrollBarWidth = 0;
    m_nScrollPos = 0;
    m_rcContent.right = width;
    return;
  }
  if (content > height) {
    RECT bar{};
    ::GetWindowRect(m_hScrollBar, &bar);
    m_nScrollBarWidth = bar.right - bar.left;
    if (m_nScrollBarWidth > 0) {
      // Each row added to a long list asks again; the bar is told only what changed.
      SCROLLINFO shown{sizeof(shown), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
      ::GetScrollInfo(m_hScrollBar, SB_CTL, &shown);
      if (shown.nMin != 0 || shown.nMax != content || shown.nPage != static_cast<UINT>(height) ||
          shown.nPos != m_nScrollPos) {
        SCROLLINFO info{
            sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, content, static_cast<UINT>(height), m_nScrollPos, 0};
        // Redrawn with the next paint rather than at once: under Wine a
        // synchronous redraw per added row made filling a long list slow.
        ::SetScrollInfo(m_hScrollBar, SB_CTL, &info, FALSE);
        ::InvalidateRect(m_hScrollBar, nullptr, TRUE);
      }
      m_nScrollPos = std::min(m_nScrollPos, content - height);
      ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&bar), 2);
      const RECT place{width - m_nScrollBarWidth - 1, 1, width - 1, height - 1};
      if (!::EqualRect(&bar, &place))
        ::SetWindowPos(m_hScrollBar, nullptr, place.left, place.top, m_nScrollBarWidth, height - 2,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
      if (!::IsWindowVisible(m_hScrollBar)) ::ShowWindow(m_hScrollBar, SW_SHOW);
      m_rcContent.right = width - m_nScrollBarWidth - 1;
      return;
    }
  } else {
    m_nScrollBarWidth = 0;
  }
  m_nScrollPos = 0;
  ::ShowWindow(m_hScrollBar, SW_HIDE);
  m_rcContent.right = width;
}

LRESULT CWndListEx::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  const int width = static_cast<short>(LOWORD(lParam));
  const int height = static_cast<short>(HIWORD(lParam));
  if (width >= 0 && height >= 0) {
    m_rcContent = {0, 0, width, height};
    UpdateScrollBar(width, height);
  }
  handled = FALSE;  // the template lays out and invalidates
  return 0;
}

LRESULT CWndListEx::OnVScroll(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (!m_hScrollBar || reinterpret_cast<HWND>(lParam) != m_hScrollBar) {
    handled = FALSE;
    return 0;
  }
  (void)uMsg;
  SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
  ::GetScrollInfo(m_hScrollBar, SB_CTL, &info);
  int position = info.nPos;
  switch (LOWORD(wParam)) {
    case SB_LINEUP:
    case SB_TOP:
      position = std::max(info.nMin, position - 1);
      break;
    case SB_LINEDOWN:
    case SB_BOTTOM:
      position = std::min(info.nMax, position + 1);
      break;
    case SB_PAGEUP:
      position = std::max(info.nMin, position - kPageStep);
      break;
    case SB_PAGEDOWN:
      position = std::min(info.nMax, position + kPageStep);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      position = static_cast<short>(HIWORD(wParam));
      break;
    default:
      break;
  }
  if (position != info.nPos) {
    // The bar keeps its position within range - page; the list shows what the bar shows.
    ::SetScrollPos(m_hScrollBar, SB_CTL, position, TRUE);
    m_nScrollPos = ::GetScrollPos(m_hScrollBar, SB_CTL);
    InvalidateContent();
  }
  ::SetFocus(m_hScrollBar);
  return 0;
}

LRESULT CWndListEx::OnMouseWheel(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (!m_hScrollBar || !::IsWindowVisible(m_hScrollBar)) return DefWindowProc(uMsg, wParam, lParam);
  SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
  ::GetScrollInfo(m_hScrollBar, SB_CTL, &info);
  const int delta = static_cast<short>(HIWORD(wParam));
  const int limit = std::max(info.nMin, info.nMax - static_cast<int>(info.nPage));
  const int position = std::clamp(info.nPos - delta, info.nMin, limit);
  ::SetScrollPos(m_hScrollBar, SB_CTL, position, TRUE);
  m_nScrollPos = position;
  InvalidateContent();
  return 0;
}

LRESULT CWndListEx::OnPaintMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL&) {
  if (uMsg == WM_PRINTCLIENT || wParam) {
    if (wParam) PaintTo(reinterpret_cast<HDC>(wParam));
    return 0;
  }
  PAINTSTRUCT ps;
  HDC hdc = ::BeginPaint(m_hWnd, &ps);
  if (hdc) PaintTo(hdc);
  ::EndPaint(m_hWnd, &ps);
  return 0;
}

void CWndListEx::PaintTo(HDC hdc) {
  int width = 0, height = 0;
  ClientSize(&width, &height);
  if (width <= 0 || height <= 0) return;
  HDC memory = ::CreateCompatibleDC(hdc);
  HBITMAP bitmap = ::CreateCompatibleBitmap(hdc, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  {
    Gdiplus::Graphics graphics(memory);
    if (m_pBkBrush) {
      graphics.FillRectangle(m_pBkBrush, 0, 0, width, height);
    } else {
      Gdiplus::SolidBrush background{Gdiplus::Color(m_clrBkGround)};
      graphics.FillRectangle(&background, 0, 0, width, height);
    }
    // Every row gets its rectangle (hit tests use them); only rows that
    // reach the client area are drawn, which paints the same picture.
    const int right = width - m_nScrollBarWidth;
    for (size_t i = 0; i < m_items.size(); ++i) {
      CItem* item = m_items[i];
      const int top = static_cast<int>(i) * m_nItemHeight - m_nScrollPos;
      item->m_rcItem = {0, top, right, top + m_nItemHeight};
      if (item->m_rcItem.bottom > 0 && top < height) DrawItem(graphics, item);
    }
    if (m_pGlyphFont && m_bTracking && m_pHover) {
      m_rcRemove = RemoveBox(m_pHover->m_rcItem);
      Gdiplus::SolidBrush glyphBrush{Gdiplus::Color(m_bRemoveHot ? kGlyphHot : kGlyph)};
      Gdiplus::StringFormat format;
      format.SetAlignment(Gdiplus::StringAlignmentCenter);
      format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
      const Gdiplus::RectF box(static_cast<float>(m_rcRemove.left), static_cast<float>(m_rcRemove.top),
                               static_cast<float>(m_rcRemove.right - m_rcRemove.left),
                               static_cast<float>(m_rcRemove.bottom - m_rcRemove.top));
      graphics.DrawString(&kRemoveGlyph, 1, m_pGlyphFont, box, &format, &glyphBrush);
    }
  }
  ::BitBlt(hdc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
}

void CWndListEx::DrawItem(Gdiplus::Graphics& graphics, CItem* item) {
  const RECT& rc = item->m_rcItem;
  const int rowWidth = rc.right - rc.left;
  const int rowHeight = rc.bottom - rc.top;
  Gdiplus::Brush* text = m_pTextBrush;
  if (item->m_bSelected) {
    if (m_pBandBrush) graphics.FillRectangle(m_pBandBrush, static_cast<INT>(rc.left), rc.top, rowWidth, rowHeight);
    if (m_pTextSelBrush) text = m_pTextSelBrush;
  } else if (item == m_pHover && m_pHoverBrush) {
    graphics.FillRectangle(m_pHoverBrush, static_cast<INT>(rc.left), rc.top, rowWidth, rowHeight);
  }
  int thumbnailWidth = 0;
  if (item->m_pThumbnail) {
    thumbnailWidth = item->m_rcImage[2];
    item->m_rcImage[0] = rc.left + 4;
    item->m_rcImage[1] = rc.top + (rowHeight - item->m_rcImage[3]) / 2;
    graphics.DrawImage(item->m_pThumbnail, item->m_rcImage[0], item->m_rcImage[1], item->m_rcImage[2],
                       item->m_rcImage[3]);
  }
  if (item->m_bHidden && m_pHiddenBrush)
    text = m_pHiddenBrush;
  else if (item->m_bLocked && m_pLockedBrush)
    text = m_pLockedBrush;
  if (!m_pRowFont || !text || item->m_strText.empty()) return;
  Gdiplus::StringFormat format;
  format.SetAlignment(Gdiplus::StringAlignmentNear);
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  const Gdiplus::RectF layout(static_cast<float>(rc.left + 8 + thumbnailWidth), static_cast<float>(rc.top),
                              static_cast<float>(rowWidth - thumbnailWidth - 6), static_cast<float>(rowHeight));
  graphics.DrawString(item->m_strText.c_str(), static_cast<INT>(item->m_strText.size()), m_pRowFont, layout, &format,
                      text);
}

LRESULT CWndListEx::OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  const bool buttonDown = (wParam & MK_LBUTTON) != 0;
  if (buttonDown && !m_bTracking) return 0;
  if (::GetCapture() != m_hWnd && ::IsWindow(::GetParent(m_hWnd))) {
    m_bTracking = 1;
    ::SetCapture(m_hWnd);
    InvalidateContent();
    return 0;
  }
  const POINT point = PointOf(lParam);
  POINT screen = point;
  ::ClientToScreen(m_hWnd, &screen);
  HWND under = ::WindowFromPoint(screen);
  if (!under) return 0;
  if (under != m_hWnd) {
    if (m_bTracking) {
      m_pHover = nullptr;
      m_bTracking = 0;
      InvalidateContent();
    }
    if (!buttonDown && ::GetCapture() == m_hWnd) ::ReleaseCapture();
    return 0;
  }
  CItem* hit = HitTest(point);
  if (hit == m_pHover) {
    if (!hit) return 0;
    const int hot = ::PtInRect(&m_rcRemove, point) ? 1 : 0;
    if (hot != m_bRemoveHot) {
      m_bRemoveHot = hot;
      InvalidateContent();
    }
    return 0;
  }
  m_pHover = hit;
  if (hit) {
    m_rcRemove = RemoveBox(hit->m_rcItem);
    m_bRemoveHot = ::PtInRect(&m_rcRemove, point) ? 1 : 0;
  }
  InvalidateContent();
  return 0;
}

LRESULT CWndListEx::OnHoverEnds(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  const LRESULT result = DefWindowProc(uMsg, wParam, lParam);
  if (uMsg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) return result;
  if (m_bTracking) {
    m_pHover = nullptr;
    m_bTracking = 0;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
  }
  return result;
}

LRESULT CWndListEx::OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (m_bTracking) {
    // Only our own capture: another window may have just taken it.
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    m_bTracking = 0;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
  }
  handled = FALSE;
  return 0;
}

LRESULT CWndListEx::OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if (m_items.empty()) return 0;
  const POINT point = PointOf(lParam);
  if (m_pHover && ::PtInRect(&m_rcRemove, point)) {
    CItem* row = m_pHover;
    if (row == m_pCurrent) m_pCurrent = nullptr;
    m_pHover = nullptr;
    if (m_fnRemoveItem) m_fnRemoveItem(row);
    return 0;
  }
  CItem* hit = HitTest(point);
  if (wParam & MK_CONTROL) {
    m_pCurrent = hit;
    if (hit) hit->m_bSelected = 1;
  } else if (wParam & MK_SHIFT) {
    if (!m_pAnchor) {
      m_pCurrent = hit;
      if (hit) {
        hit->m_bSelected = !hit->m_bSelected;
        if (hit->m_bSelected) m_pAnchor = hit;
      }
    } else if (hit) {
      const LONG low = std::min(m_pAnchor->m_rcItem.top, hit->m_rcItem.top);
      const LONG high = std::max(m_pAnchor->m_rcItem.top, hit->m_rcItem.top);
      for (CItem* item : m_items) item->m_bSelected = item->m_rcItem.top >= low && item->m_rcItem.top <= high;
    }
  } else {
    m_pCurrent = hit;
    for (CItem* item : m_items) item->m_bSelected = item == hit;
    if (hit) m_pAnchor = hit;
  }
  InvalidateContent();
  Notify(LBN_SELCHANGE);
  ::SetCapture(m_hWnd);
  ::SetFocus(m_hWnd);
  return 0;
}

LRESULT CWndListEx::OnLButtonDblClk(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  m_pAnchor = nullptr;
  CItem* hit = HitTest(PointOf(lParam));
  if (!hit) return 0;
  if (hit != m_pCurrent) {
    m_pCurrent = hit;
    Notify(LBN_SELCHANGE);
  }
  Notify(LBN_DBLCLK);
  return 0;
}

LRESULT CWndListEx::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  if (m_fnKeyDown) m_fnKeyDown(static_cast<unsigned>(wParam));
  handled = FALSE;
  return 0;
}

LRESULT CWndListEx::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  DeleteItems();
  DeleteRowObjects();
  m_hScrollBar = nullptr;
  handled = FALSE;
  return 0;
}
