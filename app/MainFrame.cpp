#include "app/MainFrame.h"

#include "app/StartupTimes.h"

#include "capture/Camera.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "settings/Configuration.h"
#include "settings/RegisteredMessages.h"

CMainFrame* g_pMainFrame = nullptr;
win32::CAppModule g_AppModule;

namespace {

// The USB device-interface class {A5DCBF10-6530-11D2-901F-00C04FB951ED}.
const GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

bool StartUpdateCheck(HWND frame) { return GetUpdateObject()->Start(frame); }
UpdateStartFunction g_pfnStartUpdate = StartUpdateCheck;

}  // namespace

void SetUpdateStartFunction(UpdateStartFunction start) { g_pfnStartUpdate = start ? start : StartUpdateCheck; }

win32::CWndClassInfo& CMainFrame::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"MensaroMainFrame", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CMainFrame::CMainFrame() { g_pMainFrame = this; }

CMainFrame::~CMainFrame() {
  if (m_hAccel) ::DestroyAcceleratorTable(m_hAccel);
  if (m_hInstanceMutex) ::CloseHandle(m_hInstanceMutex);
  if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
  if (g_pMainFrame == this) g_pMainFrame = nullptr;
}

HWND CMainFrame::CreateFrame() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RECT rc{0, 0, 1080, 720};
  ::AdjustWindowRectEx(&rc, kFrameStyle, TRUE, kFrameExStyle);
  m_ptMinTrackSize = {1024, 720};
  wchar_t caption[128] = L"Mensaro";
  ::LoadStringW(instance, IDR_MAINFRAME, caption, 128);
  HMENU menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  HWND hWnd = Create(nullptr, &rc, caption, kFrameStyle, kFrameExStyle, reinterpret_cast<UINT_PTR>(menu));
  if (!hWnd) {
    // A failed creation destroys the window and with it the menu it was given.
    if (menu && ::IsMenu(menu)) ::DestroyMenu(menu);
    return nullptr;
  }
  m_hAccel = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  return hWnd;
}

LRESULT CMainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  // The other instance is looked for before the update check, so a second
  // start neither offers an install nor leaves an update worker behind.
  m_hInstanceMutex = ::CreateMutexW(nullptr, FALSE, kInstanceMutexName);
  const DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
    // Not held: the handle goes at once so the first instance's mutex is
    // not kept alive by this one.
    ::CloseHandle(m_hInstanceMutex);
    m_hInstanceMutex = nullptr;
    ::EnumWindows(FindInstanceWindowProc, reinterpret_cast<LPARAM>(m_hWnd));
    m_bSecondInstance = 1;
    return -1;
  }
  if (!g_pfnStartUpdate(m_hWnd)) return -1;
  // Made while the panels are built; the canvas takes it for its device.
  m_view.m_wndProcess.m_wndRender.m_canvas.StartDirect3D();

  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME))) {
    SetIcon(icon, TRUE);
    SetIcon(icon, FALSE);
  }

  MarkStartup(StartupDevicesBegin);
  m_Capture.Install();
  m_CameraFactory.OpenCameras();
  m_CameraFactory.SetObserver(this);
  m_AudioFactory.EnumerateDevices();
  MarkStartup(StartupDevicesEnd);

  m_hMenu = GetMenu();
  if (m_hMenu) LocalizeFrameMenu(m_hMenu);

  // Built at the client's size, so that the panels and the canvas's device
  // are made once at the size they show at rather than again when shown.
  RECT client{};
  GetClientRect(&client);
  m_view.Create(nullptr, m_hWnd, ::IsRectEmpty(&client) ? nullptr : &client, L"MainFrame", kViewStyle);
  if (m_view.m_wndProcess.m_hWnd) {
    m_pCursorCell = &m_view.m_wndProcess.m_wndRuler.m_wndCursor;
    m_pSizeCell = &m_view.m_wndProcess.m_wndRuler.m_wndSize;
  }

  if (win32::CMessageLoop* loop = g_AppModule.GetMessageLoop()) {
    loop->AddMessageFilter(this);
    loop->AddIdleHandler(this);
  }

  CDTImage* live = m_ProjectManager.GetLiveDocument();
  if (g_pDirectUI) {
    const RECT rcLive{0, 0, 800, 600};
    live->Create(g_pDirectUI, nullptr, kLiveDocumentName, &rcLive);
    live->m_bLive = 1;
    g_pDirectUI->SetActiveImage(live, TRUE);
    MarkStartup(StartupCanvasEnd);
  }
  m_pCurrentDocument = live;
  m_pLiveDocument = live;

  UpdateCameraMenu();
  ::DragAcceptFiles(m_hWnd, TRUE);

  if (!m_hDeviceNotify) {
    ::StringFromGUID2(kUsbDeviceInterface, m_szUsbInterface, 64);
    ::CharLowerW(m_szUsbInterface);
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbDeviceInterface;
    m_hDeviceNotify = ::RegisterDeviceNotificationW(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }

  CenterWindow();
  PostMessage(WM_LOAD_RECENT_IMAGES);
  m_bCreated = true;
  return 0;
}

