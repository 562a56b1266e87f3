// The work area on the product skin: the main view with its palette and work
// area made as the program makes them, laid out at 1000 x 700, the panes
// switched by their commands and by the stored settings, the side pane's
// camera panel collapsed.

#include <windows.h>

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "app/MeasureView.h"
#include "engine/Image.h"
#include "settings/Configuration.h"
#include "tests/panels/panel_fixture.h"

namespace {

// WM_RULER_SETSTATE as the bars receive it, counted by a hook outside the
// code under test.
std::map<HWND, std::vector<WPARAM>> g_setState;
HHOOK g_hook = nullptr;

LRESULT CALLBACK CountSetState(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && message->message == WM_RULER_SETSTATE) g_setState[message->hwnd].push_back(message->wParam);
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

struct Box {
  int x, y, w, h;
  bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.x << ", " << b.y << ", " << b.w << ", " << b.h << ")";
}

// A child's place in its parent's client area.
Box PlaceOf(HWND child) {
  RECT rc{};
  ::GetWindowRect(child, &rc);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

class WorkArea : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadProductSkin()) << "velin.dll beside the test";
    g_setState.clear();
    g_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, CountSetState, nullptr, ::GetCurrentThreadId());
  }
  void TearDown() override {
    if (m_view.m_hWnd) m_view.DestroyWindow();
    ::UnhookWindowsHookEx(g_hook);
    g_Config.m_ShowPicutres = g_Config.m_ShowProperties = 1;
    PanelFixture::TearDown();
  }
  // The view sized so that the work area is width x height.
  void MakeView(int width, int height) {
    const int palette = 64;
    RECT place{20, 20, 20 + palette + width, 20 + height};
    ASSERT_TRUE(m_view.Create(nullptr, nullptr, &place, L"MainFrame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
    paneltest::Pump();
    ASSERT_TRUE(process().m_hWnd);
    RECT rc{};
    ::GetClientRect(process().m_hWnd, &rc);
    ASSERT_EQ(rc.right, width);
    ASSERT_EQ(rc.bottom, height);
  }
  CWndProcess& process() { return m_view.m_wndProcess; }
  void Toggle(int id) { ::SendMessageW(process().m_hWnd, WM_COMMAND, id, 0); }
  size_t SetStates(HWND bar) { return g_setState[bar].size(); }

  COrvelMeasureView m_view;
};

TEST_F(WorkArea, FixedGeometryWithEitherPaneHidden) {
  MakeView(1000, 700);
  CWndProcess& p = process();
  const HWND canvas = p.m_wndRender.m_hWnd, bar = p.m_wndSplitter.m_hWnd, side = p.m_wndSettings.m_hWnd,
             strip = p.m_wndRuler.m_hWnd, thumbs = p.m_wndDetail.m_hWnd;
  const Box sideShown{740, 0, 260, 692};
  const struct {
    const char* name;
    int toggle;  // command before the row: 0 none
    Box canvas, bar, side, strip, thumbs;
    bool sideVisible, thumbsVisible;
  } rows[] = {
      {"both shown",
       0,
       {8, 0, 720, 628},
       {728, 0, 12, 628},
       sideShown,
       {4, 628, 724, 25},
       {8, 653, 720, 47},
       true,
       true},
      {"side pane hidden",
       2,
       {8, 0, 980, 628},
       {988, 0, 12, 628},
       sideShown,
       {4, 628, 984, 25},
       {8, 653, 980, 47},
       false,
       true},
      {"both hidden",
       4,
       {8, 0, 980, 675},
       {988, 0, 12, 675},
       sideShown,
       {4, 675, 984, 25},
       {8, 653, 980, 47},
       false,
       false},
      {"thumbnails hidden",
       2,
       {8, 0, 720, 675},
       {728, 0, 12, 675},
       sideShown,
       {4, 675, 724, 25},
       {8, 653, 980, 47},
       true,
       false},
      {"both shown again",
       4,
       {8, 0, 720, 628},
       {728, 0, 12, 628},
       sideShown,
       {4, 628, 724, 25},
       {8, 653, 720, 47},
       true,
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.toggle) Toggle(row.toggle);
    EXPECT_EQ(PlaceOf(canvas), row.canvas);
    EXPECT_EQ(PlaceOf(bar), row.bar);
    EXPECT_EQ(PlaceOf(side), row.side);  // a hidden pane keeps its place
    EXPECT_EQ(PlaceOf(strip), row.strip);
    EXPECT_EQ(PlaceOf(thumbs), row.thumbs);
    EXPECT_EQ(::IsWindowVisible(side) != FALSE, row.sideVisible);
    EXPECT_EQ(::IsWindowVisible(thumbs) != FALSE, row.thumbsVisible);
    EXPECT_EQ(p.m_wndSplitter.m_nState, row.sideVisible ? 1 : 0);
    EXPECT_EQ(p.m_wndRuler.m_nState, row.thumbsVisible ? 1 : 0);
    EXPECT_EQ(g_Config.m_ShowProperties, row.sideVisible ? 1u : 0u);
    EXPECT_EQ(g_Config.m_ShowPicutres, row.thumbsVisible ? 1u : 0u);
  }
  // Each toggle told its own bar once.
  EXPECT_EQ(g_setState[bar], (std::vector<WPARAM>{0, 1}));
  EXPECT_EQ(g_setState[strip], (std::vector<WPARAM>{0, 1}));

  // A size with no width or height moves nothing.
  for (LPARAM size : {MAKELPARAM(0, 500), MAKELPARAM(500, 0), MAKELPARAM(0, 0)}) {
    ::SendMessageW(p.m_hWnd, WM_SIZE, 0, size);
    EXPECT_EQ(PlaceOf(canvas), (Box{8, 0, 720, 628}));
    EXPECT_EQ(PlaceOf(thumbs), (Box{8, 653, 720, 47}));
    EXPECT_EQ(PlaceOf(side), sideShown);
  }
  EXPECT_EQ(p.m_rcClient.right, 0);
  EXPECT_EQ(p.m_rcClient.bottom, 0);

  paneltest::PaintedPicture(m_view.m_hWnd, WM_PAINT).Save(L"work_area.png");
}

TEST_F(WorkArea, StoredSettingsHideBothPanesAtStart) {
  g_Config.m_ShowPicutres = 0;
  g_Config.m_ShowProperties = 0;
  MakeView(1000, 700);
  CWndProcess& p = process();
  EXPECT_FALSE(p.m_bShowDetail);
  EXPECT_FALSE(p.m_bShowSettings);
  EXPECT_EQ(g_setState[p.m_wndRuler.m_hWnd], std::vector<WPARAM>{0});
  EXPECT_EQ(g_setState[p.m_wndSplitter.m_hWnd], std::vector<WPARAM>{0});
  EXPECT_EQ(PlaceOf(p.m_wndRender.m_hWnd), (Box{8, 0, 980, 675}));
  EXPECT_EQ(PlaceOf(p.m_wndRuler.m_hWnd), (Box{4, 675, 984, 25}));
  EXPECT_FALSE(::IsWindowVisible(p.m_wndSettings.m_hWnd));
  EXPECT_FALSE(::IsWindowVisible(p.m_wndDetail.m_hWnd));

  // Twice each: the layout and the settings come back.
  for (int id : {2, 2, 4, 4}) Toggle(id);
  EXPECT_EQ(PlaceOf(p.m_wndRender.m_hWnd), (Box{8, 0, 980, 675}));
  Toggle(2);
  Toggle(4);
  EXPECT_EQ(PlaceOf(p.m_wndRender.m_hWnd), (Box{8, 0, 720, 628}));
  EXPECT_EQ(g_Config.m_ShowProperties, 1u);
  EXPECT_EQ(g_Config.m_ShowPicutres, 1u);
}

TEST_F(WorkArea, SidePaneStacksItsPanelsAndCollapsesTheCamera) {
  MakeView(1000, 700);
  CWndSettings& side = process().m_wndSettings;
  ASSERT_TRUE(side.m_wndCamera.m_hWnd);
  ASSERT_TRUE(side.m_wndMeasure.m_hWnd);
  ASSERT_TRUE(side.m_wndProperties.m_hWnd);
  const int g = side.m_wndCamera.m_nHeight;  // the camera panel's skin height
  EXPECT_EQ(PlaceOf(side.m_wndCamera.m_hWnd), (Box{0, 0, 260, g}));
  EXPECT_EQ(PlaceOf(side.m_wndMeasure.m_hWnd), (Box{0, g + 4, 260, 692 - g - 238}));
  EXPECT_EQ(PlaceOf(side.m_wndProperties.m_hWnd), (Box{0, 462, 260, 230}));

  // The camera panel's header click reaches the side pane as command 1.
  ::SendMessageW(side.m_wndCamera.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 5));
  EXPECT_TRUE(side.m_wndCamera.m_bCollapsed);
  EXPECT_FALSE(side.m_wndCamera.IsGroupExpanded());
  EXPECT_EQ(PlaceOf(side.m_wndCamera.m_hWnd), (Box{0, 0, 260, 18}));
  EXPECT_EQ(PlaceOf(side.m_wndMeasure.m_hWnd), (Box{0, 22, 260, 436}));
  EXPECT_EQ(PlaceOf(side.m_wndProperties.m_hWnd), (Box{0, 462, 260, 230}));
  paneltest::PaintedPicture(side.m_hWnd, WM_PAINT).Save(L"side_pane_collapsed.png");

  ::SendMessageW(side.m_hWnd, WM_COMMAND, 1, 0);
  EXPECT_FALSE(side.m_wndCamera.m_bCollapsed);
  EXPECT_EQ(PlaceOf(side.m_wndCamera.m_hWnd), (Box{0, 0, 260, g}));

  // A low pane leaves the list no height; no minimum applies.
  ::SendMessageW(side.m_hWnd, WM_SIZE, 0, MAKELPARAM(260, 300));
  EXPECT_EQ(PlaceOf(side.m_wndMeasure.m_hWnd).h, 300 - g - 238 > 0 ? 300 - g - 238 : 0);
  EXPECT_EQ(PlaceOf(side.m_wndProperties.m_hWnd), (Box{0, 70, 260, 230}));
}

