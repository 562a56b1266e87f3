// The skinned horizontal slider: a track line and a round 16-pixel thumb,
// its own range and position, reported to the parent as WM_HSCROLL.
#pragma once

// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstdint>

#include "toolkit/SkinWindow.h"

constexpr UINT WM_SLIDER_SETRANGE = WM_USER + 1;
constexpr UINT WM_SLIDER_SETPOS = WM_USER + 2;

// The thumb's travel for a client width: width - 17.
float SliderSpan(int width);
// Thumb x for a position; only meaningful when maximum > minimum. A slider
// with no travel keeps its thumb at the left end.
int SliderThumbFromPos(int width, int minimum, int maximum, int position);
// Position for a thumb x: 0 for an empty range, the minimum when the slider
// has no travel.
int SliderPosFromThumb(int width, int minimum, int maximum, int thumbX);

class AvlfSlider : public AvlfWindowImpl<AvlfSlider>, public CTransparentImpl<AvlfSlider> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo() {
    static win32::CWndClassInfo info = {
        L"AvlfSlider", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
    return info;
  }
  ~AvlfSlider() override;

  BEGIN_MSG_MAP(AvlfSlider)
  MESSAGE_HANDLER(WM_CREATE, OnCreateSlider)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_SIZE, OnSizeSlider)
  MESSAGE_HANDLER(WM_PAINT, OnPaintSlider)
  MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaintSlider)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
  MESSAGE_HANDLER(WM_SLIDER_SETRANGE, OnSetRange)
  MESSAGE_HANDLER(WM_SLIDER_SETPOS, OnSetPos)
  END_MSG_MAP()

  void SetRange(int min, int max) { ::SendMessageW(m_hWnd, WM_SLIDER_SETRANGE, static_cast<WPARAM>(min), max); }
  void SetPos(int pos) { ::SendMessageW(m_hWnd, WM_SLIDER_SETPOS, static_cast<WPARAM>(pos), 0); }

  void DoPaint(HDC dc);

  HWND m_hParentWnd = nullptr;
  int32_t m_nMin = 0;
  int32_t m_nMax = 100;
  int32_t m_nPos = 0;
  bool m_bDragging = false;
  bool m_bTracking = false;
  bool m_bHot = false;
  bool m_bDisabled = false;
  RECT m_rcClient{};
  int32_t m_nThumbX = 0;
  int32_t m_nThumbY = 0;
  int32_t m_nThumbWidth = 16;
  int32_t m_nThumbHeight = 16;
  Gdiplus::SolidBrush* m_pNormalBrush = nullptr;
  Gdiplus::SolidBrush* m_pHotBrush = nullptr;
  Gdiplus::SolidBrush* m_pPressedBrush = nullptr;
  Gdiplus::SolidBrush* m_pDisabledBrush = nullptr;
  Gdiplus::Pen* m_pTrackPen = nullptr;
  int32_t m_nTrackX0 = 0, m_nTrackY0 = 0, m_nTrackX1 = 0, m_nTrackY1 = 0;
  int32_t m_nGrabOffset = 0;
  int32_t m_nThumbMin = 0;
  int32_t m_nThumbMax = 0;

 private:
  void FreeDrawingTools();
  void Notify(int code);
  void Repaint() { ::InvalidateRect(m_hWnd, nullptr, FALSE); }
  bool HitsThumb(int x, int y) const;
  int ClampThumb(int x) const;
  void MapThumb();
  void DragTo(int x);

  LRESULT OnCreateSlider(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeSlider(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnPaintSlider(UINT uMsg, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnMouseMove(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnLButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnSetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnSetPos(UINT, WPARAM wParam, LPARAM, BOOL&);
};
