#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "image/colour/EnhancePipeline.h"
#include "image/colour/ImageEnhance.h"
#include "tests/image/injected_alloc.h"
#include "tests/image/kernel_reference.h"

using namespace ZEvuvoro;

namespace {

struct Bgra {
  uint8_t b, g, r, a;
  bool operator==(const Bgra&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Bgra& p) {
  return os << "(b " << int(p.b) << ", g " << int(p.g) << ", r " << int(p.r) << ", a " << int(p.a) << ")";
}

// A one-row frame of identical pixels through a fresh enhancement object.
Bgra ProcessOne(Bgra in, void (*configure)(CImageEnhance&)) {
  CImageEnhance e;
  e.SetColorCorrection(0);
  configure(e);
  std::vector<Bgra> frame(9, in);
  e.Create(9, 1);
  e.Process(reinterpret_cast<uint8_t*>(frame.data()), 36, reinterpret_cast<uint8_t*>(frame.data()), 36);
  for (const Bgra& p : frame) EXPECT_EQ(p, frame[0]);
  return frame[0];
}

EnhanceSettings IdentitySettings() {
  EnhanceSettings s{};
  s.gain[0] = s.gain[1] = s.gain[2] = 128;
  for (int i = 0; i < 4; ++i) s.coef[i * 5] = 64;
  s.colourful = 1;
  return s;
}

}  // namespace

TEST(ColourEnhance, WorkedPixels) {
  struct Case {
    const char* what;
    Bgra in;
    void (*configure)(CImageEnhance&);
    Bgra out;
  };
  const Case cases[] = {
      {"defaults leave the frame alone", {10, 20, 30, 77}, [](CImageEnhance&) {}, {10, 20, 30, 77}},
      {"any change processes, alpha 0", {10, 20, 30, 77}, [](CImageEnhance& e) { e.SetRedGain(129); }, {10, 20, 30, 0}},
      {"gains 256, 128, 64",
       {10, 20, 30, 9},
       [](CImageEnhance& e) {
         e.SetRedGain(256);
         e.SetBlueGain(64);
       },
       {5, 20, 60, 0}},
      {"gain 1000 saturates", {100, 100, 100, 9}, [](CImageEnhance& e) { e.SetGreenGain(1000); }, {100, 255, 100, 0}},
      {"grey", {10, 20, 30, 9}, [](CImageEnhance& e) { e.SetColorful(0); }, {21, 21, 21, 0}},
      {"grey of white", {255, 255, 255, 255}, [](CImageEnhance& e) { e.SetColorful(0); }, {253, 253, 253, 0}},
      {"default gamma 120",
       {64, 128, 192, 1},
       [](CImageEnhance& e) {
         e.SetGamma(120);
         e.SetGammaEnabled(1);
       },
       {48, 111, 181, 0}},
      {"gamma 200",
       {128, 128, 128, 1},
       [](CImageEnhance& e) {
         e.SetGamma(200);
         e.SetGammaEnabled(1);
       },
       {64, 64, 64, 0}},
      {"gamma 100 is the identity",
       {3, 128, 254, 1},
       [](CImageEnhance& e) {
         e.SetGamma(100);
         e.SetGammaEnabled(1);
       },
       {3, 128, 254, 0}},
      {"gamma 0 and 201 are ignored",
       {64, 128, 192, 1},
       [](CImageEnhance& e) {
         e.SetGamma(200);
         e.SetGamma(0);
         e.SetGamma(201);
         e.SetGammaEnabled(1);
       },
       {16, 64, 144, 0}},
      {"gamma on without a table runs the colour pipeline",
       {64, 128, 192, 1},
       [](CImageEnhance& e) { e.SetGammaEnabled(1); },
       {64, 128, 192, 0}},
      {"fixed correction on grey",
       {100, 100, 100, 1},
       [](CImageEnhance& e) { e.SetColorCorrection(1); },
       {102, 100, 100, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ProcessOne(c.in, c.configure), c.out);
  }
}

TEST(ColourEnhance, OffsetCoefficientsAddAndSubtractWithoutUnderflow) {
  EnhanceSettings s = IdentitySettings();
  s.coef[12] = 640;   // red + 10
  s.coef[13] = -640;  // green - 10
  const uint8_t src[8] = {50, 5, 100, 0, 50, 60, 250, 0};
  uint8_t scalar[8], simd[8];
  EnhanceFrameScalar(src, 8, scalar, 8, 2, 1, s);
  EnhanceFrameSse2(src, 8, simd, 8, 2, 1, s);
  const uint8_t expected[8] = {50, 0, 110, 0, 50, 50, 255, 0};
  EXPECT_EQ(0, std::memcmp(scalar, expected, 8));
  EXPECT_EQ(0, std::memcmp(simd, expected, 8));
}

TEST(ColourEnhance, PipelinesMatchTheReferenceModel) {
  for (const ReferenceCase& c : LoadReferenceCases("pipeline")) {
    SCOPED_TRACE(c.name);
    const int w = static_cast<int>(c.p[0]), h = static_cast<int>(c.p[1]), stride = static_cast<int>(c.p[2]);
    EnhanceSettings s{};
    for (int k = 0; k < 3; ++k) s.gain[k] = static_cast<int>(c.p[3 + k]);
    s.colourful = static_cast<int>(c.p[6]);
    const std::vector<uint8_t> table = c.Blob("table");
    s.gammaTable = c.p[7] ? table.data() : nullptr;
    for (int k = 0; k < 16; ++k) s.coef[k] = static_cast<int16_t>(c.p[8 + k]);
    const std::vector<uint8_t> src = c.Blob("src"), expected = c.Blob("expected");
    using Fn = void (*)(const uint8_t*, int, uint8_t*, int, int, int, const EnhanceSettings&);
    const std::pair<const char*, Fn> variants[] = {
        {"scalar", EnhanceFrameScalar}, {"sse2", EnhanceFrameSse2}, {"avx2", EnhanceFrameAvx2}};
    std::vector<uint16_t> pairs(65536);
    BuildGammaPairs(table.data(), pairs.data());
    for (const auto& [name, fn] : variants) {
      if (fn == EnhanceFrameAvx2 && !EnhanceHasAvx2()) continue;
      const uint16_t* const pairChoices[2] = {nullptr, pairs.data()};
      for (const uint16_t* withPairs : pairChoices) {
        s.gammaPairs = s.gammaTable ? withPairs : nullptr;
        std::vector<uint8_t> dst = c.Blob("dst");
        fn(src.data(), stride, dst.data(), stride, w, h, s);
        EXPECT_EQ(FirstDifference(dst, expected), -1) << name << (withPairs ? " with pairs" : "");
      }
    }
  }
}

TEST(ColourEnhance, SimdEqualsScalarOnRandomFrames) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    const int w = 1 + static_cast<int>(rng() % 37), h = 1 + static_cast<int>(rng() % 3);
    const int stride = w * 4 + static_cast<int>(rng() % 9);
    EnhanceSettings s{};
    const int range = round % 2 ? 200 : 65536;
    for (int16_t& c : s.coef) c = static_cast<int16_t>(static_cast<int>(rng() % range) - range / 2);
    if (round % 3 == 0)  // each output taking only its own input positively, the usual shape
      for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j) {
          const int m = std::abs(s.coef[k * 4 + j]) % 150;
          s.coef[k * 4 + j] = static_cast<int16_t>(k == j ? m + 1 : -m);
        }
    for (int& g : s.gain) g = static_cast<int>(rng() % 400);
    s.colourful = round % 7 ? 1 : 0;
    std::vector<uint8_t> src(static_cast<size_t>(stride) * h), a(src.size()), b;
    for (uint8_t& v : src) v = static_cast<uint8_t>(rng());
    for (uint8_t& v : a) v = static_cast<uint8_t>(rng());
    std::vector<uint8_t> table(256);
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i ? rng() : 0);
    s.gammaTable = round % 5 == 3 ? table.data() : nullptr;
    std::vector<uint16_t> pairs(65536);
    BuildGammaPairs(table.data(), pairs.data());
    s.gammaPairs = round % 10 == 3 ? pairs.data() : nullptr;
    b = a;
    std::vector<uint8_t> c = a;
    EnhanceFrameScalar(src.data(), stride, a.data(), stride, w, h, s);
    EnhanceFrameSse2(src.data(), stride, b.data(), stride, w, h, s);
    ASSERT_EQ(FirstDifference(a, b), -1) << "sse2, round " << round;
    if (EnhanceHasAvx2()) {
      EnhanceFrameAvx2(src.data(), stride, c.data(), stride, w, h, s);
      ASSERT_EQ(FirstDifference(a, c), -1) << "avx2, round " << round;
    }
  }
}

