// The text panel in the product skin's property host, on the real canvas:
// where an applied text goes (new text figures, the selected text figure,
// the setting), the label switches, and what the canvas then shows of a text
// figure changed through the panel and the style block above it.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/figures/TextFigure.h"
#include "panels/PanelBase.h"
#include "panels/TextPanel.h"
#include "panels/ToolPalette.h"
#include "settings/Configuration.h"
#include "tests/panels/screen_shot.h"
#include "tests/panels/side_view_fixture.h"
#include "toolkit/Buttons.h"
#include "toolkit/SkinPickers.h"

namespace {

class TextPanel : public sideview::SideView {
 protected:
  void SetUp() override {
    m_savedText = g_Config.m_TextContent;
    m_savedBackground = g_Config.m_TextBackground;
    m_savedBorder = g_Config.m_TextBorder;
    // What the settings brought back from the last run.
    g_Config.m_TextContent = L"kept from last time";
    SideView::SetUp();
    if (HasFatalFailure()) return;
    m_panel = &m_view.m_wndProcess.m_wndSettingsText;
    ASSERT_TRUE(m_panel->m_hWnd && m_panel->m_hEdit && m_panel->m_pBackground && m_panel->m_pBorder);
  }
  void TearDown() override {
    SideView::TearDown();
    g_Config.m_TextContent = m_savedText;
    g_Config.m_TextBackground = m_savedBackground;
    g_Config.m_TextBorder = m_savedBorder;
  }
  std::wstring EditText() {
    wchar_t text[300] = {};
    ::GetWindowTextW(m_panel->m_hEdit, text, 300);
    return text;
  }
  // Types a text as WM_SETTEXT does and presses the apply button.
  void Apply(const wchar_t* text) {
    ::SendMessageW(m_panel->m_hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    ::SendMessageW(m_panel->m_hWnd, WM_COMMAND, MAKEWPARAM(TEXT_APPLY, BN_CLICKED), 0);
  }
  void Press(int id) { ::SendMessageW(m_panel->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  // A click on the canvas (window pixels) with the text tool: the figure it
  // places, or null.
  CDTText* ClickText(int x, int y) {
    const size_t before = m_document.m_children.size();
    m_canvas->SendMessageW(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    m_canvas->SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    m_canvas->SendMessageW(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    if (::GetCapture() == m_canvas->m_hWnd) ::ReleaseCapture();
    if (m_document.m_children.size() != before + 1) return nullptr;
    auto* placed = static_cast<CDTDraw*>(m_document.m_children.back());
    return placed->m_nType == DRAW_TEXT ? static_cast<CDTText*>(placed) : nullptr;
  }
  CDTText* AddText(const wchar_t* text) {
    return static_cast<CDTText*>(Add(DRAW_TEXT, {{400.0f, 300.0f}, {520.0f, 340.0f}}, L"#1 text", text));
  }

  CWndSettingsText* m_panel = nullptr;
  std::wstring m_savedText;
  DWORD m_savedBackground = 1, m_savedBorder = 1;
};

TEST_F(TextPanel, AppliedTextGoesToNewFiguresOrTheSelectedOne) {
  EXPECT_EQ(EditText(), L"kept from last time") << "the setting shows at start";
  CDTDraw* line = Add(DRAW_LINE, {{100.0f, 100.0f}, {300.0f, 100.0f}}, L"#1 length");
  CDTText* box = AddText(L"before");
  struct Case {
    const char* what;
    CDTDraw* selected;
    const wchar_t* typed;
    std::wstring setting;  // TextContent afterwards
    int tool;              // the canvas tool afterwards
    std::wstring boxText;  // the text figure's text afterwards
  };
  const Case cases[] = {
      {"line selected: the text tool", line, L"Hello", L"Hello", DRAW_TEXT, L"before"},
      {"text selected: that figure", box, L"World", L"World", DRAW_SELECT, L"World"},
      {"empty edit: nothing", box, L"", L"World", DRAW_SELECT, L"World"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_canvas->SetTool(DRAW_SELECT);
    g_pWndTool->SelectButton(ToolSelect);
    m_document.SelectElement(c.selected);
    Apply(c.typed);
    EXPECT_EQ(g_Config.m_TextContent, c.setting);
    EXPECT_EQ(m_canvas->m_nTool, c.tool);
    EXPECT_EQ(g_pWndTool->GetMark(ToolText), c.tool == DRAW_TEXT);
    EXPECT_EQ(box->m_strText, c.boxText);
    EXPECT_EQ(std::wstring(m_canvas->m_szNewText), c.setting) << "the text of the next new figure";
  }

  // With the text tool, a click on the picture places a figure with the text.
  Apply(L"Placed");
  m_document.SelectElement(line);
  Apply(L"Placed");
  ASSERT_EQ(m_canvas->m_nTool, DRAW_TEXT);
  const size_t before = m_document.m_children.size();
  CDTText* placed = ClickText(200, 300);
  ASSERT_EQ(m_document.m_children.size(), before + 1);
  ASSERT_TRUE(placed);
  EXPECT_EQ(placed->m_strText, L"Placed");
}

TEST_F(TextPanel, SwitchesFollowTheFigureOrTheDefaults) {
  CDTText* box = AddText(L"note");
  m_canvas->SetTextBackground(FALSE, box);
  m_canvas->SetTextBorder(TRUE, box);
  m_canvas->SetTextBackground(TRUE, nullptr);
  m_canvas->SetTextBorder(FALSE, nullptr);
  m_document.SelectElement(box);
  EXPECT_FALSE(m_panel->m_pBackground->GetSelected());
  EXPECT_TRUE(m_panel->m_pBorder->GetSelected());
  EXPECT_EQ(m_panel->GetCaption(), std::wstring(L"#1 text"));
  // A switch on a held figure changes the figure, not the default or setting.
  g_Config.m_TextBackground = 1;
  Press(TEXT_BACKGROUND);
  EXPECT_TRUE(box->m_label.m_bBackground);
  EXPECT_TRUE(m_panel->m_pBackground->GetSelected());
  EXPECT_EQ(g_Config.m_TextBackground, 1u);

  // Without a figure: the canvas defaults, and a switch stores its setting.
  m_document.SelectElement(nullptr);
  m_panel->SetFigure(nullptr);
  EXPECT_TRUE(m_panel->m_pBackground->GetSelected());
  EXPECT_FALSE(m_panel->m_pBorder->GetSelected());
  Press(TEXT_BORDER);
  EXPECT_EQ(m_canvas->m_bTextBorder, 1);
  EXPECT_EQ(g_Config.m_TextBorder, 1u);
  EXPECT_TRUE(m_panel->m_pBorder->GetSelected());
  EXPECT_TRUE(box->m_label.m_bBorder) << "the figure is not held";

  // An undo that restores the figure's switches shows them again.
  m_document.SelectElement(box);
  box->SetTextBackground(FALSE, FALSE);
  properties().RefreshStyle(&m_document);
  EXPECT_FALSE(m_panel->m_pBackground->GetSelected());
}

// Ink of a colour inside the text box as the canvas draws it.
struct Ink {
  int green = 0, red = 0, box = 0;  // text pixels by colour; box-coloured pixels
};

TEST_F(TextPanel, CanvasShowsTheTextAsChanged) {
  // As a user places one: the text applied with nothing selected, then a click.
  m_document.SelectElement(nullptr);
  Apply(L"WWWW WWWW");
  CDTText* box = ClickText(300, 300);
  ASSERT_TRUE(box);
  m_document.SelectElement(box);
  ASSERT_EQ(properties().m_pCurrentPanel, m_panel);
  CWndSettingsMeasurements& block = properties().m_wndMeasurements;
  const auto style = [&](int id, auto set) {
    set();
    ::SendMessageW(block.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  };
  style(STYLE_TEXT_COLOR, [&] { block.m_pTextColor->SetColor(0xFF00FF00); });
  style(STYLE_TEXT_BK_COLOR, [&] { block.m_pTextBkColor->SetColor(0xFF0000FF); });

  const auto measure = [&](const wchar_t* keep = nullptr) {
    const canvas_test::CReadBack frame = Frame();
    if (keep) SaveFrame(frame, keep);
    Ink ink;
    // The box's corners are its handles, in window pixels.
    // Inside the frame lines, which are drawn in the text colour too.
    const int inset = 4;
    float l = 1e9f, t = 1e9f, r = -1e9f, b = -1e9f;
    for (const auto& h : box->m_handles) {
      l = std::min(l, h->cx), t = std::min(t, h->cy);
      r = std::max(r, h->cx), b = std::max(b, h->cy);
    }
    for (int y = static_cast<int>(t) + inset; y < static_cast<int>(b) - inset; ++y)
      for (int x = static_cast<int>(l) + inset; x < static_cast<int>(r) - inset; ++x) {
        if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) continue;
        const uint32_t p = frame.At(x, y);
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        // Glyph edges blend into the box: a channel well above the others counts.
        if (g > r + 40 && g > b + 40) ++ink.green;
        if (r > g + 40 && r > b + 40) ++ink.red;
        if (b > r + 40 && b > g + 40) ++ink.box;
      }
    return ink;
  };
  const Ink wide = measure(L"text_canvas_wide.bmp");
  EXPECT_GT(wide.green, 0) << "the text colour from the style block";
  EXPECT_GT(wide.box, 0) << "the box in its background colour";
  paneltest::SaveScreenShot(properties().m_hWnd, L"text_panel.png");

  // The same box with a narrow letter: far less ink.
  Apply(L"i");
  EXPECT_EQ(box->m_strText, L"i");
  const Ink narrow = measure(L"text_canvas_narrow.bmp");
  EXPECT_GT(narrow.green, 0);
  EXPECT_LT(narrow.green * 4, wide.green) << "one narrow letter against eight wide ones";

  // A font size from the style block is kept by the figure; the box's text
  // is made at it when the face changes next.
  style(STYLE_FONT_SIZE, [&] { block.m_pFontSize->m_nValue = 30; });
  EXPECT_EQ(box->m_nFontSize, 30);
  m_canvas->SetFontFace(L"Liberation Serif");
  const Ink large = measure(L"text_canvas_large.bmp");
  // The taller letter, cut at the foot of the box that kept its size, still
  // shows more ink.
  EXPECT_GT(large.green, narrow.green);

  style(STYLE_TEXT_COLOR, [&] { block.m_pTextColor->SetColor(0xFFFF0000); });
  const Ink red = measure(L"text_canvas_red.bmp");
  EXPECT_EQ(red.green, 0);
  EXPECT_GT(red.red, large.green / 2);

  // The background switch of the panel takes the box away.
  Press(TEXT_BACKGROUND);
  EXPECT_FALSE(box->m_label.m_bBackground);
  EXPECT_EQ(measure().box, 0);
  EXPECT_GT(measure().red, 0) << "the text stays";
}

}  // namespace
