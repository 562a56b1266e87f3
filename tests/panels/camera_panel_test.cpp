// The camera panel on a real window with fake cameras: the camera list and
// its enabling for no, one and two cameras and a phone used as a camera, the
// format and resolution lists, the capture-state table, the Camera menu's
// check marks and the still-size menu.

#include <windows.h>
// The media headers bring windowsx.h, whose SubclassWindow macro would hide
// the window method of that name.
#include <windowsx.h>
#undef SubclassWindow
#include <dshow.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/MainFrame.h"
#include "capture/CameraDS.h"
#include "capture/CameraFactory.h"
#include "engine/Image.h"
#include "panels/CameraPanel.h"
#include "settings/CameraConfig.h"
#include "settings/Configuration.h"
#include "tests/capture/fakes/FakeVideoFilter.h"
#include "tests/capture/test_camera.h"
#include "tests/panels/panel_fixture.h"
#include "tests/panels/screen_shot.h"
#include "toolkit/SkinCombo.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="255" Green="255" Blue="255"/>
    <Body Red="230" Green="230" Blue="230"/>
    <Ink Red="0" Green="0" Blue="0"/>
  </Colors>
  <Fonts>
    <Normal FamilyName="Arial" Height="14" Weight="400"/>
  </Fonts>
  <Text>
    <Language Id="1033">
      <GroupCamera Text="Camera"/>
      <Tovalink Text="Phone as camera"/>
      <StillSample Text="Still size"/>
    </Language>
  </Text>
  <Windows>
    <Host Class="WINDOW" X="40" Y="40" Width="260" Height="330" ClBkGround="Back" Font="Normal">
      <Camera Class="WINDOW" CommandID="1" Text="+-" X="0" Y="0" Width="250" Height="320" ClBkGround="Body"
              ClText="Ink" Font="Normal">
        <Cameras Class="COMBOBOX" CommandID="1" X="5" Y="24" Width="200" Height="20" ClBkGround="Back" ClText="Ink" Font="Normal"/>
        <Live Class="BUTTON" CommandID="2" Text="Live" X="210" Y="24" Width="35" Height="20" Font="Normal"/>
        <Formats Class="COMBOBOX" CommandID="3" X="5" Y="50" Width="110" Height="20" ClBkGround="Back" ClText="Ink" Font="Normal"/>
        <Sizes Class="COMBOBOX" CommandID="4" X="120" Y="50" Width="110" Height="20" ClBkGround="Back" ClText="Ink" Font="Normal"/>
        <Still Class="BUTTON" CommandID="5" Text="Still" X="5" Y="76" Width="60" Height="22" Font="Normal"/>
        <Start Class="BUTTON" CommandID="6" Text="Start" X="5" Y="104" Width="60" Height="22" Font="Normal"/>
        <Pause Class="BUTTON" CommandID="7" Text="Pause" X="5" Y="104" Width="60" Height="22" Font="Normal"/>
        <Stop Class="BUTTON" CommandID="8" Text="Stop" X="70" Y="104" Width="60" Height="22" Font="Normal"/>
        <Snap Class="BUTTON" CommandID="9" Text="Snap" X="135" Y="104" Width="60" Height="22" Font="Normal"/>
        <Record Class="BUTTON" CommandID="10" Text="Rec" X="5" Y="130" Width="60" Height="22" Font="Normal"/>
        <Colour Class="BUTTON" CommandID="11" Text="Colour" X="70" Y="130" Width="60" Height="22" Font="Normal"/>
        <Driver Class="BUTTON" CommandID="12" Text="Driver" X="135" Y="130" Width="60" Height="22" Font="Normal"/>
      </Camera>
    </Host>
    <LIST Class="LISTBOX" ClBkGround="Back" ClText="Ink" Font="Normal"/>
  </Windows>
</Skin>
)";