// The splitter's glyph clicked as a person clicks it hides the side pane.
TEST_F(WorkArea, RealClickOnTheSplitterGlyphHidesTheSidePane) {
  MakeView(1000, 700);
  CWndRuler& bar = process().m_wndSplitter;
  const POINT glyph = paneltest::ScreenPoint(bar.m_hWnd, 6, (bar.m_rcGlyph.top + bar.m_rcGlyph.bottom) / 2);
  paneltest::MoveMouseTo(glyph.x, glyph.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(paneltest::PumpUntil([&] { return !process().m_bShowSettings; }));
  EXPECT_FALSE(::IsWindowVisible(process().m_wndSettings.m_hWnd));
  EXPECT_EQ(bar.m_nState, 0);
  EXPECT_EQ(g_Config.m_ShowProperties, 0u);
}

// The strip's zoom buttons on a real canvas and picture: one step either
// way, clamped by the picture; the fit button flips between actual size and
// fitting the window.
TEST_F(WorkArea, ZoomButtonsStepAndClamp) {
  MakeView(1000, 700);
  ASSERT_EQ(g_pDirectUI, &process().m_wndRender.m_canvas);
  ASSERT_TRUE(g_pDirectUI->m_hWnd) << "no canvas window";
  CDTImage picture;
  const RECT size{0, 0, 400, 300};
  picture.Create(g_pDirectUI, nullptr, L"zoom", &size);
  picture.m_nWidth = 400;  // a picture of that size, as a camera layout gives it
  picture.m_nHeight = 300;
  g_pDirectUI->SetActiveImage(&picture, TRUE);
  HWND strip = process().m_wndRuler.m_hWnd;
  const struct {
    float start;
    WORD button;
    float zoom;
  } steps[] = {{15.0f, 5, 15.0f}, {0.2f, 4, 0.2f}, {1.0f, 5, 1.1f}, {1.0f, 4, 0.9f}};
  for (const auto& s : steps) {
    SCOPED_TRACE(testing::Message() << s.start << " button " << s.button);
    picture.SetZoomMode(2, s.start);
    g_pWndProperties->m_nPanelId = 100;
    ::SendMessageW(strip, WM_COMMAND, s.button, 0);
    EXPECT_EQ(picture.m_nZoomMode, 2);
    EXPECT_NEAR(picture.m_fZoom, s.zoom, 1e-5);
    EXPECT_EQ(g_pWndProperties->m_nPanelId, 114);
  }
  g_pWndProperties->m_nPanelId = 100;
  ::SendMessageW(strip, WM_COMMAND, 6, 0);
  EXPECT_EQ(picture.m_nZoomMode, 1);
  ::SendMessageW(strip, WM_COMMAND, 6, 0);
  EXPECT_EQ(picture.m_nZoomMode, 0);
  EXPECT_EQ(g_pWndProperties->m_nPanelId, 100);  // the fit button shows no panel
  g_pDirectUI->SetActiveImage(nullptr, FALSE);
  // Without a picture the zoom buttons still show the image panel.
  ::SendMessageW(strip, WM_COMMAND, 5, 0);
  EXPECT_EQ(g_pWndProperties->m_nPanelId, 114);
  ::SendMessageW(strip, WM_COMMAND, 6, 0);
}

// The marked buttons of the palette, 1 to 24.
std::vector<int> Marked(const CWndTool& tool) {
  std::vector<int> marked;
  for (int id = 1; id <= 24; ++id)
    if (tool.GetMark(id)) marked.push_back(id);
  return marked;
}

TEST_F(WorkArea, PaletteClicksToToolMarksAndPanel) {
  MakeView(1000, 700);
  CWndTool& tool = m_view.m_wndTool;
  CDirectUI* canvas = g_pDirectUI;
  ASSERT_TRUE(canvas && canvas->m_hWnd);
  // After initialisation: select marked, general panel.
  EXPECT_EQ(Marked(tool), std::vector<int>{24});
  EXPECT_EQ(g_pWndProperties->m_nPanelId, 100);
  for (int i = 0; i < 18; ++i) EXPECT_NE(tool.m_pButtons[i], nullptr) << i;

  constexpr int kReset = -1;  // ResetToSelect(TRUE), as the frame calls it
  constexpr int kAny = -2;
  const struct {
    const char* name;
    std::vector<int> clicks;
    int canvasTool;  // kAny: not looked at
    std::vector<int> marked;
    int panel;
    BOOL region;
  } rows[] = {
      {"line", {12}, DRAW_LINE, {12}, 103, FALSE},
      {"line twice", {12, 12}, DRAW_SELECT, {24}, 100, FALSE},
      {"line then circle", {12, 16}, DRAW_CIRCLE, {16}, 107, FALSE},
      {"angle", {11}, DRAW_ANGLE, {11}, 102, FALSE},
      {"text", {21}, DRAW_TEXT, {21}, 112, FALSE},
      {"point to line", {14}, DRAW_POINT_LINE, {14}, 105, FALSE},
      {"ruler", {10}, kAny, {10}, 101, FALSE},
      {"ruler, region on", {10, 5}, DRAW_REGION, {5, 10}, 101, TRUE},
      {"ruler, region on and off", {10, 5, 5}, kAny, {10, 24}, 101, FALSE},
      {"line, region on", {12, 5}, DRAW_REGION, {5}, 103, TRUE},
      {"reset after line", {12, kReset}, kAny, {24}, 103, FALSE},
      {"reset after ruler", {10, kReset}, kAny, {10, 24}, 101, FALSE},
      {"image view", {6}, DRAW_PAN, {6}, 114, FALSE},
      {"image view then select", {6, 24}, DRAW_SELECT, {24}, 100, FALSE},
      {"no meaning", {4, 9, 23, 99}, DRAW_SELECT, {24}, 100, FALSE},
      {"magnifier", {8}, DRAW_SELECT, {8, 24}, 116, FALSE},
      {"histogram", {7}, DRAW_SELECT, {7, 24}, 100, FALSE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // Back to the start: select, nothing switched on.
    tool.SelectButton(24);
    for (int id : {5, 7, 8}) tool.SetMark(id, false);
    if (canvas->m_region.m_bActive) canvas->SetTool(DRAW_REGION);
    canvas->ShowMagnifier(FALSE);
    canvas->ShowHistogram(FALSE);
    canvas->SetTool(DRAW_SELECT);
    ASSERT_FALSE(canvas->m_region.m_bActive);
    for (int click : row.clicks) {
      if (click == kReset) {
        tool.ResetToSelect(TRUE);
      } else {
        ::SendMessageW(tool.m_hWnd, WM_COMMAND, static_cast<WPARAM>(click), 0);
      }
    }
    if (row.canvasTool != kAny) {
      EXPECT_EQ(canvas->m_nTool, row.canvasTool);
    }
    EXPECT_EQ(Marked(tool), row.marked);
    EXPECT_EQ(g_pWndProperties->m_nPanelId, row.panel);
    EXPECT_EQ(canvas->m_region.m_bActive, row.region);
  }
  EXPECT_TRUE(canvas->IsHistogramShown());
  EXPECT_FALSE(canvas->IsMagnifierShown());

  // A real click on the line button goes through the button's own command.
  tool.SelectButton(24);
  tool.SetHistogram(FALSE);
  canvas->SetTool(DRAW_SELECT);
  AvlfWindowBase* line = tool.FindChildByCommandId(12);
  ASSERT_TRUE(line && line->m_hWnd);
  RECT rc{};
  ::GetClientRect(line->m_hWnd, &rc);
  const POINT centre = paneltest::ScreenPoint(line->m_hWnd, rc.right / 2, rc.bottom / 2);
  paneltest::MoveMouseTo(centre.x, centre.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(paneltest::PumpUntil([&] { return canvas->m_nTool == DRAW_LINE; }));
  EXPECT_EQ(Marked(tool), std::vector<int>{12});
  paneltest::PaintedPicture(tool.m_hWnd, WM_PAINT).Save(L"palette.png");
}

}  // namespace
