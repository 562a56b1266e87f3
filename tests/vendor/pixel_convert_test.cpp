// The SIMD row conversions against their plain versions, on every width up
// to a few vectors (tails included) and random bytes.
#include "vendor/vidmill/PixelConvert.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Row = void (*)(const BYTE*, BYTE*, int);

struct Pair {
  const char* name;
  Row fast, plain;
  int in, out;  // bytes a pixel
  int step;     // widths go up by this (YUY2 pairs)
};

TEST(PixelConvert, SimdMatchesPlain) {
  const Pair pairs[] = {
      {"bgra_to_bgr24", vidmill::BgraToBgr24Row, vidmill::BgraToBgr24RowPlain, 4, 3, 1},
      {"bgr24_to_bgra", vidmill::Bgr24ToBgraRow, vidmill::Bgr24ToBgraRowPlain, 3, 4, 1},
      {"bgrx_to_bgra", vidmill::BgrxToBgraRow, vidmill::BgrxToBgraRowPlain, 4, 4, 1},
      {"yuy2_to_bgra", vidmill::Yuy2ToBgraRow, vidmill::Yuy2ToBgraRowPlain, 2, 4, 2},
  };
  std::mt19937 random(7);
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.name);
    for (int width = p.step; width <= 70; width += p.step) {
      SCOPED_TRACE(width);
      std::vector<BYTE> src(size_t(width) * p.in);
      for (BYTE& b : src) b = BYTE(random());
      // A guard byte past the row shows a write beyond it.
      std::vector<BYTE> fast(size_t(width) * p.out + 1, 0xA5), plain(size_t(width) * p.out + 1, 0xA5);
      p.fast(src.data(), fast.data(), width);
      p.plain(src.data(), plain.data(), width);
      ASSERT_EQ(fast, plain);
      ASSERT_EQ(fast.back(), 0xA5);
    }
  }
}

}  // namespace
