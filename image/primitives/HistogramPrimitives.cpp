#include "image/primitives/HistogramPrimitives.h"

#include <cpuid.h>
#include <emmintrin.h>
#include <immintrin.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kSpecTag = 0x74736968;  // "hist" in memory order
constexpr int kMaxChannels = 4;

// The header keeps its 48 bytes on 32- and 64-bit builds: the level arrays are
// found through offsets from the block's start rather than through pointers.
struct SpecHeader {
  int32_t dataType;
  int32_t channelCount;
  int32_t uniform;
  uint32_t tag;
  int32_t levelCount[kMaxChannels];
  uint32_t levelOffset[kMaxChannels];  // 0 for no channel
};
static_assert(sizeof(SpecHeader) == 48, "header of the level block");

// Processor features, one bit each.
enum : uint32_t {
  FeatSse2 = 1u << 0,
  FeatSse3 = 1u << 1,
  FeatSsse3 = 1u << 2,
  FeatSse41 = 1u << 3,
  FeatMovbe = 1u << 4,
  FeatSse42 = 1u << 5,
  FeatAvx = 1u << 6,
  FeatAvx2 = 1u << 7,
  FeatFma = 1u << 8,
  FeatBmi1 = 1u << 9,
  FeatBmi2 = 1u << 10,
  FeatAvx512 = 1u << 11,
};

std::atomic<int> g_variant{-1};
std::atomic<uint32_t> g_enabledFeatures{0};

uint64_t ReadXcr0() {
  uint32_t lo, hi;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (static_cast<uint64_t>(hi) << 32) | lo;
}

uint32_t ProcessorFeatures() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return 0;
  uint32_t f = 0;
  if (d & bit_SSE2) f |= FeatSse2;
  if (c & bit_SSE3) f |= FeatSse3;
  if (c & bit_SSSE3) f |= FeatSsse3;
  if (c & bit_SSE4_1) f |= FeatSse41;
  if (c & bit_MOVBE) f |= FeatMovbe;
  if (c & bit_SSE4_2) f |= FeatSse42;
  if (c & bit_FMA) f |= FeatFma;
  const bool osSaves = (c & bit_OSXSAVE) && (c & bit_AVX) && (ReadXcr0() & 6) == 6;
  if (c & bit_AVX) f |= FeatAvx;
  unsigned a7, b7, c7, d7;
  if (__get_cpuid_count(7, 0, &a7, &b7, &c7, &d7)) {
    if (b7 & bit_AVX2) f |= FeatAvx2;
    if (b7 & bit_BMI) f |= FeatBmi1;
    if (b7 & bit_BMI2) f |= FeatBmi2;
    if (b7 & bit_AVX512F) f |= FeatAvx512;
  }
  // The wide registers are usable only when the system saves their state.
  if (!osSaves) f &= ~(FeatAvx | FeatAvx2 | FeatFma | FeatAvx512);
  return f;
}

int ChooseVariant(uint32_t f, uint32_t& enabled) {
  const uint32_t v1 = FeatSse2 | FeatSse3;
  const uint32_t v2 = v1 | FeatSsse3 | FeatSse41 | FeatMovbe;
  const uint32_t v3 = v2 | FeatSse42;
  const uint32_t v4 = v3 | FeatAvx;
  const uint32_t v5 = v4 | FeatAvx2 | FeatFma | FeatBmi1 | FeatBmi2 | FeatAvx512;
  if ((f & FeatAvx2) && (f & FeatFma) && (f & FeatBmi1) && (f & FeatBmi2)) {
    enabled = f & v5;
    return 5;
  }
  if (f & FeatAvx) {
    enabled = f & v4;
    return 4;
  }
  if (f & FeatSse42) {
    enabled = f & v3;
    return 3;
  }
  if (f & (FeatSse41 | FeatMovbe | FeatSsse3)) {
    enabled = f & v2;
    return 2;
  }
  if (f & (FeatSse3 | FeatSse2)) {
    enabled = f & v1;
    return 1;
  }
  enabled = 0;
  return 0;
}

