// The Laplacian-pyramid engine: the filter passes against worked numbers, the
// SSE2 kernels against the scalar reference, and the pyramid's depth.

#include "image/fusion/FusionKernels.h"
#include "image/fusion/FusionLaplace.h"

#include <cstring>
#include <utility>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "tests/image/kernel_reference.h"

namespace {

struct Variant {
  const char* name;
  const FusionKernels& (*kernels)();
};
const Variant kVariants[] = {{"scalar", FusionKernelsScalar}, {"sse2", FusionKernelsSse2}};

std::vector<float> Line(int length) { return std::vector<float>(FusionLineLength(length), 0.0f); }

// The worked numbers of the passes. Each case fills a plane, runs one pass and
// checks some of its values; `coarseLine` fills the top-left half block of a
// 16 x 16 plane with 1, 2, ..., 8 in every row (the rest holds -7).
struct WorkedCase {
  const char* what;
  bool expand;
  int cols, rows, W, H;
  std::vector<float> input;                     // empty: the coarse line
  std::vector<std::pair<int, float>> expected;  // index in the plane, value
};

TEST(FusionFilter, WorkedNumbers) {
  const float last = (0.2631f * 7 + 0.2631f * 3) + 0.4738f * 8;
  const WorkedCase cases[] = {
      {"reduce of the row 1, 2, 3, 4: the value before the first is the first",
       false,
       4,
       1,
       4,
       1,
       {1, 2, 3, 4},
       {{0, 1.2631f}, {1, 3.0f}, {2, 3.0f}, {3, 4.0f}}},
      {"the same values as a column: the value before the first is the second",
       false,
       1,
       4,
       1,
       4,
       {1, 2, 3, 4},
       {{0, 1.5262f}, {1, 3.0f}, {2, 3.0f}}},
      {"reduce stops at the picture's width: E(W / 2) values of the row",
       false,
       8,
       1,
       3,
       1,
       {1, 2, 3, 4, 5, 6, 7, 8},
       {{0, 1.2631f}, {1, 3.0f}, {2, 3.0f}, {3, 4.0f}}},
      {"expand of the coarse line 1, 2, ...: outputs in pairs, the third value at both ends",
       true,
       16,
       16,
       16,
       16,
       {},
       {{0, 1.7893f}, {1, 1.7893f}, {2, 2.0f}, {3, 2.0f}, {14, last}, {15, last}, {15 * 16 + 2, 2.0f}}},
      {"expand: E(W) values of H rows, and columns below W vertically in E(H) rows",
       true,
       16,
       16,
       5,
       3,
       {},
       {{5, 3.0f}, {6, 7.0f}, {3 * 16 + 2, 3.0f}, {3 * 16 + 5, 6.0f}, {4 * 16, 1.0f}}},
  };
  for (const auto& v : kVariants) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << v.name << ": " << c.what);
      std::vector<float> plane = c.input;
      if (plane.empty()) {
        plane.assign(c.cols * c.rows, -7.0f);
        for (int y = 0; y < c.rows / 2; ++y)
          for (int x = 0; x < c.cols / 2; ++x) plane[y * c.cols + x] = static_cast<float>(x + 1);
      }
      auto line = Line(std::max(c.cols, c.rows));
      if (c.expand)
        v.kernels().expand(plane.data(), c.cols, c.rows, c.cols, c.W, c.H, line.data());
      else
        v.kernels().reduce(plane.data(), c.cols, c.rows, c.cols, c.W, c.H, line.data());
      for (const auto& [at, value] : c.expected) EXPECT_NEAR(plane[at], value, 1e-5f) << "value " << at;
    }
  }
}

