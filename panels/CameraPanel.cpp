#include "panels/CameraPanel.h"

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <type_traits>

#include "app/MainFrame.h"
#include "capture/Camera.h"
#include "capture/CameraDS.h"
#include "capture/CameraFactory.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"
#include "settings/RegisteredMessages.h"
#include "toolkit/SkinCombo.h"
#include "toolkit/SkinUi.h"

// The store's listing of phone-camera apps: the phone side of the entry.
const wchar_t kPhoneCameraPage[] = L"https://apps.microsoft.com/search?query=phone+webcam";

namespace {

void OpenAddress(const wchar_t* address) {
  ::ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

// Camera-menu commands and the camera value each shows.
constexpr UINT kMenuColorBoost = 32779;
constexpr UINT kMenuGray = 32780;
constexpr UINT kMenuMirrorH = 32781;
constexpr UINT kMenuMirrorV = 32782;
constexpr int kCameraPopup = 2;

void EnableControl(AvlfWindowBase* control, BOOL enable) {
  if (control && control->m_hWnd) ::EnableWindow(control->m_hWnd, enable);
}

void ShowControl(AvlfWindowBase* control, int show) {
  if (control && control->m_hWnd) ::ShowWindow(control->m_hWnd, show);
}

bool Is(const AvlfWindowBase* control, HWND child) { return control && control->m_hWnd && control->m_hWnd == child; }

int FactoryState() { return g_pCameraFactory ? g_pCameraFactory->GetState() : CameraClosed; }
int FactoryCameraCount() { return g_pCameraFactory ? g_pCameraFactory->GetCameraCount() : 0; }
bool FactoryHasPhone() { return g_pCameraFactory && g_pCameraFactory->HasPhoneCamera(); }

// The strip's window when the strip is a window.
template <class T>
auto StripWindow(T* strip, int) -> decltype(strip->m_hWnd) {
  return strip ? strip->m_hWnd : nullptr;
}
template <class T>
HWND StripWindow(T*, long) {
  return nullptr;
}

void ClearStripSelection() {
  const HWND strip = StripWindow(g_pWndImageList, 0);
  if (strip && ::IsWindow(strip)) ::SendMessageW(strip, WM_IMAGES_SELECTITEM, 0, -1);
}

int StillCount(const COrvelCameraDS* camera) { return camera ? static_cast<int>(camera->GetStillFormats().size()) : 0; }

}  // namespace

CaptureStateView ViewForCaptureState(int state, bool hasCamera, bool stillFormats) {
  switch (state) {
    case CameraRunning:
      return {SW_HIDE, SW_SHOW, 1, -1, 0, 0};
    case CameraPaused:
      return {SW_SHOW, SW_HIDE, -1, -1, -1, -1};
    case CameraStopped:
      if (!hasCamera) return {SW_SHOW, SW_HIDE, 0, 1, -1, -1};
      return {SW_SHOW, SW_HIDE, 0, 1, stillFormats ? 1 : 0, 1};
    default:
      return {-1, -1, -1, -1, -1, -1};
  }
}

void (*CWndCamera::s_pOpenAddress)(const wchar_t* address) = &OpenAddress;

CWndCamera::~CWndCamera() = default;

int CWndCamera::CameraData(COrvelCamera* camera) {
  auto it = std::find(m_CameraSlots.begin(), m_CameraSlots.end(), camera);
  if (it == m_CameraSlots.end()) it = m_CameraSlots.insert(m_CameraSlots.end(), camera);
  return static_cast<int>(it - m_CameraSlots.begin()) + 1;
}

COrvelCamera* CWndCamera::CameraOf(int data) const {
  if (data <= 0 || data > static_cast<int>(m_CameraSlots.size())) return nullptr;
  return m_CameraSlots[static_cast<size_t>(data - 1)];
}

void CWndCamera::AppendPhoneEntry() {
  if (!m_pCameraList || FactoryHasPhone()) return;
  // One entry is enough however many cameras arrive.
  for (int i = 0; i < m_pCameraList->GetCount(); ++i)
    if (m_pCameraList->GetItemData(i) == 0) return;
  m_pCameraList->AddString(GetSkinUi()->FindText(L"Tovalink"), 0);
}

void CWndCamera::EnableCameraList() {
  if (FactoryCameraCount() >= 2)
    EnableControl(m_pCameraList, TRUE);
  else if (FactoryHasPhone())
    EnableControl(m_pCameraList, FALSE);
}

void CWndCamera::AddCamera(COrvelCamera* camera) {
  if (camera && m_pCameraList) m_pCameraList->AddString(camera->GetName(), CameraData(camera));
  AppendPhoneEntry();
  EnableCameraList();
}

void CWndCamera::RemoveCamera(COrvelCamera* camera) {
  if (camera && m_pCameraList) {
    const auto it = std::find(m_CameraSlots.begin(), m_CameraSlots.end(), camera);
    if (it != m_CameraSlots.end()) {
      // The list moves its selection itself when the entry was selected: that
      // is no choice of the user's.
      // Every entry of the slot goes: cameras closed with the factory leave
      // theirs behind, and a later camera made at the same address takes the
      // same slot.
      const bool filling = m_bFilling;
      m_bFilling = true;
      const int data = static_cast<int>(it - m_CameraSlots.begin()) + 1;
      for (int count = m_pCameraList->GetCount(); count > 0;) {
        const int left = m_pCameraList->DeleteString(-1, data);
        if (left >= count) break;
        count = left;
      }
      m_bFilling = filling;
      *it = nullptr;
    }
  }
  if (m_pCameraList) EnableControl(m_pCameraList, FactoryCameraCount() >= 2);
}

void CWndCamera::EnableSnapshotButton(BOOL enable) { EnableControl(m_pSnapshot, enable); }

void CWndCamera::SetCurrentCamera(COrvelCamera* camera) {
  if (camera == m_pCurrentCamera) return;
  m_pCurrentCamera = camera;
  RefreshCamera();
}

void CWndCamera::OnCaptureState(int state) {
  auto* camera = dynamic_cast<COrvelCameraDS*>(m_pCurrentCamera);
  const CaptureStateView view = ViewForCaptureState(state, m_pCurrentCamera != nullptr, StillCount(camera) > 0);
  if (view.start >= 0) ShowControl(m_pStart, view.start);
  if (view.pause >= 0) ShowControl(m_pPause, view.pause);
  if (view.stop >= 0) EnableControl(m_pStop, view.stop);
  if (view.record >= 0) EnableControl(m_pRecord, view.record);
  if (view.stillSize >= 0) EnableControl(m_pStillSize, view.stillSize);
  if (view.lists >= 0) {
    EnableControl(m_pFormatList, view.lists);
    EnableControl(m_pResolutionList, view.lists);
  }
}

void CWndCamera::SetCurrentDocument(CDTImage* document) {
  if (document == m_pCurrentDocument) return;
  m_pCurrentDocument = document;
  if (!m_pLiveView) return;
  const bool live = document && document->m_bLive == 1;
  EnableControl(m_pLiveView, FactoryCameraCount() >= 1 && !live);
}

BOOL CWndCamera::ShowChildOnExpand(HWND child) {
  const int state = FactoryState();
  if (Is(m_pStart, child) && state == CameraRunning) return FALSE;
  if (Is(m_pPause, child) && state != CameraRunning) return FALSE;
  return TRUE;
}

void CWndCamera::EnableControls(BOOL enable) {
  for (AvlfWindowBase* control :
       {m_pColor, static_cast<AvlfWindowBase*>(m_pFormatList), static_cast<AvlfWindowBase*>(m_pResolutionList),
        m_pStillSize, m_pSnapshot, m_pRecord, m_pStart, m_pSettings})
    EnableControl(control, enable);
}

void CWndCamera::RefreshCamera() {
  if (!m_pCurrentCamera) {
    EnableControls(FALSE);
    return;
  }
  EnableControls(TRUE);
  if (g_pMainFrame) {
    COrvelCamera* camera = m_pCurrentCamera;
    const UINT checked = MFS_CHECKED;
    g_pMainFrame->SetMenuItemState(kCameraPopup, kMenuColorBoost, camera->GetColorCorrection() ? checked : 0);
    g_pMainFrame->SetMenuItemState(kCameraPopup, kMenuGray, camera->GetColorful() == 0 ? checked : 0);
    g_pMainFrame->SetMenuItemState(kCameraPopup, kMenuMirrorH, camera->GetMirrorH() ? checked : 0);
    g_pMainFrame->SetMenuItemState(kCameraPopup, kMenuMirrorV, camera->GetMirrorV() ? checked : 0);
  }
  if (m_pCameraList) {
    const auto it = std::find(m_CameraSlots.begin(), m_CameraSlots.end(), m_pCurrentCamera);
    if (it != m_CameraSlots.end()) {
      const int data = static_cast<int>(it - m_CameraSlots.begin()) + 1;
      for (int i = 0; i < m_pCameraList->GetCount(); ++i)
        if (m_pCameraList->GetItemData(i) == data) m_pCameraList->SetCurSel(i);
    }
  }
  FillFormatLists(m_pCurrentCamera);
}

void CWndCamera::FillResolutionList(COrvelCameraDS* camera, int index) {
  if (!m_pResolutionList) return;
  m_pResolutionList->ResetContent();
  const auto& groups = camera->GetVideoGroups();
  if (index < 0 || index >= static_cast<int>(groups.size())) return;
  const SubtypeGroup* group = groups[static_cast<size_t>(index)];
  const VideoFormat* current = camera->GetCurrentVideoFormat();
  int selection = 0;
  bool found = false;
  for (size_t i = 0; i < group->formats.size(); ++i) {
    m_pResolutionList->AddString(group->formats[i]->label, static_cast<int>(i));
    if (group->formats[i] == current) {
      selection = static_cast<int>(i);
      found = true;
    }
  }
  if (m_pResolutionList->GetCount() > 0) m_pResolutionList->SetCurSel(selection);
  EnableControl(m_pResolutionList, group->formats.size() >= 2);
  if (!found && !group->formats.empty()) camera->SelectVideoFormat(group->formats.front());
}

void CWndCamera::FillFormatLists(COrvelCamera* camera) {
  if (!m_pFormatList) return;
  const bool filling = m_bFilling;
  m_bFilling = true;
  m_pFormatList->ResetContent();
  auto* cameraDS = dynamic_cast<COrvelCameraDS*>(camera);
  if (!camera) {
    EnableControl(m_pFormatList, FALSE);
    m_bFilling = filling;
    return;
  }
  const std::vector<SubtypeGroup*> none;
  const auto& groups = cameraDS ? cameraDS->GetVideoGroups() : none;
  const VideoFormat* current = cameraDS ? cameraDS->GetCurrentVideoFormat() : nullptr;
  int chosen = -1;
  for (size_t i = 0; i < groups.size(); ++i) {
    m_pFormatList->AddString(groups[i]->name.c_str(), static_cast<int>(i));
    if (!current) {
      chosen = static_cast<int>(i);
    } else if (chosen < 0 &&
               std::find(groups[i]->formats.begin(), groups[i]->formats.end(), current) != groups[i]->formats.end()) {
      chosen = static_cast<int>(i);
    }
  }
  if (current && chosen < 0 && !groups.empty()) chosen = 0;
  EnableControl(m_pFormatList, groups.size() >= 2);
  if (m_pResolutionList) m_pResolutionList->ResetContent();
  if (chosen >= 0) FillResolutionList(cameraDS, chosen);
  if (!groups.empty()) m_pFormatList->SetCurSel(chosen);
  EnableControl(m_pStillSize, StillCount(cameraDS) > 0);
  m_bFilling = filling;
}

void CWndCamera::OnFormatChosen() {
  auto* camera = dynamic_cast<COrvelCameraDS*>(m_pCurrentCamera);
  if (!camera || !m_pFormatList) return;
  const int selection = m_pFormatList->GetCurSel();
  if (selection < 0) return;
  const bool filling = m_bFilling;
  m_bFilling = true;
  FillResolutionList(camera, m_pFormatList->GetItemData(selection));
  m_bFilling = filling;
}

void CWndCamera::OnResolutionChosen() {
  auto* camera = dynamic_cast<COrvelCameraDS*>(m_pCurrentCamera);
  if (!camera || !m_pFormatList || !m_pResolutionList) return;
  const int selection = m_pResolutionList->GetCurSel();
  const int groupEntry = m_pFormatList->GetCurSel();
  if (selection < 0 || groupEntry < 0) return;
  const auto& groups = camera->GetVideoGroups();
  const int group = m_pFormatList->GetItemData(groupEntry);
  const int format = m_pResolutionList->GetItemData(selection);
  if (group < 0 || group >= static_cast<int>(groups.size())) return;
  const auto& formats = groups[static_cast<size_t>(group)]->formats;
  if (format < 0 || format >= static_cast<int>(formats.size())) return;
  if (!camera->SelectVideoFormat(formats[static_cast<size_t>(format)])) return;
  // The frame's restart: not while a recording waits to start, and only
  // when the cameras run or are paused.
  if (!g_pCameraFactory || !g_pMainFrame || g_pCameraFactory->PendingRecordRequests() != 0) return;
  const int state = g_pCameraFactory->GetState();
  if (state != CameraRunning && state != CameraPaused) return;
  g_pCameraFactory->Stop();
  g_pMainFrame->StartCapture();
}

void CWndCamera::OnCameraSelected() {
  if (!m_pCameraList) return;
  const int selection = m_pCameraList->GetCurSel();
  if (selection < 0) return;
  const int data = m_pCameraList->GetItemData(selection);
  if (data != 0) {
    COrvelCamera* camera = CameraOf(data);
    if (!camera || !g_pCameraFactory) return;
    const bool other = camera != m_pCurrentCamera;
    g_pCameraFactory->Stop();
    g_pCameraFactory->SetCurrentCamera(camera);
    if (other && g_pMainFrame)
      if (CDTImage* live = g_pMainFrame->m_ProjectManager.GetLiveDocument()) live->SetZoomMode(1, 1.0f);
    return;
  }
  s_pOpenAddress(kPhoneCameraPage);
  const auto it = std::find(m_CameraSlots.begin(), m_CameraSlots.end(), m_pCurrentCamera);
  if (!m_pCurrentCamera || it == m_CameraSlots.end()) return;
  const int current = static_cast<int>(it - m_CameraSlots.begin()) + 1;
  for (int i = 0; i < m_pCameraList->GetCount(); ++i)
    if (m_pCameraList->GetItemData(i) == current) {
      m_pCameraList->SetCurSel(i);
      break;
    }
}

void CWndCamera::OnLiveView() {
  const int state = FactoryState();
  CDTImage* live = g_pMainFrame ? g_pMainFrame->m_ProjectManager.GetLiveDocument() : nullptr;
  if (g_pDirectUI && live) g_pDirectUI->SetActiveImage(live, TRUE);
  ClearStripSelection();
  if (state != CameraRunning && g_pMainFrame) g_pMainFrame->StartCapture();
}

void CWndCamera::ShowStillSizeMenu() {
  auto* camera = dynamic_cast<COrvelCameraDS*>(m_pCurrentCamera);
  if (!camera) return;
  RECT button{};
  if (m_pStillSize && m_pStillSize->m_hWnd) ::GetWindowRect(m_pStillSize->m_hWnd, &button);
  HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_STILL_SIZE_MENU));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu, 0);
  if (!popup) {
    ::DestroyMenu(menu);
    return;
  }
  const VideoFormat* current = camera->GetCurrentStillFormat();
  const auto& stills = camera->GetStillFormats();
  for (size_t i = 0; i < stills.size(); ++i) {
    const bool check = current && current->width == stills[i]->width && current->height == stills[i]->height;
    ::AppendMenuW(popup, MF_STRING | (check ? MF_CHECKED : MF_UNCHECKED), ID_STILL_SIZE_FIRST + i, stills[i]->label);
  }
  ::ModifyMenuW(popup, ID_STILL_SAMPLE, MF_BYCOMMAND | MF_STRING, ID_STILL_SAMPLE,
                GetSkinUi()->FindText(L"StillSample"));
  m_hStillMenu = popup;
  ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, button.left, button.top, 0, m_hWnd, nullptr);
  m_hStillMenu = nullptr;
  ::DestroyMenu(menu);
}

