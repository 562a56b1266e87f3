// The skinned buttons: Layout names, state colours read from painted pixels,
// the selected fill, check glyphs, clicks through reflection, forwarded keys
// and right presses, web addresses, the colour swatch and the geometry
// glyphs' numbers.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/real_input.h"
#include "tests/toolkit/control_test_support.h"
#include "tests/toolkit/skin_fixture.h"
#include "toolkit/Buttons.h"
#include "toolkit/GeometryGlyph.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Red Red="255" Green="0" Blue="0" Alpha="255"/>
    <HalfRed Red="255" Green="0" Blue="0" Alpha="128"/>
    <Black Red="0" Green="0" Blue="0" Alpha="255"/>
  </Colors>
  <Fonts>
    <Big FamilyName="Liberation Sans" Height="30" Weight="700"/>
  </Fonts>
  <Text>
    <Bars Text="IIII"/>
    <Caption Text="A rather long caption"/>
    <Go Text="Go"/>
    <A Text="A"/>
    <Site Text="https://example.invalid/help"/>
    <Empty Text=""/>
  </Text>
  <Windows>
    <Bars Class="ICONBUTTON" Text="Bars" Font="Big" Width="60" Height="40" CommandID="11"/>
    <Check Class="ICONBUTTON" Style="WS_CHILD|WS_VISIBLE|BS_CHECKBOX" Char="f00c;f00d" CommandID="12" Width="30" Height="30"/>
    <Single Class="ICONBUTTON" Style="WS_CHILD|WS_VISIBLE|BS_CHECKBOX" Char="f00c" CommandID="13" Width="30" Height="30"/>
    <Blank Class="ICONBUTTON" CommandID="14" Width="20" Height="20"/>
    <Neighbour Class="ICONBUTTON" X="20" Y="0" Width="20" Height="20" CommandID="19"/>
    <FarSwatch Class="CLBUTTON" X="60" Y="0" Width="20" Height="20" CommandID="33"/>
    <Linked Class="ICONBUTTON" Url="Site" CommandID="15" Width="20" Height="20"/>
    <Unlinked Class="ICONBUTTON" Url="NoSuchKey" CommandID="16" Width="20" Height="20"/>
    <Righty Class="ICONBUTTON" Style="WS_CHILD|WS_VISIBLE|BS_CHECKBOX" CommandID="17" X="30" Y="40" Width="20" Height="20"/>
    <Wide Class="ICONBUTTON" Text="Caption" Font="Big" Width="10" Height="40" CommandID="18"/>
    <Stretched Class="ICONBUTTON" Text="Caption" Font="Big" Width="10" Height="40" Align="ALIGN_PARENT_WIDTH"/>
    <Rect Class="GEOMETRYBUTTON" Char="6" Width="32" Height="32" CommandID="21"/>
    <GeomCheck Class="GEOMETRYBUTTON" Style="WS_CHILD|WS_VISIBLE|BS_CHECKBOX" Char="6" Width="32" Height="32" CommandID="22"/>
    <Letter Class="GEOMETRYBUTTON" Text="A" Width="32" Height="32" CommandID="23"/>
    <Swatch Class="CLBUTTON" ClBkGround="Red" ClText="Black" Width="20" Height="12" CommandID="31"/>
    <HalfSwatch Class="CLBUTTON" ClBkGround="HalfRed" ClText="Black" Width="20" Height="12" CommandID="32"/>
    <TextButton Class="BUTTON" Text="Go" Font="Big" IconChar="f00c" Width="10" Height="40" CommandID="41"/>
  </Windows>
</Skin>
)";

