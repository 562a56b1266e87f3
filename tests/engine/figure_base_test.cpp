#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

// A figure that counts what the base asks of it.
class CCountingFigure : public CTestFigure {
 public:
  explicit CCountingFigure(int type) : CTestFigure(type) {}
  void MoveBy(float dx, float dy) override {
    ++m_nMoves;
    m_moved.x += dx;
    m_moved.y += dy;
  }
  void Measure() override { ++m_nMeasures; }
  int m_nMoves = 0;
  int m_nMeasures = 0;
  PointF m_moved{};
};

// Holds Shift (or not) in this thread's key state for one scope.
class CShiftKey {
 public:
  explicit CShiftKey(bool down) {
    ::GetKeyboardState(m_saved);
    BYTE keys[256];
    std::copy(m_saved, m_saved + 256, keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
  }
  ~CShiftKey() { ::SetKeyboardState(m_saved); }

 private:
  BYTE m_saved[256]{};
};

// A document not on a canvas, with the figure as its child.
struct CDetachedFigure {
  explicit CDetachedFigure(int type = DRAW_LINE) : figure(type) { figure.m_pParent = &doc; }
  CDTImage doc;
  CCountingFigure figure;
};

}  // namespace

TEST(FigureBase, ConversionsThroughZoomOffsetAndCalibration) {
  CDetachedFigure f;
  CDTImage& doc = f.doc;
  // The status strip's example: zoom 2, offset (10, 20), scale 0.5, power 1.
  doc.m_rcBounds = {10, 20, 810, 620};
  doc.m_fZoom = 2.0f;
  doc.ReferenceScale = 0.5;
  doc.MultiPower = 1.0;
  f.figure.AddHandle(30.0f, 40.0f);
  float px = -1, py = -1, vx = -1, vy = -1;
  f.figure.GetVertexPixel(0, &px, &py);
  f.figure.GetVertexValue(0, &vx, &vy);
  EXPECT_FLOAT_EQ(px, 10.0f);
  EXPECT_FLOAT_EQ(py, 10.0f);
  EXPECT_FLOAT_EQ(vx, 5.0f);
  EXPECT_FLOAT_EQ(vy, 5.0f);
  float sx, sy;
  f.figure.PixelToScreen(10.0f, 10.0f, &sx, &sy);
  EXPECT_FLOAT_EQ(sx, 30.0f);
  EXPECT_FLOAT_EQ(sy, 40.0f);
  EXPECT_DOUBLE_EQ(f.figure.CalibratedLength(8.0), 4.0);

  // Divisors of magnitude 1e-14 or less are left out, never divided by.
  struct Case {
    const char* name;
    float zoom;
    double power;
    float px, py;    // picture pixels
    float vx, vy;    // calibrated
    double length8;  // 8 picture pixels calibrated
  } cases[] = {
      {"zoom 0", 0.0f, 1.0, 20.0f, 20.0f, 10.0f, 10.0f, 4.0},
      {"zoom 1e-15", 1e-15f, 1.0, 20.0f, 20.0f, 10.0f, 10.0f, 4.0},
      {"zoom -1e-14", -1e-14f, 1.0, 20.0f, 20.0f, 10.0f, 10.0f, 4.0},
      {"power 0", 2.0f, 0.0, 10.0f, 10.0f, 10.0f, 10.0f, 4.0},
      {"power 4", 2.0f, 4.0, 10.0f, 10.0f, 1.25f, 1.25f, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    doc.m_fZoom = c.zoom;
    doc.MultiPower = c.power;
    f.figure.GetVertexPixel(0, &px, &py);
    f.figure.GetVertexValue(0, &vx, &vy);
    EXPECT_FLOAT_EQ(px, c.px);
    EXPECT_FLOAT_EQ(py, c.py);
    EXPECT_FLOAT_EQ(vx, c.vx);
    EXPECT_FLOAT_EQ(vy, c.vy);
    EXPECT_DOUBLE_EQ(f.figure.CalibratedLength(8.0), c.length8);
  }
  // Indices outside the handle list leave the caller's values alone.
  px = py = vx = vy = 77.0f;
  f.figure.GetVertexPixel(1, &px, &py);
  f.figure.GetVertexValue(-1, &vx, &vy);
  EXPECT_EQ(px, 77.0f);
  EXPECT_EQ(vy, 77.0f);
}

TEST(FigureBase, HandlesAndHitTest) {
  CDetachedFigure f;
  FigureHandle* first = f.figure.AddHandle(20.0f, 20.0f);
  f.figure.AddHandle(22.0f, 22.0f);  // overlaps the first
  EXPECT_FLOAT_EQ(first->square[0].x, 17.0f);
  EXPECT_FLOAT_EQ(first->square[2].y, 23.0f);
  EXPECT_EQ(first->square[4].x, first->square[0].x);
  EXPECT_EQ(first->square[0].color, 0xFFFFFFFFu);
  first->SetMarked(1);
  EXPECT_EQ(first->square[3].color, 0xFF00FF00u);

  POINT both{21, 21}, secondOnly{25, 25}, edge{23, 17}, outside{24, 16};
  EXPECT_EQ(f.figure.HitHandle(&both), 0);  // the first in list order
  EXPECT_EQ(f.figure.HitHandle(&secondOnly), 1);
  EXPECT_EQ(f.figure.HitHandle(&edge), 0);
  EXPECT_EQ(f.figure.HitHandle(&outside), -1);

  f.figure.UpdateBounds();
  EXPECT_EQ(f.figure.m_rcBounds.left, 20);
  EXPECT_EQ(f.figure.m_rcBounds.bottom, 22);

  // Measured from the handle before the selected one.
  f.figure.m_nSelectedHandle = 1;
  POINT close{30, 12}, distant{31, 12};
  EXPECT_FALSE(f.figure.IsFarFromPrevious(1, &close));
  EXPECT_TRUE(f.figure.IsFarFromPrevious(1, &distant));
  EXPECT_FALSE(f.figure.IsFarFromPrevious(0, &distant));
  EXPECT_FALSE(f.figure.IsFarFromPrevious(2, &distant));
}

// The Shift constraint lines the dragged handle up with its reference handle.
TEST(FigureBase, ShiftReferenceHandleForEveryRule) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.m_canvas.m_ptLButtonDown = {500, 300};
  struct Case {
    const char* name;
    int type;
    int handles;
    int marked;  // index of a marked handle, -1 for none
    int selected;
    int reference;  // -1: the canvas's press point; -2: not constrained
  } cases[] = {
      {"four-point angle 0", DRAW_ANGLE_PT4, 4, -1, 0, 1},
      {"four-point angle 1", DRAW_ANGLE_PT4, 4, -1, 1, 0},
      {"four-point angle 2", DRAW_ANGLE_PT4, 4, -1, 2, 3},
      {"four-point angle 3", DRAW_ANGLE_PT4, 4, -1, 3, 2},
      {"line end 0", DRAW_LINE, 5, -1, 0, 2},
      {"line vertex 1 clamps to 0", DRAW_LINE, 5, -1, 1, 0},
      {"line vertex 4", DRAW_LINE, 5, -1, 4, 2},
      {"line midpoint", DRAW_LINE, 5, 3, 3, 2},
      {"line marked first", DRAW_LINE, 5, 0, 0, 1},
      {"line of two", DRAW_LINE, 2, -1, 0, 1},
      {"curve vertex 3", DRAW_CURVE, 4, -1, 3, 1},
      {"curve marked 2", DRAW_CURVE, 4, 2, 2, 1},
      {"angle 0", DRAW_ANGLE, 3, -1, 0, 1},
      {"angle 2", DRAW_ANGLE, 3, -1, 2, 1},
      {"polygon marked ignored", DRAW_POLYGON, 4, 3, 3, 2},
      {"single handle", DRAW_CIRCLE, 1, -1, 0, -1},
      {"ruler end", DRAW_RULER, 2, -1, 1, 0},
      {"ellipse", DRAW_ELLIPSE, 2, -1, 1, -2},
      {"rectangle", DRAW_RECTANGLE, 2, -1, 1, -2},
      {"clip-art", DRAW_CLIPART, 2, -1, 1, -2},
      {"text", DRAW_TEXT, 2, -1, 1, -2},
  };
  CShiftKey shift(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CTestFigure* figure = scene.AddFigure(c.type);
    figure->m_handles.clear();
    for (int k = 0; k < c.handles; ++k) figure->AddHandle(100.0f * k + 7.0f, 1000.0f + 13.0f * k);
    if (c.marked >= 0) figure->m_handles[c.marked]->SetMarked(1);
    figure->m_bComplete = 0;  // being created: Shift alone constrains
    figure->m_nSelectedHandle = c.selected;
    const float rx = c.reference >= 0 ? figure->m_handles[c.reference]->cx : 500.0f;
    const float ry = c.reference >= 0 ? figure->m_handles[c.reference]->cy : 300.0f;
    // Farther across than down: the target's y snaps to the reference.
    POINT across{static_cast<LONG>(rx) + 400, static_cast<LONG>(ry) + 3};
    float x = 1.5f, y = 2.5f;
    figure->ConstrainToAxis(&x, &y, &across);
    EXPECT_EQ(x, 1.5f);
    EXPECT_EQ(y, c.reference == -2 ? 2.5f : ry);
    // Equal distances: vertical, the x snaps.
    POINT diagonal{static_cast<LONG>(rx) + 50, static_cast<LONG>(ry) - 50};
    x = 1.5f, y = 2.5f;
    figure->ConstrainToAxis(&x, &y, &diagonal);
    EXPECT_EQ(x, c.reference == -2 ? 1.5f : rx);
    EXPECT_EQ(y, 2.5f);
  }
}

