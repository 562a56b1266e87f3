// Demosaic and scaling of a 12-megapixel picture on one thread. The OpenCV
// peer figures come from opencv_peer.py, run natively beside this program.
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "image/colour/DecodeBayer.h"
#include "image/Image.h"
#include "image/ImageScale.h"
#include "bench/bench_timer.h"

using namespace ZEvuvoro;

volatile uint8_t g_sink;

int main() {
  const int w = 4000, h = 3000;
  std::vector<uint8_t> raw(static_cast<size_t>(w) * h);
  std::mt19937 rng(5);
  for (size_t i = 0; i < raw.size(); ++i)
    raw[i] = static_cast<uint8_t>(((i % w) / 7 + (i / w) / 5 + (rng() & 15)) & 255);

  // What a fresh picture costs before any pixel work: the decoder allocates its output per picture.
  std::printf("allocate_and_touch_4000x3000x4: %.2f ms\n", BestMs(5, [&] {
                std::unique_ptr<uint8_t[]> p(new uint8_t[static_cast<size_t>(w) * h * 4]);
                std::memset(p.get(), 1, static_cast<size_t>(w) * h * 4);
                g_sink = p[static_cast<size_t>(w) * h * 2];
              }));
  for (int awb : {0, 1}) {
    const double ms = BestMs(5, [&] {
      CDecodeBayer d;
      d.m_nStride = w;
      d.m_bAwb = awb;
      d.SetInput(raw.data(), raw.size(), w, h);
      d.Reset();
    });
    std::printf("bayer_decode_4000x3000%s: %.2f ms\n", awb ? "_awb" : "", ms);
  }
  {
    CDecodeBayer d;
    d.m_nStride = w;
    d.m_bAwb = 0;
    d.SetInput(raw.data(), raw.size(), w, h);
    const BayerJob job = d.Job();
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    BayerJob j = job;
    j.destination = out.data();
    j.source = d.PaddedPlane() + 2 * CDecodeBayer::PaddedRowLength(w) + 5;
    std::printf("demosaic_kernel_4000x3000: %.2f ms\n", BestMs(5, [&] { BayerDemosaic(j, 0); }));
    uint64_t sums[3];
    std::printf("bayer_channel_sums_4000x3000: %.2f ms\n", BestMs(5, [&] { BayerChannelSums(j, 0, sums); }));
    d.Reset();
  }

  CImage big(w, h), down(1920, 1080), half(2000, 1500), up(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 4; ++x)
      big.m_pData[static_cast<size_t>(y) * big.m_nStride + x] = static_cast<uint8_t>(x / 3 + y + (rng() & 7));
  big.ScaleTo(&half, 0);
  const struct {
    const char* name;
    CImage* from;
    CImage* to;
    int mode;
  } runs[] = {
      {"scale_bilinear_4000x3000_to_1920x1080", &big, &down, 0},
      {"scale_bicubic_4000x3000_to_1920x1080", &big, &down, 1},
      {"scale_bilinear_2000x1500_to_4000x3000", &half, &up, 0},
      {"scale_bicubic_2000x1500_to_4000x3000", &half, &up, 1},
  };
  for (const auto& r : runs) std::printf("%s: %.2f ms\n", r.name, BestMs(5, [&] { r.from->ScaleTo(r.to, r.mode); }));
  return 0;
}
