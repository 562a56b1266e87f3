#include "win32/MessageLoop.h"

#include <algorithm>

namespace win32 {

// Removal during a pass only clears the slot; the next pass drops it, so the
// index walk of the pass in progress stays valid.
template <class T>
void CMessageLoop::Compact(std::vector<T*>& list) {
  list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
}

void CMessageLoop::AddMessageFilter(CMessageFilter* filter) { m_filters.push_back(filter); }

void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
  auto it = std::find(m_filters.begin(), m_filters.end(), filter);
  if (it != m_filters.end()) *it = nullptr;
}

void CMessageLoop::AddIdleHandler(CIdleHandler* handler) { m_idleHandlers.push_back(handler); }

void CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
  auto it = std::find(m_idleHandlers.begin(), m_idleHandlers.end(), handler);
  if (it != m_idleHandlers.end()) *it = nullptr;
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
  Compact(m_filters);
  for (size_t i = m_filters.size(); i-- > 0;) {
    if (i < m_filters.size() && m_filters[i] && m_filters[i]->PreTranslateMessage(msg)) return TRUE;
  }
  return FALSE;
}

BOOL CMessageLoop::OnIdle() {
  Compact(m_idleHandlers);
  BOOL more = FALSE;
  for (size_t i = 0; i < m_idleHandlers.size(); ++i) {
    if (m_idleHandlers[i] && m_idleHandlers[i]->OnIdle()) more = TRUE;
  }
  return more;
}

bool CMessageLoop::IsIdleMessage(const MSG* msg) {
  switch (msg->message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // WM_SYSTIMER, the caret blink
      return false;
    default:
      return true;
  }
}

int CMessageLoop::Run() {
  MSG msg{};
  bool idle = true;
  for (;;) {
    while (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle()) idle = false;
    }
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) continue;
    if (!got) break;
    if (!PreTranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (IsIdleMessage(&msg)) idle = true;
  }
  return static_cast<int>(msg.wParam);
}

void CAppModule::Term() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_loops.clear();
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_loops.emplace(::GetCurrentThreadId(), loop).second;
}

bool CAppModule::RemoveMessageLoop() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_loops.erase(::GetCurrentThreadId()) > 0;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_loops.find(threadId);
  return it == m_loops.end() ? nullptr : it->second;
}

}  // namespace win32