TEST(FigureBase, ShiftNeedsTheButtonOnACompleteFigure) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CTestFigure* figure = scene.AddFigure(DRAW_LINE);  // complete, handles (10,10), (50,50)
  figure->m_nSelectedHandle = 1;
  POINT mouse{200, 52};
  float x = 1.0f, y = 2.0f;
  {
    CShiftKey shift(true);
    scene.m_canvas.m_bLButtonDown = 0;
    figure->ConstrainToAxis(&x, &y, &mouse);
    EXPECT_EQ(y, 2.0f);
    scene.m_canvas.m_bLButtonDown = 1;
    figure->ConstrainToAxis(&x, &y, &mouse);
    EXPECT_EQ(y, 10.0f);
  }
  CShiftKey noShift(false);
  y = 2.0f;
  figure->ConstrainToAxis(&x, &y, &mouse);
  EXPECT_EQ(y, 2.0f);
  scene.m_canvas.m_bLButtonDown = 0;
}

TEST(FigureBase, WholeDragReleasedInPlaceMovesNothingYetReports) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  auto* figure = new CCountingFigure(DRAW_RECTANGLE);
  RECT rc{10, 10, 50, 50};
  figure->AddHandle(10.0f, 10.0f);
  figure->AddHandle(50.0f, 50.0f);
  ASSERT_TRUE(SUCCEEDED(figure->Create(&scene.m_canvas, &scene.m_document, L"figure", &rc)));
  scene.m_observer.m_events.clear();
  figure->m_nMeasures = 0;

  POINT press{30, 30};
  figure->OnLButtonDown(0, &press);
  EXPECT_EQ(figure->m_bWholeDrag, 1);
  EXPECT_EQ(figure->m_nSelectedHandle, -1);
  EXPECT_EQ(scene.m_canvas.m_pCaptured, figure);
  figure->OnLButtonUp(0, &press);
  EXPECT_EQ(figure->m_nMoves, 0);
  EXPECT_EQ(figure->m_handles[0]->cx, 10.0f);
  EXPECT_EQ(figure->m_handles[1]->cy, 50.0f);
  EXPECT_EQ(figure->m_nMeasures, 1);
  EXPECT_EQ(figure->m_bWholeDrag, 0);
  EXPECT_EQ(scene.m_canvas.m_pCaptured, nullptr);
  // Reported, but a click in place on a complete figure is no undo step.
  EXPECT_EQ(scene.m_observer.Without("ZoomChanged"), (std::vector<CEvent>{{"FigureChanged", figure, -1}}));

  // A real whole drag moves every handle, tells the figure, and records history.
  scene.m_observer.m_events.clear();
  POINT step{35, 28}, end{41, 33};
  figure->OnLButtonDown(0, &press);
  figure->OnMouseMove(0, &step);
  EXPECT_EQ(figure->m_handles[0]->cx, 15.0f);
  EXPECT_TRUE(scene.m_observer.Without("ZoomChanged").empty());  // nothing during the drag
  figure->OnLButtonUp(0, &end);
  EXPECT_EQ(figure->m_nMoves, 2);
  EXPECT_FLOAT_EQ(figure->m_moved.x, 11.0f);
  EXPECT_FLOAT_EQ(figure->m_moved.y, 3.0f);
  EXPECT_EQ(figure->m_handles[1]->cx, 61.0f);
  EXPECT_EQ(figure->m_handles[1]->cy, 53.0f);
  EXPECT_EQ(figure->m_rcBounds.left, 21);
  EXPECT_EQ(scene.m_observer.Without("ZoomChanged"),
            (std::vector<CEvent>{{"FigureChanged", figure, -1}, {"HistoryChanged", &scene.m_document, 0}}));
}

