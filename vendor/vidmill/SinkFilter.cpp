#include "vendor/vidmill/SinkFilter.h"

#include <algorithm>
#include <cstring>

namespace vidmill {

void FreeMediaTypeFields(AM_MEDIA_TYPE& mt) {
  if (mt.pbFormat) ::CoTaskMemFree(mt.pbFormat);
  if (mt.pUnk) mt.pUnk->Release();
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  mt.pUnk = nullptr;
}

bool CopyMediaTypeFields(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from) {
  to = from;
  to.pbFormat = nullptr;
  to.cbFormat = 0;
  if (from.cbFormat && from.pbFormat) {
    to.pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(from.cbFormat));
    if (!to.pbFormat) {
      to.pUnk = nullptr;
      return false;
    }
    std::memcpy(to.pbFormat, from.pbFormat, from.cbFormat);
    to.cbFormat = from.cbFormat;
  }
  if (to.pUnk) to.pUnk->AddRef();
  return true;
}

namespace {

// Lists nothing: the pin names no preferred types and takes what it accepts.
class CNoMediaTypes final : public IEnumMediaTypes {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) {
      *out = static_cast<IEnumMediaTypes*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++m_Ref); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG r = --m_Ref;
    if (r == 0) delete this;
    return ULONG(r);
  }
  STDMETHODIMP Next(ULONG, AM_MEDIA_TYPE**, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    return S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override { return count ? S_FALSE : S_OK; }
  STDMETHODIMP Reset() override { return S_OK; }
  STDMETHODIMP Clone(IEnumMediaTypes** out) override {
    if (!out) return E_POINTER;
    *out = new CNoMediaTypes;
    return S_OK;
  }

 private:
  std::atomic<LONG> m_Ref{1};
};

class COnePin final : public IEnumPins {
 public:
  explicit COnePin(IPin* pin, ULONG at = 0) : m_Pin(pin), m_At(at) { m_Pin->AddRef(); }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumPins) {
      *out = static_cast<IEnumPins*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++m_Ref); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG r = --m_Ref;
    if (r == 0) delete this;
    return ULONG(r);
  }
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
    if (!pins || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    if (count > 0 && m_At == 0) {
      pins[0] = m_Pin;
      m_Pin->AddRef();
      m_At = n = 1;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    if (count == 0) return S_OK;
    const bool ok = m_At == 0 && count == 1;
    m_At = 1;
    return ok ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    m_At = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPins** out) override {
    if (!out) return E_POINTER;
    *out = new COnePin(m_Pin, m_At);
    return S_OK;
  }

 private:
  ~COnePin() { m_Pin->Release(); }
  std::atomic<LONG> m_Ref{1};
  IPin* m_Pin;
  ULONG m_At;
};

}  // namespace

// The input pin lives inside its filter and counts references on it.
class CSinkFilter::CPin final : public IPin, public IMemInputPin {
 public:
  CPin(CSinkFilter* filter, const wchar_t* name) : m_Filter(filter) {
    wcsncpy(m_Name, name, MAX_PIN_NAME - 1);
    m_Name[MAX_PIN_NAME - 1] = 0;
  }
  ~CPin() {
    if (m_Connected) m_Connected->Release();
    FreeMediaTypeFields(m_Type);
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin) {
      *out = static_cast<IPin*>(this);
    } else if (iid == IID_IMemInputPin) {
      *out = static_cast<IMemInputPin*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return m_Filter->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return m_Filter->Release(); }

