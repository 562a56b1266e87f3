// A camera's path onto the canvas: 1920 x 1080 frames uploaded from a worker
// thread with the synchronous frame command, each drawn and presented before
// the call returns. Prints the time per frame, the frames per second sustained
// over ten seconds, and the copy into the frame surface against a memcpy
// (best of many rounds each).

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "bench/bench_timer.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "win32/Window.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void PumpWhile(const std::atomic<bool>& running) {
  while (running.load()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
}

}  // namespace

int main() {
  CHost host;
  RECT rc{0, 0, kWidth, kHeight};
  if (!host.Create(nullptr, &rc, L"bench")) {
    std::printf("error: no host window\n");
    return 1;
  }
  CDirectUI canvas;
  if (!canvas.Create(nullptr, host, host)) {
    std::printf("error: no canvas device\n");
    return 1;
  }
  CDTImage doc;
  RECT docRect{0, 0, kWidth, kHeight};
  doc.Create(&canvas, nullptr, L"live", &docRect);
  canvas.SetActiveImage(&doc, TRUE);

  // Two camera frames alternating, so nothing stays in a cache by accident.
  std::vector<std::vector<uint32_t>> frames(2, std::vector<uint32_t>(static_cast<size_t>(kWidth) * kHeight));
  uint32_t s = 1;
  for (auto& f : frames)
    for (uint32_t& px : f) px = 0xFF000000u | ((s = s * 1664525u + 1013904223u) >> 8);
  std::vector<uint32_t> target(frames[0].size());
  doc.UploadFrame(frames[0].data(), kWidth, kHeight, kWidth * 4, nullptr);

  // Full path: call, copy on the canvas thread, draw, present, return.
  std::atomic<bool> running{true};
  int count = 0;
  double worst = 0.0;
  double elapsed = 0.0;
  std::thread camera([&] {
    const double start = Now();
    while (Now() - start < 10.0) {
      const double t0 = Now();
      doc.UploadFrame(frames[static_cast<size_t>(count & 1)].data(), kWidth, kHeight, kWidth * 4, nullptr);
      worst = std::max(worst, Now() - t0);
      ++count;
    }
    elapsed = Now() - start;
    running = false;
  });
  PumpWhile(running);
  camera.join();

  // The copy alone: the frame into the document's system-memory surface, as
  // the frame command does it, against a memcpy of the same bytes.
  const int rounds = 200;
  double copy = 1e30, plain = 1e30;
  for (int i = 0; i < rounds; ++i) {
    const auto* src = reinterpret_cast<const BYTE*>(frames[static_cast<size_t>(i & 1)].data());
    double t0 = Now();
    D3DLOCKED_RECT lr;
    if (!doc.LockFrame(&lr)) {
      std::printf("error: the frame surface does not lock\n");
      return 1;
    }
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(static_cast<BYTE*>(lr.pBits) + static_cast<ptrdiff_t>(y) * lr.Pitch,
                  src + static_cast<ptrdiff_t>(y) * kWidth * 4, static_cast<size_t>(kWidth) * 4);
    doc.UnlockFrame();
    copy = std::min(copy, Now() - t0);
    t0 = Now();
    std::memcpy(target.data(), src, target.size() * 4);
    SinkBytes(target.data(), target.size() * 4);
    plain = std::min(plain, Now() - t0);
  }

  // Where a frame's time goes: drawing the picture, or only clearing and presenting.
  // Presents are queued, so one call says little: the mean of a run of draws
  // is what a frame costs, and the best of three runs is kept.
  const int draws = 30;
  auto repaints = [&] {
    for (int i = 0; i < draws; ++i) canvas.Repaint();
  };
  const double picture = BestMs(3, repaints) / draws;
  canvas.SetActiveImage(nullptr, FALSE);
  const double empty = BestMs(3, repaints) / draws;
  canvas.SetActiveImage(&doc, FALSE);
  std::printf("canvas_repaint_1920x1080: %.3f ms\n", picture);
  std::printf("canvas_repaint_empty: %.3f ms\n", empty);

  std::printf("canvas_upload_frame_1920x1080: %.3f ms\n", elapsed / count * 1000.0);
  std::printf("canvas_upload_frame_1920x1080_worst: %.3f ms\n", worst * 1000.0);
  std::printf("canvas_upload_frame_rate_1920x1080: %.1f frames/s\n", count / elapsed);
  std::printf("canvas_upload_copy_1920x1080: %.3f ms\n", copy * 1000.0);
  std::printf("canvas_memcpy_1920x1080: %.3f ms\n", plain * 1000.0);
  std::printf("canvas_upload_copy_1920x1080_vs_memcpy: %.2f x\n", copy / plain);

  canvas.DetachElement(&doc);
  canvas.DestroyWindow();
  host.DestroyWindow();
  return 0;
}
