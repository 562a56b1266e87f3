// Live enhancement of camera frames on one thread, beside a memcpy of the same bytes.
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "image/colour/EnhancePipeline.h"
#include "image/colour/ImageEnhance.h"
#include "bench/bench_timer.h"

using ZEvuvoro::CImageEnhance;

namespace {

void Run(int w, int h) {
  const size_t bytes = static_cast<size_t>(w) * h * 4;
  std::vector<uint8_t> frame(bytes), copy(bytes);
  std::mt19937 rng(1);
  for (uint8_t& b : frame) b = static_cast<uint8_t>(rng());
  const double memcpyMs = BestMs(20, [&] {
    std::memcpy(copy.data(), frame.data(), bytes);
    SinkBytes(copy.data(), bytes);
  });
  std::printf("memcpy_%dx%d: %.3f ms\n", w, h, memcpyMs);

  struct Setup {
    const char* name;
    void (*apply)(CImageEnhance&);
  };
  const Setup setups[] = {
      {"colour_matrix_gains",
       [](CImageEnhance& e) {
         e.SetColorCorrection(1);
         e.SetSaturation(13);
         e.SetHue(20);
         e.SetRedGain(140);
         e.SetBlueGain(110);
       }},
      {"colour_matrix_gains_gamma",
       [](CImageEnhance& e) {
         e.SetColorCorrection(1);
         e.SetSaturation(13);
         e.SetHue(20);
         e.SetRedGain(140);
         e.SetBlueGain(110);
         e.SetGamma(120);
         e.SetGammaEnabled(1);
       }},
      {"correction_contrast_gains",
       [](CImageEnhance& e) {
         e.SetColorCorrection(1);
         e.SetContrast(12);
         e.SetRedGain(140);
         e.SetBlueGain(110);
       }},
      {"correction_contrast_gains_gamma",
       [](CImageEnhance& e) {
         e.SetColorCorrection(1);
         e.SetContrast(12);
         e.SetRedGain(140);
         e.SetBlueGain(110);
         e.SetGamma(120);
         e.SetGammaEnabled(1);
       }},
      {"grey",
       [](CImageEnhance& e) {
         e.SetColorful(0);
         e.SetRedGain(140);
       }},
  };
  for (const Setup& s : setups) {
    CImageEnhance e;
    s.apply(e);
    e.Create(w, h);
    // In place at width x 4 bytes a row, as the camera calls it.
    const double ms = BestMs(20, [&] { e.Process(frame.data(), w * 4, frame.data(), w * 4); });
    std::printf("enhance_%dx%d_%s: %.3f ms\n", w, h, s.name, ms);
    std::printf("enhance_%dx%d_%s_vs_memcpy: %.2f x\n", w, h, s.name, ms / memcpyMs);
  }
  // The SSE2 form alone, for processors without AVX2.
  {
    CImageEnhance e;
    setups[0].apply(e);
    e.Create(w, h);
    ZEvuvoro::EnhanceSettings s{};
    s.gain[0] = e.GetRedGain();
    s.gain[1] = e.GetGreenGain();
    s.gain[2] = e.GetBlueGain();
    s.colourful = 1;
    ZEvuvoro::ColorMatrixChain chain;
    chain.SetSaturation(13);
    chain.SetHue(20);
    std::memcpy(s.coef, chain.FixedPoint(), sizeof(s.coef));
    const double ms =
        BestMs(20, [&] { ZEvuvoro::EnhanceFrameSse2(frame.data(), w * 4, frame.data(), w * 4, w, h, s); });
    std::printf("enhance_%dx%d_colour_matrix_gains_sse2: %.3f ms\n", w, h, ms);
    std::printf("enhance_%dx%d_colour_matrix_gains_sse2_vs_memcpy: %.2f x\n", w, h, ms / memcpyMs);
  }
}

}  // namespace

int main() {
  Run(2592, 1944);
  Run(1920, 1080);
  return 0;
}
