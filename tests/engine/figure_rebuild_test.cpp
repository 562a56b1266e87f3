// Figures keep their vertex buffers and recycle their paths between geometry
// rebuilds. After drags that grow and shrink the drawn outline, a zoom there
// and back and an undo, a figure must draw exactly what a figure built afresh
// from the same vertices draws.

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "engine/Image.h"
#include "engine/figures/ClickedOutline.h"
#include "engine/geometry/Bspline.h"
#include "tests/engine/shape_scene.h"

using namespace shape_test;

namespace {

struct RebuildCase {
  const char* name;
  int type;
  int pen;
  BOOL solid;
  std::vector<PointF> vertices;
  // Drags of point handles: handle index, picture pixels; big and small in turn.
  std::vector<std::pair<int, PointF>> drags;
};

int Differing(const canvas_test::CReadBack& a, const canvas_test::CReadBack& b) {
  if (a.pixels.size() != b.pixels.size()) return -1;
  int n = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
  return n;
}

int Lit(const canvas_test::CReadBack& frame) {
  int n = 0;
  for (uint32_t p : frame.pixels) n += (p & 0x00FF0000u) != 0;
  return n;
}

}  // namespace

TEST(FigureRebuild, EditedFigureDrawsAsAFreshOne) {
  const std::vector<PointF> box{{150, 120}, {400, 120}, {400, 320}, {150, 320}};
  const std::vector<PointF> wave{{80, 300}, {200, 100}, {330, 380}, {450, 150}, {580, 260}};
  const std::vector<PointF> loop{{200, 100}, {450, 130}, {480, 380}, {180, 360}};
  // The curve's handles alternate point and midpoint: 0, 2, 4 ... are points.
  const std::vector<RebuildCase> cases{
      {"curve_pen5", DRAW_CURVE, 5, FALSE, wave, {{2, {220, 460}}, {4, {330, 330}}, {2, {20, 20}}, {8, {600, 20}}}},
      {"curve_thin", DRAW_CURVE, 1, FALSE, wave, {{2, {220, 460}}, {2, {200, 110}}}},
      {"circle_pen5", DRAW_CIRCLE, 5, FALSE, {{200, 240}, {320, 120}, {440, 240}}, {{1, {320, 20}}, {1, {320, 200}}}},
      {"circle_solid", DRAW_CIRCLE, 1, TRUE, {{200, 240}, {320, 120}, {440, 240}}, {{1, {320, 20}}, {1, {320, 200}}}},
      {"ellipse_pen5", DRAW_ELLIPSE, 5, FALSE, box, {{2, {620, 470}}, {2, {170, 130}}}},
      {"curvepolygon_pen5", DRAW_CURVE_POLYGON, 5, FALSE, loop, {{1, {630, 20}}, {3, {190, 120}}, {1, {210, 110}}}},
      {"curvepolygon_solid", DRAW_CURVE_POLYGON, 1, TRUE, loop, {{2, {620, 470}}, {2, {210, 120}}}},
      {"polygon_pen5", DRAW_POLYGON, 5, FALSE, wave, {{0, {10, 10}}, {3, {200, 300}}}},
      {"polygon_solid", DRAW_POLYGON, 1, TRUE, wave, {{2, {330, 470}}, {2, {330, 200}}}},
      {"rect_pen5", DRAW_RECTANGLE, 5, FALSE, box, {{2, {620, 470}}, {2, {160, 130}}}},
      {"rect_solid", DRAW_RECTANGLE, 1, TRUE, box, {{2, {620, 470}}, {2, {160, 130}}}},
  };
  for (const RebuildCase& c : cases) {
    SCOPED_TRACE(c.name);
    CShapeScene s;
    ASSERT_TRUE(s.Ready());
    s.Bare();
    CDTDraw* edited = s.Stored(c.type, c.vertices, c.pen, c.solid);
    ASSERT_NE(edited, nullptr);
    s.Doc().PushHistory();
    for (const auto& [handle, to] : c.drags) {
      edited->SetVertexPixel(handle, to.x, to.y);
      s.Doc().PushHistory();
    }
    s.Doc().SetZoomMode(2, 2.5f);
    s.Doc().SetZoomMode(2, 0.5f);
    s.Doc().SetZoomMode(2, 1.0f);
    for (size_t i = 0; i < c.drags.size(); ++i) s.Doc().Undo();
    ASSERT_EQ(edited->m_vertices.size(), c.vertices.size());
    for (size_t i = 0; i < c.vertices.size(); ++i) {
      EXPECT_EQ(edited->m_vertices[i].x, c.vertices[i].x);
      EXPECT_EQ(edited->m_vertices[i].y, c.vertices[i].y);
    }

    // Built afresh at the same zoom and offset.
    CDTDraw* fresh = s.Stored(c.type, c.vertices, c.pen, c.solid);
    ASSERT_NE(fresh, nullptr);
    ASSERT_EQ(edited->m_outline.size(), fresh->m_outline.size());
    for (size_t i = 0; i < fresh->m_outline.size(); ++i) {
      ASSERT_EQ(edited->m_outline[i].x, fresh->m_outline[i].x) << i;
      ASSERT_EQ(edited->m_outline[i].y, fresh->m_outline[i].y) << i;
    }
    if (auto* clicked = dynamic_cast<CDTClickedOutline*>(edited)) {
      const auto* other = static_cast<CDTClickedOutline*>(fresh);
      EXPECT_EQ(clicked->m_nVertexCount, other->m_nVertexCount);
      EXPECT_EQ(clicked->m_nPrimitives, other->m_nPrimitives);
    }

    // What the buffers hold is what is drawn: each figure alone, in red.
    for (CDTDraw* f : {edited, fresh}) {
      f->m_bShowResult = 0;
      f->SetLineColor(0xFFFF0000, FALSE);
    }
    fresh->m_bVisible = 0;
    const canvas_test::CReadBack before = s.scene.Read();
    edited->m_bVisible = 0;
    fresh->m_bVisible = 1;
    const canvas_test::CReadBack after = s.scene.Read();
    EXPECT_GT(Lit(after), 1000);
    EXPECT_EQ(Differing(before, after), 0);
  }
}

