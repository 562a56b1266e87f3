// Rectangle, ellipse, polygon, curve and curve polygon: values, texts, the
// mouse, store and undo. The values and the drawn pictures are written for
// figure_shapes_check.py, which recomputes them with numpy, scipy and shapely.

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Curve.h"
#include "engine/figures/CurvePolygon.h"
#include "engine/figures/Ellipse.h"
#include "engine/figures/Polygon.h"
#include "engine/figures/Rectangle.h"
#include "tests/engine/shape_scene.h"

using namespace canvas_test;
using namespace shape_test;

namespace {

constexpr double kPi = 3.14159265358979323846;
const std::wstring kSquared = L" cm\u00b2";

void WriteVertices(FILE* f, const std::vector<PointF>& vertices) {
  for (const PointF& v : vertices) std::fprintf(f, " %.17g %.17g", static_cast<double>(v.x), static_cast<double>(v.y));
  std::fprintf(f, "\n");
}

// A random simple polygon: corners at sorted random angles around a centre.
std::vector<PointF> StarPolygon(std::mt19937* rng, int n, float cx, float cy, float rMin, float rMax, bool clockwise) {
  std::uniform_real_distribution<float> angle(0.0f, 2.0f * static_cast<float>(kPi)), radius(rMin, rMax);
  std::vector<float> angles(static_cast<size_t>(n));
  for (float& a : angles) a = angle(*rng);
  std::sort(angles.begin(), angles.end());
  if (clockwise) std::reverse(angles.begin(), angles.end());
  std::vector<PointF> out;
  for (float a : angles) {
    const float r = radius(*rng);
    out.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return out;
}

}  // namespace

// Every type's values over zooms, scales and powers, written for the Python check.
TEST(FigureShapes, ValuesAreWrittenForTheIndependentCheck) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  FILE* f = std::fopen("shape_values.txt", "w");
  ASSERT_NE(f, nullptr);
  std::mt19937 rng(1611);
  std::uniform_real_distribution<float> coord(20.0f, 600.0f);
  struct Calibration {
    float zoom;
    double scale, power;
  };
  const Calibration calibrations[] = {{1.0f, 1.0, 1.0}, {0.5f, 0.5, 2.0}, {3.0f, 0.25, 1.0}, {1.0f, 2.0, 0.0}};
  int written = 0;
  for (const Calibration& c : calibrations) {
    s.Doc().SetZoomMode(2, c.zoom);
    s.Doc().ReferenceScale = c.scale;
    s.Doc().MultiPower = c.power;
    auto head = [&](const char* kind) { std::fprintf(f, "%s %.17g %.17g", kind, c.scale, c.power); };
    for (int i = 0; i < 4; ++i) {
      // Corners in any order: the box is what corners 0 and 2 span.
      const float x0 = coord(rng), y0 = coord(rng), x2 = coord(rng), y2 = coord(rng);
      const std::vector<PointF> box{{x0, y0}, {x2, y0}, {x2, y2}, {x0, y2}};
      auto* r = static_cast<CDTRectangle*>(s.Stored(DRAW_RECTANGLE, box));
      ASSERT_NE(r, nullptr);
      head("rectangle");
      std::fprintf(f, " %.17g %.17g %.17g", r->m_dWidth, r->m_dHeight, r->m_dArea);
      WriteVertices(f, r->m_vertices);
      auto* e = static_cast<CDTEllipse*>(s.Stored(DRAW_ELLIPSE, box));
      ASSERT_NE(e, nullptr);
      head("ellipse");
      std::fprintf(f, " %.17g %.17g %.17g %.17g", e->m_dSemiAxisX, e->m_dSemiAxisY, e->m_dArea, e->m_dPerimeter);
      WriteVertices(f, e->m_vertices);
      written += 2;
    }
    for (int n : {3, 5, 9, 24}) {
      for (bool clockwise : {false, true}) {
        const std::vector<PointF> corners = StarPolygon(&rng, n, 320.0f, 240.0f, 40.0f, 200.0f, clockwise);
        auto* p = static_cast<CDTPolygon*>(s.Stored(DRAW_POLYGON, corners));
        ASSERT_NE(p, nullptr);
        head("polygon");
        std::fprintf(f, " %.17g %.17g", p->m_dArea, p->m_dPerimeter);
        WriteVertices(f, p->m_vertices);
        ++written;
      }
    }
    {
      const std::vector<PointF> bowTie{{100, 100}, {300, 260}, {300, 100}, {160, 190}};
      auto* p = static_cast<CDTPolygon*>(s.Stored(DRAW_POLYGON, bowTie));
      ASSERT_NE(p, nullptr);
      head("bowtie");
      std::fprintf(f, " %.17g %.17g", p->m_dArea, p->m_dPerimeter);
      WriteVertices(f, p->m_vertices);
      ++written;
    }
    for (int n : {2, 3, 5, 8, 20}) {
      std::vector<PointF> points;
      for (int k = 0; k < n; ++k) points.push_back({coord(rng), coord(rng)});
      auto* cv = static_cast<CDTCurve*>(s.Stored(DRAW_CURVE, points));
      ASSERT_NE(cv, nullptr);
      head(c.power == 0.0 ? "curve-unscaled" : "curve");
      std::fprintf(f, " %.17g", cv->m_dLength);
      WriteVertices(f, cv->m_vertices);
      ++written;
    }
    for (int n : {3, 4, 6, 10}) {
      std::vector<PointF> loop;
      std::uniform_real_distribution<float> jitter(-0.2f, 0.2f), radius(120.0f, 160.0f);
      for (int k = 0; k < n; ++k) {
        const float a = (static_cast<float>(k) + jitter(rng)) * 2.0f * static_cast<float>(kPi) / static_cast<float>(n);
        const float r = radius(rng);
        loop.push_back({320.0f + r * std::cos(n % 2 ? a : -a), 240.0f + r * std::sin(n % 2 ? a : -a)});
      }
      auto* cp = static_cast<CDTCurvePolygon*>(s.Stored(DRAW_CURVE_POLYGON, loop));
      ASSERT_NE(cp, nullptr);
      head("curvepolygon");
      std::fprintf(f, " %.17g %.17g", cp->m_dArea, cp->m_dPerimeter);
      WriteVertices(f, cp->m_vertices);
      ++written;
    }
  }
  std::fclose(f);
  EXPECT_GT(written, 80);
}

