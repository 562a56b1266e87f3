// Ends a stuck modal or message loop of the calling thread: after the timeout
// it posts WM_QUIT to that thread (every modal loop leaves on WM_QUIT), so a
// test fails instead of hanging.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace win32test {

class CWatchdog {
 public:
  explicit CWatchdog(DWORD timeoutMs = 15000) : m_thread(::GetCurrentThreadId()) {
    m_worker = std::thread([this, timeoutMs] {
      std::unique_lock<std::mutex> lock(m_lock);
      if (!m_done.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_stop; })) {
        m_fired = true;
        ::PostThreadMessageW(m_thread, WM_QUIT, 0xDEAD, 0);
      }
    });
  }
  CWatchdog(const CWatchdog&) = delete;
  CWatchdog& operator=(const CWatchdog&) = delete;
  ~CWatchdog() {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_stop = true;
    }
    m_done.notify_all();
    m_worker.join();
    // A WM_QUIT that came too late for the loop must not end the next test's.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
  }
  bool Fired() const { return m_fired; }

 private:
  DWORD m_thread;
  std::mutex m_lock;
  std::condition_variable m_done;
  bool m_stop = false;
  std::atomic<bool> m_fired{false};
  std::thread m_worker;
};

}  // namespace win32test
