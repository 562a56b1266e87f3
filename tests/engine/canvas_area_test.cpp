// A figure being dragged redraws and presents only the part of the window it
// covers; the rest of the back buffer keeps the frame before. Each such frame
// must equal the whole frame drawn from the same state, and anything that
// changed outside the part must bring a whole frame.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Label.h"
#include "engine/figures/Line.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

void IgnoreFontMessage(const wchar_t*) {}

struct CAreaScene {
  CAreaScene() : previous(SetFontMessageFunction(IgnoreFontMessage)) {
    if (!scene.Ready()) return;
    scene.m_canvas.m_strFontFace = L"Liberation Sans";
    scene.Show(Noise(640, 480, 5));
  }
  ~CAreaScene() { SetFontMessageFunction(previous); }

  CDTLine* AddLine(std::vector<PointF> vertices, int penWeight) {
    auto* line = new CDTLine();
    line->m_vertices = std::move(vertices);
    line->m_nPenWeight = penWeight;
    line->m_clrLine = 0xC0FFE000;
    line->m_guid.Data1 = ++m_nGuids;
    line->AttachToDocument(&scene.m_document);
    RECT none{};
    if (FAILED(line->Create(&scene.m_canvas, &scene.m_document, L"line", &none))) return nullptr;
    return line;
  }

  // One move of the drag, with the frame it presents read back.
  CReadBack Move(CDTLine* line, POINT to) {
    scene.m_canvas.m_bCapture = true;
    line->OnMouseMove(MK_LBUTTON, &to);
    scene.m_canvas.m_bCapture = false;
    return std::move(scene.m_canvas.m_frame);
  }

  FontMessageFunction previous;
  CCanvasScene scene;
  unsigned long m_nGuids = 0;
};

// The first differing pixel, for the failure message.
std::string FirstDifference(const CReadBack& a, const CReadBack& b) {
  if (a.width != b.width || a.height != b.height) return "sizes differ";
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      if (a.At(x, y) != b.At(x, y)) {
        char text[96];
        std::snprintf(text, sizeof text, "(%d, %d): %06X against %06X", x, y, a.At(x, y), b.At(x, y));
        return text;
      }
  return "";
}

}  // namespace

