// The graph event window: queued graph events become observer calls on the
// window's thread.
#include <windows.h>
#include <dshow.h>

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/DSMessageWnd.h"

namespace {

// An event queue in the manner of a filter graph's.
class FakeEvents : public IMediaEventEx {
 public:
  struct Event {
    long code;
    LONG_PTR p1, p2;
  };
  std::deque<Event> queue;
  std::vector<long> freed;

  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetEventHandle(OAEVENT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetEvent(long* code, LONG_PTR* p1, LONG_PTR* p2, long) override {
    if (queue.empty()) return E_ABORT;
    *code = queue.front().code;
    *p1 = queue.front().p1;
    *p2 = queue.front().p2;
    queue.pop_front();
    return S_OK;
  }
  STDMETHODIMP WaitForCompletion(long, long*) override { return E_NOTIMPL; }
  STDMETHODIMP CancelDefaultHandling(long) override { return E_NOTIMPL; }
  STDMETHODIMP RestoreDefaultHandling(long) override { return E_NOTIMPL; }
  STDMETHODIMP FreeEventParams(long code, LONG_PTR, LONG_PTR) override {
    freed.push_back(code);
    return S_OK;
  }
  STDMETHODIMP SetNotifyWindow(OAHWND, long, LONG_PTR) override { return S_OK; }
  STDMETHODIMP SetNotifyFlags(long) override { return S_OK; }
  STDMETHODIMP GetNotifyFlags(long*) override { return E_NOTIMPL; }
};

class NotedObserver : public CDSMessageWndObserver {
 public:
  void OnGraphError() override { calls += L"E"; }
  void OnGraphPaused() override { calls += L"P"; }
  void OnGraphComplete() override { calls += L"C"; }
  void OnGraphUserAbort() override { calls += L"U"; }
  std::wstring calls;
};

void PumpPosted(HWND hWnd) {
  MSG msg;
  while (PeekMessageW(&msg, hWnd, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

TEST(GraphEvents, QueuedEventsDeliveredInOrder) {
  FakeEvents events;
  NotedObserver observer;
  CDSMessageWnd window;
  window.m_pObserver = &observer;
  HWND hWnd = window.Create();
  ASSERT_NE(hWnd, nullptr);
  // A message-only window: found among HWND_MESSAGE's children.
  EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, L"MensaroGraphEvents", nullptr), hWnd);
  window.m_pMediaEvent = &events;
  const long codes[] = {EC_COMPLETE, EC_ERRORABORT,     0x55 /* not one of ours */,
                        EC_PAUSED,   EC_END_OF_SEGMENT, EC_USERABORT};
  for (long code : codes) events.queue.push_back({code, 0, 0});
  PostMessageW(hWnd, WM_GRAPHNOTIFY, 0, 0);
  PumpPosted(hWnd);
  EXPECT_EQ(observer.calls, L"CEPCU");
  EXPECT_EQ(events.freed, std::vector<long>(std::begin(codes), std::end(codes)));
  EXPECT_TRUE(events.queue.empty());
  // Other messages go to the default procedure.
  EXPECT_EQ(SendMessageW(hWnd, WM_APP + 2, 0, 0), 0);

  // After Destroy a late notification finds nothing to read.
  events.queue.push_back({EC_COMPLETE, 0, 0});
  PostMessageW(hWnd, WM_GRAPHNOTIFY, 0, 0);
  window.Destroy();
  PumpPosted(nullptr);
  EXPECT_EQ(window.m_pMediaEvent, nullptr);
  EXPECT_EQ(window.m_hWnd, nullptr);
  EXPECT_EQ(observer.calls, L"CEPCU");
  EXPECT_FALSE(IsWindow(hWnd));
}

TEST(GraphEvents, CreateReplacesTheOldWindow) {
  FakeEvents events;
  CDSMessageWnd window;
  HWND first = window.Create();
  window.m_pMediaEvent = &events;
  HWND second = window.Create();
  EXPECT_FALSE(IsWindow(first));
  EXPECT_TRUE(IsWindow(second));
  EXPECT_EQ(window.m_pMediaEvent, nullptr);
  // No observer and no events: nothing happens.
  SendMessageW(second, WM_GRAPHNOTIFY, 0, 0);
  window.Destroy();
}

}  // namespace

namespace {

// Events raised inside a real filter graph reach the observer through the
// graph's notification message.
TEST(GraphEvents, FromARealGraph) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  IGraphBuilder* graph = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         reinterpret_cast<void**>(&graph))));
  IMediaEventEx* events = nullptr;
  IMediaEventSink* sink = nullptr;
  ASSERT_TRUE(SUCCEEDED(graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events))));
  ASSERT_TRUE(SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))));
  NotedObserver observer;
  CDSMessageWnd window;
  window.m_pObserver = &observer;
  HWND hWnd = window.Create();
  window.m_pMediaEvent = events;
  events->SetNotifyWindow(reinterpret_cast<OAHWND>(hWnd), WM_GRAPHNOTIFY, 0);
  sink->Notify(EC_ERRORABORT, E_FAIL, 0);
  sink->Notify(EC_PAUSED, S_OK, 0);
  sink->Notify(EC_USERABORT, 0, 0);
  for (int i = 0; i < 100 && observer.calls.size() < 3; ++i) {
    PumpPosted(hWnd);
    Sleep(5);
  }
  EXPECT_EQ(observer.calls, L"EPU");
  events->SetNotifyWindow(0, 0, 0);
  window.Destroy();
  sink->Release();
  events->Release();
  graph->Release();
  CoUninitialize();
}

}  // namespace
