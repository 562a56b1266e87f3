#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/geometry/Bezier.h"
#include "engine/geometry/CurveFlatten.h"
#include "engine/geometry/PathImpl.h"
#include "engine/geometry/VertexBlockStorage.h"
#include "tests/engine/geometry_test_util.h"

TEST(GeometryStorage, BlocksOf256KeepEveryPoint) {
  VertexBlockStorage store;
  for (unsigned i = 0; i < 257; ++i) store.Add(i, -double(i), i == 0 ? CmdMoveTo : CmdLineTo);
  EXPECT_EQ(store.Total(), 257u);
  EXPECT_EQ(store.BlockCount(), 2u);
  double x, y;
  EXPECT_EQ(store.Point(256, &x, &y), CmdLineTo);
  EXPECT_EQ(x, 256);
  EXPECT_EQ(y, -256);
  EXPECT_EQ(store.Point(0, &x, &y), CmdMoveTo);

  // Tables grow past 256 blocks without losing earlier points.
  for (unsigned i = 257; i < 256 * 300; ++i) store.Add(i, i, CmdLineTo);
  EXPECT_EQ(store.BlockCount(), 300u);
  store.Point(255, &x, &y);
  EXPECT_EQ(x, 255);
  store.Point(256 * 300 - 1, &x, &y);
  EXPECT_EQ(x, 256 * 300 - 1);
}

TEST(GeometryPath, StartNewPathWritesOneSeparator) {
  PPathImpl path;
  EXPECT_EQ(path.StartNewPath(), 0u);
  EXPECT_EQ(path.Vertices().Total(), 0u);
  path.MoveTo(1, 2);
  path.LineTo(3, 4);
  EXPECT_EQ(path.StartNewPath(), 3u);
  EXPECT_EQ(path.StartNewPath(), 3u);
  EXPECT_EQ(path.Vertices().LastCommand(), CmdStop);
}

TEST(GeometryPath, ClosePolygonOnlyAfterAVertex) {
  PPathImpl path;
  path.ClosePolygon();
  EXPECT_EQ(path.Vertices().Total(), 0u);
  path.MoveTo(0, 0);
  path.LineTo(1, 0);
  path.ClosePolygon();
  path.ClosePolygon();
  ASSERT_EQ(path.Vertices().Total(), 3u);
  EXPECT_EQ(path.Vertices().LastCommand(), 0x4Fu);
}

TEST(GeometryPath, SmoothCurvesMirrorThePreviousControlPoint) {
  PPathImpl path;
  path.SmoothCurve3To(5, 5);  // no current point: nothing
  EXPECT_EQ(path.Vertices().Total(), 0u);

  path.MoveTo(0, 0);
  path.SmoothCurve3To(10, 0);  // control = last point
  path.SmoothCurve3To(20, 0);  // control = 2 * (10,0) - (0,0)
  const auto v = Collect(path);
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[1].cmd, CmdCurve3);
  EXPECT_EQ(v[1].x, 0);
  EXPECT_EQ(v[3].x, 20);  // mirrored control
  EXPECT_EQ(v[3].cmd, CmdCurve3);

  PPathImpl cubic;
  cubic.MoveTo(0, 0);
  cubic.Curve4To(1, 1, 2, 2, 3, 0);
  cubic.SmoothCurve4To(5, 5, 6, 0);
  const auto c = Collect(cubic);
  ASSERT_EQ(c.size(), 7u);
  EXPECT_EQ(c[4].x, 4);  // 2 * (3,0) - (2,2)
  EXPECT_EQ(c[4].y, -2);
}

