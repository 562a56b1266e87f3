// Recording 1080p through Vidmill.dll, Bitmap and MJPEG: frames a second with
// frames pushed as fast as the recorder takes them, the p99 time of one
// WriteFrame with frames paced at 60 a second, and the Bitmap recording's
// time against WriteFile of the same raw frames (ratio above 1: slower).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "vendor/vidmill/Vidmill.h"

namespace {

constexpr int W = 1920, H = 1080;
constexpr int kFrames = 120;
constexpr int kRuns = 2;

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

void Paint(std::vector<BYTE>& frame, int n) {
  for (int y = 0; y < H; ++y) {
    BYTE* row = frame.data() + size_t(y) * W * 4;
    for (int x = 0; x < W; ++x) {
      row[4 * x] = BYTE(x + n);
      row[4 * x + 1] = BYTE(y);
      row[4 * x + 2] = BYTE((x ^ y) + 3 * n);
      row[4 * x + 3] = 255;
    }
  }
}

// One recording of every frame; paced: one frame every 1000/60 ms. Returns
// the wall time from Start to the end of Stop; writeTimes gets each WriteFrame.
double Record(int format, const std::vector<std::vector<BYTE>>& frames, bool paced, std::vector<double>& writeTimes) {
  CVidmill* recorder = CreateVidmill();
  recorder->SetDestinationFileName(L"bench.avi");
  recorder->SetInputMediaFormat(W, H, 32);
  recorder->SetFormat(format);
  recorder->SetQuality(VIDMILL_QUALITY_HIGH);
  const double start = Now();
  if (!recorder->Start()) {
    std::fprintf(stderr, "Start failed\n");
    std::exit(1);
  }
  for (int i = 0; i < kFrames; ++i) {
    if (paced) {
      const double due = start + i * 1000.0 / 60;
      while (Now() < due) ::Sleep(1);
    }
    const double a = Now();
    recorder->WriteFrame(frames[size_t(i) % frames.size()].data(), W * 4, DWORD(i * 1000 / 60), 0);
    writeTimes.push_back(Now() - a);
  }
  const int ok = recorder->Stop();
  const double end = Now();
  DeleteVidmill(recorder);
  ::DeleteFileW(L"bench.avi");
  if (!ok) {
    std::fprintf(stderr, "recording failed\n");
    std::exit(1);
  }
  return end - start;
}

double RawWrite(const std::vector<std::vector<BYTE>>& frames) {
  HANDLE f = ::CreateFileW(L"bench.raw", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const double start = Now();
  for (int i = 0; i < kFrames; ++i) {
    DWORD put = 0;
    const std::vector<BYTE>& frame = frames[size_t(i) % frames.size()];
    ::WriteFile(f, frame.data(), DWORD(frame.size()), &put, nullptr);
  }
  ::CloseHandle(f);
  const double end = Now();
  ::DeleteFileW(L"bench.raw");
  return end - start;
}

double P99(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, v.size() * 99 / 100)];
}

}  // namespace

int main() {
  std::vector<std::vector<BYTE>> frames(8, std::vector<BYTE>(size_t(W) * H * 4));
  for (size_t i = 0; i < frames.size(); ++i) Paint(frames[i], int(i));
  std::vector<double> unused;
  double bitmap = 1e30, mjpeg = 1e30, raw = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    raw = std::min(raw, RawWrite(frames));
    bitmap = std::min(bitmap, Record(VIDMILL_FORMAT_BITMAP, frames, false, unused));
    mjpeg = std::min(mjpeg, Record(VIDMILL_FORMAT_MJPEG, frames, false, unused));
  }
  std::vector<double> bitmapWrites, mjpegWrites;
  Record(VIDMILL_FORMAT_BITMAP, frames, true, bitmapWrites);
  Record(VIDMILL_FORMAT_MJPEG, frames, true, mjpegWrites);
  std::printf("vidmill_bitmap_1080p: %.1f fps\n", kFrames * 1000.0 / bitmap);
  std::printf("vidmill_raw_write_1080p: %.1f fps\n", kFrames * 1000.0 / raw);
  std::printf("vidmill_bitmap_vs_raw_write: %.2f x\n", bitmap / raw);
  std::printf("vidmill_mjpeg_1080p: %.1f fps\n", kFrames * 1000.0 / mjpeg);
  std::printf("vidmill_bitmap_writeframe_p99: %.2f ms\n", P99(bitmapWrites));
  std::printf("vidmill_mjpeg_writeframe_p99: %.2f ms\n", P99(mjpegWrites));
  return 0;
}
