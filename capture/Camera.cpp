#include "capture/Camera.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstring>
#include <cwchar>

#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "win32/Window.h"

namespace {

COrvelCamera::ClockFunction g_Clock = nullptr;

constexpr size_t kMaxNameChars = 250;

wchar_t* CopyText(const wchar_t* text, size_t maxChars) {
  if (!text || !*text) return nullptr;
  const size_t length = wcsnlen(text, maxChars);
  auto* copy = new wchar_t[length + 1];
  wmemcpy(copy, text, length);
  copy[length] = L'\0';
  return copy;
}

void FormatTwoDigits(wchar_t* out, size_t size, unsigned value) {
  swprintf(out, size, value <= 9 ? L"0%u" : L"%u", value);
}

}  // namespace

void COrvelCamera::SetClock(ClockFunction clock) { g_Clock = clock; }

DWORD COrvelCamera::Now() { return g_Clock ? g_Clock() : timeGetTime(); }

COrvelCamera::COrvelCamera() {
  InitializeCriticalSection(&m_csParams);
  m_Enhance.SetLock(&m_csParams);
}

COrvelCamera::~COrvelCamera() {
  delete[] m_pszName;
  delete[] m_pszDevicePath;
  m_Enhance.SetLock(nullptr);
  DeleteCriticalSection(&m_csParams);
}

void COrvelCamera::ShowPropertyPages(HWND, int) {}

bool COrvelCamera::DeferDeletion() {
  if (m_nPropertyPagesDepth == 0) return false;
  m_bDeleteAfterPages = true;
  if (m_pPropertySheet && m_pPropertySheet->m_hWnd) m_pPropertySheet->PostMessage(PSM_PRESSBUTTON, PSBTN_CANCEL);
  return true;
}
int COrvelCamera::LoadConfig(int) { return 0; }
int COrvelCamera::SaveConfig(int) { return 0; }

int COrvelCamera::GetLocked(const int& field) {
  EnterCriticalSection(&m_csParams);
  const int value = field;
  LeaveCriticalSection(&m_csParams);
  return value;
}

void COrvelCamera::SetLocked(int& field, int value) {
  EnterCriticalSection(&m_csParams);
  field = value;
  LeaveCriticalSection(&m_csParams);
}

int COrvelCamera::GetMirrorV() { return GetLocked(m_bMirrorV); }
int COrvelCamera::GetMirrorH() { return GetLocked(m_bMirrorH); }
int COrvelCamera::GetWhiteBalanceMode() { return GetLocked(m_nWhiteBalance); }
int COrvelCamera::GetColorful() { return GetLocked(m_nColorful); }
int COrvelCamera::GetColorCorrection() { return GetLocked(m_nColorCorrection); }
int COrvelCamera::GetSaturation() { return GetLocked(m_nSaturation); }
int COrvelCamera::GetBrightness() { return GetLocked(m_nBrightness); }
int COrvelCamera::GetContrast() { return GetLocked(m_nContrast); }
int COrvelCamera::GetHue() { return GetLocked(m_nHue); }
int COrvelCamera::GetGamma() { return GetLocked(m_nGamma); }
int COrvelCamera::GetGammaEnabled() { return GetLocked(m_nGammaEnabled); }
int COrvelCamera::GetRed() { return GetLocked(m_nRed); }
int COrvelCamera::GetGreen() { return GetLocked(m_nGreen); }
int COrvelCamera::GetBlue() { return GetLocked(m_nBlue); }

int COrvelCamera::SetMirrorV(int value) {
  SetLocked(m_bMirrorV, value);
  return 1;
}

int COrvelCamera::SetMirrorH(int value) {
  SetLocked(m_bMirrorH, value);
  return 1;
}

int COrvelCamera::SetWhiteBalanceMode(int mode) {
  m_Enhance.SetAutoWhiteBalance(mode);
  m_nWhiteBalance = mode;
  if (mode == 0) {
    // Freeze the last automatic estimate as the camera's gains.
    m_nRed = m_Enhance.GetRedGain();
    m_nGreen = m_Enhance.GetGreenGain();
    m_nBlue = m_Enhance.GetBlueGain();
  }
  return 1;
}

int COrvelCamera::SetColorful(int value) {
  m_Enhance.SetColorful(value);
  m_nColorful = value;
  return 1;
}

int COrvelCamera::SetColorCorrection(int value) {
  m_Enhance.SetColorCorrection(value);
  m_nColorCorrection = value;
  return 1;
}

