// Loading from file, memory and stream, the choice of decoder and the
// decoder base's calling protocol.

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/Decode.h"
#include "image/FormatProbe.h"
#include "image/Image.h"

using ZEvuvoro::CDecode;
using ZEvuvoro::CImage;

namespace {

void PutLe(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A 24-bit bottom-up BMP whose pixel (x, y) from the top is (x, y, x + y).
std::vector<uint8_t> SmallBmp(int width, int height) {
  const int rowBytes = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> b(54 + size_t(rowBytes) * height);
  b[0] = 'B';
  b[1] = 'M';
  PutLe(b, 2, uint32_t(b.size()), 4);
  PutLe(b, 10, 54, 4);
  PutLe(b, 14, 40, 4);
  PutLe(b, 18, uint32_t(width), 4);
  PutLe(b, 22, uint32_t(height), 4);
  PutLe(b, 26, 1, 2);
  PutLe(b, 28, 24, 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &b[54 + size_t(height - 1 - y) * rowBytes + x * 3];
      p[0] = uint8_t(x);
      p[1] = uint8_t(y);
      p[2] = uint8_t(x + y);
    }
  return b;
}

void WriteBytes(const wchar_t* path, const std::vector<uint8_t>& bytes) {
  FILE* f = _wfopen(path, L"wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void ExpectSmallBmpPixels(const CImage& image, int width, int height) {
  ASSERT_EQ(image.m_bValid, 1);
  ASSERT_EQ(image.m_nWidth, width);
  ASSERT_EQ(image.m_nHeight, height);
  EXPECT_EQ(image.m_nStride, width * 4);
  EXPECT_EQ(image.m_bOwner, 1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = image.m_pData + y * image.m_nStride + x * 4;
      ASSERT_EQ(p[0], uint8_t(x));
      ASSERT_EQ(p[1], uint8_t(y));
      ASSERT_EQ(p[2], uint8_t(x + y));
      ASSERT_EQ(p[3], 255);
    }
}

// A decoder whose result and size the test decides.
class CScriptedDecode : public CDecode {
 public:
  CScriptedDecode(bool result, int width, int height) : m_bResult(result), m_w(width), m_h(height) {}
  int m_nResets = 0;
  uint64_t m_nSeenSize = 0;

 protected:
  bool DoDecode() override {
    m_nSeenSize = m_nInputSize;
    m_pOutput = new uint8_t[16];
    m_nWidth = m_w;
    m_nHeight = m_h;
    return m_bResult;
  }
  void Reset() override { ++m_nResets; }

 private:
  bool m_bResult;
  int m_w, m_h;
};

TEST(ImageDecode, DecodeSucceedsOnlyWithAPictureOfSomeSize) {
  struct Case {
    bool result;
    int w, h;
    bool ok;
  };
  const uint8_t input[4] = {};
  for (Case c : {Case{true, 2, 2, true}, Case{true, 0, 2, false}, Case{true, 2, 0, false}, Case{false, 2, 2, false},
                 Case{true, -1, 5, false}}) {
    SCOPED_TRACE(testing::Message() << c.result << " " << c.w << " x " << c.h);
    CScriptedDecode decoder(c.result, c.w, c.h);
    EXPECT_EQ(decoder.Decode(input, sizeof input), c.ok);
    EXPECT_EQ(decoder.m_nSeenSize, 4u);
    EXPECT_EQ(decoder.GetOutput() != nullptr, c.ok);
    EXPECT_EQ(decoder.GetWidth(), c.ok ? c.w : 0);
  }
}

TEST(ImageDecode, DetachHandsTheOutputOverAndResets) {
  const uint8_t input[4] = {};
  CScriptedDecode decoder(true, 2, 2);
  ASSERT_TRUE(decoder.Decode(input, sizeof input));
  uint8_t* output = decoder.GetOutput();
  decoder.Detach();
  EXPECT_EQ(decoder.m_nResets, 1);
  EXPECT_EQ(decoder.GetOutput(), nullptr);
  EXPECT_EQ(decoder.GetWidth(), 0);
  delete[] output;  // the caller owns it now

  ASSERT_TRUE(decoder.Decode(input, sizeof input));
  decoder.FreeOutput();
  EXPECT_EQ(decoder.GetOutput(), nullptr);
}

TEST(ImageDecode, SizeLimitRefusesHugePictures) {
  EXPECT_TRUE(CDecode::SizeAllowed(4000, 3000));
  EXPECT_TRUE(CDecode::SizeAllowed(0, 0));
  EXPECT_FALSE(CDecode::SizeAllowed(65535, 65535));
  EXPECT_FALSE(CDecode::SizeAllowed(uint64_t(1) << 40, 1));
  EXPECT_FALSE(CDecode::SizeAllowed(uint64_t(1) << 33, uint64_t(1) << 33));
  EXPECT_EQ(CDecode::SizeAllowed(ZEvuvoro::kMaxDecodedBytes / 4, 1), true);
  EXPECT_EQ(CDecode::SizeAllowed(ZEvuvoro::kMaxDecodedBytes / 4 + 1, 1), false);
}

TEST(ImageLoad, LoadMemoryChoosesByContent) {
  std::vector<uint8_t> bmp = SmallBmp(3, 2);
  CImage image;
  EXPECT_EQ(image.LoadMemory(bmp.data(), bmp.size()), 1);
  ExpectSmallBmpPixels(image, 3, 2);

  struct Case {
    std::vector<uint8_t> bytes;
    int result;
  };
  std::vector<uint8_t> bm40(40, 0);
  bm40[0] = 'B';
  bm40[1] = 'M';
  std::vector<uint8_t> otherHeader = SmallBmp(3, 2);
  otherHeader[14] = 108;
  std::vector<uint8_t> jpegStart(64, 0);
  jpegStart[0] = 0xFF;
  jpegStart[1] = 0xD8;
  std::vector<uint8_t> pngStart = {137, 80, 78, 71, 13, 10, 26, 10};
  pngStart.resize(64, 0);
  const Case cases[] = {
      {std::vector<uint8_t>(31, 'B'), 0}, {bm40, -1},     {otherHeader, -1},
      {std::vector<uint8_t>(64, 7), -1},  {jpegStart, 0}, {pngStart, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes.size() << " bytes starting " << int(c.bytes[0]));
    CImage fresh;
    EXPECT_EQ(fresh.LoadMemory(c.bytes.data(), c.bytes.size()), c.result);
    EXPECT_EQ(fresh.m_bValid, 0);
  }
  CImage none;
  EXPECT_EQ(none.LoadMemory(nullptr, 100), 0);
}

TEST(ImageLoad, UnknownContentLeavesTheImageAlone) {
  CImage image(2, 2);
  uint8_t* before = image.m_pData;
  std::vector<uint8_t> text(64, 'x');
  EXPECT_EQ(image.LoadMemory(text.data(), text.size()), -1);
  EXPECT_EQ(image.m_pData, before);
  EXPECT_EQ(image.m_bValid, 1);
}

TEST(ImageLoad, LoadFileResults) {
  WriteBytes(L"load_empty.bmp", {});
  CImage image;
  EXPECT_EQ(image.LoadFile(L"load_empty.bmp"), 0);
  EXPECT_EQ(image.LoadFile(L"load_missing.bmp"), 0);
  EXPECT_EQ(image.LoadFile(nullptr), 0);
  WriteBytes(L"load_text.bmp", std::vector<uint8_t>(100, 'x'));
  EXPECT_EQ(image.LoadFile(L"load_text.bmp"), 1);
  EXPECT_EQ(image.m_bValid, 0);
}

// The TGA decoder is chosen by name alone; a BMP given to it fails.
TEST(ImageLoad, TgaIsChosenByTheExtensionAfterTheLastBackslash) {
  CreateDirectoryW(L"pics.tga", nullptr);
  struct Case {
    const wchar_t* path;
    bool decodesAsBmp;
  };
  const Case cases[] = {
      {L"load_a.bmp", true},      {L"load_b.TGA", false}, {L"load_c.tgafoo", false}, {L"load_d.tga.bmp", true},
      {L"pics.tga\\photo", true}, {L"load_e.Tga", false}, {L"load_f.tg", true},      {L".tga", true},
  };
  std::vector<uint8_t> bmp = SmallBmp(4, 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.path, c.path + wcslen(c.path)));
    WriteBytes(c.path, bmp);
    CImage image;
    EXPECT_EQ(image.LoadFile(c.path), 1);
    EXPECT_EQ(image.m_bValid, c.decodesAsBmp ? 1 : 0);
  }
}

TEST(ImageLoad, LoadFileReplacesAnAttachedBufferWithAnOwnedOne) {
  uint8_t foreign[64];
  std::memset(foreign, 0xCD, sizeof foreign);
  std::vector<uint8_t> bmp = SmallBmp(5, 3);
  WriteBytes(L"load_owned.bmp", bmp);
  CImage image;
  image.Attach(4, 4, 16, foreign);
  EXPECT_EQ(image.LoadFile(L"load_owned.bmp"), 1);
  ExpectSmallBmpPixels(image, 5, 3);
  EXPECT_EQ(foreign[0], 0xCD);

  CImage constructed(L"load_owned.bmp");
  ExpectSmallBmpPixels(constructed, 5, 3);
  CImage fromMemory(bmp.data(), bmp.size());
  ExpectSmallBmpPixels(fromMemory, 5, 3);
}

TEST(ImageLoad, SavedBmpLoadsBackExactly) {
  CImage image(7, 5);
  for (int i = 0; i < 7 * 5 * 4; ++i) image.m_pData[i] = uint8_t(i * 37);
  // Decoders put the top row first, which the flag writes last.
  ASSERT_EQ(image.SaveBmp(L"load_roundtrip.bmp", 1), 1);
  CImage back(L"load_roundtrip.bmp");
  ASSERT_EQ(back.m_bValid, 1);
  EXPECT_EQ(0, std::memcmp(back.m_pData, image.m_pData, 7 * 5 * 4));
}

TEST(ImageLoad, FormatProbesNeedTheSignatureAndTheLength) {
  struct Case {
    std::vector<uint8_t> bytes;
    bool png, gif, jpeg, bmp, tiff;
  };
  std::vector<uint8_t> bmp = SmallBmp(3, 2);
  std::vector<uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10, 0};
  const Case cases[] = {
      {png, true, false, false, false, false},
      {std::vector<uint8_t>(png.begin(), png.end() - 1), false, false, false, false, false},
      {{'G', 'I', 'F', '8', '9', 'a', 0}, false, true, false, false, false},
      {{'G', 'I', 'F', '8', '7', 'a', 0}, false, true, false, false, false},
      {{'G', 'I', 'F', '8', '8', 'a', 0}, false, false, false, false, false},
      {{'G', 'I', 'F', '8', '9', 'a'}, false, false, false, false, false},
      {{0xFF, 0xD8, 0xFF, 0xE0, 0}, false, false, true, false, false},
      {{0xFF, 0xD8, 0xFF, 0xE0}, false, false, false, false, false},
      {bmp, false, false, false, true, false},
      {std::vector<uint8_t>(bmp.begin(), bmp.begin() + 54), false, false, false, false, false},
      {{'I', 'I', 42, 0, 8}, false, false, false, false, true},
      {{'M', 'M', 0, 42, 0}, false, false, false, false, true},
      {{'M', 'M', 42, 0, 0}, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes.size() << " bytes starting " << int(c.bytes[0]));
    EXPECT_EQ(ZEvuvoro::IsPngData(c.bytes.data(), c.bytes.size()), c.png);
    EXPECT_EQ(ZEvuvoro::IsGifData(c.bytes.data(), c.bytes.size()), c.gif);
    EXPECT_EQ(ZEvuvoro::IsJpegData(c.bytes.data(), c.bytes.size()), c.jpeg);
    EXPECT_EQ(ZEvuvoro::IsBmpData(c.bytes.data(), c.bytes.size()), c.bmp);
    EXPECT_EQ(ZEvuvoro::IsTiffData(c.bytes.data(), c.bytes.size()), c.tiff);
  }
}

