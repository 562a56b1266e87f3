// Fake cameras through a real capture graph: the media library's grabber, the
// enhancement, the mirror copy and the factory to its observer; snapshots.
#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CameraDS.h"
#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "settings/Configuration.h"
#include "tests/capture/fakes/FakeVideoFilter.h"

namespace {

class ComScope {
 public:
  ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~ComScope() { CoUninitialize(); }
};

struct FakeCamera {
  std::wstring name;
  FakeDeviceSetup setup;
};

// A factory whose devices are fake filters behind fake monikers.
class FakeDeviceFactory : public CCameraFactory {
 public:
  std::vector<FakeCamera> devices;

 protected:
  void EnumerateDevices() override {
    for (const FakeCamera& device : devices) {
      auto* camera = new COrvelCameraDS(CreateFakeCameraMoniker(device.setup));
      camera->SetName(device.name.c_str());
      camera->SetDevicePath((L"fake:" + device.name).c_str());
      AddCamera(camera);
    }
  }
};

// Keeps the last frame of each camera.
class FrameObserver : public COrvelCameraFactoryObserver {
 public:
  void OnCameraFrame(COrvelCamera* camera, const BYTE* pixels, const wchar_t*) override {
    std::lock_guard<std::mutex> lock(m_Lock);
    Slot& slot = Find(camera);
    slot.pixels.assign(pixels, pixels + static_cast<size_t>(camera->GetWidth()) * camera->GetHeight() * 4);
    slot.width = camera->GetWidth();
    slot.height = camera->GetHeight();
    ++slot.frames;
  }
  void OnCameraLayout(int count, int width, int height) override {
    layoutCount = count;
    layoutWidth = width;
    layoutHeight = height;
  }
  long Frames(COrvelCamera* camera) {
    std::lock_guard<std::mutex> lock(m_Lock);
    return Find(camera).frames;
  }
  // Waits until the camera delivered `more` frames after now; false on timeout.
  bool WaitFrames(COrvelCamera* camera, long more, int timeoutMs = 5000) {
    const long target = Frames(camera) + more;
    for (int waited = 0; waited < timeoutMs; waited += 5) {
      if (Frames(camera) >= target) return true;
      Sleep(5);
    }
    return false;
  }
  std::vector<BYTE> Last(COrvelCamera* camera) {
    std::lock_guard<std::mutex> lock(m_Lock);
    return Find(camera).pixels;
  }
  int layoutCount = 0, layoutWidth = 0, layoutHeight = 0;

 private:
  struct Slot {
    COrvelCamera* camera;
    std::vector<BYTE> pixels;
    int width = 0, height = 0;
    long frames = 0;
  };
  Slot& Find(COrvelCamera* camera) {
    for (Slot& slot : m_Slots)
      if (slot.camera == camera) return slot;
    m_Slots.push_back({camera, {}, 0, 0, 0});
    return m_Slots.back();
  }
  std::mutex m_Lock;
  std::vector<Slot> m_Slots;
};

class SnapshotShell : public CCaptureShell {
 public:
  void SaveCameraSnapshot(COrvelCamera* camera, const void* pixels) override {
    std::lock_guard<std::mutex> lock(m_Lock);
    const auto* p = static_cast<const BYTE*>(pixels);
    preview.assign(p, p + static_cast<size_t>(camera->GetWidth()) * camera->GetHeight() * 4);
    ++previews;
  }
  void SaveStillSnapshot(COrvelCamera*, int width, int height, const void* pixels) override {
    std::lock_guard<std::mutex> lock(m_Lock);
    const auto* p = static_cast<const BYTE*>(pixels);
    still.assign(p, p + static_cast<size_t>(width) * height * 4);
    stillWidth = width;
    stillHeight = height;
    ++stills;
  }
  std::vector<BYTE> Still() {
    std::lock_guard<std::mutex> lock(m_Lock);
    return still;
  }
  int stillWidth = 0, stillHeight = 0;
  std::vector<BYTE> Preview() {
    std::lock_guard<std::mutex> lock(m_Lock);
    return preview;
  }
  std::atomic<int> previews{0};
  std::atomic<int> stills{0};
  // The save dialog is cancelled; the offered recordings are noted.
  bool AskRecordingFileName(std::wstring&) override { return false; }
  void ShowInFolder(const wchar_t*) override {}
  int OpenFile(const wchar_t* path) override {
    std::lock_guard<std::mutex> lock(m_Lock);
    opened.push_back(path);
    return 1;
  }
  std::vector<std::wstring> opened;

