// Live frames with the histogram overlay shown: each frame is split into its
// channel planes and counted, beside a plain copy of the same frame.
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "bench/bench_timer.h"
#include "engine/Image.h"
#include "engine/overlays/Overlays.h"

int main() {
  CHistogram histogram;
  histogram.SetShown(true);
  CDTImage document;
  const int sizes[2][2] = {{1920, 1080}, {3840, 2160}};
  for (const auto& size : sizes) {
    const int w = size[0], h = size[1];
    std::vector<uint32_t> frame(static_cast<size_t>(w) * h), copy(frame.size());
    std::mt19937 rng(5);
    for (uint32_t& p : frame) p = rng() | 0xFF000000u;
    const size_t bytes = frame.size() * 4;
    const double copyMs = BestMs(30, [&] {
      std::memcpy(copy.data(), frame.data(), bytes);
      SinkBytes(copy.data(), bytes);
    });
    // The first frame sizes the buffers; later ones only split and count.
    histogram.SetFrame(&document, frame.data(), w, h, w * 4);
    const double histogramMs = BestMs(30, [&] { histogram.SetFrame(&document, frame.data(), w, h, w * 4); });
    if (!document.m_histogramBins.m_bComputed) {
      std::printf("error: histogram not computed\n");
      return 1;
    }
    // The two halves: splitting into planes (overlay hidden) and counting the planes.
    histogram.SetShown(false);
    const double splitMs = BestMs(30, [&] { histogram.SetFrame(&document, frame.data(), w, h, w * 4); });
    const double countMs = BestMs(30, [&] { histogram.Compute(&document); });
    histogram.SetShown(true);
    std::printf("memcpy_frame_%dx%d: %.3f ms\n", w, h, copyMs);
    std::printf("histogram_split_%dx%d_vs_memcpy_frame: %.2f x\n", w, h, splitMs / copyMs);
    std::printf("histogram_count_%dx%d_vs_memcpy_frame: %.2f x\n", w, h, countMs / copyMs);
    std::printf("histogram_frame_%dx%d: %.3f ms\n", w, h, histogramMs);
    std::printf("histogram_frame_%dx%d_vs_memcpy_frame: %.2f x\n", w, h, histogramMs / copyMs);
  }
  return 0;
}
