// The SSE2 pixel conversion of the decoders against its scalar reference.

#include <windows.h>

#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "image/codecs/PixelConvert.h"

namespace {

TEST(CodecKernels, ExpandBgrRowSse2MatchesTheScalarReferenceWithoutReadingPastTheRow) {
  // The row ends at a page that cannot be read, so an over-read crashes.
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  auto* base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(base, nullptr);
  ASSERT_NE(VirtualAlloc(base, page, MEM_COMMIT, PAGE_READWRITE), nullptr);
  std::mt19937 random(99);
  for (int width = 0; width <= 70; ++width) {
    SCOPED_TRACE(width);
    uint8_t* row = base + page - size_t(width) * 3;
    for (int i = 0; i < width * 3; ++i) row[i] = uint8_t(random());
    std::vector<uint8_t> a(size_t(width) * 4 + 4, 0xCC), b(a);
    ZEvuvoro::ExpandBgrRowScalar(row, a.data(), width);
    ZEvuvoro::ExpandBgrRowSse2(row, b.data(), width);
    EXPECT_EQ(a, b);
    EXPECT_EQ(b[size_t(width) * 4], 0xCC) << "wrote past the row";
  }
  VirtualFree(base, 0, MEM_RELEASE);
}

}  // namespace
