// The measuring figure panels in the product skin's property host on a real
// canvas: which panel a selected figure brings, the value texts it shows, the
// label switches, the four-point switch and the copy buttons.

#include <windows.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/figures/Draw.h"
#include "panels/FigurePanel.h"
#include "tests/common/real_input.h"
#include "tests/panels/figure_scene.h"
#include "tests/panels/screen_shot.h"
#include "toolkit/Buttons.h"

namespace {

constexpr int kFigurePanels[] = {PANEL_ANGLE,   PANEL_LINE,         PANEL_PARALLEL_LINES, PANEL_POINT2LINE,
                                 PANEL_CURVE,   PANEL_CIRCLE,       PANEL_ELLIPSE,        PANEL_RECTANGLE,
                                 PANEL_POLYGON, PANEL_CURVE_POLYGON};
constexpr int kValueIds[] = {FIGURE_VALUE1, FIGURE_VALUE2, FIGURE_VALUE3};

std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return L"<not opened>";
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text = chars;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

void PutOnClipboard(const std::wstring& text) {
  if (!::OpenClipboard(nullptr)) return;
  ::EmptyClipboard();
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  auto* chars = static_cast<wchar_t*>(::GlobalLock(block));
  text.copy(chars, text.size());
  chars[text.size()] = L'\0';
  ::GlobalUnlock(block);
  ::SetClipboardData(CF_UNICODETEXT, block);
  ::CloseClipboard();
}

class FigurePanels : public figscene::FigureScene {
 protected:
  HWND Panel(int id) { return host().FindChildByCommandId(id)->m_hWnd; }
  std::wstring Value(int panel, int k) { return TextOf(::GetDlgItem(Panel(panel), kValueIds[k])); }
  // The switch as the panel found it in the skin.
  AvlfIconBtn* FindButton(int panel, int id) {
    auto* face = dynamic_cast<CFigurePanel*>(host().FindPanel(panel));
    if (!face) return nullptr;
    switch (id) {
      case FIGURE_SHOW_RESULT:
        return face->m_pShowResult;
      case FIGURE_LABEL_BACKGROUND:
        return face->m_pTextBackground;
      case FIGURE_LABEL_BORDER:
        return face->m_pTextBorder;
      case FIGURE_ANGLE_4PTS:
        return face->m_pAngle4Pts;
      default:
        return nullptr;
    }
  }
  int TopOf(HWND panel) {
    RECT rc{};
    ::GetWindowRect(panel, &rc);
    ::MapWindowPoints(nullptr, host().m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc.top;
  }
};

TEST_F(FigurePanels, SelectedFigureShowsItsPanelWithItsValues) {
  // Worked values at 100 pixels to the centimetre; "#" stands for any number
  // with three decimals (the curve polygon is smoothed through its points).
  struct Case {
    const char* what;
    int type;
    std::vector<PointF> vertices;
    int panel;
    std::vector<std::wstring> values;
    const wchar_t* caption;  // null: the figure's name
  };
  const std::wstring deg = L"\u00B0";
  const Case cases[] = {
      {"line of 500 px", DRAW_LINE, {{100, 100}, {400, 500}}, PANEL_LINE, {L"5.000"}, nullptr},
      {"right-angle half", DRAW_ANGLE, {{300, 300}, {100, 100}, {300, 100}}, PANEL_ANGLE, {L"45.000" + deg}, nullptr},
      {"four-point right angle",
       DRAW_ANGLE_PT4,
       {{100, 100}, {300, 100}, {200, 200}, {200, 400}},
       PANEL_ANGLE,
       {L"90.000" + deg},
       nullptr},
      {"point 250 px off the line",
       DRAW_POINT_LINE,
       {{100, 100}, {500, 100}, {300, 350}},
       PANEL_POINT2LINE,
       {L"2.500"},
       nullptr},
      {"parallel lines 300 px apart",
       DRAW_DISTANCE,
       {{100, 100}, {100, 400}},
       PANEL_PARALLEL_LINES,
       {L"3.000"},
       nullptr},
      {"straight curve", DRAW_CURVE, {{100, 200}, {300, 200}, {500, 200}}, PANEL_CURVE, {L"4.000"}, nullptr},
      {"circle of radius 150 px",
       DRAW_CIRCLE,
       {{400, 250}, {250, 100}, {100, 250}},
       PANEL_CIRCLE,
       {L"1.500", L"7.069", L"9.425"},
       nullptr},
      {"ellipse 400 x 200 px",
       DRAW_ELLIPSE,
       {{100, 100}, {500, 100}, {500, 300}, {100, 300}},
       PANEL_ELLIPSE,
       {L"2.000, 1.000", L"6.283", L"9.688"},
       nullptr},
      {"rectangle 3 x 4",
       DRAW_RECTANGLE,
       {{100, 100}, {400, 100}, {400, 500}, {100, 500}},
       PANEL_RECTANGLE,
       {L"3.000, 4.000", L"12.000", L"14.000"},
       L"Rectangle"},
      {"3-4-5 triangle",
       DRAW_POLYGON,
       {{100, 100}, {400, 100}, {100, 500}},
       PANEL_POLYGON,
       {L"6.000", L"12.000"},
       nullptr},
      {"curve polygon",
       DRAW_CURVE_POLYGON,
       {{100, 100}, {300, 100}, {300, 300}, {100, 300}},
       PANEL_CURVE_POLYGON,
       {L"#", L"#"},
       nullptr},
  };
  const std::wregex number(L"[0-9]+\\.[0-9]{3}");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring name = L"#7 " + std::wstring(c.what, c.what + std::strlen(c.what));
    CDTDraw* figure = Add(c.type, c.vertices, name.c_str());
    ASSERT_TRUE(figure);
    m_document.SelectElement(figure);
    ASSERT_TRUE(host().m_pCurrentPanel);
    EXPECT_EQ(host().m_pCurrentPanel->m_nCommandID, c.panel);
    EXPECT_TRUE(::IsWindowVisible(Panel(c.panel)));
    EXPECT_EQ(TopOf(Panel(c.panel)), 98) << "under the style block";
    EXPECT_EQ(host().m_pCaptionLabel->m_strText, c.caption ? std::wstring(c.caption) : name);
    for (int k = 0; k < 3; ++k) {
      const HWND window = ::GetDlgItem(Panel(c.panel), kValueIds[k]);
      if (k >= static_cast<int>(c.values.size())) {
        EXPECT_FALSE(window) << "no value window " << k;
        continue;
      }
      if (c.values[k] == L"#")
        EXPECT_TRUE(std::regex_match(Value(c.panel, k), number)) << "window " << k;
      else
        EXPECT_EQ(Value(c.panel, k), c.values[k]) << "window " << k;
    }
    // The other panels hold the figure too but show nothing for a foreign type.
    for (int other : kFigurePanels) {
      if (other == c.panel) continue;
      for (int k = 0; k < 3; ++k) {
        if (::GetDlgItem(Panel(other), kValueIds[k])) {
          EXPECT_EQ(Value(other, k), L"") << other << " window " << k;
        }
      }
    }
    if (c.type == DRAW_RECTANGLE) paneltest::SaveScreenShot(host().m_hWnd, L"figure_panel_rectangle.png");
  }
}

TEST_F(FigurePanels, PrecisionAndRecalibrationReachTheShownValues) {
  const double scale = 0.1;
  m_document.SetReferenceScale(&scale, 1);
  // Radius 123.4 px at 0.1 cm a pixel.
  CDTDraw* circle = Add(DRAW_CIRCLE, {{423.4f, 300}, {300, 176.6f}, {176.6f, 300}}, L"#1 circle");
  ASSERT_TRUE(circle);
  struct Case {
    DWORD precision;
    const wchar_t* radius;
  };
  for (const Case& c : {Case{1, L"12.3"}, Case{3, L"12.340"}, Case{0, L"12"}}) {
    SCOPED_TRACE(c.precision);
    g_Config.m_DecimalPrecision = c.precision;
    m_document.SelectElement(nullptr);
    m_document.SelectElement(circle);
    EXPECT_EQ(Value(PANEL_CIRCLE, 0), c.radius);
  }
  // The canvas's report of a re-measure rewrites the texts: a new scale halves the radius.
  g_Config.m_DecimalPrecision = 3;
  const double half = 0.05;
  m_document.SetReferenceScale(&half, 1);
  m_router.OnFigureChanged(circle, -1);
  EXPECT_EQ(Value(PANEL_CIRCLE, 0), L"6.170");
  // Deselecting keeps the panel and its figure's caption; the panels hold no figure, so no values.
  m_document.SelectElement(nullptr);
  EXPECT_EQ(host().m_pCurrentPanel->m_nCommandID, PANEL_CIRCLE);
  EXPECT_EQ(host().m_pCaptionLabel->m_strText, L"#1 circle");
  EXPECT_EQ(Value(PANEL_CIRCLE, 0), L"");
  EXPECT_EQ(Value(PANEL_CIRCLE, 2), L"");
}

TEST_F(FigurePanels, LabelSwitchesActOnTheFigureOrOnTheDefaults) {
  CDTDraw* line = Add(DRAW_LINE, {{100, 100}, {400, 100}}, L"#1 length");
  ASSERT_TRUE(line);
  m_document.SelectElement(line);
  const HWND panel = Panel(PANEL_LINE);
  AvlfIconBtn* show = FindButton(PANEL_LINE, FIGURE_SHOW_RESULT);
  AvlfIconBtn* background = FindButton(PANEL_LINE, FIGURE_LABEL_BACKGROUND);
  ASSERT_TRUE(show && background && FindButton(PANEL_LINE, FIGURE_LABEL_BORDER));
  const HWND toggles[] = {::GetDlgItem(panel, FIGURE_LABEL_BACKGROUND), ::GetDlgItem(panel, FIGURE_LABEL_BORDER)};
  ASSERT_EQ(line->m_bShowResult, 1);
  EXPECT_TRUE(show->GetCheck());
  g_Config.m_ShowMeasureResult = 1;
  g_Config.m_TextBackground = 1;

  // On the held figure: the figure changes, the settings do not.
  Click(panel, FIGURE_SHOW_RESULT);
  EXPECT_EQ(line->m_bShowResult, 0);
  EXPECT_FALSE(show->GetCheck());
  for (HWND toggle : toggles) EXPECT_FALSE(::IsWindowVisible(toggle));
  Click(panel, FIGURE_SHOW_RESULT);
  EXPECT_EQ(line->m_bShowResult, 1);
  for (HWND toggle : toggles) EXPECT_TRUE(::IsWindowVisible(toggle));
  const int backgroundBefore = line->m_label.m_bBackground != 0;
  Click(panel, FIGURE_LABEL_BACKGROUND);
  EXPECT_EQ(line->m_label.m_bBackground != 0, !backgroundBefore);
  EXPECT_EQ(background->GetSelected(), !backgroundBefore);
  EXPECT_EQ(g_Config.m_ShowMeasureResult, 1u);
  EXPECT_EQ(g_Config.m_TextBackground, 1u);
  // An undo that restores the label's flags: the toggles follow the figure.
  AvlfIconBtn* border = FindButton(PANEL_LINE, FIGURE_LABEL_BORDER);
  const bool borderBefore = line->m_label.m_bBorder != 0;
  m_canvas->SetTextBackground(backgroundBefore ? TRUE : FALSE, line);
  m_canvas->SetTextBorder(borderBefore ? FALSE : TRUE, line);
  m_router.OnHistoryRestored(&m_document);
  EXPECT_EQ(background->GetSelected(), backgroundBefore != 0);
  EXPECT_EQ(border->GetSelected(), !borderBefore);

  // Without a figure: the canvas default and its setting, twice back to the start.
  m_document.SelectElement(nullptr);
  const int defaultShow = m_canvas->m_bShowResult;
  Click(panel, FIGURE_SHOW_RESULT);
  EXPECT_EQ(m_canvas->m_bShowResult != 0, defaultShow == 0);
  EXPECT_EQ(g_Config.m_ShowMeasureResult != 0, defaultShow == 0);
  EXPECT_EQ(line->m_bShowResult, 1) << "the figure is no longer held";
  Click(panel, FIGURE_SHOW_RESULT);
  EXPECT_EQ(m_canvas->m_bShowResult != 0, defaultShow != 0);
  EXPECT_EQ(g_Config.m_ShowMeasureResult != 0, defaultShow != 0);
  const int defaultBorder = m_canvas->m_bTextBorder;
  Click(panel, FIGURE_LABEL_BORDER);
  EXPECT_EQ(m_canvas->m_bTextBorder != 0, defaultBorder == 0);
  EXPECT_EQ(g_Config.m_TextBorder != 0, defaultBorder == 0);
}

TEST_F(FigurePanels, FourPointButtonFlipsTheSettingAndTheCanvasTool) {
  m_document.SelectElement(Add(DRAW_ANGLE, {{300, 300}, {100, 100}, {300, 100}}, L"#1 angle"));
  ASSERT_EQ(host().m_pCurrentPanel->m_nCommandID, PANEL_ANGLE);
  AvlfIconBtn* button = FindButton(PANEL_ANGLE, FIGURE_ANGLE_4PTS);
  ASSERT_TRUE(button);
  const DWORD first = g_Config.m_Angle4Pts;
  for (int press = 1; press <= 2; ++press) {
    SCOPED_TRACE(press);
    Click(Panel(PANEL_ANGLE), FIGURE_ANGLE_4PTS);
    const bool on = (press == 1) == (first == 0);
    EXPECT_EQ(g_Config.m_Angle4Pts != 0, on);
    EXPECT_EQ(m_canvas->m_bAngle4Pts != 0, on) << "the canvas is told every time";
    EXPECT_EQ(button->GetCheck(), on);
  }
  EXPECT_EQ(g_Config.m_Angle4Pts, first);
  // Other panels have no such switch: their id 6 is no command of theirs.
  EXPECT_FALSE(FindButton(PANEL_LINE, FIGURE_ANGLE_4PTS));
}

TEST_F(FigurePanels, CopyButtonsPutTheShownTextOnTheClipboard) {
  CDTDraw* rectangle = Add(DRAW_RECTANGLE, {{100, 100}, {400, 100}, {400, 500}, {100, 500}}, L"#1 rectangle");
  m_document.SelectElement(rectangle);
  const HWND panel = Panel(PANEL_RECTANGLE);
  // A real click on the first copy button.
  ::UpdateWindow(panel);
  RECT rc{};
  ::GetWindowRect(::GetDlgItem(panel, FIGURE_COPY1), &rc);
  ASSERT_TRUE(realinput::BringToFront(m_view.m_hWnd));
  realinput::MoveMouseTo((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  realinput::MouseButton(MOUSEEVENTF_LEFTDOWN);
  realinput::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(paneltest::PumpUntil([] { return ClipboardText() == L"3.000, 4.000"; })) << ClipboardText();
  struct Case {
    int copy;
    const wchar_t* text;
  };
  for (const Case& c : {Case{FIGURE_COPY2, L"12.000"}, Case{FIGURE_COPY3, L"14.000"}}) {
    Click(panel, c.copy);
    EXPECT_EQ(ClipboardText(), c.text) << c.copy;
  }
  // An empty value copies nothing: the clipboard keeps what it had.
  m_document.SelectElement(nullptr);
  PutOnClipboard(L"kept");
  Click(panel, FIGURE_COPY1);
  EXPECT_EQ(ClipboardText(), L"kept");
}

TEST_F(FigurePanels, IdsThatAreNoPanelChangeOnlyTheRememberedId) {
  m_document.SelectElement(Add(DRAW_LINE, {{100, 100}, {400, 100}}, L"#1 length"));
  const HWND line = Panel(PANEL_LINE);
  const HWND block = host().m_wndMeasurements.m_hWnd;
  RECT lineBefore{}, blockBefore{};
  ::GetWindowRect(line, &lineBefore);
  ::GetWindowRect(block, &blockBefore);
  // 98 and 99 are the caption label and the style block, children of the host like the panels.
  for (int id : {98, 99, 0, 117, -1}) {
    SCOPED_TRACE(id);
    host().ShowPanel(id);
    EXPECT_EQ(host().m_nPanelId, id);
    EXPECT_EQ(host().m_pCurrentPanel->m_hWnd, line);
    EXPECT_TRUE(::IsWindowVisible(line));
    EXPECT_TRUE(::IsWindowVisible(block));
    EXPECT_TRUE(::IsWindowVisible(host().m_pCaptionLabel->m_hWnd));
    RECT lineNow{}, blockNow{};
    ::GetWindowRect(line, &lineNow);
    ::GetWindowRect(block, &blockNow);
    EXPECT_TRUE(::EqualRect(&lineNow, &lineBefore));
    EXPECT_TRUE(::EqualRect(&blockNow, &blockBefore));
    EXPECT_EQ(host().m_pCaptionLabel->m_strText, L"#1 length");
  }
}

}  // namespace
