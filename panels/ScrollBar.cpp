#include "panels/ScrollBar.h"

#include <algorithm>
#include <cmath>

namespace {

// Rounds to the nearest integer, halves away from zero.
int Nearest(float value) { return static_cast<int>(std::lround(value)); }

}  // namespace

win32::CWndClassInfo& CWndScrollBar::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndScrollBar", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

void CWndScrollBar::UpdateThumb() {
  if (m_nRange <= 0) return;  // the thumb only matters once there is a range
  const int track = m_nClientWidth - m_ptTrack.x - 1;
  const int size = std::max(
      5, static_cast<int>(static_cast<float>(static_cast<long long>(m_nPage) * track) / static_cast<float>(m_nRange)));
  const float left = static_cast<float>(track - size) * static_cast<float>(m_nPosition) / static_cast<float>(m_nRange);
  m_rcThumb.left = std::max(0, Nearest(left));
  m_rcThumb.right = m_rcThumb.left + size;
  m_rcThumb.top = 3;
  m_rcThumb.bottom = m_nClientHeight - 1;
}

void CWndScrollBar::Resize(int width, int height) {
  m_nClientWidth = width;
  m_nClientHeight = height;
  m_ptTrack = POINT{0, 0};
  m_rcThumb = RECT{0, 3, 5, height - 1};
  UpdateThumb();
}

void CWndScrollBar::PlaceThumb(int left) {
  const int width = m_rcThumb.right - m_rcThumb.left;
  left = std::min(left, m_nClientWidth - 1 - width);
  left = std::max(left, 0);
  m_rcThumb.left = left;
  m_rcThumb.right = left + width;
}

void CWndScrollBar::Notify() {
  ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_nCommandID), 1),
                 reinterpret_cast<LPARAM>(m_hWnd));
}

void CWndScrollBar::LeaveHover() {
  m_nThumbState = ThumbNormal;
  m_bHover = 0;
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CWndScrollBar::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  RECT rc{};
  GetClientRect(&rc);
  Resize(rc.right, rc.bottom);
  return 0;
}

LRESULT CWndScrollBar::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam)), height = static_cast<short>(HIWORD(lParam));
  if (width > 0 && height > 0) Resize(width, height);
  return 0;
}

LRESULT CWndScrollBar::OnSetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  m_nRange = static_cast<int>(wParam);
  m_nPage = static_cast<int>(lParam);
  if (m_nPosition > m_nRange) m_nPosition = m_nRange;
  UpdateThumb();
  if (m_nPage >= m_nRange && m_nPosition != 0) {
    m_nPosition = 0;
    Notify();
  }
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

LRESULT CWndScrollBar::OnSetPos(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (m_nRange < m_nPage || m_nRange == 0) return 0;
  m_nPosition = static_cast<int>(wParam);
  const float track = static_cast<float>(m_nClientWidth - m_ptTrack.x - 1);
  if (track < 1.0f) {
    m_nThumbState = ThumbNormal;
  } else {
    const int width = m_rcThumb.right - m_rcThumb.left;
    m_rcThumb.left = Nearest(static_cast<float>(m_nPosition) * track / static_cast<float>(m_nRange));
    m_rcThumb.right = m_rcThumb.left + width;
    if (m_rcThumb.right > m_nClientWidth - 1) {
      m_rcThumb.right = m_nClientWidth - 1;
      m_rcThumb.left = m_rcThumb.right - width;
    }
  }
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

LRESULT CWndScrollBar::OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  const bool buttonDown = (wParam & MK_LBUTTON) != 0;
  if (buttonDown && !m_bHover) return 0;
  const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (::GetCapture() != m_hWnd && ::IsWindow(::GetParent(m_hWnd))) {
    m_bHover = 1;
    ::SetCapture(m_hWnd);
    return 0;
  }
  POINT screen = pt;
  ::ClientToScreen(m_hWnd, &screen);
  if (::WindowFromPoint(screen) != m_hWnd && !buttonDown) {
    m_nThumbState = ThumbNormal;
    m_bHover = 0;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::ReleaseCapture();
    return 0;
  }
  if (m_bDragging) {
    PlaceThumb(pt.x - m_nDragOffset);
    const int span = m_nClientWidth - 1;
    int position = 0;
    if (span >= 1)
      position = std::max(
          0, Nearest(static_cast<float>(m_nRange) * static_cast<float>(m_rcThumb.left) / static_cast<float>(span)));
    position = std::min(position, m_nRange);
    if (position != m_nPosition) {
      m_nPosition = position;
      Notify();
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
  } else if (m_nThumbState != ThumbHot) {
    m_nThumbState = ThumbHot;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
  }
  return 0;
}

LRESULT CWndScrollBar::OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  const int x = static_cast<short>(LOWORD(lParam));
  if (m_nPage < m_nRange && m_nRange > 0 && x >= m_rcThumb.left && x <= m_rcThumb.right) {
    m_nThumbState = ThumbPressed;
    m_nDragOffset = x - m_rcThumb.left;
    m_bDragging = 1;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
  }
  return 0;
}

