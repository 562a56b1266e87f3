// The vertex panel in the product skin's property host, on the real canvas:
// the vertex list per figure kind, typed and stepped coordinates moving the
// vertex (or not, for a locked or hidden figure), a drag on the canvas
// followed by the panel, and the way back to the figure's panel.

#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/figures/Ruler.h"
#include "panels/VertexPanel.h"
#include "panels/PanelBase.h"
#include "tests/common/real_input.h"
#include "tests/panels/screen_shot.h"
#include "tests/panels/side_view_fixture.h"
#include "toolkit/SkinCombo.h"

namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  return text;
}

RECT PlaceInParent(HWND child) {
  RECT rc{};
  ::GetWindowRect(child, &rc);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

class VertexPanel : public sideview::SideView {
 protected:
  void SetUp() override {
    SideView::SetUp();
    if (HasFatalFailure()) return;
    m_panel = &m_view.m_wndProcess.m_wndSettingsVertex;
    ASSERT_TRUE(m_panel->m_hWnd && m_panel->m_pList && m_panel->m_hXEdit && m_panel->m_hYEdit);
  }
  // What a user's press of the style block's vertices button does.
  void OpenPanel() {
    CWndSettingsMeasurements& block = properties().m_wndMeasurements;
    ::SendMessageW(block.m_hWnd, WM_COMMAND, MAKEWPARAM(STYLE_VERTICES, BN_CLICKED),
                   reinterpret_cast<LPARAM>(block.m_pVertices->m_hWnd));
    ASSERT_EQ(properties().m_pCurrentPanel, m_panel);
  }
  std::vector<std::wstring> Items() {
    std::vector<std::wstring> items;
    for (const auto& item : m_panel->m_pList->m_items) items.push_back(item->text);
    return items;
  }
  std::vector<int> Data() {
    std::vector<int> data;
    for (int i = 0; i < m_panel->m_pList->GetCount(); ++i) data.push_back(m_panel->m_pList->GetItemData(i));
    return data;
  }
  bool FieldsEnabled() {
    bool all = true, none = true;
    for (HWND w : {m_panel->m_hXEdit, m_panel->m_hYEdit, m_panel->m_hXSpin, m_panel->m_hYSpin}) {
      const bool on = w && ::IsWindowEnabled(w);
      all = all && on;
      none = none && !on;
    }
    EXPECT_TRUE(all || none) << "the edits and arrows go together";
    return all;
  }
  // A vertex in picture pixels, rounded: the handle lives in window pixels at
  // the fitted zoom, so the way back leaves a float rounding step.
  PointF Vertex(CDTDraw* figure, int handle) {
    float x = -1.0f, y = -1.0f;
    figure->GetVertexPixel(handle, &x, &y);
    return {std::round(x), std::round(y)};
  }
  CDTDraw* Polyline() { return Add(DRAW_LINE, {{100.0f, 100.0f}, {300.0f, 100.0f}, {300.0f, 250.0f}}, L"#1 length"); }
  // Typing into a field: it takes the focus first, as a click would give it.
  void Focus(HWND edit) {
    ASSERT_TRUE(realinput::BringToFront(m_view.m_hWnd));
    ::SetFocus(edit);
    ASSERT_EQ(::GetFocus(), edit);
  }

  CWndSettingsVertex* m_panel = nullptr;
};

TEST_F(VertexPanel, ListsTheVerticesOfEachKind) {
  struct Case {
    const char* what;
    int type;  // -1: nothing selected
    std::vector<std::wstring> items;
    std::vector<int> data;
    bool enabled;
    std::wstring x, y;
  };
  const Case cases[] = {
      // The calibration ruler stands in for no selection.
      {"no figure", -1, {L"1", L"2"}, {0, 1}, true, L"", L""},
      // Midpoint handles between the vertices are not listed.
      {"polyline of three", DRAW_LINE, {L"1", L"2", L"3"}, {0, 2, 4}, true, L"100", L"100"},
      {"text", DRAW_TEXT, {}, {}, false, L"", L""},
  };
  m_document.m_pRuler->m_bVisible = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CDTDraw* figure = nullptr;
    if (c.type == DRAW_LINE) figure = Polyline();
    if (c.type == DRAW_TEXT) figure = Add(DRAW_TEXT, {{400.0f, 300.0f}, {520.0f, 340.0f}}, L"#2 text");
    m_document.SelectElement(figure);
    const CDTElement* held = figure ? static_cast<CDTElement*>(figure) : m_document.m_pRuler;
    EXPECT_EQ(m_panel->m_pFigure, held);
    EXPECT_EQ(Items(), c.items);
    EXPECT_EQ(Data(), c.data);
    EXPECT_EQ(FieldsEnabled(), c.enabled);
    if (c.type == DRAW_LINE) {
      EXPECT_EQ(m_panel->m_pList->GetCurSel(), 0);
      EXPECT_EQ(TextOf(m_panel->m_hXEdit), c.x);
      EXPECT_EQ(TextOf(m_panel->m_hYEdit), c.y);
      // The third vertex, picked from the list, is handle 4.
      m_panel->m_pList->SetCurSel(2);
      ::SendMessageW(m_panel->m_hWnd, WM_COMMAND, MAKEWPARAM(VERTEX_LIST, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(m_panel->m_pList->m_hWnd));
      EXPECT_EQ(m_panel->m_nVertex, 4);
      EXPECT_EQ(TextOf(m_panel->m_hXEdit), L"300");
      EXPECT_EQ(TextOf(m_panel->m_hYEdit), L"250");
    }
  }
  // A closed document leaves nothing to read.
  m_panel->SetDocument(nullptr);
  EXPECT_EQ(m_panel->m_pFigure, nullptr);
  EXPECT_TRUE(Items().empty());
  EXPECT_FALSE(FieldsEnabled());
}

TEST_F(VertexPanel, TypedCoordinatesMoveTheVertex) {
  CDTDraw* line = Polyline();
  m_document.SelectElement(line);
  OpenPanel();
  Focus(m_panel->m_hXEdit);

  // Each keystroke is a new value: the vertex goes to 1, 12, then 120.
  ::SendMessageW(m_panel->m_hXEdit, EM_SETSEL, 0, -1);
  std::vector<float> seen;
  for (wchar_t key : std::wstring(L"120")) {
    ::PostMessageW(m_panel->m_hXEdit, WM_CHAR, key, 1);
    paneltest::Pump();
    seen.push_back(Vertex(line, 0).x);
  }
  EXPECT_EQ(seen, (std::vector<float>{1.0f, 12.0f, 120.0f}));
  EXPECT_EQ(Vertex(line, 0).y, 100.0f);
  EXPECT_EQ(TextOf(m_panel->m_hXEdit), L"120");

  struct Case {
    const char* what;
    const wchar_t* text;
    int locked, visible;
    float x;  // where vertex 1 is afterwards
  };
  const Case cases[] = {
      {"no digits read as 0", L"abc", 0, 1, 0.0f},
      {"blanks and sign", L"  -15", 0, 1, -15.0f},
      {"stops at the first other character", L"+64px", 0, 1, 64.0f},
      {"empty is ignored", L"", 0, 1, 64.0f},
      {"beyond 32 bits is ignored", L"4294967296", 0, 1, 64.0f},
      {"a locked figure stays", L"200", 1, 1, 64.0f},
      {"a hidden figure stays", L"210", 0, 0, 64.0f},
      {"unlocked and shown again", L"220", 0, 1, 220.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    line->m_bLocked = c.locked;
    line->m_bVisible = c.visible;
    ::SendMessageW(m_panel->m_hXEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text));
    EXPECT_EQ(Vertex(line, 0).x, c.x);
    EXPECT_EQ(TextOf(m_panel->m_hXEdit), c.text) << "the field keeps what was typed";
  }
  // The measurement list's row follows the moved vertex: 80 + 150 pixels now.
  const auto& rows = m_view.m_wndProcess.m_wndMeasure.m_list.m_items;
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NE(rows[0]->m_strText.find(L"230.000"), std::wstring::npos) << rows[0]->m_strText;

  // A text the panel sets itself (the field without the focus) moves nothing.
  ::SetFocus(m_panel->m_hYEdit);
  ::SendMessageW(m_panel->m_hXEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5"));
  EXPECT_EQ(Vertex(line, 0).x, 220.0f);
  paneltest::SaveScreenShot(properties().m_hWnd, L"vertex_panel.png");
}

TEST_F(VertexPanel, ArrowsBesideTheFieldsStepByOnePixel) {
  CDTDraw* line = Polyline();
  m_document.SelectElement(line);
  OpenPanel();
  const int width = ::GetSystemMetrics(SM_CXVSCROLL);
  for (auto [edit, spin] : {std::pair{m_panel->m_hXEdit, m_panel->m_hXSpin}, {m_panel->m_hYEdit, m_panel->m_hYSpin}}) {
    ASSERT_TRUE(spin);
    EXPECT_TRUE(::IsWindowVisible(spin));
    const RECT e = PlaceInParent(edit), s = PlaceInParent(spin);
    EXPECT_EQ(s.left, e.right);
    // Wine keeps every up-down 16 pixels wide, whatever width it is given.
    EXPECT_NEAR(s.right - s.left, width, 1);
    EXPECT_EQ(s.top, e.top);
    EXPECT_EQ(s.bottom, e.bottom);
  }
  ASSERT_TRUE(realinput::BringToFront(m_view.m_hWnd));

  struct Case {
    const char* what;
    bool x, up;
    PointF after;
  };
  const Case cases[] = {
      {"X up", true, true, {101.0f, 100.0f}},    {"X up again", true, true, {102.0f, 100.0f}},
      {"Y down", false, false, {102.0f, 99.0f}}, {"Y up", false, true, {102.0f, 100.0f}},
      {"X down", true, false, {101.0f, 100.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A click on the upper or lower arrow, as a person gives it.
    const HWND spin = c.x ? m_panel->m_hXSpin : m_panel->m_hYSpin;
    RECT rc{};
    ::GetClientRect(spin, &rc);
    const POINT at = paneltest::ScreenPoint(spin, rc.right / 2, c.up ? rc.bottom / 4 : rc.bottom * 3 / 4);
    realinput::MoveMouseTo(at.x, at.y);
    realinput::MouseButton(MOUSEEVENTF_LEFTDOWN);
    realinput::MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(paneltest::PumpUntil([&] {
      const PointF v = Vertex(line, 0);
      return v.x == c.after.x && v.y == c.after.y;
    })) << Vertex(line, 0).x
        << ", " << Vertex(line, 0).y;
    EXPECT_EQ(TextOf(c.x ? m_panel->m_hXEdit : m_panel->m_hYEdit),
              std::to_wstring(static_cast<int>(c.x ? c.after.x : c.after.y)));
  }
}

TEST_F(VertexPanel, DragOnTheCanvasSelectsTheVertex) {
  CDTDraw* line = Polyline();
  m_document.SelectElement(line);
  OpenPanel();
  // The third vertex (handle 4), dragged 30 pixels right on the canvas.
  const FigureHandle& handle = *line->m_handles[4];
  const POINT from{static_cast<int>(handle.cx), static_cast<int>(handle.cy)};
  const float zoom = m_document.m_fZoom;
  m_canvas->SendMessageW(WM_MOUSEMOVE, 0, MAKELPARAM(from.x, from.y));
  m_canvas->SendMessageW(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  for (int dx = 10; dx <= 30; dx += 10)
    m_canvas->SendMessageW(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + dx, from.y));
  m_canvas->SendMessageW(WM_LBUTTONUP, 0, MAKELPARAM(from.x + 30, from.y));
  if (::GetCapture() == m_canvas->m_hWnd) ::ReleaseCapture();
  EXPECT_EQ(m_panel->m_nVertex, 4);
  EXPECT_EQ(m_panel->m_pList->GetCurSel(), 2);
  const PointF moved = Vertex(line, 4);
  EXPECT_NEAR(moved.x, 300.0f + 30.0f / zoom, 1.0f);
  EXPECT_EQ(TextOf(m_panel->m_hXEdit), std::to_wstring(static_cast<int>(moved.x)));
  EXPECT_EQ(TextOf(m_panel->m_hYEdit), L"250");
}

TEST_F(VertexPanel, BackReturnsToTheFigurePanelOnly) {
  CDTDraw* line = Polyline();
  CWndSettingsBase* text = properties().FindPanel(PANEL_TEXT);
  ASSERT_TRUE(text);
  struct Case {
    const char* what;
    int from;   // the panel shown before the vertex panel
    int after;  // the panel shown after the back button
  };
  const Case cases[] = {
      {"line panel", PANEL_LINE, PANEL_LINE},
      {"calibration panel", PANEL_RULER, PANEL_RULER},
      {"text panel", PANEL_TEXT, PANEL_VERTEX},
      {"general panel", PANEL_GENERAL, PANEL_VERTEX},
  };
  m_document.SelectElement(line);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    properties().ShowPanel(c.from);
    OpenPanel();
    EXPECT_EQ(properties().m_nPanelId, c.from);
    const RECT place = PlaceInParent(m_panel->m_hWnd);
    EXPECT_EQ(place.top, 38) << "no style block above it";
    ::SendMessageW(m_panel->m_hWnd, WM_COMMAND, MAKEWPARAM(VERTEX_BACK, BN_CLICKED), 0);
    ASSERT_TRUE(properties().m_pCurrentPanel);
    EXPECT_EQ(properties().m_pCurrentPanel->m_nCommandID, c.after);
  }
}

}  // namespace
