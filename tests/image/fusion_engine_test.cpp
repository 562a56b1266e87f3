// The Laplacian-pyramid engine: the filter passes against worked numbers, the
// SSE2 kernels against the scalar reference, and the pyramid's depth.

#include "FusionKernels.h"
#include "FusionLaplace.h"

#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Variant {
    const char* name;
    const FusionKernels& (*kernels)();
};
const Variant kVariants[] = {{"scalar", FusionKernelsScalar}, {"sse2", FusionKernelsSse2}};

std::vector<float> Line(int length)
{
    return std::vector<float>(FusionLineLength(length), 0.0f);
}

TEST(FusionFilter, WorkedNumbers)
{
    for (const auto& v : kVariants) {
        SCOPED_TRACE(v.name);
        const FusionKernels& k = v.kernels();
        {
            // Reduce of the row 1, 2, 3, 4: the value before the first is the first.
            std::vector<float> row = {1, 2, 3, 4};
            auto line = Line(4);
            k.reduce(row.data(), 4, 1, 4, 4, 1, line.data());
            EXPECT_NEAR(row[0], 1.2631f, 1e-6f);
            EXPECT_NEAR(row[1], 3.0f, 1e-6f);
            EXPECT_EQ(row[2], 3.0f); // beyond the half: untouched
        }
        {
            // The same values as a column: the value before the first is the second.
            std::vector<float> column = {1, 2, 3, 4};
            auto line = Line(4);
            k.reduce(column.data(), 1, 4, 1, 1, 4, line.data());
            EXPECT_NEAR(column[0], 1.5262f, 1e-6f);
            EXPECT_NEAR(column[1], 3.0f, 1e-6f);
        }
        {
            // Expand of the coarse line 1, 2, ..., 8 held in every row of a 16 x 16 plane.
            const int n = 16;
            std::vector<float> plane(n * n, -7.0f);
            for (int y = 0; y < n / 2; ++y)
                for (int x = 0; x < n / 2; ++x)
                    plane[y * n + x] = static_cast<float>(x + 1);
            auto line = Line(n);
            k.expand(plane.data(), n, n, n, n, n, line.data());
            for (int y = 0; y < n; ++y) {
                SCOPED_TRACE(y);
                const float* row = &plane[y * n];
                EXPECT_NEAR(row[0], 1.7893f, 1e-5f);
                EXPECT_NEAR(row[1], 1.7893f, 1e-5f);
                EXPECT_NEAR(row[2], 2.0f, 1e-5f);
                EXPECT_NEAR(row[3], 2.0f, 1e-5f);
                // The last two take the line's third value as their right neighbour.
                EXPECT_NEAR(row[14], (0.2631f * 7 + 0.2631f * 3) + 0.4738f * 8, 1e-5f);
                EXPECT_NEAR(row[15], row[14], 0.0f);
            }
        }
    }
}

TEST(FusionFilter, CombineDetailKeepsTheEarlierOfEqualMagnitudes)
{
    for (const auto& v : kVariants) {
        SCOPED_TRACE(v.name);
        float acc[6] = {1, -2, 3, -4, 0, 5};
        const float inc[6] = {-1, 2, 3.5f, 4, -0.0f, -5.5f};
        const float expected[6] = {1, -2, 3.5f, -4, 0, -5.5f};
        v.kernels().combineDetail(acc, inc, 6, 6, 6, 1);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(acc[i], expected[i]) << i;
    }
}

