#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/geometry/ArcEllipse.h"
#include "tests/engine/geometry_test_util.h"

namespace {
constexpr double kPi = std::numbers::pi;
}

TEST(GeometryEllipse, StepCountGrowsWithTheRadius) {
  const struct {
    double r;
    unsigned steps;
  } cases[] = {{1, 7}, {2, 9}, {5, 14}, {10, 20}, {48, 44}, {100, 63}, {1000, 199}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.r);
    PEllipse e(0, 0, c.r, c.r, true);
    EXPECT_EQ(e.StepCount(), c.steps);
    const auto v = Collect(e);
    ASSERT_EQ(v.size(), c.steps + 1);
    EXPECT_EQ(v.back().cmd, 0x5Fu);
  }
}

TEST(GeometryEllipse, OutlineRunsClockwiseFromTheRightmostPoint) {
  PEllipse e(100, 50, 48, 48, true);
  const auto v = Collect(e);
  ASSERT_EQ(v.size(), 45u);
  EXPECT_EQ(v[0].cmd, CmdMoveTo);
  EXPECT_DOUBLE_EQ(v[0].x, 148);
  EXPECT_DOUBLE_EQ(v[0].y, 50);
  EXPECT_LT(v[1].y, 50);  // decreasing angles first: upwards on the screen
  for (size_t i = 1; i < 44; ++i) {
    EXPECT_EQ(v[i].cmd, CmdLineTo);
    EXPECT_NEAR(std::hypot(v[i].x - 100, v[i].y - 50), 48, 1e-9);
  }
  EXPECT_EQ(Collect(e).size(), 45u);  // a second Rewind replays

  PEllipse ccw(0, 0, 48, 48, false);
  EXPECT_GT(Collect(ccw)[1].y, 0);
}

TEST(GeometryEllipse, TinyRadiusAndScaleChanges) {
  PEllipse tiny(0, 0, 0.5, 0.5, true);
  auto v = Collect(tiny);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].cmd, 0x5Fu);

  PEllipse e(0, 0, 48, 48, true);
  e.SetApproximationScale(2);
  EXPECT_EQ(e.StepCount(), 62u);
  PEllipse thin(0, 0, 0.5, 48, true);
  const unsigned before = thin.StepCount();
  thin.SetApproximationScale(2);
  EXPECT_EQ(thin.StepCount(), before);
}

TEST(GeometryEllipse, HostileRadiiGiveBoundedOutlines) {
  for (double r : {1e300, 1e17, double(INFINITY), double(NAN)}) {
    SCOPED_TRACE(r);
    PEllipse e(0, 0, r, r, true);
    EXPECT_LE(Collect(e).size(), (1u << 16) + 1);
  }
}

TEST(GeometryArc, VertexCountsAndEnds) {
  const struct {
    const char* name;
    double a1, a2;
    bool dir;
    size_t count;
  } cases[] = {
      {"quarter", 0, kPi / 2, true, 12},
      {"half", 0, kPi, true, 23},
      {"empty", 1, 1, true, 1},
      {"empty backwards", 1, 1, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PArc arc(10, 20, 48, 48, c.a1, c.a2, c.dir);
    const auto v = Collect(arc);
    ASSERT_EQ(v.size(), c.count);
    if (c.count > 1) {
      EXPECT_EQ(v[0].cmd, CmdMoveTo);
      EXPECT_DOUBLE_EQ(v[0].x, 10 + 48 * std::cos(c.a1));
    }
    EXPECT_EQ(v.back().cmd, CmdLineTo);
    EXPECT_DOUBLE_EQ(v.back().x, 10 + 48 * std::cos(c.a2));
    EXPECT_DOUBLE_EQ(v.back().y, 20 + 48 * std::sin(c.a2));
  }
}

// Span of an arc in turns, from the angles of its points.
static double SweptAngle(const std::vector<PathVertex>& v) {
  double total = 0;
  for (size_t i = 1; i < v.size(); ++i) {
    double d = std::atan2(v[i].y, v[i].x) - std::atan2(v[i - 1].y, v[i - 1].x);
    if (d > kPi) d -= 2 * kPi;
    if (d < -kPi) d += 2 * kPi;
    total += d;
  }
  return total;
}

TEST(GeometryArc, DirectionChoosesTheComplement) {
  PArc wrapped(0, 0, 48, 48, kPi / 2, 0, true);
  EXPECT_NEAR(SweptAngle(Collect(wrapped)), 1.5 * kPi, 1e-9);

  PArc arc(0, 0, 48, 48, 0, kPi / 2, true);
  EXPECT_NEAR(SweptAngle(Collect(arc)), 0.5 * kPi, 1e-9);
  arc.SetOption(false);
  const auto v = Collect(arc);
  EXPECT_NEAR(SweptAngle(v), -1.5 * kPi, 1e-9);
  EXPECT_NEAR(v.front().x, 48, 1e-9);  // from 2 pi
  EXPECT_NEAR(v.back().y, 48, 1e-9);   // down to pi / 2
}

TEST(GeometryArc, HostileAnglesAndRadiiEnd) {
  const struct {
    double r, a1, a2;
  } cases[] = {{48, 0, 1e300}, {48, 1e20, 0}, {48, NAN, 1}, {1e17, 0, 6}, {0, 0, 3}, {48, -1e300, 1e300}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a2);
    for (bool dir : {true, false}) {
      PArc arc(0, 0, c.r, c.r, c.a1, c.a2, dir);
      const auto v = Collect(arc, 1u << 20);
      EXPECT_GE(v.size(), 1u);
      EXPECT_LT(v.size(), 1u << 20);
    }
  }
}