// Worked numbers and the exact texts of labels and exports.
TEST(FigureShapes, LabelAndExportTexts) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  s.Doc().ReferenceScale = 0.5;
  CDTDraw* r = s.Stored(DRAW_RECTANGLE, {{400, 300}, {100, 300}, {100, 100}, {400, 100}});
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(Value(r), L"W:150.000, H:100.000, 15000.000" + kSquared);
  EXPECT_EQ(Export(r), Value(r));
  EXPECT_EQ(r->m_label.m_szText, Value(r));

  s.Doc().ReferenceScale = 1.0;
  auto* e = static_cast<CDTEllipse*>(s.Stored(DRAW_ELLIPSE, {{100, 100}, {300, 100}, {300, 200}, {100, 200}}));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(Value(e), L"15707.963" + kSquared);
  EXPECT_EQ(Export(e), L"rx:100.000, ry:50.000, 15707.963" + kSquared);
  // 4 a E(e^2 = 0.75), not the quadratic mean's 496.7.
  EXPECT_NEAR(e->m_dPerimeter, 484.42241102738380, 1e-9);
  // A 10:1 ellipse and a circle.
  EXPECT_NEAR(EllipsePerimeter(10.0, 1.0), 40.639741801008953, 1e-12);
  EXPECT_NEAR(EllipsePerimeter(3.0, 3.0), 6.0 * kPi, 1e-12);
  EXPECT_DOUBLE_EQ(EllipsePerimeter(2.0, 0.0), 8.0);

  s.Doc().MultiPower = 2.0;
  CDTDraw* p = s.Stored(DRAW_POLYGON, {{0, 0}, {100, 0}, {100, 100}, {0, 100}});
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Value(p), L"2500.000" + kSquared);
  EXPECT_EQ(Export(p), Value(p));
  EXPECT_DOUBLE_EQ(static_cast<CDTPolygon*>(p)->m_dPerimeter, 200.0);

  // Collinear, evenly spaced points: the straight distance.
  CDTDraw* c = s.Stored(DRAW_CURVE, {{10, 10}, {40, 50}, {70, 90}, {100, 130}});
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(Value(c), L"75.000 cm");
  EXPECT_EQ(Export(c), Value(c));
  // A power of 0 leaves the curve's length as it was.
  s.Doc().MultiPower = 0.0;
  c->Measure();
  EXPECT_EQ(Value(c), L"75.000 cm");

  s.Doc().MultiPower = 1.0;
  s.scene.m_canvas.SetDecimalPrecision(1);
  CDTDraw* cp = s.Stored(DRAW_CURVE_POLYGON, {{100, 100}, {300, 100}, {300, 300}, {100, 300}});
  ASSERT_NE(cp, nullptr);
  const double area = static_cast<CDTCurvePolygon*>(cp)->m_dArea;
  EXPECT_GT(area, 40000.0);  // the loop bulges out past the square
  wchar_t expect[64];
  std::swprintf(expect, 64, L"%.1f cm\u00b2", area);
  EXPECT_EQ(Value(cp), expect);
}

