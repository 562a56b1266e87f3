// The peer of the start-up benchmark: a bare window of the program's first
// size, shown and painted, timed by the same report as the program.
#include <windows.h>

#include "app/StartupTimes.h"

namespace {

LRESULT CALLBACK PeerProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(1);
    return 0;
  }
  return ::DefWindowProcW(hWnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  MarkStartup(StartupEntry);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PeerProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"StartupPeer";
  ::RegisterClassExW(&wc);
  RECT rc{0, 0, 1080, 720};
  ::AdjustWindowRectEx(&rc, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_APPWINDOW);
  HWND hWnd =
      ::CreateWindowExW(WS_EX_APPWINDOW, L"StartupPeer", L"Peer", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, instance, nullptr);
  ::ShowWindow(hWnd, show);
  MSG msg;
  bool reported = false;
  for (;;) {
    if (!reported && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      reported = true;
      MarkStartup(StartupPainted);
      WriteStartupTimes();
      ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    }
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
