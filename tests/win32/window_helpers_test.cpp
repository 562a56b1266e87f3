// The handle wrapper's helpers that do more than forward one call: centring,
// style changes, whole window texts, dialog-item numbers and check marks.

#include "win32/Dialog.h"
#include "win32/Window.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/win32/dialog_template.h"

namespace {

class CPlain : public win32::CWindowImpl<CPlain, win32::CWinTraits<WS_OVERLAPPEDWINDOW>> {
 public:
  BEGIN_MSG_MAP(CPlain)
  END_MSG_MAP()
};

RECT WorkArea(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
  return info.rcWork;
}

TEST(WindowHelpers, CenterWindowOverParentOwnerOrWorkArea) {
  CPlain owner;
  RECT ownerRect{100, 100, 500, 400};
  ASSERT_NE(owner.Create(nullptr, &ownerRect, L"owner", WS_POPUP | WS_VISIBLE), nullptr);

  // A child in its parent's client area (the owner has no frame).
  CPlain child;
  RECT childRect{0, 0, 100, 50};
  ASSERT_NE(child.Create(owner, &childRect, nullptr, WS_CHILD | WS_VISIBLE), nullptr);
  EXPECT_TRUE(child.CenterWindow());
  RECT rc{};
  child.GetWindowRect(&rc);
  owner.ScreenToClient(&rc);
  EXPECT_EQ(rc.left, 150);
  EXPECT_EQ(rc.top, 125);

  // Popups: over the owner, over the work area without one, kept inside the work area.
  const RECT work = WorkArea(owner);
  struct Case {
    const char* name;
    RECT ownerAt;
    bool owned;
    POINT expected;
  } cases[] = {
      {"over its owner", {100, 100, 500, 400}, true, {200, 200}},
      {"no owner",
       {100, 100, 500, 400},
       false,
       {work.left + (work.right - work.left - 200) / 2, work.top + (work.bottom - work.top - 100) / 2}},
      {"owner off the left edge", {work.left - 390, 100, work.left + 10, 400}, true, {work.left, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    owner.MoveWindow(c.ownerAt.left, c.ownerAt.top, c.ownerAt.right - c.ownerAt.left, c.ownerAt.bottom - c.ownerAt.top);
    CPlain popup;
    RECT popupRect{0, 0, 200, 100};
    ASSERT_NE(popup.Create(c.owned ? owner.m_hWnd : nullptr, &popupRect, nullptr, WS_POPUP), nullptr);
    EXPECT_TRUE(popup.CenterWindow());
    popup.GetWindowRect(&rc);
    EXPECT_EQ(rc.left, c.expected.x);
    EXPECT_EQ(rc.top, c.expected.y);
    EXPECT_EQ(rc.right - rc.left, 200) << "centring does not resize";
    popup.DestroyWindow();
  }
  owner.DestroyWindow();
}

TEST(WindowHelpers, ModifyStyleReportsAChange) {
  CPlain wnd;
  ASSERT_NE(wnd.Create(nullptr, nullptr, nullptr, WS_OVERLAPPED | WS_CAPTION), nullptr);
  EXPECT_TRUE(wnd.ModifyStyle(0, WS_THICKFRAME, SWP_FRAMECHANGED));
  EXPECT_TRUE(wnd.GetStyle() & WS_THICKFRAME);
  EXPECT_FALSE(wnd.ModifyStyle(0, WS_THICKFRAME)) << "nothing changed";
  EXPECT_TRUE(wnd.ModifyStyle(WS_THICKFRAME | WS_CAPTION, WS_POPUP));
  EXPECT_EQ(wnd.GetStyle() & (WS_THICKFRAME | WS_CAPTION | WS_POPUP), static_cast<DWORD>(WS_POPUP));
  EXPECT_TRUE(wnd.ModifyStyleEx(0, WS_EX_TOOLWINDOW));
  EXPECT_TRUE(wnd.GetExStyle() & WS_EX_TOOLWINDOW);

  // The whole text, however long.
  std::wstring longText(700, L'x');
  longText += L"end";
  wnd.SetWindowText(longText.c_str());
  EXPECT_EQ(wnd.GetWindowText(), longText);
  wnd.SetWindowText(L"");
  EXPECT_EQ(wnd.GetWindowText(), L"");
  wnd.DestroyWindow();
}

class CItemsDialog : public win32::CDialogImplRoot {
 public:
  BEGIN_MSG_MAP(CItemsDialog)
  END_MSG_MAP()
};

TEST(WindowHelpers, DialogItemNumbersAndChecks) {
  auto tpl = win32test::DialogTemplate(WS_POPUP, 120, 60,
                                       {{WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 5, 5, 60, 12, 10, 0x0081, L""},
                                        {WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 5, 20, 60, 12, 11, 0x0080, L"c"}});
  CItemsDialog dlg;
  ASSERT_NE(dlg.CreateIndirect(win32test::AsTemplate(tpl), nullptr), nullptr);
  struct Case {
    const wchar_t* text;
    bool translated;
    int value;
  } cases[] = {{L"-5", true, -5}, {L"42", true, 42}, {L"abc", false, 0}, {L"", false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    dlg.SetDlgItemText(10, c.text);
    BOOL translated = -1;
    int value = static_cast<int>(dlg.GetDlgItemInt(10, &translated));
    EXPECT_EQ(translated != FALSE, c.translated);
    EXPECT_EQ(value, c.value);
  }
  EXPECT_TRUE(dlg.SetDlgItemInt(10, static_cast<UINT>(-12)));
  wchar_t text[16]{};
  dlg.GetDlgItemText(10, text, 16);
  EXPECT_STREQ(text, L"-12");

  EXPECT_EQ(dlg.IsDlgButtonChecked(11), static_cast<UINT>(BST_UNCHECKED));
  dlg.CheckDlgButton(11, BST_CHECKED);
  EXPECT_EQ(dlg.IsDlgButtonChecked(11), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(dlg.SendDlgItemMessage(11, BM_GETCHECK), BST_CHECKED);
  dlg.DestroyWindow();
}

}  // namespace
