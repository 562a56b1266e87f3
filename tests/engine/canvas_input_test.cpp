#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/Image.h"
#include "engine/figures/Clipart.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Label.h"
#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

// Holds Shift and Ctrl (or not) in this thread's key state for one scope, as
// the figures read them with GetKeyState while the messages carry them too.
class CKeys {
 public:
  CKeys(bool shift, bool control) {
    ::GetKeyboardState(m_saved);
    BYTE keys[256];
    std::copy(m_saved, m_saved + 256, keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = control ? 0x80 : 0;
    ::SetKeyboardState(keys);
  }
  ~CKeys() { ::SetKeyboardState(m_saved); }

 private:
  BYTE m_saved[256]{};
};

// A 640 x 480 picture on a 640 x 480 canvas: fit mode shows it at zoom 1 with
// offset 0, so window and picture pixels agree.
class CInputScene : public CCanvasScene {
 public:
  CInputScene() {
    if (!Ready()) return;
    Show(Noise(640, 480, 5));
    m_observer.m_events.clear();
  }
  // Mouse messages go through the queue as the system delivers them.
  void Mouse(UINT message, WPARAM flags, int x, int y) {
    ::PostMessageW(m_canvas.m_hWnd, message, flags, MAKELPARAM(x, y));
    Pump();
  }
  void Press(int x, int y, WPARAM flags = 0) { Mouse(WM_LBUTTONDOWN, flags | MK_LBUTTON, x, y); }
  void Move(int x, int y, WPARAM flags = 0) { Mouse(WM_MOUSEMOVE, flags, x, y); }
  void Release(int x, int y, WPARAM flags = 0) { Mouse(WM_LBUTTONUP, flags, x, y); }
  void Key(UINT message, WPARAM key) { ::SendMessageW(m_canvas.m_hWnd, message, key, 1); }
  void Wheel(int notches, WORD keys, int x, int y) {
    POINT screen{x, y};
    ::ClientToScreen(m_canvas.m_hWnd, &screen);
    ::SendMessageW(m_canvas.m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(notches * WHEEL_DELTA)),
                   MAKELPARAM(screen.x, screen.y));
  }
  // A complete figure with its two handles at the corners of r.
  CTestFigure* Figure(RECT r) {
    auto* figure = new CTestFigure(DRAW_LINE);
    figure->AddHandle(static_cast<float>(r.left), static_cast<float>(r.top));
    figure->AddHandle(static_cast<float>(r.right), static_cast<float>(r.bottom));
    figure->Create(&m_canvas, &m_document, L"figure", &r);
    return figure;
  }
  // Gives a figure's label a place and size without a font.
  static void PlaceLabel(CDTDraw* figure, int x, int y) {
    figure->m_label.m_pFigure = figure;
    figure->m_label.m_ptPosition = {x, y};
    figure->m_label.m_nTextWidth = 40;
    figure->m_label.m_nTextHeight = 20;
  }
  std::vector<CEvent> Events() const {
    std::vector<CEvent> out;
    for (const CEvent& e : m_observer.m_events)
      if (e.name != "CursorMoved" && !(e.name == "FigureChanged" && !e.subject)) out.push_back(e);
    return out;
  }
  CEvent Selected(const void* figure) const { return {"FigureSelected", figure, 0}; }
};

struct CRoutingCase {
  const char* name;
  std::function<void(CInputScene&)> run;
};

std::ostream& operator<<(std::ostream& os, const CRoutingCase& c) { return os << c.name; }

class CanvasRouting : public testing::TestWithParam<CRoutingCase> {};

const RECT kBox{100, 100, 200, 200};

