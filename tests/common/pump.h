#pragma once

// Serves the thread's messages for a while, as the program's loop would,
// sleeping in between until a message comes.

#include <windows.h>

inline void PumpFor(DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    const DWORD now = ::GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}
