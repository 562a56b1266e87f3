// The measurement document and its elements: calibration, reference scale,
// magnification, unit, figure numbers, deletion, selection, visibility and
// locks, the region rectangle, the cursor report, undo and re-attaching.

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/engine/canvas_fixture.h"
#include "engine/figures/Ruler.h"

namespace {

using namespace canvas_test;

// A document on no canvas whose ruler is set up as attaching would.
struct CDetachedDocument {
  CDetachedDocument() {
    doc.m_pRuler->m_pParent = &doc;
    doc.m_pRuler->CreateDeviceObjects();
    doc.m_children.push_back(doc.m_pRuler);
  }
  // The document still owns its ruler (it was never attached), not the list.
  ~CDetachedDocument() { doc.m_children.clear(); }
  CDTImage doc;
};

TEST(Document, CalibrationByAKnownLength) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDetachedDocument detached;
  for (CDTImage* doc : {&scene.m_document, &detached.doc}) {
    SCOPED_TRACE(doc == &scene.m_document ? "on the canvas" : "without a canvas");
    ASSERT_DOUBLE_EQ(doc->m_pRuler->PixelLength(), 200.0);
    doc->SetMultiPower(2.0);
    EXPECT_EQ(doc->CalibrateLength(0.0), 0);
    EXPECT_EQ(doc->CalibrateLength(-3.0), 0);
    EXPECT_EQ(doc->ReferenceScale, 1.0);
    EXPECT_EQ(doc->CalibrateLength(10.0), 1);
    EXPECT_DOUBLE_EQ(doc->ReferenceScale, 0.1);
    EXPECT_DOUBLE_EQ(doc->m_pRuler->m_dValue, 10.0);
  }
  // A ruler of no length refuses the calibration.
  CDTRuler* ruler = scene.m_document.m_pRuler;
  ruler->SetVertexScreen(1, ruler->m_handles[0]->cx, ruler->m_handles[0]->cy);
  EXPECT_EQ(scene.m_document.CalibrateLength(5.0), 0);
  EXPECT_DOUBLE_EQ(scene.m_document.ReferenceScale, 0.1);
}

TEST(Document, ReferenceScaleIgnoresMissingAndUnusableValues) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  scene.Show(Noise(640, 480, 1));  // fits at zoom 1: window and picture pixels agree
  ASSERT_EQ(doc.m_fZoom, 1.0f);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Bad {
    const char* name;
    std::vector<double> values;
    int count;
  } bad[] = {{"no values", {}, 1},    {"count 0", {0.5}, 0},      {"zero", {0.0}, 1},
             {"negative", {-2.0}, 1}, {"not a number", {nan}, 1}, {"infinite", {inf}, 5}};
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.name);
    scene.m_observer.m_events.clear();
    doc.SetReferenceScale(b.values.empty() ? nullptr : b.values.data(), b.count);
    EXPECT_EQ(doc.ReferenceScale, 1.0);
    EXPECT_TRUE(scene.m_observer.m_events.empty());
  }

  CDTRuler* ruler = doc.m_pRuler;
  const PointF end{ruler->m_handles[1]->cx, ruler->m_handles[1]->cy};
  // Three values: the scale only; the ruler is not turned by values never given.
  auto three = std::make_unique<double[]>(3);
  three[0] = 0.5;
  three[1] = three[2] = 0.25;
  doc.SetReferenceScale(three.get(), 3);
  EXPECT_EQ(doc.ReferenceScale, 0.5);
  EXPECT_EQ(ruler->m_handles[1]->cx, end.x);
  EXPECT_EQ(ruler->m_handles[1]->cy, end.y);
  EXPECT_EQ(scene.m_observer.Count("FigureChanged"), 1);

  // A stored ruler pointing straight down keeps its calibrated length.
  const double withNan[5] = {0.25, 0.0, 0.0, nan, 1.0};
  doc.SetReferenceScale(withNan, 5);  // scale taken, direction not usable
  EXPECT_EQ(ruler->m_handles[1]->cy, end.y);
  doc.SetReferenceScale(three.get(), 1);  // back to 0.5
  const double down[5] = {0.25, 0.5, 0.0, 0.5, 1.0};
  doc.SetReferenceScale(down, 5);
  EXPECT_NEAR(ruler->m_handles[1]->cx, 100.0f, 1e-3);
  EXPECT_NEAR(ruler->m_handles[1]->cy, 100.0f + 400.0f, 1e-3);
  EXPECT_NEAR(ruler->m_dValue, 100.0, 1e-6);
}