// A file whose second half cannot be read (another handle holds a lock on
// it): the load fails instead of decoding the missing half as zeros.
TEST(ImageLoad, AFileThatCannotBeReadToTheEndIsNotDecoded) {
  std::vector<uint8_t> bmp = SmallBmp(600, 400);
  WriteBytes(L"load_locked.bmp", bmp);
  HANDLE other = CreateFileW(L"load_locked.bmp", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(LockFile(other, DWORD(bmp.size() / 2), 0, DWORD(bmp.size()), 0));
  CImage image;
  EXPECT_EQ(image.LoadFile(L"load_locked.bmp"), 0);
  EXPECT_EQ(image.m_bValid, 0);
  UnlockFile(other, DWORD(bmp.size() / 2), 0, DWORD(bmp.size()), 0);
  CloseHandle(other);
  EXPECT_EQ(image.LoadFile(L"load_locked.bmp"), 1);
  ExpectSmallBmpPixels(image, 600, 400);
}

// A stream over bytes that hands out at most 1000 bytes per read, as a
// network stream may, and can be told to fail its reads after some bytes.
class CTestStream final : public IStream {
 public:
  CTestStream(std::vector<uint8_t> bytes, size_t failAfter) : m_bytes(std::move(bytes)), m_failAfter(failAfter) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void* out, ULONG size, ULONG* got) override {
    ++m_nReads;
    if (m_position >= m_failAfter) return E_FAIL;
    size_t n = std::min<size_t>({size_t(size), m_bytes.size() - m_position, size_t(1000)});
    std::memcpy(out, m_bytes.data() + m_position, n);
    m_position += n;
    if (got) *got = ULONG(n);
    return n > 0 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER*) override {
    if (origin != STREAM_SEEK_SET || move.QuadPart != 0) return E_INVALIDARG;
    m_position = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    std::memset(stat, 0, sizeof *stat);
    stat->cbSize.QuadPart = m_bytes.size();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  int m_nReads = 0;

 private:
  std::vector<uint8_t> m_bytes;
  size_t m_failAfter;
  size_t m_position = 0;
};

TEST(ImageLoad, LoadStreamReadsTheWholeStream) {
  std::vector<uint8_t> bmp = SmallBmp(40, 30);
  CTestStream stream(bmp, SIZE_MAX);
  CImage image;
  EXPECT_EQ(image.LoadStream(&stream), 1);
  ExpectSmallBmpPixels(image, 40, 30);
  EXPECT_GT(stream.m_nReads, 1);

  CTestStream again(bmp, SIZE_MAX);
  CImage constructed(static_cast<IStream*>(&again));
  ExpectSmallBmpPixels(constructed, 40, 30);

  CTestStream empty({}, SIZE_MAX);
  EXPECT_EQ(image.LoadStream(&empty), 0);
  EXPECT_EQ(image.LoadStream(nullptr), 0);
}

// A read that fails half way is a failed load, not a picture padded with zeros.
TEST(ImageLoad, AStreamThatFailsMidwayIsNotDecoded) {
  std::vector<uint8_t> bmp = SmallBmp(40, 30);
  CTestStream stream(bmp, bmp.size() / 2);
  CImage image(2, 2);
  EXPECT_EQ(image.LoadStream(&stream), 0);
  EXPECT_EQ(image.m_bValid, 0);
  EXPECT_EQ(image.m_pData, nullptr);
}

}  // namespace
