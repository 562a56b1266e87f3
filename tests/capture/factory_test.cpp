// Capture state, layout, current camera, settings purge and region parts of
// the camera factory, with cameras that have no device.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "settings/Configuration.h"
#include "tests/capture/test_camera.h"

namespace {

class RecordingObserver : public COrvelCameraFactoryObserver {
 public:
  void OnCameraLayout(int count, int width, int height) override { layouts.push_back({count, width, height}); }
  void OnCameraState(int state) override {
    states.push_back(state);
    oldStates.push_back(factory ? factory->GetState() : -1);
  }
  void OnCurrentCameraChanged(COrvelCamera* camera) override { currents.push_back(camera); }
  void OnCameraRemoved(COrvelCamera* camera) override { removed.push_back(camera); }
  struct Layout {
    int count, width, height;
  };
  CCameraFactory* factory = nullptr;
  std::vector<Layout> layouts;
  std::vector<int> states;
  std::vector<int> oldStates;
  std::vector<COrvelCamera*> currents;
  std::vector<COrvelCamera*> removed;
};

// A factory whose devices are the test's cameras.
class TestFactory : public CCameraFactory {
 public:
  std::vector<TestCamera*> devices;

 protected:
  void EnumerateDevices() override {
    for (TestCamera* camera : devices) AddCamera(camera);
  }
};

class FactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    observer.factory = &factory;
    factory.SetObserver(&observer);
    g_Config.SetCamera(L"");
  }
  void TearDown() override {
    factory.SetObserver(nullptr);
    factory.CloseCameras();
  }
  TestCamera* Add(const wchar_t* name, int width, int height) {
    auto* camera = new TestCamera(name, width, height);
    factory.devices.push_back(camera);
    return camera;
  }
  TestFactory factory;
  RecordingObserver observer;
};

TEST_F(FactoryTest, NoDeviceEndsStoppedWithNoCamera) {
  EXPECT_EQ(factory.OpenCameras(), 0);
  EXPECT_EQ(factory.GetState(), CameraStopped);
  EXPECT_EQ(observer.states, std::vector<int>{CameraStopped});
  EXPECT_EQ(factory.Run(1), 0);
  EXPECT_EQ(factory.GetState(), CameraStopped);
}

TEST_F(FactoryTest, AllCamerasLayoutCentresTheSmallerCamera) {
  TestCamera* big = Add(L"Big", 640, 480);
  TestCamera* small = Add(L"Small", 320, 240);
  ASSERT_EQ(factory.OpenCameras(), 2);
  EXPECT_EQ(factory.Run(1), CameraRunning);
  ASSERT_EQ(observer.layouts.size(), 1u);
  EXPECT_EQ(observer.layouts[0].count, 2);
  EXPECT_EQ(observer.layouts[0].width, 640);
  EXPECT_EQ(observer.layouts[0].height, 480);
  EXPECT_EQ(big->GetOffsetX(), 0);
  EXPECT_EQ(big->GetOffsetY(), 0);
  EXPECT_EQ(small->GetOffsetX(), 160);
  EXPECT_EQ(small->GetOffsetY(), 120);
  EXPECT_EQ(big->GetIndex(), 0);
  EXPECT_EQ(small->GetIndex(), 1);
  // The observer saw the state before it changed.
  EXPECT_EQ(observer.states.back(), CameraRunning);
  EXPECT_EQ(observer.oldStates.back(), CameraStopped);
}

TEST_F(FactoryTest, FifthCameraDoesNotRunOverTileZero) {
  std::vector<TestCamera*> cameras;
  for (int i = 0; i < 5; ++i) cameras.push_back(Add((L"Cam" + std::to_wstring(i)).c_str(), 320 + 16 * i, 240));
  ASSERT_EQ(factory.OpenCameras(), 5);
  factory.Run(1);
  ASSERT_EQ(factory.GetState(), CameraRunning);
  EXPECT_EQ(observer.layouts.back().count, 4);
  EXPECT_EQ(observer.layouts.back().width, 368);  // the widest of the first four
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cameras[i]->IsRunning(), 1);
    EXPECT_EQ(cameras[i]->GetIndex(), i);
  }
  EXPECT_EQ(cameras[4]->IsRunning(), 0);
  EXPECT_EQ(cameras[4]->m_nRuns, 0);
}

