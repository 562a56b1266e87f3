// A 1080p snapshot written by the capture commands, as BMP and as JPEG,
// beside a raw WriteFile of the same pixel bytes into a new file.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/CaptureCommands.h"
#include "bench/bench_timer.h"
#include "capture/Camera.h"
#include "capture/CameraFactory.h"
#include "settings/Configuration.h"

namespace {

constexpr int kW = 1920, kH = 1080;

class QuietHost : public CCaptureHost {
 public:
  void PlaySoundResource(int) override {}
  void GetLocalTime(SYSTEMTIME* time) override {
    ::GetLocalTime(time);
    time->wMilliseconds = WORD(++tick % 1000);  // a new name every time
  }
  int OpenFile(const wchar_t*) override { return ++opened; }
  int ImageStripCount() override { return 0; }
  int tick = 0;
  int opened = 0;
};

void RemoveAll(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

int main() {
  wchar_t base[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, base);
  const std::wstring folder = std::wstring(base) + L"\\snapshot_bench";
  CreateDirectoryW(folder.c_str(), nullptr);
  g_Config.SetImageDir(folder.c_str());

  std::vector<uint32_t> frame(size_t(kW) * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) frame[size_t(y) * kW + x] = 0xFF000000u | uint32_t(x & 255) << 16 | uint32_t(y & 255);
  COrvelCamera camera;
  camera.m_nWidth = kW;
  camera.m_nHeight = kH;
  camera.m_bSnapshotBottomUp = 1;
  CCameraFactory factory;
  QuietHost host;
  CCaptureCommands commands(&factory, &host);

  g_Config.m_ImageFormat = 0;
  const double bmp = BestMs(7, [&] { commands.SaveCameraSnapshot(&camera, frame.data()); });
  RemoveAll(folder);
  g_Config.m_ImageFormat = 1;
  const double jpeg = BestMs(7, [&] { commands.SaveCameraSnapshot(&camera, frame.data()); });
  RemoveAll(folder);

  int n = 0;
  const double raw = BestMs(7, [&] {
    const std::wstring path = folder + L"\\raw" + std::to_wstring(n++) + L".bin";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, frame.data(), DWORD(frame.size() * 4), &written, nullptr);
    CloseHandle(file);
  });
  RemoveAll(folder);
  RemoveDirectoryW(folder.c_str());
  // Every snapshot must have been written, or the figures time a failure.
  if (host.opened != 14) {
    printf("error: %d of 14 snapshots written\n", host.opened);
    return 1;
  }

  printf("snapshot_bmp_1080p: %.2f ms\n", bmp);
  printf("snapshot_jpeg_1080p: %.2f ms\n", jpeg);
  printf("raw_writefile_1080p: %.2f ms\n", raw);
  printf("snapshot_bmp_vs_writefile: %.2f x\n", bmp / raw);
  printf("snapshot_jpeg_vs_writefile: %.2f x\n", jpeg / raw);
  return 0;
}