TEST(ColourEnhance, FramesMatchTheReferenceModel) {
  for (const ReferenceCase& c : LoadReferenceCases("enhance")) {
    SCOPED_TRACE(c.name);
    const auto p = [&](int i) { return static_cast<int>(c.p[i]); };
    const int w = p(0), h = p(1), sstride = p(2), dstride = p(3);
    CImageEnhance e;
    e.SetRedGain(p(4));
    e.SetGreenGain(p(5));
    e.SetBlueGain(p(6));
    e.SetSaturation(p(7));
    e.SetContrast(p(8));
    e.SetBrightness(p(9));
    e.SetHue(p(10));
    e.SetColorCorrection(p(11));
    e.SetColorful(p(12));
    e.SetGammaEnabled(p(13));
    if (p(14)) e.SetGamma(p(14));
    e.SetAutoWhiteBalance(static_cast<AwbMode>(p(15)));
    e.Create(w, h);
    const std::vector<uint8_t> src = c.Blob("src"), expected = c.Blob("expected");
    std::vector<uint8_t> dst = c.Blob("dst");
    e.Process(src.data(), sstride, dst.data(), dstride);
    EXPECT_EQ(FirstDifference(dst, expected), -1);
    EXPECT_EQ(e.GetRedGain(), p(16));
    EXPECT_EQ(e.GetGreenGain(), p(17));
    EXPECT_EQ(e.GetBlueGain(), p(18));
  }
}

