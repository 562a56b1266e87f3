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
  // TRUE asks for another call while the queue stays empty.
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

  // Runs until WM_QUIT and returns its exit code. Idle handlers run each
  // time the queue empties after a message that starts a new idle period,
  // and again while the queue stays empty and one of them asks for more.
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

// Turns keys into commands for one window through an accelerator table
// (not owned); keys it translates are not dispatched.
class CAcceleratorFilter : public CMessageFilter {
 public:
  CAcceleratorFilter(HWND target = nullptr, HACCEL table = nullptr) : m_hWnd(target), m_hAccel(table) {}
  void SetTarget(HWND target) { m_hWnd = target; }
  void SetTable(HACCEL table) { m_hAccel = table; }
  BOOL PreTranslateMessage(MSG* msg) override {
    return m_hWnd && m_hAccel && ::TranslateAcceleratorW(m_hWnd, m_hAccel, msg);
  }

 private:
  HWND m_hWnd;
  HACCEL m_hAccel;
};

// Gives a modeless dialog its keyboard (Tab, Enter, Escape, mnemonics) for
// the messages of the dialog and its controls.
class CDialogMessageFilter : public CMessageFilter {
 public:
  explicit CDialogMessageFilter(HWND dialog = nullptr) : m_hWnd(dialog) {}
  void SetDialog(HWND dialog) { m_hWnd = dialog; }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (!m_hWnd || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))) return FALSE;
    return ::IsDialogMessageW(m_hWnd, msg);
  }

 private:
  HWND m_hWnd;
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
