#include "capture/DSMessageWnd.h"

#include <dshow.h>

namespace {

constexpr wchar_t kClassName[] = L"MensaroGraphEvents";

ATOM RegisterEventClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc);
  }();
  return atom;
}

}  // namespace

HWND CDSMessageWnd::Create() {
  if (m_hWnd) Destroy();
  if (!RegisterEventClass()) return nullptr;
  m_hWnd = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 128, 128, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (m_hWnd) {
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
  }
  return m_hWnd;
}

void CDSMessageWnd::Destroy() {
  if (m_hWnd) {
    // A notification already queued must not reach this object any more.
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
  }
  m_pMediaEvent = nullptr;
}

LRESULT CALLBACK CDSMessageWnd::WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_GRAPHNOTIFY) {
    if (auto* self = reinterpret_cast<CDSMessageWnd*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA))) self->DeliverEvents();
    return 0;
  }
  return DefWindowProcW(hWnd, msg, wParam, lParam);
}

void CDSMessageWnd::DeliverEvents() {
  if (!m_pMediaEvent) return;
  long code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  while (m_pMediaEvent && SUCCEEDED(m_pMediaEvent->GetEvent(&code, &param1, &param2, 0))) {
    m_pMediaEvent->FreeEventParams(code, param1, param2);
    if (!m_pObserver) continue;
    switch (code) {
      case EC_ERRORABORT:
        m_pObserver->OnGraphError();
        break;
      case EC_PAUSED:
        m_pObserver->OnGraphPaused();
        break;
      case EC_COMPLETE:
      case EC_END_OF_SEGMENT:
        m_pObserver->OnGraphComplete();
        break;
      case EC_USERABORT:
        m_pObserver->OnGraphUserAbort();
        break;
      default:
        break;
    }
  }
}
