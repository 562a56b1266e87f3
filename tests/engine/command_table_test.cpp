// The canvas command table: every canvas operation, before the window exists
// (the value is stored) and through the window (the command runs), and the
// style commands on figures with the undo steps they record.

#include <cwchar>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tests/engine/canvas_fixture.h"
#include "engine/figures/Clipart.h"
#include "engine/figures/Ruler.h"
#include "engine/figures/TextFigure.h"

namespace {

using namespace canvas_test;

struct CanvasSetting {
  const char* name;
  std::function<void(CDirectUI&)> apply;
  std::function<long long(const CDirectUI&)> read;
  long long withoutWindow;
  long long withWindow;
};

const std::wstring kLongText(300, L'x');

// The figure argument of the style setters is ignored before the window
// exists: the default for new figures is set instead.
CTestFigure g_unattached;

const CanvasSetting kSettings[] = {
    {"background keeps alpha only without window", [](CDirectUI& c) { c.SetBackgroundColor(0x00123456); },
     [](const CDirectUI& c) { return (long long)c.m_clrBackground; }, 0x00123456, 0xFF123456},
    {"tool", [](CDirectUI& c) { c.SetTool(DRAW_PAN); }, [](const CDirectUI& c) { return (long long)c.m_nTool; },
     DRAW_PAN, DRAW_PAN},
    {"solid", [](CDirectUI& c) { c.SetSolid(FALSE, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_bSolid; }, 0, 0},
    {"pen weight", [](CDirectUI& c) { c.SetPenWeight(9, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_nPenWeight; }, 9, 9},
    {"line colour", [](CDirectUI& c) { c.SetLineColor(0x11223344, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_clrLine; }, 0x11223344, 0x11223344},
    {"clip-art colour", [](CDirectUI& c) { c.SetClipartColor(0x55667788, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_clrClipart; }, 0x55667788, 0x55667788},
    {"clip-art fixed", [](CDirectUI& c) { c.SetClipartFixedSize(FALSE, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_bClipartFixed; }, 0, 0},
    {"text colour", [](CDirectUI& c) { c.SetTextColor(0x01020304, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_clrText; }, 0x01020304, 0x01020304},
    {"text background colour", [](CDirectUI& c) { c.SetTextBackgroundColor(0x40302010, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_clrTextBk; }, 0x40302010, 0x40302010},
    {"text border", [](CDirectUI& c) { c.SetTextBorder(FALSE, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_bTextBorder; }, 0, 0},
    {"text background", [](CDirectUI& c) { c.SetTextBackground(FALSE, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_bTextBackground; }, 0, 0},
    {"font size above the range", [](CDirectUI& c) { c.SetFont(100, L"Liberation Sans"); },
     [](const CDirectUI& c) { return (long long)c.m_nFontSize; }, 64, 64},
    {"font face with the size", [](CDirectUI& c) { c.SetFont(20, nullptr); },
     [](const CDirectUI& c) { return (long long)(c.m_strFontFace == L"Liberation Sans"); }, 1, 1},
    {"label font size below the range", [](CDirectUI& c) { c.SetFontSize(2, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_nFontSize; }, 8, 8},
    {"label font size above the range", [](CDirectUI& c) { c.SetFontSize(100, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_nFontSize; }, 64, 64},
    {"font face", [](CDirectUI& c) { c.SetFontFace(L"DejaVu Sans"); },
     [](const CDirectUI& c) { return (long long)(c.m_strFontFace == L"DejaVu Sans"); }, 1, 1},
    {"null font face ignored", [](CDirectUI& c) { c.SetFontFace(nullptr); },
     [](const CDirectUI& c) { return (long long)(c.m_strFontFace == L"DejaVu Sans"); }, 1, 1},
    {"clip-art file needs the window", [](CDirectUI& c) { c.SetClipartFile(L"star.png"); },
     [](const CDirectUI& c) {
       return (long long)(c.m_pszClipartFile && !std::wcscmp(c.m_pszClipartFile, L"star.png"));
     },
     0, 1},
    {"text keeps 255 characters", [](CDirectUI& c) { c.SetText(kLongText.c_str()); },
     [](const CDirectUI& c) { return (long long)std::wcslen(c.m_szNewText); }, 255, 255},
    {"empty text ignored", [](CDirectUI& c) { c.SetText(L""); },
     [](const CDirectUI& c) { return (long long)std::wcslen(c.m_szNewText); }, 255, 255},
    {"line cap", [](CDirectUI& c) { c.SetLineCap(2, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_nLineCap; }, 2, 2},
    {"show result", [](CDirectUI& c) { c.SetShowMeasureResult(FALSE, nullptr); },
     [](const CDirectUI& c) { return (long long)c.m_bShowResult; }, 0, 0},
    {"figure argument ignored without window", [](CDirectUI& c) { c.SetPenWeight(11, &g_unattached); },
     [](const CDirectUI& c) { return (long long)c.m_nPenWeight; }, 11, 9},
    {"grid shown", [](CDirectUI& c) { c.ShowGrid(TRUE); },
     [](const CDirectUI& c) { return (long long)c.m_grid.m_bShow; }, 1, 1},
    {"grid weight", [](CDirectUI& c) { c.SetGridWeight(25); },
     [](const CDirectUI& c) { return (long long)c.m_grid.m_nWeight; }, 25, 25},
    {"grid colour into both fields", [](CDirectUI& c) { c.SetGridColor(0x12345678); },
     [](const CDirectUI& c) {
       return (long long)(c.m_grid.m_clrLine == 0x12345678 && c.m_grid.m_clrLine2 == 0x12345678);
     },
     1, 1},
    {"cross shown", [](CDirectUI& c) { c.ShowCross(TRUE); },
     [](const CDirectUI& c) { return (long long)c.m_cross.m_bShow; }, 1, 1},
    {"cross colour", [](CDirectUI& c) { c.SetCrossColor(0xFF00FF00); },
     [](const CDirectUI& c) { return (long long)c.m_cross.m_clrLine; }, 0xFF00FF00, 0xFF00FF00},
    {"cross track as a flag", [](CDirectUI& c) { c.SetCrossTrack(5); },
     [](const CDirectUI& c) { return (long long)c.m_cross.m_bTrack; }, 1, 1},
    {"magnifier shown", [](CDirectUI& c) { c.ShowMagnifier(TRUE); },
     [](const CDirectUI& c) { return (long long)c.m_magnifier.m_bShow; }, 1, 1},
    {"magnifier weight", [](CDirectUI& c) { c.SetMagnifierWeight(4); },
     [](const CDirectUI& c) { return (long long)c.m_magnifier.m_nWeight; }, 4, 4},
    {"magnifier weight 0 keeps the previous", [](CDirectUI& c) { c.SetMagnifierWeight(0); },
     [](const CDirectUI& c) { return (long long)c.m_magnifier.m_nWeight; }, 4, 4},
    {"magnifier display", [](CDirectUI& c) { c.SetMagnifierDisplay(200); },
     [](const CDirectUI& c) { return (long long)c.m_magnifier.m_nDisplay; }, 200, 200},
    {"magnifier follows the mouse", [](CDirectUI& c) { c.SetMagnifierMouse(FALSE); },
     [](const CDirectUI& c) { return (long long)c.GetMagnifierMouse(); }, 0, 0},
    {"histogram shown", [](CDirectUI& c) { c.ShowHistogram(TRUE); },
     [](const CDirectUI& c) { return (long long)c.IsHistogramShown(); }, 1, 1},
    {"four-point angles", [](CDirectUI& c) { c.SetAngle4Pts(TRUE); },
     [](const CDirectUI& c) { return (long long)c.m_bAngle4Pts; }, 1, 1},
    {"info lines", [](CDirectUI& c) { c.ShowInfoLines(FALSE); },
     [](const CDirectUI& c) { return (long long)c.m_bShowInfoLines; }, 0, 0},
};

TEST(CanvasCommands, EverySettingWithAndWithoutWindow) {
  CDirectUI bare;
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  for (const CanvasSetting& s : kSettings) {
    SCOPED_TRACE(s.name);
    s.apply(bare);
    EXPECT_EQ(s.read(bare), s.withoutWindow) << "without window";
    s.apply(scene.m_canvas);
    EXPECT_EQ(s.read(scene.m_canvas), s.withWindow) << "with window";
  }
  // What only exists with a window.
  EXPECT_EQ(bare.AddFigureAtCenter(), 0);
  EXPECT_FALSE(scene.m_canvas.SetClipartFile(nullptr));
  CDTImage document;
  RECT rc{0, 0, 10, 10};
  EXPECT_EQ(document.Create(&bare, nullptr, L"doc", &rc), E_FAIL);
  EXPECT_EQ(bare.DetachElement(&document), E_FAIL);
}

TEST(CanvasCommands, SettingsMadeBeforeTheWindowSurviveItsCreation) {
  CHost host;
  RECT rc{0, 0, 320, 240};
  ASSERT_NE(host.Create(nullptr, &rc), nullptr);
  CDirectUI canvas;
  canvas.SetPenWeight(7, nullptr);
  canvas.SetLineColor(0xFF112233, nullptr);
  canvas.SetFont(30, L"Liberation Sans");
  ASSERT_NE(canvas.Create(nullptr, host, host), nullptr);
  EXPECT_EQ(canvas.m_nPenWeight, 7);
  EXPECT_EQ(canvas.m_clrLine, 0xFF112233u);
  EXPECT_EQ(canvas.m_nFontSize, 30);
  EXPECT_EQ(canvas.m_strFontFace, L"Liberation Sans");
  canvas.DestroyWindow();
  host.DestroyWindow();
}

struct FigureStyle {
  const char* name;
  int figureType;  // DRAW_RULER: the active document's ruler
  std::function<void(CDirectUI&, CDTDraw*)> apply;
  std::function<long long(const CDTDraw*)> read;
  long long expected;
  int undoSteps;
};

const FigureStyle kFigureStyles[] = {
    {"solid", DRAW_RECTANGLE, [](CDirectUI& c, CDTDraw* f) { c.SetSolid(FALSE, f); },
     [](const CDTDraw* f) { return (long long)f->m_bSolid; }, 0, 1},
    {"pen weight", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetPenWeight(7, f); },
     [](const CDTDraw* f) { return (long long)f->m_nPenWeight; }, 7, 1},
    {"line colour of a line", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetLineColor(0xFF0000FF, f); },
     [](const CDTDraw* f) { return (long long)f->m_clrLine; }, 0xFF0000FF, 1},
    {"line colour of the ruler", DRAW_RULER, [](CDirectUI& c, CDTDraw* f) { c.SetLineColor(0xFF00FF00, f); },
     [](const CDTDraw* f) { return (long long)f->m_clrLine; }, 0xFF00FF00, 0},
    {"text colour of a line", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetTextColor(0xFF010203, f); },
     [](const CDTDraw* f) { return (long long)f->m_label.m_clrText; }, 0xFF010203, 1},
    {"text colour of the ruler", DRAW_RULER, [](CDirectUI& c, CDTDraw* f) { c.SetTextColor(0xFF040506, f); },
     [](const CDTDraw* f) { return (long long)f->m_clrText; }, 0xFF040506, 0},
    {"label box colour", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetTextBackgroundColor(0x20304050, f); },
     [](const CDTDraw* f) { return (long long)f->m_label.m_clrBackground; }, 0x20304050, 1},
    {"label box colour of the ruler", DRAW_RULER,
     [](CDirectUI& c, CDTDraw* f) { c.SetTextBackgroundColor(0x60708090, f); },
     [](const CDTDraw* f) { return (long long)f->m_label.m_clrBackground; }, 0x60708090, 0},
    {"label border", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetTextBorder(FALSE, f); },
     [](const CDTDraw* f) { return (long long)f->m_label.m_bBorder; }, 0, 1},
    {"label border of the ruler", DRAW_RULER, [](CDirectUI& c, CDTDraw* f) { c.SetTextBorder(FALSE, f); },
     [](const CDTDraw* f) { return (long long)f->m_label.m_bBorder; }, 0, 0},
    {"label box", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetTextBackground(FALSE, f); },
     [](const CDTDraw* f) { return (long long)f->m_label.m_bBackground; }, 0, 1},
    {"label font size", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetFontSize(30, f); },
     [](const CDTDraw* f) { return (long long)f->m_nFontSize; }, 30, 0},
    {"line cap", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetLineCap(1, f); },
     [](const CDTDraw* f) { return (long long)f->m_nLineCap; }, 1, 0},
    {"show result", DRAW_LINE, [](CDirectUI& c, CDTDraw* f) { c.SetShowMeasureResult(FALSE, f); },
     [](const CDTDraw* f) { return (long long)f->m_bShowResult; }, 0, 0},
    {"clip-art colour on a line does nothing", DRAW_LINE,
     [](CDirectUI& c, CDTDraw* f) { c.SetClipartColor(0x80FFFFFF, f); },
     [](const CDTDraw* f) { return (long long)f->m_clrLine; }, 0xFFFF0000, 0},
    {"clip-art colour", DRAW_CLIPART, [](CDirectUI& c, CDTDraw* f) { c.SetClipartColor(0x80FFFFFF, f); },
     [](const CDTDraw* f) { return (long long)static_cast<const CDTClipart*>(f)->m_clrLine; }, 0x80FFFFFF, 1},
    {"clip-art fixed size", DRAW_CLIPART, [](CDirectUI& c, CDTDraw* f) { c.SetClipartFixedSize(FALSE, f); },
     [](const CDTDraw* f) { return (long long)static_cast<const CDTClipart*>(f)->m_bFixed; }, 0, 1},
};

TEST(CanvasCommands, FigureStylesAndTheUndoStepsTheyRecord) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  for (const FigureStyle& s : kFigureStyles) {
    SCOPED_TRACE(s.name);
    CDTDraw* figure = doc.m_pRuler;
    if (s.figureType == DRAW_CLIPART) {
      auto* clipart = new CDTClipart();
      clipart->SetPath(L"clip_512.png");  // from figure_clipart_fixture.py
      RECT rc{0, 0, 10, 10};
      clipart->Create(&scene.m_canvas, &doc, L"clip", &rc);
      figure = clipart;
    } else if (s.figureType != DRAW_RULER) {
      figure = scene.AddFigure(s.figureType);
    }
    const int pushes = doc.m_history.m_nPushes;
    scene.m_observer.m_events.clear();
    s.apply(scene.m_canvas, figure);
    EXPECT_EQ(s.read(figure), s.expected);
    EXPECT_EQ(doc.m_history.m_nPushes - pushes, s.undoSteps);
    EXPECT_EQ(scene.m_observer.Count("HistoryChanged"), s.undoSteps);
  }
  // The ruler's colours become the canvas's colours for rulers.
  EXPECT_EQ(scene.m_canvas.m_clrRulerLine, 0xFF00FF00u);
  EXPECT_EQ(scene.m_canvas.m_clrRulerText, 0xFF040506u);
  EXPECT_EQ(scene.m_canvas.m_clrRulerTextBk, 0x60708090u);
  // Default label flags reach the active document's ruler too.
  scene.m_canvas.SetTextBackground(FALSE, nullptr);
  EXPECT_EQ(doc.m_pRuler->m_label.m_bBackground, 0);
}

TEST(CanvasCommands, FontFaceReachesEveryLabel) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CTestFigure* figure = scene.AddFigure();
  scene.m_canvas.SetFontFace(L"Liberation Serif");
  EXPECT_EQ(figure->m_label.m_strFontFace, L"Liberation Serif");
  EXPECT_EQ(scene.m_document.m_pRuler->m_label.m_strFontFace, L"Liberation Serif");
  scene.m_canvas.SetFont(12, L"DejaVu Sans");  // the default only: labels stay
  EXPECT_EQ(figure->m_label.m_strFontFace, L"Liberation Serif");
}

TEST(CanvasCommands, TextGoesToTheSelectedTextFigure) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  auto* text = new CDTText();
  RECT rc{0, 0, 10, 10};
  text->Create(&scene.m_canvas, &doc, L"text", &rc);
  const int pushes = doc.m_history.m_nPushes;
  scene.m_canvas.SetText(L"unselected");
  EXPECT_TRUE(text->m_strText.empty());
  EXPECT_EQ(doc.m_history.m_nPushes, pushes);
  EXPECT_EQ(doc.SelectElement(text), 1);
  scene.m_canvas.SetText(L"hello");
  EXPECT_EQ(text->m_strText, L"hello");
  EXPECT_EQ(doc.m_history.m_nPushes, pushes + 1);
}

TEST(CanvasCommands, ActiveImageAndTools) {
  CDirectUI bare;
  CRecordingObserver observer;
  bare.m_pObserver = &observer;
  CDTImage a;
  bare.SetActiveImage(&a, TRUE);
  bare.SetActiveImage(&a, TRUE);
  EXPECT_EQ(bare.m_pActiveImage, &a);
  EXPECT_EQ(observer.m_events, (std::vector<CEvent>{{"ActiveImageChanged", &a, 0}}));

  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  CDirectUI& canvas = scene.m_canvas;
  CRecordingObserver& seen = scene.m_observer;

  // The region tool toggles the rectangle; switched off it returns to select.
  canvas.SetTool(DRAW_REGION);
  EXPECT_EQ(canvas.m_nTool, DRAW_REGION);
  EXPECT_EQ(canvas.m_region.m_bActive, 1);
  canvas.SetTool(DRAW_REGION);
  EXPECT_EQ(canvas.m_nTool, DRAW_SELECT);
  EXPECT_EQ(canvas.m_region.m_bActive, 0);
  EXPECT_EQ(seen.Without("FigureSelected"),
            (std::vector<CEvent>{
                {"RegionChanged", nullptr, 1}, {"RegionChanged", nullptr, 0}, {"ToolReset", nullptr, DRAW_SELECT}}));

  // Tool 0 shows and selects the ruler, then returns to select.
  doc.m_pRuler->m_bVisible = 0;
  canvas.SetTool(DRAW_RULER);
  EXPECT_EQ(doc.m_pRuler->m_bVisible, 1);
  EXPECT_EQ(doc.m_pSelected, doc.m_pRuler);
  EXPECT_EQ(canvas.m_nTool, DRAW_SELECT);

  // A tool change drops figures whose creation did not end.
  CTestFigure* unfinished = scene.AddFigure();
  unfinished->m_bComplete = 0;
  CTestFigure* finished = scene.AddFigure();
  seen.m_events.clear();
  canvas.SetTool(DRAW_LINE);
  EXPECT_EQ(seen.m_events, (std::vector<CEvent>{{"FigureSelected", nullptr, 0}, {"FigureRemoved", unfinished, 0}}));
  ASSERT_EQ(doc.m_children.size(), 2u);
  EXPECT_EQ(doc.m_children[1], finished);
  EXPECT_EQ(canvas.m_hCursor, canvas.m_hCursorArrow);
  canvas.SetTool(DRAW_PAN);
  EXPECT_EQ(canvas.m_hCursor, canvas.m_hCursorSizeAll);
}

}  // namespace
