// The skinned slider: position and thumb mappings, notification sequences
// of presses, drags and clicks, silent range and position messages, and the
// narrow slider that has no travel.

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/control_test_support.h"
#include "tests/toolkit/skin_fixture.h"
#include "toolkit/Slider.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Windows>
    <Zoom Class="SLIDER" X="10" Y="10" Width="200" Height="20"/>
    <Narrow Class="SLIDER" X="10" Y="40" Width="17" Height="20"/>
    <Tiny Class="SLIDER" X="10" Y="70" Width="5" Height="20"/>
    <Off Class="SLIDER" Style="WS_CHILD|WS_VISIBLE|WS_DISABLED" X="10" Y="100" Width="200" Height="20"/>
  </Windows>
</Skin>
)";

TEST(SliderMapping, WorkedNumbers) {
  struct Case {
    int width, min, max, pos, thumb;
  } toThumb[] = {
      {200, 0, 100, 50, 91},   {200, 0, 100, 0, 0},   {200, 0, 100, 100, 183},
      {200, 0, 100, 150, 274}, {200, 10, 20, 15, 91}, {200, -50, 50, 0, 91},
      {200, 5, 5, 5, 0},       {17, 0, 100, 50, 0},   {5, 0, 100, 100, 0},
  };
  for (const Case& c : toThumb)
    EXPECT_EQ(SliderThumbFromPos(c.width, c.min, c.max, c.pos), c.thumb) << c.width << " " << c.pos;
  struct Back {
    int width, min, max, thumb, pos;
  } toPos[] = {
      {200, 0, 100, 91, 50},
      {200, 0, 100, 100, 55},
      {200, 0, 100, 183, 100},
      {200, 0, 100, 0, 0},
      {200, 10, 20, 91, 15},
      {200, 5, 5, 50, 0},
      {200, 9, 3, 50, 0},
      // No travel: the minimum, never a division by zero.
      {17, 20, 80, 0, 20},
      {10, 20, 80, 0, 20},
  };
  for (const Back& b : toPos)
    EXPECT_EQ(SliderPosFromThumb(b.width, b.min, b.max, b.thumb), b.pos) << b.width << " " << b.thumb;
}

class SkinSlider : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    RECT place{0, 0, 400, 300};
    ASSERT_TRUE(m_parent.Create(m_host, &place, L"parent", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN));
  }
  void TearDown() override {
    if (m_parent.m_hWnd) ::DestroyWindow(m_parent.m_hWnd);
    SkinFixture::TearDown();
  }
  std::unique_ptr<AvlfSlider> Make(const wchar_t* name) {
    auto slider = std::make_unique<AvlfSlider>();
    EXPECT_TRUE(slider->Create(nullptr, m_parent.m_hWnd, nullptr, name));
    return slider;
  }
  // (code, position) of every WM_HSCROLL so far, then forgets them.
  std::vector<std::pair<int, int>> Taken(HWND slider) {
    std::vector<std::pair<int, int>> out;
    for (const auto& m : m_parent.Of(WM_HSCROLL)) {
      EXPECT_EQ(m.lParam, reinterpret_cast<LPARAM>(slider));
      out.emplace_back(LOWORD(m.wParam), HIWORD(m.wParam));
    }
    m_parent.log.clear();
    return out;
  }
  static void Mouse(HWND slider, UINT msg, WPARAM keys, int x, int y = 9) {
    ::SendMessageW(slider, msg, keys, MAKELPARAM(x, y));
  }

  skintest::ReflectingParent m_parent;
};

using Seq = std::vector<std::pair<int, int>>;

TEST_F(SkinSlider, DragSendsFiveThenFoursThenEight) {
  auto slider = Make(L"Zoom");
  slider->SetPos(50);
  EXPECT_EQ(slider->m_nThumbX, 91);
  Mouse(*slider, WM_MOUSEMOVE, 0, 95);  // hover: the slider tracks and is hot
  EXPECT_TRUE(slider->m_bHot);
  EXPECT_EQ(::GetCapture(), slider->m_hWnd);
  Mouse(*slider, WM_LBUTTONDOWN, MK_LBUTTON, 95);
  Mouse(*slider, WM_MOUSEMOVE, MK_LBUTTON, 105);
  Mouse(*slider, WM_MOUSEMOVE, MK_LBUTTON, 400);  // beyond the end: clamped
  Mouse(*slider, WM_LBUTTONUP, 0, 110);
  // grab offset 4: thumb 101 -> 55, 183 -> 100, 106 -> 58
  EXPECT_EQ(Taken(*slider), (Seq{{5, 50}, {4, 55}, {4, 100}, {4, 58}, {8, 58}}));
  EXPECT_FALSE(slider->m_bDragging);
  EXPECT_EQ(slider->m_nPos, 58);
}