const CRoutingCase kRoutingCases[] = {
    {"PressFourPixelsOutsideHits",
     [](CInputScene& s) {
       CTestFigure* f = s.Figure(kBox);
       s.Press(204, 150);
       EXPECT_EQ(s.Events(), (std::vector<CEvent>{s.Selected(f)}));
       EXPECT_EQ(s.m_canvas.m_pCaptured, f);
       s.Release(204, 150);
       EXPECT_EQ(s.m_canvas.m_pCaptured, nullptr);
       EXPECT_EQ(s.m_canvas.m_bLButtonDown, 0);
     }},
    {"PressFivePixelsOutsideMisses",
     [](CInputScene& s) {
       s.Figure(kBox);
       s.Press(205, 150);
       s.Press(94, 150);
       s.Press(150, 94);
       s.Press(150, 205);
       EXPECT_EQ(s.Events(), (std::vector<CEvent>(4, CEvent{"EmptyClick"})));
       s.Press(95, 150);  // left - 5 is inside
       EXPECT_EQ(s.m_observer.Count("FigureSelected"), 1);
     }},
    {"LaterOfTwoOverlappingFiguresWins",
     [](CInputScene& s) {
       s.Figure(kBox);
       CTestFigure* later = s.Figure({150, 150, 250, 250});
       s.Press(175, 175);
       EXPECT_EQ(s.Events(), (std::vector<CEvent>{s.Selected(later)}));
     }},
    {"InvisibleFigureIsNotHit",
     [](CInputScene& s) {
       CTestFigure* first = s.Figure(kBox);
       CTestFigure* hidden = s.Figure(kBox);
       hidden->m_bVisible = 0;
       s.Press(150, 150);
       EXPECT_EQ(s.Events(), (std::vector<CEvent>{s.Selected(first)}));
     }},
    {"LabelDragMovesTheLabel",
     [](CInputScene& s) {
       CTestFigure* f = s.Figure(kBox);
       CInputScene::PlaceLabel(f, 300, 300);
       s.Press(310, 305);
       EXPECT_EQ(s.m_canvas.m_pDraggedLabel, &f->m_label);
       EXPECT_EQ(s.m_canvas.m_pCaptured, nullptr);  // the figure itself is not edited
       s.Move(330, 325, MK_LBUTTON);
       EXPECT_EQ(f->m_label.m_ptPosition.x, 320);
       EXPECT_EQ(f->m_label.m_ptPosition.y, 320);
       s.Release(330, 325);
       EXPECT_EQ(s.m_canvas.m_pDraggedLabel, nullptr);
       s.Move(400, 400, MK_LBUTTON);
       EXPECT_EQ(f->m_label.m_ptPosition.x, 320);
       EXPECT_EQ(s.Events(), (std::vector<CEvent>{s.Selected(f)}));
     }},
    {"LockedFiguresLabelIsNotDragged",
     [](CInputScene& s) {
       CTestFigure* f = s.Figure(kBox);
       CInputScene::PlaceLabel(f, 300, 300);
       f->m_bLocked = 1;
       s.Press(310, 305);
       EXPECT_EQ(s.m_canvas.m_pDraggedLabel, nullptr);
       s.Release(310, 305);
       s.Press(150, 150);  // its bounds still select it
       EXPECT_EQ(s.Events(), (std::vector<CEvent>{{"EmptyClick"}, s.Selected(f)}));
     }},
    {"CtrlDragPansOnlyOutsideFitMode",
     [](CInputScene& s) {
       CDTImage& doc = s.m_document;
       ASSERT_EQ(doc.m_nZoomMode, 0);
       CKeys keys(false, true);
       s.Press(300, 300, MK_CONTROL);
       s.Move(350, 340, MK_CONTROL | MK_LBUTTON);
       s.Release(350, 340, MK_CONTROL);
       EXPECT_EQ(doc.m_rcBounds.left, 0);
       EXPECT_EQ(doc.m_rcBounds.top, 0);
       EXPECT_EQ(doc.m_bPanning, 0);
       doc.SetZoomMode(1, 1.0f);
       s.Press(300, 300, MK_CONTROL);
       EXPECT_EQ(s.m_canvas.m_hCursor, s.m_canvas.m_hCursorSizeAll);
       s.Move(350, 340, MK_CONTROL | MK_LBUTTON);
       s.Release(350, 340, MK_CONTROL);
       EXPECT_EQ(doc.m_rcBounds.left, 50);
       EXPECT_EQ(doc.m_rcBounds.top, 40);
       EXPECT_EQ(doc.m_bPanning, 0);
       EXPECT_EQ(s.m_canvas.m_hCursor, s.m_canvas.m_hCursorArrow);
     }},
    {"ShiftDragOfAHandleKeepsItsSegmentStraight",
     [](CInputScene& s) {
       CTestFigure* f = s.Figure(kBox);
       CKeys keys(true, false);
       s.Press(200, 200, MK_SHIFT);
       EXPECT_EQ(f->m_nSelectedHandle, 1);
       s.Move(300, 210, MK_SHIFT | MK_LBUTTON);
       s.Release(300, 210, MK_SHIFT);
       EXPECT_EQ(f->m_handles[1]->cx, 300.0f);
       EXPECT_EQ(f->m_handles[1]->cy, 100.0f);
       EXPECT_EQ(s.m_canvas.m_pCaptured, nullptr);
       EXPECT_EQ(s.Events(),
                 (std::vector<CEvent>{s.Selected(f), {"FigureChanged", f, 1}, {"HistoryChanged", &s.m_document, 0}}));
     }},
    {"WheelNotchSteps",
     [](CInputScene& s) {
       struct Step {
         float from;
         WORD keys;
         int notches;
         float to;
       };
       const Step steps[] = {{1.0f, 0, 1, 1.2f},
                             {14.9f, 0, 1, 15.0f},
                             {1.0f, MK_SHIFT, 1, 1.4f},
                             {1.0f, MK_CONTROL, 1, 1.05f},
                             {1.0f, 0, -1, 0.8f},
                             {0.3f, 0, -1, 0.2f},
                             {2.0f, MK_SHIFT | MK_CONTROL, -2, 1.2f}};
       for (const Step& step : steps) {
         SCOPED_TRACE(testing::Message() << step.from << " keys " << step.keys << " notches " << step.notches);
         s.m_document.SetZoomMode(2, step.from);
         s.m_observer.m_events.clear();
         CKeys keys((step.keys & MK_SHIFT) != 0, (step.keys & MK_CONTROL) != 0);
         s.Wheel(step.notches, step.keys, 320, 240);
         EXPECT_NEAR(s.m_document.m_fZoom, step.to, 1e-5f);
         EXPECT_EQ(s.m_document.m_nZoomMode, 2);
         EXPECT_EQ(s.Events(), (std::vector<CEvent>{{"ZoomChanged", &s.m_document, 0}}));
       }
     }},
    {"RightDoubleClickTogglesFitAndActualSize",
     [](CInputScene& s) {
       s.m_document.SetZoomMode(2, 3.0f);
       s.Mouse(WM_RBUTTONDBLCLK, MK_RBUTTON, 10, 10);
       EXPECT_EQ(s.m_document.m_nZoomMode, 1);
       s.Mouse(WM_RBUTTONDBLCLK, MK_RBUTTON, 10, 10);
       EXPECT_EQ(s.m_document.m_nZoomMode, 0);
       s.Mouse(WM_RBUTTONDBLCLK, MK_RBUTTON, 10, 10);
       EXPECT_EQ(s.m_document.m_nZoomMode, 1);
       EXPECT_EQ(s.m_observer.Count("ZoomChanged"), 3);
     }},
    {"LeftDoubleClickFinishesPolygonsOrTogglesFullScreen",
     [](CInputScene& s) {
       struct CPolygon : CTestFigure {
         CPolygon() : CTestFigure(DRAW_POLYGON) { m_bComplete = 0; }
         int OnRButton(UINT, const POINT* p) override {
           last = *p;
           return ++finishes;
         }
         int finishes = 0;
         POINT last{};
       };
       auto* polygon = new CPolygon;
       RECT r = kBox;
       polygon->Create(&s.m_canvas, &s.m_document, nullptr, &r);
       s.m_canvas.SetCapturedElement(polygon);
       s.Mouse(WM_LBUTTONDBLCLK, MK_LBUTTON, 150, 160);
       EXPECT_EQ(polygon->finishes, 1);
       EXPECT_EQ(polygon->last.y, 160);
       EXPECT_FALSE(s.m_canvas.IsFullScreen());
       polygon->m_nType = DRAW_LINE;  // other types ignore it
       s.Mouse(WM_LBUTTONDBLCLK, MK_LBUTTON, 150, 160);
       EXPECT_EQ(polygon->finishes, 1);
       EXPECT_FALSE(s.m_canvas.IsFullScreen());
       s.m_canvas.ReleaseCapturedElement();
       // Showing the full-screen window takes seconds under Xvfb: once.
       s.Mouse(WM_LBUTTONDBLCLK, MK_LBUTTON, 150, 160);
       ASSERT_TRUE(s.m_canvas.IsFullScreen());
       s.Key(WM_KEYDOWN, VK_ESCAPE);
       EXPECT_FALSE(s.m_canvas.IsFullScreen());
     }},
    {"EscapeAndEnterSwitchHandleEditing",
     [](CInputScene& s) {
       CTestFigure* f = s.Figure(kBox);
       s.m_document.SelectElement(f);
       f->m_nSelectedHandle = 1;
       s.Key(WM_KEYDOWN, VK_ESCAPE);
       EXPECT_EQ(f->m_nSelectedHandle, -1);
       s.Key(WM_KEYDOWN, VK_RETURN);
       EXPECT_EQ(f->m_nSelectedHandle, 0);
       s.Key(WM_KEYDOWN, VK_RETURN);
       EXPECT_EQ(f->m_nSelectedHandle, -1);
     }},
    {"TabWalksFiguresOrUnmarkedHandles",
     [](CInputScene& s) {
       CTestFigure* a = s.Figure(kBox);
       a->AddHandle(150.0f, 150.0f)->SetMarked(1);
       a->AddHandle(120.0f, 180.0f);  // handles: 0, 1, marked 2, 3
       CTestFigure* b = s.Figure({300, 300, 350, 350});
       s.m_document.SelectElement(a);
       s.Key(WM_KEYDOWN, VK_TAB);
       EXPECT_EQ(s.m_document.m_pSelected, b);
       s.m_document.SelectElement(a);
       a->m_nSelectedHandle = 1;
       s.Key(WM_KEYDOWN, VK_TAB);
       EXPECT_EQ(a->m_nSelectedHandle, 3);
       s.Key(WM_KEYDOWN, VK_TAB);
       EXPECT_EQ(a->m_nSelectedHandle, 0);
     }},
    {"ArrowsNudgeTheSelectionWithOneUndoStepEach",
     [](CInputScene& s) {
       CTestFigure* f = s.Figure(kBox);
       s.m_document.SelectElement(f);
       s.m_observer.m_events.clear();
       const struct {
         WPARAM key;
         float dx, dy;
       } arrows[] = {{VK_LEFT, -1, 0}, {VK_UP, 0, -1}, {VK_RIGHT, 1, 0}, {VK_DOWN, 0, 1}};
       for (const auto& arrow : arrows) {
         const float x = f->m_handles[1]->cx, y = f->m_handles[1]->cy;
         const int pushes = s.m_document.m_history.m_nPushes;
         s.Key(WM_KEYDOWN, arrow.key);
         EXPECT_EQ(f->m_handles[1]->cx, x + arrow.dx);
         EXPECT_EQ(f->m_handles[1]->cy, y + arrow.dy);
         EXPECT_EQ(s.m_document.m_history.m_nPushes, pushes + 1);
       }
       EXPECT_EQ(s.m_observer.Count("HistoryChanged"), 4);
       f->m_nSelectedHandle = 0;
       s.Key(WM_KEYDOWN, VK_RIGHT);
       EXPECT_EQ(f->m_handles[0]->cx, 101.0f);
       EXPECT_EQ(f->m_handles[1]->cx, 200.0f);
     }},
    {"ArrowsWithoutSelectionPanExceptInFitMode",
     [](CInputScene& s) {
       s.Key(WM_KEYDOWN, VK_RIGHT);
       s.Key(WM_KEYDOWN, VK_DOWN);
       EXPECT_EQ(s.m_document.m_rcBounds.left, 0);
       EXPECT_EQ(s.m_document.m_rcBounds.top, 0);
       s.m_document.SetZoomMode(1, 1.0f);
       s.Key(WM_KEYDOWN, VK_RIGHT);
       s.Key(WM_KEYDOWN, VK_DOWN);
       s.Key(WM_KEYDOWN, VK_DOWN);
       EXPECT_EQ(s.m_document.m_rcBounds.left, 1);
       EXPECT_EQ(s.m_document.m_rcBounds.top, 2);
     }},
    {"DeleteSparesTheRuler",
     [](CInputScene& s) {
       CDTRuler* ruler = s.m_document.m_pRuler;
       ASSERT_NE(ruler, nullptr);
       CTestFigure* f = s.Figure(kBox);
       s.m_document.SelectElement(ruler);
       s.m_observer.m_events.clear();
       s.Key(WM_KEYUP, VK_DELETE);
       EXPECT_EQ(s.m_document.m_children.size(), 2u);
       EXPECT_TRUE(s.Events().empty());
       s.m_document.SelectElement(f);
       s.Key(WM_KEYDOWN, VK_DELETE);  // the release deletes, not the press
       EXPECT_EQ(s.m_document.m_children.size(), 2u);
       s.m_observer.m_events.clear();
       s.Key(WM_KEYUP, VK_DELETE);
       EXPECT_EQ(s.m_document.m_children.size(), 1u);
       EXPECT_EQ(s.Events(), (std::vector<CEvent>{s.Selected(nullptr), {"FigureRemoved", f, 0}}));
     }},
    {"RegionToolTwiceReturnsToSelect",
     [](CInputScene& s) {
       s.m_canvas.SetTool(DRAW_REGION);
       EXPECT_EQ(s.m_canvas.m_hCursor, s.m_canvas.m_hCursorCross);
       s.Press(100, 120);
       s.Move(300, 250, MK_LBUTTON);
       s.Release(300, 250);
       EXPECT_EQ(s.m_document.m_rcRegion.left, 100);
       EXPECT_EQ(s.m_document.m_rcRegion.top, 120);
       EXPECT_EQ(s.m_document.m_rcRegion.right, 300);
       EXPECT_EQ(s.m_document.m_rcRegion.bottom, 250);
       EXPECT_EQ(s.m_canvas.m_region.m_bDragging, 0);
       s.m_canvas.SetTool(DRAW_REGION);
       EXPECT_EQ(s.m_canvas.m_nTool, DRAW_SELECT);
       EXPECT_EQ(s.Events(), (std::vector<CEvent>{{"FigureSelected", nullptr, 0},
                                                  {"RegionChanged", nullptr, 1},
                                                  {"RegionChanged", nullptr, 1},
                                                  {"RegionChanged", nullptr, 0},
                                                  {"ToolReset", nullptr, DRAW_SELECT}}));
     }},
    {"ToolChangeDeletesUnfinishedFigures",
     [](CInputScene& s) {
       CTestFigure* done = s.Figure(kBox);
       CTestFigure* open = s.Figure({300, 300, 350, 350});
       open->m_bComplete = 0;
       s.m_canvas.SetCapturedElement(open);
       s.m_canvas.SetTool(DRAW_PAN);
       EXPECT_EQ(s.m_document.m_children.size(), 2u);
       EXPECT_EQ(s.m_document.m_children.back(), done);
       EXPECT_EQ(s.m_canvas.m_pCaptured, nullptr);
       EXPECT_EQ(s.Events(), (std::vector<CEvent>{s.Selected(nullptr), {"FigureRemoved", open, 0}}));
       EXPECT_EQ(s.m_canvas.m_hCursor, s.m_canvas.m_hCursorSizeAll);
     }},
    {"HoverEntersLeavesAndPicksTheCursor",
     [](CInputScene& s) {
       CTestFigure* f = s.Figure(kBox);
       s.Move(150, 150);
       EXPECT_EQ(s.m_canvas.m_pHovered, f);
       EXPECT_EQ(f->m_bHover, 1);
       EXPECT_EQ(s.m_canvas.m_hCursor, s.m_canvas.m_hCursorSizeAll);
       s.Move(201, 199);  // on the handle at (200, 200)
       EXPECT_EQ(s.m_canvas.m_hCursor, s.m_canvas.m_hCursorCross);
       s.Move(400, 400);
       EXPECT_EQ(s.m_canvas.m_pHovered, nullptr);
       EXPECT_EQ(f->m_bHover, 0);
       EXPECT_EQ(s.m_canvas.m_hCursor, s.m_canvas.m_hCursorArrow);
       EXPECT_EQ(s.m_canvas.m_bMouseCaptured, 1);
       s.m_canvas.SetTool(DRAW_TEXT);
       s.Move(150, 150);  // creation tools do not hover
       EXPECT_EQ(s.m_canvas.m_pHovered, nullptr);
       EXPECT_EQ(s.m_canvas.m_hCursor, s.m_canvas.m_hCursorText);
       EXPECT_EQ(s.m_observer.Count("CursorMoved"), 4);
     }},
    {"LeavingTheViewportReleasesTheMouse",
     [](CInputScene& s) {
       CTestFigure* f = s.Figure(kBox);
       s.Move(100, 100);
       EXPECT_EQ(s.m_canvas.m_bMouseCaptured, 1);
       EXPECT_EQ(::GetCapture(), s.m_canvas.m_hWnd);
       EXPECT_EQ(s.m_canvas.m_pHovered, f);
       s.Move(-3, 100);
       // Releasing the mouse ends the hover through WM_CAPTURECHANGED.
       EXPECT_EQ(s.m_canvas.m_pHovered, nullptr);
       EXPECT_EQ(f->m_bHover, 0);
       EXPECT_EQ(s.m_canvas.m_bMouseCaptured, 0);
       EXPECT_EQ(s.m_canvas.m_cross.m_bInWindow, 0);
       EXPECT_NE(::GetCapture(), s.m_canvas.m_hWnd);
     }},
    {"RightButtonAndCharactersGoToTheCapturedFigure",
     [](CInputScene& s) {
       struct CCounting : CTestFigure {
         int OnRButton(UINT, const POINT*) override { return ++rbuttons; }
         int OnChar(WPARAM c, LPARAM) override {
           chars += static_cast<wchar_t>(c);
           return 0;
         }
         int rbuttons = 0;
         std::wstring chars;
       };
       auto* f = new CCounting;
       RECT r = kBox;
       f->Create(&s.m_canvas, &s.m_document, nullptr, &r);
       s.Mouse(WM_RBUTTONDOWN, MK_RBUTTON, 10, 10);
       ::SendMessageW(s.m_canvas.m_hWnd, WM_CHAR, L'a', 1);
       EXPECT_EQ(f->rbuttons, 0);
       s.m_canvas.SetCapturedElement(f);
       s.Mouse(WM_RBUTTONDOWN, MK_RBUTTON, 10, 10);
       s.Mouse(WM_RBUTTONUP, 0, 10, 10);
       ::SendMessageW(s.m_canvas.m_hWnd, WM_CHAR, L'b', 1);
       EXPECT_EQ(f->rbuttons, 2);
       EXPECT_EQ(f->chars, L"b");
     }},
};

