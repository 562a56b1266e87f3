#include "app/CaptureCommands.h"

#include <mmsystem.h>

#include <cwchar>

#include "capture/Camera.h"
#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "image/Image.h"
#include "settings/Configuration.h"

void CCaptureHost::PlaySoundResource(int id) {
  PlaySoundW(MAKEINTRESOURCEW(id), GetModuleHandleW(nullptr), SND_RESOURCE | SND_ASYNC);
}

void CCaptureHost::GetLocalTime(SYSTEMTIME* time) { ::GetLocalTime(time); }

int CCaptureHost::OpenFile(const wchar_t* path) { return GetCaptureShell()->OpenFile(path); }

int CCaptureHost::ImageStripCount() { return GetCaptureShell()->ImageStripCount(); }

void CCaptureHost::SelectImageStripItem(int index) { GetCaptureShell()->SelectImageStripItem(index); }

CCaptureCommands::CCaptureCommands(CCameraFactory* factory, CCaptureHost* host) : m_pFactory(factory), m_pHost(host) {}

void CCaptureCommands::StartCapture() {
  m_pHost->ActivateLiveDocument();
  m_pFactory->Run(int(g_Config.m_AllCameras));
}

void CCaptureCommands::PauseCapture() { m_pFactory->Pause(); }

void CCaptureCommands::StopCapture() { m_pFactory->Stop(); }

void CCaptureCommands::RestartCapture() {
  // A requested recording would be lost by the stop.
  if (m_pFactory->PendingRecordRequests() != 0) return;
  const int state = m_pFactory->GetState();
  if (state != CameraRunning && state != CameraPaused) return;
  m_pFactory->Stop();
  m_pHost->ActivateLiveDocument();
  m_pFactory->Run(int(g_Config.m_AllCameras));
}

void CCaptureCommands::StartRecording() {
  if (m_pFactory->GetState() == CameraClosed) return;
  m_pHost->PlaySoundResource(kRecordSound);
  m_pFactory->RequestRecording();
  m_pHost->DisableRecordButton();
  if (m_pFactory->GetState() != CameraRunning) StartCapture();
}

void CCaptureCommands::TakeSnapshot() {
  if (m_pFactory->GetState() == CameraClosed) return;
  if (m_pFactory->GetState() != CameraRunning) {
    StartCapture();
    if (g_Config.m_AutoSnap) m_pFactory->EnableAutoSnap();
  }
  m_pFactory->RequestSnapshot(g_Config.m_ImageStill != 0);
}

LRESULT CCaptureCommands::OnCaptureStopped() {
  m_pFactory->FinishRecordings();
  return 0;
}

std::wstring CCaptureCommands::ReserveSnapshotPath(const wchar_t* folder, const SYSTEMTIME& time, bool jpeg) {
  if (!folder || !*folder) return {};
  wchar_t stem[64];
  swprintf(stem, 64, L"\\%d.%d-%d;%d;%d;%d", time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
           time.wMilliseconds);
  const wchar_t* extension = jpeg ? L".jpg" : L".bmp";
  for (int copy = 0; copy < 1000; ++copy) {
    std::wstring path = folder;
    path += stem;
    if (copy > 0) path += L"(" + std::to_wstring(copy) + L")";
    path += extension;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return path;
    }
    // Only a taken name is worth another try.
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

void CCaptureCommands::SaveCameraSnapshot(COrvelCamera* camera, const void* pixels) {
  if (!camera || !pixels) return;
  RECT crop{};
  const bool cropped = m_pFactory->GetVisibleRect(camera, &crop);
  WriteSnapshot(camera, camera->GetWidth(), camera->GetHeight(), pixels, cropped ? &crop : nullptr);
}

void CCaptureCommands::SaveStillSnapshot(COrvelCamera* camera, int width, int height, const void* pixels) {
  if (!camera || !pixels) return;
  WriteSnapshot(camera, width, height, pixels, nullptr);
}

void CCaptureCommands::WriteSnapshot(COrvelCamera* camera, int width, int height, const void* pixels,
                                     const RECT* crop) {
  const std::wstring folder = g_Config.CopyImageDir();
  if (folder.empty() || width < 1 || height < 1) return;
  SYSTEMTIME now{};
  m_pHost->GetLocalTime(&now);

  const bool bottomUp = camera->GetSnapshotBottomUp() != 0;
  const ptrdiff_t stride = ptrdiff_t(width) * 4;
  const uint8_t* first = static_cast<const uint8_t*>(pixels);
  int w = width, h = height;
  if (crop) {
    const RECT r = *crop;
    if (r.left < 0 || r.top < 0 || r.right > width || r.bottom > height || r.right <= r.left || r.bottom <= r.top)
      return;
    w = r.right - r.left;
    h = r.bottom - r.top;
    // The region's top row lies at memory row height - bottom when the rows
    // are stored bottom-up, at row top when they are stored top-down.
    const int row = bottomUp ? height - r.bottom : r.top;
    first += ptrdiff_t(row) * stride + ptrdiff_t(r.left) * 4;
  }

  ZEvuvoro::CImage image;
  image.Attach(w, h, int(stride), const_cast<uint8_t*>(first));
  const bool jpeg = g_Config.m_ImageFormat != 0;
  const std::wstring path = ReserveSnapshotPath(folder.c_str(), now, jpeg);
  if (path.empty()) return;
  // A BMP stores its rows bottom-up and a JPEG top-down.
  const int written =
      jpeg ? image.SaveJpeg(path.c_str(), bottomUp ? 1 : 0) : image.SaveBmp(path.c_str(), bottomUp ? 0 : 1);
  if (!written) {
    // Nothing was taken: no empty file, no project, no shutter sound.
    DeleteFileW(path.c_str());
    return;
  }
  m_pHost->OpenFile(path.c_str());
  const int items = m_pHost->ImageStripCount();
  if (items > 0) m_pHost->SelectImageStripItem(items - 1);
  m_pHost->PlaySoundResource(kSnapshotSound);
}
