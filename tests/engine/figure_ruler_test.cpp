#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

std::wstring Value(const CDTRuler* ruler) { return ruler->m_szValue; }

bool IsRed(uint32_t rgb) { return (rgb >> 16) > 0xC0 && ((rgb >> 8) & 0xFF) < 0x40 && (rgb & 0xFF) < 0x40; }

// Whether any pixel of the small square around (x, y) is red.
bool RedNear(const CReadBack& frame, int x, int y) {
  for (int j = y - 1; j <= y + 1; ++j)
    for (int i = x - 1; i <= x + 1; ++i)
      if (i >= 0 && j >= 0 && i < frame.width && j < frame.height && IsRed(frame.At(i, j))) return true;
  return false;
}

}  // namespace

// A new document's ruler: a 200-pixel bracket at (100, 100), its value over its middle.
TEST(FigureRuler, NewDocumentShowsTheBracketAndItsLengthAboveTheMiddle) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.Show(Noise(640, 480, 3));  // fit: zoom 1, the picture at the window's origin
  CDTRuler* ruler = scene.m_document.m_pRuler;
  ASSERT_NE(ruler, nullptr);
  ASSERT_EQ(scene.m_document.m_children.front(), ruler);
  ASSERT_FLOAT_EQ(scene.m_document.m_fZoom, 1.0f);
  ASSERT_EQ(ruler->m_handles.size(), 2u);
  EXPECT_EQ(ruler->m_handles[0]->cx, 100.0f);
  EXPECT_EQ(ruler->m_handles[1]->cx, 300.0f);
  EXPECT_EQ(ruler->m_handles[1]->cy, 100.0f);
  EXPECT_EQ(Value(ruler), L"200.000 cm");
  EXPECT_DOUBLE_EQ(ruler->m_dValue, 200.0);
  EXPECT_EQ(ruler->m_pLabel, nullptr);  // the label can be neither hit nor dragged
  POINT onLabel{ruler->m_label.m_ptPosition.x + 2, ruler->m_label.m_ptPosition.y + 2};
  EXPECT_FALSE(HitLabel(ruler, &onLabel));

  // Ticks of 6 pixels above a ruler that runs left to right.
  ASSERT_EQ(ruler->m_outline.size(), 4u);
  EXPECT_FLOAT_EQ(ruler->m_outline[0].x, 100.0f);
  EXPECT_FLOAT_EQ(ruler->m_outline[0].y, 94.0f);
  EXPECT_FLOAT_EQ(ruler->m_outline[3].x, 300.0f);
  EXPECT_FLOAT_EQ(ruler->m_outline[3].y, 94.0f);

  const CDTLabel& label = ruler->m_label;
  ASSERT_GT(label.m_nTextWidth, 0);
  EXPECT_EQ(label.m_ptPosition.x, (100 + 300 - label.m_nTextWidth) / 2);
  EXPECT_EQ(label.m_ptPosition.y, 100 - label.m_nTextHeight - 5);
  // Whatever the font size, it stays above the middle.
  ruler->SetFontSize(40, FALSE);
  EXPECT_EQ(label.m_ptPosition.y, 100 - label.m_nTextHeight - 5);
  EXPECT_EQ(label.m_ptPosition.x, (100 + 300 - label.m_nTextWidth) / 2);

  scene.m_canvas.m_clrBackground = 0xFF000000;
  scene.m_document.m_bVisible = 1;
  const CReadBack frame = scene.Read();
  ASSERT_GT(frame.width, 300);
  for (int x : {101, 150, 200, 299}) {
    SCOPED_TRACE(x);
    EXPECT_TRUE(RedNear(frame, x, 100));
  }
  EXPECT_TRUE(RedNear(frame, 100, 96));
  EXPECT_TRUE(RedNear(frame, 300, 96));
}

TEST(FigureRuler, ZoomKeepsTheEndsOnTheScreenAndChangesTheValue) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.Show(Noise(640, 480, 5));
  CDTRuler* ruler = scene.m_document.m_pRuler;
  scene.m_document.SetZoomMode(2, 2.0f);
  ASSERT_FLOAT_EQ(scene.m_document.m_fZoom, 2.0f);
  EXPECT_EQ(ruler->m_handles[0]->cx, 100.0f);
  EXPECT_EQ(ruler->m_handles[0]->cy, 100.0f);
  EXPECT_EQ(ruler->m_handles[1]->cx, 300.0f);
  EXPECT_EQ(ruler->m_handles[1]->cy, 100.0f);
  EXPECT_EQ(Value(ruler), L"100.000 cm");
  EXPECT_DOUBLE_EQ(ruler->PixelLength(), 100.0);
}

TEST(FigureRuler, CalibrateByLengthUnderAMagnification) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.Show(Noise(640, 480, 7));
  CDTRuler* ruler = scene.m_document.m_pRuler;
  scene.m_document.SetMultiPower(2.0);
  EXPECT_EQ(Value(ruler), L"100.000 cm");
  ASSERT_EQ(scene.m_document.CalibrateLength(10.0), 1);
  EXPECT_DOUBLE_EQ(scene.m_document.ReferenceScale, 0.1);
  EXPECT_EQ(Value(ruler), L"10.000 cm");

  // Magnification 0 is left out of the division.
  scene.m_document.MultiPower = 0.0;
  ruler->Measure();
  EXPECT_EQ(Value(ruler), L"20.000 cm");
}