TEST(Document, MagnificationAndUnit) {
  CDetachedDocument detached;
  CDTImage& doc = detached.doc;
  for (double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    doc.SetMultiPower(bad);
    EXPECT_EQ(doc.MultiPower, 1.0);
  }
  doc.SetMultiPower(4.0);
  EXPECT_EQ(doc.MultiPower, 4.0);
  EXPECT_DOUBLE_EQ(doc.m_pRuler->m_dValue, 50.0);

  EXPECT_STREQ(doc.m_szUnit, L"cm");
  doc.SetUnit(nullptr);
  doc.SetUnit(L"");
  EXPECT_STREQ(doc.m_szUnit, L"cm");
  doc.SetUnit(std::wstring(300, L'u').c_str());
  EXPECT_EQ(std::wcslen(doc.m_szUnit), 255u);
  EXPECT_EQ(doc.m_szUnit[255], L'\0');
  doc.SetUnit(L"mm");
  EXPECT_STREQ(doc.m_szUnit, L"mm");
  EXPECT_EQ(doc.m_szUnit[3], L'\0') << "the rest of the field is cleared";
}

TEST(Document, FigureNumbersAreNotReusedWhileTheCountStaysAbove) {
  struct Case {
    std::vector<int> numbers;  // after the ruler
    int next;
  } cases[] = {{{}, 1}, {{1, 2, 3}, 4}, {{2, 3}, 4}, {{1, 2}, 3}, {{5}, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.numbers.size());
    CDetachedDocument detached;
    CDTImage& doc = detached.doc;
    std::vector<std::unique_ptr<CTestFigure>> figures;
    for (int n : c.numbers) {
      figures.push_back(std::make_unique<CTestFigure>());
      figures.back()->m_nNumber = n;
      doc.m_children.push_back(figures.back().get());
    }
    EXPECT_EQ(doc.NextFigureNumber(), c.next);
    doc.m_children.clear();
  }
}

TEST(Document, DeletingFigures) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  CRecordingObserver& seen = scene.m_observer;
  CTestFigure* a = scene.AddFigure();
  CTestFigure* b = scene.AddFigure();
  CTestFigure* c = scene.AddFigure();
  int pushes = doc.m_history.m_nPushes;

  EXPECT_EQ(doc.DeleteFigure(doc.m_pRuler), 0);
  EXPECT_EQ(doc.m_children.size(), 4u);

  doc.SelectElement(a);
  scene.m_canvas.SetCapturedElement(a);
  seen.m_events.clear();
  EXPECT_EQ(doc.DeleteFigure(a), 1);
  EXPECT_EQ(seen.m_events, (std::vector<CEvent>{{"FigureSelected", nullptr, 0}, {"FigureRemoved", a, 0}}));
  EXPECT_EQ(scene.m_canvas.m_pCaptured, nullptr);
  EXPECT_EQ(doc.m_pSelected, nullptr);
  EXPECT_EQ(doc.m_history.m_nPushes, ++pushes) << "one undo step, not reported";

  EXPECT_EQ(doc.DeleteFigure(nullptr), 0);  // nothing marked: still a snapshot
  EXPECT_EQ(doc.m_children.size(), 3u);
  EXPECT_EQ(doc.m_history.m_nPushes, ++pushes);

  b->m_bRemove = c->m_bRemove = 1;
  doc.m_pRuler->m_bRemove = 1;  // the ruler is never deleted
  seen.m_events.clear();
  EXPECT_EQ(doc.DeleteFigure(nullptr), 0);
  EXPECT_EQ(seen.Count("FigureRemoved"), 2);
  ASSERT_EQ(doc.m_children.size(), 1u);
  EXPECT_EQ(doc.m_children[0], doc.m_pRuler);
  EXPECT_EQ(seen.Count("HistoryChanged"), 0);

  CDTImage offCanvas;
  CTestFigure loose;
  EXPECT_EQ(offCanvas.DeleteFigure(&loose), 0);
}