TEST_P(CanvasRouting, Case) {
  CInputScene scene;
  ASSERT_TRUE(scene.Ready());
  ASSERT_FLOAT_EQ(scene.m_document.m_fZoom, 1.0f);
  GetParam().run(scene);
}

INSTANTIATE_TEST_SUITE_P(Table, CanvasRouting, testing::ValuesIn(kRoutingCases),
                         [](const testing::TestParamInfo<CRoutingCase>& info) { return info.param.name; });

// Focus and capture loss end the hover, a label drag and a region drag; the
// figure being edited keeps its capture until its release.
TEST(CanvasInput, LosingFocusOrCaptureEndsTracking) {
  for (UINT message : {WM_KILLFOCUS, WM_CAPTURECHANGED}) {
    SCOPED_TRACE(message);
    CInputScene s;
    ASSERT_TRUE(s.Ready());
    CTestFigure* hovered = s.Figure(kBox);
    CTestFigure* labelled = s.Figure({300, 300, 350, 350});
    CInputScene::PlaceLabel(labelled, 400, 400);
    s.Move(150, 150);
    ASSERT_EQ(s.m_canvas.m_pHovered, hovered);
    s.Press(410, 405);
    ASSERT_EQ(s.m_canvas.m_pDraggedLabel, &labelled->m_label);
    s.m_canvas.m_region.m_bDragging = 1;
    ::SendMessageW(s.m_canvas.m_hWnd, message, 0, 0);
    EXPECT_EQ(s.m_canvas.m_pHovered, nullptr);
    EXPECT_EQ(hovered->m_bHover, 0);
    EXPECT_EQ(s.m_canvas.m_pDraggedLabel, nullptr);
    EXPECT_EQ(s.m_canvas.m_region.m_bDragging, 0);
    EXPECT_EQ(s.m_canvas.m_bMouseCaptured, 0);
    EXPECT_EQ(s.m_canvas.m_cross.m_bInWindow, 0);
    s.Move(500, 450, MK_LBUTTON);
    EXPECT_EQ(labelled->m_label.m_ptPosition.x, 400);
  }
}

