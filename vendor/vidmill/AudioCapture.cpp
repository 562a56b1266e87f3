#include "vendor/vidmill/AudioCapture.h"

#include <algorithm>
#include <cstring>

#include "vendor/vidmill/SinkFilter.h"

namespace vidmill {

namespace {

// {5A3B7C11-6E42-4C1B-9D5E-2F8A61C0B7E4}
const CLSID kClsidPcmSink = {0x5a3b7c11, 0x6e42, 0x4c1b, {0x9d, 0x5e, 0x2f, 0x8a, 0x61, 0xc0, 0xb7, 0xe4}};
constexpr DWORD kRingSeconds = 8;
constexpr DWORD kLargestChunk = 1 << 16;

bool IsPcm(const AM_MEDIA_TYPE& mt) {
  if (mt.majortype != MEDIATYPE_Audio || mt.subtype != MEDIASUBTYPE_PCM) return false;
  if (mt.formattype != FORMAT_WaveFormatEx || !mt.pbFormat || mt.cbFormat < 16) return false;
  const auto* wf = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
  return wf->wFormatTag == WAVE_FORMAT_PCM && (wf->wBitsPerSample == 8 || wf->wBitsPerSample == 16) &&
         wf->nChannels >= 1 && wf->nChannels <= 8 && wf->nSamplesPerSec >= 1000 && wf->nSamplesPerSec <= 192000 &&
         wf->nBlockAlign == wf->nChannels * wf->wBitsPerSample / 8;
}

}  // namespace

// The renderer at the end of the sound graph: whole PCM samples go to the
// capture's ring on the source's streaming thread.
class CPcmSink final : public CSinkFilter {
 public:
  explicit CPcmSink(CAudioCapture* owner) : CSinkFilter(kClsidPcmSink, L"In", false), m_Owner(owner) {}
  void Detach() {
    ::EnterCriticalSection(&m_Lock);
    m_Owner = nullptr;
    ::LeaveCriticalSection(&m_Lock);
  }
  WAVEFORMATEX Format() {
    ::EnterCriticalSection(&m_Lock);
    WAVEFORMATEX f = m_Format;
    ::LeaveCriticalSection(&m_Lock);
    return f;
  }

 protected:
  bool Accept(const AM_MEDIA_TYPE& mt) override { return IsPcm(mt); }
  bool Prepare(const AM_MEDIA_TYPE& mt) override {
    // Only the first type counts: the file's format cannot change midway.
    WAVEFORMATEX f = {};
    std::memcpy(&f, mt.pbFormat, 16);
    if (m_HaveFormat && std::memcmp(&f, &m_Format, 16) != 0) return false;
    m_Format = f;
    m_HaveFormat = true;
    return true;
  }
  void Deliver(const BYTE* data, long size) override {
    ::EnterCriticalSection(&m_Lock);
    if (m_Owner && size > 0) m_Owner->Collect(data, DWORD(size));
    ::LeaveCriticalSection(&m_Lock);
  }

 private:
  CAudioCapture* m_Owner;
  WAVEFORMATEX m_Format = {};
  bool m_HaveFormat = false;
};

CAudioCapture::CAudioCapture() { ::InitializeCriticalSection(&m_Lock); }

CAudioCapture::~CAudioCapture() {
  Release();
  SetSource(nullptr, nullptr);
  ::DeleteCriticalSection(&m_Lock);
}

void CAudioCapture::SetSource(IBaseFilter* filter, IPin* input) {
  if (filter) filter->AddRef();
  if (input) input->AddRef();
  if (m_Source) m_Source->Release();
  if (m_Input) m_Input->Release();
  m_Source = filter;
  m_Input = input;
}

bool CAudioCapture::Prepare() {
  Release();
  if (!m_Source) return false;
  if (m_Input) {
    IAMAudioInputMixer* mixer = nullptr;
    if (SUCCEEDED(m_Input->QueryInterface(IID_IAMAudioInputMixer, reinterpret_cast<void**>(&mixer))) && mixer) {
      mixer->put_Enable(TRUE);
      mixer->Release();
    }
  }
  if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_Graph))) ||
      !m_Graph) {
    Release();
    return false;
  }
  m_Sink = new CPcmSink(this);
  bool ok =
      SUCCEEDED(m_Graph->AddFilter(m_Source, L"Sound source")) && SUCCEEDED(m_Graph->AddFilter(m_Sink, L"Sound sink"));
  IPin* sinkPin = nullptr;
  if (ok) ok = SUCCEEDED(m_Sink->FindPin(L"In", &sinkPin));
  // The first output pin of the source that connects to the sink, through
  // a converter if need be.
  bool connected = false;
  IEnumPins* pins = nullptr;
  if (ok && SUCCEEDED(m_Source->EnumPins(&pins)) && pins) {
    IPin* pin = nullptr;
    while (!connected && pins->Next(1, &pin, nullptr) == S_OK) {
      PIN_DIRECTION dir;
      IPin* peer = nullptr;
      if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == PINDIR_OUTPUT && pin->ConnectedTo(&peer) != S_OK)
        connected = SUCCEEDED(m_Graph->Connect(pin, sinkPin));
      if (peer) peer->Release();
      pin->Release();
    }
    pins->Release();
  }
  if (sinkPin) sinkPin->Release();
  if (connected) ok = SUCCEEDED(m_Graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_Control)));
  if (!ok || !connected) {
    Release();
    return false;
  }
  m_Format = m_Sink->Format();
  m_Format.cbSize = 0;
  m_Silence.assign(std::max<DWORD>(m_Format.nAvgBytesPerSec / 10 / m_Format.nBlockAlign, 1) * m_Format.nBlockAlign,
                   m_Format.wBitsPerSample == 8 ? 0x80 : 0);
  ::EnterCriticalSection(&m_Lock);
  m_Ring.assign(size_t(m_Format.nAvgBytesPerSec) * kRingSeconds, 0);
  m_Written = m_Read = 0;
  m_Started = false;
  ::LeaveCriticalSection(&m_Lock);
  m_Prepared = true;
  return true;
}