// The box keeps its corners shared; Shift squares it only while it is made or
// while a corner is dragged with the button held.
TEST(FigureShapes, RectangleCornersAndSquare) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  for (int type : {DRAW_RECTANGLE, DRAW_ELLIPSE}) {
    SCOPED_TRACE(type);
    CDTDraw* r = s.Begin(type, {100, 100});
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->m_handles.size(), 4u);
    ASSERT_EQ(r->m_vertices.size(), 4u);
    {
      CShiftKey shift(true);
      const POINT to{170, 140};
      r->OnMouseMove(MK_LBUTTON, &to);
      // The shorter integer extent is the side; the dragged corner moved, the first stayed.
      EXPECT_EQ(r->m_handles[2]->cx, 140.0f);
      EXPECT_EQ(r->m_handles[2]->cy, 140.0f);
      EXPECT_EQ(r->m_handles[0]->cx, 100.0f);
      // 40 x 70: y moves 30 toward the first corner.
      const POINT up{60, 30};
      r->OnMouseMove(MK_LBUTTON, &up);
      EXPECT_EQ(r->m_handles[2]->cx, 60.0f);
      EXPECT_EQ(r->m_handles[2]->cy, 60.0f);
    }
    const POINT end{300, 250};
    r->OnMouseMove(MK_LBUTTON, &end);
    r->OnLButtonUp(0, &end);
    ASSERT_EQ(r->m_bComplete, 1);
    const float expect[4][2] = {{100, 100}, {300, 100}, {300, 250}, {100, 250}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(r->m_handles[i]->cx, expect[i][0]) << i;
      EXPECT_EQ(r->m_handles[i]->cy, expect[i][1]) << i;
    }
    // Dragging corner 1 moves corners 0 and 2 with it.
    r->m_nSelectedHandle = 1;
    r->SetVertexScreen(1, 350.0f, 80.0f);
    EXPECT_EQ(r->m_handles[0]->cy, 80.0f);
    EXPECT_EQ(r->m_handles[2]->cx, 350.0f);
    {
      // After creation Shift squares nothing without the button held.
      CShiftKey shift(true);
      s.scene.m_canvas.m_bLButtonDown = 0;
      r->SetVertexScreen(3, 90.0f, 260.0f);
      EXPECT_EQ(r->m_handles[3]->cx, 90.0f);
      EXPECT_EQ(r->m_handles[3]->cy, 260.0f);
      s.scene.m_canvas.m_bLButtonDown = 1;
      r->SetVertexScreen(3, 90.0f, 300.0f);  // 260 x 220: x moves 40 toward corner 1
      EXPECT_EQ(r->m_handles[3]->cx, 130.0f);
      EXPECT_EQ(r->m_handles[3]->cy, 300.0f);
      s.scene.m_canvas.m_bLButtonDown = 0;
    }
  }
}

TEST(FigureShapes, RectangleStylesAndCross) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  auto* r = static_cast<CDTRectangle*>(s.Stored(DRAW_RECTANGLE, {{100, 100}, {200, 100}, {200, 100}, {100, 100}}));
  ASSERT_NE(r, nullptr);
  // Zero height: area 0, the cross still placed.
  EXPECT_EQ(r->m_dArea, 0.0);
  EXPECT_NE(r->m_cross.Buffer(), nullptr);
  EXPECT_EQ(r->m_fCenterX, 150.0f);
  EXPECT_EQ(r->m_nVertexCount, 5);
  r->SetPenWeight(5, FALSE);
  EXPECT_GT(r->m_nTriangles, 0);
  EXPECT_EQ(r->m_nVertexCount, 3 * r->m_nTriangles);
  r->SetSolid(TRUE, FALSE);
  EXPECT_EQ(r->m_nVertexCount, 4);
  EXPECT_EQ(r->m_nTriangles, 0);
  r->SetSolid(FALSE, FALSE);
  EXPECT_GT(r->m_nTriangles, 0);
  r->SetPenWeight(1, FALSE);
  EXPECT_EQ(r->m_nVertexCount, 5);
  // A pan moves outline and cross alike.
  r->Reposition(10.0f, 20.0f, FALSE);
  EXPECT_EQ(r->m_outline[0].x, 110.0f);
  EXPECT_EQ(r->m_fCenterY, 120.0f);
}

