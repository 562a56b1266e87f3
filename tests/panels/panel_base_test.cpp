// The panel base and the common style block on a real canvas: which controls
// each figure type enables, and where a chosen style goes (figure, canvas
// default, settings).

#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/DirectUI.h"
#include "panels/PanelBase.h"
#include "settings/Configuration.h"
#include "tests/engine/canvas_fixture.h"
#include "tests/toolkit/skin_fixture.h"
#include "toolkit/Buttons.h"
#include "toolkit/SkinPickers.h"

namespace {

const char kStyleSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Windows>
    <StyleHost Class="WINDOW" Width="300" Height="120">
      <StyleBlock Class="WINDOW" CommandID="99" X="4" Y="26" Width="280" Height="68">
        <Weight Class="BUTTONWEIGHT" CommandID="11" X="0" Y="0" Width="40" Height="24"/>
        <LineColor Class="BUTTONCOLOR" CommandID="12" X="44" Y="0" Width="40" Height="24"/>
        <Fill Class="ICONBUTTON" CommandID="13" X="88" Y="0" Width="40" Height="24" Text="F"/>
        <Vertices Class="ICONBUTTON" CommandID="14" X="132" Y="0" Width="40" Height="24" Text="V"/>
        <FontSize Class="BUTTONFONT" CommandID="21" X="0" Y="30" Width="40" Height="24"/>
        <TextColor Class="BUTTONCOLOR" CommandID="22" X="44" Y="30" Width="40" Height="24"/>
        <TextBkColor Class="BUTTONCOLOR" CommandID="23" X="88" Y="30" Width="40" Height="24"/>
      </StyleBlock>
    </StyleHost>
  </Windows>
</Skin>
)";

// A panel that counts its updates.
class CCountingPanel : public CWndSettingsBase {
 public:
  const wchar_t* GetCaption() override { return nullptr; }
  void Update() override { ++m_nUpdates; }
  int m_nUpdates = 0;
};

class StyleBlockTest : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kStyleSkin);
    m_scene = std::make_unique<canvas_test::CCanvasScene>(320, 240);
    ASSERT_TRUE(m_scene->m_canvas.m_hWnd);
    m_savedCanvas = g_pDirectUI;
    g_pDirectUI = &m_scene->m_canvas;
    m_savedConfig = g_Config.m_PenWeight;
    m_savedMeasure = g_Config.m_MeasureColor;
    m_savedRuler = g_Config.m_RulerColor;
    m_savedShow = g_Config.m_ShowMeasureResult;
    ASSERT_TRUE(m_skinHost.Create(nullptr, m_host, nullptr, L"StyleHost"));
    ASSERT_TRUE(AttachSkinChild(&m_skinHost, m_block, 99));
  }
  void TearDown() override {
    if (m_skinHost.m_hWnd) m_skinHost.DestroyWindow();
    g_pDirectUI = m_savedCanvas;
    g_Config.m_PenWeight = m_savedConfig;
    g_Config.m_MeasureColor = m_savedMeasure;
    g_Config.m_RulerColor = m_savedRuler;
    g_Config.m_ShowMeasureResult = m_savedShow;
    m_scene.reset();
    SkinFixture::TearDown();
  }
  bool Enabled(AvlfWindowBase* control) const { return control && ::IsWindowEnabled(control->m_hWnd); }
  // Sends the control's command as the control does after a pick.
  void Command(int id) {
    ::SendMessageW(m_block.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(m_block.FindChildByCommandId(id)->m_hWnd));
  }

  std::unique_ptr<canvas_test::CCanvasScene> m_scene;
  CDirectUI* m_savedCanvas = nullptr;
  DWORD m_savedConfig = 0, m_savedMeasure = 0, m_savedRuler = 0, m_savedShow = 0;
  AvlfWindow m_skinHost;
  CWndSettingsMeasurements m_block;
};

