#include "toolkit/Slider.h"

#include <algorithm>
#include <cmath>

#include "toolkit/DoubleBuffer.h"

float SliderSpan(int width) { return static_cast<float>(width - 1) - 16.0f; }

int SliderThumbFromPos(int width, int minimum, int maximum, int position) {
  const float span = SliderSpan(width);
  if (span <= 0.0f || maximum <= minimum) return 0;
  return static_cast<int>(span * static_cast<float>(position - minimum) / static_cast<float>(maximum - minimum));
}

int SliderPosFromThumb(int width, int minimum, int maximum, int thumbX) {
  if (maximum <= minimum) return 0;
  const float span = SliderSpan(width);
  // A slider 17 pixels wide or narrower has no travel: its value is the minimum.
  if (span <= 0.0f) return minimum;
  const float value =
      static_cast<float>(maximum - minimum) * static_cast<float>(thumbX) / span + static_cast<float>(minimum);
  return static_cast<int>(std::lround(value));
}

AvlfSlider::~AvlfSlider() { FreeDrawingTools(); }

void AvlfSlider::FreeDrawingTools() {
  delete m_pNormalBrush;
  delete m_pHotBrush;
  delete m_pPressedBrush;
  delete m_pDisabledBrush;
  delete m_pTrackPen;
  m_pNormalBrush = m_pHotBrush = m_pPressedBrush = m_pDisabledBrush = nullptr;
  m_pTrackPen = nullptr;
}

LRESULT AvlfSlider::OnCreateSlider(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  OnCreate(uMsg, wParam, lParam, bHandled);
  m_bDisabled = (m_dwStyle & WS_DISABLED) != 0;
  m_hParentWnd = ::GetParent(m_hWnd);
  ::GetClientRect(m_hWnd, &m_rcClient);
  FreeDrawingTools();
  m_pTrackPen = new Gdiplus::Pen(Gdiplus::Color(0xFF404040), 1.5f);
  m_pNormalBrush = new Gdiplus::SolidBrush(Gdiplus::Color(0xFF404040));
  m_pHotBrush = new Gdiplus::SolidBrush(Gdiplus::Color(0xFF007AE0));
  m_pPressedBrush = new Gdiplus::SolidBrush(Gdiplus::Color(0xFF005098));
  m_pDisabledBrush = new Gdiplus::SolidBrush(Gdiplus::Color(0xFF808080));
  return 0;
}

LRESULT AvlfSlider::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  FreeDrawingTools();
  return 0;
}

LRESULT AvlfSlider::OnSizeSlider(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int w = static_cast<short>(LOWORD(lParam)), h = static_cast<short>(HIWORD(lParam));
  m_rcClient.right = w;
  m_rcClient.bottom = h;
  const int mid = (h - 1) / 2;
  m_nTrackX0 = 8;
  m_nTrackY0 = mid;
  m_nTrackX1 = w - 9;
  m_nTrackY1 = mid;
  m_nThumbY = mid - 8;
  m_nThumbX = 0;
  m_nThumbMin = 0;
  m_nThumbMax = w - 17;
  Repaint();
  return 0;
}

int AvlfSlider::ClampThumb(int x) const {
  // Narrower than the thumb: the upper limit falls below the lower one.
  return std::max(m_nThumbMin, std::min(x, std::max(m_nThumbMin, m_nThumbMax)));
}

bool AvlfSlider::HitsThumb(int x, int y) const {
  return x >= m_nThumbX && x <= m_nThumbX + m_nThumbWidth && y >= m_nThumbY && y <= m_nThumbY + m_nThumbHeight;
}

void AvlfSlider::MapThumb() {
  if (m_nMax > m_nMin) m_nThumbX = SliderThumbFromPos(m_rcClient.right - m_rcClient.left, m_nMin, m_nMax, m_nPos);
}

void AvlfSlider::Notify(int code) {
  ::SendMessageW(m_hParentWnd, WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(m_nPos & 0xFFFF)),
                 reinterpret_cast<LPARAM>(m_hWnd));
}