TEST(FigureShapes, EllipseOutlineSteps) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  struct Case {
    float half;
    int points;
  };
  for (const Case c : {Case{4, 13}, Case{10, 20}, Case{100, 63}}) {
    auto* e = static_cast<CDTEllipse*>(s.Stored(DRAW_ELLIPSE, {{200 - c.half, 200 - c.half},
                                                               {200 + c.half, 200 - c.half},
                                                               {200 + c.half, 200 + c.half},
                                                               {200 - c.half, 200 + c.half}}));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->m_nVertexCount, c.points + 1) << c.half;  // thin: the first point again
    EXPECT_EQ(e->m_outline.front().x, e->m_outline.back().x);
  }
  // Zero width: a radius of 1 window pixel, so the area is not zero.
  auto* flat = static_cast<CDTEllipse*>(s.Stored(DRAW_ELLIPSE, {{100, 100}, {100, 100}, {100, 140}, {100, 140}}));
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(flat->m_fRadiusX, 1.0f);
  EXPECT_NEAR(flat->m_dArea, kPi * 20.0, 1e-9);
  // A zoom changes the window radii, never the values.
  auto* e = static_cast<CDTEllipse*>(s.Stored(DRAW_ELLIPSE, {{100, 100}, {300, 100}, {300, 180}, {100, 180}}));
  ASSERT_NE(e, nullptr);
  const std::wstring before = Export(e);
  s.Doc().SetZoomMode(2, 2.0f);
  EXPECT_EQ(e->m_fRadiusX, 200.0f);
  EXPECT_EQ(Export(e), before);
  e->SetSolid(TRUE, FALSE);
  EXPECT_EQ(e->m_nVertexCount, 3 * e->m_nPrimitives);
  EXPECT_GT(e->m_nPrimitives, 0);
}

// Clicks, the double click and the right button while a polygon-like figure is drawn.
TEST(FigureShapes, ClickedFiguresFinishOnceWithTheRightCorners) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  for (int type : {DRAW_POLYGON, DRAW_CURVE, DRAW_CURVE_POLYGON}) {
    SCOPED_TRACE(type);
    auto* fig = static_cast<CDTClickedOutline*>(s.Begin(type, {100, 100}));
    ASSERT_NE(fig, nullptr);
    const POINT a{100, 100}, b{300, 120}, c{220, 300};
    fig->OnLButtonUp(0, &a);  // a click: the corner stays put
    ASSERT_EQ(fig->m_vertices.size(), 2u);
    fig->OnMouseMove(0, &b);
    fig->OnLButtonDown(MK_LBUTTON, &b);
    fig->OnLButtonUp(0, &b);
    ASSERT_EQ(fig->m_vertices.size(), 3u);
    // A right click with two fixed corners and the rubber band: not yet.
    POINT early{300, 120};
    CDTClickedOutline* probe = static_cast<CDTClickedOutline*>(s.Begin(type, {400, 400}));
    ASSERT_NE(probe, nullptr);
    probe->OnRButton(MK_RBUTTON, &early);
    EXPECT_EQ(probe->m_bComplete, 0);
    s.scene.m_canvas.SetCapturedElement(fig);

    fig->OnMouseMove(0, &c);
    fig->OnLButtonDown(MK_LBUTTON, &c);  // the double click's first press
    fig->OnLButtonUp(0, &c);
    ASSERT_EQ(fig->m_vertices.size(), 4u);
    const int before = s.Doc().m_history.m_nPushes;
    fig->OnRButton(MK_RBUTTON, &c);  // right press
    fig->OnRButton(0, &c);           // right release: the figure is complete, nothing
    EXPECT_EQ(fig->m_bComplete, 1);
    EXPECT_EQ(s.Doc().m_history.m_nPushes, before + 1);
    ASSERT_EQ(fig->m_vertices.size(), 3u);
    EXPECT_EQ(fig->m_vertices[2].x, 220.0f);
    EXPECT_EQ(fig->m_nSelectedHandle, -1);
    EXPECT_EQ(s.scene.m_canvas.m_nTool, DRAW_SELECT);
    if (type == DRAW_CURVE) {
      EXPECT_EQ(fig->m_handles.size(), 5u);  // two green midpoints
    }
  }
  // Exactly three vertices are kept even when the last two coincide.
  auto* three = static_cast<CDTClickedOutline*>(s.Begin(DRAW_POLYGON, {50, 50}));
  ASSERT_NE(three, nullptr);
  const POINT q{250, 60};
  three->OnMouseMove(0, &q);
  three->OnLButtonDown(MK_LBUTTON, &q);
  three->OnRButton(MK_RBUTTON, &q);
  EXPECT_EQ(three->m_bComplete, 1);
  EXPECT_EQ(three->m_vertices.size(), 3u);
}