TEST(FusionFilter, CombineDetailKeepsTheEarlierOfEqualMagnitudes) {
  for (const auto& v : kVariants) {
    SCOPED_TRACE(v.name);
    float acc[6] = {1, -2, 3, -4, 0, 5};
    const float inc[6] = {-1, 2, 3.5f, 4, -0.0f, -5.5f};
    const float expected[6] = {1, -2, 3.5f, -4, 0, -5.5f};
    v.kernels().combineDetail(acc, inc, 6, 6, 6, 1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(acc[i], expected[i]) << i;
  }
}

TEST(FusionFilter, Halvings) {
  struct Case {
    int cols, rows, halvings;
  };
  const Case cases[] = {{640, 480, 5}, {1024, 768, 6}, {1920, 1080, 3}, {1024, 1024, 7}, {1004, 704, 2},
                        {15, 64, 0},   {64, 15, 0},    {33, 64, 0},     {16, 16, 1},     {2, 2, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(CFusionLaplace::Halvings(c.cols, c.rows), c.halvings) << c.cols << " x " << c.rows;
}

std::vector<float> RandomPlane(std::mt19937& rng, int count) {
  std::uniform_real_distribution<float> value(-40.0f, 300.0f);
  std::vector<float> plane(count);
  for (auto& v : plane) v = value(rng);
  return plane;
}

// Each pass of the SSE2 kernels gives the reference's bits on the whole
// plane, including what the passes leave alone.
TEST(FusionFilter, Sse2PassesMatchTheReference) {
  struct Case {
    int cols, rows, stride, W, H;
  };
  const Case cases[] = {{16, 16, 16, 16, 16}, {64, 48, 64, 61, 45},      {1024, 64, 1024, 600, 60},
                        {32, 32, 40, 32, 32}, {36, 26, 72, 70, 50},      {104, 72, 104, 101, 71},
                        {40, 20, 40, 40, 20}, {128, 64, 128, 1000, 1000}};
  const FusionKernels& ref = FusionKernelsScalar();
  const FusionKernels& sse = FusionKernelsSse2();
  std::mt19937 rng(5);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cols << " x " << c.rows << " stride " << c.stride << " picture " << c.W
                                    << " x " << c.H);
    const auto input = RandomPlane(rng, c.stride * c.rows);
    auto a = input, b = input;
    auto lineA = Line(std::max(c.stride, c.rows)), lineB = lineA;
    ref.reduce(a.data(), c.cols, c.rows, c.stride, c.W, c.H, lineA.data());
    sse.reduce(b.data(), c.cols, c.rows, c.stride, c.W, c.H, lineB.data());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float))) << "reduce";
    ref.expand(a.data(), c.cols, c.rows, c.stride, c.W, c.H, lineA.data());
    sse.expand(b.data(), c.cols, c.rows, c.stride, c.W, c.H, lineB.data());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float))) << "expand";

    const auto other = RandomPlane(rng, c.stride * c.rows);
    a = input;
    b = input;
    ref.add(a.data(), other.data(), c.stride, c.stride, c.cols, c.rows, c.H);
    sse.add(b.data(), other.data(), c.stride, c.stride, c.cols, c.rows, c.H);
    EXPECT_EQ(a, b) << "add";
    ref.subtract(a.data(), other.data(), a.data(), c.stride, c.rows, c.H);
    sse.subtract(b.data(), other.data(), b.data(), c.stride, c.rows, c.H);
    EXPECT_EQ(a, b) << "subtract";
    ref.divide(a.data(), c.cols, c.rows, c.stride, 3.0f);
    sse.divide(b.data(), c.cols, c.rows, c.stride, 3.0f);
    EXPECT_EQ(a, b) << "divide";
    ref.combineDetail(a.data(), other.data(), c.stride, c.stride, c.cols, c.rows);
    sse.combineDetail(b.data(), other.data(), c.stride, c.stride, c.cols, c.rows);
    EXPECT_EQ(a, b) << "combine detail";
  }
}

// Expand with odd counts of rows or columns, against the numpy model: the
// last output row or column of an odd count is written like any other.
TEST(FusionFilter, ExpandOfOddSizesMatchesTheReferenceModel) {
  for (const ReferenceCase& c : LoadReferenceCases("expand")) {
    const int cols = static_cast<int>(c.p[0]), rows = static_cast<int>(c.p[1]), stride = static_cast<int>(c.p[2]);
    const int W = static_cast<int>(c.p[3]), H = static_cast<int>(c.p[4]);
    const std::vector<float> input = c.Values<float>("src"), expected = c.Values<float>("expected");
    ASSERT_EQ(input.size(), static_cast<size_t>(stride) * rows) << c.name;
    for (const auto& v : kVariants) {
      SCOPED_TRACE(testing::Message() << v.name << ": " << cols << " x " << rows << " stride " << stride << " picture "
                                      << W << " x " << H);
      std::vector<float> plane = input;
      auto line = Line(std::max(stride, rows));
      v.kernels().expand(plane.data(), cols, rows, stride, W, H, line.data());
      for (int y = 0; y < rows; ++y)
        for (int x = 0; x < stride; ++x)
          ASSERT_EQ(plane[y * stride + x], expected[y * stride + x]) << "row " << y << " column " << x;
    }
  }
}

struct Planes {
  FloatPlane p[3];
};

Planes RandomPicture(std::mt19937& rng, int cols, int rows, int W, int H) {
  Planes planes;
  std::uniform_real_distribution<float> value(16.0f, 240.0f);
  for (auto& plane : planes.p) {
    plane = FloatPlane::Allocate(cols, rows);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) plane.Row(y)[x] = value(rng);
  }
  return planes;
}

Planes Fuse(const FusionKernels& kernels, const std::vector<Planes>& pictures, int W, int H) {
  CFusionLaplace engine(kernels);
  const int cols = pictures[0].p[0].Cols(), rows = pictures[0].p[0].Rows();
  engine.Init(W, H, std::max(cols, rows) + 4);
  for (const auto& picture : pictures) EXPECT_TRUE(engine.AddImage(picture.p[0], picture.p[1], picture.p[2]));
  Planes result;
  EXPECT_TRUE(engine.GetResult(result.p[0], result.p[1], result.p[2]));
  return result;
}

