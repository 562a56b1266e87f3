// The main window: owns the main view with the work area, the projects, the
// recent pictures, the cameras and the audio inputs; routes commands, keys
// and the canvas's and cameras' events to the panels.
#pragma once

#include <windows.h>

#include <dbt.h>

#include "app/MeasureView.h"
#include "app/AboutDlg.h"
#include "app/DlgOptions.h"
#include "app/FrameCapture.h"
#include "app/ProjectManager.h"
#include "app/RecentImages.h"
#include "app/StandInCalls.h"
#include "app/Update.h"
#include "capture/AudioFactory.h"
#include "capture/SlideShow.h"
#include "capture/CameraFactory.h"
#include "engine/MeasureObserver.h"
#include "win32/MessageLoop.h"
#include "win32/Window.h"

class CDTImage;
class CWndStatus;

// Resource id of the caption string, menu, accelerator table and icon.
inline constexpr int IDR_MAINFRAME = 128;

// Menu commands.
enum MainFrameCommand : WORD {
  ID_FILE_OPEN = 0xE101,
  ID_FILE_SAVE = 0xE103,
  ID_FILE_SAVE_AS = 0xE104,
  ID_IMAGE_PREVIEW = 0x8023,
  ID_IMAGE_BURN = 0x8024,
  ID_APP_EXIT = 0xE141,
  ID_EDIT_UNDO = 0xE12B,
  ID_EDIT_REDO = 0xE12C,
  ID_EDIT_REMOVE_ALL = 0x802A,
  ID_CAMERA_SETTINGS = 0x8008,
  ID_CAMERA_COLOR = 0x800A,
  ID_CAMERA_COLOR_BOOST = 0x800B,
  ID_CAMERA_GRAY = 0x800C,
  ID_CAMERA_H = 0x800D,
  ID_CAMERA_V = 0x800E,
  ID_CAMERA_ALL = 0x800F,
  ID_MEASURE_LOAD_RULER = 0x8010,
  ID_MEASURE_SAVE_RULER = 0x8011,
  ID_MEASURE_LOAD = 0x8013,
  ID_MEASURE_SAVE = 0x8012,
  ID_IMAGE_FUSE = 0x8020,
  ID_HISTOGRAM = 0x8022,
  ID_TOOL_OPTIONS = 0x8021,
  ID_HELP_DOCUMENT = 0x8017,
  ID_HELP_FEEDBACK = 0x8018,
  ID_APP_ABOUT = 0xE140,
};

// Top-level menu positions.
inline constexpr int kMenuFile = 0;
inline constexpr int kMenuEdit = 1;
inline constexpr int kMenuCamera = 2;

// An empty object the frame keeps for its whole life.
class CCorrector {
 public:
  virtual ~CCorrector() = default;
};

// Translates a menu and its sub-menus in place: every string item whose text
// is a key of the skin's texts gets that text; other items keep theirs.
void LocalizeFrameMenu(HMENU menu);

// The skin's text of a key, or the key itself when the skin lacks it.
const wchar_t* SkinTextOrKey(const wchar_t* key);

// Enumeration callback of the single-instance search; parameter is the
// handle of this process's own frame window (or null).
BOOL CALLBACK FindInstanceWindowProc(HWND window, LPARAM parameter);
// How long the search waits for one window's answer.
inline constexpr UINT kInstancePingTimeoutMs = 250;

inline constexpr wchar_t kInstanceMutexName[] = L"4C848BBC-3DD2-406f-A182-0B5BA7DBA554";
inline constexpr wchar_t kLiveDocumentName[] = L"BB8790B1-630A-4378-B5AE-ED31E5BB2FC2";
inline constexpr DWORD kFrameStyle = 0x06CF0000;
inline constexpr DWORD kFrameExStyle = 0x00040100;
inline constexpr DWORD kViewStyle = 0x56000000;

