#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/colour/BayerDemosaic.h"
#include "image/colour/DecodeBayer.h"
#include "tests/image/kernel_reference.h"

using namespace ZEvuvoro;

namespace {

const int32_t kIdentity64[16] = {64, 0, 0, 0, 0, 64, 0, 0, 0, 0, 64, 0, 0, 0, 0, 64};
const int32_t kCorrection64[16] = {87, -16, -6, 0, -14, 90, -20, 0, -9, -10, 91, 0, 0, 0, 0, 64};

int RowLength(int w) { return (w + 16) / 16 * 16 + 11; }

// A padded sample plane laid out as the raw decoder lays it out; sample (r, c)
// at row r + 2, byte 5 + c, border included.
struct Plane {
  int w, h, L;
  std::vector<uint8_t> bytes;
  Plane(int width, int height, int fill) : w(width), h(height), L(RowLength(width)) {
    bytes.assign(static_cast<size_t>(L) * (h + 5), static_cast<uint8_t>(fill));
  }
  uint8_t& at(int r, int c) { return bytes[static_cast<size_t>(r + 2) * L + 5 + c]; }
  BayerJob Job(uint8_t* out, const int32_t coef[16], int rg = 128, int gg = 128, int bg = 128) {
    BayerJob j{};
    j.source = bytes.data() + 2 * L + 5;
    j.destination = out;
    j.sourceStride = L;
    j.destinationStride = w * 4;
    j.redGain = rg;
    j.greenGain = gg;
    j.blueGain = bg;
    j.width = w;
    j.height = h;
    std::memcpy(j.coefficients, coef, sizeof(j.coefficients));
    return j;
  }
};

// Red, green, blue of one output pixel.
std::vector<int> Rgb(const std::vector<uint8_t>& out, int w, int r, int c) {
  const uint8_t* p = &out[(static_cast<size_t>(r) * w + c) * 4];
  return {p[2], p[1], p[0]};
}

}  // namespace

TEST(ColourBayer, DemosaicMatchesTheReferenceModel) {
  for (const ReferenceCase& c : LoadReferenceCases("demosaic")) {
    SCOPED_TRACE(c.name);
    const int w = static_cast<int>(c.p[0]), h = static_cast<int>(c.p[1]), L = static_cast<int>(c.p[2]);
    const int type = static_cast<int>(c.p[3]);
    std::vector<uint8_t> plane = c.Blob("plane");
    const std::vector<uint8_t> expected = c.Blob("expected");
    const std::vector<uint64_t> sums = c.Values<uint64_t>("sums");
    BayerJob job{};
    job.source = plane.data() + 2 * L + 5;
    job.sourceStride = L;
    job.destinationStride = w * 4;
    job.redGain = static_cast<int>(c.p[4]);
    job.greenGain = static_cast<int>(c.p[5]);
    job.blueGain = static_cast<int>(c.p[6]);
    job.width = w;
    job.height = h;
    std::memcpy(job.coefficients, kCorrection64, sizeof(kCorrection64));
    using Fn = void (*)(const BayerJob&, int);
    const std::pair<const char*, Fn> variants[] = {
        {"scalar", BayerDemosaicScalar}, {"sse2", BayerDemosaicSse2}, {"avx2", BayerDemosaicAvx2}};
    for (const auto& [name, fn] : variants) {
      if (fn == BayerDemosaicAvx2 && !BayerHasAvx2()) continue;
      // Guard bytes past the picture must stay.
      std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4 + 64, 0xC3);
      job.destination = out.data();
      fn(job, type);
      EXPECT_EQ(FirstDifference(std::vector<uint8_t>(out.begin(), out.end() - 64), expected), -1) << name;
      EXPECT_EQ(std::vector<uint8_t>(out.end() - 64, out.end()), std::vector<uint8_t>(64, 0xC3)) << name;
    }
    uint64_t scalar[3], simd[3];
    BayerChannelSumsScalar(job, type, scalar);
    BayerChannelSumsSse2(job, type, simd);
    EXPECT_EQ(std::vector<uint64_t>(scalar, scalar + 3), sums);
    EXPECT_EQ(std::vector<uint64_t>(simd, simd + 3), sums);
  }
}

TEST(ColourBayer, FlatAndLinearPlanesAreReproduced) {
  for (int type = 0; type < 4; ++type) {
    SCOPED_TRACE(type);
    Plane flat(20, 6, 77);
    std::vector<uint8_t> out(20 * 6 * 4);
    BayerDemosaicSse2(flat.Job(out.data(), kIdentity64), type);
    for (int i = 0; i < 20 * 6; ++i) ASSERT_EQ(Rgb(out, 20, i / 20, i % 20), (std::vector<int>{77, 77, 77})) << i;
    EXPECT_EQ(out[3], 255);

    Plane ramp(24, 10, 0);
    for (int r = -2; r < 12; ++r)
      for (int c = -2; c < 26; ++c) ramp.at(r, c) = static_cast<uint8_t>(40 + 3 * c + 5 * r);
    out.assign(24 * 10 * 4, 0);
    BayerDemosaicSse2(ramp.Job(out.data(), kIdentity64), type);
    for (int r = 0; r < 10; ++r)
      for (int c = 0; c < 24; ++c) {
        const int v = 40 + 3 * c + 5 * r;
        ASSERT_EQ(Rgb(out, 24, r, c), (std::vector<int>{v, v, v})) << r << "," << c;
      }
  }
}