TEST(FigureBase, HandleDragAndTheReleaseThatEndsCreation) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.m_canvas.SetTool(DRAW_CIRCLE);  // a tool change drops incomplete figures: first
  CTestFigure* figure = scene.AddFigure(DRAW_CIRCLE);
  figure->m_bComplete = 0;
  scene.m_observer.m_events.clear();
  POINT press{51, 49}, move{80, 70};
  figure->OnLButtonDown(0, &press);
  EXPECT_EQ(figure->m_nSelectedHandle, 1);
  EXPECT_FLOAT_EQ(figure->m_dragAnchor.x, 1.0f);
  EXPECT_FLOAT_EQ(figure->m_dragAnchor.y, -1.0f);
  figure->OnMouseMove(0, &move);
  EXPECT_EQ(figure->m_handles[1]->cx, 79.0f);
  EXPECT_EQ(figure->m_handles[1]->cy, 71.0f);
  EXPECT_EQ(figure->m_rcBounds.right, 79);
  figure->OnLButtonUp(0, &press);  // even back at the press point: creation ends
  EXPECT_EQ(figure->m_handles[1]->cx, 50.0f);
  EXPECT_EQ(figure->m_bComplete, 1);
  EXPECT_EQ(scene.m_canvas.m_nTool, DRAW_SELECT);
  EXPECT_EQ(figure->m_nSelectedHandle, 1);  // stays for the keyboard
  EXPECT_EQ(scene.m_observer.Count("FigureChanged"), 1);
  EXPECT_EQ(scene.m_observer.Count("HistoryChanged"), 1);

  // A locked figure ignores the mouse.
  scene.m_observer.m_events.clear();
  figure->m_bLocked = 1;
  figure->OnLButtonDown(0, &move);
  figure->OnLButtonUp(0, &move);
  EXPECT_EQ(figure->m_handles[1]->cx, 50.0f);
  EXPECT_TRUE(scene.m_observer.Without("ZoomChanged").empty());
}