TEST_F(SkinSlider, LeavingWithNoButtonEndsADragSilently) {
  ::ShowWindow(m_host, SW_SHOW);
  auto slider = Make(L"Zoom");
  slider->SetPos(50);
  Mouse(*slider, WM_MOUSEMOVE, 0, 95);
  Mouse(*slider, WM_LBUTTONDOWN, MK_LBUTTON, 95);
  ASSERT_TRUE(slider->m_bDragging);
  // Held, the drag goes on outside the slider.
  Mouse(*slider, WM_MOUSEMOVE, MK_LBUTTON, 300, 40);
  EXPECT_EQ(slider->m_nThumbX, 183);
  // Over the parent with no button: the drag ends without a word.
  Mouse(*slider, WM_MOUSEMOVE, 0, 300, 40);
  EXPECT_FALSE(slider->m_bDragging);
  EXPECT_FALSE(slider->m_bHot);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(Taken(*slider), (Seq{{5, 50}, {4, 100}}));
}

TEST_F(SkinSlider, ClickOnTheTrackJumpsAndSendsOnlyEight) {
  auto slider = Make(L"Zoom");
  struct Case {
    int x, thumb, pos;
  } cases[] = {{108, 100, 55}, {3, 0, 0}, {199, 183, 100}, {-40, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    Mouse(*slider, WM_LBUTTONDOWN, MK_LBUTTON, c.x, 19);  // below the thumb
    Mouse(*slider, WM_LBUTTONUP, 0, c.x, 19);
    EXPECT_EQ(slider->m_nThumbX, c.thumb);
    EXPECT_EQ(Taken(*slider), (Seq{{8, c.pos}}));
  }
}

TEST_F(SkinSlider, RangeAndPositionMessagesAreSilent) {
  auto slider = Make(L"Zoom");
  slider->SetPos(80);
  slider->SetRange(0, 100);  // unchanged: nothing
  slider->SetRange(0, 50);   // clamps to 50
  EXPECT_EQ(slider->m_nPos, 50);
  EXPECT_EQ(slider->m_nThumbX, 183);
  slider->SetRange(60, 40);  // min above max ends at min
  EXPECT_EQ(slider->m_nPos, 60);
  slider->SetRange(0, 100);
  slider->SetPos(150);  // not clamped: the thumb stands beyond the track
  EXPECT_EQ(slider->m_nPos, 150);
  EXPECT_EQ(slider->m_nThumbX, 274);
  EXPECT_TRUE(Taken(*slider).empty());
  // After a resize the thumb is at the left until the next position.
  ::MoveWindow(*slider, 10, 10, 300, 20, FALSE);
  EXPECT_EQ(slider->m_nThumbX, 0);
  EXPECT_EQ(slider->m_nPos, 150);
  EXPECT_EQ(slider->m_nThumbMax, 283);
  slider->SetPos(50);
  EXPECT_EQ(slider->m_nThumbX, 141);
}

TEST_F(SkinSlider, PositionsTravelInSixteenBits) {
  auto slider = Make(L"Zoom");
  slider->SetRange(0, 100000);
  slider->SetPos(70000);
  Mouse(*slider, WM_LBUTTONDOWN, MK_LBUTTON, slider->m_nThumbX + 2);
  EXPECT_EQ(Taken(*slider), (Seq{{5, 70000 & 0xFFFF}}));
  slider->SetRange(-100, 100);
  slider->SetPos(-5);
  Mouse(*slider, WM_LBUTTONUP, 0, slider->m_nThumbX + 8, 19);
  const Seq sent = Taken(*slider);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].first, 8);
  EXPECT_EQ(sent[1].second, slider->m_nPos & 0xFFFF);
}

TEST_F(SkinSlider, NarrowSlidersHaveNoTravel) {
  for (const wchar_t* name : {L"Narrow", L"Tiny"}) {
    SCOPED_TRACE(name);
    auto slider = Make(name);
    slider->SetRange(20, 80);
    slider->SetPos(50);
    EXPECT_EQ(slider->m_nThumbX, 0);
    Mouse(*slider, WM_LBUTTONUP, 0, 12, 19);
    EXPECT_EQ(slider->m_nThumbX, 0);
    EXPECT_EQ(Taken(*slider), (Seq{{8, 20}}));
    EXPECT_NE(skintest::PaintedPixel(*slider, 2, 9), CLR_INVALID);
  }
}

TEST_F(SkinSlider, ThumbColoursFollowTheState) {
  auto slider = Make(L"Zoom");
  auto off = Make(L"Off");
  EXPECT_TRUE(off->m_bDisabled);
  slider->SetPos(50);
  off->SetPos(50);
  // The thumb's centre is (91 + 8, 1 + 8).
  EXPECT_EQ(skintest::PaintedPixel(*slider, 99, 9), RGB(0x40, 0x40, 0x40));
  EXPECT_EQ(skintest::PaintedPixel(*off, 99, 9), RGB(0x80, 0x80, 0x80));
  slider->m_bHot = true;
  EXPECT_EQ(skintest::PaintedPixel(*slider, 99, 9), RGB(0x00, 0x7A, 0xE0));
  slider->m_bDragging = true;
  EXPECT_EQ(skintest::PaintedPixel(*slider, 99, 9), RGB(0x00, 0x50, 0x98));
  EXPECT_EQ(skintest::PaintedPixel(*slider, 2, 2), RGB(0, 0, 0));  // ClBkGround's default black
}

}  // namespace
