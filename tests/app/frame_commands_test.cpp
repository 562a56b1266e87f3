// The frame's menu, command table, keys, dropped files, device removal and
// power resume, each driven as the system delivers it to the window.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

#include <string>
#include <vector>

#include "capture/Camera.h"
#include "engine/Command.h"
#include "engine/DirectUI.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"
#include "settings/RegisteredMessages.h"
#include "tests/app/frame_fixture.h"
#include "tests/capture/test_camera.h"

namespace {

using Calls = std::vector<std::wstring>;

std::wstring MenuText(HMENU menu, UINT item, BOOL byPosition) {
  wchar_t text[256] = {};
  ::GetMenuStringW(menu, item, text, 256, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
  return text;
}

UINT MenuState(HMENU menu, UINT item, BOOL byPosition) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  ::GetMenuItemInfoW(menu, item, byPosition, &info);
  return info.fState;
}

// Removes the cameras a test added, leaving the factory empty and Stopped.
void ResetCameras(CMainFrame& frame) {
  frame.m_CameraFactory.CloseCameras();
  frame.m_CameraFactory.OpenCameras();
  Pump();
  TakeCalls();
}

TestCamera* AddCamera(CMainFrame& frame, const wchar_t* name, const wchar_t* path = nullptr) {
  auto* camera = new TestCamera(name, 64, 48);
  if (path) camera->SetDevicePath(path);
  EXPECT_TRUE(frame.m_CameraFactory.AddCamera(camera));
  return camera;
}

std::vector<std::wstring> g_opened;
void RecordOpen(const wchar_t* target) { g_opened.emplace_back(target); }
// The strip's error boxes: the fuse command with nothing checked shows one.
std::vector<UINT> g_stripBoxes;
int WINAPI RecordStripBox(HWND, const wchar_t*, const wchar_t*, UINT type) {
  g_stripBoxes.push_back(type);
  return IDOK;
}

TEST(FrameMenu, TranslatesEveryLevelAndKeepsUnknownKeys) {
  HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  ASSERT_NE(menu, nullptr);
  LocalizeFrameMenu(menu);
  EXPECT_EQ(MenuText(menu, 0, TRUE), L"File");
  EXPECT_EQ(MenuText(menu, 5, TRUE), L"Help");
  EXPECT_EQ(MenuText(menu, ID_FILE_OPEN, FALSE), L"Open...\tCtrl+O");
  EXPECT_EQ(MenuText(menu, ID_CAMERA_ALL, FALSE), L"Run All Cameras");
  EXPECT_EQ(MenuText(menu, ID_HISTOGRAM, FALSE), L"Histogram");
  // Separators stay separators.
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE;
  ::GetMenuItemInfoW(::GetSubMenu(menu, 0), 3, TRUE, &info);
  EXPECT_TRUE(info.fType & MFT_SEPARATOR);
  ::DestroyMenu(menu);

  // A context menu like the picture strip's, with a nested popup and a key
  // the skin does not know.
  HMENU strip = ::CreatePopupMenu();
  HMENU inner = ::CreatePopupMenu();
  HMENU innermost = ::CreatePopupMenu();
  ::AppendMenuW(innermost, MF_STRING, 3, L"MFileClearAll");
  ::AppendMenuW(inner, MF_STRING, 1, L"MFileAdd");
  ::AppendMenuW(inner, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(inner, MF_POPUP, reinterpret_cast<UINT_PTR>(innermost), L"NoSuchMenuKey");
  ::AppendMenuW(strip, MF_POPUP, reinterpret_cast<UINT_PTR>(inner), L"MFileFolder");
  ::AppendMenuW(strip, MF_STRING, 2, L"AlsoNotInTheSkin");
  LocalizeFrameMenu(strip);
  EXPECT_EQ(MenuText(strip, 0, TRUE), L"Show in Folder");
  EXPECT_EQ(MenuText(strip, 1, TRUE), L"AlsoNotInTheSkin");
  EXPECT_EQ(MenuText(inner, 0, TRUE), L"Add Pictures...");
  EXPECT_EQ(MenuText(inner, 2, TRUE), L"NoSuchMenuKey");
  EXPECT_EQ(MenuText(innermost, 0, TRUE), L"Clear the Strip");
  ::DestroyMenu(strip);
}

TEST(FrameMenu, StartsWithEditItemsGreyAndCameraPopupGreyWithoutCamera) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(frame.m_hMenu, nullptr);
  EXPECT_EQ(MenuText(frame.m_hMenu, kMenuCamera, TRUE), L"Camera");
  EXPECT_EQ(MenuState(frame.m_hMenu, kMenuCamera, TRUE), static_cast<UINT>(MFS_GRAYED));
  HMENU edit = ::GetSubMenu(frame.m_hMenu, kMenuEdit);
  for (UINT id : {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_REMOVE_ALL})
    EXPECT_EQ(MenuState(edit, id, FALSE), static_cast<UINT>(MFS_GRAYED)) << id;
  EXPECT_FALSE(frame.SetMenuItemState(9, ID_EDIT_UNDO, 0));
}

// The colour dialog runs modally: a thread timer inside its loop notes that it
// opened and cancels it.
BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  StandInCall(L"CDlgColors::DoModal");
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return FALSE;
}
void CALLBACK CancelColourDialog(HWND, UINT, UINT_PTR id, DWORD) {
  if (!::EnumThreadWindows(::GetCurrentThreadId(), CancelDialog, 0)) ::KillTimer(nullptr, id);
}