// Deleting a figure whose label is being dragged must not leave the canvas
// moving the freed label on the next mouse move.
TEST(CanvasInput, DeletingAFigureEndsTheDragOfItsLabel) {
  const std::function<void(CInputScene&, CTestFigure*)> removals[] = {
      [](CInputScene& s, CTestFigure*) { s.Key(WM_KEYUP, VK_DELETE); },
      [](CInputScene& s, CTestFigure* f) { s.m_document.DeleteFigure(f); },
      [](CInputScene& s, CTestFigure* f) {
        f->m_bComplete = 0;
        s.m_canvas.SetTool(DRAW_PAN);
      },
  };
  int i = 0;
  for (const auto& remove : removals) {
    SCOPED_TRACE(i++);
    CInputScene s;
    ASSERT_TRUE(s.Ready());
    CTestFigure* f = s.Figure(kBox);
    CInputScene::PlaceLabel(f, 300, 300);
    s.Press(310, 305);
    ASSERT_EQ(s.m_canvas.m_pDraggedLabel, &f->m_label);
    ASSERT_EQ(s.m_document.m_pSelected, f);
    remove(s, f);
    ASSERT_EQ(s.m_document.m_children.size(), 1u);
    EXPECT_EQ(s.m_canvas.m_pDraggedLabel, nullptr);
    s.Move(330, 330, MK_LBUTTON);
    s.Release(330, 330);
  }
}