  // IPin
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override {
    if (!connector || !mt) return E_POINTER;
    EnterCriticalSection(&m_Filter->m_Lock);
    HRESULT hr = S_OK;
    if (m_Connected)
      hr = VFW_E_ALREADY_CONNECTED;
    else if (m_Filter->m_State != State_Stopped)
      hr = VFW_E_NOT_STOPPED;
    else if (!m_Filter->Accept(*mt) || !m_Filter->Prepare(*mt))
      hr = VFW_E_TYPE_NOT_ACCEPTED;
    else if (!CopyMediaTypeFields(m_Type, *mt))
      hr = E_OUTOFMEMORY;
    if (hr == S_OK) {
      m_Connected = connector;
      m_Connected->AddRef();
    }
    LeaveCriticalSection(&m_Filter->m_Lock);
    return hr;
  }
  STDMETHODIMP Disconnect() override {
    EnterCriticalSection(&m_Filter->m_Lock);
    HRESULT hr = S_OK;
    if (m_Filter->m_State != State_Stopped) {
      hr = VFW_E_NOT_STOPPED;
    } else if (!m_Connected) {
      hr = S_FALSE;
    } else {
      m_Connected->Release();
      m_Connected = nullptr;
      FreeMediaTypeFields(m_Type);
    }
    LeaveCriticalSection(&m_Filter->m_Lock);
    return hr;
  }
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    if (!pin) return E_POINTER;
    EnterCriticalSection(&m_Filter->m_Lock);
    *pin = m_Connected;
    if (m_Connected) m_Connected->AddRef();
    LeaveCriticalSection(&m_Filter->m_Lock);
    return *pin ? S_OK : VFW_E_NOT_CONNECTED;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override {
    if (!mt) return E_POINTER;
    EnterCriticalSection(&m_Filter->m_Lock);
    HRESULT hr = VFW_E_NOT_CONNECTED;
    if (m_Connected) {
      hr = CopyMediaTypeFields(*mt, m_Type) ? S_OK : E_OUTOFMEMORY;
    } else {
      std::memset(mt, 0, sizeof *mt);
    }
    LeaveCriticalSection(&m_Filter->m_Lock);
    return hr;
  }
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override {
    if (!info) return E_POINTER;
    info->pFilter = m_Filter;
    m_Filter->AddRef();
    info->dir = PINDIR_INPUT;
    std::memcpy(info->achName, m_Name, sizeof m_Name);
    return S_OK;
  }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override {
    if (!dir) return E_POINTER;
    *dir = PINDIR_INPUT;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR* id) override {
    if (!id) return E_POINTER;
    const size_t bytes = (wcslen(m_Name) + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, m_Name, bytes);
    return S_OK;
  }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override {
    if (!mt) return E_POINTER;
    return m_Filter->Accept(*mt) ? S_OK : S_FALSE;
  }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override {
    if (!types) return E_POINTER;
    *types = new CNoMediaTypes;
    return S_OK;
  }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override {
    EnterCriticalSection(&m_Filter->m_Lock);
    const bool notify = !m_Filter->m_Flushing && m_Filter->m_State == State_Running && !m_Filter->m_CompleteSent;
    if (!m_Filter->m_Flushing) m_Filter->m_EndOfStream = true;
    if (notify) m_Filter->m_CompleteSent = true;
    LeaveCriticalSection(&m_Filter->m_Lock);
    if (notify) m_Filter->NotifyComplete();
    return S_OK;
  }
  STDMETHODIMP BeginFlush() override {
    EnterCriticalSection(&m_Filter->m_Lock);
    m_Filter->m_Flushing = true;
    m_Filter->m_EndOfStream = m_Filter->m_CompleteSent = false;
    ::SetEvent(m_Filter->m_AbortEvent);
    LeaveCriticalSection(&m_Filter->m_Lock);
    return S_OK;
  }
  STDMETHODIMP EndFlush() override {
    EnterCriticalSection(&m_Filter->m_Lock);
    m_Filter->m_Flushing = false;
    if (m_Filter->m_State != State_Stopped) ::ResetEvent(m_Filter->m_AbortEvent);
    LeaveCriticalSection(&m_Filter->m_Lock);
    return S_OK;
  }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  // IMemInputPin: the upstream pin brings its own allocator.
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override {
    if (allocator) *allocator = nullptr;
    return VFW_E_NO_ALLOCATOR;
  }
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL) override { return allocator ? S_OK : E_POINTER; }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample* sample) override { return m_Filter->Receive(sample); }
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* done) override {
    if (!samples || !done) return E_POINTER;
    HRESULT hr = S_OK;
    for (*done = 0; *done < count; ++*done) {
      hr = m_Filter->Receive(samples[*done]);
      if (hr != S_OK) break;
    }
    return hr;
  }
  STDMETHODIMP ReceiveCanBlock() override { return S_OK; }

  CSinkFilter* m_Filter;
  wchar_t m_Name[MAX_PIN_NAME];
  IPin* m_Connected = nullptr;
  AM_MEDIA_TYPE m_Type = {};
};

