// The image type: ownership, resizing, copying, borrowing, filling, blending
// and the 32-bit and 8-bit BMP writers.

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/AlphaBlendKernel.h"
#include "image/BmpWriter.h"
#include "image/FileOutput.h"
#include "image/Image.h"
#include "image/ImageS.h"

using ZEvuvoro::CImage;
using ZEvuvoro::CImageS;

namespace {

std::vector<uint8_t> ReadBytes(const wchar_t* path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = _wfopen(path, L"rb")) {
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

bool FileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

uint32_t PixelAt(const CImage& image, int x, int y) {
  uint32_t v;
  std::memcpy(&v, image.m_pData + ptrdiff_t(y) * image.m_nStride + x * 4, 4);
  return v;
}

void SetPixel(CImage& image, int x, int y, uint32_t v) {
  std::memcpy(image.m_pData + ptrdiff_t(y) * image.m_nStride + x * 4, &v, 4);
}

// Every pixel a different value, so that any misplaced row or column shows.
void Pattern(CImage& image, uint32_t seed = 0) {
  for (int y = 0; y < image.m_nHeight; ++y)
    for (int x = 0; x < image.m_nWidth; ++x) SetPixel(image, x, y, seed + uint32_t(y) * 0x010203u + x * 0x0701u);
}

TEST(ImageType, ConstructorsLeaveTheDocumentedState) {
  CImage empty;
  EXPECT_EQ(empty.m_bValid, 0);
  EXPECT_EQ(empty.m_bOwner, 1);
  EXPECT_EQ(empty.m_nWidth, 0);
  EXPECT_EQ(empty.m_nStride, 0);
  EXPECT_EQ(empty.m_pData, nullptr);

  struct Case {
    int w, h;
    bool valid;
  };
  for (Case c : {Case{3, 2, true}, Case{1, 1, true}, Case{0, 5, false}, Case{5, 0, false}, Case{-1, 4, false}}) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
    CImage image(c.w, c.h);
    EXPECT_EQ(image.m_bValid, c.valid ? 1 : 0);
    if (!c.valid) {
      EXPECT_EQ(image.m_pData, nullptr);
      continue;
    }
    EXPECT_EQ(image.m_nStride, c.w * 4);
    for (int i = 0; i < c.w * c.h * 4; ++i) ASSERT_EQ(image.m_pData[i], 0) << i;
  }
}

TEST(ImageType, CopyConstructorCopiesRowsAtTheSourceStride) {
  uint8_t foreign[3 * 40] = {};
  CImage view;
  view.Attach(2, 3, 40, foreign);
  Pattern(view, 7);
  CImage copy(view);
  ASSERT_EQ(copy.m_bValid, 1);
  EXPECT_EQ(copy.m_nStride, 8);
  EXPECT_NE(copy.m_pData, foreign);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(PixelAt(copy, x, y), PixelAt(view, x, y));

  CImage invalid(4, 4);
  invalid.m_bValid = 0;
  CImage fromInvalid(invalid);
  EXPECT_EQ(fromInvalid.m_bValid, 0);
  EXPECT_EQ(fromInvalid.m_pData, nullptr);
}

TEST(ImageType, CreateKeepsOrReplacesTheBuffer) {
  // A stack buffer: freeing it by mistake would crash the test.
  uint8_t foreign[4 * 4 * 4];
  std::memset(foreign, 0xAB, sizeof foreign);
  CImage image;
  image.Attach(4, 4, 16, foreign);
  image.Create(4, 4);
  EXPECT_EQ(image.m_pData, foreign);
  EXPECT_EQ(image.m_bOwner, 0);
  image.Create(2, 3);
  EXPECT_NE(image.m_pData, foreign);
  EXPECT_EQ(image.m_bOwner, 1);
  EXPECT_EQ(image.m_nStride, 8);
  EXPECT_EQ(foreign[0], 0xAB);

  CImage sized(3, 3);
  sized.Create(0, 5);
  EXPECT_EQ(sized.m_nWidth, 0);
  EXPECT_EQ(sized.m_nHeight, 5);
  EXPECT_EQ(sized.m_nStride, 0);
  EXPECT_EQ(sized.m_bValid, 0);
  EXPECT_EQ(sized.m_pData, nullptr);

  CImage blank;
  blank.Create(0, 0);
  EXPECT_EQ(blank.m_bValid, 0);
}

// Widths whose row of 4-byte pixels an int stride cannot describe are refused
// as out of memory before anything changes: no wrapped stride is recorded, no
// wrapped size allocated, and the image keeps the pixels it had.
TEST(ImageType, WidthsPastAnIntStrideAreRefusedBeforeAnythingChanges) {
  uint8_t row[64] = {};
  for (int width : {0x20000000, 0x20000001, 0x40000000, 0x40000001, INT_MAX, INT_MIN, -0x20000001}) {
    for (int height : {1, 0, 3}) {
      SCOPED_TRACE(testing::Message() << width << " x " << height);
      CImage image(3, 2);
      Pattern(image, 5);
      const CImage before(image);
      EXPECT_THROW(image.Create(width, height), std::bad_alloc);
      EXPECT_EQ(image.m_nWidth, 3);
      EXPECT_EQ(image.m_nHeight, 2);
      EXPECT_EQ(image.m_nStride, 12);
      EXPECT_EQ(image.m_bValid, 1);
      ASSERT_NE(image.m_pData, nullptr);
      EXPECT_EQ(0, std::memcmp(image.m_pData, before.m_pData, 24));

      // The same size reached through a copy: a view of such a width.
      CImage view;
      view.Attach(width, height, 0, row);
      EXPECT_THROW(image.CopyFrom(view), std::bad_alloc);
      EXPECT_EQ(image.m_nWidth, 3);
      ASSERT_NE(image.m_pData, nullptr);
      EXPECT_EQ(0, std::memcmp(image.m_pData, before.m_pData, 24));
      EXPECT_THROW(CImage copy(view), std::bad_alloc);

      if (width >= 1 && height >= 1) {
        EXPECT_THROW(CImage sized(width, height), std::bad_alloc);
      }
    }
  }
}

TEST(ImageType, GreyWidthsPastAnIntStrideAreRefusedBeforeAnythingChanges) {
  struct Case {
    int width, stride;
  };
  // Rows near the int limit: the stride is the width taken up to a multiple of 4.
  for (Case c : {Case{0x10000000, 0x10000000}, Case{0x10000001, 0x10000004}, Case{0x1FFFFFFF, 0x20000000},
                 Case{0x7FFFFFF9, 0x7FFFFFFC}, Case{0x7FFFFFFC, 0x7FFFFFFC}})
    EXPECT_EQ(CImageS::StrideFor(c.width), c.stride) << c.width;
  for (int width : {0x7FFFFFFD, 0x7FFFFFFE, INT_MAX}) {
    for (int height : {1, 0, 2}) {
      SCOPED_TRACE(testing::Message() << width << " x " << height);
      CImageS grey(5, 2);
      grey.Fill(9);
      const uint8_t* pixels = grey.m_pData;
      EXPECT_THROW(grey.Create(width, height), std::bad_alloc);
      EXPECT_EQ(grey.m_nWidth, 5);
      EXPECT_EQ(grey.m_nHeight, 2);
      EXPECT_EQ(grey.m_nStride, 8);
      ASSERT_EQ(grey.m_pData, pixels);
      EXPECT_EQ(grey.m_pData[15], 9);
      if (height >= 1) {
        EXPECT_THROW(CImageS sized(width, height), std::bad_alloc);
      }
    }
  }
}

TEST(ImageType, AttachWithTheSamePointerChangesNothing) {
  uint8_t foreign[64] = {};
  CImage image;
  image.Attach(2, 2, 8, foreign);
  image.Attach(4, 4, 16, foreign);
  EXPECT_EQ(image.m_nWidth, 2);
  EXPECT_EQ(image.m_nStride, 8);
  EXPECT_EQ(image.m_bValid, 1);
  EXPECT_EQ(image.m_bOwner, 0);

  // The capture code's argument order reaches the same operation.
  CImage other(3, 3);
  other.Attach(2, 2, static_cast<void*>(foreign + 16), 32);
  EXPECT_EQ(other.m_pData, foreign + 16);
  EXPECT_EQ(other.m_nStride, 32);
  EXPECT_EQ(other.m_bOwner, 0);
}

TEST(ImageType, CopyFromWritesIntoAnAttachedBufferOfTheSameSize) {
  CImage source(3, 2);
  Pattern(source, 1);
  uint8_t foreign[2 * 20] = {};
  CImage target;
  target.Attach(3, 2, 20, foreign);
  target.CopyFrom(source);
  EXPECT_EQ(target.m_pData, foreign);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(target, x, y), PixelAt(source, x, y));
  EXPECT_EQ(foreign[12], 0) << "the gap after each row stays untouched";