TEST(FrameCommands, EachCommandReachesItsOperation) {
  CMainFrame& frame = SharedFrame();
  SetShellOpenFunction(RecordOpen);
  SetStripMessageBoxFunction(RecordStripBox);
  g_stripBoxes.clear();
  struct Row {
    WORD id;
    Calls calls;
  };
  const Row rows[] = {
      {ID_FILE_OPEN, {L"CMainFrame::OnFileOpen"}},
      {ID_FILE_SAVE, {L"CMainFrame::OnFileSave"}},
      {ID_FILE_SAVE_AS, {L"CMainFrame::OnFileSaveAs"}},
      {ID_IMAGE_PREVIEW, {L"CMainFrame::RunSlideShow(0)"}},
      {ID_IMAGE_BURN, {L"CMainFrame::RunSlideShow(1)"}},
      {ID_EDIT_UNDO, {L"CWndMeasure::Undo"}},
      {ID_EDIT_REDO, {L"CWndMeasure::Redo"}},
      {ID_EDIT_REMOVE_ALL, {L"CWndMeasure::RemoveAll"}},
      {ID_CAMERA_SETTINGS, {}},  // no camera: nothing
      {ID_CAMERA_COLOR, {L"CDlgColors::DoModal"}},
      {ID_MEASURE_LOAD_RULER, {L"CMainFrame::OnMeasureLoadRuler"}},
      {ID_MEASURE_SAVE_RULER, {L"CMainFrame::OnMeasureSaveRuler"}},
      {ID_MEASURE_LOAD, {L"CMainFrame::OnMeasureLoad"}},
      {ID_MEASURE_SAVE, {L"CMainFrame::OnMeasureSave"}},
      {ID_IMAGE_FUSE, {}},  // the strip's own: its error box, below
      {ID_HISTOGRAM, {}},   // the palette switches the overlay: below
      {ID_TOOL_OPTIONS, {L"CDlgOptions::DoModal"}},
      {ID_APP_ABOUT, {L"CAboutDlg::DoModal"}},
      {ID_HELP_DOCUMENT, {}},
      {ID_HELP_FEEDBACK, {}},
  };
  TakeCalls();
  ASSERT_NE(g_pDirectUI, nullptr);
  const BOOL histogram = g_pDirectUI->IsHistogramShown();
  for (const Row& row : rows) {
    const UINT_PTR timer = row.id == ID_CAMERA_COLOR ? ::SetTimer(nullptr, 0, 50, CancelColourDialog) : 0;
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(row.id, 0), 0);
    if (timer) ::KillTimer(nullptr, timer);
    EXPECT_EQ(TakeCalls(), row.calls) << std::hex << row.id;
  }
  SetStripMessageBoxFunction(nullptr);
  EXPECT_EQ(g_stripBoxes, std::vector<UINT>{MB_ICONERROR});
  // The histogram command went through the palette: overlay and menu check agree.
  EXPECT_NE(g_pDirectUI->IsHistogramShown(), histogram);
  const UINT histogramItem = ::GetMenuState(::GetSubMenu(frame.GetMenu(), 4), 32802, MF_BYCOMMAND);
  EXPECT_EQ((histogramItem & MF_CHECKED) != 0, g_pDirectUI->IsHistogramShown() != FALSE);
  frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_HISTOGRAM, 0), 0);
  EXPECT_EQ(g_pDirectUI->IsHistogramShown(), histogram);
  ASSERT_EQ(g_opened.size(), 2u);
  EXPECT_EQ(g_opened[0], g_Config.CopyAppDir() + L"\\Help\\Measure EN.pdf");
  EXPECT_EQ(g_opened[1].rfind(L"https://", 0), 0u);
  g_opened.clear();
  const DWORD language = g_Config.m_Language;
  g_Config.m_Language = 2052;
  frame.SendMessage(WM_COMMAND, ID_HELP_DOCUMENT, 0);
  g_Config.m_Language = language;
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(g_opened[0], g_Config.CopyAppDir() + L"\\Help\\Measure CHS.pdf");
  g_opened.clear();
  SetShellOpenFunction(nullptr);

  // Exit posts the close; the frame stays until the loop delivers it.
  frame.SendMessage(WM_COMMAND, ID_APP_EXIT, 0);
  MSG msg;
  EXPECT_TRUE(::PeekMessageW(&msg, frame.m_hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

std::wstring g_boxText, g_boxCaption;
UINT g_boxType = 0;
int WINAPI AnswerCancel(HWND, const wchar_t* text, const wchar_t* caption, UINT type) {
  g_boxText = text;
  g_boxCaption = caption;
  g_boxType = type;
  return IDCANCEL;
}
int WINAPI AnswerOk(HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; }

TEST(FrameCommands, RestartQuestionUsesSkinTextsAndClosesOnlyOnOk) {
  CMainFrame& frame = SharedFrame();
  CDlgOptions::s_bNextNeedsRestart = true;
  SetMessageBoxFunction(AnswerCancel);
  frame.SendMessage(WM_COMMAND, ID_TOOL_OPTIONS, 0);
  EXPECT_EQ(g_boxCaption, L"Mensaro");
  EXPECT_EQ(g_boxText.rfind(L"The changed settings", 0), 0u);
  EXPECT_EQ(g_boxType, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
  MSG msg;
  EXPECT_FALSE(::PeekMessageW(&msg, frame.m_hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  SetMessageBoxFunction(AnswerOk);
  frame.SendMessage(WM_COMMAND, ID_TOOL_OPTIONS, 0);
  EXPECT_TRUE(::PeekMessageW(&msg, frame.m_hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  SetMessageBoxFunction(nullptr);
  CDlgOptions::s_bNextNeedsRestart = false;
  TakeCalls();
}

TEST(FrameCommands, MissingSkinTextShowsItsKey) {
  SharedFrame();
  EXPECT_STREQ(SkinTextOrKey(L"Prompt"), L"Mensaro");
  EXPECT_STREQ(SkinTextOrKey(L"eNoSuchKeyInThisSkin"), L"eNoSuchKeyInThisSkin");
  EXPECT_STREQ(SkinTextOrKey(nullptr), L"");
}

TEST(FrameCommands, CameraTogglesFlipTheCurrentCameraAndItsCheckMark) {
  CMainFrame& frame = SharedFrame();
  ResetCameras(frame);
  HMENU camera = ::GetSubMenu(frame.m_hMenu, kMenuCamera);
  // Without a camera the toggles do nothing.
  frame.SendMessage(WM_COMMAND, ID_CAMERA_H, 0);
  EXPECT_EQ(MenuState(camera, ID_CAMERA_H, FALSE), 0u);

  TestCamera* cam = AddCamera(frame, L"toggle");
  EXPECT_EQ(MenuState(frame.m_hMenu, kMenuCamera, TRUE), 0u) << "popup enabled with a current camera";
  struct Row {
    WORD id;
    int (COrvelCamera::*get)();
    int after;  // the camera's value after the first toggle
  };
  const Row rows[] = {{ID_CAMERA_COLOR_BOOST, &COrvelCamera::GetColorCorrection, 1},
                      {ID_CAMERA_GRAY, &COrvelCamera::GetColorful, 0},
                      {ID_CAMERA_H, &COrvelCamera::GetMirrorH, 1},
                      {ID_CAMERA_V, &COrvelCamera::GetMirrorV, 1}};
  for (const Row& row : rows) {
    const int before = (cam->*row.get)();
    frame.SendMessage(WM_COMMAND, row.id, 0);
    EXPECT_EQ((cam->*row.get)(), row.after) << std::hex << row.id;
    EXPECT_EQ(MenuState(camera, row.id, FALSE), static_cast<UINT>(MFS_CHECKED)) << std::hex << row.id;
    frame.SendMessage(WM_COMMAND, row.id, 0);
    EXPECT_EQ((cam->*row.get)(), before);
    EXPECT_EQ(MenuState(camera, row.id, FALSE), 0u);
  }

  // "Run All Cameras" flips the setting and its mark; capture is left alone.
  const DWORD all = g_Config.m_AllCameras;
  TakeCalls();
  frame.SendMessage(WM_COMMAND, ID_CAMERA_ALL, 0);
  EXPECT_EQ(g_Config.m_AllCameras, all ? 0u : 1u);
  EXPECT_EQ(MenuState(camera, ID_CAMERA_ALL, FALSE), g_Config.m_AllCameras ? static_cast<UINT>(MFS_CHECKED) : 0u);
  frame.SendMessage(WM_COMMAND, ID_CAMERA_ALL, 0);
  EXPECT_EQ(g_Config.m_AllCameras, all);
  EXPECT_TRUE(TakeCalls().empty());
  ResetCameras(frame);
  EXPECT_EQ(MenuState(frame.m_hMenu, kMenuCamera, TRUE), static_cast<UINT>(MFS_GRAYED));
}

void SetCtrl(bool down) {
  BYTE keys[256];
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  keys[VK_LCONTROL] = down ? 0x80 : 0;
  ::SetKeyboardState(keys);
}

// Brings the factory to a state with the given number of test cameras.
void PrepareCameras(CMainFrame& frame, int cameras, int state) {
  frame.m_CameraFactory.CloseCameras();
  if (state != CameraClosed) frame.m_CameraFactory.OpenCameras();
  for (int i = 0; i < cameras; ++i) AddCamera(frame, i ? L"second" : L"first");
  if (state == CameraRunning || state == CameraPaused) frame.m_CameraFactory.Run(0);
  if (state == CameraPaused) frame.m_CameraFactory.Pause();
  ASSERT_EQ(frame.m_CameraFactory.GetState(), state);
  ASSERT_EQ(frame.m_CameraFactory.GetCameraCount(), cameras);
  Pump();
  TakeCalls();
}

TEST(FrameKeys, FunctionKeysByCameraCountAndCaptureState) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(g_pDirectUI, nullptr);
  struct Row {
    int cameras;
    int state;
    UINT key;
    Calls calls;
  };
  const Row rows[] = {
      {0, CameraStopped, VK_F2, {}},
      {0, CameraStopped, VK_F9, {}},
      {0, CameraStopped, VK_F11, {}},
      {0, CameraStopped, VK_F12, {}},
      {0, CameraStopped, VK_F4, {}},  // F4 flips the magnifier: below
      {1, CameraRunning, VK_F2, {L"CMainFrame::StopCapture"}},
      {1, CameraPaused, VK_F2, {L"CMainFrame::StartRecording"}},
      {1, CameraStopped, VK_F2, {L"CMainFrame::StartRecording"}},
      {1, CameraClosed, VK_F2, {}},
      {1, CameraRunning, VK_F9, {L"CMainFrame::PauseCapture"}},
      {1, CameraPaused, VK_F9, {L"CMainFrame::StartCapture"}},
      {1, CameraStopped, VK_F9, {L"CMainFrame::StartCapture"}},
      {1, CameraClosed, VK_F9, {L"CMainFrame::StartCapture"}},
      {1, CameraRunning, VK_F11, {L"CMainFrame::StopCapture"}},
      {1, CameraStopped, VK_F11, {L"CMainFrame::StopCapture"}},
      {1, CameraRunning, VK_F12, {L"CMainFrame::TakeSnapshot"}},
      {1, CameraStopped, VK_F12, {L"CMainFrame::TakeSnapshot"}},
      {1, CameraRunning, VK_F4, {}},
      {1, CameraRunning, VK_F5, {}},
  };
  SetCtrl(false);
  for (const Row& row : rows) {
    PrepareCameras(frame, row.cameras, row.state);
    const BOOL magnifier = g_pDirectUI->IsMagnifierShown();
    MSG msg{frame.m_hWnd, WM_KEYDOWN, row.key, 0, 0, {}};
    EXPECT_FALSE(frame.PreTranslateMessage(&msg));
    EXPECT_EQ(TakeCalls(), row.calls) << row.cameras << " cameras, state " << row.state << ", key " << row.key;
    EXPECT_EQ(g_pDirectUI->IsMagnifierShown() != magnifier, row.key == VK_F4) << "key " << row.key;
    // Only key presses count.
    MSG up{frame.m_hWnd, WM_KEYUP, row.key, 0, 0, {}};
    frame.PreTranslateMessage(&up);
    EXPECT_TRUE(TakeCalls().empty());
  }
  ResetCameras(frame);
}

TEST(FrameKeys, CtrlKeysUndoRedoAndTheAcceleratorTable) {
  CMainFrame& frame = SharedFrame();
  struct Row {
    bool ctrl;
    UINT key;
    BOOL translated;
    Calls calls;
  };
  const Row rows[] = {
      {true, 'Z', FALSE, {L"CWndMeasure::Undo"}},
      {true, 'Y', FALSE, {L"CWndMeasure::Redo"}},
      {false, 'Z', FALSE, {}},
      {false, 'Y', FALSE, {}},
      {true, 'O', TRUE, {L"CMainFrame::OnFileOpen"}},
      {true, 'S', TRUE, {L"CMainFrame::OnFileSave"}},
      {false, 'O', FALSE, {}},
      {true, 'A', FALSE, {}},
  };
  TakeCalls();
  for (const Row& row : rows) {
    SetCtrl(row.ctrl);
    MSG msg{frame.m_hWnd, WM_KEYDOWN, row.key, 0, 0, {}};
    EXPECT_EQ(frame.PreTranslateMessage(&msg), row.translated) << row.key;
    EXPECT_EQ(TakeCalls(), row.calls) << row.ctrl << " " << static_cast<char>(row.key);
  }
  SetCtrl(false);
}

// Counts the key presses an edit control receives.
int g_editKeys = 0;
LRESULT CALLBACK CountKeys(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_KEYDOWN) ++g_editKeys;
  return ::DefSubclassProc(hWnd, msg, wParam, lParam);
}

TEST(FrameKeys, ActedOnKeyStillReachesTheFocusedEdit) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(g_pDirectUI, nullptr);
  HWND edit =
      ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, frame.m_hWnd, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  ::SetWindowSubclass(edit, CountKeys, 1, 0);
  win32::CMessageLoop* loop = g_AppModule.GetMessageLoop();
  ASSERT_NE(loop, nullptr);
  TakeCalls();
  const struct {
    bool ctrl;
    UINT key;
    const wchar_t* call;
  } keys[] = {{false, VK_F4, nullptr}, {true, 'Z', L"CWndMeasure::Undo"}};
  for (const auto& key : keys) {
    const BOOL magnifier = g_pDirectUI->IsMagnifierShown();
    SetCtrl(key.ctrl);
    g_editKeys = 0;
    ::PostMessageW(edit, WM_KEYDOWN, key.key, 1);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!loop->PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    EXPECT_EQ(g_editKeys, 1);
    EXPECT_EQ(TakeCalls(), key.call ? Calls{key.call} : Calls{});
    EXPECT_EQ(g_pDirectUI->IsMagnifierShown() != magnifier, key.key == VK_F4);
  }
  SetCtrl(false);
  ::DestroyWindow(edit);
}

// A real drop record as the shell makes it: DROPFILES and a double-ended list.
HDROP MakeDrop(const std::vector<std::wstring>& names) {
  size_t chars = 1;
  for (const auto& name : names) chars += name.size() + 1;
  HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* files = static_cast<DROPFILES*>(::GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  auto* out = reinterpret_cast<wchar_t*>(files + 1);
  for (const auto& name : names) {
    std::wmemcpy(out, name.c_str(), name.size() + 1);
    out += name.size() + 1;
  }
  *out = 0;
  ::GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST(FrameDrop, OpensPicturesAndVideosByExtensionOnly) {
  CMainFrame& frame = SharedFrame();
  TakeCalls();
  const std::vector<std::wstring> names = {L"C:\\pictures\\A.JPG", L"C:\\pictures\\b.jpeg", L"C:\\pictures\\c.png",
                                           L"C:\\pictures\\nodot", L"C:\\a.b\\c",           L"C:\\pictures\\d.Bmp",
                                           L"C:\\v\\e.avi",        L"C:\\v\\f.WMV",         L"C:\\v\\g.jpe",
                                           L"C:\\v\\h.raw",        L"C:\\v\\i.JPEG"};
  frame.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names)), 0);
  const Calls expected = {L"CMainFrame::OpenFile(C:\\pictures\\A.JPG)", L"CMainFrame::OpenFile(C:\\pictures\\b.jpeg)",
                          L"CMainFrame::OpenFile(C:\\pictures\\d.Bmp)", L"CMainFrame::OpenFile(C:\\v\\e.avi)",
                          L"CMainFrame::OpenFile(C:\\v\\f.WMV)",        L"CMainFrame::OpenFile(C:\\v\\i.JPEG)"};
  EXPECT_EQ(TakeCalls(), expected);
}

// A device-interface notification as the system sends it.
std::vector<BYTE> DeviceRecord(const wchar_t* name, DWORD type = DBT_DEVTYP_DEVICEINTERFACE) {
  const size_t nameBytes = (std::wcslen(name) + 1) * sizeof(wchar_t);
  std::vector<BYTE> record(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + nameBytes);
  auto* device = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(record.data());
  device->dbcc_size = static_cast<DWORD>(record.size());
  device->dbcc_devicetype = type;
  std::memcpy(device->dbcc_name, name, nameBytes);
  return record;
}

TEST(FrameDevices, RemovalTakesTheCameraWhosePathBeginsWithTheDevicePart) {
  CMainFrame& frame = SharedFrame();
  ResetCameras(frame);
  ASSERT_STREQ(frame.m_szUsbInterface, L"{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
  const wchar_t* kGuid = L"{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
  TestCamera* a = AddCamera(frame, L"a", (std::wstring(L"\\\\?\\usb#vid_aaaa&pid_0001#5&1#") + kGuid).c_str());
  TestCamera* b = AddCamera(frame, L"b", (std::wstring(L"\\\\?\\usb#vid_bbbb&pid_0002#5&2#") + kGuid).c_str());
  (void)a;
  struct Row {
    const wchar_t* name;
    WPARAM event;
    DWORD type;
    int remaining;
  };
  const Row rows[] = {
      // Not a camera's device, not an interface record, not a removal or arrival: nothing.
      {L"\\\\?\\USB#VID_CCCC&PID_0003#5&3#{A5DCBF10-6530-11D2-901F-00C04FB951ED}", DBT_DEVICEREMOVECOMPLETE,
       DBT_DEVTYP_DEVICEINTERFACE, 2},
      {L"\\\\?\\USB#VID_AAAA&PID_0001#5&1#{A5DCBF10-6530-11D2-901F-00C04FB951ED}", DBT_DEVICEREMOVECOMPLETE,
       DBT_DEVTYP_VOLUME, 2},
      {L"\\\\?\\USB#VID_AAAA&PID_0001#5&1#{A5DCBF10-6530-11D2-901F-00C04FB951ED}", DBT_DEVICEQUERYREMOVE,
       DBT_DEVTYP_DEVICEINTERFACE, 2},
      // The class text must follow at least one character.
      {L"{a5dcbf10-6530-11d2-901f-00c04fb951ed}", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, 2},
      {L"\\\\?\\USB#VID_AAAA&PID_0001#5&1#no-class", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, 2},
      // Camera a's device, letter case ignored.
      {L"\\\\?\\USB#VID_AAAA&PID_0001#5&1#{A5DCBF10-6530-11D2-901F-00C04FB951ED}", DBT_DEVICEREMOVECOMPLETE,
       DBT_DEVTYP_DEVICEINTERFACE, 1},
  };
  for (const Row& row : rows) {
    std::vector<BYTE> record = DeviceRecord(row.name, row.type);
    EXPECT_EQ(frame.SendMessage(WM_DEVICECHANGE, row.event, reinterpret_cast<LPARAM>(record.data())), TRUE);
    EXPECT_EQ(frame.m_CameraFactory.GetCameraCount(), row.remaining) << row.name;
  }
  ASSERT_EQ(frame.m_CameraFactory.GetCameraCount(), 1);
  EXPECT_EQ(frame.m_CameraFactory.GetCameras()[0], b);
  // A record whose size cuts the name short reads only what lies inside it.
  std::vector<BYTE> cut = DeviceRecord(L"\\\\?\\USB#VID_BBBB&PID_0002#5&2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
  reinterpret_cast<DEV_BROADCAST_HDR*>(cut.data())->dbch_size -= 8 * sizeof(wchar_t);
  frame.SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(cut.data()));
  EXPECT_EQ(frame.m_CameraFactory.GetCameraCount(), 1);
  EXPECT_EQ(frame.SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0), TRUE);
  // An arrival of a listed camera's device path removes it too (no camera is added on arrival).
  std::vector<BYTE> arrival = DeviceRecord(L"\\\\?\\USB#VID_BBBB&PID_0002#5&2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
  frame.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(arrival.data()));
  EXPECT_EQ(frame.m_CameraFactory.GetCameraCount(), 0);
  ResetCameras(frame);
}

std::vector<int> g_canvasCommands;
LRESULT CALLBACK RecordCanvasCommands(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_DIRECTUI_COMMAND && lParam)
    g_canvasCommands.push_back(reinterpret_cast<const DirectUICommand*>(lParam)->command);
  return ::DefSubclassProc(hWnd, msg, wParam, lParam);
}

TEST(FramePower, ResumeResetsTheCanvasDevice) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(g_pDirectUI, nullptr);
  ASSERT_NE(g_pDirectUI->m_hWnd, nullptr);
  ::SetWindowSubclass(g_pDirectUI->m_hWnd, RecordCanvasCommands, 7, 0);
  g_canvasCommands.clear();
  EXPECT_EQ(frame.SendMessage(WM_POWERBROADCAST, PBT_APMSUSPEND, 0), 0);
  EXPECT_TRUE(g_canvasCommands.empty());
  EXPECT_EQ(frame.SendMessage(WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0), 0);
  EXPECT_EQ(g_canvasCommands, std::vector<int>{CANVAS_RESET_DEVICE});
  ::RemoveWindowSubclass(g_pDirectUI->m_hWnd, RecordCanvasCommands, 7);
}

TEST(FrameMessages, RegisteredMessagesAndSizeLimit) {
  CMainFrame& frame = SharedFrame();
  TakeCalls();
  EXPECT_EQ(static_cast<UINT>(frame.SendMessage(WM_INSTANCE_PING)), WM_INSTANCE_PING);
  frame.SendMessage(WM_LOAD_RECENT_IMAGES);
  frame.SendMessage(WM_CAPTURE_STOPPED);
  frame.SendMessage(WM_UPDATE_AVAILABLE);
  EXPECT_EQ(TakeCalls(),
            (Calls{L"CRecentImages::Start", L"CMainFrame::OnCaptureStopped", L"CMainFrame::OnUpdateAvailable"}));
  MINMAXINFO info{};
  frame.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 1024);
  EXPECT_EQ(info.ptMinTrackSize.y, 720);
  // Sizing smaller than that is held at the limit; the view fills the client area.
  frame.SetWindowPos(nullptr, 0, 0, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  RECT rc{};
  frame.GetWindowRect(&rc);
  EXPECT_GE(rc.right - rc.left, 1024);
  EXPECT_GE(rc.bottom - rc.top, 720);
  RECT client{}, view{};
  frame.GetClientRect(&client);
  frame.m_view.GetClientRect(&view);
  EXPECT_EQ(view.right, client.right);
  EXPECT_EQ(view.bottom, client.bottom);
}

}  // namespace