int COrvelCamera::SetSaturation(int value) {
  m_Enhance.SetSaturation(value);
  m_nSaturation = value;
  return 1;
}

int COrvelCamera::SetBrightness(int value) {
  m_Enhance.SetBrightness(value);
  m_nBrightness = value;
  return 1;
}

int COrvelCamera::SetContrast(int value) {
  m_Enhance.SetContrast(value);
  m_nContrast = value;
  return 1;
}

int COrvelCamera::SetHue(int value) {
  m_Enhance.SetHue(value);
  m_nHue = value;
  return 1;
}

int COrvelCamera::SetGamma(int value) {
  m_Enhance.SetGamma(value);
  m_nGamma = value;
  return 1;
}

int COrvelCamera::SetGammaEnabled(int value) {
  m_Enhance.SetGammaEnabled(value);
  m_nGammaEnabled = value;
  return 1;
}

int COrvelCamera::SetRed(int value) {
  m_Enhance.SetRedGain(value);
  m_nRed = value;
  return 1;
}

int COrvelCamera::SetGreen(int value) {
  m_Enhance.SetGreenGain(value);
  m_nGreen = value;
  return 1;
}

int COrvelCamera::SetBlue(int value) {
  m_Enhance.SetBlueGain(value);
  m_nBlue = value;
  return 1;
}

void COrvelCamera::SetName(const wchar_t* name) {
  delete[] m_pszName;
  m_pszName = CopyText(name, kMaxNameChars);
}

void COrvelCamera::SetDevicePath(const wchar_t* path) {
  delete[] m_pszDevicePath;
  m_pszDevicePath = CopyText(path, static_cast<size_t>(-1));
}

void COrvelCamera::RequestSnapshot(bool useStillPin) {
  if (useStillPin && TriggerStill()) return;
  SetLocked(m_bSnapshotRequest, 1);
}

int COrvelCamera::GetRecordRequest() { return GetLocked(m_bRecordRequest); }

void COrvelCamera::SetRecordRequest(int on) { SetLocked(m_bRecordRequest, on); }

void COrvelCamera::SetAutoSnap(int on) {
  EnterCriticalSection(&m_csParams);
  m_dwLastAutoSnap = 0;
  m_bAutoSnap = on;
  LeaveCriticalSection(&m_csParams);
}

void COrvelCamera::SetSnapInterval(int ms) {
  EnterCriticalSection(&m_csParams);
  m_dwAutoSnapInterval = static_cast<DWORD>(ms);
  LeaveCriticalSection(&m_csParams);
}

CVidmill* COrvelCamera::TakeRecorder() {
  CVidmill* recorder = m_pRecorder;
  m_pRecorder = nullptr;
  return recorder;
}

void COrvelCamera::UpdateRate(DWORD now) {
  const DWORD window = now - m_dwLastRateTime;
  m_fFrameRate = static_cast<float>(m_nFramesInWindow) * 1000.0f / static_cast<float>(window);
  m_nFramesInWindow = 0;
  m_dwLastRateTime = now;
  const unsigned elapsed = static_cast<unsigned>(static_cast<float>(now - m_dwStartTime) / 1000.0f);
  FormatTwoDigits(m_szSeconds, 8, elapsed % 60);
  FormatTwoDigits(m_szMinutes, 8, (elapsed / 60) % 60);
  const unsigned hours = elapsed / 3600;
  swprintf(m_szHours, 8, L"%u", hours >= 100 ? 0u : hours);
  swprintf(m_szTimer, 32, L"%ls:%ls:%ls", m_szHours, m_szMinutes, m_szSeconds);
  if (m_pFactory && m_pFactory->GetCurrentCamera() == this) GetCaptureShell()->ShowFrameRate(m_fFrameRate);
}