  CImage other(5, 5);
  other.CopyFrom(source);
  EXPECT_EQ(other.m_nWidth, 3);
  EXPECT_EQ(other.m_nStride, 12);
  EXPECT_EQ(PixelAt(other, 2, 1), PixelAt(source, 2, 1));

  uint8_t* before = source.m_pData;
  source.CopyFrom(source);
  EXPECT_EQ(source.m_pData, before);
}

TEST(ImageType, FillWritesEveryPixelOfEveryRow) {
  uint8_t foreign[2 * 24];
  std::memset(foreign, 0x11, sizeof foreign);
  CImage image;
  image.Attach(5, 2, 24, foreign);
  image.Fill(0x40, 0x30, 0x20, 0x10);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(image, x, y), 0x40302010u);
  EXPECT_EQ(foreign[20], 0x11);
  CImage empty;
  empty.Fill(1, 2, 3, 4);
  EXPECT_EQ(empty.m_pData, nullptr);
}

TEST(ImageType, ReleaseKeepsTheOwnerFlag) {
  uint8_t foreign[16];
  CImage image;
  image.Attach(2, 2, 8, foreign);
  image.Release();
  EXPECT_EQ(image.m_bOwner, 0);
  EXPECT_EQ(image.m_bValid, 0);
  EXPECT_EQ(image.m_pData, nullptr);
  EXPECT_EQ(image.m_nWidth, 0);
  auto* heap = new CImage(4, 4);
  delete heap;
}

