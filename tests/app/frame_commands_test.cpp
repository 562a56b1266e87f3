// The frame's menu, command table, keys, dropped files, device removal and
// power resume, each driven as the system delivers it to the window.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

#include <string>
#include <vector>

#include "app/DlgOptions.h"
#include "app/MeasureFiles.h"
#include "capture/Camera.h"
#include "engine/Command.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "panels/MeasureList.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"
#include "settings/RegisteredMessages.h"
#include "tests/app/frame_fixture.h"
#include "tests/app/project_fixture.h"
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

// Counts the recordings it is asked to start and starts none.
class RecordingCamera : public TestCamera {
 public:
  using TestCamera::TestCamera;
  int StartRecording() override {
    ++m_nRecordings;
    return 0;
  }
  int m_nRecordings = 0;
};

TestCamera* AddCamera(CMainFrame& frame, const wchar_t* name, const wchar_t* path = nullptr) {
  auto* camera = new RecordingCamera(name, 64, 48);
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

// The colour, Options, slide-show and About dialogs run modally: a thread
// timer inside their loop notes which one opened and cancels it.
BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  // Told apart by a control of their own; the Options dialog holds its
  // pages as child dialogs.
  if (::FindWindowExW(window, nullptr, L"#32770", nullptr))
    StandInCall(L"CDlgOptions::DoModal");
  else if (::GetDlgItem(window, 1045))
    StandInCall(L"CDlgSlide::DoModal");
  else if (::GetDlgItem(window, 1002))
    StandInCall(L"CAboutDlg::DoModal");
  else
    StandInCall(L"CDlgColors::DoModal");
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return FALSE;
}
void CALLBACK CancelModalDialog(HWND, UINT, UINT_PTR id, DWORD) {
  if (!::EnumThreadWindows(::GetCurrentThreadId(), CancelDialog, 0)) ::KillTimer(nullptr, id);
}

// Any other modal dialog: the timer notes its caption and cancels it.
BOOL CALLBACK CancelNamedDialog(HWND window, LPARAM) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  wchar_t caption[128] = {};
  ::GetWindowTextW(window, caption, 128);
  StandInCall(L"Dialog(%ls)", caption);
  ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return FALSE;
}
void CALLBACK CancelAnyDialog(HWND, UINT, UINT_PTR id, DWORD) {
  if (!::EnumThreadWindows(::GetCurrentThreadId(), CancelNamedDialog, 0)) ::KillTimer(nullptr, id);
}

// Makes the document the frame's current one; returns the one before.
CDTImage* SwapCurrentDocument(CDTImage* document) {
  CDTImage* const before = SharedFrame().m_pCurrentDocument;
  SharedFrame().m_pCurrentDocument = document;
  return before;
}

// The file commands' dialogs and boxes, recorded and cancelled.
BOOL WINAPI RecordOpenDialog(OPENFILENAMEW*) {
  StandInCall(L"GetOpenFileName");
  return FALSE;
}
BOOL WINAPI RecordSaveDialog(OPENFILENAMEW*) {
  StandInCall(L"GetSaveFileName");
  return FALSE;
}
int WINAPI RecordFileBox(HWND, const wchar_t* text, const wchar_t*, UINT) {
  StandInCall(L"MessageBox(%ls)", text);
  return IDOK;
}
struct RecordFileCommands {
  RecordFileCommands() {
    SetOpenFileNameFunction(RecordOpenDialog);
    SetSaveFileNameFunction(RecordSaveDialog);
    SetFileMessageBoxFunction(RecordFileBox);
  }
  ~RecordFileCommands() {
    SetOpenFileNameFunction(nullptr);
    SetSaveFileNameFunction(nullptr);
    SetFileMessageBoxFunction(nullptr);
  }
};

