// The collapsible bars and the status cells on real windows: glyph box and
// hit zone of a 12 x 600 splitter and a 724 x 25 strip, the click rule by
// posted messages and by real mouse input, and the cells' texts, also when
// a camera thread writes the frame rate.

#include <windows.h>

#include <cwchar>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "panels/Bars.h"
#include "tests/panels/panel_fixture.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="255" Green="255" Blue="255"/>
    <Bar Red="200" Green="200" Blue="200"/>
    <Ink Red="0" Green="0" Blue="0"/>
  </Colors>
  <Fonts>
    <Normal FamilyName="Arial" Height="14" Weight="400"/>
  </Fonts>
  <Windows>
    <Host Class="WINDOW" X="20" Y="20" Width="900" Height="700" ClBkGround="Back" Font="Normal">
      <Splitter Class="WINDOW" CommandID="2" Text="" X="20" Y="10" Width="12" Height="600" ClBkGround="Bar"/>
      <Strip Class="WINDOW" CommandID="4" X="60" Y="640" Width="724" Height="25" ClBkGround="Bar" ClText="Ink">
        <Cursor Class="WINDOW" CommandID="1" X="8" Y="3" Width="220" Height="18" ClText="Ink"/>
        <Rate Class="WINDOW" CommandID="2" X="400" Y="3" Width="90" Height="18" ClText="Ink"/>
        <Size Class="WINDOW" CommandID="3" X="500" Y="3" Width="100" Height="18" ClText="Ink"/>
      </Strip>
    </Host>
  </Windows>
</Skin>
)";

std::wstring TextOf(const CWndStatus& cell) {
  wchar_t text[256];
  cell.GetText(text, 256);
  return text;
}

class Bars : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"Host"));
    m_splitter.m_bHorizontal = FALSE;
    ASSERT_TRUE(Attach(m_splitter, 2));
    ASSERT_TRUE(Attach(m_strip, 4));
  }
  size_t Commands(int id) const { return m_host->CommandsFrom(id).size(); }
  static void Click(HWND bar, int x, int y) {
    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }

  CWndRuler m_splitter;
  CWndHorizontalRuler m_strip;
};

TEST_F(Bars, GlyphBoxAndHitZone) {
  EXPECT_EQ(m_splitter.m_nClientWidth, 12);
  EXPECT_EQ(m_splitter.m_nClientHeight, 600);
  const RECT splitterGlyph{0, 291, 22, 313};  // left clamped to 0
  EXPECT_TRUE(::EqualRect(&m_splitter.m_rcGlyph, &splitterGlyph));
  const RECT stripGlyph{351, 3, 373, 25};
  EXPECT_TRUE(::EqualRect(&m_strip.m_rcGlyph, &stripGlyph));

  const struct {
    bool splitter;
    int x, y;
    bool sent;
  } clicks[] = {
      {true, 5, 211, true},    {true, 5, 210, false},   {true, 5, 392, true},    {true, 5, 393, false},
      {true, 0, 300, true},    {true, 11, 300, true},   {true, 5, 100, false},   {false, 271, 10, true},
      {false, 270, 10, false}, {false, 452, 10, true},  {false, 453, 10, false}, {false, 362, 0, true},
      {false, 362, 24, true},  {false, 100, 10, false},
  };
  for (const auto& c : clicks) {
    SCOPED_TRACE(testing::Message() << (c.splitter ? "splitter " : "strip ") << c.x << ", " << c.y);
    CWndRuler& bar = c.splitter ? m_splitter : static_cast<CWndRuler&>(m_strip);
    m_host->m_log.clear();
    Click(bar.m_hWnd, c.x, c.y);
    const auto sent = m_host->CommandsFrom(c.splitter ? 2 : 4);
    ASSERT_EQ(sent.size(), c.sent ? 1u : 0u);
    if (c.sent) {
      EXPECT_EQ(sent[0].code, 0);
      EXPECT_EQ(reinterpret_cast<HWND>(sent[0].lParam), bar.m_hWnd);
    }
    EXPECT_FALSE(bar.m_bPressed);
  }

  // A resize with no height keeps the glyph box.
  ::SendMessageW(m_strip.m_hWnd, WM_SIZE, 0, MAKELPARAM(500, 0));
  EXPECT_TRUE(::EqualRect(&m_strip.m_rcGlyph, &stripGlyph));
  ::SendMessageW(m_strip.m_hWnd, WM_SIZE, 0, MAKELPARAM(10, 10));
  const RECT small{0, 0, 22, 22};  // both clamped
  EXPECT_TRUE(::EqualRect(&m_strip.m_rcGlyph, &small));
}

