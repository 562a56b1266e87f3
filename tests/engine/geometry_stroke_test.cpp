#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/geometry/ArcEllipse.h"
#include "engine/geometry/CurveFlatten.h"
#include "engine/geometry/PathImpl.h"
#include "engine/geometry/StrokeGenerator.h"
#include "tests/engine/geometry_test_util.h"

namespace {

struct Pt {
  double x, y;
};

std::vector<PathVertex> Outline(const std::vector<Pt>& pts, bool closed, double width, int cap, int join) {
  PPathImpl path;
  for (size_t i = 0; i < pts.size(); ++i) {
    if (i == 0)
      path.MoveTo(pts[i].x, pts[i].y);
    else
      path.LineTo(pts[i].x, pts[i].y);
  }
  if (closed) path.ClosePolygon();
  PCurveConvert convert(&path);
  StrokeGenerator stroke(&convert, width, cap, join);
  return Collect(stroke);
}

struct Box {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
};

Box Bounds(const std::vector<PathVertex>& v) {
  Box b;
  for (const auto& p : v) {
    if (!IsVertex(p.cmd)) continue;
    b.x0 = std::min(b.x0, p.x), b.x1 = std::max(b.x1, p.x);
    b.y0 = std::min(b.y0, p.y), b.y1 = std::max(b.y1, p.y);
  }
  return b;
}

double MaxDistanceNear(const std::vector<PathVertex>& v, Pt q, double radius) {
  double best = 0;
  for (const auto& p : v) {
    const double d = std::hypot(p.x - q.x, p.y - q.y);
    if (IsVertex(p.cmd) && d < radius) best = std::max(best, d);
  }
  return best;
}

int CountCommand(const std::vector<PathVertex>& v, PathCommand cmd) {
  return int(std::count_if(v.begin(), v.end(), [&](const PathVertex& p) { return p.cmd == cmd; }));
}

// Shoelace area of a simple polygon.
double PolygonArea(const std::vector<Pt>& pts) {
  double a = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    const Pt& p = pts[i];
    const Pt& q = pts[(i + 1) % pts.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return std::fabs(a) / 2;
}

}  // namespace

TEST(GeometryStroke, CapsOfAStraightSegment) {
  const std::vector<Pt> seg = {{0, 0}, {10, 0}};
  const auto butt = Outline(seg, false, 4, CapButt, JoinRound);
  ASSERT_EQ(butt.size(), 5u);
  EXPECT_EQ(butt[0].cmd, CmdMoveTo);
  EXPECT_EQ(butt[4].cmd, 0x6Fu);
  Box b = Bounds(butt);
  EXPECT_DOUBLE_EQ(b.x0, 0);
  EXPECT_DOUBLE_EQ(b.x1, 10);
  EXPECT_DOUBLE_EQ(b.y0, -2);
  EXPECT_DOUBLE_EQ(b.y1, 2);

  b = Bounds(Outline(seg, false, 4, CapSquare, JoinRound));
  EXPECT_DOUBLE_EQ(b.x0, -2);
  EXPECT_DOUBLE_EQ(b.x1, 12);
  EXPECT_DOUBLE_EQ(b.y1, 2);

  const auto round = Outline(seg, false, 4, CapRound, JoinRound);
  EXPECT_GT(round.size(), 8u);
  b = Bounds(round);
  EXPECT_NEAR(b.x0, -2, 0.2);
  EXPECT_NEAR(b.x1, 12, 0.2);
  for (const auto& p : round) {
    if (!IsVertex(p.cmd)) continue;
    const double cx = p.x < 5 ? 0 : 10;
    EXPECT_NEAR(std::hypot(p.x - cx, p.y), 2, 1e-9);
  }
}

TEST(GeometryStroke, MiterCornersAndTheLimit) {
  const std::vector<Pt> right = {{0, 0}, {10, 0}, {10, 10}};
  const auto miter = Outline(right, false, 4, CapButt, JoinMiter);
  EXPECT_NEAR(MaxDistanceNear(miter, {10, 0}, 5), std::hypot(2, 2), 1e-9);  // sharp corner

  // A 10-degree turn: the miter tip would lie 23 half-widths out. Measure how
  // far the outer side reaches along the corner's bisector.
  const double a = 10 * 3.14159265358979 / 180;
  const std::vector<Pt> sharp = {{0, 0}, {100, 0}, {100 - 100 * std::cos(a), 100 * std::sin(a)}};
  const double ux = std::cos(a / 2), uy = -std::sin(a / 2);
  auto reach = [&](int join) {
    double best = -1e9;
    for (const auto& p : Outline(sharp, false, 4, CapButt, join))
      if (IsVertex(p.cmd) && std::hypot(p.x - 100, p.y) < 30) best = std::max(best, (p.x - 100) * ux + p.y * uy);
    return best;
  };
  EXPECT_NEAR(reach(JoinMiter), 8, 1e-9);                          // cut at 4 half-widths
  EXPECT_NEAR(reach(JoinMiterRevert), 2 * std::sin(a / 2), 1e-9);  // bevel
  EXPECT_NEAR(reach(JoinBevel), 2 * std::sin(a / 2), 1e-9);
  EXPECT_NEAR(reach(JoinRound), 2, 0.15);  // chords of the round join
  EXPECT_GT(reach(JoinMiterRound), 1.9);
}

TEST(GeometryStroke, SubPathCleanup) {
  const auto plain = Outline({{0, 0}, {10, 0}, {20, 5}}, false, 4, CapButt, JoinMiter);
  const auto doubled = Outline({{0, 0}, {10, 0}, {10, 0}, {20, 5}, {20, 5 + 1e-15}}, false, 4, CapButt, JoinMiter);
  ASSERT_EQ(plain.size(), doubled.size());
  for (size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(plain[i].cmd, doubled[i].cmd);
    if (!IsVertex(plain[i].cmd)) continue;
    EXPECT_NEAR(plain[i].x, doubled[i].x, 1e-9);
    EXPECT_NEAR(plain[i].y, doubled[i].y, 1e-9);
  }

  const auto closedTwo = Outline({{0, 0}, {10, 0}}, true, 4, CapButt, JoinMiter);
  EXPECT_EQ(CountCommand(closedTwo, 0x5F), 0);
  EXPECT_EQ(CountCommand(closedTwo, 0x6F), 1);

  EXPECT_TRUE(Outline({{3, 3}}, false, 4, CapRound, JoinRound).empty());
  EXPECT_TRUE(Outline({{3, 3}, {3, 3}, {3, 3}}, false, 4, CapRound, JoinRound).empty());

  const auto square = Outline({{0, 0}, {100, 0}, {100, 100}, {0, 100}}, true, 4, CapButt, JoinMiter);
  EXPECT_EQ(CountCommand(square, 0x5F), 1);
  EXPECT_EQ(CountCommand(square, 0x6F), 1);
  EXPECT_EQ(CountCommand(square, CmdMoveTo), 2);
}

TEST(GeometryStroke, SubPathsAreStrokedSeparately) {
  PPathImpl path;
  path.MoveTo(0, 0);
  path.LineTo(10, 0);
  path.MoveTo(0, 20);
  path.LineTo(10, 20);
  PCurveConvert convert(&path);
  StrokeGenerator stroke(&convert, 4, CapButt, JoinMiter);
  EXPECT_EQ(CountCommand(Collect(stroke), 0x6F), 2);
}

TEST(GeometryTriangles, StraightButtSegmentIsTwoTriangles) {
  PPathImpl path;
  path.MoveTo(0, 0);
  path.LineTo(10, 0);
  path.SetWidth(4);
  path.SetLineCap(CapButt);
  path.StrokeToTriangles();
  ASSERT_EQ(path.GetTriangleCount(), 2);
  EXPECT_NEAR(TotalArea(path), 40, 1e-9);
  EXPECT_EQ(Coverage(path, 5, 1.9), 1);
  EXPECT_EQ(Coverage(path, 5, 2.1), 0);
}

TEST(GeometryTriangles, ClosedSquareIsABandWithAHole) {
  PPathImpl path;
  path.MoveTo(0, 0);
  path.LineTo(100, 0);
  path.LineTo(100, 100);
  path.LineTo(0, 100);
  path.ClosePolygon();
  path.SetWidth(4);
  path.SetLineJoin(JoinMiter);
  path.StrokeToTriangles();
  ASSERT_GT(path.GetTriangleCount(), 0);
  EXPECT_EQ(Coverage(path, 50, 50), 0);
  EXPECT_EQ(Coverage(path, 50, 1), 1);
  EXPECT_EQ(Coverage(path, -1.5, -1.0), 1);  // miter corner
  EXPECT_NEAR(TotalArea(path), 104.0 * 104 - 96.0 * 96, 1e-6);
}

TEST(GeometryTriangles, SelfCrossingLineCoversTheCrossing) {
  PPathImpl path;
  path.MoveTo(0, 0);
  path.LineTo(100, 0);
  path.LineTo(100, 60);
  path.LineTo(50, 60);
  path.LineTo(50, -40);
  path.SetWidth(6);
  path.StrokeToTriangles();
  EXPECT_GE(Coverage(path, 50.5, 0.5), 1);
  EXPECT_GE(Coverage(path, 20, 1), 1);
  EXPECT_EQ(Coverage(path, 75, 30), 0);
}

TEST(GeometryTriangles, FilledPolygonsKeepTheirArea) {
  const struct {
    const char* name;
    std::vector<Pt> pts;
    Pt outside;  // a point inside the bounds that must stay uncovered
  } cases[] = {
      {"triangle", {{0, 0}, {50, 0}, {10, 40}}, {45, 30}},
      {"L shape", {{0, 0}, {60, 0}, {60, 20}, {20, 20}, {20, 80}, {0, 80}}, {40, 50}},
      {"comb",
       {{0, 0},
        {90, 0},
        {90, 50},
        {70, 50},
        {70, 10},
        {50, 10},
        {50, 50},
        {30, 50},
        {30, 10},
        {10, 10},
        {10, 50},
        {0, 50}},
       {20, 30}},
      {"arrow", {{0, 0}, {100, 50}, {0, 100}, {30, 50}}, {10, 50}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PPolygonImpl poly;
    for (size_t i = 0; i < c.pts.size(); ++i) {
      if (i == 0)
        poly.MoveTo(c.pts[i].x, c.pts[i].y);
      else
        poly.LineTo(c.pts[i].x, c.pts[i].y);
    }
    poly.ClosePolygon();
    poly.FillToTriangles();
    ASSERT_GT(poly.GetTriangleCount(), 0);
    EXPECT_NEAR(TotalArea(poly), PolygonArea(c.pts), 1e-6);
    EXPECT_EQ(Coverage(poly, c.outside.x, c.outside.y), 0);
  }
}

TEST(GeometryTriangles, BowTieFillsBothLobes) {
  PPolygonImpl poly;
  poly.MoveTo(0, 0);
  poly.LineTo(100, 100);
  poly.LineTo(100, 0);
  poly.LineTo(0, 100);
  poly.ClosePolygon();
  poly.FillToTriangles();
  EXPECT_EQ(Coverage(poly, 10, 50), 1);
  EXPECT_EQ(Coverage(poly, 90, 50), 1);
  EXPECT_EQ(Coverage(poly, 50, 10), 0);
  EXPECT_NEAR(TotalArea(poly), 5000, 1e-6);
}

TEST(GeometryTriangles, EllipseFillMatchesItsPolygon) {
  PEllipse ellipse(200, 100, 80, 40, true);
  PPolygonImpl poly;
  poly.StartNewPath();
  poly.JoinPath(&ellipse);
  poly.FillToTriangles();
  std::vector<Pt> pts;
  for (const auto& v : Collect(ellipse))
    if (IsVertex(v.cmd)) pts.push_back({v.x, v.y});
  EXPECT_NEAR(TotalArea(poly), PolygonArea(pts), 1e-6);
  EXPECT_NEAR(TotalArea(poly), 3.14159265358979 * 80 * 40, 3.14159265358979 * 80 * 40 * 0.01);
}

TEST(GeometryTriangles, DegenerateInputGivesNothingOrSomethingSound) {
  struct Case {
    const char* name;
    std::vector<Pt> pts;
    int width;
    int expectTriangles;  // 1 some, 0 none, -1 either, as long as they are finite
  };
  const Case cases[] = {
      {"empty", {}, 5, false},
      {"single point", {{4, 4}}, 5, false},
      {"coincident points", {{4, 4}, {4, 4}, {4, 4 + 1e-15}}, 5, false},
      {"zero width", {{0, 0}, {50, 0}}, 0, false},
      {"NaN coordinate", {{0, 0}, {NAN, 3}, {50, 0}}, 5, -1},
      {"infinite coordinate", {{0, 0}, {INFINITY, 3}, {50, 0}}, 5, -1},
      {"huge coordinates", {{0, 0}, {1e300, 1e300}}, 5, false},
      {"negative width", {{0, 0}, {50, 0}, {50, 50}}, -6, true},
      {"huge width", {{0, 0}, {50, 0}, {50, 50}, {0, 50}}, 0x7FFFFFFF, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PPathImpl path;
    for (size_t i = 0; i < c.pts.size(); ++i) {
      if (i == 0)
        path.MoveTo(c.pts[i].x, c.pts[i].y);
      else
        path.LineTo(c.pts[i].x, c.pts[i].y);
    }
    path.SetWidth(c.width);
    path.StrokeToTriangles();
    if (c.expectTriangles == 1) {
      EXPECT_GT(path.GetTriangleCount(), 0);
    } else if (c.expectTriangles == 0) {
      EXPECT_EQ(path.GetTriangleCount(), 0);
    }
    for (int i = 0; i < path.GetTriangleCount(); ++i) {
      const Triangle* t = path.GetTriangle(i);
      for (const TessVertex* v : {t->A, t->B, t->C}) EXPECT_TRUE(std::isfinite(v->x) && std::isfinite(v->y));
    }
  }

  PPolygonImpl poly;
  poly.MoveTo(0, 0);
  poly.LineTo(NAN, 0);
  poly.LineTo(5, 5);
  poly.FillToTriangles();
  EXPECT_EQ(poly.GetTriangleCount(), 0);
}

TEST(GeometryTriangles, FactoryFunctions) {
  PPath* path = CreatePath();
  ASSERT_NE(path, nullptr);
  path->StartNewPath();
  path->MoveTo(0, 0);
  path->Curve3To(50, 50, 100, 0);
  path->SetWidth(3);
  path->StrokeToTriangles();
  EXPECT_GT(path->GetTriangleCount(), 10);
  ReleasePath(path);
  ReleasePath(nullptr);

  PPolygon* poly = CreatePolygon();
  ASSERT_NE(poly, nullptr);
  poly->MoveTo(0, 0);
  poly->LineTo(10, 0);
  poly->LineTo(0, 10);
  poly->FillToTriangles();
  EXPECT_EQ(poly->GetTriangleCount(), 1);
  ReleasePolygon(poly);
  ReleasePolygon(nullptr);
}

// Writes the triangles of a table of strokes for the shapely comparison.
TEST(GeometryTriangles, WritesStrokesForTheBufferComparison) {
  struct Case {
    const char* name;
    std::vector<Pt> pts;
    bool closed;
    int width;
    int cap;
    int join;
  };
  const std::vector<Pt> zigzag = {{0, 0}, {40, 30}, {80, 0}, {120, 35}, {160, -10}, {200, 20}};
  const std::vector<Pt> corner = {{10, 10}, {110, 10}, {110, 90}};
  const std::vector<Pt> vee = {{0, 0}, {200, 0}, {0, 40}};
  const std::vector<Pt> loop = {{0, 0}, {100, 0}, {100, 60}, {50, 60}, {50, -40}};
  const std::vector<Pt> square = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
  const std::vector<Pt> pentagon = {{50, 0}, {98, 35}, {79, 90}, {21, 90}, {2, 35}};
  const std::vector<Case> cases = {
      {"segment butt", {{0, 0}, {100, 30}}, false, 4, CapButt, JoinRound},
      {"segment square", {{0, 0}, {100, 30}}, false, 4, CapSquare, JoinRound},
      {"segment round", {{0, 0}, {100, 30}}, false, 9, CapRound, JoinRound},
      {"corner miter", corner, false, 6, CapButt, JoinMiter},
      {"corner round", corner, false, 6, CapRound, JoinRound},
      {"corner bevel", corner, false, 6, CapSquare, JoinBevel},
      {"zigzag round", zigzag, false, 5, CapRound, JoinRound},
      {"zigzag miter", zigzag, false, 7, CapButt, JoinMiter},
      {"zigzag bevel", zigzag, false, 3, CapSquare, JoinBevel},
      {"vee miter limit", vee, false, 4, CapButt, JoinMiter},
      {"vee round", vee, false, 8, CapRound, JoinRound},
      {"crossing loop", loop, false, 6, CapRound, JoinRound},
      {"turning back", {{0, 0}, {100, 0}, {20, 1}}, false, 6, CapRound, JoinRound},
      {"figure eight ring", {{0, 0}, {100, 100}, {100, 0}, {0, 100}}, true, 6, CapButt, JoinRound},
      {"tight zigzag", {{0, 0}, {6, 8}, {12, 0}, {18, 8}, {24, 0}}, false, 10, CapRound, JoinRound},
      {"tight zigzag miter", {{0, 0}, {6, 8}, {12, 0}, {18, 8}, {24, 0}}, false, 6, CapButt, JoinMiter},
      {"square ring miter", square, true, 4, CapButt, JoinMiter},
      {"pentagon ring round", pentagon, true, 8, CapButt, JoinRound},
      {"pentagon ring bevel", pentagon, true, 5, CapButt, JoinBevel},
  };
  FILE* f = std::fopen("stroke_cases.txt", "w");
  ASSERT_NE(f, nullptr);
  for (const Case& c : cases) {
    PPathImpl path;
    for (size_t i = 0; i < c.pts.size(); ++i) {
      if (i == 0)
        path.MoveTo(c.pts[i].x, c.pts[i].y);
      else
        path.LineTo(c.pts[i].x, c.pts[i].y);
    }
    if (c.closed) path.ClosePolygon();
    path.SetWidth(c.width);
    path.SetLineCap(c.cap);
    path.SetLineJoin(c.join);
    path.StrokeToTriangles();
    EXPECT_GT(path.GetTriangleCount(), 0) << c.name;
    std::fprintf(f, "case %s\n%d %d %d %d\n%zu", c.name, c.closed ? 1 : 0, c.width, c.cap, c.join, c.pts.size());
    for (const Pt& p : c.pts) std::fprintf(f, " %.17g %.17g", p.x, p.y);
    std::fprintf(f, "\n%d\n", path.GetTriangleCount());
    for (int i = 0; i < path.GetTriangleCount(); ++i) {
      const Triangle* t = path.GetTriangle(i);
      std::fprintf(f, "%.17g %.17g %.17g %.17g %.17g %.17g\n", t->A->x, t->A->y, t->B->x, t->B->y, t->C->x, t->C->y);
    }
  }
  std::fclose(f);
}