// A midpoint handle sits on the sample halfway between the first samples that
// lie on its two neighbours. Curves that come back to a point, run straight up
// or sit far out all find the same samples as a plain scan of every sample.
TEST(FigureRebuild, MidpointsSitWhereAScanOfAllSamplesPutsThem) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(20.0f, 620.0f);
  std::vector<std::vector<PointF>> curves{
      {{100, 100}, {300, 400}, {500, 100}, {100, 100}},
      {{300, 50}, {300, 200}, {300, 420}, {300, 100}},
      {{100, 240}, {540, 240}, {100, 240}, {540, 240}, {100, 240}},
      {{2e6f, 100}, {2e6f + 3, 300}, {2e6f - 4, 200}},
  };
  for (int k = 0; k < 6; ++k) {
    std::vector<PointF> c;
    for (int i = 0; i < 3 + 5 * k; ++i) c.push_back({u(rng), u(rng)});
    curves.push_back(c);
  }
  for (const std::vector<PointF>& vertices : curves) {
    CDTDraw* curve = s.Stored(DRAW_CURVE, vertices, 5);
    ASSERT_NE(curve, nullptr);
    std::vector<PointF> points, samples;
    for (const auto& h : curve->m_handles)
      if (!h->marked) points.push_back({h->cx, h->cy});
    PBspline spline;
    FeedSpline(&spline, points, false);
    CollectSamples(&spline, &samples);
    auto scan = [&](const FigureHandle& h) -> long {
      for (size_t i = 0; i < samples.size(); ++i)
        if (std::fabs(samples[i].x - h.cx) <= 1e-5f && std::fabs(samples[i].y - h.cy) <= 1e-5f)
          return static_cast<long>(i);
      return -1;
    };
    const auto& handles = curve->m_handles;
    ASSERT_EQ(handles.size(), 2 * vertices.size() - 1);
    for (size_t a = 1; a + 1 < handles.size(); a += 2) {
      ASSERT_TRUE(handles[a]->marked);
      const long l = scan(*handles[a - 1]), h = scan(*handles[a + 1]);
      PointF m{(handles[a - 1]->cx + handles[a + 1]->cx) * 0.5f, (handles[a - 1]->cy + handles[a + 1]->cy) * 0.5f};
      if (l >= 0 && h >= 0 && l != h) m = samples[static_cast<size_t>((l + h) / 2)];
      EXPECT_EQ(handles[a]->cx, m.x) << a;
      EXPECT_EQ(handles[a]->cy, m.y) << a;
    }
  }
}