 private:
  std::mutex m_Lock;
  std::vector<BYTE> preview, still;
};

void DeleteCameraKeys(const std::vector<FakeCamera>& cameras) {
  for (size_t i = 0; i < cameras.size(); ++i) {
    const std::wstring path = CCameraConfig::KeyPath(cameras[i].name.c_str(), static_cast<int>(i));
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
  }
}

// Checks a BGRA bottom-up frame against the fake's pattern: blue x, green y
// from the picture's top, red one frame number throughout, opaque.
::testing::AssertionResult MatchesPattern(const std::vector<BYTE>& frame, int width, int height, int mirrorV,
                                          int mirrorH) {
  if (frame.size() != static_cast<size_t>(width) * height * 4) return ::testing::AssertionFailure() << "size";
  const BYTE number = frame[2];
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      const BYTE* p = &frame[(static_cast<size_t>(row) * width + x) * 4];
      const int pictureY = mirrorV ? row : height - 1 - row;
      const int pictureX = mirrorH ? width - 1 - x : x;
      if (p[0] != static_cast<BYTE>(pictureX) || p[1] != static_cast<BYTE>(pictureY) || p[2] != number || p[3] != 0xFF)
        return ::testing::AssertionFailure() << "pixel " << x << "," << row << " is " << int(p[0]) << "," << int(p[1])
                                             << "," << int(p[2]) << "," << int(p[3]);
    }
  }
  return ::testing::AssertionSuccess();
}

class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldShell = SetCaptureShell(&shell);
    factory.SetObserver(&observer);
  }
  void TearDown() override {
    factory.SetObserver(nullptr);
    factory.CloseCameras();
    DeleteCameraKeys(factory.devices);
    SetCaptureShell(oldShell);
  }
  ComScope com;
  SnapshotShell shell;
  CCaptureShell* oldShell = nullptr;
  FrameObserver observer;
  FakeDeviceFactory factory;
};

FakePinSetup CapturePin(GUID subtype, int width, int height, int bits, LONGLONG timePerFrame = 333333) {
  return {PIN_CATEGORY_CAPTURE, {{subtype, FORMAT_VideoInfo, width, height, bits, 0, timePerFrame}}};
}

TEST_F(PipelineTest, PatternReadBackForEachFormatAndMirror) {
  struct Format {
    const char* what;
    GUID subtype;
    int bits;
    int height;  // negative: the fake sends top-down rows
  };
  const Format formats[] = {{"RGB32", MEDIASUBTYPE_RGB32, 32, 120},
                            {"RGB24", MEDIASUBTYPE_RGB24, 24, 120},
                            {"RGB32 top-down", MEDIASUBTYPE_RGB32, 32, -120}};
  for (const Format& format : formats) {
    SCOPED_TRACE(format.what);
    factory.devices = {{L"Pattern Cam", {{CapturePin(format.subtype, 160, format.height, format.bits)}}}};
    ASSERT_EQ(factory.OpenCameras(), 1);
    COrvelCamera* camera = factory.GetCameras()[0];
    ASSERT_EQ(factory.Run(1), CameraRunning);
    EXPECT_EQ(camera->GetWidth(), 160);
    EXPECT_EQ(camera->GetHeight(), 120);
    for (int mode = 0; mode < 4; ++mode) {
      const int mirrorV = mode & 1, mirrorH = mode >> 1;
      SCOPED_TRACE(testing::Message() << "mirror V " << mirrorV << " H " << mirrorH);
      camera->SetMirrorV(mirrorV);
      camera->SetMirrorH(mirrorH);
      ASSERT_TRUE(observer.WaitFrames(camera, 2));
      EXPECT_TRUE(MatchesPattern(observer.Last(camera), 160, 120, mirrorV, mirrorH));
    }
    factory.CloseCameras();
    DeleteCameraKeys(factory.devices);
  }
}

