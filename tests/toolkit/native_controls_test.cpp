// The native-superclass controls: numeric edit, spin, plain edit, scroll bar.

#include <windows.h>

#include <commctrl.h>

#include <climits>
#include <string>

#include <memory>

#include <gtest/gtest.h>

#include "tests/toolkit/skin_fixture.h"
#include "toolkit/NativeControls.h"
#include "toolkit/SkinTree.h"
#include "toolkit/SkinWindow.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Fonts><Small FamilyName="Liberation Sans" Height="11"/></Fonts>
  <Text><Caption Text="typed"/></Text>
  <Windows>
    <Panel Class="WINDOW" Width="300" Height="200">
      <Number Class="COMMONEDIT" CommandID="1" Width="60" Height="20" Style="WS_CHILD|WS_VISIBLE|ES_AUTOHSCROLL"/>
      <Spin Class="SPIN" CommandID="2" Width="16" Height="20"/>
      <Plain Class="EDT" CommandID="3" Text="Caption" Font="Small" Width="80" Height="20"/>
      <Tree Class="TREEVIEW" CommandID="4" Width="80" Height="80"/>
      <Bar Class="SCROLLBAR" CommandID="5" Style="WS_CHILD|WS_VISIBLE|SBS_VERT" Width="16" Height="80"/>
    </Panel>
  </Windows>
</Skin>
)";

class NativeControls : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    RECT rc{0, 0, 300, 200};
    ASSERT_TRUE(m_panel.Create(nullptr, m_host, &rc, L"Panel"));
    m_number = dynamic_cast<AvlfCommonEdit*>(m_panel.FindChildByCommandId(1));
    m_spin = dynamic_cast<AvlfSpinCtrl*>(m_panel.FindChildByCommandId(2));
    ASSERT_TRUE(m_number && m_number->m_hWnd);
    ASSERT_TRUE(m_spin && m_spin->m_hWnd);
  }
  void TearDown() override {
    m_ownedPanel.reset();
    SkinFixture::TearDown();
  }

  // Presses the spin as the native control would report it to the panel.
  LRESULT Press(int delta) {
    NMUPDOWN change{};
    change.hdr.hwndFrom = m_spin->m_hWnd;
    change.hdr.idFrom = 2;
    change.hdr.code = UDN_DELTAPOS;
    change.iDelta = delta;
    return m_panel.SendMessage(WM_NOTIFY, 2, reinterpret_cast<LPARAM>(&change));
  }

  // Gone before GDI+ shuts down in TearDown.
  std::unique_ptr<AvlfWindow> m_ownedPanel = std::make_unique<AvlfWindow>();
  AvlfWindow& m_panel = *m_ownedPanel;
  AvlfCommonEdit* m_number = nullptr;
  AvlfSpinCtrl* m_spin = nullptr;
};

TEST_F(NativeControls, NumericEditFollowsPlainNumbers) {
  struct Step {
    const wchar_t* text;
    int value;
  } steps[] = {
      {L"42", 42},
      {L"42a", 42},
      {L"", 42},
      {L"-7", 42},
      {L" 8", 42},
      {L"0", 0},
      // Only the first 15 characters are read; the number then saturates.
      {L"12345678901234567890", INT_MAX},
      {L"000000000000000123", 0},
      {L"2147483647", INT_MAX},
      {L"7", 7},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "text \"" << testing::PrintToString(std::wstring(s.text)) << "\"");
    ::SetWindowTextW(m_number->m_hWnd, s.text);  // EN_CHANGE through the panel's reflection
    EXPECT_EQ(m_number->GetValue(), s.value);
  }
}

TEST_F(NativeControls, SpinStepsItsBuddyAndClamps) {
  struct Case {
    int start, step, delta;
    int expected;
  } cases[] = {
      {3, 5, 1, 8},
      {3, 5, -1, 0},
      {0, 1, -1, 0},
      {10, 1, 3, 13},
      {INT_MAX - 2, 5, 1, INT_MAX},
      {INT_MAX, 1, 1, INT_MAX},
      {5, INT_MAX, 2, INT_MAX},
      {5, INT_MAX, -2, 0},
  };
  m_spin->SetBuddy(m_number);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " + " << c.delta << " x " << c.step);
    m_number->SetValue(c.start);
    m_spin->SetStep(c.step);
    m_number->m_bLayoutValid = true;
    EXPECT_EQ(Press(c.delta), 0);
    EXPECT_EQ(m_spin->GetValue(), c.expected);
    EXPECT_EQ(m_number->GetValue(), c.expected);
    EXPECT_EQ(m_number->GetWindowText(), std::to_wstring(c.expected));
    EXPECT_EQ(m_number->m_strText, std::to_wstring(c.expected));
    EXPECT_FALSE(m_number->m_bLayoutValid);
  }
}

