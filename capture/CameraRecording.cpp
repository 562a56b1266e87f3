// The camera's recorder: start, set-up and the frames written to it.
#include <algorithm>
#include <cwchar>
#include <string>

#include "capture/AudioFactory.h"
#include "capture/Camera.h"
#include "capture/CameraFactory.h"
#include "settings/Configuration.h"
#include "settings/SafeName.h"
#include "vendor/vidmill/Vidmill.h"

std::wstring ReserveRecordingPath(const wchar_t* folder, const wchar_t* cameraName, const SYSTEMTIME& time) {
  const std::wstring name = MakeSafeFileName(cameraName);
  if (!folder || !*folder || name.empty()) return {};
  const size_t size = wcslen(folder) + name.size() + 256;
  std::wstring stem(size, L'\0');
  const int length = swprintf(stem.data(), size, L"%ls\\%ls-%d.%d-%d;%d;%d;%d", folder, name.c_str(), time.wMonth,
                              time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
  if (length <= 0) return {};
  stem.resize(static_cast<size_t>(length));
  // Creating the file claims the name at once: a camera of the same name that
  // starts in the same millisecond gets the next number.
  for (int number = 1; number < 1000; ++number) {
    std::wstring path = stem + (number == 1 ? L"" : L"(" + std::to_wstring(number) + L")") + L".avi";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return path;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

int COrvelCamera::StartRecording() {
  if (m_pRecorder || m_nHeight < 1 || m_nWidth < 1) return 0;
  CVidmill* recorder = CreateVidmill();
  std::wstring reserved;
  if (g_Config.m_HighSpeedRecord == 0) {
    const std::wstring folder = g_Config.CopyVideoDir();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (m_pszName && folder.size() >= 2) reserved = ReserveRecordingPath(folder.c_str(), m_pszName, now);
    if (reserved.empty()) {
      DeleteVidmill(recorder);
      return 0;
    }
    recorder->SetDestinationFileName(reserved.c_str());
  }
  m_pRecorder = recorder;
  if (g_Config.m_HighSpeedRecord == 0 && m_pFactory) m_pFactory->ApplyClipRect(this);
  if (!SetupRecorder() || !recorder->Start()) {
    m_pRecorder = nullptr;
    DeleteVidmill(recorder);
    if (!reserved.empty()) DeleteFileW(reserved.c_str());
    return 0;
  }
  return 1;
}

int COrvelCamera::SetupRecorder() {
  CVidmill* recorder = m_pRecorder;
  if (!recorder) return 0;
  const DWORD seconds = std::clamp<DWORD>(g_Config.m_Duration, 2, 60);
  recorder->SetDuration(static_cast<int64_t>(seconds) * 1000);
  recorder->m_DirectFile = g_Config.m_HighSpeedRecord == 0 ? 1 : 0;
  recorder->m_Reserved = 0;
  recorder->SetFontFace(g_Config.CopyFontFace().c_str());
  recorder->SetInputMediaFormat(m_nWidth, m_nHeight, 32);
  recorder->SetQuality(static_cast<int>(g_Config.m_MovieQuality));
  recorder->SetFormat(static_cast<int>(g_Config.m_MovieFormat));
  if (COrvelAudioFactory* audio = g_pAudioFactory) {
    const int selected = audio->GetSelectedDevice();
    const auto& devices = audio->GetDevices();
    if (selected >= 0 && selected < static_cast<int>(devices.size())) {
      CAudioDevice* device = devices[static_cast<size_t>(selected)];
      const int input = device->GetSelectedInput();
      if (input >= 0 && input < static_cast<int>(device->GetInputs().size())) {
        recorder->m_AudioEnabled = static_cast<int>(g_Config.m_AudioEnabled);
        recorder->SetAudioSource(device->GetFilter(), device->GetInputs()[static_cast<size_t>(input)]->GetPin());
      }
    }
  }
  return 1;
}

void COrvelCamera::WriteRecorderFrame(DWORD now) {
  if (m_pRecorder) m_pRecorder->WriteFrame(m_FrameImage.m_pData, m_nWidth * 4, now, 0);
}