TEST(FigureShapes, PolygonWhileDrawnAndSolid) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  auto* p = static_cast<CDTPolygon*>(s.Begin(DRAW_POLYGON, {100, 100}, 1, TRUE));
  ASSERT_NE(p, nullptr);
  const POINT b{200, 100}, c{200, 200};
  p->OnMouseMove(0, &b);
  p->OnLButtonDown(MK_LBUTTON, &b);
  p->OnMouseMove(0, &c);
  // Measured with the closing edge while still open; solid draws a stroked open outline.
  EXPECT_DOUBLE_EQ(p->m_dArea, 5000.0);
  EXPECT_NEAR(p->m_dPerimeter, 200.0 + 100.0 * std::sqrt(2.0), 1e-9);
  EXPECT_GT(p->m_nPrimitives, 0);
  EXPECT_EQ(p->m_nVertexCount, 3 * p->m_nPrimitives);
  p->m_bSolid = 0;
  p->BuildGeometry();
  EXPECT_EQ(p->m_nPrimitives, 2);  // thin and open: no edge back to the first corner
  EXPECT_EQ(p->m_nVertexCount, 4);
}

TEST(FigureShapes, CurvePolygonMeasuresOnlyWhenFinished) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  auto* cp = static_cast<CDTCurvePolygon*>(s.Begin(DRAW_CURVE_POLYGON, {100, 100}));
  ASSERT_NE(cp, nullptr);
  const POINT b{300, 100}, c{200, 300};
  cp->OnMouseMove(0, &b);
  cp->OnLButtonDown(MK_LBUTTON, &b);
  cp->OnMouseMove(0, &c);
  EXPECT_EQ(cp->m_dArea, 0.0);
  EXPECT_EQ(cp->m_dPerimeter, 0.0);
  cp->OnRButton(MK_RBUTTON, &c);
  ASSERT_EQ(cp->m_bComplete, 1);
  EXPECT_GT(cp->m_dArea, 20000.0);  // more than the triangle's
  // The thin loop starts on the first point and stops short of it.
  ASSERT_GT(cp->m_outline.size(), 100u);
  EXPECT_NEAR(cp->m_outline.front().x, 100.0f, 1e-3f);
  EXPECT_LT(std::hypot(cp->m_outline.back().x - 100.0f, cp->m_outline.back().y - 100.0f), 6.0f);
  // Without device objects there is no buffer and nothing measured.
  cp->ReleaseDeviceObjects();
  cp->Measure();
  EXPECT_EQ(cp->m_dArea, 0.0);
}

// A green handle dragged and released adds one point; one undo takes it away.
TEST(FigureShapes, CurveMidpointBecomesAPointAndUndoRemovesIt) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  auto* cv = static_cast<CDTCurve*>(s.Stored(DRAW_CURVE, {{100, 300}, {300, 100}, {500, 300}}));
  ASSERT_NE(cv, nullptr);
  s.Doc().PushHistory();
  ASSERT_EQ(cv->m_handles.size(), 5u);
  ASSERT_EQ(cv->m_handles[1]->marked, 1);
  // The midpoint handles sit on the curve, halfway in parameter: sample 25 of 0..50.
  const double before = cv->m_dLength;
  const POINT grab{static_cast<LONG>(cv->m_handles[1]->cx), static_cast<LONG>(cv->m_handles[1]->cy)};
  const POINT drop{150, 120};
  s.Doc().SelectElement(cv);
  cv->OnLButtonDown(MK_LBUTTON, &grab);
  ASSERT_EQ(cv->m_nSelectedHandle, 1);
  cv->OnMouseMove(MK_LBUTTON, &drop);
  cv->OnLButtonUp(0, &drop);
  EXPECT_EQ(cv->m_vertices.size(), 4u);
  ASSERT_EQ(cv->m_handles.size(), 7u);
  EXPECT_EQ(cv->m_handles[1]->marked, 1);
  EXPECT_EQ(cv->m_handles[2]->marked, 0);
  EXPECT_EQ(cv->m_handles[3]->marked, 1);
  EXPECT_NE(cv->m_dLength, before);
  s.Doc().Undo();
  EXPECT_EQ(cv->m_vertices.size(), 3u);
  EXPECT_EQ(cv->m_handles.size(), 5u);
  EXPECT_NEAR(cv->m_dLength, before, 1e-9);
}

