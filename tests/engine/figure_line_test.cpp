#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Label.h"
#include "engine/figures/Line.h"
#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

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

void IgnoreFontMessage(const wchar_t*) {}

// A canvas whose labels use a face that exists, on a 640 x 480 picture at zoom 1.
struct CLineScene {
  CLineScene() : previous(SetFontMessageFunction(IgnoreFontMessage)) {
    if (!scene.Ready()) return;
    scene.m_canvas.m_strFontFace = L"Liberation Sans";
    scene.Show(Noise(640, 480, 21));
    scene.m_canvas.SetTool(DRAW_LINE);
    scene.m_observer.m_events.clear();
  }
  ~CLineScene() { SetFontMessageFunction(previous); }

  // As figure creation makes a line at a press: end handle selected and captured.
  CDTLine* Begin(POINT press, int penWeight = 1) {
    auto* line = new CDTLine(press);
    line->m_nPenWeight = penWeight;
    RECT rc{press.x, press.y, press.x, press.y};
    if (FAILED(line->Create(&scene.m_canvas, &scene.m_document, L"#1 length", &rc))) return nullptr;
    line->m_nSelectedHandle = 2;
    scene.m_canvas.SetCapturedElement(line);
    return line;
  }
  // A complete line drawn from a to b.
  CDTLine* Draw(POINT a, POINT b, int penWeight = 1) {
    CDTLine* line = Begin(a, penWeight);
    if (!line) return nullptr;
    line->OnMouseMove(0, &b);
    line->OnLButtonUp(0, &b);
    return line;
  }

  FontMessageFunction previous;
  CCanvasScene scene;
};

std::wstring Text(const CDTLine* line) { return line->m_szValue; }

}  // namespace

TEST(FigureLine, DrawnLineHasStartMidpointAndEndAndMeasuresItsLength) {
  CLineScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLine* line = s.Begin({100, 100});
  ASSERT_NE(line, nullptr);
  ASSERT_EQ(line->m_handles.size(), 3u);
  EXPECT_EQ(line->m_handles[0]->marked, 0);
  EXPECT_EQ(line->m_handles[1]->marked, 1);
  EXPECT_EQ(line->m_handles[1]->square[0].color, 0xFF00FF00u);
  EXPECT_EQ(line->m_handles[2]->marked, 0);
  EXPECT_EQ(line->m_bComplete, 0);

  POINT end{400, 300};
  line->OnMouseMove(0, &end);
  EXPECT_EQ(line->m_handles[2]->cx, 400.0f);
  EXPECT_EQ(line->m_handles[1]->cx, 250.0f);  // the midpoint follows
  EXPECT_EQ(line->m_handles[1]->cy, 200.0f);
  line->OnLButtonUp(0, &end);
  EXPECT_EQ(line->m_bComplete, 1);
  EXPECT_EQ(s.scene.m_canvas.m_nTool, DRAW_SELECT);
  EXPECT_EQ(s.scene.m_canvas.m_pCaptured, nullptr);
  ASSERT_EQ(line->m_vertices.size(), 2u);
  EXPECT_EQ(line->m_vertices[1].x, 400.0f);
  EXPECT_NEAR(line->m_dLength, std::hypot(300.0, 200.0), 1e-9);
  EXPECT_EQ(Text(line), L"360.555 cm");
  EXPECT_STREQ(line->m_label.m_szText, L"360.555 cm");
  EXPECT_EQ(s.scene.m_observer.Count("HistoryChanged"), 1);
  // Centred below the line.
  const CDTLabel& label = line->m_label;
  ASSERT_GT(label.m_nTextWidth, 0);
  EXPECT_EQ(label.m_ptPosition.x, (100 + 400 - label.m_nTextWidth) / 2);
  EXPECT_EQ(label.m_ptPosition.y, 300 + label.m_nTextHeight / 2);

  wchar_t buffer[64] = L"unchanged";
  line->FormatValue(buffer, 64);
  EXPECT_STREQ(buffer, L"360.555 cm");
  // Magnification 0 is left out: picture pixels times the scale.
  s.scene.m_document.ReferenceScale = 0.5;
  s.scene.m_document.MultiPower = 0.0;
  line->Measure();
  EXPECT_EQ(Text(line), L"180.278 cm");
}

