// The point-to-line, parallel-lines, angle and circle tools end to end on
// the real canvas: posted mouse messages in, figures and reports out.

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Angle.h"
#include "engine/figures/Circle.h"
#include "engine/figures/Distance.h"
#include "engine/figures/Points.h"
#include "tests/engine/measure_a_fixture.h"

using namespace measure_a_test;

namespace {

struct CToolScene : CFigureScene {
  void Mouse(UINT message, WPARAM flags, POINT p) {
    ::PostMessageW(scene.m_canvas.m_hWnd, message, flags, MAKELPARAM(p.x, p.y));
    canvas_test::Pump();
  }
  void Drag(POINT from, POINT to) {
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, from);
    Mouse(WM_MOUSEMOVE, MK_LBUTTON, {(from.x + to.x) / 2, (from.y + to.y) / 2});
    Mouse(WM_MOUSEMOVE, MK_LBUTTON, to);
    Mouse(WM_LBUTTONUP, 0, to);
  }
  void Click(POINT at) {
    Mouse(WM_MOUSEMOVE, 0, at);
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, at);
    Mouse(WM_LBUTTONUP, 0, at);
  }
  CDTDraw* Last() { return Doc().m_children.size() >= 2 ? static_cast<CDTDraw*>(Doc().m_children.back()) : nullptr; }
  void Tool(int tool, bool fourPoints) {
    scene.m_canvas.SetAngle4Pts(fourPoints ? TRUE : FALSE);
    scene.m_canvas.SetTool(DRAW_SELECT);  // drops a figure left unfinished
    scene.m_canvas.SetTool(tool);
    scene.m_observer.m_events.clear();
  }
};

struct ToolCase {
  const char* what;
  int tool;
  bool fourPoints;
  int type;
  const wchar_t* name;
  std::vector<POINT> points;  // the first pair dragged, the others clicked
  const wchar_t* value;
};

const ToolCase kTools[] = {
    {"point to line",
     DRAW_POINT_LINE,
     false,
     DRAW_POINT_LINE,
     L"distance 1",
     {{100, 100}, {400, 100}, {250, 220}},
     L"120.000 cm"},
    {"parallel lines", DRAW_DISTANCE, false, DRAW_DISTANCE, L"#1 distance", {{100, 100}, {160, 180}}, L"100.000 cm"},
    {"angle", DRAW_ANGLE, false, DRAW_ANGLE, L"#1 angle", {{100, 300}, {100, 100}, {300, 100}}, L"90.000\u00B0"},
    {"four-point angle",
     DRAW_ANGLE,
     true,
     DRAW_ANGLE_PT4,
     L"#1 angle",
     {{100, 100}, {300, 100}, {200, 300}, {200, 400}},
     L"90.000\u00B0"},
    {"circle",
     DRAW_CIRCLE,
     false,
     DRAW_CIRCLE,
     L"#1 circle",
     {{100, 200}, {300, 200}, {200, 300}},
     L"31415.927 cm\u00B2"},
};

}  // namespace

TEST(MeasureTools, DragThenClicksMakeEachFigure) {
  for (const ToolCase& c : kTools) {
    SCOPED_TRACE(c.what);
    CToolScene s;
    ASSERT_TRUE(s.Ready());
    s.Tool(c.tool, c.fourPoints);
    s.Drag(c.points[0], c.points[1]);
    CDTDraw* figure = s.Last();
    ASSERT_NE(figure, nullptr);
    for (size_t i = 2; i < c.points.size(); ++i) {
      EXPECT_EQ(figure->m_bComplete, 0);
      s.Click(c.points[i]);
    }
    EXPECT_EQ(figure->m_nType, c.type);
    EXPECT_STREQ(figure->m_pszName, c.name);
    EXPECT_EQ(figure->m_bComplete, 1);
    EXPECT_EQ(s.scene.m_canvas.m_nTool, DRAW_SELECT);
    EXPECT_EQ(s.scene.m_canvas.m_pCaptured, nullptr);
    ASSERT_EQ(figure->m_vertices.size(), c.points.size());
    for (size_t i = 0; i < c.points.size(); ++i) {
      EXPECT_EQ(figure->m_vertices[i].x, static_cast<float>(c.points[i].x)) << i;
      EXPECT_EQ(figure->m_vertices[i].y, static_cast<float>(c.points[i].y)) << i;
    }
    EXPECT_EQ(Value(figure), c.value);
    EXPECT_EQ(s.scene.m_observer.Count("FigureAdded"), 1);
    EXPECT_EQ(s.scene.m_observer.Count("HistoryChanged"), 1) << "one undo step for the whole creation";
    s.Doc().Undo();
    EXPECT_EQ(s.Doc().StoredFigures().size(), 0u);
  }
}