// Save and load, and undo after a drag, give back the same vertices and values.
TEST(FigureShapes, StoreAndUndoPerType) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  s.Doc().ReferenceScale = 0.25;
  struct Case {
    int type;
    std::vector<PointF> vertices;
  };
  const std::vector<Case> cases{
      {DRAW_RECTANGLE, {{100, 100}, {260, 100}, {260, 200}, {100, 200}}},
      {DRAW_ELLIPSE, {{300, 100}, {420, 100}, {420, 260}, {300, 260}}},
      {DRAW_POLYGON, {{50, 300}, {200, 280}, {150, 420}, {70, 400}}},
      {DRAW_CURVE, {{300, 300}, {380, 350}, {450, 300}, {520, 420}}},
      {DRAW_CURVE_POLYGON, {{100, 40}, {200, 60}, {150, 90}}},
  };
  std::vector<std::wstring> values;
  for (const Case& c : cases) {
    CDTDraw* f = s.Stored(c.type, c.vertices, 5, c.type == DRAW_POLYGON);
    ASSERT_NE(f, nullptr);
    values.push_back(Export(f));
  }
  ASSERT_TRUE(s.Doc().SaveFile(L"shapes_round_trip.prj"));
  ASSERT_TRUE(s.Doc().LoadFile(L"shapes_round_trip.prj"));
  std::vector<CDTDraw*> loaded;
  for (const CDTDraw* f : s.Doc().StoredFigures()) loaded.push_back(const_cast<CDTDraw*>(f));
  ASSERT_EQ(loaded.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].type);
    ASSERT_EQ(loaded[i]->m_nType, cases[i].type);
    ASSERT_EQ(loaded[i]->m_vertices.size(), cases[i].vertices.size());
    for (size_t k = 0; k < cases[i].vertices.size(); ++k) {
      EXPECT_FLOAT_EQ(loaded[i]->m_vertices[k].x, cases[i].vertices[k].x);
      EXPECT_FLOAT_EQ(loaded[i]->m_vertices[k].y, cases[i].vertices[k].y);
    }
    EXPECT_EQ(Export(loaded[i]), values[i]);
    EXPECT_EQ(loaded[i]->m_nPenWeight, 5);
  }

  // Undo after a corner drag of each gives the stored corners and values back.
  s.Doc().PushHistory();
  for (size_t i = 0; i < loaded.size(); ++i) {
    SCOPED_TRACE(cases[i].type);
    CDTDraw* f = loaded[i];
    const FigureHandle& h = *f->m_handles[0];
    const POINT grab{static_cast<LONG>(h.cx), static_cast<LONG>(h.cy)};
    const POINT drop{grab.x + 23, grab.y + 17};
    s.Doc().SelectElement(f);
    f->OnLButtonDown(MK_LBUTTON, &grab);
    f->OnMouseMove(MK_LBUTTON, &drop);
    f->OnLButtonUp(0, &drop);
    EXPECT_NE(Export(f), values[i]);
    s.Doc().Undo();
    for (size_t k = 0; k < cases[i].vertices.size(); ++k) {
      EXPECT_FLOAT_EQ(f->m_vertices[k].x, cases[i].vertices[k].x);
      EXPECT_FLOAT_EQ(f->m_vertices[k].y, cases[i].vertices[k].y);
    }
    EXPECT_EQ(Export(f), values[i]);
  }

  // A rectangle restored with corners that are no rectangle keeps them.
  CDTDraw* r = loaded[0];
  const std::vector<PointF> skew{{100, 100}, {270, 110}, {260, 200}, {90, 210}};
  r->SetVertices(skew);
  for (size_t k = 0; k < 4; ++k) EXPECT_EQ(r->m_vertices[k].x, skew[k].x);
  EXPECT_EQ(r->m_handles[1]->cy, 110.0f);
}

// Records with fewer vertices than their type reads are dropped; extra ones are ignored.
TEST(FigureShapes, StoreDropsRecordsWithTooFewVertices) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  struct Case {
    int type;
    size_t count;
    bool kept;
    size_t keeps;
  };
  const Case cases[] = {{DRAW_RECTANGLE, 3, false, 0},     {DRAW_RECTANGLE, 6, true, 4}, {DRAW_ELLIPSE, 3, false, 0},
                        {DRAW_ELLIPSE, 4, true, 4},        {DRAW_POLYGON, 2, false, 0},  {DRAW_POLYGON, 3, true, 3},
                        {DRAW_CURVE_POLYGON, 2, false, 0}, {DRAW_CURVE, 1, true, 1},     {DRAW_CURVE, 0, true, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    SCOPED_TRACE(c.count);
    CShapeScene fresh;
    ASSERT_TRUE(fresh.Ready());
    CDTDraw* f = fresh.Stored(c.type, {{10, 10}, {80, 10}, {80, 60}, {10, 60}, {40, 90}, {30, 20}});
    ASSERT_NE(f, nullptr);
    f->m_vertices.resize(c.count);
    ASSERT_TRUE(fresh.Doc().SaveFile(L"shapes_short.prj"));
    ASSERT_TRUE(fresh.Doc().LoadFile(L"shapes_short.prj"));
    const std::vector<const CDTDraw*> figures = fresh.Doc().StoredFigures();
    ASSERT_EQ(figures.size(), c.kept ? 1u : 0u);
    if (c.kept) {
      EXPECT_EQ(figures[0]->m_vertices.size(), c.keeps);
    }
  }
}

