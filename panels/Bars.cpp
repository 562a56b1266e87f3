#include "panels/Bars.h"

#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "panels/PropertyHost.h"

CWndHorizontalRuler* g_pWndHorizontalRuler = nullptr;

namespace {

constexpr int kGlyphSize = 22;
constexpr int kHitMargin = 80;

}  // namespace

win32::CWndClassInfo& CWndRuler::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndRuler", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

void CWndRuler::UpdateGlyphBox() {
  int left = (m_nClientWidth - kGlyphSize) / 2;
  if (left < 0) left = 0;
  int top = (m_nClientHeight - kGlyphSize) / 2 + 2;
  if (top < 0) top = 0;
  m_rcGlyph = RECT{left, top, left + kGlyphSize, top + kGlyphSize};
}

RECT CWndRuler::HitZone() const {
  if (m_bHorizontal) return RECT{m_rcGlyph.left - kHitMargin, 0, m_rcGlyph.right + kHitMargin, m_nClientHeight};
  return RECT{0, m_rcGlyph.top - kHitMargin, m_nClientWidth, m_rcGlyph.bottom + kHitMargin};
}

LRESULT CWndRuler::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  RECT rc{};
  GetClientRect(&rc);
  m_nClientWidth = rc.right;
  m_nClientHeight = rc.bottom;
  UpdateGlyphBox();
  return 0;
}

LRESULT CWndRuler::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  m_nClientHeight = static_cast<short>(HIWORD(lParam));
  m_nClientWidth = static_cast<short>(LOWORD(lParam));
  if (m_nClientWidth > 0 && m_nClientHeight > 0) UpdateGlyphBox();
  m_bLayoutValid = false;
  LayoutChildren(m_nClientWidth, m_nClientHeight);
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

// The press only arms the click; the mouse is not captured, so a release
// outside the window leaves it pending.
LRESULT CWndRuler::OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  const RECT zone = HitZone();
  if (::PtInRect(&zone, pt)) m_bPressed = TRUE;
  return 0;
}

LRESULT CWndRuler::OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if (!m_bPressed) return 0;
  m_bPressed = FALSE;
  const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  const RECT zone = HitZone();
  if (::PtInRect(&zone, pt))
    ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, static_cast<WPARAM>(static_cast<WORD>(m_nCommandID)),
                   reinterpret_cast<LPARAM>(m_hWnd));
  return 0;
}

LRESULT CWndRuler::OnSetState(UINT, WPARAM wParam, LPARAM, BOOL&) {
  m_nState = static_cast<int>(wParam);
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

void CWndRuler::DoPaint(HDC hdc) {
  Gdiplus::Graphics graphics(hdc);
  if (m_pBkBrush) graphics.FillRectangle(m_pBkBrush, 0, 0, m_nClientWidth, m_nClientHeight);
  if (!m_pFont || m_strText.size() < 2) return;
  const wchar_t glyph = m_nState == 0 ? m_strText[0] : m_strText[1];
  Gdiplus::SolidBrush brush(Gdiplus::Color(0xFF646464));
  Gdiplus::StringFormat format;
  const Gdiplus::RectF box(static_cast<Gdiplus::REAL>(m_rcGlyph.left), static_cast<Gdiplus::REAL>(m_rcGlyph.top),
                           static_cast<Gdiplus::REAL>(kGlyphSize), static_cast<Gdiplus::REAL>(kGlyphSize));
  graphics.DrawString(&glyph, 1, m_pFont, box, &format, &brush);
}

win32::CWndClassInfo& CWndStatus::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndStatus", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CWndStatus::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  GetClientRect(&m_rcClient);
  m_rcLayout = Gdiplus::RectF(0.0f, 0.0f, static_cast<Gdiplus::REAL>(m_rcClient.right),
                              static_cast<Gdiplus::REAL>(m_rcClient.bottom));
  return 0;
}

LRESULT CWndStatus::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam)), height = static_cast<short>(HIWORD(lParam));
  if (width > 0 && height > 0) {
    m_rcClient = RECT{0, 0, width, height};
    m_rcLayout = Gdiplus::RectF(0.0f, 0.0f, static_cast<Gdiplus::REAL>(width), static_cast<Gdiplus::REAL>(height));
  }
  return 0;
}

LRESULT CWndStatus::OnRepaint(UINT, WPARAM, LPARAM, BOOL&) {
  RepaintNow();
  return 0;
}

void CWndStatus::GetText(wchar_t* out, size_t count) const {
  if (!out || !count) return;
  ::AcquireSRWLockShared(&m_textLock);
  wcsncpy(out, m_szText, count - 1);
  out[count - 1] = 0;
  ::ReleaseSRWLockShared(&m_textLock);
}

void CWndStatus::DoPaint(HDC hdc) {
  CopyTransparentBackground(*this, hdc);
  wchar_t text[256];
  GetText(text, 256);
  if (!text[0] || !m_pFont || !m_pTextBrush) return;
  Gdiplus::Graphics graphics(hdc);
  if (m_bRightAligned) {
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentFar);
    Gdiplus::RectF layout = m_rcLayout;
    layout.Width -= 2.0f;
    graphics.DrawString(text, -1, m_pFont, layout, &format, m_pTextBrush);
  } else {
    graphics.DrawString(text, -1, m_pFont, m_rcLayout, nullptr, m_pTextBrush);
  }
}

