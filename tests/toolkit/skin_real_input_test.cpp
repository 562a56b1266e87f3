// The text field, drop-down list and weight picker driven through the real
// input path: pointer moves, clicks and keys injected with SendInput, so
// hover, capture and hit testing run as they do for a person.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/real_input.h"
#include "tests/toolkit/recording_parent.h"
#include "tests/toolkit/skin_fixture.h"
#include "toolkit/SkinCombo.h"
#include "toolkit/SkinEdit.h"
#include "toolkit/SkinPickers.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Text>
    <One Text="One"/>
    <Two Text="Two"/>
    <Three Text="Three"/>
  </Text>
  <Windows>
    <Host Class="WINDOW" Style="WS_POPUP|WS_VISIBLE|WS_CLIPCHILDREN" X="50" Y="50" Width="400" Height="300">
      <Choice Class="COMBOBOX" CommandID="31" Style="WS_CHILD|WS_VISIBLE" X="10" Y="10" Width="120" Height="20">
        <LIST Class="LISTBOX" Width="0">
          <A Text="One" CommandID="1"/>
          <B Text="Two" CommandID="2"/>
          <C Text="Three" CommandID="3"/>
        </LIST>
      </Choice>
      <Field Class="EDIT" CommandID="32" Style="WS_CHILD|WS_VISIBLE" X="10" Y="200" Width="200" Height="24"/>
      <Weight Class="BUTTONWEIGHT" CommandID="33" Style="WS_CHILD|WS_VISIBLE" X="250" Y="10" Width="40" Height="24"/>
    </Host>
  </Windows>
</Skin>
)";

// Lets the injected input arrive and be handled.
void Settle() {
  for (int i = 0; i < 10; ++i) {
    ::Sleep(15);
    skintest::PumpMessages();
  }
}

// Injected input goes through the X server and comes back when it comes back:
// under load that can take far longer than a fixed pause, so wait for its effect.
bool SettleUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 400 && !done(); ++i) {
    ::Sleep(10);
    skintest::PumpMessages();
  }
  Settle();
  return done();
}

using realinput::MouseButton;
using realinput::MoveMouseTo;

void TypeText(const std::wstring& text) {
  for (wchar_t c : text) {
    INPUT keys[2] = {};
    for (INPUT& k : keys) {
      k.type = INPUT_KEYBOARD;
      k.ki.wScan = c;
      k.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    ::SendInput(2, keys, sizeof(INPUT));
  }
}

std::function<void()> g_inLoop;
void CALLBACK RunInLoop(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  std::function<void()> action = std::move(g_inLoop);
  g_inLoop = nullptr;
  if (action) action();
}

class RealInput : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    ASSERT_TRUE(m_parent.Create(nullptr, nullptr, nullptr, L"Host"));
    ASSERT_TRUE(realinput::BringToFront(m_parent.m_hWnd));
    Settle();
  }
  void TearDown() override {
    ReleaseMenuWindow();
    if (::GetCapture()) ::ReleaseCapture();
    if (m_parent.m_hWnd) ::DestroyWindow(m_parent.m_hWnd);
    for (AvlfWindowBase* child : m_parent.m_children) delete child;
    m_parent.m_children.clear();
    SkinFixture::TearDown();
  }
  // Screen point of a client point of a control.
  POINT Screen(int id, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(m_parent.FindChildByCommandId(id)->m_hWnd, &pt);
    return pt;
  }

  skintest::RecordingParent m_parent;
};

TEST_F(RealInput, ComboPickWithThePointer) {
  auto& combo = *static_cast<AvlfComboBox*>(m_parent.FindChildByCommandId(31));
  const POINT at = Screen(31, 20, 10);
  MoveMouseTo(at.x, at.y);
  EXPECT_TRUE(SettleUntil([&] { return combo.m_bHot; }));
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseButton(MOUSEEVENTF_LEFTUP);
  SettleUntil([] { return g_pAvlfMenuWindow && g_pAvlfMenuWindow->m_hWnd; });
  ASSERT_TRUE(g_pAvlfMenuWindow && g_pAvlfMenuWindow->m_hWnd);
  EXPECT_TRUE(::IsWindowVisible(g_pAvlfMenuWindow->m_hWnd));
  m_parent.m_log.clear();
  // The third row: 20 pixels each, below the 20-pixel combo.
  MoveMouseTo(at.x, at.y - 10 + 20 + 2 * 20 + 10);
  Settle();
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseButton(MOUSEEVENTF_LEFTUP);
  SettleUntil([] { return !::IsWindowVisible(g_pAvlfMenuWindow->m_hWnd); });
  EXPECT_FALSE(::IsWindowVisible(g_pAvlfMenuWindow->m_hWnd));
  EXPECT_EQ(combo.GetCurSel(), 2);
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{CBN_SELCHANGE}));
}

TEST_F(RealInput, TypingIntoTheField) {
  auto& edit = *static_cast<AvlfEdit*>(m_parent.FindChildByCommandId(32));
  const POINT at = Screen(32, 20, 12);
  MoveMouseTo(at.x, at.y);
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  MouseButton(MOUSEEVENTF_LEFTUP);
  SettleUntil([&] { return ::GetFocus() == edit.m_hWnd; });
  EXPECT_EQ(::GetFocus(), edit.m_hWnd);
  m_parent.m_log.clear();
  TypeText(L"ab c");
  SettleUntil([&] { return edit.m_strText.size() >= 4; });
  EXPECT_EQ(edit.m_strText, L"ab c");
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>(4, EN_CHANGE)));
}

TEST_F(RealInput, WeightPickerDrag) {
  auto& button = *static_cast<CWeightButton*>(m_parent.FindChildByCommandId(33));
  button.SetValue(10);
  const POINT at = Screen(33, 5, 5);
  MoveMouseTo(at.x, at.y);
  SettleUntil([&] { return button.m_bHot; });
  // Inside the popup's loop: grab the handle, drag it 108 pixels right, let go.
  g_inLoop = [] {
    RECT popup{};
    ::GetWindowRect(g_WeightPicker.m_hWnd, &popup);
    const RECT h = g_WeightPicker.m_rcHandle;
    const int x = popup.left + (h.left + h.right) / 2, y = popup.top + (h.top + h.bottom) / 2;
    MoveMouseTo(x, y);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MoveMouseTo(x + 54, y);
    MoveMouseTo(x + 108, y);
    MouseButton(MOUSEEVENTF_LEFTUP);
  };
  ::SetTimer(nullptr, 0, 50, &RunInLoop);
  m_parent.m_log.clear();
  MouseButton(MOUSEEVENTF_LEFTDOWN);
  Settle();
  MouseButton(MOUSEEVENTF_LEFTUP);
  Settle();
  // Centre from 42 to 150: 1 + trunc(138 x 63 / 216) = 41.
  EXPECT_EQ(button.m_nValue, 41);
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{BN_CLICKED}));
  EXPECT_EQ(g_WeightPicker.m_hWnd, nullptr);
}

}  // namespace
