// The capture driver's property pages in one sheet: fake page classes
// registered in this process, a filter that names them, and a helper thread
// that looks at the sheet and presses its buttons as a user would.
#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CameraDS.h"
#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "capture/PropertySheet.h"
#include "tests/capture/fakes/FakePropertyPage.h"
#include "tests/capture/fakes/FakeVideoFilter.h"
#include "tests/capture/ui_helpers.h"
#include "tests/win32/watchdog.h"
#include "win32/ComPtr.h"

namespace {

class ComScope {
 public:
  ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~ComScope() { CoUninitialize(); }
};

constexpr CLSID kExposurePage = {0x6a1f0c01, 0x2b3c, 0x4d5e, {0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x01}};
constexpr CLSID kColourPage = {0x6a1f0c01, 0x2b3c, 0x4d5e, {0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x02}};
constexpr CLSID kMissingPage = {0x6a1f0c01, 0x2b3c, 0x4d5e, {0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x03}};

FakePinSetup CapturePin() {
  return {PIN_CATEGORY_CAPTURE, {{MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, 160, 120, 32, 0, 333333}}};
}

FakeDeviceSetup PagedDevice(std::vector<CLSID> pages, const wchar_t* name) {
  FakeDeviceSetup setup{{CapturePin()}};
  setup.specifiesPages = true;
  setup.propertyPages = std::move(pages);
  setup.filterName = name;
  return setup;
}

class TextShell : public CCaptureShell {
 public:
  bool LookupText(const wchar_t* key, std::wstring& text) override {
    if (std::wstring(key) != L"eCameraProperties") return false;
    text = L"The camera offers no settings";
    return true;
  }
};

class SheetTest : public ::testing::Test {
 protected:
  SheetTest()
      : exposure{kExposurePage, L"Exposure", {420, 260}, RGB(255, 0, 255)},
        colour{kColourPage, L"Colour", {240, 150}, RGB(0, 255, 255)},
        pages({&exposure, &colour}) {}
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(pages.Result());
    oldShell = SetCaptureShell(&shell);
  }
  void TearDown() override { SetCaptureShell(oldShell); }

  ComScope com;
  FakePageClass exposure;
  FakePageClass colour;
  FakePageRegistration pages;
  TextShell shell;
  CCaptureShell* oldShell = nullptr;
  const DWORD mainThread = GetCurrentThreadId();
};

struct TabsSeen {
  std::wstring caption;
  std::vector<std::wstring> tabs;
  int appliesAfterTouch[2] = {-1, -1};
  RECT pageClient{};
  POINT pageOrigin{};  // the page's client origin in the screenshot
  bool shot = false;
};

std::vector<std::wstring> TabTexts(HWND sheet) {
  std::vector<std::wstring> texts;
  HWND tabs = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
  const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    texts.push_back(text);
  }
  return texts;
}

