// The frame's menu, commands, keys, dropped files and device events.
#include "app/MainFrame.h"

#include <shellapi.h>

#include <string>

#include "capture/ColorDialog.h"
#include "capture/Camera.h"
#include "engine/DirectUI.h"
#include "settings/Configuration.h"
#include "toolkit/SkinUi.h"

namespace {

constexpr wchar_t kFeedbackAddress[] = L"https://example.com/mensaro/";

void ShellOpen(const wchar_t* target) { ::ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL); }
ShellOpenFunction g_pfnShellOpen = ShellOpen;
MessageBoxFunction g_pfnMessageBox = ::MessageBoxW;

}  // namespace

void SetShellOpenFunction(ShellOpenFunction open) { g_pfnShellOpen = open ? open : ShellOpen; }
void SetMessageBoxFunction(MessageBoxFunction box) { g_pfnMessageBox = box ? box : ::MessageBoxW; }

const wchar_t* SkinTextOrKey(const wchar_t* key) {
  if (!key) return L"";
  const auto* text = static_cast<const AvlfUiElementText*>(GetSkinUi()->FindElement(key, AVLF_UI_TEXT));
  return text ? text->GetText() : key;
}

void LocalizeFrameMenu(HMENU menu) {
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    if (!(info.fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW))) {
      wchar_t key[256] = {};
      MENUITEMINFOW text{};
      text.cbSize = sizeof text;
      text.fMask = MIIM_STRING;
      text.dwTypeData = key;
      text.cch = 256;
      if (::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &text) && key[0]) {
        if (const auto* element = static_cast<const AvlfUiElementText*>(GetSkinUi()->FindElement(key, AVLF_UI_TEXT))) {
          MENUITEMINFOW set{};
          set.cbSize = sizeof set;
          set.fMask = MIIM_STRING;
          set.dwTypeData = const_cast<wchar_t*>(element->GetText());
          ::SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &set);
        }
      }
    }
    if (info.hSubMenu) LocalizeFrameMenu(info.hSubMenu);
  }
}

BOOL CMainFrame::SetMenuItemState(int popup, UINT command, UINT state) {
  if (!m_hMenu) return FALSE;
  HMENU sub = ::GetSubMenu(m_hMenu, popup);
  if (!sub) return FALSE;
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  info.fState = state;
  return ::SetMenuItemInfoW(sub, command, FALSE, &info);
}

void CMainFrame::UpdateCameraMenu() {
  if (!m_hMenu) return;
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  if (m_CameraFactory.GetCurrentCamera()) {
    info.fState = MFS_ENABLED;
    ::SetMenuItemInfoW(m_hMenu, kMenuCamera, TRUE, &info);
    if (m_hWnd) DrawMenuBar();
    SetMenuItemState(kMenuCamera, ID_CAMERA_ALL, g_Config.m_AllCameras ? MFS_CHECKED : 0);
  } else {
    info.fState = MFS_GRAYED;
    ::SetMenuItemInfoW(m_hMenu, kMenuCamera, TRUE, &info);
    if (m_hWnd) DrawMenuBar();
  }
}

LRESULT CMainFrame::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  if (!ExecuteCommand(LOWORD(wParam))) handled = FALSE;
  return 0;
}