CSinkFilter::CSinkFilter(const CLSID& clsid, const wchar_t* pinName, bool presentOnClock)
    : m_Clsid(clsid), m_PresentOnClock(presentOnClock) {
  ::InitializeCriticalSection(&m_Lock);
  m_RunEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_AbortEvent = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  m_Pin = new CPin(this, pinName);
}

CSinkFilter::~CSinkFilter() {
  delete m_Pin;
  if (m_Clock) m_Clock->Release();
  ::CloseHandle(m_RunEvent);
  ::CloseHandle(m_AbortEvent);
  ::DeleteCriticalSection(&m_Lock);
}

STDMETHODIMP CSinkFilter::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IBaseFilter || iid == IID_IMediaFilter || iid == IID_IPersist) {
    *out = static_cast<IBaseFilter*>(this);
  } else if (iid == IID_IMediaSeeking) {
    *out = static_cast<IMediaSeeking*>(this);
  } else if (iid == IID_IAMFilterMiscFlags) {
    *out = static_cast<IAMFilterMiscFlags*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CSinkFilter::AddRef() { return ULONG(++m_Ref); }

STDMETHODIMP_(ULONG) CSinkFilter::Release() {
  const LONG r = --m_Ref;
  if (r == 0) delete this;
  return ULONG(r);
}

STDMETHODIMP CSinkFilter::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = m_Clsid;
  return S_OK;
}

STDMETHODIMP CSinkFilter::Stop() {
  EnterCriticalSection(&m_Lock);
  m_State = State_Stopped;
  m_EndOfStream = m_CompleteSent = false;
  ::ResetEvent(m_RunEvent);
  ::SetEvent(m_AbortEvent);
  LeaveCriticalSection(&m_Lock);
  return S_OK;
}

STDMETHODIMP CSinkFilter::Pause() {
  EnterCriticalSection(&m_Lock);
  m_State = State_Paused;
  ::ResetEvent(m_RunEvent);
  if (!m_Flushing) ::ResetEvent(m_AbortEvent);
  LeaveCriticalSection(&m_Lock);
  return S_OK;
}

STDMETHODIMP CSinkFilter::Run(REFERENCE_TIME start) {
  EnterCriticalSection(&m_Lock);
  m_State = State_Running;
  m_Start = start;
  ::SetEvent(m_RunEvent);
  if (!m_Flushing) ::ResetEvent(m_AbortEvent);
  // An end of stream that came while paused is reported now.
  const bool notify = m_EndOfStream && !m_CompleteSent;
  if (notify) m_CompleteSent = true;
  LeaveCriticalSection(&m_Lock);
  if (notify) NotifyComplete();
  return S_OK;
}

STDMETHODIMP CSinkFilter::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  EnterCriticalSection(&m_Lock);
  *state = m_State;
  LeaveCriticalSection(&m_Lock);
  return S_OK;
}

STDMETHODIMP CSinkFilter::SetSyncSource(IReferenceClock* clock) {
  EnterCriticalSection(&m_Lock);
  if (clock) clock->AddRef();
  if (m_Clock) m_Clock->Release();
  m_Clock = clock;
  LeaveCriticalSection(&m_Lock);
  return S_OK;
}

STDMETHODIMP CSinkFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  EnterCriticalSection(&m_Lock);
  *clock = m_Clock;
  if (m_Clock) m_Clock->AddRef();
  LeaveCriticalSection(&m_Lock);
  return S_OK;
}