int Variant() {
  int v = g_variant.load(std::memory_order_acquire);
  if (v < 0) {
    InitPrimitives();
    v = g_variant.load(std::memory_order_acquire);
  }
  return v;
}

// ---- counting: a plain reference and a four-table form ----

void CountPlain(const uint8_t* plane, ptrdiff_t step, int width, int height, uint32_t counts[256]) {
  std::memset(counts, 0, 256 * sizeof(uint32_t));
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = plane + y * step;
    for (int x = 0; x < width; ++x) ++counts[row[x]];
  }
}

// Four tables break the chain of increments of one counter that repeated
// values would otherwise make.
struct Tables {
  alignas(64) uint32_t t[4][256];
};

inline void CountRows(const uint8_t* plane, ptrdiff_t step, int width, int height, Tables& tb) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = plane + y * step;
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      uint64_t v;
      std::memcpy(&v, row + x, 8);
      ++tb.t[0][v & 0xFF];
      ++tb.t[1][(v >> 8) & 0xFF];
      ++tb.t[2][(v >> 16) & 0xFF];
      ++tb.t[3][(v >> 24) & 0xFF];
      ++tb.t[0][(v >> 32) & 0xFF];
      ++tb.t[1][(v >> 40) & 0xFF];
      ++tb.t[2][(v >> 48) & 0xFF];
      ++tb.t[3][v >> 56];
    }
    for (; x < width; ++x) ++tb.t[x & 3][row[x]];
  }
}

void CountSse2(const uint8_t* plane, ptrdiff_t step, int width, int height, uint32_t counts[256]) {
  Tables tb;
  const __m128i zero = _mm_setzero_si128();
  for (int i = 0; i < 4 * 256; i += 4) _mm_store_si128(reinterpret_cast<__m128i*>(&tb.t[0][0] + i), zero);
  CountRows(plane, step, width, height, tb);
  for (int i = 0; i < 256; i += 4) {
    const __m128i a = _mm_add_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(&tb.t[0][i])),
                                    _mm_load_si128(reinterpret_cast<const __m128i*>(&tb.t[1][i])));
    const __m128i b = _mm_add_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(&tb.t[2][i])),
                                    _mm_load_si128(reinterpret_cast<const __m128i*>(&tb.t[3][i])));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(counts + i), _mm_add_epi32(a, b));
  }
}

__attribute__((target("avx2"))) void CountAvx2(const uint8_t* plane, ptrdiff_t step, int width, int height,
                                               uint32_t counts[256]) {
  Tables tb;
  const __m256i zero = _mm256_setzero_si256();
  for (int i = 0; i < 4 * 256; i += 8) _mm256_store_si256(reinterpret_cast<__m256i*>(&tb.t[0][0] + i), zero);
  CountRows(plane, step, width, height, tb);
  for (int i = 0; i < 256; i += 8) {
    const __m256i a = _mm256_add_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(&tb.t[0][i])),
                                       _mm256_load_si256(reinterpret_cast<const __m256i*>(&tb.t[1][i])));
    const __m256i b = _mm256_add_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(&tb.t[2][i])),
                                       _mm256_load_si256(reinterpret_cast<const __m256i*>(&tb.t[3][i])));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(counts + i), _mm256_add_epi32(a, b));
  }
  _mm256_zeroupper();
}

using CountFn = void (*)(const uint8_t*, ptrdiff_t, int, int, uint32_t*);

// Variants 4 and 5 differ only in what the processor offers beyond AVX2; the
// counting itself cannot use more.
CountFn CountFor(int variant) {
  static const CountFn table[6] = {CountPlain, CountSse2, CountSse2, CountSse2, CountSse2, CountAvx2};
  return table[variant < 0 || variant > 5 ? 0 : variant];
}