TEST_F(StyleBlockTest, ControlsFollowTheFigureType) {
  ASSERT_TRUE(m_block.m_pWeight && m_block.m_pLineColor && m_block.m_pFill && m_block.m_pVertices &&
              m_block.m_pFontSize && m_block.m_pTextColor && m_block.m_pTextBkColor);
  struct Row {
    int type;  // -1: no figure
    bool weight, line, fill, vertices, textBk;
    bool filled;
    int shownWeight;
  };
  const Row rows[] = {
      {-1, true, true, true, false, true, true, 7},     {0, false, true, false, true, true, false, 1},
      {1, true, true, false, true, true, false, 5},     {6, true, true, false, true, true, false, 5},
      {7, true, true, true, true, true, true, 5},       {9, true, true, true, true, true, true, 5},
      {11, true, true, true, true, true, true, 5},      {12, false, false, false, false, false, false, 5},
      {13, false, false, false, false, true, false, 5},
  };
  m_scene->m_canvas.SetPenWeight(7, nullptr);
  m_scene->m_canvas.SetSolid(TRUE, nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    CDTDraw* figure = nullptr;
    if (row.type == 0) {
      figure = reinterpret_cast<CDTDraw*>(m_scene->m_document.m_pRuler);
    } else if (row.type > 0) {
      figure = m_scene->AddFigure(row.type);
      figure->m_nPenWeight = 5;
      figure->m_bSolid = 1;  // an open figure still shows its fill off
    }
    m_block.SetFigure(figure);
    m_block.Update();
    EXPECT_EQ(Enabled(m_block.m_pWeight), row.weight);
    EXPECT_EQ(Enabled(m_block.m_pLineColor), row.line);
    EXPECT_EQ(Enabled(m_block.m_pFill), row.fill);
    EXPECT_EQ(Enabled(m_block.m_pTextBkColor), row.textBk);
    EXPECT_TRUE(Enabled(m_block.m_pTextColor));
    EXPECT_TRUE(Enabled(m_block.m_pFontSize));
    EXPECT_EQ((::GetWindowLongW(m_block.m_pVertices->m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0, row.vertices);
    EXPECT_EQ(m_block.m_pFill->GetSelected(), row.filled);
    EXPECT_EQ(m_block.m_pWeight->m_nValue, row.shownWeight);
  }
}

TEST_F(StyleBlockTest, WeightWithoutFigureIsClampedAndStored) {
  m_block.SetFigure(nullptr);
  const int rows[][2] = {{0, 1}, {80, 64}, {12, 12}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    m_block.m_pWeight->m_nValue = row[0];  // what the popup stored
    Command(STYLE_WEIGHT);
    EXPECT_EQ(m_scene->m_canvas.m_nPenWeight, row[1]);
    EXPECT_EQ(g_Config.m_PenWeight, static_cast<DWORD>(row[1]));
  }
}

TEST_F(StyleBlockTest, LineColourGoesToTheFigureAndOnlyTheRulerIsStored) {
  const DWORD measure = 0xFF123456, ruler = 0xFF654321;
  g_Config.m_MeasureColor = measure;
  g_Config.m_RulerColor = ruler;
  auto* line = m_scene->AddFigure(1);
  auto* other = m_scene->AddFigure(1);
  const DWORD otherColour = other->m_clrLine;

  m_block.SetFigure(line);
  m_block.m_pLineColor->SetColor(0xFF00FF00);
  Command(STYLE_LINE_COLOR);
  EXPECT_EQ(line->m_clrLine, 0xFF00FF00u);
  EXPECT_EQ(other->m_clrLine, otherColour);
  EXPECT_EQ(g_Config.m_MeasureColor, measure);
  EXPECT_EQ(g_Config.m_RulerColor, ruler);

  auto* rulerFigure = reinterpret_cast<CDTDraw*>(m_scene->m_document.m_pRuler);
  m_block.SetFigure(rulerFigure);
  EXPECT_EQ(m_block.m_pWeight->m_nValue, 1);
  EXPECT_FALSE(Enabled(m_block.m_pWeight));
  const int rulerWeight = rulerFigure->m_nPenWeight;
  m_block.m_pWeight->m_nValue = 9;
  Command(STYLE_WEIGHT);
  EXPECT_EQ(rulerFigure->m_nPenWeight, rulerWeight);
  m_block.m_pLineColor->SetColor(0xFF0000FF);
  Command(STYLE_LINE_COLOR);
  EXPECT_EQ(rulerFigure->m_clrLine, 0xFF0000FFu);
  EXPECT_EQ(g_Config.m_RulerColor, 0xFF0000FFu);
  EXPECT_EQ(g_Config.m_MeasureColor, measure);
}

TEST_F(StyleBlockTest, FillTogglesTheSelectedState) {
  auto* rectangle = m_scene->AddFigure(9);
  rectangle->m_bSolid = 0;
  m_block.SetFigure(rectangle);
  EXPECT_FALSE(m_block.m_pFill->GetSelected());
  Command(STYLE_FILL);
  EXPECT_EQ(rectangle->m_bSolid, 1);
  EXPECT_TRUE(m_block.m_pFill->GetSelected());
  Command(STYLE_FILL);
  EXPECT_EQ(rectangle->m_bSolid, 0);
  EXPECT_FALSE(m_block.m_pFill->GetSelected());
}

TEST_F(StyleBlockTest, PanelBaseHoldsOnlyDrawingElementsAndTogglesDefaults) {
  CCountingPanel panel;
  auto* line = m_scene->AddFigure(1);
  panel.SetFigure(line);
  panel.SetFigure(line);
  EXPECT_EQ(panel.m_nUpdates, 1);
  panel.SetFigure(&m_scene->m_document);  // a document is not a figure
  EXPECT_EQ(panel.m_pFigure, nullptr);
  EXPECT_EQ(panel.m_nUpdates, 2);

  m_scene->m_document.m_pSelected = line;
  panel.SetDocument(&m_scene->m_document);
  EXPECT_EQ(panel.m_pDocument, &m_scene->m_document);
  EXPECT_EQ(panel.m_pFigure, line);

  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 50, 20, m_skinHost.m_hWnd, nullptr, nullptr, nullptr);
  EXPECT_FALSE(panel.ReadText(edit));
  EXPECT_EQ(panel.m_szText[0], L'\0');
  ::SetWindowTextW(edit, L"12.5cm");
  EXPECT_TRUE(panel.ReadText(edit));
  EXPECT_EQ(std::wstring(panel.m_szText), L"12.5cm");
  ::DestroyWindow(edit);

  const BOOL before = m_scene->m_canvas.m_bShowResult;
  g_Config.m_ShowMeasureResult = before;
  const bool first = panel.ToggleShowResult(nullptr, nullptr);
  EXPECT_EQ(first, !before);
  EXPECT_EQ(m_scene->m_canvas.m_bShowResult != 0, first);
  EXPECT_EQ(g_Config.m_ShowMeasureResult != 0, first);
  EXPECT_EQ(panel.ToggleShowResult(nullptr, nullptr), before != 0);
  EXPECT_EQ(m_scene->m_canvas.m_bShowResult != 0, before != 0);
  EXPECT_EQ(g_Config.m_ShowMeasureResult != 0, before != 0);

  g_pDirectUI = nullptr;
  EXPECT_FALSE(panel.ToggleShowResult(nullptr, nullptr));
}

TEST_F(StyleBlockTest, CopyTextGoesToTheClipboard) {
  const auto clipboard = []() {
    std::wstring text;
    if (!::OpenClipboard(nullptr)) return std::wstring(L"(not opened)");
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) text = chars;
      ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
  };
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"45.000\u00B0", WS_CHILD, 0, 0, 80, 20, m_skinHost.m_hWnd, nullptr,
                                nullptr, nullptr);
  CWndSettingsBase::CopyTextToClipboard(edit);
  EXPECT_EQ(clipboard(), L"45.000\u00B0");
  // An empty text or no window leaves the clipboard as it was.
  ::SetWindowTextW(edit, L"");
  CWndSettingsBase::CopyTextToClipboard(edit);
  CWndSettingsBase::CopyTextToClipboard(nullptr);
  EXPECT_EQ(clipboard(), L"45.000\u00B0");
  ::DestroyWindow(edit);
}

TEST_F(StyleBlockTest, RefreshStyleRereadsTheHeldFigureOnly) {
  auto* line = m_scene->AddFigure(1);
  m_scene->m_document.m_pSelected = line;
  m_block.SetFigure(line);
  line->m_clrLine = 0xFF112233;  // as an undo restores it
  m_block.RefreshStyle(&m_scene->m_document);
  EXPECT_EQ(m_block.m_pLineColor->GetColor(), 0xFF112233u);
  auto* ruler = reinterpret_cast<CDTDraw*>(m_scene->m_document.m_pRuler);
  m_scene->m_document.m_pSelected = ruler;
  m_block.SetFigure(ruler);
  const DWORD shown = m_block.m_pLineColor->GetColor();
  ruler->m_clrLine = shown ^ 0x00FFFFFF;
  m_block.RefreshStyle(&m_scene->m_document);
  EXPECT_EQ(m_block.m_pLineColor->GetColor(), shown) << "the ruler is not re-read";
}

}  // namespace
