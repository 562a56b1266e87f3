#include "capture/ProjectVideo.h"

#include <dshow.h>
#include <emmintrin.h>
#include <mmsystem.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "engine/Image.h"
#include "capture/GraphTools.h"
#include "win32/ComPtr.h"

using win32::CComPtr;

CProjectVideo* g_pActiveVideo = nullptr;

namespace {

constexpr LONGLONG kOneSecond = 10000000;
constexpr DWORD kFirstFrameWaitMs = 9000;

CProjectVideo::ClockFunction g_Clock = nullptr;

DWORD Now() { return g_Clock ? g_Clock() : timeGetTime(); }

template <class T>
void ReleaseField(T*& field) {
  if (field) field->Release();
  field = nullptr;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  if (type->cbFormat && type->pbFormat) CoTaskMemFree(type->pbFormat);
  if (type->pUnk) type->pUnk->Release();
  CoTaskMemFree(type);
}

bool IsConnected(IPin* pin) {
  CComPtr<IPin> peer;
  return SUCCEEDED(pin->ConnectedTo(&peer)) && peer;
}

CComPtr<IPin> FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  CComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins)) || !pins) return {};
  pins->Reset();
  CComPtr<IPin> pin;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    if (IsConnected(pin)) continue;
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info))) continue;
    if (info.pFilter) info.pFilter->Release();
    if (info.dir == direction) return pin;
  }
  return {};
}

// Depth first through the filters behind the source: renders the first
// unconnected output pin that offers sound.
int RenderFirstAudioPin(IGraphBuilder* graph, IBaseFilter* filter) {
  CComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins)) || !pins) return 0;
  CComPtr<IPin> pin;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    CComPtr<IPin> peer;
    if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) {
      PIN_INFO info{};
      if (FAILED(peer->QueryPinInfo(&info))) continue;
      CComPtr<IBaseFilter> next;
      next.Attach(info.pFilter);
      if (info.dir == PINDIR_INPUT && next && RenderFirstAudioPin(graph, next)) return 1;
      continue;
    }
    PIN_DIRECTION direction;
    if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) continue;
    CComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(&types)) || !types) continue;
    AM_MEDIA_TYPE* type = nullptr;
    while (types->Next(1, &type, nullptr) == S_OK) {
      const bool audio = type && type->majortype == MEDIATYPE_Audio;
      DeleteMediaType(type);
      type = nullptr;
      if (audio) {
        graph->Render(pin);  // no sound device is no reason to stop the picture
        return 1;
      }
    }
  }
  return 0;
}

}  // namespace

void CopyFrameFlippedOpaqueScalar(const BYTE* src, int width, int height, BYTE* dst, int dstStride) {
  for (int r = 0; r < height; ++r) {
    const auto* in = reinterpret_cast<const uint32_t*>(src + size_t(r) * width * 4);
    auto* out = reinterpret_cast<uint32_t*>(dst + ptrdiff_t(height - 1 - r) * dstStride);
    for (int x = 0; x < width; ++x) out[x] = in[x] | 0xFF000000u;
  }
}

void CopyFrameFlippedOpaque(const BYTE* src, int width, int height, BYTE* dst, int dstStride) {
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (int r = 0; r < height; ++r) {
    const BYTE* in = src + size_t(r) * width * 4;
    BYTE* out = dst + ptrdiff_t(height - 1 - r) * dstStride;
    int x = 0;
    for (; x + 16 <= width; x += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * 4));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * 4 + 16));
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * 4 + 32));
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * 4 + 48));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4), _mm_or_si128(a, alpha));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4 + 16), _mm_or_si128(b, alpha));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4 + 32), _mm_or_si128(c, alpha));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4 + 48), _mm_or_si128(d, alpha));
    }
    for (; x + 4 <= width; x += 4) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x * 4));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4), _mm_or_si128(a, alpha));
    }
    for (; x < width; ++x) {
      uint32_t v;
      std::memcpy(&v, in + x * 4, 4);
      v |= 0xFF000000u;
      std::memcpy(out + x * 4, &v, 4);
    }
  }
}

void CProjectVideo::SetClock(ClockFunction clock) { g_Clock = clock; }

CProjectVideo::CProjectVideo(CProjectManager* manager, const wchar_t* path) : CProject(manager, path) {
  m_bVideo = 1;
  m_hFirstFrame = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_EventWnd.m_pObserver = this;
}

CProjectVideo::~CProjectVideo() {
  // Normally closed before, which leaves nothing to do here; a project deleted
  // without closing must not leave a graph calling into freed memory.
  if (g_pActiveVideo == this) g_pActiveVideo = nullptr;
  ReleaseGraph();
  if (m_hFirstFrame) CloseHandle(m_hFirstFrame);
}