// --- The mouse on the real canvas -----------------------------------------

namespace {

struct CToolScene : CShapeScene {
  CToolScene() {
    if (Ready()) scene.m_canvas.SetTool(DRAW_SELECT);
  }
  void Mouse(UINT message, WPARAM flags, int x, int y) {
    ::PostMessageW(scene.m_canvas.m_hWnd, message, flags, MAKELPARAM(x, y));
    Pump();
  }
  void Click(int x, int y) {
    Mouse(WM_MOUSEMOVE, 0, x, y);
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    Mouse(WM_LBUTTONUP, 0, x, y);
  }
  CDTDraw* Last() {
    return scene.m_document.m_children.size() >= 2 ? static_cast<CDTDraw*>(scene.m_document.m_children.back())
                                                   : nullptr;
  }
};

}  // namespace

TEST(ShapeTools, BoxesCompleteOnAFarReleaseOrTheNextPress) {
  struct Case {
    int type;
    int dx, dy;
    bool completeAtRelease;
  };
  // Corner 1 shares its x with the dragged corner: only the vertical distance counts.
  const Case cases[] = {{DRAW_RECTANGLE, 10, 10, false},  {DRAW_RECTANGLE, 11, 0, false},
                        {DRAW_RECTANGLE, 200, 10, false}, {DRAW_RECTANGLE, 0, 11, true},
                        {DRAW_ELLIPSE, 10, 10, false},    {DRAW_ELLIPSE, 60, 11, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type * 1000 + c.dx * 10 + c.dy);
    CToolScene s;
    ASSERT_TRUE(s.Ready());
    s.scene.m_canvas.SetTool(c.type);
    s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 100 + c.dx, 100 + c.dy);
    s.Mouse(WM_LBUTTONUP, 0, 100 + c.dx, 100 + c.dy);
    CDTDraw* f = s.Last();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->m_nType, c.type);
    EXPECT_EQ(f->m_bComplete, c.completeAtRelease ? 1 : 0);
    if (!c.completeAtRelease) {
      s.Mouse(WM_MOUSEMOVE, 0, 250, 220);
      EXPECT_EQ(f->m_handles[2]->cx, 250.0f);
      s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 250, 220);
      EXPECT_EQ(f->m_bComplete, 1);
      s.Mouse(WM_LBUTTONUP, 0, 250, 220);
    }
    EXPECT_EQ(s.scene.m_canvas.m_nTool, DRAW_SELECT);
    EXPECT_EQ(s.scene.m_canvas.m_pCaptured, nullptr);
  }
}

TEST(ShapeTools, NamesAndSelectedHandles) {
  struct Case {
    int type;
    const wchar_t* name;
    int handle;
  };
  const Case cases[] = {{DRAW_RECTANGLE, L"#1 rectangle", 2},
                        {DRAW_ELLIPSE, L"#1 ellipse", 2},
                        {DRAW_POLYGON, L"#1 polygon", 1},
                        {DRAW_CURVE, L"#1 curve", 1},
                        {DRAW_CURVE_POLYGON, L"#1 curve polygon", 1}};
  for (const Case& c : cases) {
    for (bool prefixed : {false, true}) {
      SCOPED_TRACE(c.type * 10 + prefixed);
      CToolScene s;
      ASSERT_TRUE(s.Ready());
      if (prefixed) s.scene.m_canvas.SetAutoNamePrefix(c.type, L"zone");
      s.scene.m_canvas.SetTool(c.type);
      s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
      CDTDraw* f = s.Last();
      ASSERT_NE(f, nullptr);
      EXPECT_STREQ(f->m_pszName, prefixed ? L"#1 zone" : c.name);
      EXPECT_EQ(f->m_nSelectedHandle, c.handle);
    }
  }
}

