// The message loop of a thread, with pre-translate filters (accelerators,
// dialog keys) and idle handlers, and the module that knows each thread's loop.
#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <vector>

namespace win32 {

class CMessageFilter {
 public:
  // TRUE: the message was consumed and is neither translated nor dispatched.
  virtual BOOL PreTranslateMessage(MSG* msg) = 0;

 protected:
  ~CMessageFilter() = default;
};

class CIdleHandler {
 public:
  virtual BOOL OnIdle() = 0;

 protected:
  ~CIdleHandler() = default;
};

class CMessageLoop {
 public:
  // Filters and handlers may add or remove themselves while the loop runs.
  void AddMessageFilter(CMessageFilter* filter);
  void RemoveMessageFilter(CMessageFilter* filter);
  void AddIdleHandler(CIdleHandler* handler);
  void RemoveIdleHandler(CIdleHandler* handler);

  // Runs until WM_QUIT and returns its exit code. Idle handlers run once each
  // time the queue empties after a message that starts a new idle period.
  int Run();

  // Filters, newest first; TRUE when one consumed the message.
  BOOL PreTranslateMessage(MSG* msg);
  // Idle handlers in registration order; TRUE when any asked for more idle time.
  BOOL OnIdle();
  // Mouse moves, paints and the caret blink do not start a new idle period.
  static bool IsIdleMessage(const MSG* msg);

 private:
  template <class T>
  static void Compact(std::vector<T*>& list);

  std::vector<CMessageFilter*> m_filters;
  std::vector<CIdleHandler*> m_idleHandlers;
};

// The application module: the instance and the message loop of each thread.
class CAppModule {
 public:
  void Init(HINSTANCE instance) { m_hInstance = instance ? instance : ::GetModuleHandleW(nullptr); }
  void Term();
  HINSTANCE GetInstance() const { return m_hInstance; }

  bool AddMessageLoop(CMessageLoop* loop);  // for the calling thread; false when it has one
  bool RemoveMessageLoop();
  CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

 private:
  HINSTANCE m_hInstance = nullptr;
  mutable std::mutex m_lock;
  std::map<DWORD, CMessageLoop*> m_loops;
};

}  // namespace win32
