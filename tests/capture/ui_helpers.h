#pragma once
// What the dialog tests' helper threads do as a user would: wait for a
// thread's dialog to appear, read its controls, take a screenshot.
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

#include "tests/common/bmp24_file.h"

namespace ui_test {

struct DialogSearch {
  const std::function<bool(HWND)>* accept;
  HWND found;
};

inline BOOL CALLBACK TakeDialog(HWND hWnd, LPARAM p) {
  auto* search = reinterpret_cast<DialogSearch*>(p);
  wchar_t cls[32] = {};
  ::GetClassNameW(hWnd, cls, 32);
  if (std::wcscmp(cls, L"#32770") == 0 && ::IsWindowVisible(hWnd) && (*search->accept)(hWnd)) {
    search->found = hWnd;
    return FALSE;
  }
  return TRUE;
}

// The first visible dialog-class window of `thread` that `accept` takes, or
// null after timeoutMs.
inline HWND WaitForDialog(DWORD thread, const std::function<bool(HWND)>& accept, int timeoutMs = 10000) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    DialogSearch search{&accept, nullptr};
    ::EnumThreadWindows(thread, &TakeDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    ::Sleep(20);
  }
  return nullptr;
}

inline std::wstring TextOf(HWND hWnd) {
  wchar_t text[512] = {};
  ::SendMessageTimeoutW(hWnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
  return text;
}

// Polls `done` until it holds or timeoutMs passed.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    if (done()) return true;
    ::Sleep(10);
  }
  return done();
}

// The screen under the window's rectangle, as a 24-bit BMP.
inline bool SaveWindowShot(HWND hWnd, const std::string& path) {
  RECT rc{};
  if (!::GetWindowRect(hWnd, &rc)) return false;
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ok = ::BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY) != 0;
    ::GdiFlush();
    ::SelectObject(memory, old);
  }
  if (ok) {
    Bmp24Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rows.assign(static_cast<const uint8_t*>(bits),
                        static_cast<const uint8_t*>(bits) + picture.RowBytes() * static_cast<size_t>(height));
    ok = WriteBmp24(path, picture);
  }
  if (bitmap) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace ui_test