TEST(FigureLine, AClickOnTheStartKeepsDrawingUntilTheNextPress) {
  CLineScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLine* line = s.Begin({100, 100});
  ASSERT_NE(line, nullptr);
  struct Case {
    POINT release;
    bool click;
  } cases[] = {{{100, 100}, true}, {{110, 90}, true}, {{90, 110}, true}, {{111, 100}, false}, {{100, 89}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.release.x << "," << c.release.y);
    line->m_bComplete = 0;
    line->m_nSelectedHandle = 2;
    s.scene.m_canvas.SetCapturedElement(line);
    s.scene.m_observer.m_events.clear();
    line->OnLButtonUp(0, &c.release);
    EXPECT_EQ(line->m_bComplete, c.click ? 0 : 1);
    EXPECT_EQ(s.scene.m_canvas.m_pCaptured, c.click ? line : nullptr);
    EXPECT_EQ(s.scene.m_observer.Count("HistoryChanged"), c.click ? 0 : 1);
  }
  // After a click the end follows the mouse; the next press ends creation.
  s.scene.m_canvas.SetTool(DRAW_LINE);  // before the line is incomplete: a tool change drops such lines
  line->m_bComplete = 0;
  line->m_nSelectedHandle = 2;
  s.scene.m_canvas.SetCapturedElement(line);
  POINT click{104, 102}, follow{300, 100};
  line->OnLButtonUp(0, &click);
  line->OnMouseMove(0, &follow);
  EXPECT_EQ(line->m_handles[2]->cx, 300.0f);
  EXPECT_EQ(Text(line), L"200.000 cm");
  line->OnLButtonDown(0, &follow);
  EXPECT_EQ(line->m_bComplete, 1);
  EXPECT_EQ(s.scene.m_canvas.m_nTool, DRAW_SELECT);
  line->OnLButtonUp(0, &follow);
  EXPECT_EQ(line->m_handles[2]->cx, 300.0f);
  EXPECT_EQ(s.scene.m_canvas.m_pCaptured, nullptr);
}

TEST(FigureLine, DraggingAMidpointSplitsTheSegment) {
  CLineScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLine* line = s.Draw({100, 100}, {400, 300});
  ASSERT_NE(line, nullptr);
  s.scene.m_observer.m_events.clear();
  POINT press{251, 199}, move{200, 150}, release{251, 99};
  line->OnLButtonDown(0, &press);
  ASSERT_EQ(line->m_nSelectedHandle, 1);
  line->OnMouseMove(0, &move);
  EXPECT_EQ(line->m_handles.size(), 3u);
  EXPECT_EQ(Text(line), L"360.555 cm");     // the unsplit line's value during the drag
  EXPECT_EQ(line->m_outline[1].x, 199.0f);  // yet drawn bent
  line->OnLButtonUp(0, &release);
  ASSERT_EQ(line->m_handles.size(), 5u);
  const int marked[5] = {0, 1, 0, 1, 0};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(line->m_handles[i]->marked, marked[i]) << i;
  EXPECT_EQ(line->m_handles[2]->cx, 250.0f);
  EXPECT_EQ(line->m_handles[2]->cy, 100.0f);
  EXPECT_EQ(line->m_handles[1]->cx, 175.0f);
  EXPECT_EQ(line->m_handles[3]->cy, 200.0f);
  EXPECT_EQ(line->m_nSelectedHandle, -1);
  ASSERT_EQ(line->m_vertices.size(), 3u);
  EXPECT_EQ(line->m_vertices[1].x, 250.0f);
  EXPECT_EQ(line->m_vertices[2].x, 400.0f);
  EXPECT_EQ(Text(line), L"400.000 cm");  // 150 + 250
  EXPECT_EQ(s.scene.m_observer.Count("HistoryChanged"), 1);

  // Dragging a vertex only moves it, and its midpoints with it.
  POINT vertex{250, 100}, there{250, 60};
  line->OnLButtonDown(0, &vertex);
  ASSERT_EQ(line->m_nSelectedHandle, 2);
  line->OnLButtonUp(0, &there);
  EXPECT_EQ(line->m_handles.size(), 5u);
  EXPECT_EQ(line->m_handles[1]->cy, 80.0f);
  EXPECT_NEAR(line->m_dLength, std::hypot(150.0, 40.0) + std::hypot(150.0, 240.0), 1e-4);
}

