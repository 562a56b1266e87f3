#include <gtest/gtest.h>
#include <windows.h>

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "image/primitives/HistogramPrimitives.h"
#include "tests/image/kernel_reference.h"

namespace {

// A level block as the histogram overlay makes one.
struct HistogramSetup {
  std::vector<uint8_t> block;
  int status = 0;
  HistogramSetup(float lower, float upper, int levels, int dataType = HistData8u) {
    int specSize = 0, bufferSize = 0;
    EXPECT_EQ(GetHistogramBufferSize(dataType, 16, 16, &levels, 1, 1, &specSize, &bufferSize), 0);
    block.assign(static_cast<size_t>(specSize), 0xEE);
    status = InitHistogramSpec(dataType, &lower, &upper, &levels, 1, get());
  }
  HistogramSpec* get() { return reinterpret_cast<HistogramSpec*>(block.data()); }
  int32_t level(int i) const {
    int32_t v;
    std::memcpy(&v, block.data() + 48 + 4 * i, 4);
    return v;
  }
};

}  // namespace

TEST(HistogramPrimitives, BufferSizesAndTheirErrors) {
  struct Case {
    const char* what;
    int dataType, width, height;
    std::vector<int> levels;
    int channels;
    int status, specSize, bufferSize;
  };
  const Case cases[] = {
      {"overlay's query", 1, 640, 480, {256}, 1, 0, 1072, 1024},
      {"three channels", 1, 8, 8, {256, 256, 10}, 3, 0, 48 + 4 * 522, 3072},
      {"16-bit", 5, 8, 8, {4}, 1, 0, 64, 262144},
      {"float", 13, 8, 8, {4}, 1, 0, 64, 0},
      {"unknown type, size written", 2, 8, 8, {4}, 1, -12, 64, 0},
      {"two channels", 1, 8, 8, {4, 4}, 2, -53, -1, -1},
      {"one level", 1, 8, 8, {1}, 1, -107, -1, -1},
      {"no width", 1, 0, 8, {4}, 1, -6, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int histSpec = -1, buffer = -1;
    EXPECT_EQ(GetHistogramBufferSize(c.dataType, c.width, c.height, c.levels.data(), c.channels, 1, &histSpec, &buffer),
              c.status);
    EXPECT_EQ(histSpec, c.specSize);
    EXPECT_EQ(buffer, c.bufferSize);
  }
  int histSpec, buffer;
  EXPECT_EQ(GetHistogramBufferSize(1, 8, 8, nullptr, 1, 1, &histSpec, &buffer), -8);
}

TEST(HistogramPrimitives, LevelBlockAndItsErrors) {
  HistogramSetup overlay(0.0f, 255.0f, 256);
  EXPECT_EQ(overlay.status, 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(overlay.level(i), i);

  HistogramSetup narrow(0.0f, 10.0f, 256);
  EXPECT_EQ(narrow.status, 48);
  EXPECT_EQ(narrow.level(0), 0);
  EXPECT_EQ(narrow.level(1), 0);
  EXPECT_EQ(narrow.level(255), 10);

  const float lo = 5.0f, hi = 5.0f, bad = 9.0f;
  const int levels = 4, few = 1;
  std::vector<uint8_t> block(64);
  auto* histSpec = reinterpret_cast<HistogramSpec*>(block.data());
  EXPECT_EQ(InitHistogramSpec(1, &lo, &hi, &levels, 1, histSpec), -7);
  EXPECT_EQ(InitHistogramSpec(1, &lo, &bad, &few, 1, histSpec), -107);
  EXPECT_EQ(InitHistogramSpec(3, &lo, &bad, &levels, 1, histSpec), -12);
  EXPECT_EQ(InitHistogramSpec(1, &lo, &bad, &levels, 2, histSpec), -53);
  EXPECT_EQ(InitHistogramSpec(1, nullptr, &bad, &levels, 1, histSpec), -8);
}

// Levels past the 32-bit range saturate before they become ints, so a range
// that ends beyond 255 still ends above every 8-bit value; bounds that are no
// number are refused.
TEST(HistogramPrimitives, LevelsPastThirtyTwoBitsSaturate) {
  constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    float lower, upper;
    int levels;
    int status;
    std::vector<int32_t> stored;
    std::vector<uint32_t> hist;  // of a plane holding every value once
  };
  const Case cases[] = {
      {"upper 1e10", 0.0f, 1e10f, 2, 0, {0, kMax}, {256}},
      {"upper exactly 2^31", 0.0f, 2147483648.0f, 2, 0, {0, kMax}, {256}},
      {"upper just inside", 100.0f, 2147483520.0f, 2, 0, {100, 2147483520}, {156}},
      {"lower -1e10", -1e10f, 128.0f, 2, 0, {kMin, 128}, {128}},
      {"both past, middle level 0", -1e10f, 1e10f, 3, 0, {kMin, 0, kMax}, {0, 256}},
      {"64-bit extremes", -9.2233720e18f, 9.2233720e18f, 5, 0, {kMin, kMin, 0, kMax, kMax}, {0, 0, 256, 0}},
      {"float extremes", -FLT_MAX, FLT_MAX, 3, 0, {kMin, 0, kMax}, {0, 256}},
      {"infinite range", -inf, inf, 2, 0, {kMin, kMax}, {256}},
      {"infinite range, levels between are no number", -inf, inf, 3, 0, {kMin, 0, kMax}, {0, 256}},
      {"lower no number", nan, 10.0f, 2, -7, {}, {}},
      {"upper no number", 0.0f, nan, 2, -7, {}, {}},
  };
  std::vector<uint8_t> plane(256), buffer(1024);
  for (int v = 0; v < 256; ++v) plane[v] = static_cast<uint8_t>(v);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HistogramSetup s(c.lower, c.upper, c.levels);
    ASSERT_EQ(s.status, c.status);
    if (c.status != 0) continue;
    for (int i = 0; i < c.levels; ++i) EXPECT_EQ(s.level(i), c.stored[i]) << "level " << i;
    std::vector<uint32_t> hist(c.levels - 1, 0xCDCDCDCD);
    ASSERT_EQ(ComputeHistogram8u(plane.data(), 16, 16, 16, hist.data(), s.get(), buffer.data()), 0);
    EXPECT_EQ(hist, c.hist);
  }
}

