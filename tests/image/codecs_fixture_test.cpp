// Every accepted variant of every format, generated and decoded by an
// independent reader (codecs_fixtures.py), loaded through CImage and compared
// pixel by pixel.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/Image.h"

using ZEvuvoro::CImage;

namespace {

struct FixtureCase {
  std::string file;
  std::string expected;  // "-": the load must fail
  int tolerance = 0;
};

std::vector<FixtureCase> ReadManifest() {
  std::vector<FixtureCase> cases;
  std::ifstream in("fixtures/manifest.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    FixtureCase c;
    if (fields >> c.file >> c.expected >> c.tolerance) cases.push_back(c);
  }
  return cases;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST(CodecFixtures, EveryVariantMatchesTheIndependentDecoder) {
  const std::vector<FixtureCase> cases = ReadManifest();
  ASSERT_GT(cases.size(), 80u) << "fixtures/manifest.txt missing: the fixture generator runs first";
  int decoded = 0;
  for (const FixtureCase& c : cases) {
    SCOPED_TRACE(c.file);
    CImage image;
    ASSERT_EQ(image.LoadFile(Widen("fixtures\\" + c.file).c_str()), 1);
    if (c.expected == "-") {
      EXPECT_EQ(image.m_bValid, 0);
      EXPECT_EQ(image.m_pData, nullptr);
      continue;
    }
    std::vector<uint8_t> want = ReadAll("fixtures/" + c.expected);
    ASSERT_GE(want.size(), 8u);
    const uint32_t w = want[0] | want[1] << 8 | want[2] << 16 | uint32_t(want[3]) << 24;
    const uint32_t h = want[4] | want[5] << 8 | want[6] << 16 | uint32_t(want[7]) << 24;
    ASSERT_EQ(want.size(), 8u + size_t(w) * h * 4);
    ASSERT_EQ(image.m_bValid, 1);
    ASSERT_EQ(image.m_nWidth, int(w));
    ASSERT_EQ(image.m_nHeight, int(h));
    ASSERT_EQ(image.m_nStride, int(w) * 4);
    int mismatches = 0;
    for (uint32_t y = 0; y < h && mismatches < 5; ++y)
      for (uint32_t x = 0; x < w && mismatches < 5; ++x)
        for (int k = 0; k < 4; ++k) {
          const int got = image.m_pData[(size_t(y) * w + x) * 4 + k];
          const int expected = want[8 + (size_t(y) * w + x) * 4 + k];
          if (std::abs(got - expected) > c.tolerance) {
            ADD_FAILURE() << "pixel " << x << ", " << y << " byte " << k << ": " << got << " instead of " << expected;
            ++mismatches;
          }
        }
    ++decoded;
  }
  EXPECT_GT(decoded, 60);
}

}  // namespace