TEST(Document, SelectionWithAndWithoutCanvas) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  CTestFigure* a = scene.AddFigure();
  CTestFigure* b = scene.AddFigure();
  a->m_nSelectedHandle = 1;
  EXPECT_EQ(doc.SelectElement(a), 1);
  EXPECT_EQ(doc.SelectElement(a), 0);
  EXPECT_EQ(doc.SelectElement(b), 1);
  EXPECT_EQ(a->m_nSelectedHandle, -1);
  doc.SelectNextFigure();  // wraps to the ruler
  EXPECT_EQ(doc.m_pSelected, doc.m_pRuler);
  EXPECT_EQ(
      scene.m_observer.Without("FigureChanged"),
      (std::vector<CEvent>{{"FigureSelected", a, 0}, {"FigureSelected", b, 0}, {"FigureSelected", doc.m_pRuler, 0}}));

  CDTImage offCanvas;
  CTestFigure loose;
  loose.m_nSelectedHandle = 2;
  offCanvas.SelectElement(&loose);
  EXPECT_EQ(offCanvas.m_pSelected, &loose);
  offCanvas.SelectElement(nullptr);
  EXPECT_EQ(loose.m_nSelectedHandle, -1);
}

TEST(Element, VisibilityLocksAndNames) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  CRecordingObserver& seen = scene.m_observer;
  CTestFigure* figure = scene.AddFigure();

  figure->SetVisible(TRUE);  // already visible: nothing to report
  figure->SetLocked(FALSE);
  EXPECT_TRUE(seen.m_events.empty());

  scene.m_canvas.SetCapturedElement(figure);
  scene.m_canvas.m_pHovered = figure;
  figure->SetVisible(FALSE);
  EXPECT_EQ(figure->m_nCaptureEnds, 1) << "hiding the edited figure ends the editing";
  EXPECT_EQ(scene.m_canvas.m_pCaptured, nullptr);
  EXPECT_EQ(scene.m_canvas.m_pHovered, nullptr);
  figure->SetLocked(TRUE);
  doc.m_pRuler->SetLocked(TRUE);
  EXPECT_EQ(doc.m_pRuler->m_bLocked, 0);
  doc.m_pRuler->SetVisible(FALSE);
  EXPECT_EQ(doc.m_pRuler->m_bVisible, 0);
  EXPECT_EQ(seen.m_events,
            (std::vector<CEvent>{
                {"VisibilityChanged", figure, 0}, {"LockChanged", figure, 1}, {"VisibilityChanged", doc.m_pRuler, 0}}));

  // A hidden document draws nothing, a hidden figure neither.
  const int draws = figure->m_nDraws;
  doc.m_bVisible = 0;
  figure->m_bVisible = 1;
  doc.Render();
  EXPECT_EQ(figure->m_nDraws, draws);
  doc.m_bVisible = 1;
  figure->m_bVisible = 0;
  doc.Render();
  EXPECT_EQ(figure->m_nDraws, draws);
  figure->m_bVisible = 1;
  doc.Render();
  EXPECT_EQ(figure->m_nDraws, draws + 1);

  figure->Rename(L"first");
  const wchar_t* held = figure->m_pszName;
  figure->Rename(held);
  EXPECT_EQ(figure->m_pszName, held);
  EXPECT_STREQ(figure->m_pszName, L"first");
  figure->Rename(nullptr);
  EXPECT_STREQ(figure->m_pszName, L"first");
}

TEST(Element, UndoKeepsTheSelectionAndReportsTheRestore) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  CTestFigure* figure = scene.AddFigure();
  doc.SelectElement(figure);
  scene.m_canvas.SetCapturedElement(figure);
  scene.m_observer.m_events.clear();
  doc.Undo();
  EXPECT_EQ(figure->m_nCaptureEnds, 1);
  EXPECT_EQ(doc.m_pSelected, figure);
  EXPECT_EQ(scene.m_observer.m_events,
            (std::vector<CEvent>{{"HistoryChanged", &doc, 0}, {"HistoryRestored", &doc, 0}}));
}

