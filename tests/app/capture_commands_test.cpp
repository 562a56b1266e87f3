// Capture commands over a factory with a device-free camera, and the snapshot
// files they write (snapshot_check.py reads them with PIL).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/CaptureCommands.h"
#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "settings/Configuration.h"
#include "settings/RegisteredMessages.h"
#include "tests/capture/test_camera.h"

namespace {

constexpr int kW = 64, kH = 48;

// The picture the camera sees, top-down: red x * 4, green y * 5, blue 128,
// and a white 6 x 6 marker at (24, 14) and one at (50, 40).
uint32_t PicturePixel(int x, int y) {
  if ((x >= 24 && x < 30 && y >= 14 && y < 20) || (x >= 50 && x < 56 && y >= 40 && y < 46)) return 0xFFFFFFFFu;
  return 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 5) << 8 | 128u;
}

std::vector<uint32_t> Frame(bool bottomUp) {
  std::vector<uint32_t> frame(kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) frame[(bottomUp ? kH - 1 - y : y) * kW + x] = PicturePixel(x, y);
  return frame;
}

class Host : public CCaptureHost {
 public:
  void ActivateLiveDocument() override { calls += L"activate;"; }
  void DisableRecordButton() override { calls += L"disable-record;"; }
  void PlaySoundResource(int id) override { sounds.push_back(id); }
  void GetLocalTime(SYSTEMTIME* time) override { *time = now; }
  int OpenFile(const wchar_t* path) override {
    opened.push_back(path);
    return 1;
  }
  int ImageStripCount() override { return int(opened.size()); }
  void SelectImageStripItem(int index) override { selected.push_back(index); }
  SYSTEMTIME now{2026, 3, 6, 7, 14, 5, 9, 123};
  std::wstring calls;
  std::vector<int> sounds;
  std::vector<std::wstring> opened;
  std::vector<int> selected;
};

// The camera side: snapshots go to the commands; the live document carries the region.
class Shell : public CCaptureShell {
 public:
  void SaveCameraSnapshot(COrvelCamera* camera, const void* pixels) override {
    commands->SaveCameraSnapshot(camera, pixels);
  }
  bool GetLiveDocument(LiveDocumentView* out) override {
    out->pictureWidth = kW;
    out->pictureHeight = kH;
    out->tileCount = 1;
    out->tiles[0] = RECT{0, 0, kW, kH};
    out->regionValid = regionValid;
    out->region = region;
    return true;
  }
  bool AskRecordingFileName(std::wstring&) override {
    asked = true;
    askedAfterStop = stopReturned;
    return false;
  }
  void ShowInFolder(const wchar_t*) override {}
  CCaptureCommands* commands = nullptr;
  BOOL regionValid = FALSE;
  RECT region{};
  bool stopReturned = false;
  bool asked = false;
  bool askedAfterStop = false;
};

std::wstring MakeFolder(const wchar_t* name) {
  wchar_t base[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, base);
  std::wstring folder = std::wstring(base) + L"\\" + name;
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class CaptureCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldShell = SetCaptureShell(&shell);
    shell.commands = &commands;
    oldImageDir = g_Config.CopyImageDir();
    folder = MakeFolder(L"snapshots");
    g_Config.SetImageDir(folder.c_str());
    g_Config.m_AllCameras = 1;
    g_Config.m_AutoSnap = 0;
    g_Config.m_ImageStill = 0;
    camera = new TestCamera(L"Snap", kW, kH);
    factory.AddCamera(camera);
    factory.OpenCameras();
  }
  void TearDown() override {
    factory.CloseCameras();
    SetCaptureShell(oldShell);
    g_Config.m_ImageFormat = 0;
    if (oldImageDir.size() >= 2) g_Config.SetImageDir(oldImageDir.c_str());
  }
  CCaptureShell* oldShell = nullptr;
  Shell shell;
  Host host;
  CCameraFactory factory;
  CCaptureCommands commands{&factory, &host};
  TestCamera* camera = nullptr;
  std::wstring folder, oldImageDir;
};