std::vector<BYTE> ReadFile(const std::string& name) {
  std::vector<BYTE> bytes;
  FILE* file = fopen(name.c_str(), "rb");
  if (!file) return bytes;
  BYTE chunk[65536];
  for (size_t got; (got = fread(chunk, 1, sizeof(chunk), file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
  fclose(file);
  return bytes;
}

// The largest channel difference between a BGRA bottom-up frame, mirrored as
// set, and a BGR picture from the top; 256 when the sizes differ.
int Difference(const std::vector<BYTE>& frame, const std::vector<BYTE>& picture, int width, int height, int mirrorV,
               int mirrorH) {
  if (frame.size() != static_cast<size_t>(width) * height * 4 ||
      picture.size() != static_cast<size_t>(width) * height * 3)
    return 256;
  int worst = 0;
  for (int row = 0; row < height; ++row) {
    const int y = mirrorV ? row : height - 1 - row;
    for (int x = 0; x < width; ++x) {
      const BYTE* got = &frame[(static_cast<size_t>(row) * width + x) * 4];
      const BYTE* want = &picture[(static_cast<size_t>(y) * width + (mirrorH ? width - 1 - x : x)) * 3];
      for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(got[c] - want[c]));
    }
  }
  return worst;
}

// YUY2 and MJPG samples (grabber_fixtures.py) reach the observer as OpenCV
// and PIL decode them, within 2 per channel, for every mirror setting.
TEST_F(PipelineTest, CompressedAndYuvFramesMatchTheirReferenceDecode) {
  struct Format {
    const char* stem;
    const char* extension;
    GUID subtype;
    int bits;
  };
  const GUID mjpg = {0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
  const Format formats[] = {{"grab_yuy2_", ".raw", MEDIASUBTYPE_YUY2, 16}, {"grab_mjpg_", ".jpg", mjpg, 24}};
  constexpr int kWidth = 320, kHeight = 240;
  for (const Format& format : formats) {
    SCOPED_TRACE(format.stem);
    FakePinSetup pin = CapturePin(format.subtype, kWidth, kHeight, format.bits);
    std::vector<std::vector<BYTE>> pictures;
    for (int n = 0; n < 3; ++n) {
      const std::string stem = format.stem + std::to_string(n);
      pin.payload.push_back(ReadFile(stem + format.extension));
      pictures.push_back(ReadFile(stem + ".bgr"));
      ASSERT_FALSE(pin.payload.back().empty()) << stem << " (written by grabber_fixtures.py)";
    }
    factory.devices = {{L"Coded Cam", {{pin}}}};
    ASSERT_EQ(factory.OpenCameras(), 1);
    COrvelCamera* camera = factory.GetCameras()[0];
    ASSERT_EQ(factory.Run(1), CameraRunning);
    ASSERT_EQ(camera->GetWidth(), kWidth);
    ASSERT_EQ(camera->GetHeight(), kHeight);
    for (int mode = 0; mode < 4; ++mode) {
      const int mirrorV = mode & 1, mirrorH = mode >> 1;
      SCOPED_TRACE(testing::Message() << "mirror V " << mirrorV << " H " << mirrorH);
      camera->SetMirrorV(mirrorV);
      camera->SetMirrorH(mirrorH);
      ASSERT_TRUE(observer.WaitFrames(camera, 2));
      const std::vector<BYTE> frame = observer.Last(camera);
      int best = 256;
      for (const std::vector<BYTE>& picture : pictures)
        best = std::min(best, Difference(frame, picture, kWidth, kHeight, mirrorV, mirrorH));
      EXPECT_LE(best, 2);
    }
    factory.CloseCameras();
    DeleteCameraKeys(factory.devices);
  }
}

TEST_F(PipelineTest, TwoCamerasTileWithOffsets) {
  factory.devices = {{L"Tile Big", {{CapturePin(MEDIASUBTYPE_RGB32, 640, 480, 32)}}},
                     {L"Tile Small", {{CapturePin(MEDIASUBTYPE_RGB32, 320, 240, 32)}}}};
  ASSERT_EQ(factory.OpenCameras(), 2);
  ASSERT_EQ(factory.Run(1), CameraRunning);
  EXPECT_EQ(observer.layoutCount, 2);
  EXPECT_EQ(observer.layoutWidth, 640);
  EXPECT_EQ(observer.layoutHeight, 480);
  COrvelCamera* small = factory.GetCameras()[1];
  EXPECT_EQ(small->GetOffsetX(), 160);
  EXPECT_EQ(small->GetOffsetY(), 120);
  for (COrvelCamera* camera : factory.GetCameras()) {
    ASSERT_TRUE(observer.WaitFrames(camera, 2));
    EXPECT_TRUE(MatchesPattern(observer.Last(camera), camera->GetWidth(), camera->GetHeight(), 0, 0));
  }
}

TEST_F(PipelineTest, SnapshotIsTheFrameAndAFailedTriggerFallsBack) {
  FakeDeviceSetup setup{{CapturePin(MEDIASUBTYPE_RGB32, 160, 120, 32),
                         {PIN_CATEGORY_STILL, {{MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, 320, 240, 32}}}}};
  factory.devices = {{L"Snap Cam", setup}};
  ASSERT_EQ(factory.OpenCameras(), 1);
  auto* camera = static_cast<COrvelCameraDS*>(factory.GetCameras()[0]);
  EXPECT_EQ(camera->HasStillPin(), 1);
  ASSERT_EQ(factory.Run(1), CameraRunning);
  ASSERT_TRUE(observer.WaitFrames(camera, 1));
  factory.RequestSnapshot(false);
  ASSERT_TRUE(observer.WaitFrames(camera, 2));
  EXPECT_EQ(shell.previews.load(), 1);
  EXPECT_TRUE(MatchesPattern(shell.Preview(), 160, 120, 0, 0));
  // The device's still pin has no trigger: the preview frame is saved instead.
  factory.RequestSnapshot(true);
  ASSERT_TRUE(observer.WaitFrames(camera, 2));
  EXPECT_EQ(shell.previews.load(), 2);
  EXPECT_EQ(shell.stills.load(), 0);
  EXPECT_EQ(camera->HasStillPin(), 0);
  EXPECT_EQ(camera->TriggerStill(), 0);
}

TEST_F(PipelineTest, RefusedTriggerSavesThePreviewFrame) {
  FakeDeviceSetup setup{{CapturePin(MEDIASUBTYPE_RGB32, 160, 120, 32),
                         {PIN_CATEGORY_STILL, {{MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, 320, 240, 32}}}}};
  setup.stillTrigger = true;
  setup.triggerFails = true;
  factory.devices = {{L"Stuck Cam", setup}};
  ASSERT_EQ(factory.OpenCameras(), 1);
  auto* camera = static_cast<COrvelCameraDS*>(factory.GetCameras()[0]);
  ASSERT_EQ(factory.Run(1), CameraRunning);
  ASSERT_TRUE(observer.WaitFrames(camera, 1));
  factory.RequestSnapshot(true);
  ASSERT_TRUE(observer.WaitFrames(camera, 2));
  EXPECT_EQ(shell.previews.load(), 1);
  EXPECT_EQ(shell.stills.load(), 0);
  EXPECT_TRUE(MatchesPattern(shell.Preview(), 160, 120, 0, 0));
  EXPECT_EQ(camera->HasStillPin(), 0) << "later snapshots go straight to the preview";
}

TEST_F(PipelineTest, TriggerSavesTheStillAtStillSize) {
  FakeDeviceSetup setup{
      {CapturePin(MEDIASUBTYPE_RGB32, 160, 120, 32),
       {PIN_CATEGORY_STILL,
        {{MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 320, 240, 24}, {MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, 200, 150, 32}}}}};
  setup.stillTrigger = true;
  factory.devices = {{L"Still Cam", setup}};
  ASSERT_EQ(factory.OpenCameras(), 1);
  auto* camera = static_cast<COrvelCameraDS*>(factory.GetCameras()[0]);
  camera->SelectStillFormat(1);
  ASSERT_EQ(factory.Run(1), CameraRunning);
  EXPECT_EQ(camera->GetStillWidth(), 200);
  EXPECT_EQ(camera->GetStillHeight(), 150);
  ASSERT_TRUE(observer.WaitFrames(camera, 1));
  EXPECT_EQ(shell.stills.load(), 0);  // a still pin sends only when triggered
  factory.RequestSnapshot(true);
  for (int i = 0; i < 500 && shell.stills.load() == 0; ++i) Sleep(10);
  ASSERT_EQ(shell.stills.load(), 1);
  EXPECT_EQ(shell.previews.load(), 0);
  EXPECT_EQ(shell.stillWidth, 200);
  EXPECT_EQ(shell.stillHeight, 150);
  EXPECT_TRUE(MatchesPattern(shell.Still(), 200, 150, 0, 0));
}

TEST_F(PipelineTest, StopAndRestartTearDownTheGraph) {
  FakeDeviceStats stats;
  FakeDeviceSetup setup{{CapturePin(MEDIASUBTYPE_RGB32, 160, 120, 32)}, &stats};
  factory.devices = {{L"Cycle Cam", setup}};
  ASSERT_EQ(factory.OpenCameras(), 1);
  COrvelCamera* camera = factory.GetCameras()[0];
  EXPECT_EQ(stats.filtersAlive.load(), 0);  // the listing filter went
  for (int cycle = 0; cycle < 3; ++cycle) {
    SCOPED_TRACE(cycle);
    ASSERT_EQ(factory.Run(1), CameraRunning);
    EXPECT_EQ(stats.filtersAlive.load(), 1);
    ASSERT_TRUE(observer.WaitFrames(camera, 2));
    factory.Pause();
    EXPECT_EQ(factory.GetState(), CameraPaused);
    factory.Run(1);
    ASSERT_TRUE(observer.WaitFrames(camera, 1));
    factory.Stop();
    EXPECT_EQ(stats.filtersAlive.load(), 0);
    const long frames = observer.Frames(camera);
    Sleep(100);
    EXPECT_EQ(observer.Frames(camera), frames);  // nothing after the stop
  }
}

// The factory's own device listing finds fake devices registered in the video
// input category, with their names, the phone-camera property set and their
// frames; the entries go with the registration.
TEST(RegisteredDevices, ListedNamedAndStreamed) {
  ComScope com;
  FakeDeviceSetup phone{{CapturePin(MEDIASUBTYPE_RGB32, 320, 240, 32)}};
  phone.phoneCamera = true;
  FakeDeviceSetup gone = phone;
  gone.bindFails = true;
  struct Case {
    const char* what;
    std::vector<FakeCameraRegistration::Device> devices;
    std::vector<std::wstring> names;
    bool phone;
  };
  const Case cases[] = {
      {"one plain camera", {{L"Listed Cam", {{CapturePin(MEDIASUBTYPE_RGB32, 320, 240, 32)}}}}, {L"Listed Cam"}, false},
      {"a phone beside a camera that cannot be bound",
       {{L"Phone Cam", phone}, {L"Broken Cam", gone}},
       {L"Phone Cam", L"Broken Cam"},
       true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    {
      FakeCameraRegistration registration(test.devices);
      ASSERT_HRESULT_SUCCEEDED(registration.Result());
      EXPECT_EQ(CountFakeCameraEntries(), static_cast<int>(test.devices.size()));
      FrameObserver observer;
      CCameraFactory factory;
      factory.SetObserver(&observer);
      std::vector<FakeCamera> listed;
      // Broken devices are listed, but the camera cannot read their formats.
      const int opened = factory.OpenCameras();
      for (COrvelCamera* camera : factory.GetCameras()) listed.push_back({camera->GetName(), {}});
      ASSERT_EQ(opened, 1);
      EXPECT_EQ(std::wstring(factory.GetCameras()[0]->GetName()), test.names[0]);
      EXPECT_EQ(factory.HasPhoneCamera(), test.phone);
      ASSERT_EQ(factory.Run(1), CameraRunning);
      COrvelCamera* camera = factory.GetCameras()[0];
      ASSERT_TRUE(observer.WaitFrames(camera, 2));
      EXPECT_TRUE(MatchesPattern(observer.Last(camera), 320, 240, 0, 0));
      factory.SetObserver(nullptr);
      factory.CloseCameras();
      DeleteCameraKeys(listed);
    }
    EXPECT_EQ(CountFakeCameraEntries(), 0);
  }
}

// Runs regsvr32 on FakeCamera.dll beside this program; its exit code.
DWORD RunRegsvr32(const wchar_t* options) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dll = self;
  dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"FakeCamera.dll";
  std::wstring command = std::wstring(L"regsvr32.exe ") + options + L" \"" + dll + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return GetLastError();
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// The self-registering DLL lists its devices for any process: the factory
// finds both, the phone among them, and a camera streams from the DLL.
TEST(SelfRegisteringDll, ListsItsDevicesUntilUnregistered) {
  ComScope com;
  ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
  EXPECT_EQ(CountFakeCameraEntries(), 2);
  {
    FrameObserver observer;
    CCameraFactory factory;
    factory.SetObserver(&observer);
    EXPECT_EQ(factory.OpenCameras(), 2);
    std::vector<FakeCamera> listed;
    for (COrvelCamera* camera : factory.GetCameras()) listed.push_back({camera->GetName(), {}});
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, L"Fake Camera");
    EXPECT_EQ(listed[1].name, L"Fake Phone Camera");
    EXPECT_TRUE(factory.HasPhoneCamera());
    ASSERT_EQ(factory.Run(0), CameraRunning);
    COrvelCamera* camera = factory.GetCurrentCamera();
    ASSERT_TRUE(observer.WaitFrames(camera, 2));
    EXPECT_TRUE(MatchesPattern(observer.Last(camera), 640, 480, 0, 0));
    factory.SetObserver(nullptr);
    factory.CloseCameras();
    DeleteCameraKeys(listed);
  }
  EXPECT_EQ(RunRegsvr32(L"/u /s"), 0u);
  EXPECT_EQ(CountFakeCameraEntries(), 0);
}

// A device pulled out while it records: the camera goes, its recording is
// offered, and check_recordings.py reads the file to its last frame, every
// frame upright and in order.
TEST_F(PipelineTest, UnpluggedWhileRecordingLeavesAFileReadToItsEnd) {
  std::atomic<bool> unplugged{false};
  FakeDeviceSetup setup{{CapturePin(MEDIASUBTYPE_RGB32, 320, 240, 32)}};
  setup.unplugged = &unplugged;
  factory.devices = {{L"Unplug Cam", setup}};
  wchar_t here[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, here);
  const std::wstring oldVideoDir = g_Config.CopyVideoDir();
  g_Config.SetVideoDir(here);
  g_Config.m_HighSpeedRecord = 0;
  g_Config.m_MovieFormat = 0;
  g_Config.m_AddVideo = 1;
  ASSERT_EQ(factory.OpenCameras(), 1);
  COrvelCamera* camera = factory.GetCameras()[0];
  factory.RequestRecording();
  ASSERT_EQ(factory.Run(1), CameraRunning);
  ASSERT_NE(camera->GetRecorder(), nullptr);
  const std::wstring recorded = camera->GetRecorder()->m_Destination;
  ASSERT_TRUE(observer.WaitFrames(camera, 15));
  unplugged = true;
  Sleep(100);
  const wchar_t path[] = L"fake:Unplug Cam";
  factory.RemoveCameraByPath(path, static_cast<int>(wcslen(path)));
  EXPECT_EQ(factory.GetCameraCount(), 0);
  factory.FinishRecordings();
  EXPECT_EQ(shell.opened, std::vector<std::wstring>{recorded});
  if (oldVideoDir.size() >= 2) g_Config.SetVideoDir(oldVideoDir.c_str());
  ASSERT_TRUE(CopyFileW(recorded.c_str(), L"camera_unplugged.avi", FALSE));
  DeleteFileW(recorded.c_str());
  FILE* f = fopen("recordings.jsonl", "a");
  ASSERT_NE(f, nullptr);
  // The preview saw 15 frames; under load the recorder may start a frame or
  // two after it, so the file must hold most of them, each whole and in order.
  fprintf(f,
          "{\"file\": \"camera_unplugged.avi\", \"fake_camera\": true, \"width\": 320, \"height\": 240, "
          "\"min_frames\": 10}\n");
  fclose(f);
}

TEST_F(PipelineTest, DeviceThatCannotBeBoundIsDropped) {
  FakeDeviceSetup gone{{CapturePin(MEDIASUBTYPE_RGB32, 160, 120, 32)}};
  gone.bindFails = true;
  factory.devices = {{L"Gone Cam", gone}, {L"Here Cam", {{CapturePin(MEDIASUBTYPE_RGB32, 160, 120, 32)}}}};
  EXPECT_EQ(factory.OpenCameras(), 1);
  EXPECT_STREQ(factory.GetCameras()[0]->GetName(), L"Here Cam");
}

}  // namespace