// The blended block, its clipping and its flip, against a direct model of
// the blend of one pixel.
TEST(ImageType, AlphaBlendPlacesClipsAndFlipsTheBlock) {
  struct Case {
    int x, y, flip;
  };
  const Case cases[] = {{95, 95, 0}, {100, 0, 0}, {0, 100, 0}, {3, 4, 0},   {3, 4, 1},   {95, 93, 1},
                        {-4, 2, 0},  {2, -3, 0},  {-3, -6, 1}, {-10, 0, 0}, {0, -10, 1}, {-50, -50, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "at " << c.x << ", " << c.y << " flip " << c.flip);
    CImage target(100, 100);
    Pattern(target, 0x80000000u);
    CImage before(target);
    CImage source(10, 10);
    Pattern(source, 0x00F0E0D0u);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) source.m_pData[y * 40 + x * 4 + 3] = uint8_t(x * 25 + y);
    target.AlphaBlend(source, c.x, c.y, c.flip);

    const int n = c.y + 10 < 100 ? 10 : 100 - c.y;
    const int m = c.x + 10 < 100 ? 10 : 100 - c.x;
    int changed = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) {
        const int i = y - c.y, j = x - c.x;
        uint32_t want = PixelAt(before, x, y);
        if (c.x < 100 && c.y < 100 && i >= 0 && i < n && j >= 0 && j < m) {
          const int si = c.flip ? n - 1 - i : i;
          const uint8_t* s = source.m_pData + si * 40 + j * 4;
          uint8_t d[4];
          std::memcpy(d, &want, 4);
          for (int k = 0; k < 3; ++k) d[k] = uint8_t((s[k] * s[3] + d[k] * (255 - s[3])) >> 8);
          std::memcpy(&want, d, 4);
          ++changed;
        }
        ASSERT_EQ(PixelAt(target, x, y), want) << x << ", " << y;
      }
    if (c.x == 95 && c.y == 95) {
      EXPECT_EQ(changed, 25);
    }
    if (c.x == 100) {
      EXPECT_EQ(changed, 0);
    }
  }
}

