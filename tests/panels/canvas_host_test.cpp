// The canvas host: every canvas default from its setting, before the canvas
// window exists and after; the sample text rule; figure-name prefixes from
// the skin; the size rule for the canvas window.

#include <windows.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "app/StandInCalls.h"
#include "panels/CanvasHost.h"
#include "panels/PropertyHost.h"
#include "settings/Configuration.h"
#include "tests/panels/panel_fixture.h"

namespace {

// A skin with every figure-name key but "Angle"; the sample text when asked.
std::string Skin(bool sample) {
  std::string xml = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Text>
    <Length Text="Len "/>
    <Distance Text="Dist "/>
    <Curve Text="Cur "/>
    <Circle Text="Cir "/>
    <Ellipse Text="Ell "/>
    <Rectangle Text="Rect "/>
    <Polygon Text="Poly "/>
    <CurvePolygon Text="CPoly "/>
    <Clipart Text="Clip "/>
    <Text Text="Txt "/>
    <PointDistance Text="PDist "/>
)";
  if (sample) xml += R"(    <TextInput Text="Sample text"/>
)";
  xml += R"(  </Text>
  <Windows>
    <Host Class="WINDOW" X="30" Y="30" Width="400" Height="300">
      <Render Class="WINDOW" CommandID="1" X="10" Y="10" Width="300" Height="200"/>
    </Host>
  </Windows>
</Skin>
)";
  return xml;
}

struct Setting {
  const char* name;
  DWORD CConfiguration::*field;
  DWORD value;
  std::function<DWORD(const CDirectUI&)> read;
};

// Each setting with a value unlike its default, and where the canvas keeps it.
const Setting kSettings[] = {
    {"MeasureColor", &CConfiguration::m_MeasureColor, 0xFF102030, [](const CDirectUI& c) { return c.m_clrLine; }},
    {"ClipartColor", &CConfiguration::m_ClipartColor, 0xFF203040, [](const CDirectUI& c) { return c.m_clrClipart; }},
    {"PenWeight", &CConfiguration::m_PenWeight, 7, [](const CDirectUI& c) { return DWORD(c.m_nPenWeight); }},
    {"TextColor", &CConfiguration::m_TextColor, 0xFF304050, [](const CDirectUI& c) { return c.m_clrText; }},
    {"RulerColor", &CConfiguration::m_RulerColor, 0xFF405060, [](const CDirectUI& c) { return c.m_clrRulerLine; }},
    {"RulerTextColor", &CConfiguration::m_RulerTextColor, 0xFF506070,
     [](const CDirectUI& c) { return c.m_clrRulerText; }},
    {"RulerTextBkColor", &CConfiguration::m_RulerTextBkColor, 0x80607080,
     [](const CDirectUI& c) { return c.m_clrRulerTextBk; }},
    {"RulerWeight", &CConfiguration::m_RulerWeight, 19, [](const CDirectUI& c) { return DWORD(c.m_nRulerFontSize); }},
    {"DecimalPrecision", &CConfiguration::m_DecimalPrecision, 2,
     [](const CDirectUI& c) { return DWORD(c.m_nDecimalPrecision); }},
    {"LineCap", &CConfiguration::m_LineCap, 1, [](const CDirectUI& c) { return DWORD(c.m_nLineCap); }},
    {"Solid", &CConfiguration::m_Solid, 0, [](const CDirectUI& c) { return DWORD(c.m_bSolid); }},
    {"ShowMeasureResult", &CConfiguration::m_ShowMeasureResult, 0,
     [](const CDirectUI& c) { return DWORD(c.m_bShowResult); }},
    {"BackgroundColor", &CConfiguration::m_BackgroundColor, 0xFF223344,
     [](const CDirectUI& c) { return c.m_clrBackground; }},
    {"GridShow", &CConfiguration::m_GridShow, 1, [](const CDirectUI& c) { return DWORD(c.m_grid.m_bShow); }},
    {"GridWeight", &CConfiguration::m_GridWeight, 40, [](const CDirectUI& c) { return DWORD(c.m_grid.m_nWeight); }},
    {"GridColor", &CConfiguration::m_GridColor, 0xF0112233, [](const CDirectUI& c) { return c.m_grid.m_clrLine; }},
    {"CrossColor", &CConfiguration::m_CrossColor, 0xFF00FF00, [](const CDirectUI& c) { return c.m_cross.m_clrLine; }},
    {"CrossShow", &CConfiguration::m_CrossShow, 1, [](const CDirectUI& c) { return DWORD(c.m_cross.m_bShow); }},
    {"CrossTrack", &CConfiguration::m_CrossTrack, 1, [](const CDirectUI& c) { return DWORD(c.m_cross.m_bTrack); }},
    {"MagnifierWeight", &CConfiguration::m_MagnifierWeight, 5,
     [](const CDirectUI& c) { return DWORD(c.m_magnifier.m_nWeight); }},
    {"MagnifierDisplay", &CConfiguration::m_MagnifierDisplay, 90,
     [](const CDirectUI& c) { return DWORD(c.m_magnifier.m_nDisplay); }},
    {"MagnifierMouse", &CConfiguration::m_MagnifierMouse, 1,
     [](const CDirectUI& c) { return DWORD(c.m_magnifier.m_bMouse); }},
    {"Angle4Pts", &CConfiguration::m_Angle4Pts, 1, [](const CDirectUI& c) { return DWORD(c.m_bAngle4Pts); }},
    {"ClipartFixS", &CConfiguration::m_ClipartFixS, 0, [](const CDirectUI& c) { return DWORD(c.m_bClipartFixed); }},
    {"TextBackgroundColor", &CConfiguration::m_TextBackgroundColor, 0x40506070,
     [](const CDirectUI& c) { return c.m_clrTextBk; }},
    {"TextBackground", &CConfiguration::m_TextBackground, 0,
     [](const CDirectUI& c) { return DWORD(c.m_bTextBackground); }},
    {"TextBorder", &CConfiguration::m_TextBorder, 0, [](const CDirectUI& c) { return DWORD(c.m_bTextBorder); }},
    {"TextWeight", &CConfiguration::m_TextWeight, 21, [](const CDirectUI& c) { return DWORD(c.m_nFontSize); }},
    {"ShowCamTimer", &CConfiguration::m_ShowCamTimer, 0, [](const CDirectUI& c) { return DWORD(c.m_bShowInfoLines); }},
};

