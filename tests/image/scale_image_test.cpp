#include <gtest/gtest.h>

#include <vector>

#include "image/Image.h"
#include "tests/image/kernel_reference.h"

using ZEvuvoro::CImage;

namespace {

// An image describing a foreign buffer with its own stride.
struct Attached {
  std::vector<uint8_t> bytes;
  CImage image;
  Attached(std::vector<uint8_t> b, int w, int h, int stride) : bytes(std::move(b)) {
    image.Attach(w, h, stride, bytes.data());
  }
};

}  // namespace

TEST(ScaleImage, ScaleToMatchesTheReferenceModel) {
  for (const ReferenceCase& c : LoadReferenceCases("scale")) {
    SCOPED_TRACE(c.name);
    const auto p = [&](int i) { return static_cast<int>(c.p[i]); };
    Attached src(c.Blob("src"), p(1), p(2), p(3));
    Attached dst(c.Blob("dst"), p(4), p(5), p(6));
    src.image.ScaleTo(&dst.image, p(0));
    EXPECT_EQ(FirstDifference(dst.bytes, c.Blob("expected")), -1);
    EXPECT_EQ(dst.image.m_nWidth, p(4));
    EXPECT_EQ(dst.image.m_nStride, p(6));
  }
}

TEST(ScaleImage, SameImageAndEmptySidesStayUntouched) {
  Attached a(std::vector<uint8_t>(4 * 3 * 4 + 8, 0x11), 4, 3, 16);
  a.bytes[0] = 99;
  a.image.ScaleTo(&a.image, 0);
  a.image.ScaleTo(&a.image, 1);
  EXPECT_EQ(a.bytes[0], 99);

  CImage empty;
  Attached b(std::vector<uint8_t>(4 * 3 * 4, 0x22), 4, 3, 16);
  empty.ScaleTo(&b.image, 0);
  a.image.ScaleTo(nullptr, 0);
  EXPECT_EQ(b.bytes, std::vector<uint8_t>(48, 0x22));
}

TEST(ScaleImage, SidesOf32768AndMore) {
  // A 33000 x 2 picture to 2 x 2 and back up to 33001 x 1: 32-bit positions would overflow.
  const int w = 33000;
  CImage wide(w, 2);
  ASSERT_NE(wide.m_pData, nullptr);
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < 2; ++y)
      wide.m_pData[static_cast<size_t>(y) * wide.m_nStride + x * 4] = static_cast<uint8_t>(x >> 7);
  CImage small(2, 2);
  wide.ScaleTo(&small, 0);
  // xstep = 32999 x 65536 / 2: the second column samples between source columns 16499 and 16500.
  EXPECT_EQ(small.m_pData[0], 0);
  EXPECT_EQ(small.m_pData[4], static_cast<uint8_t>(16499 >> 7));

  CImage back(w + 1, 1);
  small.ScaleTo(&back, 1);
  // Values of the numpy model: xstep 4, so the last column lies past the last
  // source centre and the kernel overshoots there.
  EXPECT_EQ(back.m_pData[0], 0);
  EXPECT_EQ(back.m_pData[16500 * 4], 64);
  EXPECT_EQ(back.m_pData[static_cast<size_t>(w) * 4], 143);
}