const int32_t* LevelsOf(const HistogramSpec* histSpec, int channel) {
  const SpecHeader* h = reinterpret_cast<const SpecHeader*>(histSpec);
  return reinterpret_cast<const int32_t*>(reinterpret_cast<const uint8_t*>(histSpec) + h->levelOffset[channel]);
}

// An integer level: truncated toward zero and saturated to 32 bits in double
// precision before it becomes an int, so a level past the range still lies
// beyond every 8-bit value. A level that is no number (the levels between the
// ends of an infinite range) counts as 0.
int32_t IntegerLevel(double v) {
  if (std::isnan(v)) return 0;
  if (v <= double(INT32_MIN)) return INT32_MIN;
  if (v >= double(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(std::trunc(v));
}

int Compute(CountFn count, const uint8_t* plane, int step, int width, int height, uint32_t hist[],
            const HistogramSpec* histSpec, uint8_t* buffer) {
  if (!plane || !hist || !histSpec || !buffer) return HistStsNullPtrErr;
  if (width < 1 || height < 1) return HistStsSizeErr;
  if (step < 1 || step < width) return HistStsStepErr;
  const SpecHeader* h = reinterpret_cast<const SpecHeader*>(histSpec);
  if (h->tag != kSpecTag) return HistStsContextMatchErr;

  uint32_t* counts = reinterpret_cast<uint32_t*>(buffer);
  count(plane, step, width, height, counts);

  const int n = h->levelCount[0];
  const int32_t* levels = LevelsOf(histSpec, 0);
  auto clampLevel = [](int32_t v) { return v < 0 ? 0 : v > 255 ? 256 : v; };
  for (int k = 0; k + 1 < n; ++k) {
    const int lo = clampLevel(levels[k]);
    const int hi = clampLevel(levels[k + 1]);
    uint32_t sum = 0;
    for (int v = lo; v < hi; ++v) sum += counts[v];
    hist[k] = sum;
  }
  return HistStsNoErr;
}

}  // namespace

int InitPrimitives() {
  uint32_t enabled = 0;
  const int variant = ChooseVariant(ProcessorFeatures(), enabled);
  g_enabledFeatures.store(enabled, std::memory_order_relaxed);
  g_variant.store(variant, std::memory_order_release);
  return HistStsNoErr;
}

int HistogramPrimitivesVariant() { return g_variant.load(std::memory_order_acquire); }

int GetHistogramBufferSize(int dataType, int width, int height, const int levels[], int channelCount, int /*uniform*/,
                           int* specSize, int* bufferSize) {
  Variant();
  if (!levels || !specSize || !bufferSize) return HistStsNullPtrErr;
  if (width < 1 || height < 1) return HistStsSizeErr;
  if (channelCount != 1 && channelCount != 3 && channelCount != 4) return HistStsNumChannelsErr;
  int64_t total = 0;
  for (int c = 0; c < channelCount; ++c) {
    if (levels[c] < 2) return HistStsLevelsErr;
    total += levels[c];
  }
  if (48 + 4 * total > INT32_MAX) return HistStsLevelsErr;
  *specSize = static_cast<int>(48 + 4 * total);
  switch (dataType) {
    case HistData8u:
      *bufferSize = 1024 * channelCount;
      return HistStsNoErr;
    case HistData16u:
    case HistData16s:
      *bufferSize = 262144 * channelCount;
      return HistStsNoErr;
    case HistData32f:
      *bufferSize = 0;
      return HistStsNoErr;
    default:
      *bufferSize = 0;
      return HistStsDataTypeErr;
  }
}

int InitHistogramSpec(int dataType, const float lower[], const float upper[], const int levels[], int channelCount,
                      HistogramSpec* histSpec) {
  Variant();
  if (dataType != HistData8u && dataType != HistData16u && dataType != HistData16s && dataType != HistData32f)
    return HistStsDataTypeErr;
  if (!lower || !upper || !levels || !histSpec) return HistStsNullPtrErr;
  if (channelCount != 1 && channelCount != 3 && channelCount != 4) return HistStsNumChannelsErr;
  for (int c = 0; c < channelCount; ++c) {
    if (levels[c] < 2) return HistStsLevelsErr;
    if (!(lower[c] < upper[c])) return HistStsLevelRangeErr;
  }

  SpecHeader* h = reinterpret_cast<SpecHeader*>(histSpec);
  h->dataType = dataType;
  h->channelCount = channelCount;
  h->uniform = 1;
  h->tag = 0;
  int status = HistStsNoErr;
  uint32_t offset = sizeof(SpecHeader);
  for (int c = 0; c < kMaxChannels; ++c) {
    if (c >= channelCount) {
      h->levelCount[c] = 0;
      h->levelOffset[c] = 0;
      continue;
    }
    const int n = levels[c];
    h->levelCount[c] = n;
    h->levelOffset[c] = offset;
    uint8_t* out = reinterpret_cast<uint8_t*>(histSpec) + offset;
    const double lo = lower[c], hi = upper[c];
    const double step = (hi - lo) / (n - 1);
    for (int i = 0; i < n; ++i) {
      const double v = i == 0 ? lo : i == n - 1 ? hi : lo + i * step;
      if (dataType == HistData32f) {
        const float f = static_cast<float>(v);
        std::memcpy(out + 4 * static_cast<size_t>(i), &f, 4);
      } else {
        const int32_t l = IntegerLevel(v);
        std::memcpy(out + 4 * static_cast<size_t>(i), &l, 4);
      }
    }
    if (dataType != HistData32f && step < 1.0) status = HistStsStepWarning;
    offset += 4 * static_cast<uint32_t>(n);
  }
  h->tag = kSpecTag;
  return status;
}

int ComputeHistogram8u(const uint8_t* plane, int step, int width, int height, uint32_t hist[],
                       const HistogramSpec* histSpec, uint8_t* buffer) {
  return Compute(CountFor(Variant()), plane, step, width, height, hist, histSpec, buffer);
}

int ComputeHistogram8uVariant(int variant, const uint8_t* plane, int step, int width, int height, uint32_t hist[],
                              const HistogramSpec* histSpec, uint8_t* buffer) {
  return Compute(CountFor(variant), plane, step, width, height, hist, histSpec, buffer);
}

namespace {

// The raw block's address lies in the pointer-sized slot just before the
// returned, 64-byte aligned address.
void* AllocAlignedBytes(size_t bytes) {
  constexpr size_t slot = sizeof(void*);
  if (bytes > SIZE_MAX - 64 - slot) return nullptr;
  uint8_t* raw = static_cast<uint8_t*>(std::malloc(bytes + 64 + slot));
  if (!raw) return nullptr;
  const uintptr_t first = reinterpret_cast<uintptr_t>(raw) + slot;
  uint8_t* aligned = reinterpret_cast<uint8_t*>((first + 63) & ~static_cast<uintptr_t>(63));
  std::memcpy(aligned - slot, &raw, slot);
  return aligned;
}

}  // namespace

uint8_t* AllocAligned8u(int count) {
  if (count <= 0) return nullptr;
  return static_cast<uint8_t*>(AllocAlignedBytes(static_cast<size_t>(count)));
}

uint32_t* AllocAligned32u(int count) {
  if (count <= 0 || static_cast<size_t>(count) > SIZE_MAX / 4) return nullptr;
  return static_cast<uint32_t*>(AllocAlignedBytes(static_cast<size_t>(count) * 4));
}

void FreeAligned(void* block) {
  if (!block) return;
  void* raw;
  std::memcpy(&raw, static_cast<uint8_t*>(block) - sizeof(void*), sizeof(void*));
  std::free(raw);
}
