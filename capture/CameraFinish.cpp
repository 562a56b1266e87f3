// Finishing the recordings once capture has stopped: the save dialog, then a
// move or an encoding, and opening the result.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>

#include "capture/Camera.h"
#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "capture/RecordingDialogs.h"
#include "settings/Configuration.h"
#include "vendor/vidmill/Vidmill.h"

void CCameraFactory::StopOrphanRecorder(CVidmill* recorder) {
  // A direct recording ends with its device; a buffered one keeps its frames.
  if (recorder && recorder->m_DirectFile) recorder->Stop();
}

void CCameraFactory::FinishRecordings() {
  // The dialogs' progress bars.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  for (size_t i = 0; i < m_Cameras.size(); ++i) {
    COrvelCamera* camera = m_Cameras[i];
    if (!camera->GetRecorder()) continue;
    FinishRecording(camera->GetName(), static_cast<int>(i), camera->TakeRecorder(), camera);
  }
  // Recordings of cameras removed meanwhile.
  std::vector<OrphanRecording> orphans;
  orphans.swap(m_Orphans);
  for (OrphanRecording& orphan : orphans)
    FinishRecording(orphan.name.c_str(), orphan.position, orphan.recorder, nullptr);
}

void CCameraFactory::FinishRecording(const wchar_t* name, int position, CVidmill* recorder, COrvelCamera* camera) {
  const bool direct = recorder->m_DirectFile != 0;
  if (direct) recorder->Stop();
  const std::wstring cameraName = name ? name : L"";
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const size_t size = cameraName.size() + 385;
  std::wstring proposed(size, L'\0');
  const int length = swprintf(proposed.data(), size, L"%ls(%d)-%d.%d-%d;%d;%d;%d.avi", cameraName.c_str(), position,
                              now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  proposed.resize(length > 0 ? static_cast<size_t>(length) : 0);
  if (proposed.size() > MAX_PATH - 1) proposed.resize(MAX_PATH - 1);

  std::wstring chosen = proposed;
  const bool accepted = GetCaptureShell()->AskRecordingFileName(chosen);
  const std::wstring recorded = recorder->m_Destination ? recorder->m_Destination : L"";
  std::wstring offered;
  if (!accepted) {
    if (direct) {
      GetCaptureShell()->ShowInFolder(recorded.c_str());
      offered = recorded;
    }
  } else if (direct) {
    CDlgMoving dialog(recorded.c_str(), chosen.c_str());
    const INT_PTR result = dialog.DoModal(GetActiveWindow());
    offered = result == 1 ? chosen : recorded;
  } else {
    recorder->SetDestinationFileName(chosen.c_str());
    if (camera) ClipRecorder(camera, recorder);
    CDlgBurn dialog(recorder);
    dialog.DoModal(GetActiveWindow());
    recorder->Stop();
    if (dialog.IsDone()) offered = chosen;
  }
  DeleteVidmill(recorder);
  if (!offered.empty() && g_Config.m_AddVideo) {
    GetCaptureShell()->OpenFile(offered.c_str());
    const int items = GetCaptureShell()->ImageStripCount();
    if (items > 0) GetCaptureShell()->SelectImageStripItem(items - 1);
  }
}

void CCameraFactory::ApplyClipRect(COrvelCamera* camera) {
  if (camera && camera->GetRecorder()) ClipRecorder(camera, camera->GetRecorder());
}

void CCameraFactory::ClipRecorder(COrvelCamera* camera, CVidmill* recorder) {
  RECT part{};
  bool valid = false, nonEmpty = false;
  if (!RegionPart(camera, &part, &valid, &nonEmpty)) return;
  const int enable = valid && nonEmpty && part.right > 0 && part.bottom > 0 ? 1 : 0;
  recorder->SetClipRect(enable, &part);
}
