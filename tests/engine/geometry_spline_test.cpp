#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "engine/geometry/Bspline.h"
#include "tests/engine/geometry_test_util.h"

TEST(GeometrySpline, FewPointsPassThrough) {
  PBspline none;
  EXPECT_TRUE(Collect(none).empty());
  PBspline one;
  one.AddVertex(5, 5, CmdMoveTo);
  EXPECT_TRUE(Collect(one).empty());

  PBspline two;
  two.AddVertex(1, 2, CmdMoveTo);
  two.AddVertex(3, 4, CmdLineTo);
  const auto v = Collect(two);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].cmd, CmdMoveTo);
  EXPECT_EQ(v[0].x, 1);
  EXPECT_EQ(v[1].cmd, CmdLineTo);
  EXPECT_EQ(v[1].y, 4);
}

TEST(GeometrySpline, MoveToReplacesTheLastPoint) {
  PBspline spline;
  spline.AddVertex(0, 0, CmdMoveTo);
  spline.AddVertex(9, 9, CmdMoveTo);
  spline.AddVertex(10, 0, CmdLineTo);
  const auto v = Collect(spline);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].x, 9);
}

TEST(GeometrySpline, CollinearPointsStayOnTheLine) {
  PBspline spline;
  spline.AddVertex(0, 0, CmdMoveTo);
  spline.AddVertex(10, 5, CmdLineTo);
  spline.AddVertex(20, 10, CmdLineTo);
  const auto v = Collect(spline);
  ASSERT_GE(v.size(), 100u);
  EXPECT_EQ(v.front().cmd, CmdMoveTo);
  EXPECT_EQ(v.back().cmd, 0x0Fu);
  const PathVertex& last = v[v.size() - 2];
  EXPECT_EQ(last.cmd, CmdLineTo);
  EXPECT_EQ(last.x, 20);
  EXPECT_EQ(last.y, 10);
  for (size_t i = 0; i + 1 < v.size(); ++i) EXPECT_NEAR(v[i].y, v[i].x / 2, 1e-9);
}

TEST(GeometrySpline, ClosedTriangleLoops) {
  const double pts[3][2] = {{0, 0}, {100, 0}, {50, 80}};
  PBspline spline;
  spline.AddVertex(pts[0][0], pts[0][1], CmdMoveTo);
  spline.AddVertex(pts[1][0], pts[1][1], CmdLineTo);
  spline.AddVertex(pts[2][0], pts[2][1], CmdLineTo);
  spline.AddVertex(0, 0, 0x4F);
  const auto v = Collect(spline);
  ASSERT_GT(v.size(), 100u);
  EXPECT_EQ(v.back().cmd, 0x4Fu);
  EXPECT_NEAR(v.front().x, 0, 1e-9);
  EXPECT_NEAR(v.front().y, 0, 1e-9);
  EXPECT_NEAR(v[v.size() - 2].x, 0, 2);  // ends near its start
  EXPECT_NEAR(v[v.size() - 2].y, 0, 2);
  for (const auto& p : pts) {
    double best = 1e9;
    for (size_t i = 0; i + 1 < v.size(); ++i) best = std::min(best, std::hypot(v[i].x - p[0], v[i].y - p[1]));
    EXPECT_LT(best, 1e-6);
  }
}

TEST(GeometrySpline, AddingAPointRestarts) {
  PBspline spline;
  spline.AddVertex(0, 0, CmdMoveTo);
  spline.AddVertex(10, 10, CmdLineTo);
  spline.AddVertex(20, 0, CmdLineTo);
  const size_t before = Collect(spline).size();
  EXPECT_EQ(Collect(spline).size(), before);
  spline.AddVertex(30, 10, CmdLineTo);
  const auto v = Collect(spline);
  EXPECT_GT(v.size(), before + 40);
  EXPECT_EQ(v[v.size() - 2].x, 30);
}

TEST(GeometrySpline, HostilePointsEnd) {
  PBspline spline;
  spline.AddVertex(0, 0, CmdMoveTo);
  spline.AddVertex(NAN, 1, CmdLineTo);
  spline.AddVertex(1e308, -1e308, CmdLineTo);
  spline.AddVertex(5, 5, CmdLineTo);
  spline.AddVertex(5, 5, CmdLineTo);  // coincident clicks
  const auto v = Collect(spline, 100000);
  EXPECT_LT(v.size(), 100000u);
  EXPECT_EQ(v.back().cmd, 0x0Fu);
}

// The smoothed curve follows scipy's natural cubic spline of each coordinate.
TEST(GeometrySpline, MatchesNaturalCubicSpline) {
  std::ifstream in("spline_cases.txt");
  ASSERT_TRUE(in) << "spline_cases.txt is written by geometry_spline_fixture.py";
  std::string word;
  int cases = 0;
  while (in >> word) {
    ASSERT_EQ(word, "case");
    int closed = 0, n = 0, m = 0;
    in >> closed >> n;
    SCOPED_TRACE("case " + std::to_string(cases));
    PBspline spline;
    std::vector<PointD> pts(n);
    for (int i = 0; i < n; ++i) {
      in >> pts[i].x >> pts[i].y;
      spline.AddVertex(pts[i].x, pts[i].y, i == 0 ? CmdMoveTo : CmdLineTo);
    }
    if (closed) spline.AddVertex(0, 0, CmdEndPoly | FlagClose);
    in >> word >> m;
    std::vector<PointD> expect(m);
    for (auto& p : expect) in >> p.x >> p.y;

    const auto v = Collect(spline);
    const size_t tail = closed ? 1 : 2;  // end of polygon, and the exact last point when open
    ASSERT_EQ(v.size(), size_t(m) + tail);
    for (int i = 0; i < m; ++i) {
      EXPECT_NEAR(v[i].x, expect[i].x, 1e-7);
      EXPECT_NEAR(v[i].y, expect[i].y, 1e-7);
    }
    if (!closed) {
      EXPECT_EQ(v[m].x, pts[n - 1].x);
      EXPECT_EQ(v[m].y, pts[n - 1].y);
    }
    ++cases;
  }
  EXPECT_GE(cases, 10);
}