LRESULT CMainFrame::OnClose(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (m_hDeviceNotify) {
    ::UnregisterDeviceNotification(m_hDeviceNotify);
    m_hDeviceNotify = nullptr;
  }
  if (m_pSlideShow) {
    m_pSlideShow->Stop();
    delete m_pSlideShow;
    m_pSlideShow = nullptr;
  }
  // Closed inside creation (an update being installed): the window was
  // never shown and nothing was loaded, so every setting stays as loaded.
  if (m_bCreated) {
    g_Config.m_ShowColorSet = m_view.m_wndProcess.m_wndCamera.IsGroupExpanded() ? 1 : 0;
    if (COrvelCamera* camera = m_CameraFactory.GetCurrentCamera()) {
      const wchar_t* path = camera->GetDevicePath();
      if (path && *path) g_Config.SetCamera(path);
    }
  }
  m_CameraFactory.SetObserver(nullptr);
  m_CameraFactory.CloseCameras();
  // No camera streams any more: the cameras' calls go nowhere from now on.
  m_Capture.Uninstall();
  m_AudioFactory.ReleaseDevices();
  if (m_bCreated) m_RecentImages.Stop();
  m_ProjectManager.CloseAll();
  if (m_bCreated) {
    WINDOWPLACEMENT placement{};
    GetWindowPlacement(&placement);
    switch (placement.showCmd) {
      case SW_SHOWNORMAL:
      case SW_SHOWNOACTIVATE:
      case SW_SHOW:
      case SW_SHOWNA: {
        RECT rc;
        if (GetWindowRect(&rc)) g_Config.m_MaxiMized = 0;
        break;
      }
      default:
        g_Config.m_MaxiMized = 1;
        break;
    }
  }
  GetUpdateObject()->Stop();
  // Inside creation the failed creation destroys the window itself.
  handled = m_bCreated ? FALSE : TRUE;
  return 0;
}

LRESULT CMainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  if (win32::CMessageLoop* loop = g_AppModule.GetMessageLoop()) {
    loop->RemoveMessageFilter(this);
    loop->RemoveIdleHandler(this);
  }
  if (m_hInstanceMutex) {
    ::CloseHandle(m_hInstanceMutex);
    m_hInstanceMutex = nullptr;
  }
  if (!m_bSecondInstance && m_bCreated) g_Config.Save();
  // A frame that never finished creation runs no loop to end.
  if (m_bCreated) ::PostQuitMessage(1);
  return 0;
}

BOOL CMainFrame::OnIdle() {
  // The first idle moment after showing: every paint has been handled.
  if (StartupTimesWanted() && m_bCreated && IsWindowVisible()) {
    MarkStartup(StartupPainted);
    static bool reported = false;
    if (!reported) {
      reported = true;
      WriteStartupTimes();
      PostMessage(WM_CLOSE);
    }
  }
  return FALSE;
}

LRESULT CMainFrame::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&) {
  reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = m_ptMinTrackSize;
  return 0;
}

LRESULT CMainFrame::OnSize(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam != SIZE_MINIMIZED && m_view.m_hWnd) {
    RECT rc{};
    GetClientRect(&rc);
    m_view.SetWindowPos(nullptr, 0, 0, rc.right, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return 0;
}

LRESULT CMainFrame::OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (!m_view.m_hWnd) handled = FALSE;
  return 1;
}

LRESULT CMainFrame::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (m_view.m_hWnd)
    m_view.SetFocus();
  else
    handled = FALSE;
  return 0;
}

LRESULT CMainFrame::OnRegisteredMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (msg == WM_INSTANCE_PING) return msg;
  if (msg == WM_LOAD_RECENT_IMAGES) {
    m_RecentImages.Start();
    return 0;
  }
  if (msg == WM_CAPTURE_STOPPED) return OnCaptureStopped(wParam, lParam);
  if (msg == WM_UPDATE_AVAILABLE) return OnUpdateAvailable(wParam, lParam);
  handled = FALSE;
  return 0;
}

BOOL CALLBACK FindInstanceWindowProc(HWND window, LPARAM parameter) {
  // A window that does not answer in time (hung, or busy) is passed over
  // instead of holding the new instance.
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(window, WM_INSTANCE_PING, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kInstancePingTimeoutMs,
                             &answer))
    return TRUE;
  if (answer != WM_INSTANCE_PING || window == reinterpret_cast<HWND>(parameter)) return TRUE;
  ::SetForegroundWindow(window);
  if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
  return FALSE;
}
