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

}  // namespace realinput