TEST_F(FactoryTest, StateMachine) {
  TestCamera* a = Add(L"A", 640, 480);
  TestCamera* b = Add(L"B", 640, 480);
  b->m_bConnectFails = true;  // one of two fails to connect: the other still runs
  factory.OpenCameras();
  factory.Pause();
  EXPECT_EQ(factory.GetState(), CameraStopped);
  factory.Stop();
  EXPECT_EQ(factory.GetState(), CameraStopped);
  EXPECT_EQ(factory.Run(1), CameraRunning);
  EXPECT_EQ(a->IsRunning(), 1);
  factory.Pause();
  EXPECT_EQ(factory.GetState(), CameraPaused);
  factory.Run(0);  // resumes in the mode it started in
  EXPECT_EQ(factory.GetState(), CameraRunning);
  EXPECT_EQ(factory.GetAllCameras(), 1);
  a->SetRecordRequest(1);
  factory.Stop();
  EXPECT_EQ(factory.GetState(), CameraStopped);
  EXPECT_EQ(a->GetRecordRequest(), 0);
  EXPECT_EQ(factory.PendingRecordRequests(), 0);
  factory.CloseCameras();
  EXPECT_EQ(factory.GetState(), CameraClosed);
  EXPECT_EQ(observer.states,
            (std::vector<int>{CameraStopped, CameraRunning, CameraPaused, CameraRunning, CameraStopped, CameraClosed}));
  EXPECT_EQ(observer.currents.back(), nullptr);
}

TEST_F(FactoryTest, NoCameraConnectsOrNoSizeStaysStopped) {
  for (int variant = 0; variant < 2; ++variant) {
    SCOPED_TRACE(variant);
    TestFactory local;
    auto* camera = new TestCamera(L"Only", variant ? 0 : 640, 480);
    camera->m_bConnectFails = variant == 0;
    local.devices.push_back(camera);
    local.OpenCameras();
    local.Run(1);
    EXPECT_EQ(local.GetState(), CameraStopped);
    EXPECT_EQ(camera->m_nRuns, 0);
    local.CloseCameras();
  }
}

TEST_F(FactoryTest, CurrentCameraFromSettingAndSingleMode) {
  TestCamera* a = Add(L"A", 640, 480);
  TestCamera* b = Add(L"B", 320, 240);
  std::wstring path = b->GetDevicePath();
  for (wchar_t& c : path) c = static_cast<wchar_t>(towupper(c));
  g_Config.SetCamera(path.c_str());
  factory.OpenCameras();
  g_Config.SetCamera(L"");
  EXPECT_EQ(factory.GetCurrentCamera(), b);
  factory.Run(0);
  EXPECT_EQ(observer.layouts.back().count, 1);
  EXPECT_EQ(observer.layouts.back().width, 320);
  EXPECT_EQ(a->m_nRuns, 0);
  EXPECT_EQ(b->IsRunning(), 1);
  // Single mode: changing the camera stops capture.
  factory.SetCurrentCamera(a);
  EXPECT_EQ(factory.GetState(), CameraStopped);
  // All-cameras mode: it only changes the current camera.
  factory.Run(1);
  factory.SetCurrentCamera(b);
  EXPECT_EQ(factory.GetState(), CameraRunning);
}

TEST_F(FactoryTest, RemovingTheCurrentCameraMakesTheFirstCurrent) {
  TestCamera* a = Add(L"A", 640, 480);
  TestCamera* b = Add(L"B", 640, 480);
  Add(L"C", 640, 480);
  factory.OpenCameras();
  factory.SetCurrentCamera(b);
  factory.RemoveCameraByPath(L"\\\\?\\FAKE#Bxyz", 10);  // case-insensitive prefix
  EXPECT_EQ(factory.GetCameraCount(), 2);
  EXPECT_EQ(factory.GetCurrentCamera(), a);
  ASSERT_EQ(observer.removed.size(), 1u);
  factory.RemoveCameraByPath(L"\\\\?\\fake#Nobody", 14);
  EXPECT_EQ(factory.GetCameraCount(), 2);
}