// Loading a stored ruler turns it to the stored direction and keeps its value.
TEST(FigureRuler, TurnToKeepsTheCalibratedLengthOnANonSquarePicture) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.Show(Noise(640, 320, 9));
  CDTRuler* ruler = scene.m_document.m_pRuler;
  ASSERT_FLOAT_EQ(scene.m_document.m_fZoom, 1.0f);
  ASSERT_EQ(Value(ruler), L"200.000 cm");
  struct Case {
    double scale, x0, y0, x1, y1;
  } cases[] = {
      {0.5, 0.1, 0.2, 0.6, 0.5},     // down and right
      {2.0, 0.9, 0.1, 0.2, 0.3},     // to the left
      {0.25, 0.5, 0.9, 0.5, 0.1},    // straight up
      {1.0, 0.25, 0.25, 0.5, 0.75},  // 45 degrees only on this picture
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    const double before = ruler->m_dValue;
    const double values[5] = {c.scale, c.x0, c.y0, c.x1, c.y1};
    scene.m_document.SetReferenceScale(values, 5);
    EXPECT_DOUBLE_EQ(scene.m_document.ReferenceScale, c.scale);
    EXPECT_NEAR(ruler->m_dValue, before, 1e-3);
    EXPECT_EQ(Value(ruler), L"200.000 cm");
    EXPECT_EQ(ruler->m_handles[0]->cx, 100.0f);  // the first end stays
    EXPECT_EQ(ruler->m_handles[0]->cy, 100.0f);
    // Parallel to the stored ends measured in picture fractions.
    const double fx = (ruler->m_handles[1]->cx - 100.0) / 640.0, fy = (ruler->m_handles[1]->cy - 100.0) / 320.0;
    const double sx = c.x1 - c.x0, sy = c.y1 - c.y0;
    EXPECT_NEAR(fx * sy - fy * sx, 0.0, 1e-5);
    EXPECT_GT(fx * sx + fy * sy, 0.0);
  }
  // Four values leave the direction alone.
  const float x1 = ruler->m_handles[1]->cx, y1 = ruler->m_handles[1]->cy;
  const double four[4] = {3.0, 0.0, 0.0, 1.0};
  scene.m_document.SetReferenceScale(four, 4);
  EXPECT_EQ(ruler->m_handles[1]->cx, x1);
  EXPECT_EQ(ruler->m_handles[1]->cy, y1);
}

TEST(FigureRuler, DraggingNeverEnablesUndo) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.Show(Noise(640, 480, 11));
  CDTRuler* ruler = scene.m_document.m_pRuler;
  scene.m_observer.m_events.clear();
  struct Drag {
    POINT press, move, release;
  } drags[] = {
      {{300, 100}, {350, 160}, {360, 170}},  // the second end
      {{200, 140}, {210, 150}, {220, 160}},  // the whole ruler
      {{100, 100}, {100, 100}, {100, 100}},  // a click on the first end
  };
  for (const Drag& d : drags) {
    ruler->OnLButtonDown(0, &d.press);
    ruler->OnMouseMove(0, &d.move);
    ruler->OnLButtonUp(0, &d.release);
  }
  EXPECT_EQ(ruler->m_handles[1]->cx, 380.0f);
  EXPECT_EQ(ruler->m_handles[1]->cy, 190.0f);
  EXPECT_EQ(ruler->m_handles[0]->cx, 120.0f);
  EXPECT_EQ(ruler->m_outline[1].x, 120.0f);  // the bracket moved along
  EXPECT_EQ(scene.m_observer.Count("HistoryChanged"), 0);
  EXPECT_EQ(scene.m_document.m_history.m_nPushes, 0);
  EXPECT_FALSE(scene.m_document.m_history.CanUndo());
  EXPECT_EQ(scene.m_observer.Count("FigureChanged"), 3);
}

TEST(FigureRuler, EndsCloserThanAPixelDrawNoTicks) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTRuler* ruler = scene.m_document.m_pRuler;
  ruler->SetVertexScreen(1, 100.6f, 100.6f);
  ruler->Measure();
  EXPECT_EQ(ruler->m_outline[0].x, 100.0f);
  EXPECT_EQ(ruler->m_outline[0].y, 100.0f);
  EXPECT_EQ(ruler->m_outline[3].x, 100.6f);
  EXPECT_EQ(ruler->m_outline[3].y, 100.6f);
  EXPECT_EQ(Value(ruler).substr(0, 5), L"0.849");
  // Running upwards the ticks point left.
  ruler->SetVertexScreen(1, 100.0f, 20.0f);
  EXPECT_FLOAT_EQ(ruler->m_outline[0].x, 94.0f);
  EXPECT_FLOAT_EQ(ruler->m_outline[0].y, 100.0f);
}