TEST(CanvasArea, DraggedFiguresRedrawTheirPartAsTheWholeFrameWould) {
  struct Case {
    const char* name;
    int penWeight;
    bool wholeFigure;  // else the vertex at handle 2
    bool selected;     // handles shown
    bool zigzag;       // a long polyline, dragged at its middle vertex
  };
  const Case cases[] = {
      {"thick vertex, selected", 8, false, true, false},
      {"thin vertex, selected", 1, false, true, false},
      {"thick whole figure, not selected", 6, true, false, false},
      {"thin whole figure, selected", 1, true, true, false},
      {"long thick polyline's vertex", 8, false, true, true},
      {"long thin polyline's vertex", 1, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CAreaScene s;
    ASSERT_TRUE(s.scene.Ready());
    // Neighbours under and over the dragged line, their labels in its way.
    ASSERT_TRUE(s.AddLine({{60, 200}, {560, 260}}, 4));
    std::vector<PointF> vertices{{100, 100}, {250, 180}, {400, 120}, {420, 330}};
    if (c.zigzag) {
      vertices.clear();
      for (int i = 0; i < 41; ++i) vertices.push_back({40.0f + 14.0f * i, i % 2 ? 150.0f : 250.0f + 2.0f * i});
    }
    CDTLine* line = s.AddLine(vertices, c.penWeight);
    ASSERT_TRUE(line);
    const size_t dragged = c.zigzag ? 40 : 2;  // handles alternate with midpoints
    ASSERT_TRUE(s.AddLine({{300, 60}, {330, 420}}, 3));
    if (c.selected) s.scene.m_document.SelectElement(line);
    s.scene.Read();  // the whole frame the drag starts from
    const int before = s.scene.m_canvas.m_nAreaPresents;

    const POINT press = c.wholeFigure ? POINT{175, 140}
                                      : POINT{static_cast<LONG>(line->m_handles[dragged]->cx),
                                              static_cast<LONG>(line->m_handles[dragged]->cy)};
    line->OnLButtonDown(MK_LBUTTON, &press);
    // Moves short and long, back over the old place and partly out of the window.
    const POINT moves[] = {{press.x + 3, press.y + 2},    {press.x + 40, press.y + 90},  {press.x - 30, press.y + 60},
                           {press.x + 1, press.y + 1},    {press.x + 500, press.y - 90}, {press.x + 120, press.y + 5},
                           {press.x - 140, press.y + 200}};
    for (const POINT& to : moves) {
      const CReadBack part = s.Move(line, to);
      const CReadBack whole = s.scene.Read();
      ASSERT_EQ(part.pixels.size(), whole.pixels.size());
      ASSERT_TRUE(part.pixels == whole.pixels)
          << "move to " << to.x << ", " << to.y << ": " << FirstDifference(part, whole);
    }
    // The frames of the moves were partial ones.
    EXPECT_EQ(s.scene.m_canvas.m_nAreaPresents - before, static_cast<int>(std::size(moves)));
    line->OnLButtonUp(0, &moves[0]);
  }
}

TEST(CanvasArea, WhatChangedOutsideTheFigureBringsAWholeFrame) {
  struct Case {
    const char* name;
    void (*change)(CAreaScene& s);
  };
  const Case cases[] = {
      {"the picture zoomed without a repaint",
       [](CAreaScene& s) {
         s.scene.m_document.m_nZoomMode = 2;
         s.scene.m_document.m_fZoom = 1.25f;
         s.scene.m_document.ApplyZoom(TRUE);
       }},
      {"the picture written in place by another thread's lock",
       [](CAreaScene& s) {
         D3DLOCKED_RECT locked;
         ASSERT_TRUE(s.scene.m_document.LockFrame(&locked));
         for (int y = 0; y < 480; ++y) std::memset(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, 0x40, 640 * 4);
         s.scene.m_document.UnlockFrame();
       }},
      {"the magnifier following the mouse", [](CAreaScene& s) { s.scene.m_canvas.ShowMagnifier(TRUE); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CAreaScene s;
    ASSERT_TRUE(s.scene.Ready());
    CDTLine* line = s.AddLine({{100, 100}, {300, 200}}, 4);
    ASSERT_TRUE(line);
    s.scene.Read();
    const POINT press{static_cast<LONG>(line->m_handles[2]->cx), static_cast<LONG>(line->m_handles[2]->cy)};
    line->OnLButtonDown(MK_LBUTTON, &press);
    s.Move(line, {press.x + 5, press.y + 5});
    const int before = s.scene.m_canvas.m_nAreaPresents;
    c.change(s);
    const CReadBack moved = s.Move(line, {press.x + 9, press.y + 12});
    EXPECT_EQ(s.scene.m_canvas.m_nAreaPresents, before);
    const CReadBack whole = s.scene.Read();
    EXPECT_TRUE(moved.pixels == whole.pixels) << FirstDifference(moved, whole);
    line->OnLButtonUp(0, &press);
  }
}

TEST(CanvasArea, UndoAndRedoRedrawWhatTheyChangedAsTheWholeFrameWould) {
  struct Case {
    const char* name;
    void (*edit)(CAreaScene& s, CDTLine* line);
    bool select;
  };
  const Case cases[] = {
      {"a moved vertex",
       [](CAreaScene& s, CDTLine* line) {
         line->SetVertexPixel(2, 330.0f, 260.0f);
         s.scene.m_document.PushHistory();
       },
       false},
      {"a moved vertex of the selected line",
       [](CAreaScene& s, CDTLine* line) {
         line->SetVertexPixel(0, 40.0f, 400.0f);
         s.scene.m_document.PushHistory();
       },
       true},
      // The deletion records its own step.
      {"a deleted line", [](CAreaScene& s, CDTLine* line) { s.scene.m_document.DeleteFigure(line); }, false},
      {"an added line",
       [](CAreaScene& s, CDTLine*) {
         s.AddLine({{500, 50}, {600, 300}}, 5);
         s.scene.m_document.PushHistory();
       },
       false},
      {"a new pen weight",
       [](CAreaScene& s, CDTLine* line) {
         line->SetPenWeight(12, TRUE);
         s.scene.m_document.PushHistory();
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CAreaScene s;
    ASSERT_TRUE(s.scene.Ready());
    ASSERT_TRUE(s.AddLine({{60, 200}, {560, 260}}, 4));
    CDTLine* line = s.AddLine({{100, 100}, {250, 180}, {400, 120}}, 6);
    ASSERT_TRUE(line);
    if (c.select) s.scene.m_document.SelectElement(line);
    s.scene.m_document.m_history.SetBase(&s.scene.m_document);
    c.edit(s, line);
    s.scene.Read();
    for (const bool undo : {true, false, true}) {
      const int before = s.scene.m_canvas.m_nAreaPresents;
      s.scene.m_canvas.m_bCapture = true;
      if (undo)
        s.scene.m_document.Undo();
      else
        s.scene.m_document.Redo();
      s.scene.m_canvas.m_bCapture = false;
      const CReadBack part = std::move(s.scene.m_canvas.m_frame);
      EXPECT_EQ(s.scene.m_canvas.m_nAreaPresents, before + 1) << (undo ? "undo" : "redo");
      const CReadBack whole = s.scene.Read();
      ASSERT_TRUE(part.pixels == whole.pixels) << (undo ? "undo: " : "redo: ") << FirstDifference(part, whole);
    }
  }
}