// Three clicked corners and a double click: three corners, one undo step.
TEST(ShapeTools, DoubleClickFinishesPolygonsAndCurves) {
  for (int type : {DRAW_POLYGON, DRAW_CURVE, DRAW_CURVE_POLYGON}) {
    SCOPED_TRACE(type);
    CToolScene s;
    ASSERT_TRUE(s.Ready());
    s.scene.m_canvas.SetTool(type);
    const int pushes = s.Doc().m_history.m_nPushes;
    s.Click(100, 100);
    s.Click(300, 120);
    s.Click(220, 300);
    s.Mouse(WM_LBUTTONDBLCLK, MK_LBUTTON, 220, 300);
    s.Mouse(WM_LBUTTONUP, 0, 220, 300);
    CDTDraw* f = s.Last();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->m_bComplete, 1);
    ASSERT_EQ(f->m_vertices.size(), 3u);
    EXPECT_EQ(f->m_vertices[1].x, 300.0f);
    EXPECT_EQ(s.Doc().m_history.m_nPushes, pushes + 1);
    EXPECT_EQ(s.scene.m_canvas.m_nTool, DRAW_SELECT);
  }
  // A right click finishes too: press and release together make one step.
  CToolScene s;
  ASSERT_TRUE(s.Ready());
  s.scene.m_canvas.SetTool(DRAW_POLYGON);
  s.Click(100, 100);
  s.Click(300, 100);
  s.Mouse(WM_MOUSEMOVE, 0, 300, 300);
  const int pushes = s.Doc().m_history.m_nPushes;
  s.Mouse(WM_RBUTTONDOWN, MK_RBUTTON, 300, 300);
  s.Mouse(WM_RBUTTONUP, 0, 300, 300);
  CDTDraw* f = s.Last();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->m_bComplete, 1);
  EXPECT_EQ(f->m_vertices.size(), 3u);
  EXPECT_EQ(s.Doc().m_history.m_nPushes, pushes + 1);
}

// --- Pictures --------------------------------------------------------------

// Thin, stroked (pen 5) and solid forms of every type, for the shapely comparison.
TEST(FigureShapes, PicturesAreWrittenForTheOutlineComparison) {
  struct Case {
    const char* name;
    int type;
    int pen;
    BOOL solid;
    std::vector<PointF> vertices;
  };
  const std::vector<PointF> box{{120.5f, 90.0f}, {430.0f, 90.0f}, {430.0f, 330.25f}, {120.5f, 330.25f}};
  const std::vector<PointF> corners{{100, 80}, {520, 140}, {380, 400}, {260, 250}, {140, 380}};
  const std::vector<PointF> points{{80, 300}, {200, 100}, {330, 380}, {450, 150}, {580, 260}};
  const std::vector<PointF> loop{{200, 100}, {450, 130}, {480, 380}, {180, 360}};
  const std::vector<Case> cases{
      {"rect_thin", DRAW_RECTANGLE, 1, FALSE, box},
      {"rect_pen5", DRAW_RECTANGLE, 5, FALSE, box},
      {"rect_solid", DRAW_RECTANGLE, 1, TRUE, box},
      {"ellipse_thin", DRAW_ELLIPSE, 1, FALSE, box},
      {"ellipse_pen5", DRAW_ELLIPSE, 5, FALSE, box},
      {"ellipse_solid", DRAW_ELLIPSE, 1, TRUE, box},
      {"polygon_thin", DRAW_POLYGON, 1, FALSE, corners},
      {"polygon_pen5", DRAW_POLYGON, 5, FALSE, corners},
      {"polygon_solid", DRAW_POLYGON, 1, TRUE, corners},
      {"curve_thin", DRAW_CURVE, 1, FALSE, points},
      {"curve_pen5", DRAW_CURVE, 5, FALSE, points},
      {"curvepolygon_thin", DRAW_CURVE_POLYGON, 1, FALSE, loop},
      {"curvepolygon_pen5", DRAW_CURVE_POLYGON, 5, FALSE, loop},
      {"curvepolygon_solid", DRAW_CURVE_POLYGON, 1, TRUE, loop},
  };
  FILE* f = std::fopen("shape_pictures.txt", "w");
  ASSERT_NE(f, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CShapeScene s;
    ASSERT_TRUE(s.Ready());
    s.Bare();
    CDTDraw* fig = s.Stored(c.type, c.vertices, c.pen, c.solid);
    ASSERT_NE(fig, nullptr);
    fig->m_bShowResult = 0;
    fig->SetLineColor(0xFFFF0000, FALSE);
    const std::string file = std::string("shape_") + c.name + ".bin";
    ASSERT_TRUE(s.WriteRed(file.c_str()));
    std::fprintf(f, "%s %s %d %d", file.c_str(), c.name, c.pen, c.solid);
    WriteVertices(f, c.vertices);
  }
  std::fclose(f);
}
