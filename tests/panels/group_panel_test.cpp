// The titled group panel on a real window: which button releases reach the
// parent as its command, collapsing and expanding its children, and what its
// header paints.

#include <windows.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "panels/GroupPanel.h"
#include "tests/panels/panel_fixture.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="255" Green="255" Blue="255"/>
    <Body Red="0" Green="128" Blue="0"/>
  </Colors>
  <Fonts>
    <Normal FamilyName="Arial" Height="14" Weight="400"/>
  </Fonts>
  <Windows>
    <Host Class="WINDOW" X="40" Y="40" Width="300" Height="300" ClBkGround="Back" Font="Normal">
      <Group Class="WINDOW" CommandID="7" Text="+-" X="20" Y="30" Width="200" Height="150" ClBkGround="Body">
        <First Class="WINDOW" CommandID="71" X="5" Y="20" Width="50" Height="40"/>
        <Second Class="WINDOW" CommandID="72" X="60" Y="20" Width="50" Height="40"/>
        <Third Class="WINDOW" CommandID="73" X="115" Y="20" Width="50" Height="40"/>
      </Group>
    </Host>
  </Windows>
</Skin>
)";

// A derived panel that keeps some children hidden on expanding, as the
// camera panel does.
class CDecliningGroup : public CWndGroup {
 public:
  BOOL ShowChildOnExpand(HWND child) override { return m_declined.count(child) ? FALSE : TRUE; }
  std::set<HWND> m_declined;
};

class GroupPanel : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"Host"));
    ASSERT_TRUE(Attach(m_group, 7));
  }
  size_t Commands() const { return m_host->CommandsFrom(7).size(); }

  CDecliningGroup m_group;
};

TEST_F(GroupPanel, ButtonReleaseInTheHeaderIsTheCommand) {
  EXPECT_EQ(m_group.m_rcClient.right, 200);
  EXPECT_EQ(m_group.m_rcClient.bottom, 150);
  const struct {
    int x, y;
    bool sent;
  } cases[] = {
      {0, 0, true},    {100, 17, true}, {199, 17, true}, {100, 18, false},
      {200, 5, false}, {-1, 5, false},  {-40, 5, false}, {100, 120, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "x " << c.x << ", y " << c.y);
    m_host->m_log.clear();
    ::SendMessageW(m_group.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(c.x, c.y));
    const auto sent = m_host->CommandsFrom(7);
    ASSERT_EQ(sent.size(), c.sent ? 1u : 0u);
    if (c.sent) {
      EXPECT_EQ(sent[0].code, 0);
      EXPECT_EQ(reinterpret_cast<HWND>(sent[0].lParam), m_group.m_hWnd);
    }
  }
}

// Through the real input path: a press that began outside the header (even
// outside the panel) still counts when the release is in the header; a
// click in the body does not.
TEST_F(GroupPanel, RealClicksCountByTheRelease) {
  const POINT body = paneltest::ScreenPoint(m_group.m_hWnd, 100, 100);
  const POINT header = paneltest::ScreenPoint(m_group.m_hWnd, 100, 8);
  const POINT outside = paneltest::ScreenPoint(m_host->m_hWnd, 280, 280);

  paneltest::MoveMouseTo(body.x, body.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  paneltest::PumpUntil([] { return false; });
  EXPECT_EQ(Commands(), 0u);

  paneltest::MoveMouseTo(outside.x, outside.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  paneltest::PumpUntil([] { return (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0; });
  paneltest::MoveMouseTo(header.x, header.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(paneltest::PumpUntil([&] { return Commands() == 1; }));

  paneltest::MoveMouseTo(header.x, header.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(paneltest::PumpUntil([&] { return Commands() == 2; }));
}

TEST_F(GroupPanel, CollapseHidesEveryChildAndExpandShowsTheAcceptedOnes) {
  HWND first = m_group.FindChildByCommandId(71)->m_hWnd;
  HWND second = m_group.FindChildByCommandId(72)->m_hWnd;
  HWND third = m_group.FindChildByCommandId(73)->m_hWnd;
  m_group.m_declined = {second};
  ASSERT_TRUE(::IsWindowVisible(second));

  m_group.SetCollapsed(TRUE);
  EXPECT_TRUE(m_group.m_bCollapsed);
  for (HWND child : {first, second, third}) EXPECT_FALSE(::IsWindowVisible(child));

  m_group.SetCollapsed(FALSE);
  EXPECT_FALSE(m_group.m_bCollapsed);
  EXPECT_TRUE(::IsWindowVisible(first));
  EXPECT_FALSE(::IsWindowVisible(second));
  EXPECT_TRUE(::IsWindowVisible(third));

  // A declined child keeps whatever visibility it had.
  ::ShowWindow(second, SW_SHOW);
  m_group.SetCollapsed(FALSE);
  EXPECT_TRUE(::IsWindowVisible(second));

  // Neither moved nor resized by it.
  RECT rc{};
  ::GetClientRect(m_group.m_hWnd, &rc);
  EXPECT_EQ(rc.right, 200);
  EXPECT_EQ(rc.bottom, 150);
}

// The header band, its outline on the left, top and bottom only, the body in
// the skin colour. This skin has no "FontAwesome" face: no glyph pixel may
// appear at the header's right end, while the caption is drawn.
TEST_F(GroupPanel, PaintsHeaderOutlineAndCaptionWithoutGlyphFont) {
  EXPECT_EQ(m_group.m_pGlyphFont, nullptr);
  m_group.m_strCaption = L"Camera";
  m_group.m_bCollapsed = TRUE;
  paneltest::PaintedPicture picture(m_group.m_hWnd);
  picture.Save(L"group_panel.png");
  EXPECT_EQ(picture.At(100, 9), 0x696969u);
  EXPECT_EQ(picture.At(0, 60), 0x333333u);     // left edge
  EXPECT_EQ(picture.At(100, 0), 0x333333u);    // top edge
  EXPECT_EQ(picture.At(100, 149), 0x333333u);  // bottom edge (height - 1)
  EXPECT_EQ(picture.At(199, 60), 0x008000u);   // no right edge
  EXPECT_EQ(picture.At(100, 60), 0x008000u);
  int captionPixels = 0, glyphPixels = 0;
  for (int y = 1; y < 17; ++y) {
    for (int x = 4; x < 60; ++x) captionPixels += picture.At(x, y) != 0x696969u;
    for (int x = 170; x < 196; ++x) glyphPixels += picture.At(x, y) != 0x696969u;
  }
  EXPECT_GT(captionPixels, 20);
  EXPECT_EQ(glyphPixels, 0);

  m_group.m_strCaption.clear();
  paneltest::PaintedPicture empty(m_group.m_hWnd);
  for (int x = 1; x < 199; ++x) ASSERT_EQ(empty.At(x, 9), 0x696969u) << x;
}

}  // namespace
