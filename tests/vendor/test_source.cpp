#include "tests/vendor/test_source.h"

#include <cstring>
#include <vector>

namespace {

// {8D2E4F61-3A7B-4C95-B1D0-6E2F7A9C3B58}
const CLSID kClsidTestSource = {0x8d2e4f61, 0x3a7b, 0x4c95, {0xb1, 0xd0, 0x6e, 0x2f, 0x7a, 0x9c, 0x3b, 0x58}};

template <class I>
HRESULT Answer(I* self, REFIID iid, REFIID own, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == own) {
    *out = self;
    self->AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

class CPinList final : public IEnumPins {
 public:
  CPinList(std::vector<IPin*> pins, size_t at = 0) : m_Pins(std::move(pins)), m_At(at) {
    for (IPin* p : m_Pins) p->AddRef();
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return Answer(this, iid, IID_IEnumPins, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++m_Ref); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG r = --m_Ref;
    if (!r) delete this;
    return ULONG(r);
  }
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
    ULONG n = 0;
    for (; n < count && m_At < m_Pins.size(); ++n, ++m_At) {
      pins[n] = m_Pins[m_At];
      pins[n]->AddRef();
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    m_At += count;
    return m_At <= m_Pins.size() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    m_At = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPins** out) override {
    *out = new CPinList(m_Pins, m_At);
    return S_OK;
  }

 private:
  ~CPinList() {
    for (IPin* p : m_Pins) p->Release();
  }
  std::atomic<LONG> m_Ref{1};
  std::vector<IPin*> m_Pins;
  size_t m_At;
};

void CopyType(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from) {
  to = from;
  to.pUnk = nullptr;
  to.pbFormat = nullptr;
  if (from.cbFormat) {
    to.pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(from.cbFormat));
    std::memcpy(to.pbFormat, from.pbFormat, from.cbFormat);
  }
}

class CTypeList final : public IEnumMediaTypes {
 public:
  CTypeList(const AM_MEDIA_TYPE& type, ULONG at = 0) : m_Type(type), m_At(at) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return Answer(this, iid, IID_IEnumMediaTypes, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++m_Ref); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG r = --m_Ref;
    if (!r) delete this;
    return ULONG(r);
  }
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    ULONG n = 0;
    if (count && m_At == 0) {
      types[0] = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
      CopyType(*types[0], m_Type);
      m_At = n = 1;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    m_At += count;
    return m_At <= 1 ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    m_At = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumMediaTypes** out) override {
    *out = new CTypeList(m_Type, m_At);
    return S_OK;
  }

 private:
  std::atomic<LONG> m_Ref{1};
  const AM_MEDIA_TYPE& m_Type;
  ULONG m_At;
};

}  // namespace

// Shared parts of both pins: identity and lifetime come from the filter.
#define TEST_PIN_COMMON(DIRECTION, NAME)                                               \
  STDMETHODIMP_(ULONG) AddRef() override { return m_Filter->AddRef(); }                \
  STDMETHODIMP_(ULONG) Release() override { return m_Filter->Release(); }              \
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override {                                 \
    info->pFilter = m_Filter;                                                          \
    m_Filter->AddRef();                                                                \
    info->dir = DIRECTION;                                                             \
    wcscpy(info->achName, NAME);                                                       \
    return S_OK;                                                                       \
  }                                                                                    \
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override {                           \
    *dir = DIRECTION;                                                                  \
    return S_OK;                                                                       \
  }                                                                                    \
  STDMETHODIMP QueryId(LPWSTR* id) override {                                          \
    *id = static_cast<LPWSTR>(::CoTaskMemAlloc(sizeof(NAME)));                         \
    std::memcpy(*id, NAME, sizeof(NAME));                                              \
    return S_OK;                                                                       \
  }                                                                                    \
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; } \
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

