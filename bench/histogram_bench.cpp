// Histogram of a 12-megapixel plane, beside reading the same bytes once.
#include <emmintrin.h>

#include <cstdio>
#include <random>
#include <vector>

#include "image/primitives/HistogramPrimitives.h"
#include "bench/bench_timer.h"

int main() {
  const int w = 4000, h = 3000;
  std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
  std::mt19937 rng(9);
  for (uint8_t& b : plane) b = static_cast<uint8_t>(rng() % 200 + 20);

  // The peer: a pass that touches every byte (a sum of absolute differences against zero).
  volatile uint64_t sink = 0;
  const double readMs = BestMs(20, [&] {
    __m128i acc = _mm_setzero_si128();
    for (size_t i = 0; i < plane.size(); i += 16)
      acc = _mm_add_epi64(
          acc, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&plane[i])), _mm_setzero_si128()));
    alignas(16) uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    sink = lanes[0] + lanes[1];
  });
  std::printf("read_plane_4000x3000: %.3f ms\n", readMs);
  // A second peer: each byte loaded on its own, as a counting loop must.
  const double byteMs = BestMs(20, [&] {
    uint64_t s = 0;
    const volatile uint8_t* p = plane.data();
    for (size_t i = 0; i < plane.size(); ++i) s += p[i];
    sink = s;
  });
  std::printf("read_plane_bytewise_4000x3000: %.3f ms\n", byteMs);

  InitPrimitives();
  const int levels = 256;
  const float lower = 0.0f, upper = 255.0f;
  int specSize = 0, bufferSize = 0;
  GetHistogramBufferSize(1, w, h, &levels, 1, 1, &specSize, &bufferSize);
  uint8_t* histSpec = AllocAligned8u(specSize);
  uint8_t* buffer = AllocAligned8u(bufferSize);
  uint32_t* hist = AllocAligned32u(255);
  InitHistogramSpec(1, &lower, &upper, &levels, 1, reinterpret_cast<HistogramSpec*>(histSpec));
  for (int v = 0; v <= HistogramPrimitivesVariant(); ++v) {
    const double ms = BestMs(20, [&] {
      ComputeHistogram8uVariant(v, plane.data(), w, w, h, hist, reinterpret_cast<HistogramSpec*>(histSpec), buffer);
    });
    std::printf("histogram_4000x3000_variant%d: %.3f ms\n", v, ms);
    std::printf("histogram_4000x3000_variant%d_vs_read_plane: %.2f x\n", v, ms / readMs);
    std::printf("histogram_4000x3000_variant%d_vs_read_plane_bytewise: %.2f x\n", v, ms / byteMs);
  }
  FreeAligned(hist);
  FreeAligned(buffer);
  FreeAligned(histSpec);
  return 0;
}