// ---- Figure creation for a tool ------------------------------------------------

// Stands in for the figure classes: two handles at the press point.
class CStandIn : public CTestFigure {
 public:
  explicit CStandIn(POINT p) {
    m_bComplete = 0;
    AddHandle(static_cast<float>(p.x), static_cast<float>(p.y));
    AddHandle(static_cast<float>(p.x), static_cast<float>(p.y));
  }
  std::wstring m_source;
};

class CStandInClipart : public CDTClipart {
 public:
  explicit CStandInClipart(POINT) {}
  int CreateDeviceObjects() override { return 0; }  // no picture to load
};

CDTDraw* MakeStandIn(POINT p, const wchar_t* source) {
  auto* figure = new CStandIn(p);
  if (source) figure->m_source = source;
  return figure;
}
CDTDraw* MakeStandInClipart(POINT p, const wchar_t*) { return new CStandInClipart(p); }

// Puts stand-in constructors into every row for one scope.
class CStandInTypes {
 public:
  CStandInTypes() {
    for (int type = DRAW_LINE; type <= DRAW_TEXT; ++type) {
      FigureType* row = EditFigureType(type);
      m_saved.push_back(*row);
      row->createAt = type == DRAW_CLIPART ? MakeStandInClipart : MakeStandIn;
    }
  }
  ~CStandInTypes() {
    for (const FigureType& row : m_saved) *EditFigureType(row.type) = row;
  }