class CTestSource::COutPin final : public IPin {
 public:
  explicit COutPin(CTestSource* filter) : m_Filter(filter) {}
  ~COutPin() { Disconnect(); }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return Answer(this, iid, IID_IPin, out); }
  TEST_PIN_COMMON(PINDIR_OUTPUT, L"Out")

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE*) override {
    if (!receiver) return E_POINTER;
    if (m_Peer) return VFW_E_ALREADY_CONNECTED;
    if (FAILED(receiver->ReceiveConnection(this, &m_Filter->m_Type))) return VFW_E_NO_ACCEPTABLE_TYPES;
    IMemInputPin* input = nullptr;
    IMemAllocator* allocator = nullptr;
    HRESULT hr = receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    if (SUCCEEDED(hr) && FAILED(input->GetAllocator(&allocator)))
      hr = ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                              reinterpret_cast<void**>(&allocator));
    if (SUCCEEDED(hr)) {
      ALLOCATOR_PROPERTIES want = {3, m_Filter->m_BufferSize, 1, 0}, got = {};
      hr = allocator->SetProperties(&want, &got);
    }
    if (SUCCEEDED(hr)) hr = input->NotifyAllocator(allocator, FALSE);
    if (FAILED(hr)) {
      if (allocator) allocator->Release();
      if (input) input->Release();
      receiver->Disconnect();
      return hr;
    }
    m_Peer = receiver;
    m_Peer->AddRef();
    m_Input = input;
    m_Allocator = allocator;
    return S_OK;
  }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP Disconnect() override {
    if (!m_Peer) return S_FALSE;
    m_Allocator->Release();
    m_Input->Release();
    m_Peer->Release();
    m_Allocator = nullptr;
    m_Input = nullptr;
    m_Peer = nullptr;
    return S_OK;
  }
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    *pin = m_Peer;
    if (m_Peer) m_Peer->AddRef();
    return m_Peer ? S_OK : VFW_E_NOT_CONNECTED;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override {
    if (!m_Peer) return VFW_E_NOT_CONNECTED;
    CopyType(*mt, m_Filter->m_Type);
    return S_OK;
  }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override {
    return mt->majortype == m_Filter->m_Type.majortype && mt->subtype == m_Filter->m_Type.subtype ? S_OK : S_FALSE;
  }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override {
    *types = new CTypeList(m_Filter->m_Type);
    return S_OK;
  }
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }

  CTestSource* m_Filter;
  IPin* m_Peer = nullptr;
  IMemInputPin* m_Input = nullptr;
  IMemAllocator* m_Allocator = nullptr;
};

