// Waiting for a thread of the library without blocking messages sent to the
// waiting thread (a callback may be sending to it).
#pragma once

#include <windows.h>

namespace vidmill {

inline void WaitPumpingSent(HANDLE handle) {
  for (;;) {
    const DWORD r = ::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
    if (r != WAIT_OBJECT_0 + 1) return;  // signalled, or the wait failed
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace vidmill