TEST(ColourEnhance, InPlaceWithPaddedRowsLeavesThePaddingAlone) {
  // Width 5: the padded stride is 32 bytes, so a frame at 32 bytes a row is read directly.
  CImageEnhance e;
  e.SetColorCorrection(0);
  e.SetRedGain(256);
  e.Create(5, 2);
  ASSERT_EQ(e.GetPaddedStride(), 32);
  std::vector<uint8_t> frame(64, 0xAB);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) frame[y * 32 + x * 4 + 2] = 50;
  e.Process(frame.data(), 32, frame.data(), 32);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(frame[y * 32 + x * 4 + 2], 100);
    for (int i = 20; i < 32; ++i) EXPECT_EQ(frame[y * 32 + i], 0xAB) << "row " << y << " byte " << i;
  }
}

TEST(ColourEnhance, WhiteBalanceGainsApplyFromTheNextFrame) {
  CImageEnhance e;
  e.SetColorCorrection(0);
  e.SetAutoWhiteBalance(AwbGrayAverage);
  e.Create(4, 2);
  const Bgra tint = {50, 80, 100, 255};
  std::vector<Bgra> frame(8, tint);
  auto* bytes = reinterpret_cast<uint8_t*>(frame.data());
  e.Process(bytes, 16, bytes, 16);
  EXPECT_EQ(frame[0], tint);
  EXPECT_EQ(e.GetRedGain(), 102);
  EXPECT_EQ(e.GetGreenGain(), 128);
  EXPECT_EQ(e.GetBlueGain(), 204);
  e.Process(bytes, 16, bytes, 16);
  EXPECT_EQ(frame[0], (Bgra{79, 80, 79, 0}));
}

TEST(ColourEnhance, BlackFramesKeepThePreviousGains) {
  for (AwbMode mode : {AwbGrayAverage, AwbTemperature, AwbShadesOfGray}) {
    SCOPED_TRACE(mode);
    CImageEnhance e;
    e.SetRedGain(140);
    e.SetBlueGain(90);
    e.SetAutoWhiteBalance(mode);
    e.Create(3, 3);
    std::vector<uint8_t> frame(36, 0);
    e.Process(frame.data(), 12, frame.data(), 12);
    EXPECT_EQ(e.GetRedGain(), 140);
    EXPECT_EQ(e.GetGreenGain(), 128);
    EXPECT_EQ(e.GetBlueGain(), 90);
  }
}