class SkinButtons : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    RECT place{0, 0, 400, 300};
    ASSERT_TRUE(m_parent.Create(m_host, &place, L"parent", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
    ::ShowWindow(m_host, SW_SHOWNOACTIVATE);
  }
  void TearDown() override {
    SetAvlfShellOpen(nullptr);
    if (m_parent.m_hWnd) ::DestroyWindow(m_parent.m_hWnd);
    SkinFixture::TearDown();
  }
  template <class Button>
  std::unique_ptr<Button> Make(const wchar_t* name) {
    auto button = std::make_unique<Button>();
    EXPECT_TRUE(button->Create(nullptr, m_parent.m_hWnd, nullptr, name)) << name;
    return button;
  }
  // A press and release in the middle of the button, as the mouse gives them.
  static void Click(HWND button, UINT press = WM_LBUTTONDOWN) {
    ::SendMessageW(button, press, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
  int Clicks(int id) {
    int n = 0;
    for (const auto& m : m_parent.Of(WM_COMMAND)) n += LOWORD(m.wParam) == id && HIWORD(m.wParam) == BN_CLICKED;
    return n;
  }

  skintest::ReflectingParent m_parent;
};

TEST(LayoutNames, ParseTable) {
  struct Case {
    const wchar_t* value;
    uint32_t flags;
  } cases[] = {
      {L"", 0},
      {L"ALIGN_LEFT|ALIGN_RIGHT", 0x30},
      {L"ALIGN_TOP | ALIGN_BOTTOM", 0x300},
      {L"  ORDER_V_IMAGE_TEXT|ALIGN_RIGHT  ", 0x24},
      {L"align_left", 0},
      {L"ALIGN_LEFT|NOT_A_NAME|ALIGN_BOTTOM", 0x210},
      {L"ALIGN_H_CENTER|ORDER_H_TEXT_IMAGE", 0},
      {L"A LIGN_LEFT", 0x10},  // blanks are skipped wherever they stand
      {L"||ORDER_V_TEXT_IMAGE||", 0x2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << std::string(c.value, c.value + wcslen(c.value)) << "'");
    EXPECT_EQ(ParseLayoutNames(c.value), c.flags);
  }
  // A token of 64 characters or more names nothing, however it starts.
  const std::wstring longToken = L"ALIGN_LEFT" + std::wstring(60, L'X');
  EXPECT_EQ(ParseLayoutNames((longToken + L"|ALIGN_TOP").c_str()), 0x100u);
  EXPECT_EQ(ParseLayoutNames(nullptr), 0u);
}

TEST_F(SkinButtons, StateColoursFromPaintedPixels) {
  auto icon = Make<AvlfIconBtn>(L"Bars");
  auto geometry = Make<AvlfGeomeryBtn>(L"Rect");
  auto geomCheck = Make<AvlfGeomeryBtn>(L"GeomCheck");
  struct Case {
    const char* name;
    HWND button;
    UINT state;
    bool hot;
    bool checked;
    unsigned rgb;
  } cases[] = {
      {"icon normal", *icon, 0, false, false, 0x404040},
      {"icon hot", *icon, 0, true, false, 0x007AE0},
      {"icon pressed beats hot", *icon, ODS_SELECTED, true, false, 0x005098},
      {"icon disabled beats pressed and hot", *icon, ODS_SELECTED | ODS_DISABLED, true, false, 0x808080},
      {"geometry normal", *geometry, 0, false, false, 0x404040},
      {"geometry disabled", *geometry, ODS_DISABLED, false, false, 0x808080},
      {"geometry hot beats disabled", *geometry, ODS_DISABLED, true, false, 0x007AE0},
      {"geometry pressed beats disabled", *geometry, ODS_SELECTED | ODS_DISABLED, false, false, 0x005098},
      {"geometry checked counts as pressed", *geomCheck, 0, false, true, 0x005098},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.button == icon->m_hWnd) icon->m_bHot = c.hot;
    if (c.button == geometry->m_hWnd) geometry->m_bHot = c.hot;
    if (c.button == geomCheck->m_hWnd) geomCheck->m_bChecked = c.checked;
    RECT rc{};
    ::GetClientRect(c.button, &rc);
    skintest::Dib dib(rc.right, rc.bottom);
    skintest::DrawItemInto(c.button, dib, c.state);
    EXPECT_GE(dib.Count(c.rgb), 12) << std::hex << c.rgb;
    EXPECT_EQ(dib.At(0, 0), 0x808080u);  // the grey background
    for (unsigned other : {0x404040u, 0x007AE0u, 0x005098u})
      if (other != c.rgb) {
        EXPECT_EQ(dib.Count(other), 0) << std::hex << other;
      }
  }
}

TEST_F(SkinButtons, SelectedFillLeavesMarginsOfTwoAndThree) {
  auto button = Make<AvlfIconBtn>(L"Blank");
  button->SetSelected(true);
  button->SetSelected(true);
  EXPECT_EQ(button->m_nRepaints, 1);
  skintest::Dib dib(20, 20);
  skintest::DrawItemInto(*button, dib, 0);
  struct Probe {
    int x, y;
    unsigned rgb;
  } probes[] = {{1, 1, 0x808080},   {2, 2, 0xC9DEF5}, {16, 16, 0xC9DEF5}, {17, 16, 0x808080},
                {16, 17, 0x808080}, {2, 1, 0x808080}, {1, 10, 0x808080},  {10, 10, 0xC9DEF5}};
  for (const Probe& p : probes) EXPECT_EQ(dib.At(p.x, p.y), p.rgb) << p.x << "," << p.y;
  button->SetSelected(false);
  EXPECT_EQ(button->m_nRepaints, 2);
  skintest::Dib plain(20, 20);
  skintest::DrawItemInto(*button, plain, 0);
  EXPECT_EQ(plain.Count(0x808080), 400);
}

TEST_F(SkinButtons, CheckButtonTogglesThroughReflection) {
  auto check = Make<AvlfIconBtn>(L"Check");
  auto single = Make<AvlfIconBtn>(L"Single");
  ASSERT_TRUE(check->IsCheckBox());
  EXPECT_EQ(check->ShownText(), L"\xF00D");
  EXPECT_FALSE(check->GetCheck());
  Click(*check);
  EXPECT_EQ(Clicks(12), 1);
  EXPECT_TRUE(check->GetCheck());
  EXPECT_EQ(check->ShownText(), L"\xF00C");
  // A double-click is a second press: two clicks, two toggles.
  Click(*check);
  Click(*check, WM_LBUTTONDBLCLK);
  EXPECT_EQ(Clicks(12), 3);
  EXPECT_TRUE(check->GetCheck());
  // One glyph shows in both states.
  EXPECT_EQ(single->ShownText(), L"\xF00C");
  single->SetCheck(true, true);
  EXPECT_EQ(single->ShownText(), L"\xF00C");
  EXPECT_TRUE(single->GetCheck());
  // SetCheck is ignored out of check-box mode.
  auto plain = Make<AvlfIconBtn>(L"Blank");
  plain->SetCheck(true, true);
  EXPECT_FALSE(plain->GetCheck());
}

TEST_F(SkinButtons, DoubleClickGivesTwoClicks) {
  auto button = Make<AvlfIconBtn>(L"Blank");
  auto swatch = Make<AvlfColorButton>(L"Swatch");
  Click(*button);
  Click(*button, WM_LBUTTONDBLCLK);
  EXPECT_EQ(Clicks(14), 2);
  Click(*swatch);
  Click(*swatch, WM_LBUTTONDBLCLK);
  EXPECT_EQ(Clicks(31), 2);
  for (const auto& m : m_parent.Of(WM_COMMAND)) EXPECT_NE(HIWORD(m.wParam), BN_DOUBLECLICKED);
}

TEST_F(SkinButtons, HotTrackingHoldsTheCaptureWhileOver) {
  ::ShowWindow(m_host, SW_SHOW);
  ASSERT_TRUE(realinput::BringToFront(m_host));
  auto first = Make<AvlfIconBtn>(L"Blank");
  auto second = Make<AvlfIconBtn>(L"Neighbour");
  auto swatch = Make<AvlfColorButton>(L"FarSwatch");
  ::SendMessageW(*first, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(first->IsHot());
  EXPECT_EQ(::GetCapture(), first->m_hWnd);
  // The first move over the neighbour still comes to the first button,
  // which holds the capture: it lets go; the next move makes the neighbour hot.
  ::SendMessageW(*first, WM_MOUSEMOVE, 0, MAKELPARAM(25, 5));
  EXPECT_FALSE(first->IsHot());
  EXPECT_EQ(::GetCapture(), nullptr);
  ::SendMessageW(*second, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(second->IsHot());
  EXPECT_EQ(::GetCapture(), second->m_hWnd);
  // Losing the capture: the icon button drops hot, the swatch keeps it.
  ::SendMessageW(*swatch, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(second->IsHot());
  EXPECT_TRUE(swatch->IsHot());
  ::ReleaseCapture();
  EXPECT_TRUE(swatch->IsHot());
  // Dragging in from outside with the left button held does not make it hot.
  ::SendMessageW(*first, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(first->IsHot());
  // Disabling drops hot.
  ::SendMessageW(*first, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(first->IsHot());
  ::EnableWindow(*first, FALSE);
  EXPECT_FALSE(first->IsHot());
  ::ReleaseCapture();
}

TEST_F(SkinButtons, OnlyUpDownAndF2ReachTheParent) {
  auto icon = Make<AvlfIconBtn>(L"Blank");
  auto geometry = Make<AvlfGeomeryBtn>(L"Rect");
  const WPARAM keys[] = {VK_UP, VK_LEFT, VK_DOWN, 'A', VK_F2, VK_F3, VK_RETURN};
  for (HWND button : {icon->m_hWnd, geometry->m_hWnd})
    for (WPARAM key : keys) ::SendMessageW(button, WM_KEYDOWN, key, 0x00480001);
  const auto forwarded = m_parent.Of(WM_KEYDOWN);
  ASSERT_EQ(forwarded.size(), 6u);
  const WPARAM expected[] = {VK_UP, VK_DOWN, VK_F2};
  for (size_t i = 0; i < forwarded.size(); ++i) {
    EXPECT_EQ(forwarded[i].wParam, expected[i % 3]);
    EXPECT_EQ(forwarded[i].lParam, 0x00480001);
  }
}

TEST_F(SkinButtons, RightPressOnlyWithStyleBitTwo) {
  auto righty = Make<AvlfIconBtn>(L"Righty");
  auto plain = Make<AvlfIconBtn>(L"Blank");
  ::SendMessageW(*plain, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 6));
  EXPECT_TRUE(m_parent.Of(WM_RBUTTONDOWN).empty());
  EXPECT_EQ(::SendMessageW(*plain, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  ::SendMessageW(*righty, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 6));
  const auto forwarded = m_parent.Of(WM_RBUTTONDOWN);
  ASSERT_EQ(forwarded.size(), 1u);
  EXPECT_EQ(forwarded[0].wParam, static_cast<WPARAM>(MK_RBUTTON));
  EXPECT_EQ(forwarded[0].lParam, MAKELPARAM(34, 46));  // the button stands at (30, 40)
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(SkinButtons, WebAddressOpensThroughTheShellOnClick) {
  static std::vector<std::wstring> opened;
  opened.clear();
  SetAvlfShellOpen([](const wchar_t* address, int show) {
    EXPECT_EQ(show, SW_SHOWMAXIMIZED);
    opened.push_back(address);
  });
  auto linked = Make<AvlfIconBtn>(L"Linked");
  auto unlinked = Make<AvlfIconBtn>(L"Unlinked");
  Click(*linked);
  Click(*unlinked);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], L"https://example.invalid/help");
  EXPECT_EQ(Clicks(15), 1);
  EXPECT_EQ(Clicks(16), 1);
}

TEST_F(SkinButtons, LongAddressIsCutAt259) {
  const std::string address(300, 'u');
  LoadSkin(R"(<?xml version="1.0" encoding="utf-8"?><Skin><Text><Long Text=")" + address +
           R"("/></Text><Windows><B Class="ICONBUTTON" Url="Long"/></Windows></Skin>)");
  auto button = Make<AvlfIconBtn>(L"B");
  EXPECT_EQ(std::wstring(button->m_szUrl), std::wstring(259, L'u'));
}

TEST_F(SkinButtons, AutomaticWidthAndSetText) {
  auto wide = Make<AvlfIconBtn>(L"Wide");
  auto stretched = Make<AvlfIconBtn>(L"Stretched");
  EXPECT_GT(wide->m_nWidth, 150);  // about 20 bold 30-pixel letters, plus 6
  EXPECT_EQ(stretched->m_nWidth, 10);
  const int width = wide->m_nWidth;
  ::SendMessageW(*wide, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"X"));
  EXPECT_EQ(wide->m_strText, L"X");
  EXPECT_EQ(wide->GetWindowText(), L"A rather long caption");
  EXPECT_EQ(wide->m_nWidth, width);
}

TEST_F(SkinButtons, SwatchIsExactAndBlendsItsAlpha) {
  auto swatch = Make<AvlfColorButton>(L"Swatch");
  for (UINT state : {0u, static_cast<UINT>(ODS_DISABLED | ODS_SELECTED)}) {
    skintest::Dib dib(20, 12);
    skintest::DrawItemInto(*swatch, dib, state);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x) {
        const bool frame = x == 0 || y == 0 || x == 19 || y == 11;
        ASSERT_EQ(dib.At(x, y), frame ? 0u : 0xFF0000u) << x << "," << y << " state " << state;
      }
  }
  auto half = Make<AvlfColorButton>(L"HalfSwatch");
  skintest::Dib dib(20, 12);
  skintest::DrawItemInto(*half, dib, 0);
  // 0x80 of red over the grey 0x808080.
  const unsigned inner = dib.At(10, 6);
  const double a = 128.0 / 255.0;
  const int r = static_cast<int>(255 * a + 128 * (1 - a)), g = static_cast<int>(128 * (1 - a));
  EXPECT_NEAR(static_cast<int>(inner >> 16), r, 2);
  EXPECT_NEAR(static_cast<int>((inner >> 8) & 0xFF), g, 2);
  EXPECT_NEAR(static_cast<int>(inner & 0xFF), g, 2);
}

TEST_F(SkinButtons, TextButtonWithoutFontAwesomeStartsItsTextAtOne) {
  auto button = Make<AvlfButton>(L"TextButton");
  EXPECT_EQ(button->m_pGlyphFont, nullptr);  // the test skin loads no private fonts
  EXPECT_GE(button->m_nWidth, 4 + 1 + 20);
  RECT rc{};
  ::GetClientRect(*button, &rc);
  skintest::Dib dib(rc.right, rc.bottom);
  skintest::DrawItemInto(*button, dib, 0);
  EXPECT_EQ(button->m_rcText.X, 1.0f);
  EXPECT_EQ(button->m_rcText.Width, static_cast<float>(rc.right - 2));
  // Made wider later, it keeps its first layout.
  ::MoveWindow(*button, 0, 0, rc.right + 50, rc.bottom, FALSE);
  skintest::DrawItemInto(*button, dib, 0);
  EXPECT_EQ(button->m_rcText.Width, static_cast<float>(rc.right - 2));
}

TEST_F(SkinButtons, GeometryButtonWithLetterDrawsOnlyBackground) {
  auto letter = Make<AvlfGeomeryBtn>(L"Letter");
  letter->SetSelected(true);
  skintest::Dib dib(32, 32);
  skintest::DrawItemInto(*letter, dib, 0);
  EXPECT_EQ(dib.Count(0x808080) + dib.Count(0xC9DEF5), 32 * 32);
  EXPECT_EQ(dib.At(10, 10), 0xC9DEF5u);
}

// The geometry of the glyphs, worked out by hand from the area.
TEST(GeometryGlyphs, NumbersForThreeAreas) {
  using S = GlyphShape;
  struct Case {
    RECT item;
    unsigned code;
    S::Kind kind;
    std::vector<int> ints;
  } cases[] = {
      {{0, 0, 32, 32}, 0, S::Lines, {23, 23, 7, 7}},
      {{0, 0, 32, 32}, 1, S::Lines, {19, 23, 3, 7, 27, 23, 11, 7}},
      {{0, 0, 32, 32}, 2, S::Lines, {23, 23, 7, 7, 23, 7, 15, 15}},
      {{0, 0, 32, 32}, 3, S::Curve, {7, 7, 11, 19, 23, 23}},
      {{0, 0, 32, 32}, 4, S::Ellipse, {7, 7, 16, 16}},
      {{0, 0, 32, 32}, 5, S::Ellipse, {5, 9, 20, 12}},
      {{0, 0, 32, 32}, 6, S::Rectangle, {5, 8, 20, 14}},
      {{0, 0, 48, 48}, 0, S::Lines, {34, 34, 12, 12}},
      {{0, 0, 48, 48}, 6, S::Rectangle, {10, 13, 26, 20}},
      {{0, 0, 60, 30}, 1, S::Lines, {36, 20, 8, 8, 50, 20, 14, 8}},
      {{0, 0, 60, 30}, 4, S::Ellipse, {15, 8, 28, 12}},
      {{0, 0, 9, 9}, 9, S::None, {}},
      {{0, 0, 32, 32}, 0x41, S::None, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.item.right << "x" << c.item.bottom << " code " << c.code);
    const S shape = ComputeGeometryGlyph(AvlfGeomeryBtn::GlyphArea(c.item), c.code);
    EXPECT_EQ(shape.kind, c.kind);
    EXPECT_EQ(std::vector<int>(shape.ints, shape.ints + shape.intCount), c.ints);
  }
  struct Ring {
    unsigned code;
    std::vector<float> points;
  } rings[] = {
      {7, {24.195f, 12.675f, 20.874f, 22.897f, 10.126f, 22.897f, 6.805f, 12.675f, 15.5f, 6.357f}},
      {8, {23.418f, 20.071f, 12.929f, 23.418f, 5.582f, 10.929f, 20.071f, 7.582f}},
  };
  for (const Ring& r : rings) {
    const S shape = ComputeGeometryGlyph(RECT{0, 0, 32, 32}, r.code);
    ASSERT_EQ(shape.pointCount * 2, static_cast<int>(r.points.size()));
    for (size_t i = 0; i < r.points.size(); ++i) EXPECT_NEAR(shape.points[i], r.points[i], 0.002f) << i;
  }
  // The area moves in from 40 pixels wide on.
  EXPECT_EQ(AvlfGeomeryBtn::GlyphArea(RECT{0, 0, 40, 20}).left, 2);
  EXPECT_EQ(AvlfGeomeryBtn::GlyphArea(RECT{0, 0, 39, 60}).left, 0);
}

}  // namespace