bool CAudioCapture::Run() {
  if (!m_Prepared || !m_Control) return false;
  m_Running = SUCCEEDED(m_Control->Run());
  return m_Running;
}

void CAudioCapture::Stop() {
  if (m_Control && m_Running) m_Control->Stop();
  m_Running = false;
}

void CAudioCapture::Release() {
  Stop();
  if (m_Sink) m_Sink->Detach();
  if (m_Graph) {
    // The source leaves our graph so that it can join another one later.
    if (m_Source) m_Graph->RemoveFilter(m_Source);
    if (m_Sink) m_Graph->RemoveFilter(m_Sink);
  }
  if (m_Control) m_Control->Release();
  if (m_Sink) m_Sink->Release();
  if (m_Graph) m_Graph->Release();
  m_Control = nullptr;
  m_Sink = nullptr;
  m_Graph = nullptr;
  m_Prepared = false;
  m_Replay = INVALID_HANDLE_VALUE;  // the recorder owns the spool
}

void CAudioCapture::MarkStart() {
  ::EnterCriticalSection(&m_Lock);
  m_Read = m_Written;
  m_Started = true;
  ::LeaveCriticalSection(&m_Lock);
}

void CAudioCapture::Collect(const BYTE* data, DWORD size) {
  ::EnterCriticalSection(&m_Lock);
  const size_t capacity = m_Ring.size();
  // Before the first frame the sound is not wanted; when the recorder has
  // fallen a whole ring behind, what does not fit is lost.
  if (m_Started && capacity && m_Written - m_Read + size <= capacity) {
    const size_t at = size_t(m_Written % capacity);
    const size_t first = std::min<size_t>(size, capacity - at);
    std::memcpy(m_Ring.data() + at, data, first);
    std::memcpy(m_Ring.data(), data + first, size - first);
    m_Written += size;
  }
  ::LeaveCriticalSection(&m_Lock);
}

uint64_t CAudioCapture::BytesAt(uint64_t frames, DWORD rate, DWORD scale) const {
  if (!rate || !m_Format.nBlockAlign) return 0;
  // In two parts, so that no product leaves 64 bits.
  const uint64_t ticks = frames * scale;
  const uint64_t samples = ticks / rate * m_Format.nSamplesPerSec + ticks % rate * m_Format.nSamplesPerSec / rate;
  return samples * m_Format.nBlockAlign;
}

bool CAudioCapture::Peek(BYTE** data, DWORD* size, uint64_t max) {
  const DWORD block = m_Format.nBlockAlign ? m_Format.nBlockAlign : 1;
  if (m_Replay != INVALID_HANDLE_VALUE) {
    DWORD n = DWORD(std::min<uint64_t>({max, m_ReplayLeft, m_Chunk.size()}));
    n -= n % block;
    DWORD got = 0;
    if (n == 0 || !::ReadFile(m_Replay, m_Chunk.data(), n, &got, nullptr) || got != n) return false;
    *data = m_Chunk.data();
    *size = n;
    return true;
  }
  ::EnterCriticalSection(&m_Lock);
  const size_t capacity = m_Ring.size();
  uint64_t n = 0;
  if (capacity) {
    const size_t at = size_t(m_Read % capacity);
    n = std::min<uint64_t>({m_Written - m_Read, max, capacity - at, kLargestChunk});
    n -= n % block;
    *data = m_Ring.data() + at;
  }
  ::LeaveCriticalSection(&m_Lock);
  *size = DWORD(n);
  return n > 0;
}

void CAudioCapture::Consume(DWORD size) {
  if (m_Replay != INVALID_HANDLE_VALUE) {
    m_ReplayLeft -= std::min<uint64_t>(size, m_ReplayLeft);
    return;
  }
  ::EnterCriticalSection(&m_Lock);
  m_Read += size;
  ::LeaveCriticalSection(&m_Lock);
}

void CAudioCapture::ReplayFrom(HANDLE spool, uint64_t bytes) {
  LARGE_INTEGER zero = {};
  if (!::SetFilePointerEx(spool, zero, nullptr, FILE_BEGIN)) bytes = 0;
  m_Replay = spool;
  m_ReplayLeft = bytes;
  m_Chunk.resize(kLargestChunk);
}

}  // namespace vidmill
