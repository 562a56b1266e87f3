// The camera colour dialog as a user drives it: a helper thread drags and
// keys the sliders, clicks the up-downs, types and presses buttons while the
// dialog runs modally; the camera's setters and, for a streaming fake
// camera, the canvas show the result.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CameraFactory.h"
#include "capture/ColorDialog.h"
#include "tests/capture/test_camera.h"
#include "tests/capture/ui_helpers.h"
#include "tests/engine/canvas_fixture.h"
#include "tests/win32/watchdog.h"

// Last: the DirectShow headers define a SubclassWindow macro.
#include "capture/CameraDS.h"
#include "tests/capture/fakes/FakeVideoFilter.h"

namespace {

// What the helper thread reads of one row.
struct RowState {
  int slider = -1;
  std::wstring edit;
  bool sliderEnabled = false;
  bool editEnabled = false;
};

RowState ReadRow(HWND dialog, int row) {
  const ColorRowIds& ids = kColorRowIds[row];
  RowState state;
  HWND slider = GetDlgItem(dialog, ids.slider);
  state.slider = static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
  state.edit = ui_test::TextOf(GetDlgItem(dialog, ids.edit));
  state.sliderEnabled = IsWindowEnabled(slider) != 0;
  state.editEnabled = IsWindowEnabled(GetDlgItem(dialog, ids.edit)) != 0;
  return state;
}

bool Checked(HWND dialog, int id) { return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A mouse drag of the slider's thumb to x (beyond either end clamps).
void DragThumb(HWND dialog, int row, int toX) {
  HWND slider = GetDlgItem(dialog, kColorRowIds[row].slider);
  RECT thumb{};
  SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  const int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
  PostMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(x + (toX - x) / 2), y));
  PostMessageW(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(toX), y));
  PostMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(toX), y));
}

// A key press on the slider: the slider moves, then reports the end of it.
void KeySlider(HWND dialog, int row, WPARAM key) {
  HWND slider = GetDlgItem(dialog, kColorRowIds[row].slider);
  PostMessageW(slider, WM_KEYDOWN, key, 1);
  PostMessageW(slider, WM_KEYUP, key, 0xC0000001);
}

