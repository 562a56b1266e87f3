// The line tool end to end on the real canvas: messages in, the line figure,
// its label and the observer's reports out.

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Line.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

// A 640 x 480 picture shown at zoom 1 with offset 0 and scale 1, in cm.
class CLineScene : public CCanvasScene {
 public:
  CLineScene() {
    if (!Ready()) return;
    Show(Noise(640, 480, 11));
    m_document.SetUnit(L"cm");
    m_canvas.SetTool(DRAW_LINE);
    m_observer.m_events.clear();
  }
  void Mouse(UINT message, WPARAM flags, int x, int y) {
    ::PostMessageW(m_canvas.m_hWnd, message, flags, MAKELPARAM(x, y));
    Pump();
  }
  CDTLine* Line() const {
    return m_document.m_children.size() == 2 ? static_cast<CDTLine*>(m_document.m_children[1]) : nullptr;
  }
  std::vector<CEvent> Events() const {
    std::vector<CEvent> out;
    for (const CEvent& e : m_observer.m_events)
      if (!(e.name == "FigureChanged" && !e.subject)) out.push_back(e);
    return out;
  }
};

TEST(LineTool, OneScript) {
  for (const wchar_t* prefix : {static_cast<const wchar_t*>(nullptr), L"span"}) {
    SCOPED_TRACE(prefix ? "with a prefix" : "without a prefix");
    CLineScene s;
    ASSERT_TRUE(s.Ready());
    ASSERT_FLOAT_EQ(s.m_document.m_fZoom, 1.0f);
    ASSERT_EQ(s.m_document.m_rcBounds.left, 0);
    ASSERT_EQ(s.m_document.m_rcBounds.top, 0);
    if (prefix) s.m_canvas.SetAutoNamePrefix(DRAW_LINE, prefix);
    s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 250, 200);
    s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 400, 300);
    s.Mouse(WM_LBUTTONUP, 0, 400, 300);
    CDTLine* line = s.Line();
    ASSERT_NE(line, nullptr);
    const CDTImage* doc = &s.m_document;
    EXPECT_EQ(s.Events(), (std::vector<CEvent>{{"FigureAdded", line, 0},
                                               {"FigureSelected", line, 0},
                                               {"CursorMoved", doc, 0},
                                               {"CursorMoved", doc, 0},
                                               {"ToolReset", nullptr, DRAW_SELECT},
                                               {"FigureChanged", line, 2},
                                               {"HistoryChanged", doc, 0}}));
    EXPECT_STREQ(line->m_pszName, prefix ? L"#1 span" : L"#1 length");
    EXPECT_STREQ(line->m_label.m_szText, L"360.555 cm");
    EXPECT_EQ(line->m_bComplete, 1);
    EXPECT_EQ(s.m_canvas.m_nTool, DRAW_SELECT);
    EXPECT_EQ(s.m_canvas.m_pCaptured, nullptr);
    EXPECT_EQ(line->m_handles.size(), 3u);

    // The green midpoint dragged up becomes a vertex.
    ASSERT_EQ(line->m_handles[1]->marked, 1);
    s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 250, 200);
    s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 250, 100);
    s.Mouse(WM_LBUTTONUP, 0, 250, 100);
    EXPECT_EQ(line->m_vertices.size(), 3u);
    EXPECT_EQ(line->m_handles.size(), 5u);
    EXPECT_NEAR(line->m_dLength, 150.0 + 250.0, 1e-3);
    EXPECT_STREQ(line->m_label.m_szText, L"400.000 cm");
  }
}

// A click on the start point leaves the line in creation; its end follows
// the mouse without a button until the next press ends it.
TEST(LineTool, ClickKeepsCreationOpenUntilTheNextPress) {
  CLineScene s;
  ASSERT_TRUE(s.Ready());
  s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
  s.Mouse(WM_LBUTTONUP, 0, 110, 90);
  CDTLine* line = s.Line();
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->m_bComplete, 0);
  EXPECT_EQ(s.m_canvas.m_pCaptured, line);
  EXPECT_EQ(s.m_canvas.m_nTool, DRAW_LINE);
  s.Mouse(WM_MOUSEMOVE, 0, 300, 100);
  EXPECT_EQ(line->m_handles.back()->cx, 300.0f);
  s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 300, 100);
  EXPECT_EQ(line->m_bComplete, 1);
  EXPECT_EQ(s.m_canvas.m_nTool, DRAW_SELECT);
  s.Mouse(WM_LBUTTONUP, 0, 300, 100);
  EXPECT_EQ(s.m_document.m_children.size(), 2u);
  EXPECT_STREQ(line->m_label.m_szText, L"200.000 cm");

  // One pixel further than 10 ends creation at the release.
  s.m_canvas.SetTool(DRAW_LINE);
  s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 300);
  s.Mouse(WM_LBUTTONUP, 0, 111, 300);
  ASSERT_EQ(s.m_document.m_children.size(), 3u);
  EXPECT_EQ(static_cast<CDTLine*>(s.m_document.m_children[2])->m_bComplete, 1);
}

}  // namespace