LRESULT CWndScrollBar::OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  int position = 0;
  if (m_bDragging) {
    const int track = m_nClientWidth - m_ptTrack.x - 1;
    if (track >= 1)
      position = Nearest(static_cast<float>(m_rcThumb.left) * static_cast<float>(m_nRange) / static_cast<float>(track));
  } else {
    // A click on the track centres the thumb on the cursor.
    PlaceThumb(pt.x - (m_rcThumb.right - m_rcThumb.left) / 2);
    const int span = m_nClientWidth - 1;
    if (span >= 1) position = static_cast<int>(static_cast<long long>(m_nRange) * m_rcThumb.left / span);
  }
  m_nPosition = std::clamp(position, 0, std::max(0, m_nRange));
  Notify();
  m_nThumbState = ::PtInRect(&m_rcThumb, pt) ? ThumbHot : ThumbNormal;
  m_bDragging = 0;
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

LRESULT CWndScrollBar::OnLeaveState(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  const LRESULT result = DefWindowProc(uMsg, wParam, lParam);
  const bool leaves = (uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) || uMsg == WM_KILLFOCUS ||
                      uMsg == WM_CANCELMODE || (uMsg == WM_ENABLE && !wParam);
  if (leaves) LeaveHover();
  return result;
}

LRESULT CWndScrollBar::OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (m_bHover) {
    // Cleared before ReleaseCapture, whose own WM_CAPTURECHANGED then finds
    // nothing left to do.
    m_bHover = 0;
    ::ReleaseCapture();
    LeaveHover();
  }
  return DefWindowProc(uMsg, wParam, lParam);
}

void CWndScrollBar::DoPaint(HDC hdc) {
  CopyTransparentBackground(*this, hdc);
  if (!m_bHover || m_nRange <= m_nPage) return;
  Gdiplus::Graphics graphics(hdc);
  Gdiplus::SolidBrush track(Gdiplus::Color(0xFF696969));
  graphics.FillRectangle(&track, 0, 0, m_nClientWidth, m_nClientHeight);
  Gdiplus::SolidBrush thumb(Gdiplus::Color(m_nThumbState == ThumbHot ? 0xFFF5F5F5 : 0xFFD3D3D3));
  graphics.FillRectangle(&thumb, static_cast<INT>(m_rcThumb.left), static_cast<INT>(m_rcThumb.top),
                         static_cast<INT>(m_rcThumb.right - m_rcThumb.left),
                         static_cast<INT>(m_rcThumb.bottom - m_rcThumb.top));
}

CWndLine::~CWndLine() = default;

LRESULT CWndLine::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  m_hPenFace = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNFACE));
  m_hPenShadow = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
  return 0;
}

LRESULT CWndLine::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  if (dc) {
    RECT rc{};
    GetClientRect(&rc);
    HGDIOBJ old = ::SelectObject(dc, m_hPenFace);
    ::MoveToEx(dc, rc.left, 0, nullptr);
    ::LineTo(dc, rc.right, 0);
    ::SelectObject(dc, m_hPenShadow);
    ::MoveToEx(dc, rc.left, 1, nullptr);
    ::LineTo(dc, rc.right, 1);
    ::SelectObject(dc, old);
  }
  ::EndPaint(m_hWnd, &ps);
  return 0;
}

LRESULT CWndLine::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  if (m_hPenFace) ::DeleteObject(m_hPenFace);
  if (m_hPenShadow) ::DeleteObject(m_hPenShadow);
  m_hPenFace = m_hPenShadow = nullptr;
  return 0;
}