// Every format, both row orders, whole and cropped (also at the bottom edge):
// the files and what they must show go to snapshot_check.py.
TEST_F(CaptureCommandsTest, SnapshotsAreUprightAndCroppedToTheRegion) {
  struct Region {
    const char* name;
    bool valid;
    RECT rect;
  };
  const Region regions[] = {
      {"whole", false, {}}, {"middle", true, {10, 8, 40, 30}}, {"bottom", true, {20, 30, 64, 48}}};
  FILE* list = fopen("snapshots.jsonl", "w");
  ASSERT_NE(list, nullptr);
  commands.StartCapture();
  ASSERT_EQ(factory.GetState(), CameraRunning);
  int index = 0;
  for (int jpeg = 0; jpeg < 2; ++jpeg) {
    for (int bottomUp = 0; bottomUp < 2; ++bottomUp) {
      for (const Region& region : regions) {
        SCOPED_TRACE(testing::Message() << "jpeg " << jpeg << " bottom-up " << bottomUp << " " << region.name);
        g_Config.m_ImageFormat = DWORD(jpeg);
        camera->m_bSnapshotBottomUp = bottomUp;
        shell.regionValid = region.valid;
        shell.region = region.rect;
        host.now.wMilliseconds = WORD(index++);
        const size_t before = host.opened.size();
        commands.TakeSnapshot();
        const std::vector<uint32_t> frame = Frame(bottomUp != 0);
        camera->OnFrame(reinterpret_cast<const BYTE*>(frame.data()));
        ASSERT_EQ(host.opened.size(), before + 1);
        EXPECT_EQ(host.selected.back(), int(before));
        EXPECT_EQ(host.sounds.back(), kSnapshotSound);
        const RECT r = region.valid ? region.rect : RECT{0, 0, kW, kH};
        fprintf(
            list,
            "{\"file\": \"%s\", \"format\": \"%s\", \"left\": %ld, \"top\": %ld, \"right\": %ld, \"bottom\": %ld}\n",
            Narrow(host.opened.back().substr(folder.size() + 1)).c_str(), jpeg ? "JPEG" : "BMP", r.left, r.top, r.right,
            r.bottom);
      }
    }
  }
  fclose(list);
  EXPECT_EQ(host.opened[0], folder + L"\\3.7-14;5;9;0.bmp");
  EXPECT_EQ(host.opened[6], folder + L"\\3.7-14;5;9;6.jpg");
}

// Cameras saving in one millisecond each get their own file; the first is not replaced.
TEST_F(CaptureCommandsTest, SnapshotsInOneMillisecondTakeNumberedNames) {
  commands.StartCapture();
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint32_t> frame = Frame(i % 2 != 0);
    commands.SaveCameraSnapshot(camera, frame.data());
  }
  const std::vector<std::wstring> expected = {folder + L"\\3.7-14;5;9;123.bmp", folder + L"\\3.7-14;5;9;123(1).bmp",
                                              folder + L"\\3.7-14;5;9;123(2).bmp"};
  EXPECT_EQ(host.opened, expected);
  for (const std::wstring& path : expected) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 54u + kW * kH * 4u);
  }
}

