// Fuses a focus series of 24-bit BMP files with our engine, as the thumbnail
// strip does (one picture in memory at a time), and prints the wall time and
// the peak memory of the process.
//
//   fusion_bench.exe OUT.bmp IN.bmp...        fuse files (times include reading and writing)
//   fusion_bench.exe --synthetic W H N        fuse N generated W x H pictures (no files)

#include "image/fusion/FusionImage.h"
#include "tests/common/bmp24_file.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Synthesize(Bmp24Picture& picture, int index) {
  const size_t row = picture.RowBytes();
  uint32_t state = 2463534242u + index;
  for (int y = 0; y < picture.height; ++y) {
    uint8_t* p = &picture.rows[row * y];
    for (int x = 0; x < picture.width * 3; ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      p[x] = static_cast<uint8_t>(((x / 3 + y) & 0x7F) + (state & 0x7F));
    }
  }
}

void PrintMemory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    std::printf("peak_working_set: %.1f MB\n", counters.PeakWorkingSetSize / 1048576.0);
  }
}

int Fail(const char* what, const char* detail) {
  std::fprintf(stderr, "fusion_bench: %s %s\n", what, detail);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool synthetic = argc == 5 && std::strcmp(argv[1], "--synthetic") == 0;
  if (!synthetic && argc < 3) return Fail("usage:", "OUT.bmp IN.bmp... | --synthetic W H N");
  const int count = synthetic ? std::atoi(argv[4]) : argc - 2;
  Bmp24Picture picture;
  if (synthetic) {
    picture.width = std::atoi(argv[2]);
    picture.height = std::atoi(argv[3]);
    if (count < 1 || picture.width < 1 || picture.height < 1) return Fail("usage:", "--synthetic W H N, each above 0");
    picture.rows.resize(picture.RowBytes() * picture.height);
  }

  double converting = 0.0;
  const double start = Now();
  CGPUFusionImage* fusion = nullptr;
  int width = 0, height = 0;
  for (int i = 0; i < count; ++i) {
    const double readStart = Now();
    if (synthetic)
      Synthesize(picture, i);
    else if (!ReadBmp24(argv[2 + i], picture))
      return Fail("cannot read", argv[2 + i]);
    converting += Now() - readStart;
    // The engine takes every picture at the first one's size: another size would be read past its end.
    if (i == 0) {
      width = picture.width;
      height = picture.height;
    } else if (picture.width != width || picture.height != height) {
      return Fail("not the first picture's size:", argv[2 + i]);
    }
    if (!fusion && !(fusion = CreateFusionImage(picture.width, picture.height, 0)))
      return Fail("cannot create the fusion", "");
    if (!FusionAddImage(fusion, 24, picture.rows.data())) return Fail("cannot add", synthetic ? "" : argv[2 + i]);
  }
  if (!FusionGetResult(fusion, 24, picture.rows.data())) return Fail("no result", "");
  DestroyFusionImage(fusion);
  const double writeStart = Now();
  if (!synthetic && !WriteBmp24(argv[1], picture)) return Fail("cannot write", argv[1]);
  const double end = Now();
  converting += end - writeStart;

  std::printf("pictures: %d count\n", count);
  std::printf("megapixels: %.1f MP\n", picture.width * static_cast<double>(picture.height) / 1e6);
  std::printf("fusion_time: %.0f ms\n", (end - start - converting) * 1000.0);
  std::printf("wall_time: %.0f ms\n", (end - start) * 1000.0);
  PrintMemory();
  return 0;
}