TEST(FigureBase, KeyboardNudgeAndTab) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CTestFigure* figure = scene.AddFigure(DRAW_LINE);
  figure->AddHandle(30.0f, 30.0f)->SetMarked(1);
  figure->AddHandle(90.0f, 20.0f);
  scene.m_observer.m_events.clear();

  figure->m_nSelectedHandle = 0;
  figure->NudgeBy(1.0f, 0.0f);
  EXPECT_EQ(figure->m_handles[0]->cx, 11.0f);
  EXPECT_EQ(figure->m_handles[1]->cx, 50.0f);
  EXPECT_EQ(scene.m_observer.Without("ZoomChanged"),
            (std::vector<CEvent>{{"HistoryChanged", &scene.m_document, 0}, {"FigureChanged", figure, 0}}));

  // A marked handle moves the whole figure, untold.
  scene.m_observer.m_events.clear();
  figure->m_nSelectedHandle = 2;
  figure->NudgeBy(0.0f, -1.0f);
  EXPECT_EQ(figure->m_handles[0]->cy, 9.0f);
  EXPECT_EQ(figure->m_handles[3]->cy, 19.0f);
  EXPECT_EQ(scene.m_observer.Count("FigureChanged"), 0);

  // Tab skips a marked handle and wraps to 0.
  figure->m_nSelectedHandle = 1;
  figure->SelectNextHandle();
  EXPECT_EQ(figure->m_nSelectedHandle, 3);
  figure->SelectNextHandle();
  EXPECT_EQ(figure->m_nSelectedHandle, 0);
  figure->m_nSelectedHandle = -1;
  figure->SelectNextHandle();
  EXPECT_EQ(figure->m_nSelectedHandle, -1);

  figure->m_bLocked = 1;
  figure->m_nSelectedHandle = 0;
  figure->NudgeBy(5.0f, 5.0f);
  EXPECT_EQ(figure->m_handles[0]->cx, 11.0f);
}