TEST(ColourBayer, SingleRaisedSampleAndHalfUpRounding) {
  // Arrangement 0 (GRBG): (2, 2) green on a green-red row, (2, 3) red, (3, 2) blue.
  struct Case {
    const char* what;
    int sr, sc, raise;
    int r, c;
    std::vector<int> rgb;
  };
  const Case cases[] = {
      {"green site raised: green at its red neighbour", 2, 2, 80, 2, 3, {100, 120, 100}},
      {"red site raised: its own green and blue", 2, 3, 80, 2, 3, {180, 140, 160}},
      {"green site raised: its red and blue", 2, 2, 80, 2, 2, {150, 180, 150}},
      {"green +2 gives +0.5 at a red neighbour, rounded up", 2, 2, 2, 2, 3, {100, 101, 100}},
      {"two right of a green site, +4 gives -0.5 for red", 2, 4, 4, 2, 2, {100, 100, 100}},
      {"two right of a green site, +5 gives -0.625 for red", 2, 4, 5, 2, 2, {99, 100, 100}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Plane p(12, 8, 100);
    p.at(k.sr, k.sc) = static_cast<uint8_t>(100 + k.raise);
    for (auto fn : {BayerDemosaicScalar, BayerDemosaicSse2, BayerDemosaic}) {
      std::vector<uint8_t> out(12 * 8 * 4);
      fn(p.Job(out.data(), kIdentity64), BayerGRBG);
      EXPECT_EQ(Rgb(out, 12, k.r, k.c), k.rgb);
    }
  }
}

TEST(ColourBayer, GainsAndTheFixedCorrectionOnFlatPlanes) {
  struct Case {
    int value;
    const int32_t* coef;
    int rg, gg, bg;
    std::vector<int> rgb;
  };
  const Case cases[] = {
      {100, kCorrection64, 128, 128, 128, {100, 100, 102}},
      {255, kCorrection64, 128, 128, 128, {255, 255, 255}},
      {100, kIdentity64, 256, 128, 64, {200, 100, 50}},
      {100, kIdentity64, 300, 128, 128, {234, 100, 100}},
  };
  for (const Case& k : cases) {
    Plane p(9, 5, k.value);
    std::vector<uint8_t> out(9 * 5 * 4);
    BayerDemosaicSse2(p.Job(out.data(), k.coef, k.rg, k.gg, k.bg), BayerRGGB);
    EXPECT_EQ(Rgb(out, 9, 2, 3), k.rgb);
  }
}

TEST(ColourBayer, ChannelSumsOfAColouredPlane) {
  for (int type = 0; type < 4; ++type) {
    SCOPED_TRACE(type);
    Plane p(16, 8, 0);
    const int value[3] = {100, 80, 50};
    for (int r = -2; r < 10; ++r)
      for (int c = -2; c < 18; ++c) p.at(r, c) = static_cast<uint8_t>(value[BayerSiteColour(type, r & 1, c & 1)]);
    uint64_t sums[3];
    BayerChannelSumsSse2(p.Job(nullptr, kIdentity64), type, sums);
    EXPECT_EQ(sums[0], 100u * 128);
    EXPECT_EQ(sums[1], 80u * 128);
    EXPECT_EQ(sums[2], 50u * 128);
  }
}

namespace {

// Decodes through the decoder the way the raw import drives it and hands back the picture.
struct Decoded {
  bool ok = false;
  std::vector<uint8_t> pixels;
};

Decoded DecodeRaw(const std::vector<uint8_t>& data, int w, int h, int stride, int offset, int type, int awb) {
  CDecodeBayer d;
  d.m_nStride = stride;
  d.m_nOffset = offset;
  d.m_nBayerType = type;
  d.m_bAwb = awb;
  Decoded r;
  r.ok = d.SetInput(data.data(), data.size(), w, h);
  if (r.ok) {
    EXPECT_NE(d.PaddedPlane(), nullptr);
    r.pixels.assign(d.GetOutput(), d.GetOutput() + static_cast<size_t>(w) * h * 4);
  }
  d.Reset();
  EXPECT_EQ(d.PaddedPlane(), nullptr);
  return r;
}

}  // namespace

TEST(ColourBayer, DecoderMatchesTheReferenceModel) {
  for (const ReferenceCase& c : LoadReferenceCases("decode")) {
    SCOPED_TRACE(c.name);
    const auto p = [&](int i) { return static_cast<int>(c.p[i]); };
    const Decoded d = DecodeRaw(c.Blob("data"), p(0), p(1), p(2), p(3), p(4), p(5));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(FirstDifference(d.pixels, c.Blob("expected")), -1);
  }
}

TEST(ColourBayer, PaddedRowLength) {
  EXPECT_EQ(CDecodeBayer::PaddedRowLength(10), 27);
  EXPECT_EQ(CDecodeBayer::PaddedRowLength(16), 43);
  EXPECT_EQ(CDecodeBayer::PaddedRowLength(32), 59);
  CDecodeBayer d;
  d.m_nStride = 10;
  std::vector<uint8_t> raw(90, 100);
  ASSERT_TRUE(d.SetInput(raw.data(), raw.size(), 10, 9));
  // Raw row 0 lies in padded row 2 from byte 5; width 10, height 9 gives 14 rows of 27 bytes.
  EXPECT_EQ(d.Job().source, d.PaddedPlane() + 2 * 27 + 5);
  EXPECT_EQ(d.Job().sourceStride, 27);
  d.Reset();
}

TEST(ColourBayer, DecoderRefusesInputItCannotRead) {
  struct Case {
    const char* what;
    int w, h, stride, offset;
    size_t size;
  };
  const Case cases[] = {
      {"stride below the width would read past the data", 10, 4, 8, 0, 34},
      {"rows reach past the end", 10, 4, 12, 0, 45},
      {"offset pushes the last row past the end", 10, 4, 10, 3, 42},
      {"negative offset", 10, 4, 10, -1, 100},
      {"no height", 10, 0, 10, 0, 100},
      {"picture too large", 1 << 16, 1 << 16, 1 << 16, 0, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> data(c.size, 50);
    CDecodeBayer d;
    d.m_nStride = c.stride;
    d.m_nOffset = c.offset;
    EXPECT_FALSE(d.SetInput(data.data(), data.size(), c.w, c.h));
    EXPECT_EQ(d.GetOutput(), nullptr);
    d.Reset();
  }
  // The exact length is enough: the last row needs only width bytes.
  std::vector<uint8_t> data(3 + 3 * 12 + 10, 50);
  CDecodeBayer d;
  d.m_nStride = 12;
  d.m_nOffset = 3;
  EXPECT_TRUE(d.SetInput(data.data(), data.size(), 10, 4));
  d.Reset();
}

TEST(ColourBayer, DecoderOutputIsOpaqueAndStartsWithTheFirstRawRow) {
  // Offset 100 and a stride of 12 for width 10: the skipped bytes hold 0.
  std::vector<uint8_t> raw(100 + 9 * 12, 0);
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 10; ++c) raw[100 + r * 12 + c] = static_cast<uint8_t>(r < 1 ? 200 : 100);
  for (int type : {0, 1, 2, 3, 7}) {
    SCOPED_TRACE(type);
    const Decoded d = DecodeRaw(raw, 10, 9, 12, 100, type, 0);
    ASSERT_TRUE(d.ok);
    for (size_t i = 3; i < d.pixels.size(); i += 4) ASSERT_EQ(d.pixels[i], 255);
    EXPECT_GT(d.pixels[1], 150);                                            // first row bright
    EXPECT_EQ(Rgb(d.pixels, 10, 8, 5), (std::vector<int>{100, 100, 102}));  // flat grey through the correction
  }
  EXPECT_EQ(DecodeRaw(raw, 10, 9, 12, 100, 7, 1).pixels, DecodeRaw(raw, 10, 9, 12, 100, 3, 1).pixels);
}

TEST(ColourBayer, SimdEqualsScalarForAnyMatrix) {
  std::srand(11);
  for (int round = 0; round < 60; ++round) {
    const int w = 1 + std::rand() % 70, h = 1 + std::rand() % 5;
    Plane p(w, h, 0);
    for (uint8_t& b : p.bytes) b = static_cast<uint8_t>(std::rand());
    int32_t coef[16];
    for (int i = 0; i < 16; ++i) coef[i] = std::rand() % 181 - 90;
    if (round % 3 == 1)  // each output taking only its own input positively, the usual shape
      for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
          coef[k * 4 + j] = k == j ? std::abs(coef[k * 4 + j]) + 1 : -std::abs(coef[k * 4 + j]);
    if (round % 4 == 0)  // coefficients whose sums pass 16 bits
      coef[std::rand() % 12] = 30000;
    const int gains[3] = {std::rand() % 400, std::rand() % 400, std::rand() % 400};
    const int type = round % 4;
    std::vector<uint8_t> a(static_cast<size_t>(w) * h * 4), b(a.size(), 1), c(a.size(), 2);
    BayerDemosaicScalar(p.Job(a.data(), coef, gains[0], gains[1], gains[2]), type);
    BayerDemosaicSse2(p.Job(b.data(), coef, gains[0], gains[1], gains[2]), type);
    ASSERT_EQ(FirstDifference(a, b), -1) << "sse2, round " << round;
    if (BayerHasAvx2()) {
      BayerDemosaicAvx2(p.Job(c.data(), coef, gains[0], gains[1], gains[2]), type);
      ASSERT_EQ(FirstDifference(a, c), -1) << "avx2, round " << round;
    }
  }
}
