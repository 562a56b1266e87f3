// The skinned drop-down list: its combo-box messages, selection moves and
// notifications, and the popup list it drops down.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/recording_parent.h"
#include "tests/toolkit/skin_fixture.h"
#include "toolkit/SkinCombo.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Text>
    <One Text="One"/>
    <Two Text="Two"/>
    <Three Text="Three"/>
  </Text>
  <Windows>
    <Host Class="WINDOW" Style="WS_POPUP|WS_VISIBLE|WS_CLIPCHILDREN" X="20" Y="20" Width="300" Height="200">
      <Plain Class="COMBOBOX" CommandID="1" Style="WS_CHILD|WS_VISIBLE" X="10" Y="10" Width="120" Height="20"/>
      <Third Class="COMBOBOX" CommandID="3" Style="WS_CHILD|WS_VISIBLE" X="10" Y="40" Width="120" Height="20"/>
      <Listed Class="combobox" CommandID="2" Style="WS_CHILD|WS_VISIBLE" X="140" Y="10" Width="120" Height="20">
        <List Class="LISTBOX" Width="0">
          <A Text="One" CommandID="1"/>
          <B Text="Two" CommandID="2"/>
          <Missing Text="NoSuchKey" CommandID="3"/>
          <Extra Text="Three" CommandID="9"/>
          <Twice Text="One" CommandID="9"/>
        </List>
      </Listed>
    </Host>
    <LIST Class="LISTBOX" Width="0"/>
  </Windows>
</Skin>
)";

class SkinCombo : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    ASSERT_TRUE(m_parent.Create(nullptr, nullptr, nullptr, L"Host"));
  }
  void TearDown() override {
    ReleaseMenuWindow();
    if (m_parent.m_hWnd) ::DestroyWindow(m_parent.m_hWnd);
    for (AvlfWindowBase* child : m_parent.m_children) delete child;
    m_parent.m_children.clear();
    SkinFixture::TearDown();
  }
  AvlfComboBox& Combo(int id) { return *static_cast<AvlfComboBox*>(m_parent.FindChildByCommandId(id)); }
  static LRESULT Send(AvlfComboBox& box, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageW(box.m_hWnd, msg, wParam, lParam);
  }
  static LRESULT Add(AvlfComboBox& box, const wchar_t* text, int data) {
    AvlfComboItemInfo info{text, data};
    return Send(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&info));
  }

  skintest::RecordingParent m_parent;
};

TEST_F(SkinCombo, MessagesFollowTheirTable) {
  AvlfComboBox& box = Combo(1);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(Add(box, L"x", i + 1), i);
  EXPECT_EQ(Add(box, L"x", 500), -1);
  EXPECT_EQ(Send(box, CB_ADDSTRING, 0, 0), -1);
  AvlfComboItemInfo info{L"inserted", 700};
  const auto insert = [&](int index) {
    return Send(box, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
  };
  EXPECT_EQ(insert(128), -1);  // cannot append
  EXPECT_EQ(insert(-1), -1);
  EXPECT_EQ(insert(0), 0);  // no limit
  EXPECT_EQ(Send(box, CB_GETCOUNT), 129);
  const struct {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
  } cases[] = {
      {CB_FINDSTRING, 0, 700, 0},   // by data, not text
      {CB_FINDSTRING, 1, 700, -1},  // from the start index on
      {CB_FINDSTRING, 0, 5, 5},
      {CB_GETITEMDATA, 1, 0, 1},
      {CB_GETITEMDATA, 129, 0, -1},
      {CB_SETCURSEL, 4, 0, 4},
      {CB_SETCURSEL, static_cast<WPARAM>(-1), 0, -1},
      {CB_GETCURSEL, 0, 0, 4},                                 // -1 did not clear it
      {CB_DELETESTRING, static_cast<WPARAM>(-1), 12345, 129},  // no match, still the count
      {CB_DELETESTRING, static_cast<WPARAM>(-1), 700, 128},
      {CB_DELETESTRING, 128, 0, -1},
      {CB_DELETESTRING, 127, 0, 127},
      {CB_SETITEMHEIGHT, 0, 33, 0},
      {CB_GETITEMHEIGHT, 0, 0, 33},
      {CB_SETITEMDATA, 500, 9, 0},
      {CB_RESETCONTENT, 0, 0, 0},
      {CB_GETCOUNT, 0, 0, 0},
      {CB_GETCURSEL, 0, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.msg << " " << static_cast<int>(c.wParam));
    EXPECT_EQ(Send(box, c.msg, c.wParam, c.lParam), c.result);
  }
}

TEST_F(SkinCombo, DeletingTheSelectedItemSelectsTheFirstAndTellsTheParent) {
  const struct {
    int id;
    int selected;
  } cases[] = {{1, 2}, {3, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    AvlfComboBox& box = Combo(c.id);
    for (const wchar_t* text : {L"a", L"b", L"c"}) Add(box, text, 0);
    Send(box, CB_SETCURSEL, static_cast<WPARAM>(c.selected));
    m_parent.m_log.clear();
    EXPECT_EQ(Send(box, CB_DELETESTRING, static_cast<WPARAM>(c.selected), 0), 2);
    EXPECT_EQ(Send(box, CB_GETCURSEL), 0);
    ASSERT_EQ(m_parent.m_log.size(), 1u);
    EXPECT_EQ(m_parent.m_log[0].code, CBN_SELCHANGE);
    EXPECT_EQ(m_parent.m_log[0].id, c.id);
    EXPECT_EQ(m_parent.m_log[0].from, box.m_hWnd);
    // An unselected item goes silently.
    m_parent.m_log.clear();
    Send(box, CB_DELETESTRING, 1, 0);
    EXPECT_TRUE(m_parent.m_log.empty());
  }
}

TEST_F(SkinCombo, APickNotifiesEvenForTheSelectedItem) {
  AvlfComboBox& box = Combo(3);
  for (const wchar_t* text : {L"a", L"b"}) Add(box, text, 0);
  m_parent.m_log.clear();
  for (int pick : {2, 2, 1}) Send(box, WM_COMMAND, static_cast<WPARAM>(pick), 0);
  EXPECT_EQ(Send(box, CB_GETCURSEL), 0);
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELCHANGE}));
}