TEST_F(NativeControls, SpinWithoutBuddyLeavesTheValue) {
  m_spin->SetValue(4);
  Press(1);
  EXPECT_EQ(m_spin->GetValue(), 4);
  EXPECT_EQ(m_number->GetWindowText(), L"");
}

TEST_F(NativeControls, EachSuperclassKeepsItsNativeControl) {
  // Every control's class has the native class's own attributes, whichever
  // control type registered first.
  const wchar_t* natives[] = {L"EDIT", UPDOWN_CLASSW, L"EDIT", WC_TREEVIEWW, L"SCROLLBAR"};
  wchar_t names[5][64] = {};
  for (int id = 1; id <= 5; ++id) {
    SCOPED_TRACE(id);
    AvlfWindowBase* control = m_panel.FindChildByCommandId(id);
    ASSERT_TRUE(control && control->m_hWnd);
    ::GetClassNameW(control->m_hWnd, names[id - 1], 64);
    for (int other = 0; other < id - 1; ++other) {
      if (natives[other] != natives[id - 1]) {
        EXPECT_STRNE(names[id - 1], names[other]);
      }
    }
    WNDCLASSEXW native{};
    native.cbSize = sizeof native;
    ASSERT_TRUE(::GetClassInfoExW(nullptr, natives[id - 1], &native));
    EXPECT_EQ(::GetClassLongPtrW(control->m_hWnd, GCL_CBWNDEXTRA), native.cbWndExtra);
    EXPECT_EQ(::GetClassLongPtrW(control->m_hWnd, GCL_STYLE) & ~CS_GLOBALCLASS, native.style & ~CS_GLOBALCLASS);
  }
  HWND tree = m_panel.FindChildByCommandId(4)->m_hWnd;
  TVINSERTSTRUCTW insert{};
  insert.hParent = TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<wchar_t*>(L"item");
  EXPECT_NE(::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)), 0);
  EXPECT_EQ(::SendMessageW(tree, TVM_GETCOUNT, 0, 0), 1);
  m_spin->SetRange32(-5, 500);
  int low = 0, high = 0;
  m_spin->GetRange32(low, high);
  EXPECT_EQ(low, -5);
  EXPECT_EQ(high, 500);
  m_number->SetLimitText(9);
  EXPECT_EQ(m_number->GetLimitText(), 9u);
  auto* bar = dynamic_cast<AvlfScrollBar*>(m_panel.FindChildByCommandId(5));
  ASSERT_TRUE(bar);
  bar->SetScrollRange(0, 40);
  bar->SetScrollPos(25);
  EXPECT_EQ(bar->GetScrollPos(), 25);
}

TEST_F(NativeControls, PlainEditShowsItsTextInTheSkinFontOnWhite) {
  auto* edit = dynamic_cast<AvlfEdt*>(m_panel.FindChildByCommandId(3));
  ASSERT_TRUE(edit && edit->m_hWnd);
  EXPECT_EQ(edit->GetWindowText(), L"typed");
  ASSERT_TRUE(edit->m_hFont);
  EXPECT_EQ(edit->GetFont(), edit->m_hFont);
  LOGFONTW font{};
  ::GetObjectW(edit->m_hFont, sizeof font, &font);
  EXPECT_EQ(font.lfHeight, 11);
  HBRUSH brush = reinterpret_cast<HBRUSH>(m_panel.SendMessage(WM_CTLCOLOREDIT, 0, (LPARAM)edit->m_hWnd));
  LOGBRUSH colour{};
  ASSERT_TRUE(::GetObjectW(brush, sizeof colour, &colour));
  EXPECT_EQ(colour.lbColor, RGB(255, 255, 255));
  EXPECT_EQ(reinterpret_cast<HCURSOR>(::GetClassLongPtrW(edit->m_hWnd, GCLP_HCURSOR)),
            ::LoadCursorW(nullptr, IDC_IBEAM));
}

}  // namespace
