// A parent window for control tests that logs every notification a child
// sends it, then reflects it back to the child as a skinned parent does.
#pragma once

#include <windows.h>

#include <vector>

#include "win32/Window.h"

namespace skintest {

struct LoggedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class ReflectingParent : public win32::CWindowImpl<ReflectingParent> {
 public:
  DECLARE_WND_CLASS(L"MeasureReflectingParent")

  BEGIN_MSG_MAP(ReflectingParent)
  MESSAGE_HANDLER(WM_COMMAND, Record)
  MESSAGE_HANDLER(WM_NOTIFY, Record)
  MESSAGE_HANDLER(WM_HSCROLL, Record)
  MESSAGE_HANDLER(WM_KEYDOWN, Record)
  MESSAGE_HANDLER(WM_RBUTTONDOWN, Record)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  // The logged messages of one kind.
  std::vector<LoggedMessage> Of(UINT message) const {
    std::vector<LoggedMessage> found;
    for (const LoggedMessage& m : log)
      if (m.message == message) found.push_back(m);
    return found;
  }

  std::vector<LoggedMessage> log;

 private:
  LRESULT Record(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    log.push_back({uMsg, wParam, lParam});
    bHandled = FALSE;
    return 0;
  }
};

// What a window paints for one draw request into a 32-bit DIB of w x h,
// read back as 0xRRGGBB per pixel.
class Dib {
 public:
  Dib(int w, int h) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc = ::CreateCompatibleDC(nullptr);
    bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = ::SelectObject(dc, bitmap);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;
  ~Dib() {
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
  }
  unsigned At(int x, int y) const {
    ::GdiFlush();
    return bits[y * width + x] & 0xFFFFFF;
  }
  int Count(unsigned rgb) const {
    ::GdiFlush();
    int n = 0;
    for (int i = 0; i < width * height; ++i) n += (bits[i] & 0xFFFFFF) == rgb;
    return n;
  }

  int width, height;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  unsigned* bits = nullptr;
};

// Sends the control the reflected draw request a parent would pass on.
inline void DrawItemInto(HWND control, Dib& dib, UINT state) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(::GetDlgCtrlID(control));
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = state;
  item.hwndItem = control;
  item.hDC = dib.dc;
  item.rcItem = RECT{0, 0, dib.width, dib.height};
  ::SendMessageW(control, win32::Reflected(WM_DRAWITEM), item.CtlID, reinterpret_cast<LPARAM>(&item));
}

}  // namespace skintest
