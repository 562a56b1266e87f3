// The camera's frame path: mirror copies, capture timer, snapshots; the
// recording file names.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "tests/capture/test_camera.h"

namespace {

DWORD g_Now = 0;
DWORD TestClock() { return g_Now; }

class SnapshotShell : public CCaptureShell {
 public:
  void SaveCameraSnapshot(COrvelCamera*, const void* pixels) override {
    ++snapshots;
    lastPixels = pixels;
  }
  void ShowFrameRate(float fps) override { rates.push_back(fps); }
  int snapshots = 0;
  const void* lastPixels = nullptr;
  std::vector<float> rates;
};

class TimerObserver : public COrvelCameraFactoryObserver {
 public:
  void OnCameraFrame(COrvelCamera*, const BYTE* pixels, const wchar_t* timerText) override {
    ++frames;
    lastPixels = pixels;
    texts.push_back(timerText ? timerText : L"<null>");
  }
  int frames = 0;
  const BYTE* lastPixels = nullptr;
  std::vector<std::wstring> texts;
};

class CameraFrameTest : public ::testing::Test {
 protected:
  static constexpr int kW = 5, kH = 3;
  void SetUp() override {
    g_Now = 5000;
    COrvelCamera::SetClock(&TestClock);
    oldShell = SetCaptureShell(&shell);
    camera = new TestCamera(L"Pattern", kW, kH);
    factory.SetObserver(&observer);
    factory.AddCamera(camera);
    factory.OpenCameras();
    ASSERT_EQ(factory.Run(1), CameraRunning);
  }
  void TearDown() override {
    factory.SetObserver(nullptr);
    factory.CloseCameras();
    SetCaptureShell(oldShell);
    COrvelCamera::SetClock(nullptr);
  }
  // Pixel (x, y) of the delivered frame codes its place: blue x, green y.
  static std::vector<uint32_t> Pattern() {
    std::vector<uint32_t> frame(kW * kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) frame[y * kW + x] = 0xFF000000u | (uint32_t(y) << 8) | uint32_t(x);
    return frame;
  }
  uint32_t Out(int x, int y) const {
    const ZEvuvoro::CImage& image = camera->GetFrameImage();
    uint32_t value;
    memcpy(&value, image.m_pData + y * image.m_nStride + x * 4, 4);
    return value;
  }
  SnapshotShell shell;
  CCaptureShell* oldShell = nullptr;
  CCameraFactory factory;
  TimerObserver observer;
  TestCamera* camera = nullptr;
};

TEST_F(CameraFrameTest, MirrorSettingsTurnTheCopy) {
  for (int mode = 0; mode < 4; ++mode) {
    const int mirrorV = mode & 1, mirrorH = (mode >> 1) & 1;
    SCOPED_TRACE(testing::Message() << "mirror V " << mirrorV << " H " << mirrorH);
    camera->SetMirrorV(mirrorV);
    camera->SetMirrorH(mirrorH);
    std::vector<uint32_t> frame = Pattern();
    camera->OnFrame(reinterpret_cast<const BYTE*>(frame.data()));
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        const int sx = mirrorH ? kW - 1 - x : x, sy = mirrorV ? kH - 1 - y : y;
        ASSERT_EQ(Out(x, y), 0xFF000000u | (uint32_t(sy) << 8) | uint32_t(sx)) << x << "," << y;
      }
    }
    EXPECT_EQ(observer.lastPixels, camera->GetFrameImage().m_pData);
  }
}

TEST_F(CameraFrameTest, NullFrameIsDropped) {
  camera->OnFrame(nullptr);
  EXPECT_EQ(observer.frames, 0);
}

TEST_F(CameraFrameTest, TimerTextOncePerSecond) {
  std::vector<uint32_t> frame = Pattern();
  struct Step {
    DWORD after;  // ms since Run
    const wchar_t* text;
  };
  const Step steps[] = {{10, L"<null>"},         {999, L"<null>"},       {1000, L"0:00:01"},
                        {1500, L"<null>"},       {3599000, L"0:59:59"},  {3600000, L"1:00:00"},
                        {3600999, L"<null>"},    {3723000, L"1:02:03"},  {359999000, L"99:59:59"},
                        {360000000, L"0:00:00"}, {360009000, L"0:00:09"}};
  const DWORD start = g_Now;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.after);
    g_Now = start + step.after;
    camera->OnFrame(reinterpret_cast<const BYTE*>(frame.data()));
    EXPECT_EQ(observer.texts.back(), step.text);
  }
  // The current camera repaints the rate: 3 frames in the first second.
  ASSERT_FALSE(shell.rates.empty());
  EXPECT_FLOAT_EQ(shell.rates[0], 3.0f);
}