TEST(HistogramPrimitives, LevelBlockIsSelfContainedWhenMoved) {
  // The block refers to its level array relative to itself, so a copy works
  // after the original is gone.
  std::vector<uint8_t> moved;
  {
    HistogramSetup s(0.0f, 255.0f, 256);
    moved = s.block;
    std::memset(s.block.data(), 0xFF, s.block.size());
  }
  std::vector<uint8_t> plane(100, 7), buffer(1024);
  std::vector<uint32_t> hist(255, 0);
  ASSERT_EQ(ComputeHistogram8u(plane.data(), 10, 10, 10, hist.data(), reinterpret_cast<HistogramSpec*>(moved.data()),
                               buffer.data()),
            0);
  EXPECT_EQ(hist[7], 100u);
}

TEST(HistogramPrimitives, ComputeErrorsLeaveTheCountsAlone) {
  HistogramSetup s(0.0f, 255.0f, 256);
  std::vector<uint8_t> plane(64, 1), buffer(1024);
  std::vector<uint32_t> hist(255, 0xABCD);
  std::vector<uint8_t> blank(1072, 0);
  EXPECT_EQ(ComputeHistogram8u(plane.data(), 7, 8, 8, hist.data(), s.get(), buffer.data()), -14);
  EXPECT_EQ(ComputeHistogram8u(plane.data(), 8, 0, 8, hist.data(), s.get(), buffer.data()), -6);
  EXPECT_EQ(ComputeHistogram8u(nullptr, 8, 8, 8, hist.data(), s.get(), buffer.data()), -8);
  EXPECT_EQ(ComputeHistogram8u(plane.data(), 8, 8, 8, hist.data(), reinterpret_cast<HistogramSpec*>(blank.data()),
                               buffer.data()),
            -5);
  EXPECT_EQ(hist, std::vector<uint32_t>(255, 0xABCD));
}

TEST(HistogramPrimitives, WhitePlaneFallsIntoNoBin) {
  HistogramSetup s(0.0f, 255.0f, 256);
  std::vector<uint8_t> plane(640 * 4, 255), buffer(1024);
  std::vector<uint32_t> hist(255, 5);
  ASSERT_EQ(ComputeHistogram8u(plane.data(), 640, 640, 4, hist.data(), s.get(), buffer.data()), 0);
  EXPECT_EQ(hist, std::vector<uint32_t>(255, 0));
}