class CTestSource::CMixerPin final : public IPin, public IAMAudioInputMixer {
 public:
  explicit CMixerPin(CTestSource* filter) : m_Filter(filter) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IAMAudioInputMixer) {
      *out = static_cast<IAMAudioInputMixer*>(this);
      AddRef();
      return S_OK;
    }
    return Answer(static_cast<IPin*>(this), iid, IID_IPin, out);
  }
  TEST_PIN_COMMON(PINDIR_INPUT, L"Microphone")
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return VFW_E_TYPE_NOT_ACCEPTED; }
  STDMETHODIMP Disconnect() override { return S_FALSE; }
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    *pin = nullptr;
    return VFW_E_NOT_CONNECTED;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return VFW_E_NOT_CONNECTED; }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override {
    *types = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP EndOfStream() override { return S_OK; }
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }

  STDMETHODIMP put_Enable(WINBOOL enable) override {
    m_Filter->m_MixerEnabled = enable != FALSE;
    return S_OK;
  }
  STDMETHODIMP get_Enable(WINBOOL* enable) override {
    *enable = m_Filter->m_MixerEnabled;
    return S_OK;
  }
  STDMETHODIMP put_Mono(WINBOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_Mono(WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP put_MixLevel(double) override { return E_NOTIMPL; }
  STDMETHODIMP get_MixLevel(double*) override { return E_NOTIMPL; }
  STDMETHODIMP put_Pan(double) override { return E_NOTIMPL; }
  STDMETHODIMP get_Pan(double*) override { return E_NOTIMPL; }
  STDMETHODIMP put_Loudness(WINBOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_Loudness(WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP put_Treble(double) override { return E_NOTIMPL; }
  STDMETHODIMP get_Treble(double*) override { return E_NOTIMPL; }
  STDMETHODIMP get_TrebleRange(double*) override { return E_NOTIMPL; }
  STDMETHODIMP put_Bass(double) override { return E_NOTIMPL; }
  STDMETHODIMP get_Bass(double*) override { return E_NOTIMPL; }
  STDMETHODIMP get_BassRange(double*) override { return E_NOTIMPL; }

  CTestSource* m_Filter;
};

CTestSource::CTestSource(const AM_MEDIA_TYPE& type, long bufferSize, bool withMixerInput)
    : m_BufferSize(bufferSize), m_Out(new COutPin(this)) {
  ::InitializeCriticalSection(&m_Lock);
  CopyType(m_Type, type);
  if (withMixerInput) m_Mixer = new CMixerPin(this);
}

CTestSource::~CTestSource() {
  StopGenerator();
  delete m_Out;
  delete m_Mixer;
  if (m_Type.pbFormat) ::CoTaskMemFree(m_Type.pbFormat);
  ::DeleteCriticalSection(&m_Lock);
}

IPin* CTestSource::OutputPin() { return m_Out; }
IPin* CTestSource::MixerPin() { return m_Mixer; }

HRESULT CTestSource::Push(const BYTE* data, long size, REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (!m_Out->m_Allocator) return VFW_E_NOT_CONNECTED;
  IMediaSample* sample = nullptr;
  HRESULT hr = m_Out->m_Allocator->GetBuffer(&sample, nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  BYTE* buffer = nullptr;
  sample->GetPointer(&buffer);
  std::memcpy(buffer, data, size_t(size));
  sample->SetActualDataLength(size);
  if (start >= 0) sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  hr = m_Out->m_Input->Receive(sample);
  sample->Release();
  return hr;
}

HRESULT CTestSource::SendEndOfStream() { return m_Out->m_Peer ? m_Out->m_Peer->EndOfStream() : VFW_E_NOT_CONNECTED; }

HRESULT CTestSource::Flush() {
  if (!m_Out->m_Peer) return VFW_E_NOT_CONNECTED;
  m_Out->m_Peer->BeginFlush();
  return m_Out->m_Peer->EndFlush();
}

void CTestSource::SetGenerator(Generator generator, DWORD periodMs) {
  m_Generator = std::move(generator);
  m_Period = periodMs;
}

DWORD WINAPI CTestSource::GeneratorThread(void* self) {
  auto* s = static_cast<CTestSource*>(self);
  std::vector<BYTE> buffer(size_t(s->m_BufferSize));
  DWORD next = ::GetTickCount();
  while (s->m_GeneratorRun) {
    const long n = s->m_Generator(buffer.data(), s->m_BufferSize);
    if (s->Push(buffer.data(), n) != S_OK && !s->m_GeneratorRun) break;
    next += s->m_Period;
    const LONG wait = LONG(next - ::GetTickCount());
    if (wait > 0) ::Sleep(DWORD(wait));
  }
  return 0;
}

void CTestSource::StopGenerator() {
  m_GeneratorRun = false;
  if (m_Thread) {
    ::WaitForSingleObject(m_Thread, INFINITE);
    ::CloseHandle(m_Thread);
    m_Thread = nullptr;
  }
}

STDMETHODIMP CTestSource::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IMediaFilter || iid == IID_IPersist) {
    *out = static_cast<IBaseFilter*>(this);
    AddRef();
    return S_OK;
  }
  return Answer(static_cast<IBaseFilter*>(this), iid, IID_IBaseFilter, out);
}
STDMETHODIMP_(ULONG) CTestSource::AddRef() { return ULONG(++m_Ref); }
STDMETHODIMP_(ULONG) CTestSource::Release() {
  const LONG r = --m_Ref;
  if (!r) delete this;
  return ULONG(r);
}
STDMETHODIMP CTestSource::GetClassID(CLSID* clsid) {
  *clsid = kClsidTestSource;
  return S_OK;
}
STDMETHODIMP CTestSource::Stop() {
  StopGenerator();
  m_State = State_Stopped;
  if (m_Out->m_Allocator) m_Out->m_Allocator->Decommit();
  return S_OK;
}
STDMETHODIMP CTestSource::Pause() {
  if (m_Out->m_Allocator) m_Out->m_Allocator->Commit();
  if (m_State == State_Stopped && m_Generator && m_Out->m_Allocator) {
    m_GeneratorRun = true;
    m_Thread = ::CreateThread(nullptr, 0, &GeneratorThread, this, 0, nullptr);
  }
  m_State = State_Paused;
  return S_OK;
}
STDMETHODIMP CTestSource::Run(REFERENCE_TIME) {
  if (m_State == State_Stopped) Pause();
  m_State = State_Running;
  return S_OK;
}
STDMETHODIMP CTestSource::GetState(DWORD, FILTER_STATE* state) {
  *state = m_State;
  return S_OK;
}
STDMETHODIMP CTestSource::SetSyncSource(IReferenceClock*) { return S_OK; }
STDMETHODIMP CTestSource::GetSyncSource(IReferenceClock** clock) {
  *clock = nullptr;
  return S_OK;
}
STDMETHODIMP CTestSource::EnumPins(IEnumPins** pins) {
  std::vector<IPin*> list = {m_Out};
  if (m_Mixer) list.push_back(static_cast<IPin*>(m_Mixer));
  *pins = new CPinList(list);
  return S_OK;
}
STDMETHODIMP CTestSource::FindPin(LPCWSTR, IPin** pin) {
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}
STDMETHODIMP CTestSource::QueryFilterInfo(FILTER_INFO* info) {
  wcscpy(info->achName, L"Test source");
  info->pGraph = m_Graph;
  if (m_Graph) m_Graph->AddRef();
  return S_OK;
}
STDMETHODIMP CTestSource::JoinFilterGraph(IFilterGraph* graph, LPCWSTR) {
  m_Graph = graph;
  return S_OK;
}
STDMETHODIMP CTestSource::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }
