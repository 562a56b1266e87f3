// Objects that delete themselves when their window goes: a handler that
// destroys its own window must not see its object freed under it, and the
// layer must not write into the object after OnFinalMessage deleted it.

#include "win32/Dialog.h"
#include "win32/Window.h"

#include <gtest/gtest.h>

#include "tests/win32/dialog_template.h"
#include "tests/win32/poisoned_heap.h"

namespace {

using win32test::CPoisonOnDelete;
using win32test::CQuarantine;

constexpr WORD kCloseButton = 1001;
constexpr UINT kMsgNested = WM_APP + 20;

int g_finalMessages = 0;

class CQuarantineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    CQuarantine::Instance().Clear();
    g_finalMessages = 0;
  }
  void TearDown() override { CQuarantine::Instance().Clear(); }
};

// A modeless dialog that closes itself from its own button, the usual way.
class CSelfClosingDialog : public win32::CDialogImplRoot, public CPoisonOnDelete {
 public:
  bool m_aliveAfterDestroy = false;
  BEGIN_MSG_MAP(CSelfClosingDialog)
  COMMAND_ID_HANDLER(kCloseButton, OnClose)
  END_MSG_MAP()
  LRESULT OnClose(WORD, WORD, HWND, BOOL&) {
    DestroyWindow();
    m_aliveAfterDestroy = true;  // still ours until the handler returns
    return 0;
  }
  void OnFinalMessage(HWND) override {
    ++g_finalMessages;
    delete this;
  }
};

using SelfDeletingObjects = CQuarantineFixture;

TEST_F(SelfDeletingObjects, ModelessDialogDeletedFromItsOwnButton) {
  auto tpl = win32test::DialogTemplate(
      WS_POPUP | WS_CAPTION, 120, 60,
      {{WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 50, 14, kCloseButton, 0x0080, L"Close"}});
  auto* dlg = new CSelfClosingDialog;
  HWND hWnd = dlg->CreateIndirect(win32test::AsTemplate(tpl), nullptr);
  ASSERT_NE(hWnd, nullptr);
  HWND button = ::GetDlgItem(hWnd, kCloseButton);
  ASSERT_NE(button, nullptr);

  ::SendMessageW(button, BM_CLICK, 0, 0);

  EXPECT_FALSE(::IsWindow(hWnd));
  EXPECT_EQ(g_finalMessages, 1);
  ASSERT_EQ(CQuarantine::Instance().Deleted(), 1u);
  EXPECT_EQ(CQuarantine::Instance().WrittenAfterDelete(), 0u) << "the dialog layer wrote into the deleted object";
}

// A window that destroys itself in a handler, itself nested in another
// message of the same window.
class CSelfClosingWindow : public win32::CWindowImpl<CSelfClosingWindow, win32::CFrameWinTraits>,
                           public CPoisonOnDelete {
 public:
  BEGIN_MSG_MAP(CSelfClosingWindow)
  MESSAGE_HANDLER(kMsgNested, OnNested)
  MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
  END_MSG_MAP()
  LRESULT OnNested(UINT, WPARAM, LPARAM, BOOL&) {
    SendMessage(WM_CLOSE);
    EXPECT_EQ(g_finalMessages, 0) << "deleted while its handler still runs";
    return 0;
  }
  LRESULT OnCloseMessage(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = FALSE;  // the default processing destroys the window
    return 0;
  }
  void OnFinalMessage(HWND) override {
    ++g_finalMessages;
    delete this;
  }
};

TEST_F(SelfDeletingObjects, WindowDeletedAfterItsOutermostMessage) {
  struct Case {
    const char* name;
    UINT message;  // sent from outside; the window destroys itself inside it
  } cases[] = {{"closed directly", WM_CLOSE}, {"closed from a nested handler", kMsgNested}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CQuarantine::Instance().Clear();
    g_finalMessages = 0;
    auto* wnd = new CSelfClosingWindow;
    HWND hWnd = wnd->Create(nullptr);
    ASSERT_NE(hWnd, nullptr);
    ::SendMessageW(hWnd, c.message, 0, 0);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(g_finalMessages, 1);
    ASSERT_EQ(CQuarantine::Instance().Deleted(), 1u);
    EXPECT_EQ(CQuarantine::Instance().WrittenAfterDelete(), 0u) << "the window layer wrote into the deleted object";
  }
}

}  // namespace