// Keys below the cameras' key, spelt out here.
const std::wstring kCameras = L"Software\\Quorvex\\Mensaro\\Cameras";

bool KeyExists(const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (kCameras + L"\\" + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void MakeKey(const std::wstring& name) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (kCameras + L"\\" + name + L"\\Sub").c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(FactoryTest, ClosePurgesKeysOfAbsentCameras) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kCameras.c_str());
  struct KeyCase {
    const wchar_t* name;
    bool stays;
  };
  const KeyCase keys[] = {
      {L"Cam-0", true},
      {L"cam-1", true},
      {L"Cam-7", false},
      {L"Cam-2", false},
      {L"Cam", true},
      {L"-1", true},
      {L"Cam-4294967297", false},
      {L"Other-0", false},
      {L"Cam-x", true},  // no digits reads as 0,
                         // and camera 0 is named
                         // Cam
      {L"My-Cam-1", false},
  };
  for (const KeyCase& key : keys) MakeKey(key.name);
  Add(L"Cam", 640, 480);
  Add(L"CAM", 640, 480);
  factory.OpenCameras();
  factory.CloseCameras();
  for (const KeyCase& key : keys) {
    SCOPED_TRACE(testing::Message() << std::string(key.name, key.name + wcslen(key.name)));
    EXPECT_EQ(KeyExists(key.name), key.stays);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kCameras.c_str());
}

class DocumentShell : public CCaptureShell {
 public:
  bool GetLiveDocument(LiveDocumentView* out) override {
    if (!hasDocument) return false;
    *out = view;
    return true;
  }
  bool hasDocument = true;
  LiveDocumentView view;
};

TEST(VisibleRect, RegionPartOfEachCamera) {
  DocumentShell shell;
  CCaptureShell* old = SetCaptureShell(&shell);
  TestFactory factory;
  auto* camera = new TestCamera(L"A", 640, 480);
  factory.devices.push_back(camera);
  factory.OpenCameras();
  struct Case {
    const char* what;
    bool document;
    int tiles;
    int index;
    BOOL valid;
    RECT region;
    bool result;
    RECT part;
  };
  const Case cases[] = {
      {"no document", false, 0, 0, TRUE, {10, 10, 100, 100}, false, {}},
      {"whole picture", true, 0, 0, TRUE, {10, 20, 100, 200}, true, {10, 20, 100, 200}},
      {"region tool off", true, 0, 0, FALSE, {10, 20, 100, 200}, false, {}},
      {"tile 1 moved to its origin", true, 2, 1, TRUE, {700, 100, 900, 300}, true, {60, 100, 260, 300}},
      {"cut at the tile's edges", true, 2, 1, TRUE, {600, -50, 1400, 600}, true, {0, 0, 640, 480}},
      {"outside the tile", true, 2, 0, TRUE, {700, 100, 900, 300}, false, {}},
      {"index beyond the tiles uses the picture", true, 1, 3, TRUE, {700, 100, 900, 300}, true, {700, 100, 900, 300}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    shell.hasDocument = test.document;
    shell.view = {};
    shell.view.pictureWidth = 1280;
    shell.view.pictureHeight = 480;
    shell.view.tileCount = test.tiles;
    shell.view.tiles[0] = {0, 0, 640, 480};
    shell.view.tiles[1] = {640, 0, 1280, 480};
    shell.view.regionValid = test.valid;
    shell.view.region = test.region;
    camera->m_nIndex = test.index;
    RECT out{-1, -1, -1, -1};
    EXPECT_EQ(factory.GetVisibleRect(camera, &out), test.result);
    const RECT expected = test.result ? test.part : RECT{-1, -1, -1, -1};
    EXPECT_TRUE(EqualRect(&out, &expected)) << out.left << "," << out.top << "," << out.right << "," << out.bottom;
  }
  factory.CloseCameras();
  SetCaptureShell(old);
}

}  // namespace