// No folder, no pixels, an unwritable folder or a region outside the frame:
// nothing is opened and no shutter sounds.
TEST_F(CaptureCommandsTest, FailedSnapshotsOpenNothingAndStaySilent) {
  const std::vector<uint32_t> frame = Frame(true);
  commands.SaveCameraSnapshot(camera, nullptr);
  commands.SaveCameraSnapshot(nullptr, frame.data());
  g_Config.SetImageDir((folder + L"\\missing\\deeper").c_str());
  commands.SaveCameraSnapshot(camera, frame.data());
  commands.SaveStillSnapshot(camera, kW, kH, frame.data());
  EXPECT_TRUE(host.opened.empty());
  EXPECT_TRUE(host.sounds.empty());
  EXPECT_EQ(GetFileAttributesW((folder + L"\\missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CaptureCommandsTest, CommandsFollowTheCaptureState) {
  // Stopped: a snapshot starts capture first, and with automatic snapshots on
  // the camera keeps snapping.
  g_Config.m_AutoSnap = 1;
  commands.TakeSnapshot();
  EXPECT_EQ(factory.GetState(), CameraRunning);
  EXPECT_EQ(host.calls, L"activate;");
  EXPECT_EQ(camera->m_bAutoSnap, 1);
  EXPECT_EQ(camera->m_bSnapshotRequest, 1);

  // Pause, then a recording request resumes capture.
  commands.PauseCapture();
  EXPECT_EQ(factory.GetState(), CameraPaused);
  host.calls.clear();
  commands.StartRecording();
  EXPECT_EQ(host.sounds, std::vector<int>{kRecordSound});
  EXPECT_EQ(host.calls, L"disable-record;activate;");
  EXPECT_EQ(factory.GetState(), CameraRunning);

  // A pending record request holds a restart back.
  host.calls.clear();
  EXPECT_GT(factory.PendingRecordRequests(), 0);
  commands.RestartCapture();
  EXPECT_EQ(host.calls, L"");
  EXPECT_EQ(camera->m_nStops, 0);
  camera->SetRecordRequest(0);
  commands.RestartCapture();
  EXPECT_EQ(host.calls, L"activate;");
  EXPECT_EQ(factory.GetState(), CameraRunning);
  EXPECT_EQ(camera->m_nStops, 1);

  commands.StopCapture();
  EXPECT_EQ(factory.GetState(), CameraStopped);
  commands.RestartCapture();  // not running: nothing
  EXPECT_EQ(factory.GetState(), CameraStopped);
}

TEST_F(CaptureCommandsTest, ClosedFactoryIgnoresRecordingAndSnapshots) {
  CCameraFactory closed;
  Host quiet;
  CCaptureCommands none(&closed, &quiet);
  none.TakeSnapshot();
  none.StartRecording();
  EXPECT_EQ(closed.GetState(), CameraClosed);
  EXPECT_TRUE(quiet.sounds.empty());
  EXPECT_TRUE(quiet.calls.empty());
}

// The state report posts WM_CAPTURE_STOPPED; the recording is finished from
// the message loop, after the stop returned.
class StopObserver : public COrvelCameraFactoryObserver {
 public:
  void OnCameraState(int state) override {
    if (state == CameraStopped) PostMessageW(window, WM_CAPTURE_STOPPED, 0, 0);
  }
  HWND window = nullptr;
};

CCaptureCommands* g_pStopCommands = nullptr;

LRESULT CALLBACK StopWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CAPTURE_STOPPED && g_pStopCommands) return g_pStopCommands->OnCaptureStopped();
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(CaptureCommandsTest, RecordingsFinishOnlyAfterTheStopReturned) {
  wchar_t videoDir[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, videoDir);
  const std::wstring oldVideoDir = g_Config.CopyVideoDir();
  g_Config.SetVideoDir(videoDir);
  g_Config.m_MovieFormat = 0;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = StopWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"CaptureStopTest";
  RegisterClassW(&windowClass);
  StopObserver observer;
  observer.window = CreateWindowW(L"CaptureStopTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(observer.window, nullptr);
  g_pStopCommands = &commands;
  factory.SetObserver(&observer);

  commands.StartRecording();
  std::vector<uint32_t> frame = Frame(true);
  for (int i = 0; i < 5; ++i) camera->OnFrame(reinterpret_cast<const BYTE*>(frame.data()));
  ASSERT_NE(camera->GetRecorder(), nullptr);
  commands.StopCapture();
  EXPECT_FALSE(shell.asked);
  shell.stopReturned = true;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_TRUE(shell.asked);
  EXPECT_TRUE(shell.askedAfterStop);

  factory.SetObserver(nullptr);
  g_pStopCommands = nullptr;
  DestroyWindow(observer.window);
  if (oldVideoDir.size() >= 2) g_Config.SetVideoDir(oldVideoDir.c_str());
}

// The two sounds are short PCM WAVE resources (sounds_check.py reads them).
TEST(CaptureSounds, WaveResourcesAreLinkedIn) {
  for (int id : {kSnapshotSound, kRecordSound}) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"WAVE");
    ASSERT_NE(found, nullptr) << id;
    const DWORD size = SizeofResource(nullptr, found);
    const void* data = LockResource(LoadResource(nullptr, found));
    ASSERT_NE(data, nullptr);
    const std::string name = "sound_" + std::to_string(id) + ".wav";
    FILE* out = fopen(name.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    fwrite(data, 1, size, out);
    fclose(out);
  }
}

}  // namespace
