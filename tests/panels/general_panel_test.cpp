// The general and magnifier panels in the product skin's main view: the grid
// and cross-hair options read back from a canvas's frame, the label defaults
// for new figures, the magnifier's pickers and follow switch, and where each
// change is stored.

#include <windows.h>

#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "engine/DirectUI.h"
#include "engine/figures/Ruler.h"
#include "panels/GeneralPanel.h"
#include "panels/MagnifierPanel.h"
#include "settings/Configuration.h"
#include "tests/engine/canvas_fixture.h"
#include "tests/panels/main_view_fixture.h"
#include "tests/panels/screen_shot.h"
#include "toolkit/Buttons.h"
#include "toolkit/SkinPickers.h"

namespace {

bool Shown(const AvlfWindowBase* control) {
  return control && (::GetWindowLongW(control->m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

// The rows and columns of the frame that differ from black along a line.
std::set<int> LitColumns(const canvas_test::CReadBack& frame, int y) {
  std::set<int> lit;
  for (int x = 0; x < frame.width; ++x)
    if (frame.At(x, y) != 0) lit.insert(x);
  return lit;
}
std::set<int> LitRows(const canvas_test::CReadBack& frame, int x) {
  std::set<int> lit;
  for (int y = 0; y < frame.height; ++y)
    if (frame.At(x, y) != 0) lit.insert(y);
  return lit;
}

// The settings these panels write, restored after each test.
struct SavedSettings {
  DWORD values[12];
  static DWORD* Fields(int i) {
    DWORD* fields[] = {&g_Config.m_ShowMeasureResult, &g_Config.m_TextBackground,   &g_Config.m_TextBorder,
                       &g_Config.m_GridShow,          &g_Config.m_GridColor,        &g_Config.m_GridWeight,
                       &g_Config.m_CrossShow,         &g_Config.m_CrossColor,       &g_Config.m_CrossTrack,
                       &g_Config.m_MagnifierWeight,   &g_Config.m_MagnifierDisplay, &g_Config.m_MagnifierMouse};
    return fields[i];
  }
  SavedSettings() {
    for (int i = 0; i < 12; ++i) values[i] = *Fields(i);
  }
  ~SavedSettings() {
    for (int i = 0; i < 12; ++i) *Fields(i) = values[i];
  }
};

class GeneralPanel : public paneltest::MainViewFixture {
 protected:
  void SetUp() override {
    MainViewFixture::SetUp();
    ASSERT_TRUE(general().m_hWnd && magnifier().m_hWnd) << "the host attached both panels";
    ASSERT_TRUE(general().m_pGridWeight && general().m_pCrossTrack && magnifier().m_pFollowMouse);
  }
  CWndSettingsGeneral& general() { return m_view.m_wndProcess.m_wndSettingsGeneral; }
  CWndSettingsMagnifier& magnifier() { return m_view.m_wndProcess.m_wndSettingsMagnifier; }
  // A pick in a picker as its popup ends it: the value, then the command.
  void PickWeight(AvlfWindowBase& panel, CWeightButton* picker, int value) {
    picker->SetValue(value);
    Command(panel, picker->m_nCommandID);
  }
  void PickColour(CColorButton* picker, DWORD colour) {
    picker->SetColor(colour);
    Command(general(), picker->m_nCommandID);
  }

  SavedSettings m_saved;
};

TEST_F(GeneralPanel, GridSpacingFortyIsDrawnEveryFortyPixelsAndStored) {
  EXPECT_EQ(general().m_pGridWeight->m_nMin, 5);
  EXPECT_EQ(general().m_pGridWeight->m_nMax, 125);
  EXPECT_STREQ(general().GetCaption(), L"General");

  // A canvas whose frames can be read back, on a black picture.
  canvas_test::CCanvasScene scene(200, 120);
  ASSERT_TRUE(scene.Ready());
  scene.m_document.m_pRuler->m_bVisible = 0;
  scene.Show(canvas_test::CPicture{200, 120, std::vector<uint32_t>(200 * 120, 0xFF000000u)});
  g_pDirectUI = &scene.m_canvas;

  if (general().m_pGridShow->GetCheck()) Command(general(), GENERAL_GRID_SHOW);
  ASSERT_FALSE(general().m_pGridShow->GetCheck());
  EXPECT_FALSE(Shown(general().m_pGridColor) || Shown(general().m_pGridWeight)) << "options hidden with the grid off";
  Command(general(), GENERAL_GRID_SHOW);
  EXPECT_EQ(g_Config.m_GridShow, 1u);
  EXPECT_TRUE(Shown(general().m_pGridColor) && Shown(general().m_pGridWeight));
  PickColour(general().m_pGridColor, 0xFFFFFFFF);
  EXPECT_EQ(g_Config.m_GridColor, 0xFFFFFFFFu);
  PickWeight(general(), general().m_pGridWeight, 40);
  EXPECT_EQ(g_Config.m_GridWeight, 40u);
  EXPECT_EQ(scene.m_canvas.m_grid.m_nWeight, 40);

  canvas_test::CReadBack frame = scene.Read();
  EXPECT_EQ(LitColumns(frame, 10), (std::set<int>{40, 80, 120, 160}));
  EXPECT_EQ(LitRows(frame, 10), (std::set<int>{40, 80}));
  EXPECT_EQ(frame.At(80, 80), 0xFFFFFFu);

  // Picking the colour the grid already has sends nothing to the canvas.
  scene.m_canvas.SetGridColor(0xFF00FF00);
  PickColour(general().m_pGridColor, 0xFFFFFFFF);
  EXPECT_EQ(scene.m_canvas.m_grid.m_clrLine, 0xFF00FF00u);

  // Off hides the options and the grid; on shows them with their values.
  Command(general(), GENERAL_GRID_SHOW);
  EXPECT_EQ(g_Config.m_GridShow, 0u);
  EXPECT_FALSE(Shown(general().m_pGridColor) || Shown(general().m_pGridWeight));
  frame = scene.Read();
  EXPECT_TRUE(LitColumns(frame, 10).empty());
  Command(general(), GENERAL_GRID_SHOW);
  EXPECT_TRUE(Shown(general().m_pGridWeight));
  EXPECT_EQ(general().m_pGridWeight->m_nValue, 40);
  EXPECT_EQ(LitColumns(scene.Read(), 10), (std::set<int>{40, 80, 120, 160}));
  g_pDirectUI = m_canvas;
}

TEST_F(GeneralPanel, CrossHairShowsItsOptionsAndTracksTheCursor) {
  canvas_test::CCanvasScene scene(100, 60);
  ASSERT_TRUE(scene.Ready());
  scene.m_document.m_pRuler->m_bVisible = 0;
  scene.Show(canvas_test::CPicture{100, 60, std::vector<uint32_t>(100 * 60, 0xFF000000u)});
  g_pDirectUI = &scene.m_canvas;

  if (general().m_pCrossShow->GetCheck()) Command(general(), GENERAL_CROSS_SHOW);
  if (g_Config.m_CrossTrack) Command(general(), GENERAL_CROSS_TRACK);
  EXPECT_FALSE(Shown(general().m_pCrossColor) || Shown(general().m_pCrossTrack));
  Command(general(), GENERAL_CROSS_SHOW);
  EXPECT_EQ(g_Config.m_CrossShow, 1u);
  EXPECT_TRUE(Shown(general().m_pCrossColor) && Shown(general().m_pCrossTrack));
  PickColour(general().m_pCrossColor, 0xFF00FF00);
  EXPECT_EQ(g_Config.m_CrossColor, 0xFF00FF00u);
  std::set<int> columns = LitColumns(scene.Read(), 5);
  ASSERT_EQ(columns.size(), 1u);
  EXPECT_NEAR(*columns.begin(), 50, 1) << "through the centre";

  Command(general(), GENERAL_CROSS_TRACK);
  EXPECT_EQ(g_Config.m_CrossTrack, 1u);
  EXPECT_TRUE(general().m_pCrossTrack->GetSelected());
  ::SendMessageW(scene.m_canvas.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 40));
  canvas_test::CReadBack frame = scene.Read();
  columns = LitColumns(frame, 5);
  ASSERT_EQ(columns.size(), 1u);
  EXPECT_NEAR(*columns.begin(), 20, 1) << "on the cursor";
  EXPECT_EQ(frame.At(*columns.begin(), 5), 0x00FF00u);
  g_pDirectUI = m_canvas;
}

TEST_F(GeneralPanel, LabelTogglesChangeOnlyTheDefaultsForNewFigures) {
  canvas_test::CCanvasScene scene(100, 60);
  ASSERT_TRUE(scene.Ready());
  canvas_test::CTestFigure* figure = scene.AddFigure();
  figure->m_bShowResult = 1;
  figure->m_label.m_bBackground = 1;
  figure->m_label.m_bBorder = 1;
  scene.m_document.m_pSelected = figure;
  g_pDirectUI = &scene.m_canvas;
  scene.m_canvas.SetShowMeasureResult(TRUE, nullptr);
  scene.m_canvas.SetTextBackground(TRUE, nullptr);
  scene.m_canvas.SetTextBorder(TRUE, nullptr);
  g_Config.m_TextBackground = g_Config.m_TextBorder = 1;
  general().SetDocument(&scene.m_document);
  general().Update();
  ASSERT_TRUE(general().m_pShowResult->GetCheck());
  EXPECT_TRUE(Shown(general().m_pLabelBackground) && Shown(general().m_pLabelBorder));

  const struct {
    int id;
    int showResult, background, border;  // canvas defaults and settings afterwards
  } clicks[] = {
      {GENERAL_LABEL_BACKGROUND, 1, 0, 1}, {GENERAL_LABEL_BORDER, 1, 0, 0}, {GENERAL_LABEL_BACKGROUND, 1, 1, 0},
      {GENERAL_SHOW_RESULT, 0, 1, 0},      {GENERAL_SHOW_RESULT, 1, 1, 0},
  };
  for (const auto& c : clicks) {
    SCOPED_TRACE(c.id);
    Command(general(), c.id);
    EXPECT_EQ(scene.m_canvas.m_bShowResult, c.showResult);
    EXPECT_EQ(scene.m_canvas.m_bTextBackground, c.background);
    EXPECT_EQ(scene.m_canvas.m_bTextBorder, c.border);
    EXPECT_EQ(g_Config.m_ShowMeasureResult, static_cast<DWORD>(c.showResult));
    EXPECT_EQ(g_Config.m_TextBackground, static_cast<DWORD>(c.background));
    EXPECT_EQ(g_Config.m_TextBorder, static_cast<DWORD>(c.border));
    EXPECT_EQ(general().m_pShowResult->GetCheck(), c.showResult != 0);
    EXPECT_EQ(general().m_pLabelBackground->GetSelected(), c.background != 0);
    // The background and border toggles only show while values are shown.
    EXPECT_EQ(Shown(general().m_pLabelBackground), c.showResult != 0);
    EXPECT_EQ(Shown(general().m_pLabelBorder), c.showResult != 0);
    // The selected figure keeps its own.
    EXPECT_EQ(figure->m_bShowResult, 1);
    EXPECT_EQ(figure->m_label.m_bBackground, 1);
    EXPECT_EQ(figure->m_label.m_bBorder, 1);
  }
  general().SetDocument(nullptr);
  g_pDirectUI = m_canvas;
}

TEST_F(GeneralPanel, WithoutACanvasOnlyTheOverlaySwitchesAreStored) {
  const DWORD show = g_Config.m_ShowMeasureResult, track = g_Config.m_CrossTrack, grid = g_Config.m_GridShow;
  const DWORD follow = g_Config.m_MagnifierMouse;
  g_pDirectUI = nullptr;
  for (int id : {GENERAL_SHOW_RESULT, GENERAL_LABEL_BACKGROUND, GENERAL_LABEL_BORDER, GENERAL_CROSS_TRACK})
    Command(general(), id);
  EXPECT_EQ(g_Config.m_ShowMeasureResult, show);
  EXPECT_EQ(g_Config.m_CrossTrack, track);
  Command(general(), GENERAL_GRID_SHOW);
  EXPECT_EQ(g_Config.m_GridShow, grid ? 0u : 1u);
  Command(magnifier(), MAGNIFIER_FOLLOW_MOUSE);
  EXPECT_EQ(g_Config.m_MagnifierMouse, follow);
  PickWeight(magnifier(), magnifier().m_pFactor, 6);
  EXPECT_EQ(g_Config.m_MagnifierWeight, 6u) << "the factor is stored all the same";
  g_pDirectUI = m_canvas;
}

TEST_F(GeneralPanel, MagnifierPickersAndFollowSwitch) {
  EXPECT_EQ(magnifier().m_pFactor->m_nMin, 2);
  EXPECT_EQ(magnifier().m_pFactor->m_nMax, 15);
  EXPECT_EQ(magnifier().m_pSize->m_nMin, 24);
  EXPECT_EQ(magnifier().m_pSize->m_nMax, 128);
  EXPECT_STREQ(magnifier().GetCaption(), L"Magnifier");

  PickWeight(magnifier(), magnifier().m_pFactor, 10);
  EXPECT_EQ(m_canvas->m_magnifier.m_nWeight, 10);
  EXPECT_EQ(g_Config.m_MagnifierWeight, 10u);
  PickWeight(magnifier(), magnifier().m_pSize, 100);
  EXPECT_EQ(g_Config.m_MagnifierDisplay, 100u);

  const BOOL first = m_canvas->GetMagnifierMouse();
  Command(magnifier(), MAGNIFIER_FOLLOW_MOUSE);
  EXPECT_EQ(m_canvas->GetMagnifierMouse(), !first);
  EXPECT_EQ(g_Config.m_MagnifierMouse, first ? 0u : 1u);
  EXPECT_EQ(magnifier().m_pFollowMouse->GetCheck(), !first);
  Command(magnifier(), MAGNIFIER_FOLLOW_MOUSE);
  EXPECT_EQ(m_canvas->GetMagnifierMouse(), first);
  EXPECT_EQ(g_Config.m_MagnifierMouse, first ? 1u : 0u);

  // The magnifier panel holds no document.
  EXPECT_EQ(magnifier().m_pDocument, nullptr);
}

TEST_F(GeneralPanel, ScreenShots) {
  if (!general().m_pGridShow->GetCheck()) Command(general(), GENERAL_GRID_SHOW);
  if (!general().m_pCrossShow->GetCheck()) Command(general(), GENERAL_CROSS_SHOW);
  properties().ShowPanel(PANEL_GENERAL);
  EXPECT_EQ(properties().m_pCurrentPanel, &general());
  EXPECT_EQ(properties().m_pCaptionLabel->m_strText, L"General");
  paneltest::SaveScreenShot(properties().m_hWnd, L"general_panel.png");
  properties().ShowPanel(PANEL_MAGNIFIER);
  EXPECT_EQ(properties().m_pCurrentPanel, &magnifier());
  EXPECT_EQ(properties().m_pCaptionLabel->m_strText, L"Magnifier");
  paneltest::SaveScreenShot(properties().m_hWnd, L"magnifier_panel.png");
}

}  // namespace