 private:
  std::vector<FigureType> m_saved;
};

TEST(FigureCreation, TableRowsNameAndCaptureEachType) {
  struct Expected {
    int tool;
    const wchar_t* name;
    int handle;
  };
  const Expected expected[] = {
      {DRAW_LINE, L"#1 length", 2},        {DRAW_ANGLE, L"#1 angle", 1},
      {DRAW_POINT_LINE, L"distance 1", 1}, {DRAW_DISTANCE, L"#1 distance", 1},
      {DRAW_CURVE, L"#1 curve", 1},        {DRAW_CIRCLE, L"#1 circle", 1},
      {DRAW_ELLIPSE, L"#1 ellipse", 2},    {DRAW_RECTANGLE, L"#1 rectangle", 2},
      {DRAW_POLYGON, L"#1 polygon", 1},    {DRAW_CURVE_POLYGON, L"#1 curve polygon", 1},
      {DRAW_CLIPART, L"#1 clipart", -1},   {DRAW_TEXT, L"#1 text", -1},
  };
  CStandInTypes standIns;
  CInputScene s;
  ASSERT_TRUE(s.Ready());
  s.m_canvas.SetClipartFile(L"C:\\pictures\\arrow.png");
  s.m_canvas.SetText(L"note");
  s.m_canvas.SetPenWeight(3, nullptr);
  s.m_canvas.SetLineColor(0xFF00FF00, nullptr);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.tool);
    s.m_canvas.SetTool(e.tool);
    s.m_observer.m_events.clear();
    s.Press(120, 130);
    ASSERT_EQ(s.m_document.m_children.size(), 2u);
    auto* figure = static_cast<CDTDraw*>(s.m_document.m_children.back());
    EXPECT_STREQ(figure->m_pszName, e.name);
    EXPECT_EQ(figure->m_nType, e.tool);
    EXPECT_EQ(figure->m_nNumber, 1);
    EXPECT_EQ(figure->m_nPenWeight, 3);
    EXPECT_EQ(figure->m_clrLine, e.tool == DRAW_CLIPART ? s.m_canvas.m_clrClipart : 0xFF00FF00u);
    EXPECT_EQ(figure->m_rcBounds.left, 120);
    EXPECT_EQ(figure->m_rcBounds.top, 130);
    EXPECT_FALSE(IsEqualGUID(figure->m_guid, GUID{}));
    const bool oneClick = e.tool == DRAW_CLIPART || e.tool == DRAW_TEXT;
    EXPECT_EQ(figure->m_nSelectedHandle, e.handle);
    EXPECT_EQ(s.m_canvas.m_pCaptured, e.tool == DRAW_CLIPART ? nullptr : figure);
    std::vector<CEvent> events{{"FigureAdded", figure, 0}, s.Selected(figure)};
    if (oneClick) {
      events.push_back({"ToolReset", nullptr, DRAW_SELECT});
      events.push_back({"HistoryChanged", &s.m_document, 0});
    }
    EXPECT_EQ(s.Events(), events);
    EXPECT_EQ(figure->m_bComplete, oneClick ? 1 : 0);
    EXPECT_EQ(s.m_canvas.m_nTool, oneClick ? DRAW_SELECT : e.tool);
    if (e.tool == DRAW_TEXT) {
      EXPECT_EQ(static_cast<CStandIn*>(figure)->m_source, L"note");
    }
    // The next round numbers from 1 again.
    s.m_canvas.ReleaseCapturedElement();
    s.m_document.DeleteFigure(figure);
  }
}