TEST_F(SkinCombo, StaysTwentyPixelsHigh) {
  AvlfComboBox& box = Combo(1);
  ::MoveWindow(box.m_hWnd, 10, 10, 150, 60, TRUE);
  RECT rc{};
  ::GetClientRect(box.m_hWnd, &rc);
  EXPECT_EQ(rc.bottom, 20);
  EXPECT_EQ(rc.right, 150);
}

TEST_F(SkinCombo, SkinListItemsAndWrappersBeforeTheWindow) {
  AvlfComboBox& listed = Combo(2);
  // Skin entries: data 0; a key the skin lacks gives an empty item.
  ASSERT_EQ(listed.GetCount(), 5);
  EXPECT_EQ(listed.GetCurSel(), 0);
  EXPECT_EQ(listed.m_items[0]->text, L"One");
  EXPECT_EQ(listed.m_items[2]->text, L"");

  AvlfComboBox early;
  EXPECT_EQ(early.AddString(L"first", 7), 0);
  EXPECT_EQ(early.SetCurSel(0), 0);
  EXPECT_EQ(early.GetItemData(0), 7);
  ASSERT_TRUE(early.Create(&m_parent, m_parent.m_hWnd, nullptr, L"Listed"));
  EXPECT_EQ(early.GetCount(), 6);
  EXPECT_EQ(early.m_items[0]->text, L"first");
  EXPECT_EQ(early.m_items[1]->text, L"One");
  ::DestroyWindow(early.m_hWnd);
}

TEST_F(SkinCombo, DropDownRowsAClickPicksAnOutsideClickCloses) {
  AvlfComboBox& box = Combo(2);
  ::SendMessageW(box.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_TRUE(g_pAvlfMenuWindow);
  HWND popup = g_pAvlfMenuWindow->m_hWnd;
  ASSERT_TRUE(::IsWindowVisible(popup));
  EXPECT_EQ(::GetCapture(), popup);
  EXPECT_EQ(box.m_nState, 2);
  // Five items, ids 1..5; of the LIST entries only id 9 is new, once.
  ASSERT_EQ(g_pAvlfMenuWindow->m_rows.size(), 6u);
  EXPECT_EQ(g_pAvlfMenuWindow->m_rows[5]->id, 9);
  EXPECT_EQ(g_pAvlfMenuWindow->m_rows[5]->text, L"Three");
  RECT rc{}, combo{};
  ::GetWindowRect(popup, &rc);
  ::GetWindowRect(box.m_hWnd, &combo);
  EXPECT_EQ(rc.bottom - rc.top, 6 * 20);
  EXPECT_EQ(rc.top, combo.bottom);
  EXPECT_EQ(rc.left, combo.left);
  EXPECT_EQ(rc.right, combo.right);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(g_pAvlfMenuWindow->m_rows[i]->rect.top, static_cast<LONG>(i) * 20);

  // Pointer over row 1 (id 2), then a click.
  m_parent.m_log.clear();
  ::SendMessageW(popup, WM_MOUSEMOVE, 0, MAKELPARAM(10, 30));
  ::SendMessageW(popup, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 30));
  EXPECT_TRUE(::IsWindowVisible(popup));
  ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 30));
  EXPECT_FALSE(::IsWindowVisible(popup));
  EXPECT_EQ(box.GetCurSel(), 1);
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{CBN_SELCHANGE}));

  // A click before any row is hot closes silently; a new drop-down
  // replaces the old popup.
  ::SendMessageW(box.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_NE(g_pAvlfMenuWindow->m_hWnd, popup);
  EXPECT_FALSE(::IsWindow(popup));
  popup = g_pAvlfMenuWindow->m_hWnd;
  m_parent.m_log.clear();
  ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-50, -50));
  EXPECT_FALSE(::IsWindowVisible(popup));
  EXPECT_TRUE(m_parent.m_log.empty());
}

TEST_F(SkinCombo, ListOpensAboveNearTheWorkAreaBottom) {
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  ::SetWindowPos(m_parent.m_hWnd, nullptr, 20, area.bottom - 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A combo without a LIST of its own binds the skin's LIST.
  AvlfComboBox& box = Combo(3);
  for (const wchar_t* text : {L"a", L"b", L"c"}) box.AddString(text, 0);
  ::SendMessageW(box.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ASSERT_TRUE(g_pAvlfMenuWindow && g_pAvlfMenuWindow->m_hWnd);
  RECT rc{}, combo{};
  ::GetWindowRect(g_pAvlfMenuWindow->m_hWnd, &rc);
  ::GetWindowRect(box.m_hWnd, &combo);
  EXPECT_EQ(rc.bottom, combo.top);
  EXPECT_EQ(rc.bottom - rc.top, 3 * 20);
}

TEST_F(SkinCombo, EmptyComboDoesNotDropDown) {
  AvlfComboBox& box = Combo(1);
  ::SendMessageW(box.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(g_pAvlfMenuWindow);
}

}  // namespace