TEST(ImageType, OpaqueWhiteOverBlackGives254) {
  CImage target(1, 1);
  target.Fill(0x7F, 0, 0, 0);
  CImage white(1, 1);
  white.Fill(255, 255, 255, 255);
  target.AlphaBlend(white, 0, 0, 0);
  EXPECT_EQ(PixelAt(target, 0, 0), 0x7FFEFEFEu);
}

TEST(ImageType, BlendRowSse2MatchesTheScalarReference) {
  std::mt19937 random(12345);
  for (int count = 0; count <= 19; ++count) {
    SCOPED_TRACE(count);
    std::vector<uint8_t> source(count * 4 + 4), a(count * 4 + 4), b;
    for (auto& v : source) v = uint8_t(random());
    for (auto& v : a) v = uint8_t(random());
    // The extreme alphas and colours.
    if (count > 2) {
      source[3] = 0;
      source[7] = 255;
      source[4] = 255;
    }
    b = a;
    ZEvuvoro::BlendRowScalar(a.data(), source.data(), count);
    ZEvuvoro::BlendRowSse2(b.data(), source.data(), count);
    EXPECT_EQ(a, b);
  }
}

TEST(ImageType, SaveBmpWritesTheHeaderAndRowsInFlipOrder) {
  CImage image(3, 2);
  Pattern(image, 0x11000000u);
  for (int flip = 0; flip <= 1; ++flip) {
    SCOPED_TRACE(flip);
    const wchar_t* path = flip ? L"type_flip1.bmp" : L"type_flip0.bmp";
    ASSERT_EQ(image.SaveBmp(path, flip), 1);
    std::vector<uint8_t> b = ReadBytes(path);
    ASSERT_EQ(b.size(), 54u + 24u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    const uint32_t fields[][2] = {{2, 78},  {10, 54},   {14, 40},   {18, 3}, {22, 2}, {30, 0},
                                  {34, 24}, {38, 3780}, {42, 3780}, {46, 0}, {50, 0}};
    for (auto& f : fields) EXPECT_EQ(Le32(b, f[0]), f[1]) << "offset " << f[0];
    EXPECT_EQ(b[26] | b[27] << 8, 1);
    EXPECT_EQ(b[28] | b[29] << 8, 32);
    const int firstRow = flip ? 1 : 0;
    EXPECT_EQ(0, std::memcmp(&b[54], image.m_pData + firstRow * 12, 12));
    EXPECT_EQ(0, std::memcmp(&b[66], image.m_pData + (1 - firstRow) * 12, 12));
  }
}

TEST(ImageType, SaveBmpOfAWindowReadsAtTheWiderStride) {
  CImage picture(400, 3);
  Pattern(picture);
  CImage window;
  window.Attach(100, 3, picture.m_nStride, picture.m_pData + 50 * 4);
  ASSERT_EQ(window.SaveBmp(L"type_window.bmp", 0), 1);
  std::vector<uint8_t> b = ReadBytes(L"type_window.bmp");
  ASSERT_EQ(b.size(), 54u + 3u * 400u);
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(0, std::memcmp(&b[54 + row * 400], window.m_pData + row * 1600, 400)) << row;
}

TEST(ImageType, SaveBmpRefusesWithoutTouchingTheDisk) {
  CImage empty;
  EXPECT_EQ(empty.SaveBmp(L"type_empty.bmp", 0), 0);
  EXPECT_FALSE(FileExists(L"type_empty.bmp"));
  CImage image(2, 2);
  EXPECT_EQ(image.SaveBmp(nullptr, 0), 0);
  EXPECT_EQ(image.SaveBmp(L"no such folder\\x.bmp", 0), 0);
}

// A sink that takes a number of bytes and then refuses.
class CFailingSink final : public ZEvuvoro::CByteSink {
 public:
  explicit CFailingSink(size_t capacity) : m_capacity(capacity) {}
  bool Write(const void*, size_t size) override {
    if (size > m_capacity) return false;
    m_capacity -= size;
    return true;
  }

 private:
  size_t m_capacity;
};

TEST(ImageType, BmpWritersReportAFailedWriteAtAnyPoint) {
  CImage image(3, 4);
  const size_t whole32 = 54 + 3 * 4 * 4;
  for (size_t capacity = 0; capacity < whole32; ++capacity) {
    CFailingSink sink(capacity);
    EXPECT_FALSE(ZEvuvoro::WriteBmp32(sink, 3, 4, 12, image.m_pData, 0)) << capacity;
  }
  CFailingSink enough(whole32);
  EXPECT_TRUE(ZEvuvoro::WriteBmp32(enough, 3, 4, 12, image.m_pData, 1));

  CImageS grey(3, 4);
  const size_t whole8 = 1078 + 4 * 4;
  for (size_t capacity = 0; capacity < whole8; capacity += 7) {
    CFailingSink sink(capacity);
    EXPECT_FALSE(ZEvuvoro::WriteBmp8(sink, 3, 4, grey.m_nStride, grey.m_pData)) << capacity;
  }
}

TEST(ImageType, AnUncommittedFileOutputLeavesNoFileBehind) {
  {
    ZEvuvoro::CFileOutput out(L"type_discarded.bin");
    ASSERT_TRUE(out.IsOpen());
    ASSERT_TRUE(out.Write("abc", 3));
  }
  EXPECT_FALSE(FileExists(L"type_discarded.bin"));
  {
    ZEvuvoro::CFileOutput out(L"type_discarded.bin");
    out.Write("abc", 3);
    out.Discard();
  }
  EXPECT_FALSE(FileExists(L"type_discarded.bin"));
  {
    ZEvuvoro::CFileOutput out(L"type_kept.bin");
    std::vector<uint8_t> big(600 * 1024, 0x5A);
    ASSERT_TRUE(out.Write(big.data(), big.size()));
    ASSERT_TRUE(out.Write("z", 1));
    ASSERT_TRUE(out.Commit());
  }
  std::vector<uint8_t> kept = ReadBytes(L"type_kept.bin");
  ASSERT_EQ(kept.size(), 600u * 1024 + 1);
  EXPECT_EQ(kept.back(), 'z');
}

TEST(ImageType, GreyImageStrideCopyFillAndExtract) {
  for (int w : {1, 3, 4, 5, 8, 9}) EXPECT_EQ(CImageS::StrideFor(w), (w + 3) / 4 * 4) << w;
  CImage image(5, 3);
  Pattern(image, 0x44332211u);
  for (int channel = 0; channel < 4; ++channel) {
    SCOPED_TRACE(channel);
    CImageS out;
    image.ExtractChannel(channel, out);
    ASSERT_EQ(out.m_nWidth, 5);
    ASSERT_EQ(out.m_nStride, 8);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(out.m_pData[y * 8 + x], image.m_pData[y * 20 + x * 4 + channel]);
    CImageS copy(out);
    EXPECT_EQ(0, std::memcmp(copy.m_pData, out.m_pData, 8 * 3));
  }
  CImageS grey(3, 2);
  grey.Fill(9);
  EXPECT_EQ(grey.m_pData[7], 9);
  CImage invalid;
  CImageS untouched;
  invalid.ExtractChannel(0, untouched);
  EXPECT_EQ(untouched.m_pData, nullptr);
}

TEST(ImageType, GreyImageSaveBmpWritesPaletteAndBottomRowFirst) {
  CImageS grey(3, 2);
  for (int i = 0; i < 8; ++i) grey.m_pData[i] = uint8_t(10 + i);
  ASSERT_EQ(grey.SaveBmp(L"type_grey.bmp"), 1);
  std::vector<uint8_t> b = ReadBytes(L"type_grey.bmp");
  ASSERT_EQ(b.size(), 1078u + 8u);
  EXPECT_EQ(Le32(b, 2), 1086u);
  EXPECT_EQ(Le32(b, 10), 1078u);
  EXPECT_EQ(b[28], 8);
  EXPECT_EQ(Le32(b, 34), 8u);
  EXPECT_EQ(Le32(b, 38), 0u);
  EXPECT_EQ(Le32(b, 46), 256u);
  EXPECT_EQ(Le32(b, 50), 256u);
  EXPECT_EQ(Le32(b, 54 + 4 * 200), 0xFFC8C8C8u);
  EXPECT_EQ(b[1078], 14);
  EXPECT_EQ(b[1082], 10);
  CImageS empty;
  EXPECT_EQ(empty.SaveBmp(L"type_grey_empty.bmp"), 0);
  EXPECT_FALSE(FileExists(L"type_grey_empty.bmp"));
}

}  // namespace
