// The status strip's cursor cell as the mouse moves over the canvas: one
// ShowCursorPosition per move (format, background copy, text drawn off
// screen, copy to the window), against a native STATIC control given the
// same text and painted at once.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstdio>
#include <cwchar>

#include "bench/bench_timer.h"
#include "engine/Image.h"
#include "panels/Bars.h"
#include "toolkit/SkinUi.h"
#include "toolkit/XmlDocument.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Fonts>
    <Normal FamilyName="Arial" Height="14" Weight="400"/>
  </Fonts>
  <Windows>
    <Host Class="WINDOW" Style="WS_POPUP|WS_VISIBLE" X="0" Y="0" Width="800" Height="60" Font="Normal">
      <Strip Class="WINDOW" CommandID="4" X="0" Y="10" Width="724" Height="25">
        <Cursor Class="WINDOW" CommandID="1" X="8" Y="3" Width="220" Height="18"/>
        <Rate Class="WINDOW" CommandID="2" X="400" Y="3" Width="90" Height="18"/>
        <Size Class="WINDOW" CommandID="3" X="500" Y="3" Width="100" Height="18"/>
      </Strip>
    </Host>
  </Windows>
</Skin>
)";

constexpr int kMoves = 400;

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  GetSkinUi()->SetLanguage(1033);
  AvlfXmlDocument document;
  if (!document.Load(kSkin, sizeof kSkin - 1)) return 1;
  GetSkinUi()->WalkSkinDocument(document);

  double cellUs = 0, staticUs = 0;
  {
    AvlfWindow host;
    if (!host.Create(nullptr, nullptr, nullptr, L"Host")) return 1;
    CWndHorizontalRuler strip;
    if (!AttachSkinChild(&host, strip, 4) || !strip.m_wndCursor.m_hWnd) return 1;
    HWND native = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 300, 40, 220, 18, host.m_hWnd, nullptr,
                                    nullptr, nullptr);
    ::SendMessageW(native, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);

    CDTImage picture;
    picture.m_nWidth = 2592;
    picture.m_nHeight = 1944;
    std::wcscpy(picture.m_szUnit, L"mm");
    cellUs = BestMs(5,
                    [&] {
                      for (int i = 0; i < kMoves; ++i) {
                        const CursorPosition p{i * 0.013f, i * 0.021f, static_cast<float>(i), i * 0.5f};
                        strip.m_wndCursor.ShowCursorPosition(&p, &picture);
                      }
                    }) *
             1000.0 / kMoves;
    staticUs =
        BestMs(5,
               [&] {
                 wchar_t text[128];
                 for (int i = 0; i < kMoves; ++i) {
                   std::swprintf(text, 128, L"%d, %d px - %0.1f, %.1f %ls", i, i / 2, i * 0.013, i * 0.021, L"mm");
                   ::SetWindowTextW(native, text);
                   ::UpdateWindow(native);
                 }
               }) *
        1000.0 / kMoves;
    host.DestroyWindow();
  }
  std::printf("status_cursor_update: %.1f us\n", cellUs);
  std::printf("status_native_static: %.1f us\n", staticUs);
  std::printf("status_cursor_vs_static: %.2f x\n", cellUs / staticUs);
  GetSkinUi()->ClearSkin();
  Gdiplus::GdiplusShutdown(token);
  ::CoUninitialize();
  return 0;
}