TEST(FigureBase, FormatValueOfAFigureWithoutValueLeavesTheBuffer) {
  CDetachedFigure f;
  wchar_t buffer[8] = L"keep";
  f.figure.FormatValue(buffer, 8);
  EXPECT_STREQ(buffer, L"keep");
}

// The settings allow 0 to 10 decimals; the format never takes more or fewer.
TEST(FigureBase, PrecisionFormatClampsDigits) {
  CCanvasScene scene(320, 240, false);
  const struct {
    int digits;
    const wchar_t* format;
  } cases[] = {{3, L"%.3f"}, {0, L"%.0f"}, {10, L"%.10f"}, {-4, L"%.0f"}, {11, L"%.10f"}, {1000000, L"%.10f"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.digits);
    scene.m_canvas.SetDecimalPrecision(c.digits);
    EXPECT_STREQ(scene.m_canvas.GetValueFormat(), c.format);
  }
}

namespace {

// Counts the style hooks and draws its handles.
class CHookFigure : public CTestFigure {
 public:
  explicit CHookFigure(int type = DRAW_LINE) : CTestFigure(type) {}
  void OnLineColorChanged() override { ++m_nHooks[0]; }
  void OnPenWeightChanged() override { ++m_nHooks[1]; }
  void OnLineCapChanged() override { ++m_nHooks[2]; }
  void OnSolidChanged() override { ++m_nHooks[3]; }
  void OnTextColorChanged() override { ++m_nHooks[4]; }
  int Draw() override {
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
    return 0;
  }
  int m_nHooks[5]{};
};

}  // namespace

TEST(FigureBase, StyleSettersCallTheirHooksOnlyWhenAttached) {
  CHookFigure detached;
  detached.SetLineColor(0xFF010101, TRUE);
  detached.SetPenWeight(5, TRUE);
  detached.SetLineCap(2, TRUE);
  detached.SetSolid(0, TRUE);
  detached.SetTextColor(0xFF020202, TRUE);
  for (int hook : detached.m_nHooks) EXPECT_EQ(hook, 0);
  EXPECT_EQ(detached.m_clrLine, 0xFF010101u);
  EXPECT_EQ(detached.m_nPenWeight, 5);
  EXPECT_EQ(detached.m_nLineCap, 2);
  EXPECT_EQ(detached.m_bSolid, 0);
  EXPECT_EQ(detached.m_label.m_clrText, 0xFF020202u);  // the label hears it even so

  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  auto* figure = new CHookFigure();
  RECT rc{10, 10, 50, 50};
  ASSERT_TRUE(SUCCEEDED(figure->Create(&scene.m_canvas, &scene.m_document, L"figure", &rc)));
  figure->SetLineColor(0xFF010101, TRUE);
  figure->SetLineColor(0xFF010101, TRUE);  // unchanged: nothing
  figure->SetPenWeight(5, FALSE);
  figure->SetLineCap(2, FALSE);
  figure->SetSolid(0, FALSE);
  figure->SetTextColor(0xFF020202, FALSE);
  for (int hook : figure->m_nHooks) EXPECT_EQ(hook, 1);
}

