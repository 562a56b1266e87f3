#include "capture/CameraFactory.h"

#include <algorithm>
#include <cwctype>

#include "capture/Camera.h"
#include "capture/CaptureShell.h"
#include "settings/CameraConfig.h"
#include "settings/Configuration.h"
#include "settings/SafeName.h"
#include "settings/WinRegistry.h"

CCameraFactory* g_pCameraFactory = nullptr;

namespace {

bool EqualNoCase(const wchar_t* a, size_t lengthA, const wchar_t* b, size_t lengthB) {
  return lengthA == lengthB && (lengthA == 0 || _wcsnicmp(a, b, lengthA) == 0);
}

}  // namespace

CCameraFactory::CCameraFactory() { g_pCameraFactory = this; }

CCameraFactory::~CCameraFactory() {
  if (g_pCameraFactory == this) g_pCameraFactory = nullptr;
}

void CCameraFactory::ChangeState(int state) {
  // The observer sees the old value while it is told.
  if (m_pObserver) m_pObserver->OnCameraState(state);
  m_nState = state;
}

bool CCameraFactory::AddCamera(COrvelCamera* camera) {
  camera->m_pFactory = this;
  if (!camera->Open()) {
    camera->Close();
    delete camera;
    return false;
  }
  m_Cameras.push_back(camera);
  camera->LoadConfig(static_cast<int>(m_Cameras.size()) - 1);
  if (m_pObserver) m_pObserver->OnCameraAdded(camera);
  if (!m_pCurrent) SetCurrentCamera(camera);
  return true;
}

int CCameraFactory::OpenCameras() {
  EnumerateDevices();
  const std::wstring wanted = g_Config.CopyCamera();
  if (!wanted.empty()) {
    for (COrvelCamera* camera : m_Cameras) {
      const wchar_t* path = camera->GetDevicePath();
      if (path && EqualNoCase(path, wcslen(path), wanted.c_str(), wanted.size())) {
        SetCurrentCamera(camera);
        break;
      }
    }
  }
  m_nCommonWidth = m_nCommonHeight = 0;
  if (m_nState != CameraStopped) ChangeState(CameraStopped);
  return GetCameraCount();
}

void CCameraFactory::CloseCameras() {
  Stop();
  PurgeStaleSettings();
  for (size_t i = 0; i < m_Cameras.size(); ++i) m_Cameras[i]->SaveConfig(static_cast<int>(i));
  if (m_pCurrent) {
    m_pCurrent = nullptr;
    if (m_pObserver) m_pObserver->OnCurrentCameraChanged(nullptr);
  }
  for (COrvelCamera* camera : m_Cameras) {
    camera->Close();
    if (!camera->DeferDeletion()) delete camera;
  }
  m_Cameras.clear();
  if (m_nState != CameraClosed) ChangeState(CameraClosed);
}

std::vector<COrvelCamera*> CCameraFactory::CamerasInUse() const {
  if (m_bAllCameras) {
    const size_t count = std::min(m_Cameras.size(), static_cast<size_t>(kMaxCameraTiles));
    return std::vector<COrvelCamera*>(m_Cameras.begin(), m_Cameras.begin() + static_cast<ptrdiff_t>(count));
  }
  if (m_pCurrent) return {m_pCurrent};
  return {};
}

void CCameraFactory::Layout() {
  const int count = std::min(GetCameraCount(), kMaxCameraTiles);
  if (m_bAllCameras) {
    m_nCommonWidth = m_nCommonHeight = 0;
    for (int i = 0; i < count; ++i) {
      m_nCommonWidth = std::max(m_nCommonWidth, m_Cameras[i]->GetWidth());
      m_nCommonHeight = std::max(m_nCommonHeight, m_Cameras[i]->GetHeight());
    }
    for (int i = 0; i < count; ++i) {
      COrvelCamera* camera = m_Cameras[i];
      const int w = camera->GetWidth(), h = camera->GetHeight();
      camera->m_nOffsetX = w < m_nCommonWidth ? (m_nCommonWidth - w) / 2 : 0;
      camera->m_nOffsetY = h < m_nCommonHeight ? (m_nCommonHeight - h) / 2 : 0;
      if (!m_pCurrent) {
        m_pCurrent = camera;
        if (m_pObserver) m_pObserver->OnCurrentCameraChanged(camera);
      }
      camera->m_nIndex = i;
    }
  } else if (m_pCurrent) {
    m_nCommonWidth = m_pCurrent->GetWidth();
    m_nCommonHeight = m_pCurrent->GetHeight();
    m_pCurrent->m_nOffsetX = m_pCurrent->m_nOffsetY = 0;
    m_pCurrent->m_nIndex = 0;
  } else {
    m_nCommonWidth = m_nCommonHeight = 0;
  }
  if (m_pObserver) m_pObserver->OnCameraLayout(m_bAllCameras ? count : 1, m_nCommonWidth, m_nCommonHeight);
}