TEST(FusionFilter, Halvings)
{
    struct Case {
        int cols, rows, halvings;
    };
    const Case cases[] = {{640, 480, 5}, {1024, 768, 6}, {1920, 1080, 3}, {1024, 1024, 7}, {1004, 704, 2},
                          {15, 64, 0},   {64, 15, 0},    {33, 64, 0},     {16, 16, 1},     {2, 2, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(CFusionLaplace::Halvings(c.cols, c.rows), c.halvings) << c.cols << " x " << c.rows;
}

std::vector<float> RandomPlane(std::mt19937& rng, int count)
{
    std::uniform_real_distribution<float> value(-40.0f, 300.0f);
    std::vector<float> plane(count);
    for (auto& v : plane)
        v = value(rng);
    return plane;
}

// Each pass of the SSE2 kernels gives the reference's bits on the whole
// plane, including what the passes leave alone.
TEST(FusionFilter, Sse2PassesMatchTheReference)
{
    struct Case {
        int cols, rows, stride, W, H;
    };
    const Case cases[] = {{16, 16, 16, 16, 16}, {64, 48, 64, 61, 45},  {1024, 64, 1024, 600, 60},
                          {32, 32, 40, 32, 32}, {36, 26, 72, 70, 50},  {104, 72, 104, 101, 71},
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

struct Planes {
    FloatPlane p[3];
};

Planes RandomPicture(std::mt19937& rng, int cols, int rows, int W, int H)
{
    Planes planes;
    std::uniform_real_distribution<float> value(16.0f, 240.0f);
    for (auto& plane : planes.p) {
        plane = FloatPlane::Allocate(cols, rows);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                plane.Row(y)[x] = value(rng);
    }
    return planes;
}

Planes Fuse(const FusionKernels& kernels, const std::vector<Planes>& pictures, int W, int H)
{
    CFusionLaplace engine(kernels);
    const int cols = pictures[0].p[0].Cols(), rows = pictures[0].p[0].Rows();
    engine.Init(W, H, std::max(cols, rows) + 4);
    for (const auto& picture : pictures)
        EXPECT_TRUE(engine.AddImage(picture.p[0], picture.p[1], picture.p[2]));
    Planes result;
    EXPECT_TRUE(engine.GetResult(result.p[0], result.p[1], result.p[2]));
    return result;
}

// The whole fusion with SSE2 kernels gives the reference's bits, and the
// caller's planes are never changed.
TEST(FusionLaplace, Sse2FusionMatchesTheReference)
{
    struct Case {
        int cols, rows, W, H, pictures;
    };
    const Case cases[] = {{64, 48, 61, 45, 3}, {64, 64, 61, 45, 2}, {104, 72, 101, 71, 3}, {1024, 64, 600, 60, 2},
                          {20, 8, 17, 5, 2},   {4, 4, 1, 1, 3},     {72, 52, 70, 50, 1}};
    std::mt19937 rng(11);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cols << " x " << c.rows << " picture " << c.W << " x " << c.H);
        std::vector<Planes> pictures;
        for (int i = 0; i < c.pictures; ++i)
            pictures.push_back(RandomPicture(rng, c.cols, c.rows, c.W, c.H));
        std::vector<Planes> copies;
        for (const auto& picture : pictures) {
            Planes copy;
            for (int p = 0; p < 3; ++p)
                copy.p[p] = picture.p[p].Clone();
            copies.push_back(copy);
        }
        const Planes ref = Fuse(FusionKernelsScalar(), pictures, c.W, c.H);
        const Planes sse = Fuse(FusionKernelsSse2(), pictures, c.W, c.H);
        for (int p = 0; p < 3; ++p) {
            ASSERT_EQ(ref.p[p].Cols(), c.cols);
            ASSERT_EQ(sse.p[p].Rows(), c.rows);
            for (int y = 0; y < c.H; ++y)
                ASSERT_EQ(0, std::memcmp(ref.p[p].Row(y), sse.p[p].Row(y), c.W * sizeof(float))) << "plane " << p << " row " << y;
            for (size_t i = 0; i < pictures.size(); ++i)
                ASSERT_EQ(0, std::memcmp(pictures[i].p[p].Data(), copies[i].p[p].Data(), c.cols * c.rows * sizeof(float)));
        }
    }
}

// Without halvings the result is the average of the pictures' planes; a single
// picture comes back as it went in.
TEST(FusionLaplace, WithoutHalvingsTheResultIsTheAverage)
{
    std::mt19937 rng(3);
    const int cols = 20, rows = 12; // 12 < 16: no halving
    std::vector<Planes> pictures = {RandomPicture(rng, cols, rows, cols, rows), RandomPicture(rng, cols, rows, cols, rows),
                                    RandomPicture(rng, cols, rows, cols, rows)};
    for (size_t count = 1; count <= pictures.size(); ++count) {
        SCOPED_TRACE(count);
        const std::vector<Planes> used(pictures.begin(), pictures.begin() + count);
        const Planes fused = Fuse(FusionKernelsSse2(), used, cols, rows);
        for (int p = 0; p < 3; ++p)
            for (int i = 0; i < cols * rows; ++i) {
                float sum = 0.0f;
                for (const auto& picture : used)
                    sum = sum + picture.p[p].Data()[i];
                const float expected = count > 1 ? sum / static_cast<float>(count) : sum;
                ASSERT_EQ(fused.p[p].Data()[i], expected) << "plane " << p << " value " << i;
            }
    }
}

// Identical pictures fuse into that picture, up to single-precision rounding.
TEST(FusionLaplace, IdenticalPicturesFuseIntoThatPicture)
{
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

TEST(FusionLaplace, RejectsPlanesOfAnotherSizeAndMissingPictures)
{
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
    EXPECT_FALSE(engine.AddImage(a, a, a)); // the fusion is over once its result is out
}

} // namespace