TEST(FrameCommands, EachCommandReachesItsOperation) {
  RecordFileCommands files;
  // A current document without a picture, whatever earlier tests showed.
  CDTImage empty;
  CDTImage* const current = SwapCurrentDocument(&empty);
  CMainFrame& frame = SharedFrame();
  SetShellOpenFunction(RecordOpen);
  SetStripMessageBoxFunction(RecordStripBox);
  g_stripBoxes.clear();
  struct Row {
    WORD id;
    Calls calls;
  };
  const Row rows[] = {
      {ID_FILE_OPEN, {L"open dialog"}},
      // The current document holds no picture.
      {ID_FILE_SAVE, {L"MessageBox(There is no picture to save.)"}},
      {ID_FILE_SAVE_AS, {L"MessageBox(There is no picture to save.)"}},
      {ID_IMAGE_PREVIEW, {L"CDlgSlide::DoModal"}},
      {ID_IMAGE_BURN, {L"CDlgSlide::DoModal"}},
      {ID_EDIT_UNDO, {}},  // the measurement list's: EditCommandsReachTheMeasurementList
      {ID_EDIT_REDO, {}},
      {ID_EDIT_REMOVE_ALL, {}},
      {ID_CAMERA_SETTINGS, {}},  // no camera: nothing
      {ID_CAMERA_COLOR, {L"CDlgColors::DoModal"}},
      {ID_MEASURE_LOAD_RULER, {L"Dialog(Load Ruler)"}},
      {ID_MEASURE_SAVE_RULER, {}},  // no picture: no ruler to store
      {ID_MEASURE_LOAD, {L"GetOpenFileName"}},
      {ID_MEASURE_SAVE, {L"GetSaveFileName"}},
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
    const bool modal = row.id == ID_CAMERA_COLOR || row.id == ID_TOOL_OPTIONS || row.id == ID_IMAGE_PREVIEW ||
                       row.id == ID_IMAGE_BURN || row.id == ID_APP_ABOUT;
    const UINT_PTR timer = modal                             ? ::SetTimer(nullptr, 0, 50, CancelModalDialog)
                           : row.id == ID_MEASURE_LOAD_RULER ? ::SetTimer(nullptr, 0, 50, CancelAnyDialog)
                                                             : 0;
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
  SwapCurrentDocument(current);
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

// Inside the Options dialog's loop: picks the other language and presses OK.
BOOL CALLBACK ChangeLanguage(HWND window, LPARAM) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  HWND page = ::FindWindowExW(window, nullptr, L"#32770", nullptr);
  if (!page) return TRUE;
  while (page && !::GetDlgItem(page, IDC_OPT_LANGUAGE)) page = ::FindWindowExW(window, page, L"#32770", nullptr);
  HWND language = ::GetDlgItem(page, IDC_OPT_LANGUAGE);
  ::SendMessageW(language, CB_SETCURSEL, g_Config.m_Language == 2052 ? 0 : 1, 0);
  ::SendMessageW(::GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
  return FALSE;
}
void CALLBACK ChangeLanguageInOptions(HWND, UINT, UINT_PTR id, DWORD) {
  if (!::EnumThreadWindows(::GetCurrentThreadId(), ChangeLanguage, 0)) ::KillTimer(nullptr, id);
}

TEST(FrameCommands, RestartQuestionUsesSkinTextsAndClosesOnlyOnOk) {
  CMainFrame& frame = SharedFrame();
  const DWORD language = g_Config.m_Language;
  SetMessageBoxFunction(AnswerCancel);
  UINT_PTR timer = ::SetTimer(nullptr, 0, 50, ChangeLanguageInOptions);
  frame.SendMessage(WM_COMMAND, ID_TOOL_OPTIONS, 0);
  ::KillTimer(nullptr, timer);
  g_Config.m_Language = language;
  EXPECT_EQ(g_boxCaption, L"Mensaro");
  EXPECT_EQ(g_boxText.rfind(L"The changed settings", 0), 0u);
  EXPECT_EQ(g_boxType, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
  MSG msg;
  EXPECT_FALSE(::PeekMessageW(&msg, frame.m_hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  SetMessageBoxFunction(AnswerOk);
  timer = ::SetTimer(nullptr, 0, 50, ChangeLanguageInOptions);
  frame.SendMessage(WM_COMMAND, ID_TOOL_OPTIONS, 0);
  ::KillTimer(nullptr, timer);
  g_Config.m_Language = language;
  g_Config.Save();
  EXPECT_TRUE(::PeekMessageW(&msg, frame.m_hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  SetMessageBoxFunction(nullptr);
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

// The calls of panels other than the camera panel and the status strip, which
// follow every change of the capture state.
Calls CallsBesideCapture() {
  Calls kept;
  for (const std::wstring& call : TakeCalls())
    if (call.rfind(L"CWndCamera::", 0) != 0 && call.rfind(L"CWndStatus::", 0) != 0) kept.push_back(call);
  return kept;
}

TEST(FrameKeys, FunctionKeysByCameraCountAndCaptureState) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(g_pDirectUI, nullptr);
  // What a key did: the capture state afterwards, the first camera's
  // recording (requested or started) and snapshot request, the magnifier.
  struct Row {
    int cameras;
    int state;
    UINT key;
    int stateAfter;
    int record;
    int snapshot;
    Calls calls;
  };
  const Row rows[] = {
      {0, CameraStopped, VK_F2, CameraStopped, 0, 0, {}},
      {0, CameraStopped, VK_F9, CameraStopped, 0, 0, {}},
      {0, CameraStopped, VK_F11, CameraStopped, 0, 0, {}},
      {0, CameraStopped, VK_F12, CameraStopped, 0, 0, {}},
      {0, CameraStopped, VK_F4, CameraStopped, 0, 0, {}},  // F4 flips the magnifier: below
      // F2 while running stops (and so finishes the recording); otherwise it
      // requests a recording and starts capture.
      {1, CameraRunning, VK_F2, CameraStopped, 0, 0, {}},
      {1, CameraPaused, VK_F2, CameraRunning, 1, 0, {}},
      {1, CameraStopped, VK_F2, CameraRunning, 1, 0, {}},
      {1, CameraClosed, VK_F2, CameraClosed, 0, 0, {}},
      {1, CameraRunning, VK_F9, CameraPaused, 0, 0, {}},
      {1, CameraPaused, VK_F9, CameraRunning, 0, 0, {}},
      {1, CameraStopped, VK_F9, CameraRunning, 0, 0, {}},
      {1, CameraClosed, VK_F9, CameraClosed, 0, 0, {}},
      {1, CameraRunning, VK_F11, CameraStopped, 0, 0, {}},
      {1, CameraStopped, VK_F11, CameraStopped, 0, 0, {}},
      {1, CameraRunning, VK_F12, CameraRunning, 0, 1, {}},
      {1, CameraStopped, VK_F12, CameraRunning, 0, 1, {}},
      {1, CameraRunning, VK_F4, CameraRunning, 0, 0, {}},
      {1, CameraRunning, VK_F5, CameraRunning, 0, 0, {}},
  };
  SetCtrl(false);
  g_Config.m_AutoSnap = 0;
  g_Config.m_ImageStill = 0;
  for (const Row& row : rows) {
    PrepareCameras(frame, row.cameras, row.state);
    const BOOL magnifier = g_pDirectUI->IsMagnifierShown();
    MSG msg{frame.m_hWnd, WM_KEYDOWN, row.key, 0, 0, {}};
    EXPECT_FALSE(frame.PreTranslateMessage(&msg));
    const std::string what = std::to_string(row.cameras) + " cameras, state " + std::to_string(row.state) + ", key " +
                             std::to_string(row.key);
    EXPECT_EQ(frame.m_CameraFactory.GetState(), row.stateAfter) << what;
    if (row.cameras > 0) {
      auto* camera = static_cast<RecordingCamera*>(frame.m_CameraFactory.GetCameras()[0]);
      // A request is kept while paused and honoured by the start from stopped.
      EXPECT_EQ(camera->m_bRecordRequest + camera->m_nRecordings, row.record) << what;
      EXPECT_EQ(camera->m_bSnapshotRequest, row.snapshot) << what;
    }
    Pump();
    EXPECT_EQ(CallsBesideCapture(), row.calls) << what;
    EXPECT_EQ(g_pDirectUI->IsMagnifierShown() != magnifier, row.key == VK_F4) << what;
    // Only key presses count.
    const int state = frame.m_CameraFactory.GetState();
    MSG up{frame.m_hWnd, WM_KEYUP, row.key, 0, 0, {}};
    frame.PreTranslateMessage(&up);
    EXPECT_EQ(frame.m_CameraFactory.GetState(), state);
    EXPECT_TRUE(TakeCalls().empty());
  }
  ResetCameras(frame);
}

TEST(FrameKeys, CtrlKeysUndoRedoAndTheAcceleratorTable) {
  CMainFrame& frame = SharedFrame();
  RecordFileCommands files;
  // No current document: Save answers with its message at once.
  CDTImage* const current = frame.m_pCurrentDocument;
  frame.m_pCurrentDocument = nullptr;
  struct Row {
    bool ctrl;
    UINT key;
    BOOL translated;
    Calls calls;
  };
  const Row rows[] = {
      {true, 'Z', FALSE, {}},  // the measurement list's: EditCommandsReachTheMeasurementList
      {true, 'Y', FALSE, {}},
      {false, 'Z', FALSE, {}},
      {false, 'Y', FALSE, {}},
      {true, 'O', TRUE, {L"open dialog"}},
      {true, 'S', TRUE, {L"MessageBox(There is no picture to save.)"}},
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
  frame.m_pCurrentDocument = current;
}

// Undo and redo from the menu and the keys run through the measurement list
// on its document's history.
TEST(FrameKeys, EditCommandsReachTheMeasurementList) {
  CMainFrame& frame = SharedFrame();
  CWndMeasure& measure = frame.m_view.m_wndProcess.m_wndMeasure;
  CDTImage* const shown = measure.m_pDocument;
  CDTImage* const live = frame.m_pLiveDocument;
  ASSERT_NE(live, nullptr);
  measure.SetDocument(live);
  live->PushHistory();
  live->PushHistory();
  ASSERT_TRUE(live->m_history.CanUndo());
  ASSERT_FALSE(live->m_history.CanRedo());
  frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_EDIT_UNDO, 0), 0);
  EXPECT_TRUE(live->m_history.CanRedo());
  frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_EDIT_REDO, 0), 0);
  EXPECT_FALSE(live->m_history.CanRedo());
  SetCtrl(true);
  MSG undo{frame.m_hWnd, WM_KEYDOWN, 'Z', 0, 0, {}};
  frame.PreTranslateMessage(&undo);
  EXPECT_TRUE(live->m_history.CanRedo());
  MSG redo{frame.m_hWnd, WM_KEYDOWN, 'Y', 0, 0, {}};
  frame.PreTranslateMessage(&redo);
  EXPECT_FALSE(live->m_history.CanRedo());
  SetCtrl(false);
  measure.SetDocument(shown);
  TakeCalls();
}

// The Edit menu follows the measurement list at one element (the ruler
// alone) and at two, and after the figure's removal.
TEST(FrameKeys, EditMenuFollowsTheFiguresOfTheDocument) {
  CMainFrame& frame = SharedFrame();
  CDirectUI* canvas = g_pDirectUI;
  ASSERT_TRUE(canvas && canvas->m_hWnd);
  CDTImage* const before = canvas->m_pActiveImage;
  const int tool = canvas->m_nTool;
  HMENU edit = ::GetSubMenu(frame.m_hMenu, kMenuEdit);
  const auto state = [edit](UINT id) { return MenuState(edit, id, FALSE); };
  const UINT grey = MFS_GRAYED;
  CDTImage document;
  RECT rc{0, 0, 400, 300};
  document.Create(canvas, nullptr, L"document", &rc);
  std::vector<uint32_t> grey32(400 * 300, 0xFF808080u);
  document.UploadFrame(grey32.data(), 400, 300, 400 * 4, nullptr);
  canvas->SetActiveImage(&document, TRUE);
  ASSERT_EQ(frame.m_view.m_wndProcess.m_wndMeasure.m_pDocument, &document);
  EXPECT_EQ(state(ID_EDIT_REMOVE_ALL), grey);
  EXPECT_EQ(state(ID_EDIT_UNDO), grey);
  EXPECT_EQ(state(ID_EDIT_REDO), grey);

  canvas->SetTool(DRAW_LINE);
  ASSERT_TRUE(canvas->AddFigureAtCenter());
  ASSERT_EQ(document.m_children.size(), 2u);
  EXPECT_EQ(state(ID_EDIT_REMOVE_ALL), 0u);
  document.DeleteFigure(document.m_children[1]);
  EXPECT_EQ(state(ID_EDIT_REMOVE_ALL), grey);

  canvas->SetTool(tool);
  canvas->SetActiveImage(before, TRUE);
  canvas->DetachElement(&document);
  TakeCalls();
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
  } keys[] = {{false, VK_F4, nullptr}, {true, 'Z', nullptr}};
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

uint32_t DropColour(int x, int y) { return uint32_t(x * 9 + y * 3); }

// Every file holds a picture, so what was opened shows in the project list
// (videos holding one do not play and leave nothing listed).
TEST(FrameDrop, OpensPicturesAndVideosByExtensionOnly) {
  CMainFrame& frame = SharedFrame();
  frame.m_ProjectManager.RemoveAll();
  const std::wstring folder = projecttest::FreshFolder(L"dropped");
  for (const wchar_t* name :
       {L"A.JPG", L"b.jpeg", L"c.png", L"nodot", L"d.Bmp", L"e.avi", L"f.WMV", L"g.jpe", L"h.raw", L"i.JPEG"})
    ASSERT_TRUE(projecttest::WriteBmp24(folder + L"\\" + name, 8, 8, DropColour));
  std::vector<std::wstring> names;
  for (const wchar_t* name :
       {L"A.JPG", L"b.jpeg", L"c.png", L"nodot", L"d.Bmp", L"e.avi", L"f.WMV", L"g.jpe", L"h.raw", L"i.JPEG"})
    names.push_back(folder + L"\\" + name);
  names.insert(names.begin() + 4, L"C:\\a.b\\c");
  TakeCalls();
  frame.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names)), 0);
  std::vector<std::wstring> expected;
  for (const wchar_t* name : {L"A.JPG", L"b.jpeg", L"d.Bmp", L"i.JPEG"}) expected.push_back(folder + L"\\" + name);
  EXPECT_EQ(frame.m_ProjectManager.CopyPaths(), expected);
  for (const std::wstring& call : TakeCalls()) EXPECT_EQ(call.find(L"CDlgBayer"), std::wstring::npos);
  if (g_pDirectUI) g_pDirectUI->SetActiveImage(frame.m_ProjectManager.GetLiveDocument(), TRUE);
  frame.m_ProjectManager.RemoveAll();
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
  // The loader was started (once: the frame's creation posted the same message).
  EXPECT_TRUE(frame.m_RecentImages.m_bStarted);
  // Nothing recorded: the stop's finishing has nothing to ask.
  EXPECT_EQ(frame.SendMessage(WM_CAPTURE_STOPPED), 0);
  // The download question goes to the update object; once the update object
  // is closing (a frame of these tests closed) it answers no without asking.
  const CUpdate::MessageBoxFn oldBox = CUpdate::s_pfnMessageBox;
  for (const int answer : {IDYES, IDNO}) {
    static int s_answer, s_asked;
    s_answer = answer;
    s_asked = 0;
    CUpdate::s_pfnMessageBox = [](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
      ++s_asked;
      EXPECT_EQ(owner, g_pMainFrame->m_hWnd);
      EXPECT_STREQ(text, ShellText(L"newVersionAvaiable"));
      EXPECT_STREQ(caption, ShellText(L"Prompt"));
      EXPECT_EQ(type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
      return s_answer;
    };
    const bool closing = GetUpdateObject()->IsClosing();
    EXPECT_EQ(frame.SendMessage(WM_UPDATE_AVAILABLE), !closing && answer == IDYES ? 1 : 0);
    EXPECT_EQ(s_asked, closing ? 0 : 1);
  }
  CUpdate::s_pfnMessageBox = oldBox;
  EXPECT_TRUE(TakeCalls().empty());
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