bool CMainFrame::ExecuteCommand(WORD id) {
  switch (id) {
    case ID_FILE_OPEN:
      OnFileOpen();
      break;
    case ID_FILE_SAVE:
      OnFileSave();
      break;
    case ID_FILE_SAVE_AS:
      OnFileSaveAs();
      break;
    case ID_IMAGE_PREVIEW:
      RunSlideShow(FALSE);
      break;
    case ID_IMAGE_BURN:
      RunSlideShow(TRUE);
      break;
    case ID_APP_EXIT:
      PostMessage(WM_CLOSE);
      break;
    case ID_EDIT_UNDO:
      m_view.m_wndProcess.m_wndMeasure.Undo();
      break;
    case ID_EDIT_REDO:
      m_view.m_wndProcess.m_wndMeasure.Redo();
      break;
    case ID_EDIT_REMOVE_ALL:
      m_view.m_wndProcess.m_wndMeasure.RemoveAll();
      break;
    case ID_CAMERA_SETTINGS:
      OnCameraSettings();
      break;
    case ID_CAMERA_COLOR:
      OnCameraColor();
      break;
    case ID_CAMERA_COLOR_BOOST:
    case ID_CAMERA_GRAY:
    case ID_CAMERA_H:
    case ID_CAMERA_V:
      ToggleCameraValue(id);
      break;
    case ID_CAMERA_ALL:
      g_Config.m_AllCameras = g_Config.m_AllCameras == 0 ? 1 : 0;
      SetMenuItemState(kMenuCamera, ID_CAMERA_ALL, g_Config.m_AllCameras == 1 ? MFS_CHECKED : 0);
      break;
    case ID_MEASURE_LOAD_RULER:
      OnMeasureLoadRuler();
      break;
    case ID_MEASURE_SAVE_RULER:
      OnMeasureSaveRuler();
      break;
    case ID_MEASURE_LOAD:
      OnMeasureLoad();
      break;
    case ID_MEASURE_SAVE:
      OnMeasureSave();
      break;
    case ID_IMAGE_FUSE:
      if (g_pWndImageList) g_pWndImageList->FuseCheckedImages();
      break;
    case ID_HISTOGRAM: {
      CDirectUI* canvas = m_ProjectManager.GetCanvas();
      if (g_pWndTool) g_pWndTool->SetHistogram(!(canvas && canvas->IsHistogramShown()));
      break;
    }
    case ID_TOOL_OPTIONS:
      OnToolOptions();
      break;
    case ID_HELP_DOCUMENT:
      OnHelpDocument();
      break;
    case ID_HELP_FEEDBACK:
      g_pfnShellOpen(kFeedbackAddress);
      break;
    case ID_APP_ABOUT:
      CAboutDlg().DoModal(::GetActiveWindow());
      break;
    default:
      return false;
  }
  return true;
}

void CMainFrame::OnCameraSettings() {
  if (COrvelCamera* camera = m_CameraFactory.GetCurrentCamera()) camera->ShowPropertyPages(m_hWnd, 0);
}

void CMainFrame::OnCameraColor() { CDlgColors().DoModal(::GetActiveWindow()); }

void CMainFrame::ToggleCameraValue(UINT command) {
  COrvelCamera* camera = m_CameraFactory.GetCurrentCamera();
  if (!camera) return;
  bool checked = false;
  switch (command) {
    case ID_CAMERA_COLOR_BOOST: {
      const int on = camera->GetColorCorrection() ? 0 : 1;
      camera->SetColorCorrection(on);
      checked = on != 0;
      break;
    }
    case ID_CAMERA_GRAY: {
      const int colourful = camera->GetColorful() ? 0 : 1;
      camera->SetColorful(colourful);
      checked = colourful == 0;
      break;
    }
    case ID_CAMERA_H: {
      const int on = camera->GetMirrorH() ? 0 : 1;
      camera->SetMirrorH(on);
      checked = on != 0;
      break;
    }
    case ID_CAMERA_V: {
      const int on = camera->GetMirrorV() ? 0 : 1;
      camera->SetMirrorV(on);
      checked = on != 0;
      break;
    }
    default:
      return;
  }
  SetMenuItemState(kMenuCamera, command, checked ? MFS_CHECKED : 0);
}

void CMainFrame::OnToolOptions() {
  CDlgOptions dialog;
  if (dialog.DoModal(::GetActiveWindow()) != IDOK || !dialog.NeedsRestart()) return;
  if (g_pfnMessageBox(m_hWnd, SkinTextOrKey(L"eRestart"), SkinTextOrKey(L"Prompt"), MB_OKCANCEL | MB_ICONINFORMATION) !=
      IDOK)
    return;
  g_Config.Save();
  PostMessage(WM_CLOSE);
}