TEST(FigureLine, ShiftKeepsASegmentLevelWithTheNeighbourVertex) {
  CLineScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLine* line = s.Draw({100, 100}, {400, 300});
  ASSERT_NE(line, nullptr);
  CShiftKey shift(true);
  POINT press{400, 300}, move{380, 130};
  s.scene.m_canvas.m_bLButtonDown = 1;
  line->OnLButtonDown(0, &press);
  line->OnMouseMove(0, &move);
  EXPECT_EQ(line->m_handles[2]->cx, 380.0f);
  EXPECT_EQ(line->m_handles[2]->cy, 100.0f);  // level with vertex 0, two handles away
  line->OnLButtonUp(0, &move);
  s.scene.m_canvas.m_bLButtonDown = 0;
  EXPECT_EQ(Text(line), L"280.000 cm");
}

TEST(FigureLine, GeometryFollowsThePenWeightNotTheCap) {
  CLineScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLine* line = s.Draw({100, 100}, {400, 300});
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->m_nVertexCount, 3);  // a strip through every handle
  EXPECT_EQ(line->m_nTriangles, 0);
  EXPECT_NE(line->m_pVertexBuffer, nullptr);
  line->SetPenWeight(6, FALSE);
  EXPECT_GE(line->m_nTriangles, 2);
  EXPECT_EQ(line->m_nVertexCount, 3 * line->m_nTriangles);
  ASSERT_EQ(line->m_outline.size(), static_cast<size_t>(line->m_nVertexCount));
  const std::vector<PointF> before = line->m_outline;
  line->SetLineCap(2, FALSE);
  ASSERT_EQ(line->m_outline.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(line->m_outline[i].x, before[i].x);
    EXPECT_EQ(line->m_outline[i].y, before[i].y);
  }
  // A pan shifts the outline without rebuilding it; a zoom puts the handles back on the vertices.
  line->Reposition(10.0f, -5.0f, FALSE);
  EXPECT_EQ(line->m_handles[1]->cx, 260.0f);
  EXPECT_EQ(line->m_outline[0].x, before[0].x + 10.0f);
  EXPECT_EQ(line->m_outline[0].y, before[0].y - 5.0f);
  s.scene.m_document.SetZoomMode(2, 2.0f);
  float sx, sy;
  line->PixelToScreen(400.0f, 300.0f, &sx, &sy);
  EXPECT_EQ(line->m_handles[2]->cx, sx);
  EXPECT_EQ(line->m_handles[2]->cy, sy);
  EXPECT_EQ(Text(line), L"360.555 cm");
}

TEST(FigureLine, SetVerticesChangesOnlyWhatDiffers) {
  CLineScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLine* line = s.Draw({100, 100}, {400, 300});
  ASSERT_NE(line, nullptr);
  const FigureHandle* first = line->m_handles[0].get();
  line->SetVertices({{100.0f, 100.0f}, {400.0f, 300.0f}});
  EXPECT_EQ(line->m_handles[0].get(), first);  // same points: nothing rebuilt
  line->SetVertices({{10.0f, 10.0f}});         // too few
  EXPECT_EQ(line->m_handles[0].get(), first);
  line->SetVertices({{0.0f, 0.0f}, {30.0f, 40.0f}, {30.0f, 100.0f}});
  ASSERT_EQ(line->m_handles.size(), 5u);
  EXPECT_EQ(line->m_handles[3]->marked, 1);
  EXPECT_EQ(line->m_handles[3]->cy, 70.0f);
  EXPECT_EQ(Text(line), L"110.000 cm");
  // A line not yet complete takes nothing.
  line->m_bComplete = 0;
  line->SetVertices({{0.0f, 0.0f}, {1.0f, 1.0f}});
  EXPECT_EQ(line->m_handles.size(), 5u);

  // The figure store's way: stored vertices, then handles built and midpoints inserted.
  auto* stored = new CDTLine();
  stored->m_vertices = {{0.0f, 0.0f}, {60.0f, 80.0f}};
  stored->AttachToDocument(&s.scene.m_document);
  EXPECT_EQ(stored->m_bComplete, 1);
  RECT rc{0, 0, 60, 80};
  ASSERT_TRUE(SUCCEEDED(stored->Create(&s.scene.m_canvas, &s.scene.m_document, L"#2 length", &rc)));
  EXPECT_EQ(stored->m_handles.size(), 3u);
  EXPECT_EQ(Text(stored), L"100.000 cm");
}