// The whole fusion with SSE2 kernels gives the reference's bits, and the
// caller's planes are never changed.
TEST(FusionLaplace, Sse2FusionMatchesTheReference) {
  struct Case {
    int cols, rows, W, H, pictures;
  };
  const Case cases[] = {{64, 48, 61, 45, 3}, {64, 64, 61, 45, 2}, {104, 72, 101, 71, 3}, {1024, 64, 600, 60, 2},
                        {20, 8, 17, 5, 2},   {4, 4, 1, 1, 3},     {72, 52, 70, 50, 1}};
  std::mt19937 rng(11);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cols << " x " << c.rows << " picture " << c.W << " x " << c.H);
    std::vector<Planes> pictures;
    for (int i = 0; i < c.pictures; ++i) pictures.push_back(RandomPicture(rng, c.cols, c.rows, c.W, c.H));
    std::vector<Planes> copies;
    for (const auto& picture : pictures) {
      Planes copy;
      for (int p = 0; p < 3; ++p) copy.p[p] = picture.p[p].Clone();
      copies.push_back(copy);
    }
    const Planes ref = Fuse(FusionKernelsScalar(), pictures, c.W, c.H);
    const Planes sse = Fuse(FusionKernelsSse2(), pictures, c.W, c.H);
    for (int p = 0; p < 3; ++p) {
      ASSERT_EQ(ref.p[p].Cols(), c.cols);
      ASSERT_EQ(sse.p[p].Rows(), c.rows);
      for (int y = 0; y < c.H; ++y)
        ASSERT_EQ(0, std::memcmp(ref.p[p].Row(y), sse.p[p].Row(y), c.W * sizeof(float)))
            << "plane " << p << " row " << y;
      for (size_t i = 0; i < pictures.size(); ++i)
        ASSERT_EQ(0, std::memcmp(pictures[i].p[p].Data(), copies[i].p[p].Data(), c.cols * c.rows * sizeof(float)));
    }
  }
}

// Without halvings the result is the average of the pictures' planes; a single
// picture comes back as it went in.
TEST(FusionLaplace, WithoutHalvingsTheResultIsTheAverage) {
  std::mt19937 rng(3);
  const int cols = 20, rows = 12;  // 12 < 16: no halving
  std::vector<Planes> pictures = {RandomPicture(rng, cols, rows, cols, rows),
                                  RandomPicture(rng, cols, rows, cols, rows),
                                  RandomPicture(rng, cols, rows, cols, rows)};
  for (size_t count = 1; count <= pictures.size(); ++count) {
    SCOPED_TRACE(count);
    const std::vector<Planes> used(pictures.begin(), pictures.begin() + count);
    const Planes fused = Fuse(FusionKernelsSse2(), used, cols, rows);
    for (int p = 0; p < 3; ++p)
      for (int i = 0; i < cols * rows; ++i) {
        float sum = 0.0f;
        for (const auto& picture : used) sum = sum + picture.p[p].Data()[i];
        const float expected = count > 1 ? sum / static_cast<float>(count) : sum;
        ASSERT_EQ(fused.p[p].Data()[i], expected) << "plane " << p << " value " << i;
      }
  }
}

// Identical pictures fuse into that picture, up to single-precision rounding.
TEST(FusionLaplace, IdenticalPicturesFuseIntoThatPicture) {
  std::mt19937 rng(9);
  const int cols = 128, rows = 96;
  const Planes picture = RandomPicture(rng, cols, rows, cols, rows);
  for (int count : {1, 2, 4}) {
    SCOPED_TRACE(count);
    const Planes fused = Fuse(FusionKernelsSse2(), std::vector<Planes>(count, picture), cols, rows);
    for (int p = 0; p < 3; ++p)
      for (int i = 0; i < cols * rows; ++i)
        ASSERT_NEAR(fused.p[p].Data()[i], picture.p[p].Data()[i], 1e-3f) << "plane " << p << " value " << i;
  }
}

TEST(FusionLaplace, RejectsPlanesOfAnotherSizeAndMissingPictures) {
  CFusionLaplace engine;
  engine.Init(32, 32, 36);
  FloatPlane y, cb, cr;
  EXPECT_FALSE(engine.GetResult(y, cb, cr));
  EXPECT_TRUE(y.Empty());
  const FloatPlane a = FloatPlane::Allocate(32, 32), b = FloatPlane::Allocate(32, 16);
  EXPECT_FALSE(engine.AddImage(a, a, b));
  EXPECT_TRUE(engine.AddImage(a, a, a));
  EXPECT_FALSE(engine.AddImage(b, b, b));
  EXPECT_EQ(engine.Count(), 1);
  EXPECT_TRUE(engine.GetResult(y, cb, cr));
  EXPECT_FALSE(engine.AddImage(a, a, a));  // the fusion is over once its result is out
}

}  // namespace
