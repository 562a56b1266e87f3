// A window as it shows on the screen (the session's Xvfb), children
// included, saved as a PNG test artefact.
#pragma once

// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <string>
#include <vector>

#include "tests/panels/panel_fixture.h"

namespace paneltest {

inline bool SaveScreenShot(HWND window, const wchar_t* file) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();
  RECT rc{};
  ::GetWindowRect(window, &rc);
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  std::vector<unsigned char> storage(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  bool saved = false;
  for (UINT i = 0; i < count && !saved; ++i) {
    if (std::wstring(codecs[i].MimeType) != L"image/png") continue;
    Gdiplus::Bitmap picture(bitmap, nullptr);
    saved = picture.Save(file, &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
  }
  ::DeleteObject(bitmap);
  return saved;
}

}  // namespace paneltest