STDMETHODIMP CSinkFilter::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  *pins = new COnePin(m_Pin);
  return S_OK;
}

STDMETHODIMP CSinkFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (!id || !pin) return E_POINTER;
  if (wcscmp(id, m_Pin->m_Name) != 0) {
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
  }
  *pin = m_Pin;
  m_Pin->AddRef();
  return S_OK;
}

STDMETHODIMP CSinkFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  EnterCriticalSection(&m_Lock);
  std::memcpy(info->achName, m_Name, sizeof m_Name);
  info->pGraph = m_Graph;
  if (m_Graph) m_Graph->AddRef();
  LeaveCriticalSection(&m_Lock);
  return S_OK;
}

STDMETHODIMP CSinkFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  EnterCriticalSection(&m_Lock);
  m_Graph = graph;
  m_Name[0] = 0;
  if (name) {
    wcsncpy(m_Name, name, MAX_FILTER_NAME - 1);
    m_Name[MAX_FILTER_NAME - 1] = 0;
  }
  LeaveCriticalSection(&m_Lock);
  return S_OK;
}

STDMETHODIMP CSinkFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

STDMETHODIMP_(ULONG) CSinkFilter::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

void CSinkFilter::NotifyComplete() {
  EnterCriticalSection(&m_Lock);
  IFilterGraph* graph = m_Graph;
  if (graph) graph->AddRef();
  LeaveCriticalSection(&m_Lock);
  if (!graph) return;
  IMediaEventSink* sink = nullptr;
  if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))) && sink) {
    sink->Notify(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
    sink->Release();
  }
  graph->Release();
}

// Holds the sample while paused and, for a timed sample, until its time on
// the graph clock; false when a stop or flush ends the wait.
bool CSinkFilter::WaitForPresentation(IMediaSample* sample) {
  HANDLE waits[2] = {m_AbortEvent, m_RunEvent};
  for (;;) {
    if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return false;
    REFERENCE_TIME start = 0, end = 0;
    EnterCriticalSection(&m_Lock);
    IReferenceClock* clock = m_Clock;
    if (clock) clock->AddRef();
    const REFERENCE_TIME base = m_Start;
    const bool running = m_State == State_Running;
    LeaveCriticalSection(&m_Lock);
    if (!running) {
      if (clock) clock->Release();
      continue;
    }
    REFERENCE_TIME now = 0;
    const bool timed =
        m_PresentOnClock && clock && SUCCEEDED(sample->GetTime(&start, &end)) && SUCCEEDED(clock->GetTime(&now));
    if (clock) clock->Release();
    if (!timed || base + start <= now) return true;
    // Waits in short steps so that a pause or a new start is seen.
    const DWORD ms = DWORD(std::min<REFERENCE_TIME>((base + start - now) / 10000 + 1, 50));
    if (::WaitForSingleObject(m_AbortEvent, ms) == WAIT_OBJECT_0) return false;
  }
}

HRESULT CSinkFilter::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  EnterCriticalSection(&m_Lock);
  HRESULT hr = S_OK;
  if (m_State == State_Stopped)
    hr = VFW_E_WRONG_STATE;
  else if (m_Flushing)
    hr = S_FALSE;
  else if (m_EndOfStream)
    hr = VFW_E_SAMPLE_REJECTED_EOS;
  AM_MEDIA_TYPE* changed = nullptr;
  if (hr == S_OK && sample->GetMediaType(&changed) == S_OK && changed) {
    // A new type with this sample: taken when acceptable, else the sample is refused.
    if (Accept(*changed) && Prepare(*changed)) {
      FreeMediaTypeFields(m_Pin->m_Type);
      if (!CopyMediaTypeFields(m_Pin->m_Type, *changed)) hr = E_OUTOFMEMORY;
    } else {
      hr = VFW_E_TYPE_NOT_ACCEPTED;
    }
    FreeMediaTypeFields(*changed);
    ::CoTaskMemFree(changed);
  }
  LeaveCriticalSection(&m_Lock);
  if (hr != S_OK) return hr;
  if (!WaitForPresentation(sample)) return S_FALSE;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || !data) return S_OK;
  Deliver(data, sample->GetActualDataLength());
  return S_OK;
}