int CProjectVideo::BuildGraph(int still) {
  if (!m_pszPath) return 0;
  ReleaseGraph();
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                              IID_IGraphBuilder, reinterpret_cast<void**>(&m_pGraph))) ||
      !m_pGraph)
    return 0;
  if (FAILED(m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_pMediaControl))) ||
      !m_pMediaControl)
    return 0;
  if (FAILED(m_pGraph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_pMediaEvents))) || !m_pMediaEvents)
    return 0;
  const HWND window = m_EventWnd.Create();
  if (!window) return 0;
  m_EventWnd.m_pMediaEvent = m_pMediaEvents;
  m_pMediaEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(window), WM_GRAPHNOTIFY, 0);
  if (FAILED(m_pGraph->AddSourceFilter(m_pszPath, nullptr, &m_pSourceFilter)) || !m_pSourceFilter) return 0;
  m_pGrabber = CreateMediaGrabber();
  if (!m_pGrabber) return 0;
  if (FAILED(m_pGrabber->GetFilter(&m_pGrabberFilter)) || !m_pGrabberFilter) return 0;
  if (FAILED(m_pGraph->AddFilter(m_pGrabberFilter, L"SampleGrabber"))) return 0;
  CComPtr<IPin> input = FindUnconnectedPin(m_pGrabberFilter, PINDIR_INPUT);
  if (!input) return 0;

  bool connected = false;
  CComPtr<IEnumPins> pins;
  if (SUCCEEDED(m_pSourceFilter->EnumPins(&pins)) && pins) {
    CComPtr<IPin> pin;
    while (!connected && pins->Next(1, &pin, nullptr) == S_OK) {
      PIN_DIRECTION direction;
      if (IsConnected(pin) || FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) continue;
      connected = SUCCEEDED(m_pGraph->Connect(pin, input));
    }
  }
  if (!connected) return 0;

  int width = 0, height = 0;
  m_pGrabber->GetFrameSize(&width, &height);
  m_nFrameWidth = std::abs(width);
  m_nFrameHeight = std::abs(height);
  if (m_nFrameWidth <= 0 || m_nFrameHeight <= 0) return 0;
  m_FrameImage.Create(m_nFrameWidth, m_nFrameHeight);
  if (!m_FrameImage.IsValid()) return 0;
  m_pGrabber->m_Flag = still;
  m_pGrabber->SetCallback(this);
  return 1;
}

int CProjectVideo::BuildPlaybackGraph() {
  // A half-built graph must not stay: Play would take it for a built one and
  // run it.
  if (!BuildGraph(0)) {
    ReleaseGraph();
    return 0;
  }
  RenderFirstAudioPin(m_pGraph, m_pSourceFilter);
  if (FAILED(m_pGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&m_pSeeking))) || !m_pSeeking) {
    ReleaseGraph();
    return 0;
  }
  LONGLONG duration = 0;
  m_pSeeking->GetDuration(&duration);
  m_nDuration = duration;
  if (g_pVideoPanelSink) g_pVideoPanelSink->SetDuration(m_nDuration);
  return 1;
}

BOOL CProjectVideo::LoadFirstFrame() {
  InterlockedExchange(&m_nFirstFrame, 1);
  BOOL result = FALSE;
  if (BuildGraph(1)) {
    CComPtr<IMediaSeeking> seeking;
    if (SUCCEEDED(m_pGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking))) && seeking) {
      LONGLONG duration = 0;
      seeking->GetDuration(&duration);
      m_nDuration = duration;
      LONGLONG position = m_nDuration / 2;
      if (position > kOneSecond) position = kOneSecond;
      seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    }
    ResetEvent(m_hFirstFrame);
    if (SUCCEEDED(m_pMediaControl->Run())) {
      WaitForSingleObject(m_hFirstFrame, kFirstFrameWaitMs);
      result = TRUE;
    }
  }
  // Whatever happened, no half-built graph and no first-frame mode may stay
  // behind: later playback would deliver nothing to the document.
  ReleaseGraph();
  InterlockedExchange(&m_nFirstFrame, 0);
  return result;
}

void CProjectVideo::DetachCallback() {
  // Waits, serving sent messages, for a frame still in the callback.
  if (m_pGrabber) m_pGrabber->SetCallback(nullptr);
}

void CProjectVideo::AttachCallback() {
  if (m_pGrabber) m_pGrabber->SetCallback(this);
}

void CProjectVideo::SetPosition(LONGLONG position) {
  DetachCallback();
  m_pSeeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  AttachCallback();
}

int CProjectVideo::Play() {
  if (g_pActiveVideo && g_pActiveVideo != this) g_pActiveVideo->ReleaseGraph();
  g_pActiveVideo = this;
  if (!m_pMediaControl) BuildPlaybackGraph();
  if (m_pMediaControl) {
    if (m_pSeeking) {
      LONGLONG current = 0, stop = 0;
      m_pSeeking->GetPositions(&current, &stop);
      if (current >= m_nDuration) SetPosition(0);
    }
    if (FAILED(m_pMediaControl->Run())) return 0;
  }
  m_dwPlayStart = m_dwLastText = Now();
  if (m_pDocument) m_pDocument->ShowInfoLine(0);
  return 1;
}