TEST_F(Bars, OnlyAPressInTheZoneArmsTheRelease) {
  HWND strip = m_strip.m_hWnd;
  ::SendMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(360, 10));
  EXPECT_TRUE(m_strip.m_bPressed);
  ::SendMessageW(strip, WM_LBUTTONUP, 0, MAKELPARAM(100, 10));  // out of the zone
  EXPECT_FALSE(m_strip.m_bPressed);
  ::SendMessageW(strip, WM_LBUTTONUP, 0, MAKELPARAM(360, 10));  // no press before it
  EXPECT_EQ(Commands(4), 0u);
  ::SendMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));
  EXPECT_FALSE(m_strip.m_bPressed);
}

// As a person does it: a press in the zone released outside the window
// stays pending, and the next release in the zone (after a press outside
// the bar) sends the command; a press in the zone released elsewhere on the
// bar sends nothing.
TEST_F(Bars, RealMouseKeepsAPressPending) {
  HWND strip = m_strip.m_hWnd;
  const POINT zone = paneltest::ScreenPoint(strip, 360, 12);
  const POINT barOutsideZone = paneltest::ScreenPoint(strip, 100, 23);  // below the cursor cell
  const POINT offBar = paneltest::ScreenPoint(m_host->m_hWnd, 450, 300);

  paneltest::MoveMouseTo(zone.x, zone.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_bPressed != FALSE; }));
  paneltest::MoveMouseTo(barOutsideZone.x, barOutsideZone.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_bPressed == FALSE; }));
  EXPECT_EQ(Commands(4), 0u);

  // Past the double-click time: a second press there would be a double click.
  ::Sleep(::GetDoubleClickTime() + 50);
  paneltest::MoveMouseTo(zone.x, zone.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_bPressed != FALSE; }));
  paneltest::MoveMouseTo(offBar.x, offBar.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  paneltest::PumpUntil([] { return false; });
  EXPECT_TRUE(m_strip.m_bPressed);  // the release went elsewhere: still pending
  EXPECT_EQ(Commands(4), 0u);

  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  paneltest::PumpUntil([] { return (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0; });
  paneltest::MoveMouseTo(zone.x, zone.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(paneltest::PumpUntil([&] { return Commands(4) == 1; }));
  EXPECT_FALSE(m_strip.m_bPressed);
}

TEST_F(Bars, SetStateChoosesTheGlyph) {
  EXPECT_EQ(m_strip.m_nState, 1);
  for (WPARAM state : {0, 1, 7, 0}) {
    ::SendMessageW(m_strip.m_hWnd, WM_RULER_SETSTATE, state, 0);
    EXPECT_EQ(m_strip.m_nState, static_cast<int>(state));
  }
}

class StatusCells : public Bars {
 protected:
  void SetUp() override {
    Bars::SetUp();
    m_saved = g_pDirectUI;
    g_pDirectUI = &m_canvas;
    m_picture.m_nWidth = 1280;
    m_picture.m_nHeight = 1024;
    std::wcscpy(m_picture.m_szUnit, L"mm");
  }
  void TearDown() override {
    g_pDirectUI = m_saved;
    Bars::TearDown();
  }
  CDirectUI m_canvas;  // no window: only its region is read
  CDirectUI* m_saved = nullptr;
  CDTImage m_picture;
};

TEST_F(StatusCells, Texts) {
  CWndStatus& size = m_strip.m_wndSize;
  CWndStatus& rate = m_strip.m_wndFrameRate;
  CWndStatus& cursor = m_strip.m_wndCursor;
  EXPECT_TRUE(rate.m_bRightAligned);
  EXPECT_FALSE(size.m_bRightAligned);

  const struct {
    float fps;
    const wchar_t* text;
  } rates[] = {{29.97f, L"30.0 FPS,"}, {0.04f, L"0.0 FPS,"}, {0, L""}, {-5, L""}, {59.94f, L"59.9 FPS,"}};
  for (const auto& r : rates) {
    rate.ShowFrameRate(r.fps);
    EXPECT_EQ(TextOf(rate), r.text) << r.fps;
  }

  const struct {
    bool regionOn;
    RECT region;
    const wchar_t* text;
  } sizes[] = {
      {true, {100, 100, 300, 250}, L"200 x 150 px"},
      {true, {300, 250, 100, 100}, L"200 x 150 px"},  // drawn backwards
      {true, {1200, 1000, 1400, 1100}, L"80 x 24 px"},
      {true, {2000, 2000, 2100, 2100}, L"1280 x 1024 px"},  // wholly outside
      {false, {100, 100, 300, 250}, L"1280 x 1024 px"},
  };
  for (const auto& s : sizes) {
    m_canvas.m_region.m_bActive = s.regionOn;
    m_picture.m_rcRegion = s.region;
    size.ShowImageSize(&m_picture);
    EXPECT_EQ(TextOf(size), s.text);
  }
  size.ShowImageSize(nullptr);
  EXPECT_EQ(TextOf(size), L"");
  CDTImage empty;
  size.ShowImageSize(&empty);
  EXPECT_EQ(TextOf(size), L"");

  const CursorPosition position{1.234f, 5.678f, 10.9f, -0.5f};
  cursor.ShowCursorPosition(&position, &m_picture);
  EXPECT_EQ(TextOf(cursor), L"10, 0 px - 1.2, 5.7 mm");
  m_picture.m_szUnit[0] = 0;
  cursor.ShowCursorPosition(&position, &m_picture);
  EXPECT_EQ(TextOf(cursor), L"10, 0 px - 1.2, 5.7");
  cursor.ShowCursorPosition(&position, &empty);
  EXPECT_EQ(TextOf(cursor), L"");
  // The longest unit the document holds: the cell keeps 255 characters.
  std::wmemset(m_picture.m_szUnit, L'u', 255);
  m_picture.m_szUnit[255] = 0;
  cursor.ShowCursorPosition(&position, &m_picture);
  const std::wstring cut = TextOf(cursor);
  EXPECT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut.substr(0, 24), L"10, 0 px - 1.2, 5.7 uuuu");
}

// A camera thread only stores the text; the cell is painted by its own
// thread when that thread runs its messages.
TEST_F(StatusCells, FrameRateFromAnotherThreadIsPaintedOnTheWindowThread) {
  CWndStatus& rate = m_strip.m_wndFrameRate;
  paneltest::Pump();
  std::thread camera([&] { rate.ShowFrameRate(29.97f); });
  camera.join();
  EXPECT_EQ(TextOf(rate), L"30.0 FPS,");
  MSG msg;
  EXPECT_TRUE(
      ::PeekMessageW(&msg, rate.m_hWnd, CWndStatus::WM_STATUS_REPAINT, CWndStatus::WM_STATUS_REPAINT, PM_NOREMOVE));
  paneltest::Pump();
  // Dark text pixels now in the cell's right part.
  HDC dc = ::GetDC(rate.m_hWnd);
  int ink = 0;
  for (int y = 0; y < 18; ++y)
    for (int x = 20; x < 90; ++x) ink += (::GetPixel(dc, x, y) & 0xFFFFFF) < 0x606060;
  ::ReleaseDC(rate.m_hWnd, dc);
  EXPECT_GT(ink, 10);
}

}  // namespace