TEST(HistogramPrimitives, AlignedBlocks) {
  EXPECT_EQ(AllocAligned8u(0), nullptr);
  EXPECT_EQ(AllocAligned8u(-3), nullptr);
  EXPECT_EQ(AllocAligned32u(0), nullptr);
  FreeAligned(nullptr);
  // Every size, written to the last byte and freed: the raw address kept
  // before the block must survive on 64-bit builds.
  for (int count = 1; count < 300; ++count) {
    uint8_t* a = AllocAligned8u(count);
    uint32_t* b = AllocAligned32u(count);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 64, 0u);
    std::memset(a, 0x11, static_cast<size_t>(count));
    std::memset(b, 0x22, static_cast<size_t>(count) * 4);
    FreeAligned(a);
    FreeAligned(b);
  }
}

TEST(HistogramPrimitives, EveryVariantMatchesTheReferenceModel) {
  InitPrimitives();
  const int chosen = HistogramPrimitivesVariant();
  ASSERT_GE(chosen, 0);
  ASSERT_LE(chosen, 5);
  for (const ReferenceCase& c : LoadReferenceCases("hist")) {
    SCOPED_TRACE(c.name);
    const int w = static_cast<int>(c.p[0]), h = static_cast<int>(c.p[1]), step = static_cast<int>(c.p[2]);
    const int levels = static_cast<int>(c.p[3]);
    const float lower = static_cast<float>(c.p[4]) / 1000.0f, upper = static_cast<float>(c.p[5]) / 1000.0f;
    int specSize = 0, bufferSize = 0;
    ASSERT_EQ(GetHistogramBufferSize(1, w, h, &levels, 1, 1, &specSize, &bufferSize), 0);
    uint8_t* histSpec = AllocAligned8u(specSize);
    uint8_t* buffer = AllocAligned8u(bufferSize);
    auto* sp = reinterpret_cast<HistogramSpec*>(histSpec);
    EXPECT_EQ(InitHistogramSpec(1, &lower, &upper, &levels, 1, sp), c.p[6]);
    EXPECT_EQ(c.Values<int32_t>("levels"), std::vector<int32_t>(reinterpret_cast<int32_t*>(histSpec + 48),
                                                                reinterpret_cast<int32_t*>(histSpec + 48) + levels));
    const std::vector<uint8_t> plane = c.Blob("plane");
    const std::vector<uint32_t> expected = c.Values<uint32_t>("expected");
    uint32_t* hist = AllocAligned32u(levels - 1);
    for (int v = 0; v <= chosen; ++v) {
      SCOPED_TRACE(v);
      std::memset(hist, 0xCD, static_cast<size_t>(levels - 1) * 4);
      ASSERT_EQ(ComputeHistogram8uVariant(v, plane.data(), step, w, h, hist, sp, buffer), 0);
      EXPECT_EQ(std::vector<uint32_t>(hist, hist + levels - 1), expected);
    }
    std::memset(hist, 0xCD, static_cast<size_t>(levels - 1) * 4);
    ASSERT_EQ(ComputeHistogram8u(plane.data(), step, w, h, hist, sp, buffer), 0);
    EXPECT_EQ(std::vector<uint32_t>(hist, hist + levels - 1), expected);
    FreeAligned(hist);
    FreeAligned(buffer);
    FreeAligned(histSpec);
  }
}

// Runs only in the child process that FirstCallChoosesTheVariant starts, where
// no primitive has run yet.
TEST(HistogramFreshProcess, ComputeChoosesTheVariantFirst) {
  if (GetEnvironmentVariableW(L"MEASURE_FRESH_PRIMITIVES", nullptr, 0) == 0)
    GTEST_SKIP() << "runs in a fresh process only";
  ASSERT_EQ(HistogramPrimitivesVariant(), -1) << "some primitive ran before";
  uint32_t hist[4];
  EXPECT_EQ(ComputeHistogram8u(nullptr, 8, 8, 8, hist, nullptr, nullptr), -8);
  EXPECT_GE(HistogramPrimitivesVariant(), 0);
}

TEST(HistogramPrimitives, FirstCallChoosesTheVariant) {
  // A child process of this test program, filtered to the test above.
  wchar_t exe[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=HistogramFreshProcess.*";
  SetEnvironmentVariableW(L"MEASURE_FRESH_PRIMITIVES", L"1");
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  SetEnvironmentVariableW(L"MEASURE_FRESH_PRIMITIVES", nullptr);
  ASSERT_TRUE(started);
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(code, 0u);
}