IMediaSeeking* CSinkFilter::Upstream() {
  IMediaSeeking* seeking = nullptr;
  EnterCriticalSection(&m_Lock);
  if (m_Pin->m_Connected) m_Pin->m_Connected->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
  LeaveCriticalSection(&m_Lock);
  return seeking;
}

#define VIDMILL_FORWARD_SEEKING(call) \
  IMediaSeeking* up = Upstream();     \
  if (!up) return E_NOTIMPL;          \
  const HRESULT hr = up->call;        \
  up->Release();                      \
  return hr;

STDMETHODIMP CSinkFilter::GetCapabilities(DWORD* caps){
    VIDMILL_FORWARD_SEEKING(GetCapabilities(caps))} STDMETHODIMP CSinkFilter::CheckCapabilities(DWORD* caps){
    VIDMILL_FORWARD_SEEKING(CheckCapabilities(caps))} STDMETHODIMP CSinkFilter::IsFormatSupported(const GUID* format){
    VIDMILL_FORWARD_SEEKING(IsFormatSupported(format))} STDMETHODIMP CSinkFilter::QueryPreferredFormat(GUID* format){
    VIDMILL_FORWARD_SEEKING(QueryPreferredFormat(format))} STDMETHODIMP CSinkFilter::GetTimeFormat(GUID* format){
    VIDMILL_FORWARD_SEEKING(GetTimeFormat(format))} STDMETHODIMP CSinkFilter::IsUsingTimeFormat(const GUID* format){
    VIDMILL_FORWARD_SEEKING(IsUsingTimeFormat(format))} STDMETHODIMP CSinkFilter::SetTimeFormat(const GUID* format){
    VIDMILL_FORWARD_SEEKING(SetTimeFormat(format))} STDMETHODIMP CSinkFilter::GetDuration(LONGLONG* duration){
    VIDMILL_FORWARD_SEEKING(GetDuration(duration))} STDMETHODIMP CSinkFilter::GetStopPosition(LONGLONG* stop){
    VIDMILL_FORWARD_SEEKING(GetStopPosition(stop))} STDMETHODIMP CSinkFilter::GetCurrentPosition(LONGLONG* current){
    VIDMILL_FORWARD_SEEKING(GetCurrentPosition(current))} STDMETHODIMP
    CSinkFilter::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                   const GUID* sourceFormat){
        VIDMILL_FORWARD_SEEKING(ConvertTimeFormat(target, targetFormat, source, sourceFormat))} STDMETHODIMP
    CSinkFilter::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags){
        VIDMILL_FORWARD_SEEKING(SetPositions(current, currentFlags, stop, stopFlags))} STDMETHODIMP
    CSinkFilter::GetPositions(LONGLONG* current, LONGLONG* stop){
        VIDMILL_FORWARD_SEEKING(GetPositions(current, stop))} STDMETHODIMP CSinkFilter::GetAvailable(LONGLONG* earliest,
                                                                                                     LONGLONG* latest){
        VIDMILL_FORWARD_SEEKING(GetAvailable(earliest, latest))} STDMETHODIMP CSinkFilter::SetRate(double rate){
        VIDMILL_FORWARD_SEEKING(SetRate(rate))} STDMETHODIMP CSinkFilter::GetRate(double* rate){
        VIDMILL_FORWARD_SEEKING(GetRate(rate))} STDMETHODIMP CSinkFilter::GetPreroll(LONGLONG* preroll) {
  VIDMILL_FORWARD_SEEKING(GetPreroll(preroll))
}

#undef VIDMILL_FORWARD_SEEKING

}  // namespace vidmill