// A release within 10 pixels of the previous point in x and y is a click
// that does not place the point; 11 pixels away it does.
TEST(MeasureTools, ClickAgainstDragAtTenPixels) {
  struct Offset {
    int dx, dy;
    bool placed;
  } offsets[] = {{10, 0, false}, {0, -10, false}, {-10, 10, false}, {11, 0, true}, {0, -11, true}, {-3, 11, true}};
  CToolScene s;
  ASSERT_TRUE(s.Ready());
  for (const ToolCase& c : kTools) {
    for (const Offset& o : offsets) {
      SCOPED_TRACE(testing::Message() << c.what << " " << o.dx << "," << o.dy);
      s.Tool(c.tool, c.fourPoints);  // drops the figure left unfinished before
      ASSERT_EQ(s.Doc().m_children.size(), 1u);
      const POINT press{200, 200}, release{200 + o.dx, 200 + o.dy};
      s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, press);
      s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, release);
      s.Mouse(WM_LBUTTONUP, 0, release);
      CDTDraw* figure = s.Last();
      ASSERT_NE(figure, nullptr);
      const bool single = c.type == DRAW_DISTANCE;
      if (!o.placed) {
        EXPECT_EQ(figure->m_bComplete, 0);
        EXPECT_EQ(figure->m_nSelectedHandle, 1);
        EXPECT_EQ(s.scene.m_canvas.m_pCaptured, figure);
        // The point keeps following the mouse without a button.
        s.Mouse(WM_MOUSEMOVE, 0, {260, 250});
        EXPECT_EQ(figure->m_handles[1]->cx, 260.0f);
      } else if (single) {
        EXPECT_EQ(figure->m_bComplete, 1);
      } else {
        EXPECT_EQ(figure->m_bComplete, 0);
        EXPECT_EQ(figure->m_nSelectedHandle, 2);
      }
      EXPECT_EQ(s.scene.m_observer.Count("HistoryChanged"), o.placed && single ? 1 : 0);
      if (figure->m_bComplete) s.Doc().DeleteFigure(figure);
    }
  }
}

TEST(MeasureTools, CircleProposesTheEquilateralThirdPoint) {
  CToolScene s;
  ASSERT_TRUE(s.Ready());
  s.Tool(DRAW_CIRCLE, false);
  s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {300, 200});
  s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, {330, 200});
  auto* circle = dynamic_cast<CDTCircle*>(s.Last());
  ASSERT_NE(circle, nullptr);
  EXPECT_NEAR(circle->m_handles[2]->cx, 315.0f, 1e-3);
  EXPECT_NEAR(circle->m_handles[2]->cy, 200.0f + 15.0f * std::sqrt(3.0f), 1e-3);  // clockwise as seen
  EXPECT_NEAR(circle->m_fRadius, 30.0f / std::sqrt(3.0f), 1e-3);
  EXPECT_NEAR(circle->m_dArea, 942.478, 1e-2);  // pi * 300, from a radius in single precision
  // Once placed, the third point leaves its proposal and follows the mouse.
  s.Mouse(WM_LBUTTONUP, 0, {330, 200});
  s.Mouse(WM_MOUSEMOVE, 0, {315, 185});
  EXPECT_EQ(circle->m_handles[2]->cy, 185.0f);
  EXPECT_NEAR(circle->m_fRadius, 15.0f, 1e-3);
}

// The first swing of the last arm settles which side is measured: a small
// clockwise swing sets the complement flag and shows a small angle; sweeping
// back across the first arm clears it, so the value never jumps.
TEST(MeasureTools, AngleComplementFollowsTheFirstSwing) {
  for (bool fourPoints : {false, true}) {
    SCOPED_TRACE(fourPoints ? "four points" : "three points");
    CToolScene s;
    ASSERT_TRUE(s.Ready());
    s.Tool(DRAW_ANGLE, fourPoints);
    // The first arm points right from (100, 200); the second segment of the
    // four-point angle starts there too.
    s.Drag({300, 200}, {100, 200});
    auto* angle = dynamic_cast<CDTAngleBase*>(s.Last());
    ASSERT_NE(angle, nullptr);
    if (fourPoints) {
      s.Mouse(WM_MOUSEMOVE, 0, {100, 200});
      s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {100, 200});
      s.Mouse(WM_LBUTTONUP, 0, {100, 200});
      ASSERT_EQ(angle->m_nSelectedHandle, 3);
    }
    struct Step {
      POINT at;
      bool flag;
      const wchar_t* value;
    } steps[] = {
        {{300, 210}, true, L"2.862\u00B0"},
        {{300, 190}, false, L"2.862\u00B0"},
        {{100, 100}, false, L"90.000\u00B0"},
        {{300, 201}, false, L"359.714\u00B0"},
    };
    for (const Step& step : steps) {
      SCOPED_TRACE(testing::Message() << step.at.x << "," << step.at.y);
      s.Mouse(WM_MOUSEMOVE, 0, step.at);
      EXPECT_EQ(angle->m_bComplement, step.flag);
      EXPECT_EQ(Value(angle), step.value);
    }
    // A complete figure keeps its flag whatever its arms do.
    s.Click({100, 100});
    ASSERT_EQ(angle->m_bComplete, 1);
    EXPECT_EQ(Value(angle), L"90.000\u00B0");
    const int last = fourPoints ? 3 : 2;
    s.scene.m_canvas.SetTool(DRAW_SELECT);
    s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {100, 100});
    ASSERT_EQ(angle->m_nSelectedHandle, last);
    s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, {300, 210});
    s.Mouse(WM_LBUTTONUP, 0, {300, 210});
    EXPECT_FALSE(angle->m_bComplement);
    EXPECT_EQ(Value(angle), L"357.138\u00B0");
  }
}

TEST(MeasureTools, NamesTakeThePrefixOfTheirTool) {
  CToolScene s;
  ASSERT_TRUE(s.Ready());
  s.scene.m_canvas.SetAutoNamePrefix(DRAW_POINT_LINE, L"gap");
  s.scene.m_canvas.SetAutoNamePrefix(DRAW_ANGLE, L"corner");
  s.Tool(DRAW_POINT_LINE, false);
  s.Drag({100, 100}, {300, 100});
  s.Click({200, 200});
  ASSERT_NE(s.Last(), nullptr);
  EXPECT_STREQ(s.Last()->m_pszName, L"#1 gap");
  s.Tool(DRAW_ANGLE, true);
  s.Drag({100, 300}, {300, 300});
  EXPECT_STREQ(s.Last()->m_pszName, L"#2 corner");
  EXPECT_EQ(s.Last()->m_nType, DRAW_ANGLE_PT4);
  EXPECT_EQ(s.Last()->m_nSelectedHandle, 2);
}