// A filter with a name and three page classes, the middle one not
// registered: the sheet takes the filter's name, shows the two pages in the
// filter's order and no error; a change on one page applies both at once;
// the page area has the size the page asked for.
TEST_F(SheetTest, NamedFilterShowsItsPagesInOrderAndAppliesAllOnAChange) {
  COrvelCameraDS camera(CreateFakeCameraMoniker(PagedDevice({kExposurePage, kMissingPage, kColourPage}, L"Sheet Cam")));
  TabsSeen seen;
  std::thread user([&] {
    HWND sheet =
        ui_test::WaitForDialog(mainThread, [](HWND hWnd) { return SendMessageW(hWnd, PSM_GETTABCONTROL, 0, 0) != 0; });
    if (!sheet) return;
    seen.caption = ui_test::TextOf(sheet);
    seen.tabs = TabTexts(sheet);
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND child = FindWindowExW(page, nullptr, L"FakePropertyPageChild", nullptr);
    if (child) {
      PostMessageW(child, kFakePageTouch, 0, 0);
      ui_test::WaitFor([&] { return exposure.applies > 0 && colour.applies > 0; });
      seen.appliesAfterTouch[0] = exposure.applies;
      seen.appliesAfterTouch[1] = colour.applies;
    }
    GetClientRect(page, &seen.pageClient);
    RECT window{};
    GetWindowRect(sheet, &window);
    POINT origin{0, 0};
    ClientToScreen(page, &origin);
    seen.pageOrigin = {origin.x - window.left, origin.y - window.top};
    RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    seen.shot = ui_test::SaveWindowShot(sheet, "sheet_pages.bmp");
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
  });
  {
    win32test::CWatchdog watchdog(20000);
    camera.ShowPropertyPages(nullptr, 0);
    EXPECT_FALSE(watchdog.Fired());
  }
  user.join();

  EXPECT_EQ(seen.caption, L"Sheet Cam");
  EXPECT_EQ(seen.tabs, (std::vector<std::wstring>{L"Exposure", L"Colour"}));
  EXPECT_EQ(seen.appliesAfterTouch[0], 1);
  EXPECT_EQ(seen.appliesAfterTouch[1], 1) << "the other page is applied at the same moment";
  EXPECT_EQ(exposure.applies.load(), 2) << "OK applies the page shown again";
  EXPECT_EQ(colour.applies.load(), 1) << "a page never shown gets no OK";
  EXPECT_EQ(exposure.infoSizeMismatches.load(), 0);
  EXPECT_EQ(exposure.activations.load(), 1);
  EXPECT_EQ(colour.activations.load(), 0) << "a page gets its window when first selected";
  EXPECT_EQ(exposure.alive.load() + colour.alive.load(), 0) << "the sheet released its pages";

  // The page area in pixels within one dialog unit of what the page asked for.
  int unitX = 0, unitY = 0;
  GetPropSheetBaseUnits(&unitX, &unitY);
  ASSERT_GT(unitX, 0);
  ASSERT_GT(unitY, 0);
  const int width = seen.pageClient.right - seen.pageClient.left;
  const int height = seen.pageClient.bottom - seen.pageClient.top;
  EXPECT_NEAR(width, 420, (unitX + 3) / 4);
  EXPECT_NEAR(height, 260, (unitY + 7) / 8);
  ASSERT_TRUE(seen.shot);
  FILE* cases = fopen("sheet_case.txt", "w");
  ASSERT_NE(cases, nullptr);
  fprintf(cases, "%d %d %d %d %d %d %d %d\n", static_cast<int>(seen.pageOrigin.x), static_cast<int>(seen.pageOrigin.y),
          width, height, 420, 260, unitX, unitY);
  fclose(cases);
}