TEST(FigureCreation, PrefixesNumbersAndTheFourPointAngle) {
  CStandInTypes standIns;
  CInputScene s;
  ASSERT_TRUE(s.Ready());
  s.Figure(kBox)->m_nNumber = 1;
  s.Figure(kBox)->m_nNumber = 2;
  s.m_canvas.SetTool(DRAW_POINT_LINE);
  s.Press(300, 300);
  EXPECT_STREQ(s.m_document.m_children.back()->m_pszName, L"distance 3");
  s.m_canvas.ReleaseCapturedElement();
  s.m_canvas.SetAutoNamePrefix(DRAW_POINT_LINE, L"gap");
  s.Press(310, 300);
  EXPECT_STREQ(s.m_document.m_children.back()->m_pszName, L"#4 gap");
  s.m_canvas.ReleaseCapturedElement();

  s.m_canvas.SetAngle4Pts(TRUE);
  s.m_canvas.SetTool(DRAW_ANGLE);  // drops the two unfinished figures
  ASSERT_EQ(s.m_document.m_children.size(), 3u);
  s.Press(320, 300);
  auto* angle = static_cast<CDTDraw*>(s.m_document.m_children.back());
  EXPECT_EQ(angle->m_nType, DRAW_ANGLE_PT4);
  EXPECT_STREQ(angle->m_pszName, L"#3 angle");
  s.m_canvas.ReleaseCapturedElement();
  s.m_canvas.SetAutoNamePrefix(DRAW_ANGLE, L"corner");
  s.Press(330, 300);
  EXPECT_STREQ(s.m_document.m_children.back()->m_pszName, L"#4 corner");
}

