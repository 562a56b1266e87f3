// The thread message loop: filters newest first, consumed messages not
// dispatched, idle handlers once per idle period, WM_QUIT's code returned.

#include "win32/Dialog.h"
#include "win32/Handle.h"
#include "win32/MessageLoop.h"
#include "win32/Window.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/win32/dialog_template.h"
#include "tests/win32/watchdog.h"

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

// An idle handler that wants more time gets it while the queue stays empty.
struct CHungryIdle : win32::CIdleHandler {
  HWND target = nullptr;
  int calls = 0;
  int wanted = 4;  // calls that ask for more
  BOOL OnIdle() override {
    if (++calls <= wanted) return TRUE;
    ::PostMessageW(target, kMsgQuitSoon, 0, 0);
    return FALSE;
  }
};

TEST(MessageLoop, IdleHandlersAskingForMoreAreCalledAgain) {
  win32test::CWatchdog watchdog(3000);
  CTarget target;
  ASSERT_NE(target.Create(nullptr), nullptr);
  win32::CMessageLoop loop;
  CHungryIdle hungry;
  hungry.target = target;
  struct CQuietIdle : win32::CIdleHandler {
    int calls = 0;
    BOOL OnIdle() override { return ++calls, FALSE; }
  } quiet;  // never asks for more; runs as often as the hungry one
  loop.AddIdleHandler(&hungry);
  loop.AddIdleHandler(&quiet);

  EXPECT_EQ(loop.Run(), 7);
  EXPECT_FALSE(watchdog.Fired()) << "the loop waited although an idle handler asked for more";
  EXPECT_EQ(hungry.calls, 5);
  EXPECT_EQ(quiet.calls, 5);
  target.DestroyWindow();
}

// Keys posted to a modeless dialog's edit: the accelerator filter turns some
// into frame commands, the dialog filter turns Enter and Escape into the
// dialog's OK and Cancel.
class CFrameCommands : public win32::CWindowImpl<CFrameCommands, win32::CFrameWinTraits> {
 public:
  std::vector<WORD> m_commands;
  std::vector<WORD> m_sources;
  BEGIN_MSG_MAP(CFrameCommands)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  MESSAGE_HANDLER(kMsgQuitSoon, OnQuit)
  END_MSG_MAP()
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL&) {
    m_commands.push_back(LOWORD(wParam));
    m_sources.push_back(HIWORD(wParam));  // 1: an accelerator
    return 0;
  }
  LRESULT OnQuit(UINT, WPARAM, LPARAM, BOOL&) {
    ::PostQuitMessage(7);
    return 0;
  }
};

class CKeysDialog : public win32::CDialogImplRoot {
 public:
  std::vector<WORD> m_commands;
  BEGIN_MSG_MAP(CKeysDialog)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  END_MSG_MAP()
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
      m_commands.push_back(LOWORD(wParam));
    } else {
      handled = FALSE;
    }
    return 0;
  }
};

TEST(MessageLoop, AcceleratorAndDialogFiltersTranslateKeys) {
  win32test::CWatchdog watchdog;
  CFrameCommands frame;
  ASSERT_NE(frame.Create(nullptr), nullptr);
  constexpr WORD kEdit = 100;
  auto tpl = win32test::DialogTemplate(
      WS_POPUP | WS_CAPTION | WS_VISIBLE, 160, 60,
      {{WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 5, 5, 100, 12, kEdit, 0x0081, L""},
       {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 5, 25, 40, 14, IDOK, 0x0080, L"OK"},
       {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 50, 25, 40, 14, IDCANCEL, 0x0080, L"Cancel"}});
  CKeysDialog dlg;
  ASSERT_NE(dlg.CreateIndirect(win32test::AsTemplate(tpl), frame), nullptr);
  HWND edit = dlg.GetDlgItem(kEdit);
  ASSERT_NE(edit, nullptr);

  ACCEL keys[] = {{FVIRTKEY, VK_F5, 0x8021}, {FVIRTKEY | FCONTROL, 'O', 0xE101}};
  win32::CAccelerator table(::CreateAcceleratorTableW(keys, 2));
  ASSERT_TRUE(table);
  win32::CMessageLoop loop;
  win32::CDialogMessageFilter dialogKeys(dlg);
  win32::CAcceleratorFilter accelerators(frame, table);
  loop.AddMessageFilter(&dialogKeys);
  loop.AddMessageFilter(&accelerators);  // newest first: accelerators win

  BYTE state[256]{};
  ASSERT_TRUE(::GetKeyboardState(state));
  state[VK_CONTROL] = 0x80;
  ASSERT_TRUE(::SetKeyboardState(state));
  ::PostMessageW(edit, WM_KEYDOWN, 'O', 1);
  ::PostMessageW(edit, WM_KEYUP, 'O', 0xC0000001);
  state[VK_CONTROL] = 0;
  ::PostMessageW(edit, WM_KEYDOWN, VK_F5, 1);
  ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  ::PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  ::PostMessageW(edit, WM_KEYDOWN, 'A', 1);  // neither: typed into the edit
  ::PostMessageW(edit, WM_KEYUP, 'A', 0xC0000001);
  ::PostMessageW(frame, kMsgQuitSoon, 0, 0);

  // Control is held for the first key only.
  struct CReleaseControl : win32::CMessageFilter {
    BYTE* state;
    BOOL PreTranslateMessage(MSG* msg) override {
      if (msg->message == WM_KEYUP && msg->wParam == 'O') ::SetKeyboardState(state);
      return FALSE;
    }
  } releaseControl;
  releaseControl.state = state;
  loop.AddMessageFilter(&releaseControl);

  EXPECT_EQ(loop.Run(), 7);
  EXPECT_FALSE(watchdog.Fired());
  EXPECT_EQ(frame.m_commands, (std::vector<WORD>{0xE101, 0x8021}));
  EXPECT_EQ(frame.m_sources, (std::vector<WORD>{1, 1}));
  EXPECT_EQ(dlg.m_commands, (std::vector<WORD>{IDOK, IDCANCEL}));
  wchar_t text[8]{};
  ::GetWindowTextW(edit, text, 8);
  EXPECT_STREQ(text, L"a") << "other keys reach the edit";
  dlg.DestroyWindow();
  frame.DestroyWindow();
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
