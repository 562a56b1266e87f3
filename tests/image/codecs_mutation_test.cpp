// Seeded mutation of small valid files, many thousands per format in one run.
// Each mutated file lies at the very end of committed memory, followed by a
// page that cannot be read, so a decoder reading past its input crashes the
// test instead of passing unnoticed. Every load must end in a clean failure
// or a consistent picture.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "image/Image.h"
#include "image/codecs/DecodeTGA.h"

using ZEvuvoro::CImage;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kMutationsPerFormat = 20000;
constexpr size_t kMaxMutatedSize = 256 * 1024;

// Committed pages followed by one no-access page.
class CGuardedBuffer {
 public:
  explicit CGuardedBuffer(size_t capacity) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    m_nPage = info.dwPageSize;
    m_nCommitted = (capacity + m_nPage - 1) / m_nPage * m_nPage;
    m_pBase = static_cast<uint8_t*>(VirtualAlloc(nullptr, m_nCommitted + m_nPage, MEM_RESERVE, PAGE_NOACCESS));
    if (m_pBase != nullptr) VirtualAlloc(m_pBase, m_nCommitted, MEM_COMMIT, PAGE_READWRITE);
  }
  CGuardedBuffer(const CGuardedBuffer&) = delete;
  CGuardedBuffer& operator=(const CGuardedBuffer&) = delete;
  ~CGuardedBuffer() {
    if (m_pBase != nullptr) VirtualFree(m_pBase, 0, MEM_RELEASE);
  }
  bool IsReady() const { return m_pBase != nullptr; }
  // Copies the bytes so that their last one is the last readable byte.
  const uint8_t* Place(const Bytes& bytes) {
    uint8_t* at = m_pBase + m_nCommitted - bytes.size();
    if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
    return at;
  }

 private:
  size_t m_nPage = 4096;
  size_t m_nCommitted = 0;
  uint8_t* m_pBase = nullptr;
};

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Bytes> Seeds(const char* extension) {
  std::vector<Bytes> seeds;
  WIN32_FIND_DATAA found;
  std::string pattern = std::string("seeds\\*.") + extension;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return seeds;
  do {
    seeds.push_back(ReadAll(std::string("seeds\\") + found.cFileName));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return seeds;
}

// Fields that make decoders allocate, loop or index: the values most likely to break them.
const uint32_t kInteresting[] = {0,      1,      2,       0x7F,       0x80,       0xFF,       0x100,      0x7FFF,
                                 0x8000, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x40000000};

void Mutate(Bytes& b, std::mt19937& random, size_t headerBias) {
  const int steps = 1 + int(random() % 4);
  for (int s = 0; s < steps && !b.empty(); ++s) {
    // Half of the changes land in the first bytes, where the headers are.
    const size_t span = (random() & 1) ? std::min(b.size(), headerBias) : b.size();
    const size_t at = random() % span;
    switch (random() % 7) {
      case 0:
        b[at] = uint8_t(random());
        break;
      case 1:
        b[at] ^= uint8_t(1u << (random() % 8));
        break;
      case 2: {
        const uint32_t v = kInteresting[random() % std::size(kInteresting)];
        const int width = (random() & 1) ? 4 : 2;
        const bool bigEndian = random() & 1;
        for (int i = 0; i < width && at + i < b.size(); ++i)
          b[at + i] = uint8_t(bigEndian ? v >> (8 * (width - 1 - i)) : v >> (8 * i));
        break;
      }
      case 3:
        b.resize(at);
        break;
      case 4: {
        const size_t n = std::min<size_t>(1 + random() % 64, b.size() - at);
        Bytes copy(b.begin() + at, b.begin() + at + n);
        const size_t to = random() % b.size();
        b.insert(b.begin() + to, copy.begin(), copy.end());
        break;
      }
      case 5: {
        const size_t n = std::min<size_t>(1 + random() % 64, b.size() - at);
        b.erase(b.begin() + at, b.begin() + at + n);
        break;
      }
      case 6:
        // Near the end, where footers and end markers are.
        b[b.size() - 1 - random() % std::min<size_t>(b.size(), 32)] = uint8_t(random());
        break;
    }
  }
  if (b.size() > kMaxMutatedSize) b.resize(kMaxMutatedSize);
}

// Recomputes every chunk's checksum, so that the mutation reaches past
// libpng's checksum test into the chunks' contents.
void FixPngChecksums(Bytes& b) {
  size_t at = 8;
  while (at + 12 <= b.size()) {
    const uint32_t length = uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
    if (length > b.size() - at - 12) break;
    const uint32_t crc = crc32(0, &b[at + 4], uInt(length + 4));
    for (int i = 0; i < 4; ++i) b[at + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
    at += 12 + size_t(length);
  }
}

// A decoded picture must be fully addressable: reading every byte catches a
// buffer smaller than the size it reports.
uint32_t Touch(const uint8_t* data, int width, int height) {
  uint32_t sum = 0;
  for (size_t i = 0, n = size_t(width) * height * 4; i < n; i += 61) sum += data[i];
  return sum + data[size_t(width) * height * 4 - 1];
}

struct MutationRun {
  const char* extension;
  size_t headerBias;
};

class CodecMutation : public testing::TestWithParam<MutationRun> {};

TEST_P(CodecMutation, EveryMutatedFileFailsCleanlyOrDecodes) {
  const MutationRun run = GetParam();
  const std::vector<Bytes> seeds = Seeds(run.extension);
  ASSERT_FALSE(seeds.empty()) << "no seeds/*." << run.extension << ": the fixture generator runs first";
  CGuardedBuffer guarded(kMaxMutatedSize);
  ASSERT_TRUE(guarded.IsReady());
  std::mt19937 random(0x5EED0000u + uint32_t(run.headerBias) + uint32_t(run.extension[0]));
  const bool tga = std::strcmp(run.extension, "tga") == 0;
  const bool png = std::strcmp(run.extension, "png") == 0;
  int decoded = 0;
  double slowest = 0;
  uint32_t checksum = 0;
  for (int i = 0; i < kMutationsPerFormat; ++i) {
    Bytes file = seeds[i % seeds.size()];
    Mutate(file, random, run.headerBias);
    if (png && (i & 3) != 0) FixPngChecksums(file);
    const uint8_t* input = guarded.Place(file);
    const auto start = std::chrono::steady_clock::now();
    if (tga) {
      ZEvuvoro::CDecodeTGA decoder;
      if (decoder.Decode(input, file.size())) {
        ASSERT_GE(decoder.GetWidth(), 1) << "mutation " << i;
        ASSERT_GE(decoder.GetHeight(), 1) << "mutation " << i;
        checksum += Touch(decoder.GetOutput(), decoder.GetWidth(), decoder.GetHeight());
        ++decoded;
      } else {
        ASSERT_EQ(decoder.GetOutput(), nullptr) << "mutation " << i;
      }
    } else {
      CImage image;
      const int result = image.LoadMemory(input, file.size());
      ASSERT_TRUE(result == 1 || result == 0 || result == -1) << "mutation " << i;
      ASSERT_EQ(image.m_bValid, result == 1 ? 1 : 0) << "mutation " << i;
      if (result == 1) {
        ASSERT_NE(image.m_pData, nullptr);
        ASSERT_GE(image.m_nWidth, 1);
        ASSERT_GE(image.m_nHeight, 1);
        ASSERT_EQ(image.m_nStride, image.m_nWidth * 4);
        checksum += Touch(image.m_pData, image.m_nWidth, image.m_nHeight);
        ++decoded;
      } else {
        ASSERT_EQ(image.m_pData, nullptr) << "mutation " << i;
      }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    slowest = std::max(slowest, seconds);
  }
  RecordProperty("decoded", decoded);
  std::printf("%s: %d of %d mutated files decoded, slowest load %.3f s (checksum %u)\n", run.extension, decoded,
              kMutationsPerFormat, slowest, checksum);
  // Some mutations only touch pixel data; a run where nothing decodes tests nothing.
  EXPECT_GT(decoded, kMutationsPerFormat / 100);
}

INSTANTIATE_TEST_SUITE_P(Formats, CodecMutation,
                         testing::Values(MutationRun{"bmp", 64}, MutationRun{"tga", 40}, MutationRun{"jpg", 700},
                                         MutationRun{"png", 100}),
                         [](const testing::TestParamInfo<MutationRun>& info) { return info.param.extension; });

}  // namespace