// Writes a frame of a thick polyline for the Python check, which compares the
// drawn pixels with a butt-capped, mitre-joined buffer of the same polyline.
TEST(FigureLine, WritesAThickPolylineForTheOutlineComparison) {
  CLineScene s;
  ASSERT_TRUE(s.scene.Ready());
  s.scene.m_canvas.m_clrBackground = 0xFF000000;
  // Only the line: no picture, no ruler.
  s.scene.m_document.m_pFrame.Release();
  s.scene.m_document.m_pRuler->m_bVisible = 0;
  auto* line = new CDTLine();
  line->m_vertices = {{100.5f, 100.0f}, {400.0f, 300.25f}, {520.0f, 120.0f}, {600.0f, 130.0f}};
  line->m_nPenWeight = 8;
  line->m_clrLine = 0xFFFF0000;
  line->m_bShowResult = 0;
  line->AttachToDocument(&s.scene.m_document);
  RECT rc{};
  ASSERT_TRUE(SUCCEEDED(line->Create(&s.scene.m_canvas, &s.scene.m_document, L"thick", &rc)));
  ASSERT_GT(line->m_nTriangles, 0);
  const CReadBack frame = s.scene.Read();
  ASSERT_EQ(frame.width, 640);
  std::vector<unsigned char> red(frame.pixels.size());
  for (size_t i = 0; i < red.size(); ++i) red[i] = static_cast<unsigned char>(frame.pixels[i] >> 16);
  std::ofstream("line_frame.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(red.data()), std::streamsize(red.size()));
  FILE* info = std::fopen("line_case.txt", "w");
  ASSERT_NE(info, nullptr);
  std::fprintf(info, "%d %d %d", frame.width, frame.height, line->m_nPenWeight);
  for (const PointF& v : line->m_vertices) std::fprintf(info, " %.6f %.6f", v.x, v.y);
  std::fprintf(info, "\n");
  std::fclose(info);
}

TEST(FigureLine, SavedProjectGivesTheSameLineBack) {
  CLineScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLine* line = s.Draw({100, 100}, {400, 300}, 4);
  ASSERT_NE(line, nullptr);
  const std::wstring value = Text(line);
  const std::vector<PointF> vertices = line->m_vertices;
  ASSERT_TRUE(s.scene.m_document.SaveFile(L"line_round_trip.prj"));
  ASSERT_TRUE(s.scene.m_document.LoadFile(L"line_round_trip.prj"));

  const CDTLine* loaded = nullptr;
  for (const CDTDraw* figure : s.scene.m_document.StoredFigures())
    if (figure->m_nType == DRAW_LINE) loaded = dynamic_cast<const CDTLine*>(figure);
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(loaded->m_vertices.size(), vertices.size());
  for (size_t i = 0; i < vertices.size(); ++i) {
    EXPECT_FLOAT_EQ(loaded->m_vertices[i].x, vertices[i].x);
    EXPECT_FLOAT_EQ(loaded->m_vertices[i].y, vertices[i].y);
  }
  EXPECT_EQ(loaded->m_nPenWeight, 4);
  EXPECT_EQ(std::wstring(loaded->m_szValue), value);
}