void CWndStatus::RepaintNow() {
  if (!m_hWnd) return;
  const int width = m_rcClient.right, height = m_rcClient.bottom;
  if (width <= 0 || height <= 0) return;
  HDC dc = ::GetDC(m_hWnd);
  if (!dc) return;
  HDC memory = ::CreateCompatibleDC(dc);
  HBITMAP bitmap = memory ? ::CreateCompatibleBitmap(dc, width, height) : nullptr;
  if (bitmap) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    DoPaint(memory);
    ::BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
  }
  if (memory) ::DeleteDC(memory);
  ::ReleaseDC(m_hWnd, dc);
}

void CWndStatus::SetTextAndRepaint(const wchar_t* text) {
  ::AcquireSRWLockExclusive(&m_textLock);
  wcsncpy(m_szText, text, 255);
  m_szText[255] = 0;
  ::ReleaseSRWLockExclusive(&m_textLock);
  if (!m_hWnd) return;
  // GDI+ is not safe across threads: another thread only asks the window's
  // own thread to paint.
  if (::GetWindowThreadProcessId(m_hWnd, nullptr) == ::GetCurrentThreadId())
    RepaintNow();
  else
    ::PostMessageW(m_hWnd, WM_STATUS_REPAINT, 0, 0);
}

void CWndStatus::ShowImageSize(CDTImage* document) {
  wchar_t text[64] = L"";
  if (document) {
    const RECT picture{0, 0, document->m_nWidth, document->m_nHeight};
    RECT region{}, inside{};
    if (g_pDirectUI && g_pDirectUI->m_region.GetRegion(document, &region) &&
        ::IntersectRect(&inside, &region, &picture) && inside.right > inside.left && inside.bottom > inside.top)
      swprintf(text, 64, L"%d x %d px", static_cast<int>(inside.right - inside.left),
               static_cast<int>(inside.bottom - inside.top));
    else if (document->m_nWidth > 0 && document->m_nHeight > 0)
      swprintf(text, 64, L"%d x %d px", document->m_nWidth, document->m_nHeight);
  }
  SetTextAndRepaint(text);
}

void CWndStatus::ShowFrameRate(float rate) {
  wchar_t text[64] = L"";
  if (rate > 0) swprintf(text, 64, L"%.1f FPS,", static_cast<double>(rate));
  SetTextAndRepaint(text);
}

void CWndStatus::ShowCursorPosition(const CursorPosition* position, CDTImage* document) {
  // Room for the longest unit; the cell keeps the first 255 characters.
  wchar_t text[640] = L"";
  if (position && document && document->m_nWidth >= 1 && document->m_nHeight >= 1) {
    const int x = static_cast<int>(position->pixelX), y = static_cast<int>(position->pixelY);
    const double valueX = position->valueX, valueY = position->valueY;
    wchar_t unit[256];
    wcsncpy(unit, document->m_szUnit, 255);
    unit[255] = 0;
    if (unit[0])
      swprintf(text, 640, L"%d, %d px - %0.1f, %.1f %ls", x, y, valueX, valueY, unit);
    else
      swprintf(text, 640, L"%d, %d px - %0.1f, %.1f", x, y, valueX, valueY);
  }
  SetTextAndRepaint(text);
}

CWndHorizontalRuler::CWndHorizontalRuler() {
  m_wndFrameRate.m_bRightAligned = TRUE;
  if (!g_pWndHorizontalRuler) g_pWndHorizontalRuler = this;
}

CWndHorizontalRuler::~CWndHorizontalRuler() {
  if (g_pWndHorizontalRuler == this) g_pWndHorizontalRuler = nullptr;
}

LRESULT CWndHorizontalRuler::OnStripSkinInit(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  m_wndFrameRate.m_bRightAligned = TRUE;
  AttachSkinChild(this, m_wndCursor, 1);
  AttachSkinChild(this, m_wndFrameRate, 2);
  AttachSkinChild(this, m_wndSize, 3);
  return OnSkinInit(uMsg, wParam, lParam, handled);
}

LRESULT CWndHorizontalRuler::OnZoomStep(WORD, WORD id, HWND, BOOL&) {
  CDTImage* document = g_pDirectUI ? g_pDirectUI->m_pActiveImage : nullptr;
  if (document) document->SetZoomMode(2, id == 4 ? document->m_fZoom - 0.1f : document->m_fZoom + 0.1f);
  if (g_pWndProperties) {
    g_pWndProperties->ShowPanel(PanelImage);
    g_pWndProperties->RefreshZoom(document);
  }
  return 0;
}

// Actual size from any other mode, back to fitting the window from actual size.
LRESULT CWndHorizontalRuler::OnZoomFit(WORD, WORD, HWND, BOOL&) {
  CDTImage* document = g_pDirectUI ? g_pDirectUI->m_pActiveImage : nullptr;
  if (!document) return 0;
  g_pDirectUI->SetZoomMode(document->m_nZoomMode != 1 ? 1 : 0, 1.0f);
  if (g_pWndProperties) g_pWndProperties->RefreshZoom(document);
  return 0;
}