TEST(FigureBase, HandlesAreDrawnWhiteInABlackOrBlueFrame) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  auto* figure = new CHookFigure();
  RECT rc{10, 10, 50, 50};
  figure->AddHandle(100.0f, 100.0f);
  figure->AddHandle(200.0f, 100.0f)->SetMarked(1);
  figure->AddHandle(300.0f, 100.0f);
  figure->m_nSelectedHandle = 2;
  ASSERT_TRUE(SUCCEEDED(figure->Create(&scene.m_canvas, &scene.m_document, L"figure", &rc)));
  scene.m_canvas.m_clrBackground = 0xFF808080;
  const CReadBack frame = scene.Read();
  ASSERT_GT(frame.width, 310);
  // Square edges at centre +-3, the frame one pixel outside; the inside untouched.
  EXPECT_EQ(frame.At(100, 97), 0xFFFFFFu);
  EXPECT_EQ(frame.At(100, 96), 0x000000u);
  EXPECT_EQ(frame.At(100, 100), 0x808080u);
  EXPECT_EQ(frame.At(200, 97), 0x00FF00u);  // marked
  EXPECT_EQ(frame.At(200, 96), 0x000000u);
  EXPECT_EQ(frame.At(300, 97), 0xFFFFFFu);
  EXPECT_EQ(frame.At(300, 96), 0x0000FFu);  // selected
  EXPECT_EQ(frame.At(300, 94), 0x808080u);
}

TEST(FigureBase, SetVertexPixelMovesTheHandleAndTheMagnifier) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CTestFigure* figure = scene.AddFigure(DRAW_LINE);
  CDTImage& doc = scene.m_document;
  doc.m_rcBounds = {10, 20, 810, 620};
  doc.m_fZoom = 2.0f;
  figure->SetVertexPixel(1, 15.0f, 5.0f);
  EXPECT_EQ(figure->m_handles[1]->cx, 40.0f);
  EXPECT_EQ(figure->m_handles[1]->cy, 30.0f);
  EXPECT_EQ(figure->m_rcBounds.right, 40);
  EXPECT_EQ(scene.m_canvas.m_magnifier.m_pt.x, 40);
  EXPECT_EQ(scene.m_canvas.m_magnifier.m_pt.y, 30);
  figure->SetVertexPixel(2, 1.0f, 1.0f);  // no such handle: nothing
  EXPECT_EQ(figure->m_handles.size(), 2u);
}

TEST(FigureBase, ConstructorFromAPointAndFontFace) {
  CDTDraw* figure = new CTestFigure();
  delete figure;
  struct CPointFigure : CDTDraw {
    explicit CPointFigure(POINT p) : CDTDraw(p) {}
    int Draw() override { return 0; }
  } fromPoint(POINT{12, -7});
  EXPECT_EQ(fromPoint.m_bSolid, 0);
  EXPECT_EQ(fromPoint.m_ptPress.x, 12);
  ASSERT_EQ(fromPoint.m_vertices.size(), 1u);
  EXPECT_EQ(fromPoint.m_vertices[0].y, -7.0f);
  EXPECT_EQ(fromPoint.m_label.m_pFigure, nullptr);
  fromPoint.SetFontFace(L"DejaVu Sans");
  fromPoint.SetFontFace(L"Liberation Sans");
  EXPECT_STREQ(fromPoint.m_pszFontFace, L"Liberation Sans");
  fromPoint.SetFontFace(nullptr);
  EXPECT_EQ(fromPoint.m_pszFontFace, nullptr);
}