// A click on the up (or down) arrow of the row's up-down.
void ClickUpDown(HWND dialog, int row, bool up) {
  HWND updown = GetDlgItem(dialog, kColorRowIds[row].updown);
  RECT rc{};
  GetClientRect(updown, &rc);
  const int x = rc.right / 2, y = up ? rc.bottom / 4 : rc.bottom * 3 / 4;
  PostMessageW(updown, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(updown, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

HWND WaitForColours(DWORD thread) {
  return ui_test::WaitForDialog(thread, [](HWND hWnd) { return GetDlgItem(hWnd, kColorRowIds[kRowHue].slider); });
}

// Runs the dialog on this thread while `user` acts on it from another.
template <class User>
INT_PTR RunDialog(HWND parent, User user) {
  const DWORD self = GetCurrentThreadId();
  std::thread helper([&] {
    HWND dialog = WaitForColours(self);
    if (dialog) user(dialog);
  });
  INT_PTR result = -1;
  {
    win32test::CWatchdog watchdog(30000);
    CDlgColors dialog;
    result = dialog.DoModal(parent);
    EXPECT_FALSE(watchdog.Fired()) << "the dialog did not end";
  }
  helper.join();
  return result;
}

struct CameraValues {
  int red, green, blue, saturation, brightness, contrast, hue, gamma;
};

CameraValues ValuesOf(COrvelCamera* camera) {
  return {camera->GetRed(),        camera->GetGreen(),    camera->GetBlue(), camera->GetSaturation(),
          camera->GetBrightness(), camera->GetContrast(), camera->GetHue(),  camera->GetGamma()};
}

class ColourDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    camera = new TestCamera(L"Colour Cam", 160, 120);
    ASSERT_TRUE(factory.AddCamera(camera));
    ASSERT_EQ(factory.GetCurrentCamera(), camera);
    camera->SetRed(200);
    camera->SetGreen(90);
    camera->SetBlue(128);
    camera->SetSaturation(12);
    camera->SetBrightness(300);
    camera->SetContrast(8);
    camera->SetHue(45);
    camera->SetGamma(150);
    camera->SetGammaEnabled(1);
    camera->SetWhiteBalanceMode(2);
  }
  CCameraFactory factory;
  TestCamera* camera = nullptr;
};

// Opening shows the camera; a drag to the end, an up-down step past it (wrap),
// typing without a slider move, the gamma box; OK leaves the automatic mode.
TEST_F(ColourDialogTest, OpensWithTheCameraAndSendsEveryMoveToIt) {
  RowState opened[kColorRows];
  bool temperature = false, none = true, gammaBox = false;
  RowState redAfterDrag, redAfterWrap, greenAfterTyping, gammaAfterBox;
  int redCameraAfterDrag = -1, redCameraAfterWrap = -1, greenCameraAfterTyping = -1, gammaEnabledAfterBox = -1;
  const INT_PTR result = RunDialog(nullptr, [&](HWND dialog) {
    for (int row = 0; row < kColorRows; ++row) opened[row] = ReadRow(dialog, row);
    temperature = Checked(dialog, IDC_AWB_TEMPERATURE);
    none = Checked(dialog, IDC_AWB_NONE);
    gammaBox = Checked(dialog, IDC_GAMMA_CHECK);

    DragThumb(dialog, kRowRed, 2000);
    ui_test::WaitFor([&] { return camera->GetRed() == 256; });
    redAfterDrag = ReadRow(dialog, kRowRed);
    redCameraAfterDrag = camera->GetRed();

    ClickUpDown(dialog, kRowRed, true);
    ui_test::WaitFor([&] { return camera->GetRed() == 1; });
    redAfterWrap = ReadRow(dialog, kRowRed);
    redCameraAfterWrap = camera->GetRed();

    HWND green = GetDlgItem(dialog, kColorRowIds[kRowGreen].edit);
    PostMessageW(green, EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"77")) PostMessageW(green, WM_CHAR, c, 1);
    ui_test::WaitFor([&] { return ui_test::TextOf(green) == L"77"; });
    greenAfterTyping = ReadRow(dialog, kRowGreen);
    greenCameraAfterTyping = camera->GetGreen();

    Click(dialog, IDC_GAMMA_CHECK);
    ui_test::WaitFor([&] { return camera->GetGammaEnabled() == 0; });
    gammaAfterBox = ReadRow(dialog, kRowGamma);
    gammaEnabledAfterBox = camera->GetGammaEnabled();
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, IDOK);

  const int want[kColorRows] = {200, 90, 128, 12, 300, 8, 45, 150};
  for (int row = 0; row < kColorRows; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(opened[row].slider, want[row]);
    EXPECT_EQ(opened[row].edit, std::to_wstring(want[row]));
    EXPECT_TRUE(opened[row].sliderEnabled);
  }
  EXPECT_TRUE(temperature);
  EXPECT_FALSE(none);
  EXPECT_TRUE(gammaBox);

  EXPECT_EQ(redCameraAfterDrag, 256);
  EXPECT_EQ(redAfterDrag.slider, 256);
  EXPECT_EQ(redAfterDrag.edit, L"256");
  EXPECT_EQ(redCameraAfterWrap, 1) << "one step up from 256 wraps to 1";
  EXPECT_EQ(redAfterWrap.slider, 1);
  EXPECT_EQ(redAfterWrap.edit, L"1");
  EXPECT_EQ(greenAfterTyping.edit, L"77");
  EXPECT_EQ(greenAfterTyping.slider, 90) << "typed text moves nothing";
  EXPECT_EQ(greenCameraAfterTyping, 90);
  EXPECT_EQ(gammaEnabledAfterBox, 0);
  EXPECT_FALSE(gammaAfterBox.sliderEnabled);
  EXPECT_FALSE(gammaAfterBox.editEnabled);
  EXPECT_EQ(camera->GetWhiteBalanceMode(), 0) << "OK leaves the automatic mode";
  EXPECT_EQ(camera->GetRed(), camera->m_Enhance.GetRedGain());
}

// Default puts every row back, switches gamma and the automatic mode off and
// the colour on, leaving mirror and correction alone; Cancel undoes nothing.
TEST_F(ColourDialogTest, DefaultResetsEverythingAndCancelKeepsIt) {
  camera->SetColorful(0);
  camera->SetMirrorH(1);
  camera->SetColorCorrection(1);
  RowState rows[kColorRows];
  bool none = false, gray = true, temperature = true, gammaBox = true;
  const INT_PTR result = RunDialog(nullptr, [&](HWND dialog) {
    Click(dialog, IDC_COLOR_DEFAULT);
    ui_test::WaitFor([&] { return camera->GetGammaEnabled() == 0 && camera->GetColorful() == 1; });
    for (int row = 0; row < kColorRows; ++row) rows[row] = ReadRow(dialog, row);
    none = Checked(dialog, IDC_AWB_NONE);
    gray = Checked(dialog, IDC_AWB_GRAY);
    temperature = Checked(dialog, IDC_AWB_TEMPERATURE);
    gammaBox = Checked(dialog, IDC_GAMMA_CHECK);
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  const int want[kColorRows] = {128, 128, 128, 10, 255, 10, 0, 128};
  for (int row = 0; row < kColorRows; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(rows[row].slider, want[row]);
    EXPECT_EQ(rows[row].edit, std::to_wstring(want[row]));
  }
  EXPECT_FALSE(rows[kRowGamma].sliderEnabled);
  EXPECT_FALSE(rows[kRowGamma].editEnabled);
  EXPECT_TRUE(none);
  EXPECT_FALSE(gray);
  EXPECT_FALSE(temperature);
  EXPECT_FALSE(gammaBox);
  const CameraValues values = ValuesOf(camera);
  EXPECT_EQ(values.red, 128);
  EXPECT_EQ(values.green, 128);
  EXPECT_EQ(values.blue, 128);
  EXPECT_EQ(values.saturation, 10);
  EXPECT_EQ(values.brightness, 255);
  EXPECT_EQ(values.contrast, 10);
  EXPECT_EQ(values.hue, 0);
  EXPECT_EQ(values.gamma, 128);
  EXPECT_EQ(camera->GetGammaEnabled(), 0);
  EXPECT_EQ(camera->GetColorful(), 1);
  EXPECT_EQ(camera->GetWhiteBalanceMode(), 0);
  EXPECT_EQ(camera->GetMirrorH(), 1);
  EXPECT_EQ(camera->GetColorCorrection(), 1);
}

// Without a current camera the dialog opens inert: nothing is checked, the
// controls move without effect, Default does nothing and it still closes.
TEST(ColourDialogWithoutCamera, IsInert) {
  CCameraFactory factory;
  bool anyChecked = true;
  RowState redBefore, redAfterDefault;
  const INT_PTR result = RunDialog(nullptr, [&](HWND dialog) {
    anyChecked = Checked(dialog, IDC_AWB_NONE) || Checked(dialog, IDC_AWB_GRAY) ||
                 Checked(dialog, IDC_AWB_TEMPERATURE) || Checked(dialog, IDC_GAMMA_CHECK);
    DragThumb(dialog, kRowRed, 2000);
    ui_test::WaitFor([&] { return ReadRow(dialog, kRowRed).edit == L"256"; });
    redBefore = ReadRow(dialog, kRowRed);
    Click(dialog, IDC_COLOR_DEFAULT);
    Click(dialog, IDC_AWB_GRAY);
    Sleep(200);
    redAfterDefault = ReadRow(dialog, kRowRed);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(anyChecked);
  EXPECT_EQ(redBefore.edit, L"256") << "the slider still shows its position in the edit box";
  EXPECT_EQ(redAfterDefault.slider, 256) << "Default does nothing without a camera";
}

}  // namespace

namespace {

// The camera factory of one fake device whose frames go to a canvas document,
// as the main frame passes them on.
class CanvasFactory : public CCameraFactory {
 public:
  FakeDeviceSetup setup;

 protected:
  void EnumerateDevices() override {
    auto* camera = new COrvelCameraDS(CreateFakeCameraMoniker(setup));
    camera->SetName(L"Canvas Cam");
    camera->SetDevicePath(L"fake:Canvas Cam");
    AddCamera(camera);
  }
};

class CanvasObserver : public COrvelCameraFactoryObserver {
 public:
  explicit CanvasObserver(CDTImage* document) : m_pDocument(document) {}
  void OnCameraLayout(int count, int width, int height) override {
    m_pDocument->SetLayout(count, width, height);
    m_pDocument->SetZoomMode(1, 1.0f);
  }
  void OnCameraFrame(COrvelCamera* camera, const BYTE* pixels, const wchar_t* timer) override {
    ++inFlight;
    if (!frozen)
      m_pDocument->UploadTileFrame(timer, pixels, camera->GetWidth(), camera->GetHeight(), camera->GetWidth() * 4, 0,
                                   camera->GetOffsetX(), camera->GetOffsetY(), camera->GetTileBottomUp());
    ++frames;
    --inFlight;
  }
  // Pumps this thread's messages until `more` frames reached the canvas.
  bool PumpFrames(int more, int timeoutMs = 10000) {
    const long target = frames + more;
    for (int waited = 0; frames < target && waited < timeoutMs; waited += 5) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      canvas_test::Pump();
    }
    return frames >= target;
  }
  // Stops the uploads and lets the one under way finish.
  void Freeze() {
    frozen = true;
    while (inFlight > 0) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      canvas_test::Pump();
    }
  }
  std::atomic<bool> frozen{false};
  std::atomic<long> frames{0};
  std::atomic<int> inFlight{0};

 private:
  CDTImage* m_pDocument;
};

// A fake camera streams to the canvas while the dialog changes red by a drag,
// blue and saturation by keys; the canvas then shows the image library's
// reference of those settings over the fake's frame (colour_canvas_check.py).
// A second opening shows those values; grey-average balance and OK freeze the
// estimate as the camera's gains.
TEST(ColourDialogOnCanvas, ChangesReachTheCanvasAndOkFreezesTheEstimate) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  {
    constexpr int kWidth = 160, kHeight = 120;
    canvas_test::CCanvasScene scene(800, 480, true, true);
    ASSERT_TRUE(scene.Ready());
    CanvasObserver observer(&scene.m_document);
    CanvasFactory factory;
    factory.setup = {
        {{PIN_CATEGORY_CAPTURE, {{MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, kWidth, kHeight, 32, 0, 333333}}}}};
    factory.SetObserver(&observer);
    ASSERT_EQ(factory.OpenCameras(), 1);
    COrvelCamera* camera = factory.GetCurrentCamera();
    // Known settings: neutral, no correction, no gamma.
    camera->SetWhiteBalanceMode(0);
    camera->SetRed(128);
    camera->SetGreen(128);
    camera->SetBlue(128);
    camera->SetSaturation(10);
    camera->SetBrightness(255);
    camera->SetContrast(10);
    camera->SetHue(0);
    camera->SetColorCorrection(0);
    camera->SetColorful(1);
    camera->SetGammaEnabled(0);
    ASSERT_EQ(factory.Run(1), CameraRunning);
    ASSERT_TRUE(observer.PumpFrames(2));

    bool shot = false;
    RunDialog(scene.m_host, [&](HWND dialog) {
      DragThumb(dialog, kRowRed, 2000);
      ui_test::WaitFor([&] { return camera->GetRed() == 256; });
      KeySlider(dialog, kRowBlue, VK_NEXT);
      ui_test::WaitFor([&] { return camera->GetBlue() != 128; });
      KeySlider(dialog, kRowSaturation, VK_PRIOR);
      ui_test::WaitFor([&] { return camera->GetSaturation() != 10; });
      // Beside the picture, fully painted, after a few frames with the new settings.
      RECT host{}, own{};
      GetWindowRect(scene.m_host, &host);
      GetWindowRect(dialog, &own);
      SetWindowPos(dialog, nullptr, host.right - (own.right - own.left), host.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Sleep(300);
      RedrawWindow(scene.m_host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      Sleep(300);
      shot = ui_test::SaveWindowShot(scene.m_host, "colour_dialog.bmp");
      Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(shot);
    const CameraValues set = ValuesOf(camera);
    EXPECT_EQ(set.red, 256);
    EXPECT_NE(set.blue, 128);
    EXPECT_NE(set.saturation, 10);

    ASSERT_TRUE(observer.PumpFrames(3));
    observer.Freeze();
    canvas_test::CReadBack rb = scene.Read();
    const RECT& at = scene.m_document.m_rcBounds;
    ASSERT_GE(rb.width, at.left + kWidth);
    ASSERT_GE(rb.height, at.top + kHeight);
    std::vector<BYTE> rgb;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const uint32_t px = rb.At(at.left + x, at.top + y);
        rgb.push_back(static_cast<BYTE>(px >> 16));
        rgb.push_back(static_cast<BYTE>(px >> 8));
        rgb.push_back(static_cast<BYTE>(px));
      }
    FILE* frame = fopen("colour_canvas.bin", "wb");
    ASSERT_NE(frame, nullptr);
    fwrite(rgb.data(), 1, rgb.size(), frame);
    fclose(frame);
    FILE* values = fopen("colour_case.txt", "w");
    ASSERT_NE(values, nullptr);
    fprintf(values, "%d %d %d %d %d %d %d %d %d %d %d %d\n", kWidth, kHeight, set.red, set.green, set.blue,
            set.saturation, set.brightness, set.contrast, set.hue, camera->GetColorCorrection(), camera->GetColorful(),
            camera->GetGammaEnabled());
    fclose(values);
    observer.frozen = false;

    // Opened again: the values it left; grey average, then OK.
    RowState opened[3];
    bool none = false;
    RunDialog(scene.m_host, [&](HWND dialog) {
      opened[0] = ReadRow(dialog, kRowRed);
      opened[1] = ReadRow(dialog, kRowBlue);
      opened[2] = ReadRow(dialog, kRowSaturation);
      none = Checked(dialog, IDC_AWB_NONE);
      Click(dialog, IDC_AWB_GRAY);
      ui_test::WaitFor([&] { return camera->GetWhiteBalanceMode() == 1; });
      Sleep(300);  // frames estimate the gains
      Click(dialog, IDOK);
    });
    EXPECT_EQ(opened[0].slider, 256);
    EXPECT_EQ(opened[0].edit, L"256");
    EXPECT_EQ(opened[1].slider, set.blue);
    EXPECT_EQ(opened[2].edit, std::to_wstring(set.saturation));
    EXPECT_TRUE(none);
    observer.Freeze();
    EXPECT_EQ(camera->GetWhiteBalanceMode(), 0);
    EXPECT_EQ(camera->GetRed(), camera->m_Enhance.GetRedGain());
    EXPECT_EQ(camera->GetGreen(), camera->m_Enhance.GetGreenGain());
    EXPECT_EQ(camera->GetBlue(), camera->m_Enhance.GetBlueGain());
    EXPECT_FALSE(camera->GetRed() == 256 && camera->GetGreen() == 128 && camera->GetBlue() == set.blue)
        << "the estimate replaced the gains";

    factory.SetObserver(nullptr);
    factory.CloseCameras();
    RegDeleteTreeW(HKEY_CURRENT_USER, CCameraConfig::KeyPath(L"Canvas Cam", 0).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, CCameraConfig::KeyPath(L"Canvas Cam", 0).c_str());
  }
  CoUninitialize();
}

}  // namespace
