// Point-to-line, parallel lines, angles and circle: values, texts, geometry,
// the figure store and undo. measure_a_check.py recomputes the values and
// the pictures written here with numpy and shapely.

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/FigureTypes.h"
#include "engine/ProjectFile.h"
#include "engine/figures/Angle.h"
#include "engine/figures/Circle.h"
#include "engine/figures/Distance.h"
#include "engine/figures/Points.h"
#include "tests/engine/measure_a_fixture.h"

using namespace measure_a_test;

namespace {

float Length(PointF a, PointF b) { return std::hypot(b.x - a.x, b.y - a.y); }

}  // namespace

TEST(MeasureFigures, WorkedNumbersAndTexts) {
  CFigureScene s;
  ASSERT_TRUE(s.Ready());
  ASSERT_FLOAT_EQ(s.Doc().m_fZoom, 1.0f);
  ASSERT_EQ(s.Doc().m_rcBounds.left, 0);

  struct Case {
    const char* what;
    int type;
    std::vector<PointF> vertices;
    double scale, power;
    bool complement;
    double value;
    const wchar_t* label;
    const wchar_t* exported;
  };
  const Case cases[] = {
      {"perpendicular of 100 at scale 0.5 and power 2",
       DRAW_POINT_LINE,
       {{100, 50}, {300, 50}, {150, 150}},
       0.5,
       2,
       false,
       25.0,
       L"25.000 cm",
       L"25.000 cm"},
      {"point on the extension",
       DRAW_POINT_LINE,
       {{100, 50}, {300, 50}, {450, 50}},
       1,
       1,
       false,
       0.0,
       L"0.000 cm",
       L"0.000 cm"},
      {"line of no length",
       DRAW_POINT_LINE,
       {{100, 50}, {100, 50}, {150, 150}},
       1,
       1,
       false,
       0.0,
       L"0.000 cm",
       L"0.000 cm"},
      {"power 0 is left out",
       DRAW_POINT_LINE,
       {{100, 50}, {100, 250}, {130, 90}},
       0.5,
       0,
       false,
       15.0,
       L"15.000 cm",
       L"15.000 cm"},
      {"parallel lines 50 apart at scale 0.1",
       DRAW_DISTANCE,
       {{100, 100}, {130, 140}},
       0.1,
       1,
       false,
       5.0,
       L"5.000 cm",
       L"5.000 cm"},
      {"right angle",
       DRAW_ANGLE,
       {{100, 200}, {100, 100}, {200, 100}},
       1,
       1,
       false,
       90.0,
       L"90.000\u00B0",
       L"90.000\u00B0"},
      {"right angle, complement",
       DRAW_ANGLE,
       {{100, 200}, {100, 100}, {200, 100}},
       1,
       1,
       true,
       270.0,
       L"270.000\u00B0",
       L"270.000\u00B0"},
      {"arm of no length",
       DRAW_ANGLE,
       {{100, 100}, {100, 100}, {100, 200}},
       1,
       1,
       false,
       0.0,
       L"0.000\u00B0",
       L"0.000\u00B0"},
      {"arm of no length, complement",
       DRAW_ANGLE,
       {{100, 100}, {100, 100}, {100, 200}},
       1,
       1,
       true,
       360.0,
       L"360.000\u00B0",
       L"360.000\u00B0"},
      {"opposite arms",
       DRAW_ANGLE,
       {{200, 100}, {100, 100}, {0, 100}},
       1,
       1,
       true,
       180.0,
       L"180.000\u00B0",
       L"180.000\u00B0"},
      {"same direction",
       DRAW_ANGLE,
       {{200, 100}, {100, 100}, {150, 100}},
       1,
       1,
       false,
       0.0,
       L"0.000\u00B0",
       L"0.000\u00B0"},
      {"four points, 120 degrees",
       DRAW_ANGLE_PT4,
       {{0, 0}, {100, 0}, {200, 200}, {250, 200 + 86.60254f}},
       1,
       1,
       false,
       120.0,
       L"120.000\u00B0",
       L"120.000\u00B0"},
      {"four points, complement",
       DRAW_ANGLE_PT4,
       {{0, 0}, {100, 0}, {200, 200}, {250, 200 + 86.60254f}},
       1,
       1,
       true,
       240.0,
       L"240.000\u00B0",
       L"240.000\u00B0"},
      {"circle of radius 10",
       DRAW_CIRCLE,
       {{0, 0}, {20, 0}, {10, 10}},
       1,
       1,
       false,
       314.159265,
       L"314.159 cm\u00B2",
       L"r:10.000, 314.159 cm\u00B2"},
      {"circle, scale 0.5 and power 0",
       DRAW_CIRCLE,
       {{0, 0}, {20, 0}, {10, 10}},
       0.5,
       0,
       false,
       78.539816,
       L"78.540 cm\u00B2",
       L"r:5.000, 78.540 cm\u00B2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    s.Doc().ReferenceScale = c.scale;
    s.Doc().MultiPower = c.power;
    CDTDraw* figure = nullptr;
    double value = 0.0;
    switch (c.type) {
      case DRAW_POINT_LINE:
        figure = s.Stored<CDTPoints>(c.vertices);
        value = figure ? static_cast<CDTPoints*>(figure)->m_dDistance : 0.0;
        break;
      case DRAW_DISTANCE:
        figure = s.Stored<CDTDistance>(c.vertices);
        value = figure ? static_cast<CDTDistance*>(figure)->m_dDistance : 0.0;
        break;
      case DRAW_ANGLE:
        figure = s.Stored<CDTAngle>(c.vertices, 1, false, c.complement);
        value = figure ? static_cast<CDTAngle*>(figure)->m_dAngle : 0.0;
        break;
      case DRAW_ANGLE_PT4:
        figure = s.Stored<CDTAnglePt4>(c.vertices, 1, false, c.complement);
        value = figure ? static_cast<CDTAnglePt4*>(figure)->m_dAngle : 0.0;
        break;
      case DRAW_CIRCLE:
        figure = s.Stored<CDTCircle>(c.vertices);
        value = figure ? static_cast<CDTCircle*>(figure)->m_dArea : 0.0;
        break;
    }
    ASSERT_NE(figure, nullptr);
    EXPECT_NEAR(value, c.value, 1e-4);
    EXPECT_EQ(Value(figure), c.label);
    EXPECT_STREQ(figure->m_label.m_szText, c.label);
    EXPECT_EQ(Exported(figure), c.exported);
  }
  s.Doc().ReferenceScale = 1.0;
  s.Doc().MultiPower = 1.0;

  auto* circle = s.Stored<CDTCircle>({{0, 0}, {20, 0}, {10, 10}});
  ASSERT_NE(circle, nullptr);
  EXPECT_FLOAT_EQ(circle->m_fCenterX, 10.0f);
  EXPECT_FLOAT_EQ(circle->m_fCenterY, 0.0f);
  EXPECT_NEAR(circle->m_dPerimeter, 62.832, 5e-4);
  // The bounds are the circle's square, not the box of the three points.
  EXPECT_EQ(circle->m_rcBounds.top, -10);
  EXPECT_EQ(circle->m_rcBounds.bottom, 10);

  // Decimals follow the canvas; the export text is cut to the caller's buffer.
  s.scene.m_canvas.SetDecimalPrecision(1);
  circle->Measure();
  EXPECT_EQ(Value(circle), L"314.2 cm\u00B2");
  wchar_t shortBuffer[6];
  circle->FormatValue(shortBuffer, 6);
  EXPECT_STREQ(shortBuffer, L"r:10.");
  s.scene.m_canvas.SetDecimalPrecision(3);
}

TEST(MeasureFigures, CircleRules) {
  CFigureScene s;
  ASSERT_TRUE(s.Ready());
  struct Case {
    const char* what;
    std::vector<PointF> points;
    float cx, cy, r;
  } cases[] = {
      {"circumcircle", {{0, 0}, {20, 0}, {10, 10}}, 10, 0, 10},
      {"level points: bounding box", {{0, 0}, {10, 0}, {20, 0}}, 10, 0, 10},
      {"diagonal points: bounding box", {{0, 0}, {10, 10}, {20, 20}}, 10, 10, std::sqrt(800.0f) / 2},
      {"upright points: bounding box", {{50, 0}, {50, 30}, {50, 10}}, 50, 15, 15},
      {"one pixel: radius 1", {{7, 9}, {7, 9}, {7, 9}}, 7, 9, 1},
      {"right triangle", {{100, 100}, {160, 100}, {100, 180}}, 130, 140, 50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto* circle = s.Stored<CDTCircle>(c.points);
    ASSERT_NE(circle, nullptr);
    EXPECT_NEAR(circle->m_fCenterX, c.cx, 1e-3);
    EXPECT_NEAR(circle->m_fCenterY, c.cy, 1e-3);
    EXPECT_NEAR(circle->m_fRadius, c.r, 1e-3);
  }
}

// The bars are 96 window pixels long, across the segment, centred on the
// points, at every zoom and for a segment a hair from level.
TEST(MeasureFigures, ParallelBars) {
  CFigureScene s;
  ASSERT_TRUE(s.Ready());
  struct Case {
    const char* what;
    PointF a, b;
  } cases[] = {
      {"level", {100, 100}, {300, 100}},
      {"upright", {100, 100}, {100, 300}},
      {"45 degrees", {100, 100}, {200, 200}},
      {"a hair from level", {500, 100}, {560, 100.00003f}},
      {"a hair below level", {500, 100}, {440, 100.00003f}},
      {"steep", {200, 100}, {201, 400}},
      {"one pixel", {150, 150}, {150, 150}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PointF bars[4];
    CDTDistance::Bars(c.a, c.b, bars);
    const PointF centres[2] = {c.a, c.b};
    for (int i = 0; i < 2; ++i) {
      const PointF e1 = bars[2 * i], e2 = bars[2 * i + 1];
      EXPECT_NEAR(Length(e1, e2), 96.0f, 1e-3);
      EXPECT_NEAR((e1.x + e2.x) / 2, centres[i].x, 1e-3);
      EXPECT_NEAR((e1.y + e2.y) / 2, centres[i].y, 1e-3);
      const double sx = static_cast<double>(c.b.x) - c.a.x, sy = static_cast<double>(c.b.y) - c.a.y;
      const double along = (sx * (e2.x - e1.x) + sy * (e2.y - e1.y)) / (std::hypot(sx, sy) + 1e-30);
      EXPECT_NEAR(along, 0.0, 1e-2);
    }
  }
  PointF bars[4];
  CDTDistance::Bars({100, 100}, {200, 200}, bars);
  EXPECT_NEAR(std::fabs(bars[1].x - 100), 33.941, 1e-3);
  EXPECT_NEAR(std::fabs(bars[1].y - 100), 33.941, 1e-3);
  CDTDistance::Bars({100, 100}, {300, 100}, bars);
  EXPECT_FLOAT_EQ(bars[0].x, 100.0f);  // a level segment has upright bars
  EXPECT_FLOAT_EQ(bars[0].y, 52.0f);
  EXPECT_FLOAT_EQ(bars[1].y, 148.0f);

  auto* figure = s.Stored<CDTDistance>({{100, 100}, {200, 150}});
  ASSERT_NE(figure, nullptr);
  for (float zoom : {0.5f, 1.0f, 3.0f}) {
    SCOPED_TRACE(zoom);
    s.Doc().SetZoomMode(2, zoom);
    EXPECT_NEAR(Length(figure->m_bars[0], figure->m_bars[1]), 96.0f, 1e-3);
    EXPECT_NEAR(Length(figure->m_bars[0], figure->m_bars[2]), std::hypot(100.0f, 50.0f) * zoom, 1e-2);
    EXPECT_NEAR(figure->m_dDistance, std::hypot(100.0, 50.0), 1e-3);
  }
}

TEST(MeasureFigures, GeometryFollowsStyle) {
  CFigureScene s;
  ASSERT_TRUE(s.Ready());
  auto* points = s.Stored<CDTPoints>({{100, 100}, {300, 100}, {400, 200}});
  ASSERT_NE(points, nullptr);
  EXPECT_EQ(points->m_nVertexCount, 4);
  EXPECT_FLOAT_EQ(points->m_fFootX, 400.0f);  // on the extension, beyond the segment
  EXPECT_FLOAT_EQ(points->m_fFootY, 100.0f);
  EXPECT_EQ(points->m_rcBounds.right, 400);
  points->SetPenWeight(3, FALSE);
  EXPECT_EQ(points->m_nTriangles, 4);  // two butt-ended strokes of two triangles
  EXPECT_EQ(points->m_nVertexCount, 12);

  auto* distance = s.Stored<CDTDistance>({{100, 300}, {200, 300}});
  ASSERT_NE(distance, nullptr);
  EXPECT_EQ(distance->m_nVertexCount, 6);
  distance->SetPenWeight(4, FALSE);
  EXPECT_EQ(distance->m_nTriangles, 6);

  auto* angle = s.Stored<CDTAngle>({{100, 200}, {100, 100}, {200, 100}});
  ASSERT_NE(angle, nullptr);
  EXPECT_EQ(angle->m_line.vertices, 3);
  EXPECT_EQ(angle->m_nArcVertexCount, 12);  // 90 degrees at radius 48
  for (const PointF& p : angle->m_arcPoints) EXPECT_NEAR(Length(p, {100, 100}), 48.0f, 1e-3);
  angle->SetPenWeight(5, FALSE);
  EXPECT_GT(angle->m_line.triangles, 0);
  EXPECT_EQ(angle->m_line.vertices, 3 * angle->m_line.triangles);
  // A zero-length arm with the flag: the three-point angle draws a full circle,
  // the four-point angle no arc.
  auto* full = s.Stored<CDTAngle>({{100, 100}, {100, 100}, {100, 200}}, 1, false, true);
  ASSERT_NE(full, nullptr);
  EXPECT_GT(full->m_nArcVertexCount, 40);
  auto* none = s.Stored<CDTAnglePt4>({{100, 100}, {100, 100}, {100, 200}, {200, 200}}, 1, false, true);
  ASSERT_NE(none, nullptr);
  EXPECT_LE(none->m_nArcVertexCount, 1);

  auto* circle = s.Stored<CDTCircle>({{100, 100}, {200, 100}, {150, 150}});
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->m_nVertexCount, 45);  // 44 points at radius 50 and the first again
  const int thin = circle->m_nVertexCount;
  circle->SetSolid(TRUE, FALSE);
  EXPECT_EQ(circle->m_nVertexCount, 3 * circle->m_nPrimitives);
  EXPECT_GT(circle->m_nPrimitives, 0);
  circle->SetSolid(FALSE, FALSE);
  EXPECT_EQ(circle->m_nVertexCount, thin);
  circle->SetPenWeight(5, FALSE);
  EXPECT_EQ(circle->m_nVertexCount, 3 * circle->m_nPrimitives);

  // A pan moves every outline without rebuilding; a zoom puts the handles back.
  const std::vector<PointF> before = angle->m_arcPoints;
  s.Doc().SetZoomMode(2, 2.0f);
  float sx, sy;
  angle->PixelToScreen(100.0f, 100.0f, &sx, &sy);
  EXPECT_FLOAT_EQ(angle->m_handles[1]->cx, sx);
  EXPECT_NEAR(Length(angle->m_arcPoints[0], {sx, sy}), 48.0f, 1e-3);  // the arc keeps its radius
  EXPECT_EQ(Value(angle), L"90.000\u00B0");
  EXPECT_EQ(Value(circle), L"7853.982 cm\u00B2");  // radius 50 picture pixels at any zoom
  const PointF arc0 = angle->m_arcPoints[0];
  angle->Reposition(7.0f, -3.0f, FALSE);
  EXPECT_FLOAT_EQ(angle->m_arcPoints[0].x, arc0.x + 7.0f);
  EXPECT_FLOAT_EQ(angle->m_arcPoints[0].y, arc0.y - 3.0f);
  const float cx = circle->m_fCenterX;
  circle->Reposition(7.0f, -3.0f, FALSE);
  EXPECT_FLOAT_EQ(circle->m_fCenterX, cx + 7.0f);
  EXPECT_EQ(before.size(), angle->m_arcPoints.size());
}

// Each type saved and loaded, and undone after a drag, gives back its
// vertices, value and (for angles) flag.
TEST(MeasureFigures, StoreAndUndoPerType) {
  CFigureScene s;
  ASSERT_TRUE(s.Ready());
  struct Case {
    const char* what;
    int type;
    std::vector<PointF> vertices;
    bool complement;
  } cases[] = {
      {"point to line", DRAW_POINT_LINE, {{100, 100}, {300, 120}, {200, 250}}, false},
      {"parallel lines", DRAW_DISTANCE, {{100, 100}, {260, 180}}, false},
      {"angle", DRAW_ANGLE, {{200, 100}, {100, 100}, {150, 30}}, true},
      {"four-point angle", DRAW_ANGLE_PT4, {{50, 50}, {150, 60}, {200, 300}, {260, 200}}, true},
      {"circle", DRAW_CIRCLE, {{100, 100}, {200, 110}, {160, 190}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CDTDraw* figure = FindFigureType(c.type)->createDefault();
    ASSERT_NE(figure, nullptr);
    figure->m_nType = c.type;
    ::CoCreateGuid(&figure->m_guid);
    figure->m_vertices = c.vertices;
    FigureExtra extra;
    extra.complement = c.complement ? 1 : 0;
    figure->SetStoredExtra(extra);
    figure->m_nPenWeight = 3;
    figure->AttachToDocument(&s.Doc());
    RECT rc{};
    ASSERT_TRUE(SUCCEEDED(figure->Create(&s.scene.m_canvas, &s.Doc(), L"stored", &rc)));
    const std::wstring value = Value(figure);
    s.Doc().PushHistory();

    ASSERT_TRUE(s.Doc().SaveFile(L"measure_a_round_trip.prj"));
    ASSERT_EQ(s.Doc().LoadFile(L"measure_a_round_trip.prj"), 1);
    const std::vector<const CDTDraw*> loaded = s.Doc().StoredFigures();
    ASSERT_EQ(loaded.size(), 1u);
    auto* back = const_cast<CDTDraw*>(loaded[0]);
    EXPECT_EQ(back->m_nType, c.type);
    ASSERT_EQ(back->m_vertices.size(), c.vertices.size());
    for (size_t i = 0; i < c.vertices.size(); ++i) {
      EXPECT_FLOAT_EQ(back->m_vertices[i].x, c.vertices[i].x);
      EXPECT_FLOAT_EQ(back->m_vertices[i].y, c.vertices[i].y);
    }
    EXPECT_EQ(Value(back), value);
    FigureExtra kept;
    back->GetStoredExtra(&kept);
    EXPECT_EQ(kept.complement, c.complement ? 1 : 0);
    EXPECT_EQ(back->m_bComplete, 1);

    // Drag vertex 1 away, then undo.
    s.Doc().PushHistory();
    POINT press{static_cast<LONG>(back->m_handles[1]->cx), static_cast<LONG>(back->m_handles[1]->cy)};
    POINT there{press.x + 37, press.y - 21};
    back->OnLButtonDown(0, &press);
    ASSERT_EQ(back->m_nSelectedHandle, 1);
    back->OnMouseMove(0, &there);
    back->OnLButtonUp(0, &there);
    EXPECT_FLOAT_EQ(back->m_vertices[1].x, c.vertices[1].x + 37);
    EXPECT_NE(Value(back), value);
    s.Doc().Undo();
    ASSERT_EQ(s.Doc().StoredFigures().size(), 1u);
    EXPECT_EQ(s.Doc().StoredFigures()[0], back);
    EXPECT_FLOAT_EQ(back->m_vertices[1].x, c.vertices[1].x);
    EXPECT_FLOAT_EQ(back->m_handles[1]->cx, c.vertices[1].x);
    EXPECT_EQ(Value(back), value);
    back->GetStoredExtra(&kept);
    EXPECT_EQ(kept.complement, c.complement ? 1 : 0);
    s.Doc().DeleteFigure(back);
  }
}

// Records with fewer vertices than the type needs are dropped; extra
// vertices of fixed-count types are ignored.
TEST(MeasureFigures, StoreDropsShortRecordsAndIgnoresExtraVertices) {
  CFigureScene s;
  ASSERT_TRUE(s.Ready());
  struct Case {
    int type;
    size_t needed;
  } cases[] = {{DRAW_POINT_LINE, 3}, {DRAW_DISTANCE, 2}, {DRAW_ANGLE, 3}, {DRAW_ANGLE_PT4, 4}, {DRAW_CIRCLE, 3}};
  for (const auto& c : cases) {
    for (size_t count : {c.needed - 1, c.needed, c.needed + 2}) {
      SCOPED_TRACE(testing::Message() << "type " << c.type << ", " << count << " vertices");
      auto* figure = new canvas_test::CTestFigure(c.type);
      ::CoCreateGuid(&figure->m_guid);
      for (size_t i = 0; i < count; ++i)
        figure->m_vertices.push_back({40.0f + 30.0f * i, 60.0f + 17.0f * static_cast<float>(i * i)});
      RECT rc{};
      ASSERT_TRUE(SUCCEEDED(figure->Create(&s.scene.m_canvas, &s.Doc(), L"raw", &rc)));
      ASSERT_TRUE(s.Doc().SaveFile(L"measure_a_counts.prj"));
      ASSERT_EQ(s.Doc().LoadFile(L"measure_a_counts.prj"), 1);
      const std::vector<const CDTDraw*> loaded = s.Doc().StoredFigures();
      if (count < c.needed) {
        EXPECT_TRUE(loaded.empty());
        continue;
      }
      ASSERT_EQ(loaded.size(), 1u);
      EXPECT_EQ(loaded[0]->m_vertices.size(), c.needed);
      EXPECT_EQ(loaded[0]->m_handles.size(), c.needed);
      EXPECT_NE(loaded[0]->m_szValue[0], 0);
      s.Doc().DeleteFigure(const_cast<CDTDraw*>(loaded[0]));
    }
  }
}

// Random figures at several zooms, offsets, scales and power 0, written
// for measure_a_check.py: handles (window pixels), zoom, calibration, flag
// and what the figure measured.
TEST(MeasureFigures, WritesValuesForTheIndependentCheck) {
  CFigureScene s;
  ASSERT_TRUE(s.Ready());
  FILE* out = std::fopen("measure_a_values.txt", "w");
  ASSERT_NE(out, nullptr);
  std::mt19937 random(16);
  std::uniform_real_distribution<float> coordinate(5.0f, 600.0f);
  const float zooms[] = {0.5f, 1.0f, 1.7f, 3.0f};
  const double scales[] = {1.0, 0.25, 3.5};
  const double powers[] = {1.0, 2.0, 0.0};
  int rows = 0;
  for (float zoom : zooms) {
    s.Doc().SetZoomMode(2, zoom);
    for (int k = 0; k < 12; ++k) {
      const double scale = scales[k % 3], power = powers[(k / 3) % 3];
      s.Doc().ReferenceScale = scale;
      s.Doc().MultiPower = power;
      std::vector<PointF> v(4);
      for (PointF& p : v) p = {std::round(coordinate(random) * 4) / 4, std::round(coordinate(random) * 4) / 4};
      const bool complement = (k & 1) != 0;
      CDTDraw* figures[5] = {
          s.Stored<CDTPoints>({v[0], v[1], v[2]}),
          s.Stored<CDTDistance>({v[0], v[1]}),
          s.Stored<CDTAngle>({v[0], v[1], v[2]}, 1, false, complement),
          s.Stored<CDTAnglePt4>(v, 1, false, complement),
          s.Stored<CDTCircle>({v[0], v[1], v[2]}),
      };
      for (CDTDraw* f : figures) {
        ASSERT_NE(f, nullptr);
        std::fprintf(out, "%d %.9g %ld %ld %.17g %.17g %d %zu", f->m_nType, s.Doc().m_fZoom, s.Doc().m_rcBounds.left,
                     s.Doc().m_rcBounds.top, scale, power, complement ? 1 : 0, f->m_vertices.size());
        for (const PointF& p : f->m_vertices) std::fprintf(out, " %.9g %.9g", p.x, p.y);
        for (const auto& h : f->m_handles) std::fprintf(out, " %.9g %.9g", h->cx, h->cy);
        switch (f->m_nType) {
          case DRAW_POINT_LINE:
            std::fprintf(out, " %.17g", static_cast<CDTPoints*>(f)->m_dDistance);
            break;
          case DRAW_DISTANCE: {
            auto* d = static_cast<CDTDistance*>(f);
            std::fprintf(out, " %.17g", d->m_dDistance);
            for (const PointF& b : d->m_bars) std::fprintf(out, " %.9g %.9g", b.x, b.y);
            break;
          }
          case DRAW_ANGLE:
            std::fprintf(out, " %.17g", static_cast<CDTAngle*>(f)->m_dAngle);
            break;
          case DRAW_ANGLE_PT4:
            std::fprintf(out, " %.17g", static_cast<CDTAnglePt4*>(f)->m_dAngle);
            break;
          case DRAW_CIRCLE: {
            auto* c = static_cast<CDTCircle*>(f);
            std::fprintf(out, " %.17g %.17g %.17g %.9g %.9g %.9g", c->m_dRadius, c->m_dArea, c->m_dPerimeter,
                         c->m_fCenterX, c->m_fCenterY, c->m_fRadius);
            break;
          }
        }
        std::fprintf(out, "\n");
        ++rows;
      }
      for (CDTDraw* f : figures) s.Doc().DeleteFigure(f);
    }
  }
  std::fclose(out);
  EXPECT_EQ(rows, 4 * 12 * 5);
}

// Pictures of thin, stroked and solid forms for measure_a_check.py, which
// compares them with shapely shapes built from the handles alone.
TEST(MeasureFigures, WritesPicturesForTheShapeComparison) {
  struct Case {
    const char* name;
    int type;
    std::vector<PointF> vertices;
    int pen;
    bool solid;
    bool complement;
    float zoom;
  } cases[] = {
      {"points_pen5", DRAW_POINT_LINE, {{80, 100}, {400, 180}, {300, 400}}, 5, false, false, 1.0f},
      {"points_thin", DRAW_POINT_LINE, {{80, 100}, {300, 100}, {500, 300}}, 1, false, false, 1.0f},
      {"distance_pen5", DRAW_DISTANCE, {{150, 150}, {420, 330}}, 5, false, false, 1.0f},
      {"distance_thin_zoom3", DRAW_DISTANCE, {{300, 230}, {330, 250}}, 1, false, false, 3.0f},
      {"angle_thin_zoom05", DRAW_ANGLE, {{500, 300}, {300, 250}, {420, 40}}, 1, false, false, 0.5f},
      {"angle_thin", DRAW_ANGLE, {{500, 300}, {300, 250}, {420, 40}}, 1, false, true, 1.0f},
      {"angle_pen5_zoom3", DRAW_ANGLE, {{350, 260}, {320, 240}, {325, 215}}, 5, false, false, 3.0f},
      {"anglept4_thin", DRAW_ANGLE_PT4, {{100, 300}, {300, 320}, {350, 100}, {500, 150}}, 1, false, false, 1.0f},
      {"circle_thin", DRAW_CIRCLE, {{200, 100}, {400, 140}, {330, 380}}, 1, false, false, 1.0f},
      {"circle_pen5", DRAW_CIRCLE, {{200, 100}, {400, 140}, {330, 380}}, 5, false, false, 1.0f},
      {"circle_solid", DRAW_CIRCLE, {{200, 100}, {400, 140}, {330, 380}}, 5, true, false, 1.0f},
  };
  FILE* list = std::fopen("measure_a_pictures.txt", "w");
  ASSERT_NE(list, nullptr);
  CFigureScene s;
  ASSERT_TRUE(s.Ready());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    s.Doc().SetZoomMode(2, c.zoom);
    s.PlainBackground();
    CDTDraw* figure = nullptr;
    switch (c.type) {
      case DRAW_POINT_LINE:
        figure = s.Stored<CDTPoints>(c.vertices, c.pen, c.solid, c.complement);
        break;
      case DRAW_DISTANCE:
        figure = s.Stored<CDTDistance>(c.vertices, c.pen, c.solid, c.complement);
        break;
      case DRAW_ANGLE:
        figure = s.Stored<CDTAngle>(c.vertices, c.pen, c.solid, c.complement);
        break;
      case DRAW_ANGLE_PT4:
        figure = s.Stored<CDTAnglePt4>(c.vertices, c.pen, c.solid, c.complement);
        break;
      case DRAW_CIRCLE:
        figure = s.Stored<CDTCircle>(c.vertices, c.pen, c.solid, c.complement);
        break;
    }
    ASSERT_NE(figure, nullptr);
    figure->m_bShowResult = 0;
    figure->SetLineColor(0xFFFF0000, FALSE);
    const std::string file = std::string("measure_a_") + c.name + ".bin";
    ASSERT_TRUE(s.WriteRed(file.c_str()));
    std::fprintf(list, "%s %d %d %d %d %d %d %d", file.c_str(), s.width, s.height, c.type, figure->m_nPenWeight,
                 figure->m_bSolid, c.complement ? 1 : 0, static_cast<int>(figure->m_handles.size()));
    for (const auto& h : figure->m_handles) std::fprintf(list, " %.9g %.9g", h->cx, h->cy);
    std::fprintf(list, "\n");
    s.Doc().DeleteFigure(figure);
  }
  std::fclose(list);
}
