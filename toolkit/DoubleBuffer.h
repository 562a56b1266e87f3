// Painting through a memory DC of the client area's size, so that a control
// that repaints itself whole never flickers.
#pragma once

#include <windows.h>

// Handles WM_PAINT and WM_PRINTCLIENT: a DC in wParam is painted directly,
// otherwise the window's update region through BeginPaint.
template <class Paint>
void AvlfPaintDoubleBuffered(HWND hWnd, WPARAM wParam, Paint paint) {
  auto buffered = [&](HDC target) {
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return;
    HDC memory = ::CreateCompatibleDC(target);
    HBITMAP bitmap = ::CreateCompatibleBitmap(target, rc.right, rc.bottom);
    if (memory && bitmap) {
      HGDIOBJ old = ::SelectObject(memory, bitmap);
      paint(memory);
      ::BitBlt(target, 0, 0, rc.right, rc.bottom, memory, 0, 0, SRCCOPY);
      ::SelectObject(memory, old);
    }
    if (bitmap) ::DeleteObject(bitmap);
    if (memory) ::DeleteDC(memory);
  };
  if (wParam) {
    buffered(reinterpret_cast<HDC>(wParam));
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hWnd, &ps);
  if (dc) buffered(dc);
  ::EndPaint(hWnd, &ps);
}