TEST(FigureCreation, AtTheCentreOfTheCanvas) {
  CStandInTypes standIns;
  CInputScene s;
  ASSERT_TRUE(s.Ready());
  s.m_canvas.SetTool(DRAW_RECTANGLE);
  EXPECT_EQ(s.m_canvas.AddFigureAtCenter(), 1);
  ASSERT_EQ(s.m_document.m_children.size(), 2u);
  EXPECT_EQ(s.m_document.m_children.back()->m_rcBounds.left, 320);
  EXPECT_EQ(s.m_document.m_children.back()->m_rcBounds.top, 240);
}

// Without its class, without a clip-art file or text, or with a tool that
// makes no figure, nothing is created and the tool returns to select.
TEST(FigureCreation, NothingToCreateReturnsToSelect) {
  struct Case {
    int tool;
    bool standIns;
  };
  const Case cases[] = {{DRAW_CIRCLE, false}, {DRAW_TEXT, false}, {DRAW_CLIPART, false},
                        {DRAW_CLIPART, true}, {DRAW_TEXT, true},  {DRAW_ANGLE_PT4, true}};
  CInputScene s;
  ASSERT_TRUE(s.Ready());
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tool << (c.standIns ? " with stand-ins" : ""));
    std::unique_ptr<CStandInTypes> standIns(c.standIns ? new CStandInTypes : nullptr);
    // A type whose class is missing: its row has no constructor.
    FigureType* row = !c.standIns && c.tool == DRAW_CIRCLE ? EditFigureType(c.tool) : nullptr;
    const FigureType saved = row ? *row : FigureType{};
    if (row) row->createAt = nullptr;
    s.m_canvas.SetTool(c.tool);
    s.m_observer.m_events.clear();
    s.Press(100, 100);
    EXPECT_EQ(s.m_document.m_children.size(), 1u);
    EXPECT_EQ(s.m_canvas.m_nTool, DRAW_SELECT);
    EXPECT_EQ(s.Events(), (std::vector<CEvent>{{"FigureAdded", nullptr, 0}, {"ToolReset", nullptr, DRAW_SELECT}}));
    s.m_canvas.SetTool(c.tool);
    EXPECT_EQ(s.m_canvas.AddFigureAtCenter(), 0);
    if (row) *row = saved;
  }
}

}  // namespace