LRESULT CWndCamera::OnSkinInit(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  m_strCaption = GetSkinUi()->FindText(L"GroupCamera");
  m_pCameraList = dynamic_cast<AvlfComboBox*>(FindChildByCommandId(kCameraList));
  m_pFormatList = dynamic_cast<AvlfComboBox*>(FindChildByCommandId(kFormatList));
  m_pResolutionList = dynamic_cast<AvlfComboBox*>(FindChildByCommandId(kResolutionList));
  m_pLiveView = FindChildByCommandId(kLiveView);
  m_pStillSize = FindChildByCommandId(kStillSize);
  m_pSnapshot = FindChildByCommandId(kSnapshot);
  m_pRecord = FindChildByCommandId(kRecord);
  m_pStart = FindChildByCommandId(kStart);
  m_pPause = FindChildByCommandId(kPause);
  m_pStop = FindChildByCommandId(kStop);
  m_pSettings = FindChildByCommandId(kSettings);
  m_pColor = FindChildByCommandId(kColor);
  if (m_pCameraList && g_pCameraFactory) {
    const bool filling = m_bFilling;
    m_bFilling = true;
    for (COrvelCamera* camera : g_pCameraFactory->GetCameras())
      m_pCameraList->AddString(camera->GetName(), CameraData(camera));
    AppendPhoneEntry();
    m_bFilling = filling;
  }
  m_pCurrentCamera = g_pCameraFactory ? g_pCameraFactory->GetCurrentCamera() : nullptr;
  RefreshCamera();
  EnableCameraList();
  SetCollapsed(g_Config.m_ShowColorSet == 0);
  return CWndGroup::OnSkinInit(uMsg, wParam, lParam, bHandled);
}