TEST_F(CameraFrameTest, SnapshotsOnePerFrame) {
  std::vector<uint32_t> frame = Pattern();
  auto deliver = [&](DWORD now) {
    g_Now = now;
    camera->OnFrame(reinterpret_cast<const BYTE*>(frame.data()));
  };
  camera->SetSnapInterval(3000);
  deliver(6000);
  EXPECT_EQ(shell.snapshots, 0);
  camera->RequestSnapshot(false);
  deliver(6010);
  EXPECT_EQ(shell.snapshots, 1);
  EXPECT_EQ(shell.lastPixels, camera->GetFrameImage().m_pData);
  // Auto-snap: the next frame at once, then after the interval.
  camera->SetAutoSnap(1);
  deliver(6020);
  EXPECT_EQ(shell.snapshots, 2);
  deliver(9000);
  EXPECT_EQ(shell.snapshots, 2);
  // A request and a due auto-snap in one frame: one snapshot, auto-snap time kept.
  camera->RequestSnapshot(true);  // no still pin: the preview frame is saved
  deliver(9020);
  EXPECT_EQ(shell.snapshots, 3);
  deliver(9030);
  EXPECT_EQ(shell.snapshots, 4);
  deliver(12029);
  EXPECT_EQ(shell.snapshots, 4);
  deliver(12030);
  EXPECT_EQ(shell.snapshots, 5);
  // Stop clears the requests.
  camera->RequestSnapshot(false);
  factory.Stop();
  EXPECT_EQ(camera->m_bSnapshotRequest, 0);
  EXPECT_EQ(camera->m_bAutoSnap, 0);
}

TEST(CameraParameters, WhiteBalanceOffFreezesTheEstimate) {
  TestCamera camera(L"Awb", 8, 8);
  camera.Open();
  camera.Connect();
  camera.SetWhiteBalanceMode(1);
  // A reddish frame: the grey-average estimate lowers red against blue.
  std::vector<uint32_t> frame(64, 0xFFC08040u);
  camera.OnFrame(reinterpret_cast<const BYTE*>(frame.data()));
  camera.SetWhiteBalanceMode(0);
  EXPECT_EQ(camera.GetRed(), camera.m_Enhance.GetRedGain());
  EXPECT_EQ(camera.GetBlue(), camera.m_Enhance.GetBlueGain());
  EXPECT_LT(camera.GetRed(), camera.GetBlue());
  EXPECT_EQ(camera.GetWhiteBalanceMode(), 0);
  camera.Close();
}

TEST(CameraNames, NameAndPathCopies) {
  TestCamera camera(L"x", 1, 1);
  camera.SetName(std::wstring(300, L'n').c_str());
  EXPECT_EQ(wcslen(camera.GetName()), 250u);
  camera.SetName(L"");
  EXPECT_EQ(camera.GetName(), nullptr);
  camera.SetDevicePath(L"");
  EXPECT_EQ(camera.GetDevicePath(), nullptr);
}

std::wstring TempFolder() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  std::wstring folder = std::wstring(base) + L"capture_names_" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

TEST(RecordingNames, SameNameSameMillisecondGetsItsOwnFile) {
  const std::wstring folder = TempFolder();
  SYSTEMTIME time{};
  time.wYear = 2026;
  time.wMonth = 3;
  time.wDay = 4;
  time.wHour = 5;
  time.wMinute = 6;
  time.wSecond = 7;
  time.wMilliseconds = 8;
  const std::wstring stem = folder + L"\\USB Cam-3.4-5;6;7;8";
  const std::wstring first = ReserveRecordingPath(folder.c_str(), L"USB Cam", time);
  const std::wstring second = ReserveRecordingPath(folder.c_str(), L"USB Cam", time);
  const std::wstring third = ReserveRecordingPath(folder.c_str(), L"USB Cam", time);
  EXPECT_EQ(first, stem + L".avi");
  EXPECT_EQ(second, stem + L"(2).avi");
  EXPECT_EQ(third, stem + L"(3).avi");
  // A name with characters a file name cannot hold stays inside the folder.
  const std::wstring odd = ReserveRecordingPath(folder.c_str(), L"Cam\\..\\a:b*?", time);
  EXPECT_EQ(odd.rfind(folder + L"\\", 0), 0u);
  EXPECT_EQ(odd.find(L'\\', folder.size() + 1), std::wstring::npos);
  EXPECT_NE(GetFileAttributesW(odd.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(ReserveRecordingPath(folder.c_str(), L"", time).empty());
  EXPECT_TRUE(ReserveRecordingPath((folder + L"\\missing").c_str(), L"Cam", time).empty());
  for (const std::wstring& path : {first, second, third, odd}) DeleteFileW(path.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
