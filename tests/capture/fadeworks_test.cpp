// The transition plug-in as the slide show loads it: its exports, every
// transition filling a sentinel-filled output of padded stride while both
// inputs stay as they were, refusals, and renders that check_slides.py
// compares with its numpy model. The cross-fade's SSE2 row against the scalar one.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vendor/fadeworks/Fadeworks.h"
#include "vendor/fadeworks/Kernels.h"

namespace {

using ZEvuvoro::CImage;

constexpr uint8_t kSentinel = 0x5A;

// A picture in a buffer with padding after every row, so that a transition
// that ignores the stride or writes past the width shows.
struct CPadded {
  CPadded(int width, int height, uint32_t seed) : width(width), height(height), stride(width * 4 + 12) {
    bytes.assign(static_cast<size_t>(stride) * height, kSentinel);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint8_t* px = &bytes[static_cast<size_t>(y) * stride + x * 4];
        for (int c = 0; c < 3; ++c) px[c] = static_cast<uint8_t>(random());
        px[3] = 0xFF;
      }
    image.Attach(width, height, stride, bytes.data());
  }
  void Clear() { std::fill(bytes.begin(), bytes.end(), kSentinel); }
  int width, height, stride;
  std::vector<uint8_t> bytes;
  CImage image;
};

class FadeworksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder = folder.substr(0, folder.find_last_of(L'\\'));
    m_module = LoadLibraryW((folder + L"\\Fadeworks.dll").c_str());
    ASSERT_NE(m_module, nullptr);
    m_count =
        reinterpret_cast<GetTransitionCountFn>(reinterpret_cast<void*>(GetProcAddress(m_module, "GetTransitionCount")));
    m_create =
        reinterpret_cast<CreateTransitionFn>(reinterpret_cast<void*>(GetProcAddress(m_module, "CreateTransition")));
    m_delete =
        reinterpret_cast<DeleteTransitionFn>(reinterpret_cast<void*>(GetProcAddress(m_module, "DeleteTransition")));
    ASSERT_TRUE(m_count && m_create && m_delete);
  }
  void TearDown() override {
    if (m_module) FreeLibrary(m_module);
  }
  HMODULE m_module = nullptr;
  GetTransitionCountFn m_count = nullptr;
  CreateTransitionFn m_create = nullptr;
  DeleteTransitionFn m_delete = nullptr;
};

TEST_F(FadeworksTest, ExportsFourTransitions) {
  EXPECT_EQ(m_count(), FADEWORKS_COUNT);
  for (int index : {-1, int{FADEWORKS_COUNT}, 1000}) EXPECT_EQ(m_create(index), nullptr) << index;
  m_delete(nullptr);  // takes back nothing without harm
}

TEST_F(FadeworksTest, EveryTransitionFillsTheOutputAndKeepsItsInputs) {
  for (int index = 0; index < FADEWORKS_COUNT; ++index) {
    CTransition* transition = m_create(index);
    ASSERT_NE(transition, nullptr);
    for (auto [width, height] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{37, 23}, std::pair{160, 9}}) {
      CPadded from(width, height, 1), to(width, height, 2), output(width, height, 3);
      const std::vector<uint8_t> fromBefore = from.bytes, toBefore = to.bytes;
      for (int percent : {-20, 0, 1, 7, 49, 50, 93, 99, 100, 250}) {
        SCOPED_TRACE(testing::Message() << "transition " << index << " " << width << " x " << height << " at "
                                        << percent);
        output.Clear();
        EXPECT_EQ(transition->Render(&output.image, &from.image, &to.image, percent), 1);
        EXPECT_EQ(from.bytes, fromBefore);
        EXPECT_EQ(to.bytes, toBefore);
        int unwritten = 0, padTouched = 0;
        for (int y = 0; y < height; ++y) {
          const uint8_t* row = &output.bytes[static_cast<size_t>(y) * output.stride];
          for (int x = 0; x < width; ++x) unwritten += row[x * 4 + 3] != 0xFF;
          for (int b = width * 4; b < output.stride; ++b) padTouched += row[b] != kSentinel;
        }
        EXPECT_EQ(unwritten, 0);
        EXPECT_EQ(padTouched, 0);
        // The ends of the change are the two pictures themselves.
        if (percent <= 0 || percent >= 100) {
          const std::vector<uint8_t>& whole = percent <= 0 ? fromBefore : toBefore;
          for (int y = 0; y < height; ++y)
            EXPECT_EQ(std::memcmp(&output.bytes[static_cast<size_t>(y) * output.stride],
                                  &whole[static_cast<size_t>(y) * output.stride], static_cast<size_t>(width) * 4),
                      0);
        }
      }
    }
    m_delete(transition);
  }
}

