#pragma once

// Real mouse input for window tests: the cursor is placed and the event goes
// through the system's input queue, as a user's would.

#include <windows.h>

namespace realinput {

// Moves the pointer to screen point (x, y).
inline void MoveMouseTo(int x, int y) {
  ::SetCursorPos(x, y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = x * 65536 / ::GetSystemMetrics(SM_CXSCREEN) + 1;
  input.mi.dy = y * 65536 / ::GetSystemMetrics(SM_CYSCREEN) + 1;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(1, &input, sizeof input);
}

// One button event (MOUSEEVENTF_LEFTDOWN and the like) where the pointer is.
inline void MouseButton(DWORD flag) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  ::SendInput(1, &input, sizeof input);
}

// Makes `window` the active foreground window and waits until it is. Another
// test process may show a window meanwhile and take the activation: asking
// again every quarter second wins it back. False when it never came.
inline bool BringToFront(HWND window, DWORD timeoutMs = 10000) {
  const DWORD start = ::GetTickCount();
  DWORD asked = start - 1000;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (::GetForegroundWindow() == window && ::GetActiveWindow() == window) return true;
    const DWORD now = ::GetTickCount();
    if (now - start >= timeoutMs) return false;
    if (now - asked >= 250) {
      ::SetForegroundWindow(window);
      asked = now;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace realinput
