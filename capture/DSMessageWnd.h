#pragma once
// Message-only window that turns a filter graph's event notifications into
// observer calls on the thread that created it.
#include <windows.h>

struct IMediaEventEx;

// The notification message a graph owner passes to SetNotifyWindow.
inline constexpr UINT WM_GRAPHNOTIFY = WM_APP + 1;

class CDSMessageWndObserver {
 public:
  virtual ~CDSMessageWndObserver() = default;
  virtual void OnGraphError() {}
  virtual void OnGraphPaused() {}
  virtual void OnGraphComplete() {}
  virtual void OnGraphUserAbort() {}
};

class CDSMessageWnd {
 public:
  CDSMessageWnd() = default;
  // Does not destroy a window: the owner destroys it before it goes.
  virtual ~CDSMessageWnd() = default;
  CDSMessageWnd(const CDSMessageWnd&) = delete;
  CDSMessageWnd& operator=(const CDSMessageWnd&) = delete;

  HWND Create();
  void Destroy();

  HWND m_hWnd = nullptr;
  IMediaEventEx* m_pMediaEvent = nullptr;  // borrowed from the graph owner
  CDSMessageWndObserver* m_pObserver = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void DeliverEvents();
};