int CProjectVideo::Pause() {
  if (m_pMediaControl && FAILED(m_pMediaControl->Pause())) return 0;
  return 1;
}

void CProjectVideo::SeekPercent(int percent) {
  if (!m_pSeeking || m_nDuration <= 0) return;
  const LONGLONG position = static_cast<LONGLONG>(static_cast<float>(percent * m_nDuration) / 100.0f);
  SetPosition(position);
}

void CProjectVideo::ReleaseGraph() {
  // Detached before the stop: a frame waiting in the canvas or slider message
  // would hold the stop on this thread.
  DetachCallback();
  if (m_pMediaControl) m_pMediaControl->Stop();
  if (m_pMediaEvents) {
    m_pMediaEvents->SetNotifyWindow(0, 0, 0);
    m_EventWnd.m_pMediaEvent = nullptr;
    ReleaseField(m_pMediaEvents);
  }
  if (m_pGraph && m_pSourceFilter) {
    RemoveDownstream(m_pGraph, m_pSourceFilter);
    m_pGraph->RemoveFilter(m_pSourceFilter);
  }
  ReleaseField(m_pGrabberFilter);
  if (m_pGrabber) {
    m_pGrabber->Release();
    m_pGrabber = nullptr;
  }
  ReleaseField(m_pSourceFilter);
  ReleaseField(m_pMediaControl);
  ReleaseField(m_pSeeking);
  ReleaseField(m_pGraph);
  m_EventWnd.Destroy();
}

void CProjectVideo::OnDestroy() {
  if (g_pActiveVideo == this) g_pActiveVideo = nullptr;
  ReleaseGraph();
}

void CProjectVideo::OnSample(const BYTE* pixels, int flag) {
  if (!pixels) return;
  if (flag == 0 && m_pSeeking && m_nDuration > 0) {
    LONGLONG current = 0, stop = 0;
    m_pSeeking->GetPositions(&current, &stop);
    m_nPosition = current;
    LONGLONG percent = m_nPosition * 100 / m_nDuration;
    if (percent > 100) percent = 100;
    if (g_pVideoPanelSink) g_pVideoPanelSink->SetPos(static_cast<int>(percent));
  }
  DeliverFrame(pixels);
}

void CProjectVideo::FormatElapsed(DWORD elapsedMs) {
  const auto s = static_cast<unsigned>(static_cast<float>(elapsedMs) / 1000.0f);
  const unsigned seconds = s % 60;
  const unsigned minutes = (s / 60) % 60;
  unsigned hours = (s - seconds - 60 * minutes) / 3600;
  if (hours >= 100) hours = 0;
  swprintf(m_szHours, 8, L"%u", hours);
  swprintf(m_szMinutes, 8, minutes < 10 ? L"0%u" : L"%u", minutes);
  swprintf(m_szSeconds, 8, seconds < 10 ? L"0%u" : L"%u", seconds);
  swprintf(m_szElapsed, 32, L"%ls:%ls:%ls", m_szHours, m_szMinutes, m_szSeconds);
}

void CProjectVideo::DeliverFrame(const BYTE* pixels) {
  if (InterlockedExchangeAdd(&m_nFirstFrame, 0)) {
    // Only the first frame counts: a later one must not overwrite the picture
    // the caller is about to read.
    if (InterlockedCompareExchange(&m_nFirstFrame, 2, 1) != 1) return;
    CopyFrameFlippedOpaque(pixels, m_nFrameWidth, m_nFrameHeight, m_FrameImage.GetData(), m_FrameImage.GetStride());
    SetEvent(m_hFirstFrame);
    return;
  }
  if (!m_pDocument) return;
  const DWORD now = Now();
  const wchar_t* text = nullptr;
  if (now - m_dwLastText >= 1000) {
    m_dwLastText = now;
    FormatElapsed(now - m_dwPlayStart);
    text = m_szElapsed;
  }
  CopyFrameFlippedOpaque(pixels, m_nFrameWidth, m_nFrameHeight, m_FrameImage.GetData(), m_FrameImage.GetStride());
  m_pDocument->UploadFrame(m_FrameImage.GetData(), m_FrameImage.GetWidth(), m_FrameImage.GetHeight(),
                           m_FrameImage.GetStride(), text);
}

void CProjectVideo::OnGraphError() { OnGraphComplete(); }

void CProjectVideo::OnGraphUserAbort() { OnGraphComplete(); }

void CProjectVideo::OnGraphComplete() {
  if (InterlockedExchangeAdd(&m_nFirstFrame, 0)) SetEvent(m_hFirstFrame);
  if (m_pDocument) m_pDocument->HideInfoLine(0);
  if (g_pVideoPanelSink) g_pVideoPanelSink->SetPos(0);
}

void CProjectVideo::OnGraphPaused() { m_dwLastText = 0; }
