// The thread message loop: filters newest first, consumed messages not
// dispatched, idle handlers once per idle period, WM_QUIT's code returned.

#include "win32/MessageLoop.h"
#include "win32/Window.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr UINT kMsgWork = WM_APP + 10;
constexpr UINT kMsgSwallow = WM_APP + 11;
constexpr UINT kMsgQuitSoon = WM_APP + 12;

class CTarget : public win32::CWindowImpl<CTarget, win32::CFrameWinTraits> {
 public:
  std::vector<UINT> m_dispatched;
  BEGIN_MSG_MAP(CTarget)
  MESSAGE_RANGE_HANDLER(kMsgWork, kMsgQuitSoon, OnMsg)
  END_MSG_MAP()
  LRESULT OnMsg(UINT msg, WPARAM, LPARAM, BOOL&) {
    m_dispatched.push_back(msg);
    if (msg == kMsgQuitSoon) ::PostQuitMessage(7);
    return 0;
  }
};

struct CFilter : win32::CMessageFilter {
  CFilter(std::vector<int>* order_, int id_, UINT swallow_, win32::CMessageLoop* loop_ = nullptr)
      : order(order_), id(id_), swallow(swallow_), loop(loop_), removeSelf(loop_ != nullptr) {}
  std::vector<int>* order;
  int id;
  UINT swallow;
  win32::CMessageLoop* loop;
  bool removeSelf;
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message < kMsgWork || msg->message > kMsgQuitSoon) return FALSE;
    order->push_back(id);
    if (removeSelf) loop->RemoveMessageFilter(this);
    return msg->message == swallow;
  }
};

// Posts the test's messages the first time the queue runs empty.
struct CIdle : win32::CIdleHandler {
  HWND target = nullptr;
  int calls = 0;
  BOOL OnIdle() override {
    if (++calls == 1) {
      ::PostMessageW(target, kMsgSwallow, 0, 0);  // the newer filter takes it, then leaves
      ::PostMessageW(target, kMsgWork, 0, 0);
      ::PostMessageW(target, kMsgQuitSoon, 0, 0);
    }
    return FALSE;
  }
};

TEST(MessageLoop, FiltersIdleHandlersAndExitCode) {
  CTarget target;
  ASSERT_NE(target.Create(nullptr), nullptr);
  win32::CMessageLoop loop;
  std::vector<int> order;
  CFilter older(&order, 1, 0);
  CFilter newer(&order, 2, kMsgSwallow, &loop);
  CIdle idle;
  idle.target = target;
  loop.AddMessageFilter(&older);
  loop.AddMessageFilter(&newer);
  loop.AddIdleHandler(&idle);

  EXPECT_EQ(loop.Run(), 7);

  EXPECT_EQ(order, (std::vector<int>{2, 1, 1}));
  EXPECT_EQ(target.m_dispatched, (std::vector<UINT>{kMsgWork, kMsgQuitSoon}));
  EXPECT_EQ(idle.calls, 1) << "the queue was never empty again before WM_QUIT";
  target.DestroyWindow();
}

TEST(MessageLoop, MouseMovesAndPaintsDoNotStartAnIdlePeriod) {
  struct Case {
    UINT message;
    bool idle;
  } cases[] = {{WM_MOUSEMOVE, false}, {WM_NCMOUSEMOVE, false}, {WM_PAINT, false},
               {0x0118, false},       {WM_KEYDOWN, true},      {WM_TIMER, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    MSG msg{nullptr, c.message, 0, 0, 0, {0, 0}};
    EXPECT_EQ(win32::CMessageLoop::IsIdleMessage(&msg), c.idle);
  }
}

TEST(AppModule, KeepsOneLoopPerThread) {
  win32::CAppModule module;
  module.Init(nullptr);
  EXPECT_EQ(module.GetInstance(), ::GetModuleHandleW(nullptr));
  win32::CMessageLoop mine, theirs;
  EXPECT_TRUE(module.AddMessageLoop(&mine));
  EXPECT_FALSE(module.AddMessageLoop(&theirs));
  DWORD otherThread = 0;
  win32::CMessageLoop* seenThere = nullptr;
  std::thread worker([&] {
    otherThread = ::GetCurrentThreadId();
    module.AddMessageLoop(&theirs);
    seenThere = module.GetMessageLoop();
  });
  worker.join();
  EXPECT_EQ(seenThere, &theirs);
  EXPECT_EQ(module.GetMessageLoop(), &mine);
  EXPECT_EQ(module.GetMessageLoop(otherThread), &theirs);
  EXPECT_TRUE(module.RemoveMessageLoop());
  EXPECT_EQ(module.GetMessageLoop(), nullptr);
  module.Term();
  EXPECT_EQ(module.GetMessageLoop(otherThread), nullptr);
}

}  // namespace
