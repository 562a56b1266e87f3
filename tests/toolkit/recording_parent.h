// A skinned parent window that writes down every notification its controls
// send before reflecting it back to them, as a panel of the program would
// receive them.
#pragma once

#include <windows.h>

#include <vector>

#include "toolkit/SkinWindow.h"

namespace skintest {

struct Notification {
  UINT message;
  WORD id;
  WORD code;
  HWND from;
  LPARAM lParam;
};

class RecordingParent : public AvlfWindowImpl<RecordingParent> {
 public:
  DECLARE_WND_CLASS_EX(L"RecordingParent", CS_DBLCLKS, COLOR_WINDOW)

  BEGIN_MSG_MAP(RecordingParent)
  MESSAGE_HANDLER(WM_COMMAND, OnRecord)
  MESSAGE_HANDLER(WM_RBUTTONDOWN, OnRecord)
  CHAIN_MSG_MAP(AvlfWindowImpl<RecordingParent>)
  END_MSG_MAP()

  LRESULT OnRecord(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    m_log.push_back({uMsg, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam), lParam});
    bHandled = FALSE;  // on to the reflection
    return 0;
  }
  // The WM_COMMAND codes logged so far.
  std::vector<WORD> Codes() const {
    std::vector<WORD> codes;
    for (const Notification& n : m_log)
      if (n.message == WM_COMMAND) codes.push_back(n.code);
    return codes;
  }

  std::vector<Notification> m_log;
};

// Runs the messages waiting for this thread.
inline void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace skintest