void AvlfSlider::DragTo(int x) {
  m_nThumbX = ClampThumb(x - m_nGrabOffset);
  m_nPos = SliderPosFromThumb(m_rcClient.right - m_rcClient.left, m_nMin, m_nMax, m_nThumbX);
  Notify(SB_THUMBPOSITION);
  Repaint();
}

LRESULT AvlfSlider::OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  if (HitsThumb(x, y)) {
    m_nGrabOffset = x - m_nThumbX;
    m_bDragging = true;
    Notify(SB_THUMBTRACK);
  }
  Repaint();
  return 0;
}

LRESULT AvlfSlider::OnMouseMove(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if ((wParam & MK_LBUTTON) && !m_bTracking) return 0;
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  if (::GetCapture() == m_hWnd) {
    POINT pt{x, y};
    ::ClientToScreen(m_hWnd, &pt);
    HWND under = ::WindowFromPoint(pt);
    if (under && under != m_hWnd && !(wParam & MK_LBUTTON)) {
      m_bHot = false;
      m_bDragging = false;
      Repaint();
      ::ReleaseCapture();
      return 0;
    }
  } else {
    m_bTracking = true;
    ::SetCapture(m_hWnd);
  }
  if (m_bDragging) {
    DragTo(x);
    return 0;
  }
  const bool hot = HitsThumb(x, y);
  if (hot != m_bHot) {
    m_bHot = hot;
    Repaint();
  }
  return 0;
}

LRESULT AvlfSlider::OnLButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int x = static_cast<short>(LOWORD(lParam));
  if (m_bDragging) {
    m_bDragging = false;
    DragTo(x);
  } else {
    m_nThumbX = ClampThumb(x - 8);
    m_nPos = SliderPosFromThumb(m_rcClient.right - m_rcClient.left, m_nMin, m_nMax, m_nThumbX);
  }
  Notify(SB_ENDSCROLL);
  Repaint();
  return 0;
}

LRESULT AvlfSlider::OnSetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  const int min = static_cast<int>(wParam), max = static_cast<int>(lParam);
  if (min == m_nMin && max == m_nMax) return 0;
  m_nMin = min;
  m_nMax = max;
  if (m_nPos > m_nMax) m_nPos = m_nMax;
  if (m_nPos < m_nMin) m_nPos = m_nMin;
  MapThumb();
  Repaint();
  return 0;
}

LRESULT AvlfSlider::OnSetPos(UINT, WPARAM wParam, LPARAM, BOOL&) {
  m_nPos = static_cast<int>(wParam);
  MapThumb();
  Repaint();
  return 0;
}

void AvlfSlider::DoPaint(HDC dc) {
  if (m_bTransparent) {
    CopyTransparentBackground(*this, dc);
  } else if (m_pBkBrush) {
    Gdiplus::Graphics g(dc);
    g.FillRectangle(m_pBkBrush, 0, 0, static_cast<INT>(m_rcClient.right), static_cast<INT>(m_rcClient.bottom));
  }
  Gdiplus::Graphics g(dc);
  if (m_pTrackPen) g.DrawLine(m_pTrackPen, m_nTrackX0, m_nTrackY0, m_nTrackX1, m_nTrackY1);
  const Gdiplus::SmoothingMode old = g.GetSmoothingMode();
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  Gdiplus::SolidBrush* brush = m_bDragging   ? m_pPressedBrush
                               : m_bHot      ? m_pHotBrush
                               : m_bDisabled ? m_pDisabledBrush
                                             : m_pNormalBrush;
  if (brush) g.FillEllipse(brush, m_nThumbX, m_nThumbY, m_nThumbWidth, m_nThumbHeight);
  g.SetSmoothingMode(old);
}

LRESULT AvlfSlider::OnPaintSlider(UINT, WPARAM wParam, LPARAM, BOOL&) {
  AvlfPaintDoubleBuffered(m_hWnd, wParam, [this](HDC dc) { DoPaint(dc); });
  return 0;
}