int CCameraFactory::Run(int allCameras) {
  if (m_Cameras.empty()) return 0;
  if (m_nState == CameraClosed || m_nState == CameraRunning) return m_nState;
  if (m_nState == CameraPaused) {
    bool resumed = false;
    for (COrvelCamera* camera : CamerasInUse())
      if (camera->Resume()) resumed = true;
    if (resumed) ChangeState(CameraRunning);
    return m_nState;
  }
  m_bAllCameras = allCameras;
  bool connected = false;
  for (COrvelCamera* camera : CamerasInUse())
    if (camera->Connect()) connected = true;
  if (!connected) return 0;
  Layout();
  if (m_nCommonWidth <= 0 || m_nCommonHeight <= 0) return 0;
  const std::vector<COrvelCamera*> inUse = CamerasInUse();
  for (COrvelCamera* camera : inUse) {
    if (camera->GetRecordRequest()) {
      camera->StartRecording();
      camera->SetRecordRequest(0);
    }
  }
  bool running = false;
  for (COrvelCamera* camera : inUse) {
    camera->SetAutoSnap(0);
    camera->SetSnapInterval(static_cast<int>(g_Config.m_SnapInterval));
    if (camera->Run()) running = true;
  }
  if (running) ChangeState(CameraRunning);
  return m_nState;
}

void CCameraFactory::Pause() {
  if (m_nState != CameraRunning) return;
  bool paused = false;
  for (COrvelCamera* camera : CamerasInUse())
    if (camera->Pause()) paused = true;
  if (paused) ChangeState(CameraPaused);
}

void CCameraFactory::Stop() {
  if (m_nState != CameraRunning && m_nState != CameraPaused) return;
  bool stopped = false;
  // Every camera, not only those in use: none may keep a graph running.
  if (m_bAllCameras) {
    for (COrvelCamera* camera : m_Cameras)
      if (camera->Stop()) stopped = true;
  } else if (m_pCurrent && m_pCurrent->Stop()) {
    stopped = true;
  }
  if (stopped) ChangeState(CameraStopped);
  for (COrvelCamera* camera : m_Cameras) camera->SetRecordRequest(0);
}

void CCameraFactory::SetCurrentCamera(COrvelCamera* camera) {
  if (camera == m_pCurrent) return;
  if (m_pCurrent && !m_bAllCameras) Stop();
  m_pCurrent = camera;
  if (m_pObserver) m_pObserver->OnCurrentCameraChanged(camera);
}

void CCameraFactory::RemoveCameraByPath(const wchar_t* path, int length) {
  if (!path || length < 0) return;
  auto it = std::find_if(m_Cameras.begin(), m_Cameras.end(), [&](COrvelCamera* camera) {
    const wchar_t* own = camera->GetDevicePath();
    return own && wcslen(own) >= static_cast<size_t>(length) && _wcsnicmp(own, path, static_cast<size_t>(length)) == 0;
  });
  if (it == m_Cameras.end()) return;
  COrvelCamera* camera = *it;
  const int position = static_cast<int>(it - m_Cameras.begin());
  if (camera->IsRunning() && (m_bAllCameras || camera == m_pCurrent)) Stop();
  m_Cameras.erase(it);
  if (camera == m_pCurrent) {
    COrvelCamera* next = m_Cameras.empty() ? nullptr : m_Cameras.front();
    m_pCurrent = nullptr;
    if (next) {
      if (!m_bAllCameras) Stop();
      m_pCurrent = next;
    }
    if (m_pObserver) m_pObserver->OnCurrentCameraChanged(next);
  }
  if (m_pObserver) m_pObserver->OnCameraRemoved(camera);
  // Its recording is finished with the others once capture has stopped.
  if (camera->GetRecorder()) {
    const wchar_t* name = camera->GetName();
    m_Orphans.push_back({name ? name : L"", position, camera->TakeRecorder()});
    StopOrphanRecorder(m_Orphans.back().recorder);
  }
  camera->Close();
  if (!camera->DeferDeletion()) delete camera;
}