void CMainFrame::OnHelpDocument() {
  std::wstring path = g_Config.CopyAppDir();
  path += L"\\Help\\Measure ";
  path += g_Config.m_Language == 2052 ? L"CHS.pdf" : L"EN.pdf";
  g_pfnShellOpen(path.c_str());
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN) {
    const bool cameras = m_CameraFactory.GetCameraCount() > 0;
    const int state = m_CameraFactory.GetState();
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    switch (msg->wParam) {
      case VK_F2:
        if (!cameras) break;
        if (state == CameraRunning)
          StopCapture();
        else if (state == CameraPaused || state == CameraStopped)
          StartRecording();
        break;
      case VK_F4:
        if (g_pWndTool) g_pWndTool->ToggleMagnifier();
        break;
      case VK_F9:
        if (!cameras) break;
        if (state == CameraRunning)
          PauseCapture();
        else
          StartCapture();
        break;
      case VK_F11:
        if (cameras) StopCapture();
        break;
      case VK_F12:
        if (cameras) TakeSnapshot();
        break;
      case 'Z':
        if (ctrl) m_view.m_wndProcess.m_wndMeasure.Undo();
        break;
      case 'Y':
        if (ctrl) m_view.m_wndProcess.m_wndMeasure.Redo();
        break;
      default:
        break;
    }
  }
  return m_hWnd && m_hAccel && ::TranslateAcceleratorW(m_hWnd, m_hAccel, msg);
}

LRESULT CMainFrame::OnDropFiles(UINT, WPARAM wParam, LPARAM, BOOL&) {
  HDROP drop = reinterpret_cast<HDROP>(wParam);
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
    if (!length) continue;
    std::wstring name(length + 1, L'\0');
    name.resize(::DragQueryFileW(drop, i, name.data(), length + 1));
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) continue;
    const wchar_t* ext = name.c_str() + dot;
    const size_t extLength = name.size() - dot;
    const bool picture = (extLength == 4 && (_wcsicmp(ext, L".jpg") == 0 || _wcsicmp(ext, L".bmp") == 0 ||
                                             _wcsicmp(ext, L".avi") == 0 || _wcsicmp(ext, L".wmv") == 0)) ||
                         (extLength == 5 && _wcsicmp(ext, L".jpeg") == 0);
    if (picture) OpenFile(name.c_str());
  }
  ::DragFinish(drop);
  return 0;
}

LRESULT CMainFrame::OnDeviceChange(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if ((wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) || !lParam) return TRUE;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return TRUE;
  const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(lParam);
  // The name runs to the end of the record; a name without its terminator
  // inside the record is taken only up to there.
  constexpr size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  if (header->dbch_size <= nameOffset) return TRUE;
  const size_t room = (header->dbch_size - nameOffset) / sizeof(wchar_t);
  const std::wstring name(device->dbcc_name, wcsnlen(device->dbcc_name, room));
  if (name.empty()) return TRUE;
  OnDeviceInterfaceChange(name.c_str(), wParam == DBT_DEVICEARRIVAL ? 1 : 0);
  return TRUE;
}

void CMainFrame::OnDeviceInterfaceChange(const wchar_t* name, int /*arrived*/) {
  if (!name || !m_szUsbInterface[0]) return;
  // The last occurrence of the interface class, letter case ignored; what
  // precedes it is the device part that camera paths begin with.
  std::wstring lower(name);
  ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  const size_t at = lower.rfind(m_szUsbInterface);
  if (at == std::wstring::npos || at < 1) return;
  m_CameraFactory.RemoveCameraByPath(name, static_cast<int>(at));
}

LRESULT CMainFrame::OnPowerBroadcast(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam == PBT_APMRESUMESUSPEND) {
    CDirectUI* canvas = m_ProjectManager.GetCanvas();
    if (canvas && canvas->m_hWnd) canvas->ResetDevice();
  }
  return 0;
}