// No pages to show: the skin's text in an error box once the sheet is gone;
// without the interface, and with an empty list.
TEST_F(SheetTest, NoPagesGiveTheErrorBox) {
  struct Case {
    const char* what;
    bool specifies;
  };
  for (const Case& test : {Case{"no ISpecifyPropertyPages", false}, Case{"an empty page list", true}}) {
    SCOPED_TRACE(test.what);
    FakeDeviceSetup setup = PagedDevice({}, L"Bare Cam");
    setup.specifiesPages = test.specifies;
    COrvelCameraDS camera(CreateFakeCameraMoniker(setup));
    std::wstring boxText;
    bool sheetSeen = false;
    std::thread user([&] {
      HWND box = ui_test::WaitForDialog(mainThread, [&](HWND hWnd) {
        if (SendMessageW(hWnd, PSM_GETTABCONTROL, 0, 0)) {
          sheetSeen = true;
          return false;
        }
        return GetDlgItem(hWnd, 0xFFFF) != nullptr;
      });
      if (!box) return;
      boxText = ui_test::TextOf(GetDlgItem(box, 0xFFFF));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    {
      win32test::CWatchdog watchdog(20000);
      camera.ShowPropertyPages(nullptr, 0);
      EXPECT_FALSE(watchdog.Fired());
    }
    user.join();
    EXPECT_EQ(boxText, L"The camera offers no settings");
    EXPECT_FALSE(sheetSeen);
  }
}

// The page template: an empty child dialog whose size is the page's pixels
// in dialog units of the given base units.
TEST_F(SheetTest, TemplateSizeInDialogUnits) {
  exposure.size = {300, 200};
  int oldX = 0, oldY = 0;
  GetPropSheetBaseUnits(&oldX, &oldY);
  SetPropSheetBaseUnits(6, 13);
  win32::CComPtr<IBaseFilter> filter;
  filter.Attach(CreateFakeVideoFilter(PagedDevice({kExposurePage}, L"")));
  {
    COlePropertySheet sheet(L"Camera Settings");
    ASSERT_TRUE(sheet.AddObjectPages(filter));
    ASSERT_EQ(sheet.GetPages().size(), 1u);
    EXPECT_EQ(sheet.GetCaption(), L"Camera Settings") << "an empty filter name keeps the caption";
    const win32::CDynamicDialogTemplate& tpl = sheet.GetPages()[0]->GetTemplate();
    ASSERT_NE(tpl.Get(), nullptr);
    EXPECT_EQ(tpl.GetUsedSize(), 24u);
    const auto* bytes = reinterpret_cast<const BYTE*>(tpl.Get());
    const auto word = [&](int at) { return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8); };
    EXPECT_EQ(word(0) | word(2) << 16, 0x40000008u);
    EXPECT_EQ(word(4) | word(6) << 16, 0x00010000u);
    EXPECT_EQ(word(8), 0u);
    EXPECT_EQ(word(14), 200u);
    EXPECT_EQ(word(16), 123u);
    EXPECT_EQ(word(18) | word(20) | word(22), 0u);
    EXPECT_EQ(sheet.GetPageCount(), 1);
  }
  SetPropSheetBaseUnits(oldX, oldY);
}

// The camera kind the factory makes, reporting when it is deleted.
class WatchedCamera : public COrvelCameraDS {
 public:
  WatchedCamera(IMoniker* moniker, std::atomic<int>* deleted, std::atomic<HWND>* sheet, bool* sheetAliveAtDelete)
      : COrvelCameraDS(moniker), m_pDeleted(deleted), m_pSheet(sheet), m_pSheetAlive(sheetAliveAtDelete) {}
  ~WatchedCamera() override {
    *m_pSheetAlive = IsWindow(m_pSheet->load()) != 0;
    ++*m_pDeleted;
  }

 private:
  std::atomic<int>* m_pDeleted;
  std::atomic<HWND>* m_pSheet;
  bool* m_pSheetAlive;
};

class WatchedFactory : public CCameraFactory {
 public:
  FakeDeviceSetup setup;
  std::atomic<int> deleted{0};
  std::atomic<HWND> sheet{nullptr};
  bool sheetAliveAtDelete = true;

 protected:
  void EnumerateDevices() override {
    auto* camera = new WatchedCamera(CreateFakeCameraMoniker(setup), &deleted, &sheet, &sheetAliveAtDelete);
    camera->SetName(L"Removed Cam");
    camera->SetDevicePath(L"fake:Removed Cam");
    AddCamera(camera);
  }
};

// Stands in for the main frame: a device-removal notice removes the camera.
class RemovalWindow : public win32::CWindowImpl<RemovalWindow, win32::CWinTraits<WS_POPUP>> {
 public:
  static constexpr UINT kRemove = WM_APP + 41;
  static constexpr UINT kShowAgain = WM_APP + 42;
  CCameraFactory* factory = nullptr;
  BEGIN_MSG_MAP(RemovalWindow)
  MESSAGE_HANDLER(kRemove, OnRemove)
  MESSAGE_HANDLER(kShowAgain, OnShowAgain)
  END_MSG_MAP()
  LRESULT OnShowAgain(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    reinterpret_cast<COrvelCamera*>(wParam)->ShowPropertyPages(m_hWnd, 0);
    ++*reinterpret_cast<std::atomic<int>*>(lParam);
    return 0;
  }
  LRESULT OnRemove(UINT, WPARAM, LPARAM, BOOL&) {
    const wchar_t path[] = L"fake:Removed Cam";
    factory->RemoveCameraByPath(path, static_cast<int>(wcslen(path)));
    return 0;
  }
};

BOOL CALLBACK CountSheet(HWND hWnd, LPARAM count) {
  if (IsWindowVisible(hWnd) && SendMessageW(hWnd, PSM_GETTABCONTROL, 0, 0))
    ++*reinterpret_cast<std::atomic<int>*>(count);
  return TRUE;
}

// Settings asked for again from inside the open sheet (a second menu command
// dispatched by its loop): no second sheet over the first; the first still
// works and closes.
TEST_F(SheetTest, SecondRequestInsideTheSheetStartsNoOther) {
  COrvelCameraDS camera(CreateFakeCameraMoniker(PagedDevice({kExposurePage}, L"Again Cam")));
  RemovalWindow frame;  // its message map is not used here
  ASSERT_NE(frame.Create(nullptr), nullptr);
  std::atomic<int> sheets{0}, innerReturned{0};
  std::thread user([&] {
    HWND sheet =
        ui_test::WaitForDialog(mainThread, [](HWND hWnd) { return SendMessageW(hWnd, PSM_GETTABCONTROL, 0, 0) != 0; });
    if (!sheet) return;
    // The camera panel's button, pressed again while the sheet runs.
    SendMessageW(frame, RemovalWindow::kShowAgain, reinterpret_cast<WPARAM>(&camera),
                 reinterpret_cast<LPARAM>(&innerReturned));
    EnumThreadWindows(mainThread, &CountSheet, reinterpret_cast<LPARAM>(&sheets));
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  });
  {
    win32test::CWatchdog watchdog(20000);
    camera.ShowPropertyPages(frame, 0);
    EXPECT_FALSE(watchdog.Fired());
  }
  user.join();
  EXPECT_EQ(innerReturned.load(), 1);
  EXPECT_EQ(sheets.load(), 1);
  EXPECT_EQ(exposure.alive.load(), 0);
  frame.DestroyWindow();
}

// The device goes while its sheet is open: the sheet is cancelled, and the
// camera is deleted only once the sheet's window is gone.
TEST_F(SheetTest, DeviceRemovalInsideTheSheetCancelsItAndDeletesTheCameraAfter) {
  WatchedFactory factory;
  factory.setup = PagedDevice({kExposurePage}, L"");
  ASSERT_EQ(factory.OpenCameras(), 1);
  ASSERT_EQ(factory.Run(1), CameraRunning);
  RemovalWindow frame;
  frame.factory = &factory;
  ASSERT_NE(frame.Create(nullptr), nullptr);
  std::wstring caption;
  std::thread user([&] {
    HWND sheet =
        ui_test::WaitForDialog(mainThread, [](HWND hWnd) { return SendMessageW(hWnd, PSM_GETTABCONTROL, 0, 0) != 0; });
    if (!sheet) return;
    factory.sheet = sheet;
    caption = ui_test::TextOf(sheet);
    PostMessageW(frame, RemovalWindow::kRemove, 0, 0);
  });
  COrvelCamera* camera = factory.GetCurrentCamera();
  {
    win32test::CWatchdog watchdog(20000);
    camera->ShowPropertyPages(frame, 0);
    EXPECT_FALSE(watchdog.Fired()) << "the sheet was not cancelled";
  }
  user.join();
  EXPECT_EQ(caption, L"Camera Settings");
  EXPECT_EQ(factory.deleted.load(), 1);
  EXPECT_FALSE(factory.sheetAliveAtDelete);
  EXPECT_EQ(factory.GetCameraCount(), 0);
  EXPECT_EQ(factory.GetCurrentCamera(), nullptr);
  EXPECT_EQ(exposure.alive.load(), 0);
  frame.DestroyWindow();
  factory.CloseCameras();
  RegDeleteTreeW(HKEY_CURRENT_USER, CCameraConfig::KeyPath(L"Removed Cam", 0).c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, CCameraConfig::KeyPath(L"Removed Cam", 0).c_str());
}

}  // namespace
