// The BMP and JPEG writers: files for the PIL check (codecs_writers_check.py)
// that runs after this test, and the writers' own failures.

#include <windows.h>

#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "image/Image.h"
#include "image/ImageS.h"

using ZEvuvoro::CImage;

namespace {

// Smooth colours with a marked top-left corner, so that orientation and
// channel order both show; alpha varies so the BMP's fourth byte is checked.
void Picture(CImage& image) {
  for (int y = 0; y < image.m_nHeight; ++y)
    for (int x = 0; x < image.m_nWidth; ++x) {
      uint8_t* p = image.m_pData + y * image.m_nStride + x * 4;
      p[0] = uint8_t(x * 3);
      p[1] = uint8_t(y * 4);
      p[2] = uint8_t(255 - x * 2);
      p[3] = uint8_t(x + y);
    }
  for (int y = 0; y < 8 && y < image.m_nHeight; ++y)
    for (int x = 0; x < 8 && x < image.m_nWidth; ++x) std::memset(image.m_pData + y * image.m_nStride + x * 4, 255, 3);
}

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

TEST(CodecWriters, WriteFilesForTheIndependentReader) {
  CreateDirectoryW(L"saved", nullptr);
  CImage image(61, 45);
  Picture(image);
  FILE* raw = _wfopen(L"saved\\picture.bgra", L"wb");
  ASSERT_NE(raw, nullptr);
  std::fwrite(image.m_pData, 1, size_t(image.m_nStride) * image.m_nHeight, raw);
  std::fclose(raw);
  EXPECT_EQ(image.SaveBmp(L"saved\\flip0.bmp", 0), 1);
  EXPECT_EQ(image.SaveBmp(L"saved\\flip1.bmp", 1), 1);
  EXPECT_EQ(image.SaveJpeg(L"saved\\flip0.jpg", 0), 1);
  EXPECT_EQ(image.SaveJpeg(L"saved\\flip1.jpg", 1), 1);
  CImage small(3, 2);
  Picture(small);
  EXPECT_EQ(small.SaveJpeg(L"saved\\small.jpg", 0), 1);
  ZEvuvoro::CImageS grey;
  image.ExtractChannel(1, grey);
  EXPECT_EQ(grey.SaveBmp(L"saved\\green.bmp"), 1);
}

TEST(CodecWriters, SavedJpegLoadsBackWithItsOrientation) {
  CImage image(64, 48);
  Picture(image);
  ASSERT_EQ(image.SaveJpeg(L"writer_roundtrip.jpg", 0), 1);
  CImage back(L"writer_roundtrip.jpg");
  ASSERT_EQ(back.m_bValid, 1);
  ASSERT_EQ(back.m_nWidth, 64);
  ASSERT_EQ(back.m_nHeight, 48);
  // The white corner stays top left; alpha comes back opaque.
  EXPECT_GT(back.m_pData[4 * 64 * 2 + 8], 230);
  EXPECT_LT(back.m_pData[(47 * 64 + 2) * 4 + 0], 40);
  EXPECT_EQ(back.m_pData[3], 255);
}

TEST(CodecWriters, SaveJpegFailuresLeaveNoFile) {
  CImage image(4, 4);
  EXPECT_EQ(image.SaveJpeg(L"no such folder\\x.jpg", 0), 0);
  EXPECT_EQ(image.SaveJpeg(nullptr, 0), 0);
  CImage empty;
  EXPECT_EQ(empty.SaveJpeg(L"writer_empty.jpg", 0), 0);
  EXPECT_FALSE(Exists(L"writer_empty.jpg"));
  // Wider than a JPEG can describe: refused before a file is created.
  uint8_t row[4] = {};
  CImage wide;
  wide.Attach(70000, 1, 0, row);
  EXPECT_EQ(wide.SaveJpeg(L"writer_wide.jpg", 0), 0);
  EXPECT_FALSE(Exists(L"writer_wide.jpg"));
}

}  // namespace