TEST(Document, DetachedDocumentGetsAFreshRulerWhenAttachedAgain) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  scene.AddFigure();
  ASSERT_EQ(scene.m_canvas.DetachElement(&doc), S_OK);
  EXPECT_TRUE(doc.m_children.empty());
  EXPECT_EQ(doc.m_pRuler, nullptr);
  RECT rc{0, 0, 800, 600};
  ASSERT_EQ(doc.Create(&scene.m_canvas, nullptr, L"again", &rc), S_OK);
  ASSERT_EQ(doc.m_children.size(), 1u);
  EXPECT_EQ(doc.m_children[0], doc.m_pRuler);
}

// The canvas keeps no pointer into a detached document, and the document no
// pointer to the canvas: a late frame from a camera thread is dropped instead
// of building cells that nothing would release.
TEST(Document, DetachingForgetsEveryFigureAndTheCanvas) {
  for (bool figureCaptured : {true, false}) {
    SCOPED_TRACE(figureCaptured ? "figure captured, ruler hovered" : "ruler captured, figure hovered");
    CCanvasScene scene;
    ASSERT_TRUE(scene.Ready());
    CDirectUI& canvas = scene.m_canvas;
    CDTImage& doc = scene.m_document;
    scene.Show(Noise(300, 200, 4));
    CTestFigure* figure = scene.AddFigure();
    CDTElement* ruler = doc.m_pRuler;
    canvas.SetCapturedElement(figureCaptured ? static_cast<CDTElement*>(figure) : ruler);
    canvas.m_pHovered = figureCaptured ? ruler : static_cast<CDTElement*>(figure);

    ASSERT_EQ(canvas.DetachElement(&doc), S_OK);
    EXPECT_EQ(canvas.m_pCaptured, nullptr);
    EXPECT_EQ(canvas.m_pHovered, nullptr);
    EXPECT_EQ(doc.m_pOwner, nullptr);

    const CPicture late = Noise(600, 400, 5);
    doc.UploadFrame(late.pixels.data(), late.width, late.height, late.width * 4, nullptr);
    EXPECT_EQ(doc.m_nCellCount, 0);
    EXPECT_FALSE(doc.m_pCells);
    EXPECT_FALSE(doc.m_pFrame);
    EXPECT_EQ(doc.m_nWidth, 300) << "the late frame never reached the document";
  }
}

TEST(RegionRectangle, GetRegionNormalisesAndChecksSize) {
  CDTImage doc;
  doc.m_nWidth = 100;
  doc.m_nHeight = 100;
  CDTDragRectangle region;
  RECT out{1, 1, 1, 1};
  doc.m_rcRegion = {10, 10, 40, 40};
  EXPECT_FALSE(region.GetRegion(&doc, &out)) << "switched off";
  EXPECT_EQ(out.right, 0);
  region.m_bActive = 1;
  struct Case {
    RECT stored;
    BOOL valid;
  } cases[] = {{{10, 10, 26, 27}, TRUE},    {{10, 10, 25, 27}, FALSE},   {{10, 10, 26, 26}, FALSE},
               {{26, 27, 10, 10}, TRUE},    {{-50, 10, -20, 40}, FALSE}, {{90, 90, 130, 130}, TRUE},
               {{100, 10, 130, 40}, FALSE}, {{10, -40, 40, -1}, FALSE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.stored.left << "," << c.stored.top << "," << c.stored.right << ","
                                      << c.stored.bottom);
    doc.m_rcRegion = c.stored;
    EXPECT_EQ(region.GetRegion(&doc, &out), c.valid);
    EXPECT_LE(out.left, out.right);
    EXPECT_LE(out.top, out.bottom);
  }
}