class CanvasHost : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    m_saved = g_Config.m_TextContent;
    for (const Setting& s : kSettings) m_old[&s - kSettings] = g_Config.*s.field;
    m_savedCanvas = g_pDirectUI;
  }
  void TearDown() override {
    g_Config.m_TextContent = m_saved;
    for (const Setting& s : kSettings) g_Config.*s.field = m_old[&s - kSettings];
    PanelFixture::TearDown();
    g_pDirectUI = m_savedCanvas;
  }
  void StoreSettings() {
    for (const Setting& s : kSettings) g_Config.*s.field = s.value;
  }
  void ExpectSettings(const CDirectUI& canvas) {
    for (const Setting& s : kSettings) EXPECT_EQ(s.read(canvas), s.value) << s.name;
  }

  std::wstring m_saved;
  DWORD m_old[std::size(kSettings)]{};
  CDirectUI* m_savedCanvas = nullptr;
};

TEST_F(CanvasHost, EverySettingReachesTheCanvasBeforeAndAfterItsWindow) {
  LoadSkin(Skin(true));
  StoreSettings();
  {
    CWndRender before;
    before.ApplySettings();
    EXPECT_EQ(before.m_canvas.m_hWnd, nullptr);
    ExpectSettings(before.m_canvas);
  }
  ASSERT_TRUE(CreateHost(L"Host"));
  CWndRender host;
  ASSERT_TRUE(Attach(host, 1));
  EXPECT_EQ(g_pDirectUI, &host.m_canvas);
  ASSERT_TRUE(host.m_canvas.m_hWnd) << "no canvas window";
  EXPECT_EQ(::GetParent(host.m_canvas.m_hWnd), host.m_hWnd);
  ExpectSettings(host.m_canvas);
  // The region cursor is the program's own, not the system cross.
  EXPECT_NE(host.m_canvas.m_hCursorCross, ::LoadCursorW(nullptr, IDC_CROSS));
  EXPECT_EQ(host.m_canvas.m_hCursorCross,
            ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_REGION_SELECT)));
}

TEST_F(CanvasHost, SampleTextAndFigureNames) {
  const struct {
    const char* name;
    bool skinSample;
    const wchar_t* stored;
    const wchar_t* storedAfter;
    const wchar_t* canvasText;
  } rows[] = {
      {"stored text wins", true, L"Mine", L"Mine", L"Mine"},
      {"skin text becomes the setting", true, L"", L"Sample text", L"Sample text"},
      {"no text anywhere", false, L"", L"", L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    LoadSkin(Skin(row.skinSample));
    g_Config.m_TextContent = row.stored;
    CWndRender host;
    host.ApplySettings();
    EXPECT_EQ(g_Config.m_TextContent, row.storedAfter);
    EXPECT_STREQ(host.m_canvas.m_szNewText, row.canvasText);
    // Every type but the angle gets the skin's prefix; the angle keeps the
    // canvas's own name (no prefix of its own).
    const struct {
      int slot;
      const wchar_t* prefix;
    } names[] = {{0, L"Len "},   {1, nullptr},   {2, L"PDist "},  {3, L"Dist "},   {4, L"Cur "},   {5, L"Cir "},
                 {6, L"Ell "},   {7, L"Rect "},  {8, L"Poly "},   {9, L"CPoly "},  {10, L"Clip "}, {11, L"Txt "}};
    for (const auto& n : names) {
      if (n.prefix)
        EXPECT_STREQ(host.m_canvas.m_pszPrefix[n.slot], n.prefix) << n.slot;
      else
        EXPECT_EQ(host.m_canvas.m_pszPrefix[n.slot], nullptr) << n.slot;
    }
  }
}

TEST_F(CanvasHost, CanvasFollowsTheHostFrom32Pixels) {
  LoadSkin(Skin(true));
  ASSERT_TRUE(CreateHost(L"Host"));
  CWndRender host;
  CWndProperties properties;
  CWndProperties* saved = g_pWndProperties;
  g_pWndProperties = &properties;
  ASSERT_TRUE(Attach(host, 1));
  ASSERT_TRUE(host.m_canvas.m_hWnd);
  const struct {
    int width, height;
    bool follows;
  } sizes[] = {{250, 150, true}, {31, 150, false}, {250, 31, false}, {32, 32, true}, {0, 0, false}};
  RECT last{0, 0, 300, 200};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.width << " x " << s.height);
    StandInCalls().clear();
    ::SendMessageW(host.m_hWnd, WM_SIZE, 0, MAKELPARAM(s.width, s.height));
    if (s.follows) last = RECT{0, 0, s.width, s.height};
    RECT rc{};
    ::GetClientRect(host.m_canvas.m_hWnd, &rc);
    EXPECT_TRUE(::EqualRect(&rc, &last));
    EXPECT_EQ(StandInCalls().size(), s.follows ? 1u : 0u);
  }
  g_pWndProperties = saved;
}

}  // namespace
