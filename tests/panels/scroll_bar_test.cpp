// The thumbnail strip's scroll bar on a real window: thumb geometry from
// range, page and position, track clicks and drags with their notifications,
// ranges that leave nothing to scroll, hover painting; and the separator line.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "panels/ScrollBar.h"
#include "tests/panels/panel_fixture.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="0" Green="0" Blue="255"/>
  </Colors>
  <Windows>
    <Host Class="WINDOW" X="40" Y="40" Width="300" Height="100" ClBkGround="Back">
      <Bar Class="WINDOW" CommandID="5" X="20" Y="30" Width="201" Height="12"/>
      <Narrow Class="WINDOW" CommandID="6" X="20" Y="60" Width="1" Height="12"/>
    </Host>
  </Windows>
</Skin>
)";

class ScrollBar : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"Host"));
    ASSERT_TRUE(Attach(m_bar, 5));
  }
  size_t Notifications(int id = 5) const {
    size_t n = 0;
    for (const auto& c : m_host->CommandsFrom(id)) n += c.code == 1;
    return n;
  }
  void SetRange(int range, int page) { ::SendMessageW(m_bar.m_hWnd, SBM_SETRANGE, range, page); }
  void SetPos(int pos) { ::SendMessageW(m_bar.m_hWnd, SBM_SETPOS, pos, 0); }

  CWndScrollBar m_bar;
};

TEST_F(ScrollBar, ThumbFromRangeAndFromPositionDiffer) {
  EXPECT_EQ(m_bar.m_nClientWidth, 201);
  EXPECT_EQ(m_bar.m_nClientHeight, 12);
  SetRange(1000, 400);
  EXPECT_EQ(m_bar.m_rcThumb.right - m_bar.m_rcThumb.left, 80);
  EXPECT_EQ(m_bar.m_rcThumb.top, 3);
  EXPECT_EQ(m_bar.m_rcThumb.bottom, 11);

  SetPos(300);
  EXPECT_EQ(m_bar.m_nPosition, 300);
  EXPECT_EQ(m_bar.m_rcThumb.left, 60);  // nearest(300 x 200 / 1000)
  EXPECT_EQ(m_bar.m_rcThumb.right, 140);
  SetRange(1000, 400);
  EXPECT_EQ(m_bar.m_rcThumb.left, 36);  // nearest(120 x 300 / 1000)
  EXPECT_EQ(m_bar.m_rcThumb.right, 116);

  // Near the end SBM_SETPOS pulls the thumb back inside.
  SetPos(1000);
  EXPECT_EQ(m_bar.m_rcThumb.right, 200);
  EXPECT_EQ(m_bar.m_rcThumb.left, 120);
  // Positions are for the parent to read; setting one never notifies.
  EXPECT_EQ(Notifications(), 0u);

  // A small page still gets a thumb of five pixels.
  SetRange(100000, 1);
  EXPECT_EQ(m_bar.m_rcThumb.right - m_bar.m_rcThumb.left, 5);
}

TEST_F(ScrollBar, TrackClickCentresTheThumbAndNotifiesOnce) {
  SetRange(1000, 400);
  ::SendMessageW(m_bar.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 6));  // off the thumb: no drag
  EXPECT_EQ(m_bar.m_bDragging, 0);
  ::SendMessageW(m_bar.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(150, 6));
  EXPECT_EQ(m_bar.m_rcThumb.left, 110);
  EXPECT_EQ(m_bar.m_rcThumb.right, 190);
  EXPECT_EQ(m_bar.m_nPosition, 550);  // (1000 x 110) / 200
  EXPECT_EQ(Notifications(), 1u);
  EXPECT_EQ(m_bar.m_nThumbState, CWndScrollBar::ThumbHot);

  // Clicks past either end keep the thumb inside and the position in range.
  const struct { int x, left, position; } ends[] = {{0, 0, 0}, {5, 0, 0}, {200, 120, 600}, {260, 120, 600}};
  for (const auto& e : ends) {
    SCOPED_TRACE(e.x);
    ::SendMessageW(m_bar.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(e.x, 6));
    EXPECT_EQ(m_bar.m_rcThumb.left, e.left);
    EXPECT_EQ(m_bar.m_rcThumb.right - m_bar.m_rcThumb.left, 80);
    EXPECT_EQ(m_bar.m_nPosition, e.position);
  }
  EXPECT_EQ(Notifications(), 5u);
}

TEST_F(ScrollBar, RangeNoLargerThanPageResetsOnce) {
  SetRange(1000, 400);
  SetPos(300);
  m_host->m_log.clear();
  SetRange(300, 400);
  EXPECT_EQ(m_bar.m_nPosition, 0);
  EXPECT_EQ(Notifications(), 1u);
  const auto sent = m_host->CommandsFrom(5);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(sent[0].lParam), m_bar.m_hWnd);
  SetRange(400, 400);
  SetRange(0, 0);
  EXPECT_EQ(Notifications(), 1u);

  // With range 0 a position is ignored, and with range below page too.
  SetPos(50);
  EXPECT_EQ(m_bar.m_nPosition, 0);
  SetRange(100, 400);
  SetPos(50);
  EXPECT_EQ(m_bar.m_nPosition, 0);
}