TEST(ColourEnhance, WithoutBuffersNothingIsProcessed) {
  CImageEnhance e;
  e.SetRedGain(200);
  e.SetAutoWhiteBalance(AwbTemperature);
  e.Create(0, 5);
  EXPECT_EQ(e.GetWidth(), 0);
  std::vector<uint8_t> frame(64, 7);
  e.Process(frame.data(), 16, frame.data(), 16);
  EXPECT_EQ(frame, std::vector<uint8_t>(64, 7));
  EXPECT_EQ(e.GetRedGain(), 200);
}

// Buffers that cannot be had, for want of memory (each allocation in turn) or
// for a size past what an int stride or the address space describes: Create
// says so, every frame after it is reported as not processed, and the next
// Create that succeeds brings the object back.
TEST(ColourEnhance, BuffersThatCannotBeHadAreReported) {
  struct Case {
    const char* what;
    int width, height;
    long failAt;  // the allocation made to fail; -1: none
  };
  const Case cases[] = {
      {"no work buffer", 9, 4, 0},
      {"no mask buffer", 9, 4, 1},
      {"no colour buffer", 9, 4, 2},
      {"a row past an int", INT_MAX, 1, -1},
      {"a padded row past an int", 0x1FFFFFF9, 1, -1},
      {"more than the address space", 0x1FFFFFF0, INT_MAX, -1},
  };
  for (const Case& c : cases) {
    for (AwbMode mode : {AwbNone, AwbTemperature}) {
      SCOPED_TRACE(testing::Message() << c.what << ", white balance " << mode);
      CImageEnhance e;
      e.SetColorCorrection(0);
      e.SetRedGain(256);
      e.SetAutoWhiteBalance(mode);
      ASSERT_EQ(e.Create(5, 2), 1);
      if (c.failAt >= 0) injected_alloc::Arm(c.failAt);
      const int created = e.Create(c.width, c.height);
      const long live = injected_alloc::Live();
      const bool hit = injected_alloc::Disarm();
      EXPECT_EQ(created, 0);
      if (c.failAt >= 0) {
        EXPECT_TRUE(hit);
        // The three buffers of the earlier size went; none of the new ones stayed.
        EXPECT_EQ(live, -3) << "buffers kept after the failure";
      }
      EXPECT_EQ(e.GetWidth(), 0);
      EXPECT_EQ(e.GetHeight(), 0);

      std::vector<uint8_t> frame(9 * 4 * 4, 50);
      const std::vector<uint8_t> untouched = frame;
      for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(e.Process(frame.data(), 36, frame.data(), 36), 0);
        EXPECT_EQ(frame, untouched);
      }
      EXPECT_EQ(e.GetRedGain(), 256);

      ASSERT_EQ(e.Create(9, 4), 1);
      EXPECT_EQ(e.Process(frame.data(), 36, frame.data(), 36), 1);
      if (mode == AwbNone) {
        EXPECT_EQ(frame[2], 100);
      }
    }
  }
}

TEST(ColourEnhance, GammaSurvivesAChangeOfFrameSize) {
  CImageEnhance e;
  e.SetColorCorrection(0);
  e.SetGamma(200);
  e.SetGammaEnabled(1);
  e.Create(8, 1);
  e.Create(3, 1);
  std::vector<uint8_t> frame = {128, 128, 128, 255, 128, 128, 128, 255, 128, 128, 128, 255};
  e.Process(frame.data(), 12, frame.data(), 12);
  EXPECT_EQ(frame[0], 64);
}

TEST(ColourEnhance, SettersWaitForASharedLock) {
  CRITICAL_SECTION camera;
  InitializeCriticalSection(&camera);
  {
    CImageEnhance e;
    e.SetLock(&camera);
    EXPECT_EQ(e.GetLock(), &camera);
    EnterCriticalSection(&camera);
    std::thread setter([&] { e.SetRedGain(77); });
    Sleep(100);
    // The setter is still waiting for the camera's lock, so the value has not changed.
    const int before = [&] { return e.GetRedGain(); }();  // re-entrant for the owner
    LeaveCriticalSection(&camera);
    setter.join();
    EXPECT_EQ(before, 128);
    EXPECT_EQ(e.GetRedGain(), 77);
  }
  DeleteCriticalSection(&camera);
}