class CMainFrame : public win32::CWindowImpl<CMainFrame, win32::CFrameWinTraits>,
                   public win32::CMessageFilter,
                   public win32::CIdleHandler,
                   public CDirectUIMeasureObserver,
                   public COrvelCameraFactoryObserver {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  CMainFrame();
  ~CMainFrame() override;
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Creates the frame window at its first size with caption, menu and
  // accelerators 128; null when creation failed.
  HWND CreateFrame();

  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnIdle() override;

  BOOL SetMenuItemState(int popup, UINT command, UINT state);
  void UpdateCameraMenu();
  void OnDeviceInterfaceChange(const wchar_t* name, int arrived);

  // Canvas events.
  void OnFigureAdded(CDTElement* figure) override;
  void OnFigureSelected(CDTElement* figure) override;
  void OnFigureRemoved(CDTElement* figure) override;
  void OnActiveImageChanged(CDTImage* document) override;
  void OnImageResized() override;
  void OnCursorMoved(const CursorPosition* position, CDTImage* document) override;
  void OnFigureChanged(CDTElement* figure, int vertex) override;
  void OnZoomChanged(CDTImage* document) override;
  void OnRegionChanged(BOOL value) override;
  void OnEmptyClick() override;
  void OnToolReset(int tool) override;
  void OnFigureVisibilityChanged(CDTElement* figure, BOOL visible) override;
  void OnFigureLockChanged(CDTElement* figure, BOOL locked) override;
  void OnHistoryChanged(CDTImage* document) override;
  void OnHistoryRestored(CDTImage* document) override;

  // Camera events.
  void OnCameraFrame(COrvelCamera* camera, const BYTE* pixels, const wchar_t* timerText) override;
  void OnCameraLayout(int count, int width, int height) override;
  void OnCameraState(int state) override;
  void OnCurrentCameraChanged(COrvelCamera* camera) override;
  void OnCameraAdded(COrvelCamera* camera) override;
  void OnCameraRemoved(COrvelCamera* camera) override;

  // Commands of other parts of the shell (capture, files, slide show, update).
  void OnCameraColor();
  void OnCameraSettings();
  void StartCapture();
  void PauseCapture();
  int StopCapture();
  void RestartCapture();
  void StartRecording();
  void TakeSnapshot();
  LRESULT OnCaptureStopped(WPARAM wParam, LPARAM lParam);
  LRESULT OnUpdateAvailable(WPARAM wParam, LPARAM lParam);
  void RunSlideShow(BOOL burn);
  int OpenFile(const wchar_t* path);
  void OnFileOpen();
  int OnFileSave();
  int OnFileSaveAs();
  // The current document's picture with its figures drawn in, as BMP or JPEG
  // by the path's extension, cropped to the region; 1 on success.
  int RenderToImage(const wchar_t* path);
  void OnMeasureLoadRuler();
  void OnMeasureSaveRuler();
  void OnMeasureLoad();
  void OnMeasureSave();
  // The measurement table of the document as a workbook; false when nothing was written.
  bool ExportSpreadsheet(CDTImage* document, const wchar_t* path);

  BEGIN_MSG_MAP(CMainFrame)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_CLOSE, OnClose)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  MESSAGE_HANDLER(WM_DROPFILES, OnDropFiles)
  MESSAGE_HANDLER(WM_DEVICECHANGE, OnDeviceChange)
  MESSAGE_HANDLER(WM_POWERBROADCAST, OnPowerBroadcast)
  MESSAGE_RANGE_HANDLER(0xC000, 0xFFFF, OnRegisteredMessage)
  END_MSG_MAP()

  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  LRESULT OnDropFiles(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnDeviceChange(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnPowerBroadcast(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnRegisteredMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);

  // Handles one command id; false when it is not one of the frame's.
  bool ExecuteCommand(WORD id);

  COrvelMeasureView m_view;
  CProjectManager m_ProjectManager;
  CRecentImages m_RecentImages;
  CCameraFactory m_CameraFactory;
  COrvelAudioFactory m_AudioFactory;
  // The capture commands, and the cameras' way into the frame while it lives.
  CFrameCapture m_Capture{this, &m_CameraFactory};
  CDTImage* m_pCurrentDocument = nullptr;
  CDTImage* m_pLiveDocument = nullptr;
  HMENU m_hMenu = nullptr;
  CWndStatus* m_pCursorCell = nullptr;
  CWndStatus* m_pSizeCell = nullptr;
  HDEVNOTIFY m_hDeviceNotify = nullptr;
  wchar_t m_szUsbInterface[64] = {};
  CCorrector m_Corrector;
  HANDLE m_hInstanceMutex = nullptr;
  int m_bSecondInstance = 0;
  CSlideShow* m_pSlideShow = nullptr;
  POINT m_ptMinTrackSize{1024, 720};
  HACCEL m_hAccel = nullptr;
  // Set once creation has finished: a close inside creation (an update
  // being installed) leaves every setting as it was loaded.
  bool m_bCreated = false;

 private:
  void ToggleCameraValue(UINT command);
  void OnToolOptions();
  void OnHelpDocument();
};

extern CMainFrame* g_pMainFrame;

// Test seams: where the frame's help document and web page go, and the
// message box of the restart question.
using ShellOpenFunction = void (*)(const wchar_t* target);
void SetShellOpenFunction(ShellOpenFunction open);
using MessageBoxFunction = int(WINAPI*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
void SetMessageBoxFunction(MessageBoxFunction box);
// The update check at creation (the update object's Start by default); false
// when an install was chosen and the frame was sent WM_CLOSE.
using UpdateStartFunction = bool (*)(HWND frame);
void SetUpdateStartFunction(UpdateStartFunction start);