void CCameraFactory::RequestSnapshot(bool useStillPin) {
  for (COrvelCamera* camera : m_Cameras) camera->RequestSnapshot(useStillPin);
}

void CCameraFactory::EnableAutoSnap() {
  for (COrvelCamera* camera : m_Cameras) camera->SetAutoSnap(1);
}

void CCameraFactory::RequestRecording() {
  for (COrvelCamera* camera : m_Cameras) camera->SetRecordRequest(1);
}

int CCameraFactory::PendingRecordRequests() {
  int sum = 0;
  for (COrvelCamera* camera : m_Cameras) sum += camera->GetRecordRequest();
  return sum;
}

void CCameraFactory::NotifyFrame(COrvelCamera* camera, const BYTE* pixels, const wchar_t* timerText) {
  if (m_pObserver && m_nState == CameraRunning) m_pObserver->OnCameraFrame(camera, pixels, timerText);
}

bool CCameraFactory::RegionPart(COrvelCamera* camera, RECT* part, bool* regionValid, bool* nonEmpty) {
  LiveDocumentView doc;
  if (!GetCaptureShell()->GetLiveDocument(&doc)) return false;
  RECT cell{0, 0, doc.pictureWidth, doc.pictureHeight};
  const int index = camera->GetIndex();
  const bool tiled = index >= 0 && index < doc.tileCount && index < 4;
  if (tiled) cell = doc.tiles[index];
  RECT cut{};
  *nonEmpty = IntersectRect(&cut, &doc.region, &cell) != FALSE;
  if (tiled) OffsetRect(&cut, -cell.left, -cell.top);
  cut.left = std::max(cut.left, 0L);
  cut.top = std::max(cut.top, 0L);
  cut.right = std::min(cut.right, cell.right - cell.left);
  cut.bottom = std::min(cut.bottom, cell.bottom - cell.top);
  *part = cut;
  *regionValid = doc.regionValid != FALSE;
  return true;
}

bool CCameraFactory::GetVisibleRect(COrvelCamera* camera, RECT* out) {
  RECT part{};
  bool valid = false, nonEmpty = false;
  if (!camera || !RegionPart(camera, &part, &valid, &nonEmpty)) return false;
  if (!valid || part.left < 0 || part.top < 0 || part.right <= part.left || part.bottom <= part.top) return false;
  *out = part;
  return true;
}

void CCameraFactory::PurgeStaleSettings() {
  if (m_Cameras.empty()) return;
  CWinRegistry key(HKEY_CURRENT_USER, kCamerasKey, FALSE, TRUE);
  HKEY hKey = key.GetKey();
  if (!hKey) return;
  wchar_t name[257];
  DWORD index = 0;
  for (;;) {
    DWORD length = 257;
    const LONG status = RegEnumKeyExW(hKey, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {  // longer than any key the program writes
      ++index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    const wchar_t* dash = wcsrchr(name, L'-');
    if (!dash || dash == name) {
      ++index;
      continue;
    }
    unsigned long number = 0;
    const wchar_t* digit = dash + 1;
    while (*digit >= L'0' && *digit <= L'9' && number < 1000000)
      number = number * 10 + static_cast<unsigned>(*digit++ - L'0');
    bool keep = false;
    // A number beyond the list names no present camera.
    if (number < m_Cameras.size()) {
      const wchar_t* cameraName = m_Cameras[number]->GetName();
      // Keys are named by the name made fit for the registry.
      const std::wstring keyName = MakeSafeKeyName(cameraName ? cameraName : L"");
      keep = EqualNoCase(keyName.c_str(), keyName.size(), name, static_cast<size_t>(dash - name));
    }
    if (keep) {
      ++index;
    } else {
      key.DeleteSubKeyTree(name);
      index = 0;
    }
  }
}