TEST_F(FadeworksTest, RefusesImagesItCannotUse) {
  CTransition* transition = m_create(FADEWORKS_CROSSFADE);
  ASSERT_NE(transition, nullptr);
  CPadded from(8, 8, 1), to(8, 8, 2), output(8, 8, 3), small(8, 7, 4);
  CImage empty;
  output.Clear();
  const std::vector<uint8_t> untouched = output.bytes;
  struct Case {
    const char* name;
    CImage* output;
    const CImage* from;
    const CImage* to;
  } cases[] = {
      {"no output", nullptr, &from.image, &to.image},           {"no from", &output.image, nullptr, &to.image},
      {"no to", &output.image, &from.image, nullptr},           {"empty from", &output.image, &empty, &to.image},
      {"other size", &output.image, &from.image, &small.image},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(transition->Render(c.output, c.from, c.to, 50), 0);
    EXPECT_EQ(output.bytes, untouched);
  }
  m_delete(transition);
}

// Renders of every transition for check_slides.py: from, to, then one output
// per percent, each 37 x 23 x 4 bytes.
TEST_F(FadeworksTest, WritesRendersForTheModel) {
  const int percents[] = {0, 3, 7, 33, 50, 64, 93, 99};
  CImage from(37, 23), to(37, 23), output(37, 23);
  std::mt19937 random(7);
  for (CImage* image : {&from, &to})
    for (int i = 0; i < 37 * 23 * 4; ++i) image->m_pData[i] = static_cast<uint8_t>(random());
  FILE* f = std::fopen("transitions.bin", "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(from.m_pData, 1, 37 * 23 * 4, f);
  std::fwrite(to.m_pData, 1, 37 * 23 * 4, f);
  for (int index = 0; index < FADEWORKS_COUNT; ++index) {
    CTransition* transition = m_create(index);
    ASSERT_NE(transition, nullptr);
    for (int percent : percents) {
      transition->Render(&output, &from, &to, percent);
      std::fwrite(output.m_pData, 1, 37 * 23 * 4, f);
    }
    m_delete(transition);
  }
  std::fclose(f);
}

TEST(FadeworksKernel, CrossFadeVectorKernelsMatchScalar) {
  struct Kernel {
    const char* name;
    fadeworks::CrossFadeRowFn row;
  };
  std::vector<Kernel> kernels{{"sse2", fadeworks::CrossFadeRowSse2}};
#if defined(__x86_64__)
  if (fadeworks::HasAvx2()) kernels.push_back({"avx2", fadeworks::CrossFadeRowAvx2});
#endif
  std::mt19937 random(5);
  std::vector<uint8_t> from(4 * 70), to(4 * 70), scalar(4 * 70), vector(4 * 71);
  for (int weight = 0; weight <= 256; ++weight) {  // every weight: the lanes wrap on the way
    for (auto& b : from) b = static_cast<uint8_t>(random());
    for (auto& b : to) b = static_cast<uint8_t>(random());
    // The extremes, where the 16-bit sums come nearest to wrapping.
    for (int i = 0; i < 8; ++i) {
      from[i] = to[i + 8] = 255;
      to[i] = from[i + 8] = 0;
      from[i + 16] = to[i + 16] = 255;
    }
    // Whole vectors of either width and every kind of remainder after them.
    for (int count : {0, 1, 3, 4, 5, 8, 11, 12, 15, 17, 70}) {
      fadeworks::CrossFadeRowScalar(scalar.data(), from.data(), to.data(), count, weight);
      for (const Kernel& kernel : kernels) {
        std::fill(vector.begin(), vector.end(), uint8_t{0x5A});
        kernel.row(vector.data(), from.data(), to.data(), count, weight);
        ASSERT_EQ(std::memcmp(scalar.data(), vector.data(), static_cast<size_t>(count) * 4), 0)
            << kernel.name << ", weight " << weight << ", " << count << " pixels";
        // Nothing past the row is written.
        ASSERT_EQ(vector[static_cast<size_t>(count) * 4], 0x5A)
            << kernel.name << ", weight " << weight << ", " << count << " pixels";
      }
    }
  }
  if (kernels.size() == 1) std::printf("note: no AVX2 here, only the SSE2 kernel was compared\n");
}

}  // namespace