TEST(GeometryPath, ArcToFallsBackToStraightSegments) {
  struct Case {
    const char* name;
    bool withStart;
    double rx;
    double x;
    size_t count;
    PathCommand lastCmd;
  };
  const Case cases[] = {
      {"no current point moves", false, 10, 5, 1, CmdMoveTo},
      {"zero radius draws a line", true, 0, 5, 2, CmdLineTo},
      {"same end point adds nothing", true, 10, 0, 1, CmdMoveTo},
      {"valid radii still a line", true, 10, 5, 2, CmdLineTo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PPathImpl path;
    if (c.withStart) path.MoveTo(0, 0);
    path.ArcTo(c.rx, c.rx, 0, false, true, c.x, 0);
    const auto v = Collect(path);
    ASSERT_EQ(v.size(), c.count);
    EXPECT_EQ(v.back().cmd, c.lastCmd);
  }
}

TEST(GeometryPath, JoinPathConnectsSources) {
  PPathImpl first;
  first.MoveTo(10, 0);
  first.LineTo(20, 0);
  first.MoveTo(30, 0);

  {
    SCOPED_TRACE("into an empty path the first point moves");
    PPathImpl path;
    path.JoinPath(&first);
    const auto v = Collect(path);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].cmd, CmdMoveTo);
    EXPECT_EQ(v[1].cmd, CmdLineTo);
    EXPECT_EQ(v[2].cmd, CmdLineTo);  // later move-tos become line-tos
  }
  {
    SCOPED_TRACE("a coincident first point is dropped");
    PPathImpl path;
    path.MoveTo(0, 0);
    path.LineTo(10, 1e-15);
    path.JoinPath(&first);
    EXPECT_EQ(Collect(path).size(), 4u);
  }
  {
    SCOPED_TRACE("a distinct first point becomes a line-to");
    PPathImpl path;
    path.MoveTo(0, 0);
    path.JoinPath(&first);
    const auto v = Collect(path);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[1].cmd, CmdLineTo);
  }
  {
    SCOPED_TRACE("after an end of polygon");
    PPathImpl path;
    path.MoveTo(0, 0);
    path.LineTo(5, 0);
    path.ClosePolygon();
    path.JoinPath(&first);
    const auto v = Collect(path);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[3].cmd, CmdLineTo);
  }
  {
    SCOPED_TRACE("an empty source adds nothing");
    PPathImpl empty;
    PPathImpl path;
    path.MoveTo(0, 0);
    path.JoinPath(&empty);
    path.JoinPath(nullptr);
    EXPECT_EQ(Collect(path).size(), 1u);
  }
}