const GUID kYUY2 = {0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kMJPG = {0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The frame whose Camera menu the panel checks: one for the program, never
// shown, with the program's own menu 128.
CMainFrame& Frame() {
  static CMainFrame* frame = [] {
    auto* made = new CMainFrame;
    made->m_hMenu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    return made;
  }();
  return *frame;
}

struct Device {
  std::wstring name;
  FakeDeviceSetup setup;
};

// Cameras of fake filters behind fake monikers, each with its stored
// settings removed before and after.
class FakeFactory : public CCameraFactory {
 public:
  explicit FakeFactory(std::vector<Device> devices) : m_devices(std::move(devices)) { DeleteKeys(); }
  ~FakeFactory() override {
    CloseCameras();
    DeleteKeys();
  }

 protected:
  void EnumerateDevices() override {
    for (const Device& device : m_devices) {
      auto* camera = new COrvelCameraDS(CreateFakeCameraMoniker(device.setup));
      camera->SetName(device.name.c_str());
      camera->SetDevicePath((L"fake:" + device.name).c_str());
      AddCamera(camera);
    }
  }

 private:
  void DeleteKeys() {
    for (size_t i = 0; i < m_devices.size(); ++i) {
      const std::wstring path = CCameraConfig::KeyPath(m_devices[i].name.c_str(), static_cast<int>(i));
      ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
      ::RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    }
  }
  std::vector<Device> m_devices;
};

// Cameras without a device, listed when the cameras are opened.
class TestCameraFactory : public CCameraFactory {
 public:
  explicit TestCameraFactory(std::vector<COrvelCamera*> cameras) : m_pending(std::move(cameras)) {}

 protected:
  void EnumerateDevices() override {
    for (COrvelCamera* camera : m_pending) AddCamera(camera);
    m_pending.clear();
  }

 private:
  std::vector<COrvelCamera*> m_pending;
};

FakeDeviceSetup Formats(std::vector<FakeCapability> capture, std::vector<FakeCapability> stills = {}) {
  FakeDeviceSetup setup;
  setup.pins.push_back({PIN_CATEGORY_CAPTURE, std::move(capture)});
  if (!stills.empty()) setup.pins.push_back({PIN_CATEGORY_STILL, std::move(stills)});
  return setup;
}

FakeCapability Cap(const GUID& subtype, int width, int height) {
  return {subtype, FORMAT_VideoInfo, width, height, 16};
}

FakeDeviceSetup PlainCamera() { return Formats({Cap(kYUY2, 640, 480)}); }

std::vector<std::wstring> g_opened;
void RecordAddress(const wchar_t* address) { g_opened.push_back(address); }

class CameraPanel : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    Frame();
    g_opened.clear();
    CWndCamera::s_pOpenAddress = &RecordAddress;
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"Host"));
  }
  void TearDown() override {
    if (m_panel.m_hWnd) m_panel.DestroyWindow();
    PanelFixture::TearDown();
  }
  void Attach() { ASSERT_TRUE(PanelFixture::Attach(m_panel, 1)); }

  std::vector<std::wstring> Entries(AvlfComboBox* list) {
    std::vector<std::wstring> texts;
    for (const auto& item : list->m_items) texts.push_back(item->text);
    return texts;
  }
  std::wstring Selected(AvlfComboBox* list) { return list->m_pSelected ? list->m_pSelected->text : L"(none)"; }
  static bool Enabled(const AvlfWindowBase* control) { return ::IsWindowEnabled(control->m_hWnd) != FALSE; }
  static bool Visible(const AvlfWindowBase* control) {
    return (::GetWindowLongW(control->m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  void Choose(AvlfComboBox* list, int index) {
    list->SetCurSel(index);
    ::SendMessageW(m_panel.m_hWnd, WM_COMMAND, MAKEWPARAM(list->m_nCommandID, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list->m_hWnd));
  }
  void Command(UINT id) { ::SendMessageW(m_panel.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  // The controls that follow the current camera, in the panel's order.
  static std::vector<bool> CameraControlsEnabled(const CWndCamera& panel) {
    const AvlfWindowBase* controls[] = {panel.m_pColor,     panel.m_pFormatList, panel.m_pResolutionList,
                                        panel.m_pStillSize, panel.m_pSnapshot,   panel.m_pRecord,
                                        panel.m_pStart,     panel.m_pSettings};
    std::vector<bool> enabled;
    for (const AvlfWindowBase* c : controls) enabled.push_back(Enabled(c));
    return enabled;
  }

  CWndCamera m_panel;
};

TEST_F(CameraPanel, CameraListAndEnablingForNoneOneAndTwoCameras) {
  const std::wstring phone = L"Phone as camera";
  struct Case {
    const char* what;
    std::vector<Device> devices;
    std::vector<std::wstring> entries;
    std::wstring selected;
    bool listEnabled;
    // Colour, formats, resolutions, still size, snapshot, record, start, driver.
    std::vector<bool> controls;
  };
  // A plain camera has one format and no still size: its lists stay disabled.
  const std::vector<bool> plain = {true, false, false, false, true, true, true, true};
  const Case cases[] = {
      {"no camera", {}, {phone}, L"(none)", true, std::vector<bool>(8, false)},
      {"one camera", {{L"Bench Cam", PlainCamera()}}, {L"Bench Cam", phone}, L"Bench Cam", true, plain},
      {"two cameras",
       {{L"Left Cam", PlainCamera()}, {L"Right Cam", PlainCamera()}},
       {L"Left Cam", L"Right Cam", phone},
       L"Left Cam",
       true,
       plain},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    FakeFactory factory(test.devices);
    ASSERT_EQ(factory.OpenCameras(), static_cast<int>(test.devices.size()));
    CWndCamera panel;
    ASSERT_TRUE(PanelFixture::Attach(panel, 1));
    EXPECT_EQ(panel.m_strCaption, L"Camera");
    EXPECT_EQ(Entries(panel.m_pCameraList), test.entries);
    EXPECT_EQ(Selected(panel.m_pCameraList), test.selected);
    EXPECT_EQ(Enabled(panel.m_pCameraList), test.listEnabled);
    EXPECT_EQ(CameraControlsEnabled(panel), test.controls);
    // A picture on the canvas: live view only when there is a camera to show.
    CDTImage picture;
    panel.SetCurrentDocument(&picture);
    EXPECT_EQ(Enabled(panel.m_pLiveView), !test.devices.empty());
    picture.m_bLive = 1;
    CDTImage live;
    live.m_bLive = 1;
    panel.SetCurrentDocument(&live);
    EXPECT_FALSE(Enabled(panel.m_pLiveView));
    paneltest::SaveScreenShot(panel.m_hWnd,
                              (L"camera_panel_" + std::to_wstring(test.devices.size()) + L".png").c_str());
    panel.DestroyWindow();
    // The host's child went with the panel: make the host again.
    ASSERT_TRUE(CreateHost(L"Host"));
  }
}

// Runs work in a thread of the multithreaded apartment, where the fake
// device class is registered and enumerated.
void RunInMta(const std::function<void()>& work) {
  std::thread thread([&] {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    work();
    ::CoUninitialize();
  });
  thread.join();
}

// A phone used as a camera is listed as that camera; with it as the only
// camera there is nothing to choose, and no phone entry is offered.
TEST_F(CameraPanel, APhoneAsTheOnlyCameraLeavesTheListDisabled) {
  FakeDeviceSetup phone = PlainCamera();
  phone.phoneCamera = true;
  std::unique_ptr<CCameraFactory> factory;
  HRESULT registered = E_FAIL;
  RunInMta([&] {
    FakeCameraRegistration registration({{L"Pocket Phone", phone}});
    registered = registration.Result();
    factory = std::make_unique<CCameraFactory>();
    factory->OpenCameras();
  });
  ASSERT_HRESULT_SUCCEEDED(registered);
  ASSERT_EQ(factory->GetCameraCount(), 1);
  ASSERT_TRUE(factory->HasPhoneCamera());
  Attach();
  EXPECT_EQ(Entries(m_panel.m_pCameraList), std::vector<std::wstring>{L"Pocket Phone"});
  EXPECT_FALSE(Enabled(m_panel.m_pCameraList));
  // A second camera arriving makes the list a choice again.
  auto* second = new TestCamera(L"Desk Cam", 320, 240);
  ASSERT_TRUE(factory->AddCamera(second));
  m_panel.AddCamera(second);
  EXPECT_EQ(Entries(m_panel.m_pCameraList), (std::vector<std::wstring>{L"Pocket Phone", L"Desk Cam"}));
  EXPECT_TRUE(Enabled(m_panel.m_pCameraList));
  m_panel.DestroyWindow();
  RunInMta([&] {
    factory->CloseCameras();
    factory.reset();
  });
  ::RegDeleteTreeW(HKEY_CURRENT_USER, CCameraConfig::KeyPath(L"Pocket Phone", 0).c_str());
  ::RegDeleteTreeW(HKEY_CURRENT_USER, CCameraConfig::KeyPath(L"Desk Cam", 1).c_str());
}

// Tells the panel of a new current camera, as the main frame does.
class PanelObserver : public COrvelCameraFactoryObserver {
 public:
  explicit PanelObserver(CWndCamera& panel) : m_panel(panel) {}
  void OnCurrentCameraChanged(COrvelCamera* camera) override { m_panel.SetCurrentCamera(camera); }
  CWndCamera& m_panel;
};

TEST_F(CameraPanel, ChoosingACameraOrThePhoneEntry) {
  FakeFactory factory({{L"Left Cam", PlainCamera()}, {L"Right Cam", PlainCamera()}});
  ASSERT_EQ(factory.OpenCameras(), 2);
  Attach();
  PanelObserver observer(m_panel);
  factory.SetObserver(&observer);
  COrvelCamera* left = factory.GetCameras()[0];
  COrvelCamera* right = factory.GetCameras()[1];

  // The phone entry opens the store's page; the camera stays.
  Choose(m_panel.m_pCameraList, 2);
  EXPECT_EQ(g_opened, std::vector<std::wstring>{kPhoneCameraPage});
  EXPECT_EQ(Selected(m_panel.m_pCameraList), L"Left Cam");
  EXPECT_EQ(factory.GetCurrentCamera(), left);

  Choose(m_panel.m_pCameraList, 1);
  EXPECT_EQ(factory.GetCurrentCamera(), right);
  EXPECT_EQ(m_panel.m_pCurrentCamera, right);
  EXPECT_EQ(Selected(m_panel.m_pCameraList), L"Right Cam");
  EXPECT_EQ(g_opened.size(), 1u);
  factory.SetObserver(nullptr);
}

// Cameras come and go; the phone entry is offered once, and the list's own
// move of a removed camera's selection is no choice of the user's.
TEST_F(CameraPanel, CamerasArriveAndLeave) {
  FakeFactory factory({{L"Solo Cam", PlainCamera()}});
  ASSERT_EQ(factory.OpenCameras(), 1);
  Attach();
  COrvelCamera* solo = factory.GetCameras()[0];
  auto* second = new TestCamera(L"Second Cam", 320, 240);
  ASSERT_TRUE(factory.AddCamera(second));
  m_panel.AddCamera(second);
  EXPECT_EQ(Entries(m_panel.m_pCameraList),
            (std::vector<std::wstring>{L"Solo Cam", L"Phone as camera", L"Second Cam"}));
  EXPECT_TRUE(Enabled(m_panel.m_pCameraList));
  m_panel.EnableSnapshotButton(FALSE);
  EXPECT_FALSE(Enabled(m_panel.m_pSnapshot));
  m_panel.EnableSnapshotButton(TRUE);
  EXPECT_TRUE(Enabled(m_panel.m_pSnapshot));

  // The selected camera goes: the list moves its selection to the phone
  // entry, which must not open the store's page.
  ASSERT_EQ(Selected(m_panel.m_pCameraList), L"Solo Cam");
  m_panel.RemoveCamera(solo);
  EXPECT_EQ(Entries(m_panel.m_pCameraList), (std::vector<std::wstring>{L"Phone as camera", L"Second Cam"}));
  EXPECT_TRUE(g_opened.empty());
  EXPECT_EQ(factory.GetCurrentCamera(), solo);  // the factory moves it, not the panel
  EXPECT_TRUE(Enabled(m_panel.m_pCameraList));  // the factory still lists two
}

FakeDeviceSetup ThreeSizesTwoKinds() {
  return Formats({Cap(kYUY2, 640, 480), Cap(kYUY2, 800, 600), Cap(kMJPG, 1280, 720)});
}

TEST_F(CameraPanel, FormatAndResolutionListsFollowTheCamerasFormat) {
  FakeFactory factory({{L"Format Cam", ThreeSizesTwoKinds()}});
  ASSERT_EQ(factory.OpenCameras(), 1);
  Attach();
  auto* camera = dynamic_cast<COrvelCameraDS*>(factory.GetCameras()[0]);
  ASSERT_TRUE(camera);
  const auto& groups = camera->GetVideoGroups();
  ASSERT_EQ(groups.size(), 2u);
  VideoFormat* yuy640 = groups[0]->formats[0];
  VideoFormat* yuy800 = groups[0]->formats[1];
  VideoFormat* mjpg = groups[1]->formats[0];
  const std::vector<std::wstring> kinds = {L"YUY2", L"MJPG"};
  const std::vector<std::wstring> yuySizes = {L"640 x 480", L"800 x 600"};
  struct Case {
    const char* what;
    VideoFormat* current;
    std::wstring kind, size;
    std::vector<std::wstring> sizes;
    bool sizesEnabled;
    VideoFormat* after;  // the camera's format afterwards
  };
  const Case cases[] = {
      {"first size", yuy640, L"YUY2", L"640 x 480", yuySizes, true, yuy640},
      {"second size", yuy800, L"YUY2", L"800 x 600", yuySizes, true, yuy800},
      {"a group of one size", mjpg, L"MJPG", L"1280 x 720", {L"1280 x 720"}, false, mjpg},
      {"no format: the last group, its first size", nullptr, L"MJPG", L"1280 x 720", {L"1280 x 720"}, false, mjpg},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    camera->SelectVideoFormat(test.current);
    m_panel.FillFormatLists(camera);
    EXPECT_EQ(Entries(m_panel.m_pFormatList), kinds);
    EXPECT_TRUE(Enabled(m_panel.m_pFormatList));
    EXPECT_EQ(Selected(m_panel.m_pFormatList), test.kind);
    EXPECT_EQ(Entries(m_panel.m_pResolutionList), test.sizes);
    EXPECT_EQ(Selected(m_panel.m_pResolutionList), test.size);
    EXPECT_EQ(Enabled(m_panel.m_pResolutionList), test.sizesEnabled);
    EXPECT_EQ(camera->GetCurrentVideoFormat(), test.after);
  }

  // The user picks the other kind: its sizes are offered and its first
  // size becomes the camera's; then a size of the first kind.
  camera->SelectVideoFormat(yuy800);
  m_panel.FillFormatLists(camera);
  Choose(m_panel.m_pFormatList, 1);
  EXPECT_EQ(Entries(m_panel.m_pResolutionList), std::vector<std::wstring>{L"1280 x 720"});
  EXPECT_EQ(camera->GetCurrentVideoFormat(), mjpg);
  Choose(m_panel.m_pFormatList, 0);
  EXPECT_EQ(Selected(m_panel.m_pResolutionList), L"640 x 480");
  EXPECT_EQ(camera->GetCurrentVideoFormat(), yuy640);
  Choose(m_panel.m_pResolutionList, 1);
  EXPECT_EQ(camera->GetCurrentVideoFormat(), yuy800);
}

TEST_F(CameraPanel, CaptureStateTable) {
  FakeFactory factory(
      {{L"Still Cam", Formats({Cap(kYUY2, 640, 480), Cap(kYUY2, 800, 600)}, {Cap(MEDIASUBTYPE_RGB24, 2592, 1944)})},
       {L"Video Cam", ThreeSizesTwoKinds()}});
  ASSERT_EQ(factory.OpenCameras(), 2);
  Attach();
  ::EnableWindow(m_panel.m_pRecord->m_hWnd, FALSE);  // as the frame does for a record request
  struct Step {
    const char* what;
    COrvelCamera* camera;
    int state;
    bool start, pause, stop, record, still, lists;
  };
  COrvelCamera* still = factory.GetCameras()[0];
  COrvelCamera* video = factory.GetCameras()[1];
  const Step steps[] = {
      {"running", still, CameraRunning, false, true, true, false, false, false},
      {"paused", still, CameraPaused, true, false, true, false, false, false},
      {"closed changes nothing", still, CameraClosed, true, false, true, false, false, false},
      {"stopped", still, CameraStopped, true, false, false, true, true, true},
      {"running again", still, CameraRunning, false, true, true, true, false, false},
      {"stopped, camera without still sizes", video, CameraStopped, true, false, false, true, false, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    m_panel.m_pCurrentCamera = step.camera;
    m_panel.OnCaptureState(step.state);
    EXPECT_EQ(Visible(m_panel.m_pStart), step.start);
    EXPECT_EQ(Visible(m_panel.m_pPause), step.pause);
    EXPECT_EQ(Enabled(m_panel.m_pStop), step.stop);
    EXPECT_EQ(Enabled(m_panel.m_pRecord), step.record);
    EXPECT_EQ(Enabled(m_panel.m_pStillSize), step.still);
    EXPECT_EQ(Enabled(m_panel.m_pFormatList), step.lists);
    EXPECT_EQ(Enabled(m_panel.m_pResolutionList), step.lists);
  }
}

// Expanding the group shows exactly one of start and pause: the one that
// fits the capture state.
TEST_F(CameraPanel, ExpandingShowsStartOrPauseByTheState) {
  TestCameraFactory factory({new TestCamera(L"Run Cam", 320, 240)});
  ASSERT_EQ(factory.OpenCameras(), 1);
  Attach();
  m_panel.OnCaptureState(CameraStopped);
  ASSERT_EQ(factory.Run(0), CameraRunning);
  m_panel.OnCaptureState(CameraRunning);
  m_panel.SetCollapsed(TRUE);
  EXPECT_FALSE(Visible(m_panel.m_pStart));
  EXPECT_FALSE(Visible(m_panel.m_pPause));
  m_panel.SetCollapsed(FALSE);
  EXPECT_FALSE(Visible(m_panel.m_pStart));
  EXPECT_TRUE(Visible(m_panel.m_pPause));
  EXPECT_TRUE(Visible(m_panel.m_pStop));

  factory.Stop();
  m_panel.SetCollapsed(TRUE);
  m_panel.SetCollapsed(FALSE);
  EXPECT_TRUE(Visible(m_panel.m_pStart));
  EXPECT_FALSE(Visible(m_panel.m_pPause));
  factory.CloseCameras();
}

TEST_F(CameraPanel, CameraMenuChecksFollowTheCurrentCamera) {
  CCameraFactory factory;
  auto* first = new TestCamera(L"Check Cam A", 320, 240);
  auto* second = new TestCamera(L"Check Cam B", 320, 240);
  ASSERT_TRUE(factory.AddCamera(first));
  ASSERT_TRUE(factory.AddCamera(second));
  first->SetColorCorrection(1);
  first->SetColorful(1);
  first->SetMirrorH(0);
  first->SetMirrorV(1);
  second->SetColorCorrection(0);
  second->SetColorful(0);
  second->SetMirrorH(1);
  second->SetMirrorV(0);
  HMENU camera = ::GetSubMenu(Frame().m_hMenu, 2);
  ASSERT_TRUE(camera);
  auto checks = [&] {
    std::vector<bool> marks;
    for (UINT id : {ID_CAMERA_COLOR_BOOST, ID_CAMERA_GRAY, ID_CAMERA_H, ID_CAMERA_V})
      marks.push_back((::GetMenuState(camera, id, MF_BYCOMMAND) & MF_CHECKED) != 0);
    return marks;
  };
  Attach();  // takes the factory's current camera, the first
  EXPECT_EQ(checks(), (std::vector<bool>{true, false, false, true}));
  m_panel.SetCurrentCamera(second);
  EXPECT_EQ(checks(), (std::vector<bool>{false, true, true, false}));
  m_panel.SetCurrentCamera(first);
  EXPECT_EQ(checks(), (std::vector<bool>{true, false, false, true}));
  factory.CloseCameras();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, CCameraConfig::KeyPath(L"Check Cam A", 0).c_str());
  ::RegDeleteTreeW(HKEY_CURRENT_USER, CCameraConfig::KeyPath(L"Check Cam B", 1).c_str());
}

// What the still-size popup showed while it was open.
struct ShownMenu {
  CWndCamera* panel = nullptr;
  std::vector<std::wstring> texts;
  std::vector<bool> checked;
};
ShownMenu g_shown;

void CALLBACK ReadMenuAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  HMENU menu = g_shown.panel ? g_shown.panel->m_hStillMenu : nullptr;
  if (!menu) return;
  ::KillTimer(nullptr, timer);
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    g_shown.texts.push_back(text);
    g_shown.checked.push_back((::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0);
  }
  ::EndMenu();
}

TEST_F(CameraPanel, StillSizeMenuShowsTheSizesAndThePickReachesTheCamera) {
  FakeFactory factory({{L"Still Menu Cam", Formats({Cap(kYUY2, 640, 480)}, {Cap(MEDIASUBTYPE_RGB24, 2592, 1944),
                                                                            Cap(MEDIASUBTYPE_RGB24, 1280, 960),
                                                                            Cap(MEDIASUBTYPE_RGB24, 640, 480)})}});
  ASSERT_EQ(factory.OpenCameras(), 1);
  auto* camera = dynamic_cast<COrvelCameraDS*>(factory.GetCameras()[0]);
  ASSERT_TRUE(camera);
  camera->SelectStillFormat(1);
  Attach();
  EXPECT_TRUE(Enabled(m_panel.m_pStillSize));

  // A real click on the still-size button opens the menu.
  g_shown = ShownMenu{&m_panel, {}, {}};
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ReadMenuAndClose);
  const POINT button = paneltest::ScreenPoint(m_panel.m_pStillSize->m_hWnd, 10, 10);
  paneltest::MoveMouseTo(button.x, button.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(paneltest::PumpUntil([] { return !g_shown.texts.empty(); }));
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(g_shown.texts,
            (std::vector<std::wstring>{L"Still size", L"", L"2592 x 1944", L"1280 x 960", L"640 x 480"}));
  EXPECT_EQ(g_shown.checked, (std::vector<bool>{false, false, false, true, false}));
  EXPECT_EQ(m_panel.m_hStillMenu, nullptr);

  // The menu's command for the third size.
  Command(ID_STILL_SIZE_FIRST + 2);
  EXPECT_EQ(camera->GetCurrentStillFormat(), camera->GetStillFormats()[2]);
  // A size the camera does not have changes nothing.
  Command(ID_STILL_SIZE_LAST);
  EXPECT_EQ(camera->GetCurrentStillFormat(), camera->GetStillFormats()[2]);
}

}  // namespace
