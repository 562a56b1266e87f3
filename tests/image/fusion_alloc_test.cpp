// Injected allocation failures: every allocation the fusion makes is made to
// fail in turn; each call must then report failure, leak nothing and leave the
// fusion usable, and a picture whose intake failed must leave no trace.
//
// The test executable's operator new counts down to the injected failure.

#include "image/fusion/FusionImage.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "tests/image/injected_alloc.h"

using injected_alloc::Arm;
using injected_alloc::Disarm;

namespace {

std::vector<uint8_t> Picture(int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> pixels(static_cast<size_t>(CGPUFusionImage::RowBytes(width, 24)) * height);
  for (auto& b : pixels) b = static_cast<uint8_t>(rng() & 0xFF);
  return pixels;
}

std::vector<uint8_t> Fuse(int width, int height, const std::vector<const std::vector<uint8_t>*>& pictures) {
  CGPUFusionImage* fusion = CreateFusionImage(width, height, 0);
  std::vector<uint8_t> out(pictures[0]->size());
  for (const auto* picture : pictures) EXPECT_TRUE(FusionAddImage(fusion, 24, picture->data()));
  EXPECT_TRUE(FusionGetResult(fusion, 24, out.data()));
  DestroyFusionImage(fusion);
  return out;
}

TEST(FusionImage, AllocationFailuresAreReportedAndLeaveNoTrace) {
  const int width = 70, height = 50;  // planes of 72 x 52: two halvings
  const auto first = Picture(width, height, 1), second = Picture(width, height, 2);
  const auto both = Fuse(width, height, {&first, &second});
  const auto secondAlone = Fuse(width, height, {&second});

  int injected = 0;
  for (long failAt = 0; failAt < 10000; ++failAt) {
    SCOPED_TRACE(failAt);
    std::vector<uint8_t> out(first.size(), 0);
    bool created = false, addedFirst = false, addedSecond = false, result = false;
    Arm(failAt);
    CGPUFusionImage* fusion = CreateFusionImage(width, height, 0);
    created = fusion != nullptr;
    if (fusion) {
      addedFirst = FusionAddImage(fusion, 24, first.data());
      addedSecond = FusionAddImage(fusion, 24, second.data());
      result = FusionGetResult(fusion, 24, out.data());
      DestroyFusionImage(fusion);
    }
    const long live = injected_alloc::Live();
    const bool hit = Disarm();
    EXPECT_EQ(live, 0) << "allocations leaked";
    if (!hit) {
      EXPECT_TRUE(created && addedFirst && addedSecond && result);
      EXPECT_EQ(out, both);
      break;
    }
    ++injected;
    if (!created) continue;
    // Only one allocation fails, so the second picture is taken in either way.
    ASSERT_TRUE(addedSecond);
    ASSERT_TRUE(result);
    EXPECT_EQ(out, addedFirst ? both : secondAlone);
  }
  EXPECT_GT(injected, 10);
}

}  // namespace