TEST(GeometryCurves, SubdivisionOfDegenerateQuadratics) {
  struct Case {
    const char* name;
    double pts[6];
    size_t count;
  };
  const Case cases[] = {
      {"control between the ends", {0, 0, 5, 0, 10, 0}, 2},
      {"zero length", {3, 3, 3, 3, 3, 3}, 3},
      {"control beyond the end", {0, 0, 20, 0, 10, 0}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PCurve3Div curve;
    curve.Init(c.pts[0], c.pts[1], c.pts[2], c.pts[3], c.pts[4], c.pts[5]);
    const auto v = Collect(curve);
    ASSERT_GE(v.size(), 2u);
    if (c.count) {
      EXPECT_EQ(v.size(), c.count);
    }
    EXPECT_EQ(v.front().cmd, CmdMoveTo);
    EXPECT_EQ(v.front().x, c.pts[0]);
    EXPECT_EQ(v.back().x, c.pts[4]);
    EXPECT_EQ(v.back().y, c.pts[5]);
    for (size_t i = 1; i < v.size(); ++i) EXPECT_EQ(v[i].cmd, CmdLineTo);
  }
}

// Every flattened point lies within half a pixel of the true curve, and a
// larger approximation scale gives more points.
TEST(GeometryCurves, FlatteningStaysOnTheCurve) {
  auto cubic = [](double t, const double* p, int k) {
    const double u = 1 - t;
    return u * u * u * p[k] + 3 * u * u * t * p[k + 2] + 3 * u * t * t * p[k + 4] + t * t * t * p[k + 6];
  };
  const double p[8] = {0, 0, 30, 120, 170, -60, 200, 50};
  for (unsigned method : {unsigned(CurveIncremental), unsigned(CurveSubdivision)}) {
    SCOPED_TRACE(method);
    PCurve4 curve;
    curve.SetApproximationMethod(method);
    curve.Init(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
    const auto v = Collect(curve);
    ASSERT_GT(v.size(), 10u);
    for (const PathVertex& q : v) {
      double best = 1e9;
      for (int i = 0; i <= 20000; ++i) {
        const double t = i / 20000.0;
        best = std::min(best, std::hypot(cubic(t, p, 0) - q.x, cubic(t, p, 1) - q.y));
      }
      EXPECT_LT(best, 0.5);
    }
    curve.SetApproximationScale(4);
    EXPECT_GT(Collect(curve).size(), v.size());
  }
}

TEST(GeometryCurves, IncrementalUsesAtLeastFourSteps) {
  PCurve3Inc curve;
  curve.Init(0, 0, 0.5, 0, 1, 0);
  auto v = Collect(curve);
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[4].x, 1);
  EXPECT_EQ(Collect(curve).size(), 5u);  // replays after Rewind

  PCurve4Inc cubic;
  EXPECT_TRUE(Collect(cubic).empty());  // never initialised
  cubic.Init(0, 0, 100, 0, 200, 0, 300, 0);
  EXPECT_EQ(Collect(cubic).size(), 76u);  // 300 * 0.25 + 0.5 -> 75 steps
}

TEST(GeometryCurves, ConvertReplacesCurvesByLines) {
  PPathImpl path;
  path.MoveTo(0, 0);
  path.Curve3To(50, 100, 100, 0);
  path.LineTo(100, 50);
  path.Curve4To(100, 100, 0, 100, 0, 50);
  PCurveConvert convert(&path);
  const auto v = Collect(convert);
  ASSERT_GT(v.size(), 8u);
  EXPECT_EQ(v.front().cmd, CmdMoveTo);
  bool sawCorner = false;
  for (size_t i = 1; i < v.size(); ++i) {
    EXPECT_EQ(v[i].cmd, CmdLineTo);
    sawCorner |= v[i].x == 100 && v[i].y == 50;
  }
  EXPECT_TRUE(sawCorner);
  EXPECT_EQ(v.back().x, 0);
  EXPECT_EQ(v.back().y, 50);
  EXPECT_EQ(Collect(convert).size(), v.size());
}

TEST(GeometryCurves, HostileCoordinatesEndQuickly) {
  const double bad[] = {NAN, INFINITY, 1e300, -1e300, 1e200};
  for (double b : bad) {
    SCOPED_TRACE(b);
    PCurve4Div cubic;
    cubic.Init(0, 0, b, 1, 5, b, 10, 0);
    const auto v = Collect(cubic);
    EXPECT_GE(v.size(), 2u);
    EXPECT_LE(v.size(), 1u << 16);
    PCurve3Inc inc;
    inc.Init(0, 0, b, b, 1, 1);
    EXPECT_LE(Collect(inc).size(), (1u << 16) + 1);
  }
}

TEST(GeometryBezier, EmptyHoldersYieldStop) {
  PBezier bezier;
  double x, y;
  EXPECT_EQ(bezier.Vertex(&x, &y), CmdStop);
  bezier.Rewind();
  EXPECT_EQ(bezier.Vertex(&x, &y), CmdStop);
  PBezierSvg svg;
  svg.Init(0, 0, 10, 10, 0, false, true, 10, 10);
  EXPECT_FALSE(svg.RadiiValid());
  EXPECT_TRUE(Collect(svg).empty());
}

// Released paths and polygons are recycled: the next one starts with no
// points, no triangles and the default pen, whatever the last one held.
TEST(GeometryPath, ARecycledShapeStartsAfresh) {
  auto corners = [](auto* shape) {
    std::vector<double> out;
    for (int t = 0; t < shape->GetTriangleCount(); ++t) {
      const Triangle* tri = shape->GetTriangle(t);
      for (const TessVertex* v : {tri->A, tri->B, tri->C}) {
        out.push_back(v->x);
        out.push_back(v->y);
      }
    }
    return out;
  };
  auto square = [](auto* shape) {
    shape->MoveTo(10, 10);
    shape->LineTo(60, 10);
    shape->LineTo(60, 40);
    shape->LineTo(10, 40);
    shape->ClosePolygon();
  };
  auto star = [](auto* shape) {
    shape->StartNewPath();
    shape->MoveTo(0, 0);
    for (int i = 1; i < 600; ++i) shape->LineTo((i * 37) % 500, (i * 91) % 400);
    shape->ClosePolygon();
  };
  PPathImpl freshPath;
  square(&freshPath);
  freshPath.StrokeToTriangles();
  PPolygonImpl freshPolygon;
  square(&freshPolygon);
  freshPolygon.FillToTriangles();
  ASSERT_GT(freshPath.GetTriangleCount(), 0);
  ASSERT_GT(freshPolygon.GetTriangleCount(), 0);

  for (int round = 0; round < 3; ++round) {
    PPath* used = CreatePath();
    ASSERT_NE(used, nullptr);
    star(used);
    used->SetWidth(17);
    used->SetLineCap(CapSquare);
    used->SetLineJoin(JoinMiter);
    used->StrokeToTriangles();
    ASSERT_GT(used->GetTriangleCount(), freshPath.GetTriangleCount());
    ReleasePath(used);
    PPath* next = CreatePath();
    square(next);
    next->StrokeToTriangles();
    EXPECT_EQ(corners(next), corners(&freshPath));
    ReleasePath(next);

    PPolygon* usedPolygon = CreatePolygon();
    ASSERT_NE(usedPolygon, nullptr);
    star(usedPolygon);
    usedPolygon->FillToTriangles();
    ReleasePolygon(usedPolygon);
    PPolygon* nextPolygon = CreatePolygon();
    square(nextPolygon);
    nextPolygon->FillToTriangles();
    EXPECT_EQ(corners(nextPolygon), corners(&freshPolygon));
    ReleasePolygon(nextPolygon);
  }
}