TEST(RegionRectangle, DragsInEitherDirectionGiveTheSameRegion) {
  CDirectUI canvas;
  CRecordingObserver seen;
  canvas.m_pObserver = &seen;
  CDTImage doc;
  doc.m_nWidth = 200;
  doc.m_nHeight = 200;
  doc.m_fZoom = 2.0f;
  doc.m_rcBounds = {10, 20, 410, 420};
  canvas.m_pActiveImage = &doc;
  CDTDragRectangle& region = canvas.m_region;
  region.SetActive(TRUE);
  const POINT corners[2][2] = {{{30, 40}, {70, 100}}, {{70, 100}, {30, 40}}};
  for (const auto& drag : corners) {
    region.Track(TRUE, &drag[0]);
    EXPECT_EQ(region.m_bDragging, 1);
    region.DragTo(&drag[1]);
    region.Track(FALSE, &drag[1]);
    EXPECT_EQ(region.m_bDragging, 0);
    RECT out;
    EXPECT_TRUE(region.GetRegion(&doc, &out));
    EXPECT_EQ(out.left, 10);
    EXPECT_EQ(out.top, 10);
    EXPECT_EQ(out.right, 30);
    EXPECT_EQ(out.bottom, 40);
  }
  EXPECT_EQ(seen.m_events,
            (std::vector<CEvent>{
                {"RegionChanged", nullptr, 1}, {"RegionChanged", nullptr, 1}, {"RegionChanged", nullptr, 1}}));
}

TEST(MeasureObserver, CursorPositionInPixelsAndCalibratedUnits) {
  CDirectUI canvas;
  CRecordingObserver seen;
  canvas.ReportCursor({30, 40});  // no observer, no document: nothing happens
  canvas.m_pObserver = &seen;
  canvas.ReportCursor({30, 40});
  EXPECT_TRUE(seen.m_events.empty()) << "no active document";
  CDTImage doc;
  doc.m_fZoom = 2.0f;
  doc.m_rcBounds = {10, 20, 210, 220};
  doc.ReferenceScale = 0.5;
  canvas.m_pActiveImage = &doc;
  canvas.ReportCursor({30, 40});
  ASSERT_EQ(seen.m_events, (std::vector<CEvent>{{"CursorMoved", &doc, 0}}));
  EXPECT_FLOAT_EQ(seen.m_lastCursor.pixelX, 10.0f);
  EXPECT_FLOAT_EQ(seen.m_lastCursor.pixelY, 10.0f);
  EXPECT_FLOAT_EQ(seen.m_lastCursor.valueX, 5.0f);
  EXPECT_FLOAT_EQ(seen.m_lastCursor.valueY, 5.0f);
}

TEST(MeasureObserver, CanvasEventsInOrder) {
  CCanvasScene scene(640, 480, false);
  ASSERT_TRUE(scene.Ready());
  CRecordingObserver& seen = scene.m_observer;
  CDTImage doc;
  RECT rc{0, 0, 800, 600};
  ASSERT_EQ(doc.Create(&scene.m_canvas, nullptr, L"live", &rc), S_OK);
  scene.m_canvas.SetActiveImage(&doc, TRUE);
  const CPicture pic = Noise(64, 32, 1);
  doc.UploadFrame(pic.pixels.data(), 64, 32, 64 * 4, nullptr);
  ::SendMessageW(scene.m_canvas, WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
  doc.SetUnit(L"mm");
  EXPECT_EQ(
      seen.Without("FigureChanged"),
      (std::vector<CEvent>{{"ActiveImageChanged", &doc, 0}, {"ImageResized", nullptr, 0}, {"CursorMoved", &doc, 0}}));
  EXPECT_GE(seen.Count("FigureChanged"), 2) << "after the zoom and after the unit change";
  EXPECT_EQ(seen.m_events.back(), (CEvent{"FigureChanged", nullptr, -1}));

  // Without an observer every operation still works.
  scene.m_canvas.m_pObserver = nullptr;
  doc.SetLayout(2, 32, 32);
  doc.SetUnit(L"um");
  doc.DeleteFigure(nullptr);
  doc.Undo();
  scene.m_canvas.SetTool(DRAW_REGION);
  EXPECT_EQ(doc.m_nWidth, 64);
  scene.m_canvas.DetachElement(&doc);
}

}  // namespace
