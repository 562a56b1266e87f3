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
