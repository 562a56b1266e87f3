#include "capture/SlideShow.h"

#include <mmsystem.h>
#include <objbase.h>

#include <cstdlib>

#include "capture/CaptureShell.h"
#include "engine/DirectUI.h"
#include "settings/Configuration.h"
#include "vendor/vidmill/Vidmill.h"

namespace {

class CAutoLock {
 public:
  explicit CAutoLock(CSlideShow::CCritSec& lock) : m_lock(lock) { m_lock.Lock(); }
  ~CAutoLock() { m_lock.Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

 private:
  CSlideShow::CCritSec& m_lock;
};

int ProgressStep(DWORD frameStep, int transitionTime) {
  // A zero transition time would divide by zero: the change is then as quick as it gets.
  if (transitionTime <= 0) return 30;
  const int step = static_cast<int>(static_cast<float>(frameStep * 100) / static_cast<float>(transitionTime) + 0.5f);
  if (step > 30) return 30;
  if (step < 1) return 1;
  return step;
}

}  // namespace

CSlideShow::CSlideShow() {
  m_hWake = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_hAck = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_nProgressStep = ProgressStep(m_dwFrameStep, m_nTransitionTime);
}

CSlideShow::~CSlideShow() {
  // The worker must not outlive the object it works on, nor the canvas keep
  // the own document.
  Stop();
  if (m_hWake) ::CloseHandle(m_hWake);
  if (m_hAck) ::CloseHandle(m_hAck);
}

std::wstring CSlideShow::PluginFolder() { return g_Config.CopyAppDir(); }

DWORD CSlideShow::RandomSeed() { return ::timeGetTime(); }

BOOL CSlideShow::LoadTransitions() {
  const std::wstring folder = PluginFolder();
  if (folder.empty()) return FALSE;
  const std::wstring path = folder + L"\\Fadeworks.dll";
  m_hPlugin = ::LoadLibraryW(path.c_str());
  if (!m_hPlugin) return FALSE;
  m_pfnGetTransitionCount = reinterpret_cast<GetTransitionCountFn>(
      reinterpret_cast<void*>(::GetProcAddress(m_hPlugin, "GetTransitionCount")));
  m_pfnCreateTransition =
      reinterpret_cast<CreateTransitionFn>(reinterpret_cast<void*>(::GetProcAddress(m_hPlugin, "CreateTransition")));
  m_pfnDeleteTransition =
      reinterpret_cast<DeleteTransitionFn>(reinterpret_cast<void*>(::GetProcAddress(m_hPlugin, "DeleteTransition")));
  // A plug-in without all three would be called through null later.
  if (!m_pfnGetTransitionCount || !m_pfnCreateTransition || !m_pfnDeleteTransition) return FALSE;
  m_nTransitionCount = m_pfnGetTransitionCount();
  if (m_nTransitionCount <= 0) return FALSE;
  if (!g_pDirectUI) return FALSE;
  RECT rect{0, 0, m_nWidth, m_nHeight};
  m_Document.Create(g_pDirectUI, nullptr, nullptr, &rect);
  ::InterlockedExchange(&m_bAttached, 1);
  return TRUE;
}

void CSlideShow::SetShowTime(int ms) { m_nShowTime = ms; }

void CSlideShow::SetTransitionTime(int ms) { m_nTransitionTime = ms; }

void CSlideShow::SetFrameRate(int fps) {
  m_nFrameRate = fps < 10 ? 10 : (fps > 100 ? 100 : fps);
  DWORD step = static_cast<DWORD>(1000.0f / static_cast<float>(m_nFrameRate));
  if (step < 3) step = 3;
  m_dwFrameStep = step;
  m_nProgressStep = ProgressStep(m_dwFrameStep, m_nTransitionTime);
}

void CSlideShow::AddSlide(CDTImage* document, int projectIndex) { m_Slides.push_back({document, projectIndex}); }

void CSlideShow::SetSize(int width, int height) {
  if (width == m_nWidth && height == m_nHeight) return;
  m_nWidth = width;
  m_nHeight = height;
  if (width > 0 && height > 0) {
    m_BufferA.Create(width, height);
    m_BufferB.Create(width, height);
    m_Output.Create(width, height);
  }
}

void CSlideShow::Start(BOOL burn, const wchar_t* aviPath) {
  if (m_hThread) return;
  if (burn && aviPath) {
    m_pRecorder = CreateVidmill();
    m_pRecorder->SetDestinationFileName(aviPath);
    m_pRecorder->m_DirectFile = 1;
    m_pRecorder->m_Reserved = 0;
    m_pRecorder->SetInputMediaFormat(m_nWidth, m_nHeight, 32);
    m_pRecorder->SetQuality(static_cast<int>(g_Config.m_MovieQuality));
    m_pRecorder->SetFormat(static_cast<int>(g_Config.m_MovieFormat));
    m_pRecorder->m_SlideShow = 1;
    m_pRecorder->Start();
  }
  CAutoLock lock(m_Lock);
  m_nCommand = SLIDE_PAUSE;
  ::InterlockedExchange(&m_bRun, 1);
  m_hThread = ::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
  if (!m_hThread) ::InterlockedExchange(&m_bRun, 0);
}

void CSlideShow::Begin(CDTImage* documentToRestore) {
  std::srand(RandomSeed());
  m_nNextTransition = m_nTransitionCount > 0 ? std::rand() % m_nTransitionCount : 0;
  m_pPrevious = documentToRestore;
  SendCommand(SLIDE_NEXT);
  // A show that ended at once has already put the previous document back.
  if (g_pDirectUI && m_bAttached) g_pDirectUI->SetActiveImage(&m_Document, TRUE);
}

void CSlideShow::SendCommand(int command) {
  if (!m_hThread) return;
  {
    CAutoLock lock(m_Lock);
    ::ResetEvent(m_hAck);
    m_nCommand = command;
    if (m_nWaitCount) ::SetEvent(m_hWake);
  }
  PumpWait(m_hAck);
}

void CSlideShow::PumpWait(HANDLE event) {
  // The worker's end counts as an answer: a command it can no longer take
  // must not hold the main thread for ever.
  HANDLE handles[2] = {event, m_hThread};
  const DWORD count = (m_hThread && m_hThread != event) ? 2 : 1;
  for (;;) {
    const DWORD result = ::MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT);
    if (result < WAIT_OBJECT_0 + count) return;
    if (result != WAIT_OBJECT_0 + count) return;  // failed wait: nothing to wait for
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
}

void CSlideShow::Stop() {
  SendCommand(SLIDE_STOP);
  ::InterlockedExchange(&m_bRun, 0);
  if (m_hThread) {
    PumpWait(m_hThread);
    HANDLE thread = m_hThread;
    m_hThread = nullptr;
    ::CloseHandle(thread);
  }
  ReleaseShow();
  FinishRecorder(false);
}

DWORD WINAPI CSlideShow::ThreadProc(void* param) {
  auto* show = static_cast<CSlideShow*>(param);
  if (show->m_pRecorder)
    show->BurnLoop();
  else
    show->PreviewLoop();
  show->ThreadEnd();
  return 0;
}

bool CSlideShow::HeadCommand(int command, bool preview) {
  switch (command) {
    case SLIDE_STOP:
      if (preview) DeleteTransition();
      return false;
    case SLIDE_PAUSE: {
      CAutoLock lock(m_Lock);
      // Armed and acknowledged under the lock, so that a command arriving
      // meanwhile finds the wait armed and is not taken for this one.
      if (m_nCommand == SLIDE_PAUSE) {
        ::ResetEvent(m_hWake);
        ++m_nWaitCount;
        m_dwWaitTime = INFINITE;
        ::SetEvent(m_hAck);
      }
      return true;
    }
    case SLIDE_NEXT: {
      if (!NextSlide()) return false;
      CAutoLock lock(m_Lock);
      // A stop that came while the slide was prepared stays.
      if (m_nCommand == SLIDE_NEXT) m_nCommand = SLIDE_TRANSITION;
      ::SetEvent(m_hAck);
      return true;
    }
    default:
      return true;
  }
}

int CSlideShow::NextCommand() {
  int waits;
  DWORD waitTime;
  {
    CAutoLock lock(m_Lock);
    waits = m_nWaitCount;
    waitTime = m_dwWaitTime;
  }
  if (waits) {
    ::WaitForSingleObject(m_hWake, waitTime);
    CAutoLock lock(m_Lock);
    --m_nWaitCount;
  }
  CAutoLock lock(m_Lock);
  return m_nCommand;
}

void CSlideShow::PreviewLoop() {
  while (m_bRun) {
    const int command = NextCommand();
    if (command == SLIDE_TRANSITION)
      PreviewFrame();
    else if (!HeadCommand(command, true))
      return;
  }
}

void CSlideShow::BurnLoop() {
  m_dwClock = 0;
  while (m_bRun) {
    const int command = NextCommand();
    if (command == SLIDE_TRANSITION) {
      if (!BurnFrame()) return;
    } else if (!HeadCommand(command, false)) {
      return;
    }
  }
}

void CSlideShow::Upload(const ZEvuvoro::CImage& picture) {
  if (!picture.m_pData) return;  // a show without a size has nothing to show
  m_Document.UploadFrame(picture.m_pData, picture.m_nWidth, picture.m_nHeight, picture.m_nStride, nullptr);
}

void CSlideShow::PreviewFrame() {
  const DWORD now = ::timeGetTime();
  if (now - m_dwClock < m_dwFrameStep) return;
  m_dwClock = now;
  // Without a transition object the picture comes at once.
  if (m_pTransition && static_cast<unsigned>(m_nProgress) < 100u) {
    m_pTransition->Render(&m_Output, m_pFrom, m_pTo, m_nProgress);
    m_nProgress += m_nProgressStep;
    Upload(m_Output);
    return;
  }
  Upload(*m_pTo);
  CAutoLock lock(m_Lock);
  m_nProgress = 0;
  // A command sent during the transition found no wait to cut short: it is
  // taken at once instead of after the show time.
  if (m_nCommand != SLIDE_TRANSITION) return;
  ++m_nWaitCount;
  m_dwWaitTime = static_cast<DWORD>(m_nShowTime);
  m_nCommand = SLIDE_NEXT;
}

bool CSlideShow::BurnFrame() {
  if (m_pTransition && static_cast<unsigned>(m_nProgress) < 100u) {
    m_pTransition->Render(&m_Output, m_pFrom, m_pTo, m_nProgress);
    m_nProgress += m_nProgressStep;
    Upload(m_Output);
    m_pRecorder->WriteFrame(m_Output.m_pData, m_Output.m_nStride, m_dwClock, 0);
    m_dwClock += m_dwFrameStep;
    return true;
  }
  Upload(*m_pTo);
  m_pRecorder->WriteFrame(m_pTo->m_pData, m_pTo->m_nStride, m_dwClock, 0);
  m_dwClock += static_cast<DWORD>(m_nShowTime);
  if (!NextSlide()) return false;
  m_nProgress = 0;
  return true;
}

BOOL CSlideShow::NextSlide() {
  if (m_nNextSlide >= static_cast<int>(m_Slides.size())) return FALSE;
  const int index = m_nNextSlide++;
  CDTImage* document = m_Slides[static_cast<size_t>(index)].document;
  if (!document) return FALSE;
  if (index % 2 == 0) {
    m_pFrom = &m_BufferA;
    m_pTo = &m_BufferB;
  } else {
    m_pFrom = &m_BufferB;
    m_pTo = &m_BufferA;
  }
  D3DLOCKED_RECT locked;
  if (document->LockFrame(&locked)) {
    ZEvuvoro::CImage picture;
    picture.Attach(document->m_nWidth, document->m_nHeight, locked.pBits, locked.Pitch);
    if (document->m_nWidth == m_nWidth && document->m_nHeight == m_nHeight)
      m_pTo->CopyFrom(picture);
    else
      picture.ScaleTo(m_pTo, 0);
    document->UnlockFrame();
  }
  DeleteTransition();
  m_pTransition = m_pfnCreateTransition ? m_pfnCreateTransition(m_nNextTransition) : nullptr;
  if (++m_nNextTransition >= m_nTransitionCount) m_nNextTransition = 0;
  return TRUE;
}

void CSlideShow::DeleteTransition() {
  if (m_pTransition && m_pfnDeleteTransition) m_pfnDeleteTransition(m_pTransition);
  m_pTransition = nullptr;
}

void CSlideShow::ReleaseShow() {
  DeleteTransition();
  m_nNextTransition = 0;
  if (g_pDirectUI && m_pPrevious) {
    g_pDirectUI->SetActiveImage(m_pPrevious, TRUE);
    m_pPrevious = nullptr;
  }
  m_nNextSlide = 0;
  if (::InterlockedExchange(&m_bAttached, 0) && g_pDirectUI) g_pDirectUI->DetachElement(&m_Document);
}

void CSlideShow::FinishRecorder(bool showFile) {
  if (!m_pRecorder) return;
  m_pRecorder->Stop();
  if (showFile && m_pRecorder->m_Destination) {
    // The folder view is a shell object: this thread needs COM for it.
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    GetCaptureShell()->ShowInFolder(m_pRecorder->m_Destination);
    if (SUCCEEDED(hr)) ::CoUninitialize();
  }
  DeleteVidmill(m_pRecorder);
  m_pRecorder = nullptr;
}

void CSlideShow::ThreadEnd() {
  // The handle stays with the object: Stop waits on it and closes it, so the
  // show is never released while this clean-up runs.
  ReleaseShow();
  FinishRecorder(true);
  ::SetEvent(m_hAck);
}
