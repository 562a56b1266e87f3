// Painting mix-ins for window objects: double-buffered paint and the
// custom-draw stages of common controls. Chain them from the class's map.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "win32/MessageMap.h"

namespace win32 {

// Paints through an off-screen bitmap that is copied to the screen once.
// T supplies void DoPaint(HDC hdc), drawing the client area into hdc.
// WM_PAINT with a DC in wParam and WM_PRINTCLIENT paint the whole client
// area into that DC; a plain WM_PAINT paints the update rectangle.
template <class T>
class CDoubleBufferImpl {
 public:
  BEGIN_MSG_MAP(CDoubleBufferImpl)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_PAINT, OnPaint)
  MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaint)
  END_MSG_MAP()

 protected:
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }

  LRESULT OnPaint(UINT uMsg, WPARAM wParam, LPARAM, BOOL&) {
    T* self = static_cast<T*>(this);
    HWND hWnd = self->m_hWnd;
    RECT area{};
    PAINTSTRUCT ps{};
    HDC target = nullptr;
    const bool given = wParam && (uMsg == WM_PRINTCLIENT || uMsg == WM_PAINT);
    if (given) {
      target = reinterpret_cast<HDC>(wParam);
      ::GetClientRect(hWnd, &area);
    } else {
      target = ::BeginPaint(hWnd, &ps);
      area = ps.rcPaint;
    }
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (target && width > 0 && height > 0) {
      HDC memory = ::CreateCompatibleDC(target);
      HBITMAP bitmap = memory ? ::CreateCompatibleBitmap(target, width, height) : nullptr;
      if (bitmap) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
        self->DoPaint(memory);
        ::SetViewportOrgEx(memory, 0, 0, nullptr);
        ::BitBlt(target, area.left, area.top, width, height, memory, 0, 0, SRCCOPY);
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
      } else {
        self->DoPaint(target);  // no memory for a buffer: paint directly
      }
      if (memory) ::DeleteDC(memory);
    }
    if (!given) ::EndPaint(hWnd, &ps);
    return 0;
  }
};

// Answers NM_CUSTOMDRAW (sent to the parent, or reflected to the control)
// stage by stage. T overrides the stages it draws; the others answer
// CDRF_DODEFAULT. A stage the control does not know is left unhandled.
template <class T>
class CCustomDraw {
 public:
  BEGIN_MSG_MAP(CCustomDraw)
  NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
  REFLECTED_NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
  END_MSG_MAP()

  LRESULT OnCustomDraw(int, LPNMHDR header, BOOL& bHandled) {
    T* self = static_cast<T*>(this);
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(header);
    switch (draw->dwDrawStage) {
      case CDDS_PREPAINT:
        return self->OnPrePaint(draw);
      case CDDS_POSTPAINT:
        return self->OnPostPaint(draw);
      case CDDS_PREERASE:
        return self->OnPreErase(draw);
      case CDDS_POSTERASE:
        return self->OnPostErase(draw);
      case CDDS_ITEMPREPAINT:
        return self->OnItemPrePaint(draw);
      case CDDS_ITEMPOSTPAINT:
        return self->OnItemPostPaint(draw);
      case CDDS_ITEMPREERASE:
        return self->OnItemPreErase(draw);
      case CDDS_ITEMPOSTERASE:
        return self->OnItemPostErase(draw);
      case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        return self->OnSubItemPrePaint(draw);
      default:
        bHandled = FALSE;
        return CDRF_DODEFAULT;
    }
  }

  DWORD OnPrePaint(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnPostPaint(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnPreErase(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnPostErase(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnItemPrePaint(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnItemPostPaint(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnItemPreErase(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnItemPostErase(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnSubItemPrePaint(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
};

}  // namespace win32