void COrvelCamera::OnFrame(const BYTE* pixels) {
  if (!pixels) return;
  ++m_nFramesInWindow;
  const DWORD now = Now();
  const wchar_t* timer = nullptr;
  if (now - m_dwLastRateTime >= 1000) {
    UpdateRate(now);
    timer = m_szTimer;
  }

  EnterCriticalSection(&m_csParams);
  const int mirrorV = m_bMirrorV, mirrorH = m_bMirrorH;
  const int snapshot = m_bSnapshotRequest, record = m_bRecordRequest, autoSnap = m_bAutoSnap;
  m_bSnapshotRequest = 0;
  m_bRecordRequest = 0;
  LeaveCriticalSection(&m_csParams);

  if (record) StartRecording();

  const int width = m_nWidth, height = m_nHeight;
  if (width < 1 || height < 1 || !m_FrameImage.m_pData || m_FrameImage.m_nWidth != width ||
      m_FrameImage.m_nHeight != height)
    return;
  const int rowBytes = width * 4;
  // The enhancement works in place on the delivered buffer.
  m_Enhance.Process(pixels, rowBytes, const_cast<BYTE*>(pixels), rowBytes);

  uint8_t* dst = m_FrameImage.m_pData;
  const int dstStride = m_FrameImage.m_nStride;
  for (int y = 0; y < height; ++y) {
    const BYTE* src = pixels + static_cast<ptrdiff_t>(mirrorV ? height - 1 - y : y) * rowBytes;
    uint8_t* row = dst + static_cast<ptrdiff_t>(y) * dstStride;
    if (!mirrorH) {
      memcpy(row, src, static_cast<size_t>(rowBytes));
    } else {
      const uint32_t* in = reinterpret_cast<const uint32_t*>(src);
      uint32_t* out = reinterpret_cast<uint32_t*>(row);
      for (int x = 0; x < width; ++x) out[x] = in[width - 1 - x];
    }
  }

  WriteRecorderFrame(now);

  if (snapshot) {
    GetCaptureShell()->SaveCameraSnapshot(this, m_FrameImage.m_pData);
  } else if (autoSnap) {
    EnterCriticalSection(&m_csParams);
    const bool due = now - m_dwLastAutoSnap >= m_dwAutoSnapInterval;
    LeaveCriticalSection(&m_csParams);
    if (due) {
      GetCaptureShell()->SaveCameraSnapshot(this, m_FrameImage.m_pData);
      EnterCriticalSection(&m_csParams);
      m_dwLastAutoSnap = now;
      LeaveCriticalSection(&m_csParams);
    }
  }

  if (m_pFactory) m_pFactory->NotifyFrame(this, m_FrameImage.m_pData, timer);
}

int COrvelCamera::Open() {
  if (EnumerateFormats() != 1) return 0;
  m_bOpened = 1;
  return 1;
}

void COrvelCamera::Close() {
  m_bOpened = 0;
  CloseDevice();
}

int COrvelCamera::Connect() {
  EnterCriticalSection(&m_csParams);
  m_bSnapshotRequest = 0;
  m_bAutoSnap = 0;
  LeaveCriticalSection(&m_csParams);
  m_nFramesInWindow = 0;
  m_fFrameRate = 0;
  if (!m_bOpened) return 0;
  const int result = BuildGraph();
  m_Enhance.Create(m_nWidth, m_nHeight);
  m_FrameImage.Create(m_nWidth, m_nHeight);
  return result;
}

int COrvelCamera::Run() {
  if (!m_bOpened) return 0;
  m_bRunning = RunGraph();
  m_dwStartTime = m_dwLastRateTime = Now();
  m_nFramesInWindow = 0;
  GetCaptureShell()->ShowInfoLine(m_nIndex);
  return m_bRunning;
}

int COrvelCamera::Resume() {
  if (!m_bOpened) return 0;
  const int result = ResumeGraph();
  m_dwLastRateTime = Now();
  m_nFramesInWindow = 0;
  return result;
}

int COrvelCamera::Pause() { return m_bOpened ? PauseGraph() : 0; }

int COrvelCamera::Stop() {
  if (!m_bOpened) return 0;
  m_bRunning = 0;
  const int result = StopGraph();
  EnterCriticalSection(&m_csParams);
  m_bSnapshotRequest = 0;
  m_bRecordRequest = 0;
  m_bAutoSnap = 0;
  LeaveCriticalSection(&m_csParams);
  m_nFramesInWindow = 0;
  GetCaptureShell()->HideInfoLine(m_nIndex);
  return result;
}

int COrvelCamera::TriggerStill() { return 0; }
int COrvelCamera::EnumerateFormats() { return 1; }
int COrvelCamera::CloseDevice() { return 1; }
int COrvelCamera::BuildGraph() { return 1; }
int COrvelCamera::RunGraph() { return 1; }
int COrvelCamera::ResumeGraph() { return 1; }
int COrvelCamera::PauseGraph() { return 1; }
int COrvelCamera::StopGraph() { return 1; }
