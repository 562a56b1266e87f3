// Dialogs from in-memory templates: the object's map gets WM_INITDIALOG with the
// caller's parameter, command results come back from the modal loop.

#include "win32/Dialog.h"

#include <vector>

#include <gtest/gtest.h>

#include "tests/win32/guarded_page.h"

namespace {

// A dialog template with no controls, no menu, default class and an empty title.
std::vector<WORD> EmptyDialogTemplate(DWORD style) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
  auto* dt = reinterpret_cast<DLGTEMPLATE*>(words.data());
  dt->style = style;
  dt->cx = 100;
  dt->cy = 50;
  return words;
}

class CTestDialog : public win32::CDialogImplRoot {
 public:
  LPARAM m_initParam = 0;
  int m_commands = 0;
  HWND m_finalHwnd = nullptr;

  BEGIN_MSG_MAP(CTestDialog)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_APP, OnApp)
  COMMAND_ID_HANDLER(IDOK, OnOk)
  END_MSG_MAP()

  LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&) {
    m_initParam = lParam;
    PostMessage(WM_COMMAND, IDOK);
    return TRUE;
  }
  LRESULT OnApp(UINT, WPARAM, LPARAM, BOOL&) { return 1234; }
  LRESULT OnOk(WORD, WORD, HWND, BOOL&) {
    ++m_commands;
    // The answer to a normal message goes through DWLP_MSGRESULT.
    EXPECT_EQ(SendMessage(WM_APP), 1234);
    EndDialog(42);
    return 0;
  }
  void OnFinalMessage(HWND hWnd) override { m_finalHwnd = hWnd; }
};

TEST(DialogImpl, ModalDialogRunsItsMapAndReturnsTheEndValue) {
  auto tpl = EmptyDialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME);
  CTestDialog dlg;
  INT_PTR result = dlg.DoModalIndirect(reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), nullptr, 77);
  EXPECT_EQ(result, 42);
  EXPECT_EQ(dlg.m_initParam, 77);
  EXPECT_EQ(dlg.m_commands, 1);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_NE(dlg.m_finalHwnd, nullptr);
}

class CModeless : public win32::CDialogImplRoot {
 public:
  BEGIN_MSG_MAP(CModeless)
  MESSAGE_HANDLER(WM_APP, OnApp)
  END_MSG_MAP()
  LRESULT OnApp(UINT, WPARAM wParam, LPARAM, BOOL&) { return static_cast<LRESULT>(wParam) + 1; }
};

TEST(DialogImpl, ModelessDialogAnswersThroughItsMap) {
  auto tpl = EmptyDialogTemplate(WS_POPUP | WS_CAPTION);
  CModeless dlg;
  HWND hWnd = dlg.CreateIndirect(reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), nullptr);
  ASSERT_NE(hWnd, nullptr);
  EXPECT_EQ(dlg.SendMessage(WM_APP, 9), 10);
  dlg.DestroyWindow();
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

// A dialog whose object is gone belongs to the dialog manager: a late
// WM_INITDIALOG (sent by anyone) is not taken for the start of an object.
TEST(DialogImpl, DialogWithoutItsObjectFollowsNoParameter) {
  auto tpl = EmptyDialogTemplate(WS_POPUP | WS_CAPTION);
  HWND hWnd;
  {
    CModeless dlg;
    hWnd = dlg.CreateIndirect(reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), nullptr);
    ASSERT_NE(hWnd, nullptr);
  }
  win32test::CGuardedPage page;
  ::SendMessageW(hWnd, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(page.Address()));
  EXPECT_FALSE(win32test::CGuardedPage::Touched());
  EXPECT_EQ(::SendMessageW(hWnd, WM_APP, 9, 0), 0) << "no object answers any more";
  ::DestroyWindow(hWnd);
}

}  // namespace
