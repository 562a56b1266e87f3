// Truncated, corrupt and hostile files, one table per format: each ends in a
// clean failure (or the documented picture) without allocating what the
// header claims when the file cannot hold it.

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "image/Image.h"
#include "image/codecs/DecodeTGA.h"

using ZEvuvoro::CImage;

namespace {

using Bytes = std::vector<uint8_t>;

void PutLe(Bytes& b, size_t at, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

void PutBe(Bytes& b, size_t at, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + i] = uint8_t(v >> (8 * (n - 1 - i)));
}

struct BmpHeader {
  int32_t width = 4, height = 2;
  uint16_t bits = 24;
  uint32_t compression = 0, coloursUsed = 0;
};

// Headers followed by payload bytes (palette and pixels as the case gives them).
Bytes Bmp(const BmpHeader& h, const Bytes& payload) {
  Bytes b(54);
  b[0] = 'B';
  b[1] = 'M';
  PutLe(b, 2, uint32_t(54 + payload.size()), 4);
  PutLe(b, 10, 54, 4);
  PutLe(b, 14, 40, 4);
  PutLe(b, 18, uint32_t(h.width), 4);
  PutLe(b, 22, uint32_t(h.height), 4);
  PutLe(b, 26, 1, 2);
  PutLe(b, 28, h.bits, 2);
  PutLe(b, 30, h.compression, 4);
  PutLe(b, 46, h.coloursUsed, 4);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

struct LoadCase {
  const char* name;
  Bytes bytes;
  int result;  // of LoadMemory
  int width;   // of the picture when result is 1
  int height;
};

void RunLoadCases(const std::vector<LoadCase>& cases) {
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    CImage image;
    EXPECT_EQ(image.LoadMemory(c.bytes.data(), c.bytes.size()), c.result);
    EXPECT_EQ(image.m_bValid, c.result == 1 ? 1 : 0);
    if (c.result == 1) {
      EXPECT_EQ(image.m_nWidth, c.width);
      EXPECT_EQ(image.m_nHeight, c.height);
    } else {
      EXPECT_EQ(image.m_pData, nullptr);
    }
  }
}

TEST(CodecHostile, Bmp) {
  Bytes eightRows(2 * 12, 0);
  BmpHeader huge;
  huge.width = 0x7FFFFFFF;
  huge.height = 0x7FFFFFFF;
  BmpHeader overflow;  // rows of 4 GiB: only 64-bit arithmetic sees the file is too short
  overflow.width = 0x40000000;
  overflow.height = 1;
  overflow.bits = 32;
  BmpHeader negativeWidth;
  negativeWidth.width = -4;
  BmpHeader minHeight;
  minHeight.height = INT32_MIN;
  BmpHeader paletteOverrun;
  paletteOverrun.bits = 8;
  paletteOverrun.coloursUsed = 0xFFFFFFFF;
  BmpHeader paletteShort;
  paletteShort.bits = 8;  // 256 entries claimed, 10 present
  BmpHeader zeroWidth;
  zeroWidth.width = 0;
  BmpHeader compressed;
  compressed.compression = 3;
  BmpHeader twoBits;
  twoBits.bits = 2;
  BmpHeader bottomUp;
  const std::vector<LoadCase> cases = {
      {"huge width and height", Bmp(huge, eightRows), 0, 0, 0},
      {"row size past 32 bits", Bmp(overflow, Bytes(64, 0)), 0, 0, 0},
      {"negative width", Bmp(negativeWidth, eightRows), 0, 0, 0},
      {"height INT32_MIN", Bmp(minHeight, eightRows), 0, 0, 0},
      {"palette past the end", Bmp(paletteOverrun, Bytes(64, 0)), 0, 0, 0},
      {"palette cut short", Bmp(paletteShort, Bytes(40, 0)), 0, 0, 0},
      {"width 0", Bmp(zeroWidth, eightRows), 0, 0, 0},
      {"bit fields compression", Bmp(compressed, eightRows), 0, 0, 0},
      {"2 bits per pixel", Bmp(twoBits, eightRows), 0, 0, 0},
      {"ends mid-row", Bmp(bottomUp, Bytes(eightRows.begin(), eightRows.end() - 5)), 0, 0, 0},
      {"ends in the fill bytes", Bmp(bottomUp, Bytes(eightRows.begin(), eightRows.end() - 1)), 0, 0, 0},
      {"complete", Bmp(bottomUp, eightRows), 1, 4, 2},
  };
  RunLoadCases(cases);
}

// More than 256 colours: the first 256 are used and the pixels follow all of
// them; an index past the listed colours is black.
TEST(CodecHostile, BmpPaletteBeyond256AndIndexBeyondTheList) {
  BmpHeader h;
  h.bits = 8;
  h.coloursUsed = 300;
  h.width = 3;
  h.height = 1;
  Bytes payload(300 * 4 + 4, 0);
  payload[0] = 10;            // entry 0 blue
  payload[255 * 4 + 2] = 77;  // entry 255 red
  payload[1200] = 0;
  payload[1201] = 255;
  payload[1202] = 5;
  Bytes file = Bmp(h, payload);
  CImage image;
  ASSERT_EQ(image.LoadMemory(file.data(), file.size()), 1);
  const uint8_t want[] = {10, 0, 0, 255, 0, 0, 77, 255, 0, 0, 0, 255};
  EXPECT_EQ(0, std::memcmp(image.m_pData, want, sizeof want));

  BmpHeader two;
  two.bits = 8;
  two.coloursUsed = 2;
  two.width = 1;
  two.height = 1;
  Bytes small = {1, 2, 3, 0, 4, 5, 6, 0, 200, 0, 0, 0};
  small.resize(55 - 54 + 11, 0);
  Bytes f2 = Bmp(two, small);
  CImage beyond;
  ASSERT_EQ(beyond.LoadMemory(f2.data(), f2.size()), 1);
  EXPECT_EQ(beyond.m_pData[0] | beyond.m_pData[1] | beyond.m_pData[2], 0);
  EXPECT_EQ(beyond.m_pData[3], 255);
}

Bytes Tga(int idLength, int mapType, int imageType, int mapLength, int entrySize, int width, int height, int depth,
          int descriptor, const Bytes& payload) {
  Bytes b(18, 0);
  b[0] = uint8_t(idLength);
  b[1] = uint8_t(mapType);
  b[2] = uint8_t(imageType);
  PutLe(b, 5, uint32_t(mapLength), 2);
  b[7] = uint8_t(entrySize);
  PutLe(b, 12, uint32_t(width), 2);
  PutLe(b, 14, uint32_t(height), 2);
  b[16] = uint8_t(depth);
  b[17] = uint8_t(descriptor);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

Bytes Footer(uint32_t extensionOffset) {
  Bytes f(26, 0);
  PutLe(f, 0, extensionOffset, 4);
  std::memcpy(&f[8], "TRUEVISION-XFILE.", 18);
  return f;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(CodecHostile, Tga) {
  struct Case {
    const char* name;
    Bytes bytes;
    bool ok;
    int width, height;
  };
  const Bytes pixels4x2(4 * 2 * 3, 9);
  const std::vector<Case> cases = {
      {"18 bytes", Bytes(18, 0), false, 0, 0},
      {"65535 x 65535 raw in a small file", Tga(0, 0, 2, 0, 0, 65535, 65535, 24, 0, Bytes(100, 1)), false, 0, 0},
      {"65535 x 65535 run-length in a small file", Tga(0, 0, 10, 0, 0, 65535, 65535, 24, 0, Bytes(100, 0xFF)), false, 0,
       0},
      {"ends mid-row", Tga(0, 0, 2, 0, 0, 4, 2, 24, 0, Bytes(pixels4x2.begin(), pixels4x2.end() - 2)), false, 0, 0},
      {"ID field past the end", Tga(255, 0, 2, 0, 0, 1, 1, 24, 0, Bytes(10, 0)), false, 0, 0},
      {"colour map past the end", Tga(0, 1, 1, 200, 24, 2, 2, 8, 0, Bytes(50, 0)), false, 0, 0},
      {"map entry size 8", Tga(0, 1, 1, 2, 8, 2, 2, 8, 0, Bytes(10, 0)), false, 0, 0},
      {"run packet past the input", Tga(0, 0, 10, 0, 0, 4, 2, 24, 0, {0x82, 1, 2}), false, 0, 0},
      {"raw packet past the input", Tga(0, 0, 10, 0, 0, 4, 2, 24, 0, {0x05, 1, 2, 3, 4}), false, 0, 0},
      {"packets stop before the picture is full", Tga(0, 0, 10, 0, 0, 4, 2, 24, 0, {0x83, 1, 2, 3}), false, 0, 0},
      {"last packet runs past the picture", Tga(0, 0, 10, 0, 0, 4, 2, 24, 0, {0xFF, 1, 2, 3}), true, 4, 2},
      {"width 0", Tga(0, 0, 2, 0, 0, 0, 2, 24, 0, Bytes(8, 0)), false, 0, 0},
      {"extension offset far past the end", Concat(Tga(0, 0, 2, 0, 0, 4, 2, 24, 0, pixels4x2), Footer(0xFFFFFFF0u)),
       true, 4, 2},
      {"map of 256 entries", Tga(0, 1, 1, 256, 24, 2, 1, 8, 0, Concat(Bytes(768, 3), {0, 255})), true, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ZEvuvoro::CDecodeTGA decoder;
    EXPECT_EQ(decoder.Decode(c.bytes.data(), c.bytes.size()), c.ok);
    EXPECT_EQ(decoder.GetWidth(), c.width);
    EXPECT_EQ(decoder.GetHeight(), c.height);
    EXPECT_EQ(decoder.GetOutput() != nullptr, c.ok);
  }
}

// A file whose index lies past its colour map: the slot is black, opaque
// unless the extension area says the alpha channel carries data.
TEST(CodecHostile, TgaIndexBeyondTheColourMap) {
  Bytes file = Tga(0, 1, 1, 2, 24, 2, 1, 8, 0, {10, 20, 30, 40, 50, 60, 1, 200});
  ZEvuvoro::CDecodeTGA decoder;
  ASSERT_TRUE(decoder.Decode(file.data(), file.size()));
  const uint8_t want[] = {40, 50, 60, 255, 0, 0, 0, 255};
  EXPECT_EQ(0, std::memcmp(decoder.GetOutput(), want, sizeof want));
}

Bytes PngChunk(const char* kind, const Bytes& payload) {
  Bytes c(8, 0);
  PutBe(c, 0, uint32_t(payload.size()), 4);
  std::memcpy(&c[4], kind, 4);
  c.insert(c.end(), payload.begin(), payload.end());
  uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(&c[4]), uInt(4 + payload.size()));
  Bytes tail(4);
  PutBe(tail, 0, crc, 4);
  return Concat(c, tail);
}

// A PNG with a correct header chunk for the given size and a tiny data chunk.
Bytes PngClaiming(uint32_t width, uint32_t height, int colourType = 2) {
  Bytes ihdr(13, 0);
  PutBe(ihdr, 0, width, 4);
  PutBe(ihdr, 4, height, 4);
  ihdr[8] = 8;
  ihdr[9] = uint8_t(colourType);
  Bytes png = {137, 80, 78, 71, 13, 10, 26, 10};
  png = Concat(png, PngChunk("IHDR", ihdr));
  Bytes raw(64, 0);
  uLongf packedSize = compressBound(uLong(raw.size()));
  Bytes packed(packedSize);
  compress(packed.data(), &packedSize, raw.data(), uLong(raw.size()));
  packed.resize(packedSize);
  png = Concat(png, PngChunk("IDAT", packed));
  return Concat(png, PngChunk("IEND", {}));
}

Bytes SofJpeg(uint16_t width, uint16_t height) {
  // Start of image, a baseline frame header with one component and nothing else.
  Bytes j = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0, 0, 0, 0, 0x01, 0x01, 0x11, 0x00};
  PutBe(j, 7, height, 2);
  PutBe(j, 9, width, 2);
  j.resize(64, 0);
  return j;
}

TEST(CodecHostile, PngAndJpeg) {
  const std::vector<LoadCase> cases = {
      {"PNG claiming 60000 x 60000", PngClaiming(60000, 60000), 0, 0, 0},
      {"PNG claiming 16000 x 16000 in a hundred bytes", PngClaiming(16000, 16000), 0, 0, 0},
      {"PNG claiming 2^31 - 1 wide", PngClaiming(0x7FFFFFFF, 1), 0, 0, 0},
      {"PNG of 20 x 20 with too little data", PngClaiming(20, 20), 0, 0, 0},
      {"PNG of 4 x 4 with enough data", PngClaiming(4, 4), 1, 4, 4},
      {"PNG signature alone", Concat({137, 80, 78, 71, 13, 10, 26, 10}, Bytes(30, 0)), 0, 0, 0},
      {"JPEG claiming 65500 x 65500", SofJpeg(65500, 65500), 0, 0, 0},
      {"JPEG frame with zero width", SofJpeg(0, 16), 0, 0, 0},
      {"JPEG frame without tables or scan", SofJpeg(16, 16), 0, 0, 0},
      {"JPEG start marker and zeros", Concat({0xFF, 0xD8}, Bytes(60, 0)), 0, 0, 0},
  };
  RunLoadCases(cases);
}

}  // namespace