LRESULT CWndCamera::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  const UINT id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  CMainFrame* frame = g_pMainFrame;
  switch (id) {
    case kColor:
      if (frame) frame->OnCameraColor();
      return 0;
    case kSettings:
      if (frame) frame->OnCameraSettings();
      return 0;
    case kStillSize:
      ShowStillSizeMenu();
      return 0;
    case kLiveView:
      OnLiveView();
      return 0;
    case kSnapshot:
      if (frame) frame->TakeSnapshot();
      return 0;
    case kRecord:
      if (frame) frame->StartRecording();
      return 0;
    case kStart:
      ClearStripSelection();
      if (frame) frame->StartCapture();
      return 0;
    case kPause:
      if (frame) frame->PauseCapture();
      return 0;
    case kStop:
      if (frame) frame->StopCapture();
      return 0;
    default:
      break;
  }
  if (code == CBN_SELCHANGE && (id == kCameraList || id == kFormatList || id == kResolutionList)) {
    // Changes the panel makes itself are not the user's choices.
    if (m_bFilling) return 0;
    if (id == kCameraList)
      OnCameraSelected();
    else if (id == kFormatList)
      OnFormatChosen();
    else
      OnResolutionChosen();
    return 0;
  }
  if (id >= ID_STILL_SIZE_FIRST && id <= ID_STILL_SIZE_LAST) {
    if (auto* camera = dynamic_cast<COrvelCameraDS*>(m_pCurrentCamera))
      camera->SelectStillFormat(static_cast<int>(id - ID_STILL_SIZE_FIRST));
    return 0;
  }
  bHandled = FALSE;
  return 0;
}
