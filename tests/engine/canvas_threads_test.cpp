// The canvas from other threads: the device draws on the canvas thread only,
// and observers run without the frame lock that a slide-show worker waits for.

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/canvas_fixture.h"

namespace {

using namespace canvas_test;

// Runs work on a new thread while this thread, the canvas thread, handles the
// messages it sends. False when the work has not finished within the time.
bool RunOnOtherThread(const std::function<void()>& work, DWORD timeoutMs = 5000) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
  });
  const DWORD start = ::GetTickCount();
  while (!done && ::GetTickCount() - start < timeoutMs) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Pump();
  }
  const bool finished = done;
  // A worker still blocked in a send finishes once its message is handled.
  while (!done) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Pump();
  }
  worker.join();
  return finished;
}

TEST(CanvasThreads, SelectionVisibilityAndLocksRepaintOnTheCanvasThread) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CReadBackCanvas& canvas = scene.m_canvas;
  CDTImage& doc = scene.m_document;
  scene.Show(Noise(300, 200, 3));
  CTestFigure* figure = scene.AddFigure();

  struct Case {
    const char* name;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"SelectElement", [&] { doc.SelectElement(figure); }},
      {"SelectElement(null)", [&] { doc.SelectElement(nullptr); }},
      {"SetVisible(FALSE)", [&] { figure->SetVisible(FALSE); }},
      {"SetVisible(TRUE)", [&] { figure->SetVisible(TRUE); }},
      {"SetLocked(TRUE)", [&] { figure->SetLocked(TRUE); }},
      {"SetLocked(FALSE)", [&] { figure->SetLocked(FALSE); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    canvas.m_nPresents = 0;
    canvas.m_nForeignPresents = 0;
    ASSERT_TRUE(RunOnOtherThread(c.call));
    EXPECT_GE(canvas.m_nPresents.load(), 1) << "the change is shown";
    EXPECT_EQ(canvas.m_nForeignPresents.load(), 0) << "the device drew on the caller's thread";
  }
  EXPECT_EQ(doc.m_pSelected, nullptr);
  EXPECT_EQ(figure->m_bVisible, 1);
  EXPECT_EQ(figure->m_bLocked, 0);
}

// An observer that, on one kind of report, starts a worker that locks the
// frame surface as the slide show does and waits for it to finish: the host
// stopping its slide show from inside a report.
class CStoppingObserver : public CRecordingObserver {
 public:
  enum Trigger { kFigureChanged, kImageResized };

  explicit CStoppingObserver(Trigger trigger) : m_trigger(trigger) {}
  ~CStoppingObserver() { Finish(); }

  void OnFigureChanged(CDTElement* figure, int vertex) override {
    CRecordingObserver::OnFigureChanged(figure, vertex);
    if (m_trigger == kFigureChanged) StopWorker();
  }
  void OnImageResized() override {
    CRecordingObserver::OnImageResized();
    if (m_trigger == kImageResized) StopWorker();
  }
  // Joins the worker, which can run once the canvas thread lets go.
  void Finish() {
    if (m_worker.joinable()) m_worker.join();
    if (m_hDone) ::CloseHandle(m_hDone);
    m_hDone = nullptr;
  }

  CDTImage* m_pDocument = nullptr;
  bool m_bArmed = false;
  int m_nStops = 0;
  int m_nTimeouts = 0;

 private:
  void StopWorker() {
    if (!m_bArmed) return;
    m_bArmed = false;
    ++m_nStops;
    m_hDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_worker = std::thread([this] {
      D3DLOCKED_RECT lr;
      if (m_pDocument->LockFrame(&lr)) m_pDocument->UnlockFrame();
      ::SetEvent(m_hDone);
    });
    // A watchdog instead of a hang: a worker stuck in LockFrame fails the test.
    if (::WaitForSingleObject(m_hDone, 2000) != WAIT_OBJECT_0) ++m_nTimeouts;
  }

  Trigger m_trigger;
  std::thread m_worker;
  HANDLE m_hDone = nullptr;
};

TEST(CanvasThreads, ObserversRunWithoutTheFrameLock) {
  for (auto trigger : {CStoppingObserver::kFigureChanged, CStoppingObserver::kImageResized}) {
    SCOPED_TRACE(trigger == CStoppingObserver::kFigureChanged ? "OnFigureChanged" : "OnImageResized");
    CStoppingObserver observer(trigger);  // outlives the scene that reports to it
    CCanvasScene scene;
    ASSERT_TRUE(scene.Ready());
    CDTImage& doc = scene.m_document;
    observer.m_pDocument = &doc;
    scene.m_canvas.m_pObserver = &observer;
    scene.Show(Noise(120, 90, 1));

    observer.m_bArmed = true;
    scene.Show(Noise(200, 150, 2));  // a new size: zoom, then the resize report
    observer.Finish();
    EXPECT_EQ(observer.m_nStops, 1);
    EXPECT_EQ(observer.m_nTimeouts, 0) << "the worker stayed blocked in LockFrame";
    EXPECT_EQ(observer.Count("ImageResized"), 2);

    // The frame still arrived whole.
    D3DLOCKED_RECT lr;
    ASSERT_TRUE(doc.LockFrame(&lr));
    const CPicture expected = Noise(200, 150, 2);
    const auto* last = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(lr.pBits) + 149 * lr.Pitch);
    EXPECT_EQ(last[199], expected.At(199, 149));
    doc.UnlockFrame();
  }
}

}  // namespace