// Background only unless hovering with something to scroll.
TEST_F(ScrollBar, PaintsOnlyTheBackgroundUnlessHovering) {
  SetRange(1000, 400);
  {
    paneltest::PaintedPicture picture(m_bar.m_hWnd);
    EXPECT_EQ(picture.At(50, 6), 0x0000FFu);
    EXPECT_EQ(picture.At(150, 6), 0x0000FFu);
  }
  m_bar.m_bHover = 1;
  m_bar.m_nThumbState = CWndScrollBar::ThumbHot;
  {
    paneltest::PaintedPicture picture(m_bar.m_hWnd);
    picture.Save(L"scroll_bar_hot.png");
    EXPECT_EQ(picture.At(20, 6), 0xF5F5F5u);   // thumb 0..80, rows 3..10
    EXPECT_EQ(picture.At(20, 1), 0x696969u);   // track above the thumb
    EXPECT_EQ(picture.At(150, 6), 0x696969u);  // track beside it
  }
  m_bar.m_nThumbState = CWndScrollBar::ThumbNormal;
  EXPECT_EQ(paneltest::PaintedPicture(m_bar.m_hWnd).At(20, 6), 0xD3D3D3u);
  SetRange(300, 400);
  EXPECT_EQ(paneltest::PaintedPicture(m_bar.m_hWnd).At(20, 6), 0x0000FFu);
  m_bar.m_bHover = 0;
}

// A bar one pixel wide has no track to divide by: nothing may crash and
// every position stays 0.
TEST_F(ScrollBar, OnePixelBarDividesByNothing) {
  CWndScrollBar narrow;
  ASSERT_TRUE(Attach(narrow, 6));
  ::SendMessageW(narrow.m_hWnd, SBM_SETRANGE, 1000, 10);
  ::SendMessageW(narrow.m_hWnd, SBM_SETPOS, 500, 0);
  ::SendMessageW(narrow.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(0, 6));
  EXPECT_EQ(narrow.m_nPosition, 0);
  narrow.m_bDragging = 1;
  ::SendMessageW(narrow.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(0, 6));
  EXPECT_EQ(narrow.m_nPosition, 0);
  // Range 0 with a click on the track.
  ::SendMessageW(m_bar.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(100, 6));
  EXPECT_EQ(m_bar.m_nPosition, 0);
}

// A person's drag: the cursor enters (capture, hover), presses on the thumb,
// drags past the right end and releases; then leaves.
TEST_F(ScrollBar, RealDragKeepsTheThumbInside) {
  SetRange(1000, 400);
  const POINT thumb = paneltest::ScreenPoint(m_bar.m_hWnd, 40, 6);
  paneltest::MoveMouseTo(thumb.x - 2, thumb.y);
  paneltest::MoveMouseTo(thumb.x, thumb.y);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_bar.m_bHover == 1; }));
  EXPECT_EQ(::GetCapture(), m_bar.m_hWnd);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_bar.m_bDragging == 1; }));
  EXPECT_EQ(m_bar.m_nDragOffset, 40);
  const POINT beyond = paneltest::ScreenPoint(m_bar.m_hWnd, 400, 6);
  paneltest::MoveMouseTo(beyond.x, beyond.y);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_bar.m_rcThumb.right == 200; }));
  EXPECT_EQ(m_bar.m_rcThumb.left, 120);
  EXPECT_EQ(m_bar.m_nPosition, 600);  // nearest(1000 x 120 / 200)
  const size_t moved = Notifications();
  EXPECT_GE(moved, 1u);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_bar.m_bDragging == 0; }));
  EXPECT_EQ(Notifications(), moved + 1);  // the release always notifies
  EXPECT_EQ(m_bar.m_nPosition, 600);
  // Off the bar with no button held: capture and hover go.
  const POINT away = paneltest::ScreenPoint(m_host->m_hWnd, 150, 90);
  paneltest::MoveMouseTo(away.x, away.y);
  EXPECT_TRUE(paneltest::PumpUntil([&] { return m_bar.m_bHover == 0; }));
  EXPECT_NE(::GetCapture(), m_bar.m_hWnd);
}

class SeparatorLine : public ::testing::Test {};

// Two rows whatever the height: the face colour, then the shadow colour.
TEST_F(SeparatorLine, DrawsTwoRows) {
  HWND parent =
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 60, 60, 200, 60, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(parent);
  CWndLine line;
  RECT place{10, 10, 110, 30};
  ASSERT_TRUE(line.Create(parent, &place, nullptr));
  EXPECT_TRUE(line.m_hPenFace);
  ::UpdateWindow(line.m_hWnd);
  paneltest::Pump();
  HDC dc = ::GetDC(line.m_hWnd);
  const COLORREF row0 = ::GetPixel(dc, 50, 0), row1 = ::GetPixel(dc, 50, 1), row5 = ::GetPixel(dc, 50, 5);
  ::ReleaseDC(line.m_hWnd, dc);
  EXPECT_EQ(row0, ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(row1, ::GetSysColor(COLOR_BTNSHADOW));
  EXPECT_NE(row5, ::GetSysColor(COLOR_BTNSHADOW));
  ::DestroyWindow(parent);
  EXPECT_EQ(line.m_hPenFace, nullptr);
}

}  // namespace
