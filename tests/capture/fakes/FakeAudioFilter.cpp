#include "tests/capture/fakes/FakeAudioFilter.h"

#include <atomic>
#include <cmath>
#include <cstring>

namespace {

class AudioFilter;

constexpr int kRate = 44100;
constexpr int kBufferSamples = kRate / 50;  // 20 ms

void PcmType(AM_MEDIA_TYPE& type, WAVEFORMATEX& format) {
  format = {WAVE_FORMAT_PCM, 1, kRate, kRate * 2, 2, 16, 0};
  memset(&type, 0, sizeof(type));
  type.majortype = MEDIATYPE_Audio;
  type.subtype = MEDIASUBTYPE_PCM;
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = 2;
  type.formattype = FORMAT_WaveFormatEx;
  type.cbFormat = sizeof(format);
  type.pbFormat = reinterpret_cast<BYTE*>(&format);
}

class PcmTypes : public IEnumMediaTypes {
 public:
  explicit PcmTypes(ULONG at = 0) : m_nAt(at) {}
  virtual ~PcmTypes() = default;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRefs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --m_nRefs;
    if (!refs) delete this;
    return refs;
  }
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    ULONG got = 0;
    if (count && m_nAt == 0) {
      AM_MEDIA_TYPE type;
      WAVEFORMATEX format;
      PcmType(type, format);
      types[0] = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
      *types[0] = type;
      types[0]->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(format)));
      memcpy(types[0]->pbFormat, &format, sizeof(format));
      m_nAt = got = 1;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    m_nAt += count;
    return m_nAt <= 1 ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    m_nAt = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumMediaTypes** out) override {
    *out = new PcmTypes(m_nAt);
    return S_OK;
  }

 private:
  ULONG m_nAt;
  std::atomic<ULONG> m_nRefs{1};
};

class AudioPin : public IPin, public IAMAudioInputMixer {
 public:
  AudioPin(AudioFilter* filter, const std::wstring& name, PIN_DIRECTION dir, bool mixer, double level, double tone)
      : m_pFilter(filter), m_Name(name), m_Dir(dir), m_bMixer(mixer), m_Level(level), m_Tone(tone) {}
  // The tone this input adds to the output, 0 while it is off.
  double Tone() const { return m_bEnabled ? m_Tone : 0; }
  virtual ~AudioPin() = default;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPin)
      *out = static_cast<IPin*>(this);
    else if (iid == IID_IAMAudioInputMixer && m_bMixer)
      *out = static_cast<IAMAudioInputMixer*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP Disconnect() override { return S_FALSE; }
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    *pin = nullptr;
    return VFW_E_NOT_CONNECTED;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return VFW_E_NOT_CONNECTED; }
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override {
    *dir = m_Dir;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  STDMETHODIMP put_Enable(WINBOOL on) override {
    m_bEnabled = on;
    return S_OK;
  }
  STDMETHODIMP get_Enable(WINBOOL* on) override {
    *on = m_bEnabled;
    return S_OK;
  }
  STDMETHODIMP put_Mono(WINBOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_Mono(WINBOOL*) override { return E_NOTIMPL; }
  STDMETHODIMP put_MixLevel(double level) override {
    m_Level = level;
    return S_OK;
  }
  STDMETHODIMP get_MixLevel(double* level) override {
    *level = m_Level;
    return S_OK;
  }
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

 private:
  AudioFilter* m_pFilter;
  std::wstring m_Name;
  PIN_DIRECTION m_Dir;
  bool m_bMixer;
  double m_Level;
  double m_Tone;
  std::atomic<WINBOOL> m_bEnabled{FALSE};
};

// The filter's output: PCM of the enabled inputs' tones, paced on the clock.
class OutputPin : public IPin {
 public:
  explicit OutputPin(AudioFilter* filter) : m_pFilter(filter) {}
  virtual ~OutputPin() {
    StopStreaming();
    Disconnect();
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPin) return E_NOINTERFACE;
    *out = static_cast<IPin*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* wanted) override {
    if (!receiver) return E_POINTER;
    if (m_pPeer) return VFW_E_ALREADY_CONNECTED;
    AM_MEDIA_TYPE type;
    WAVEFORMATEX format;
    PcmType(type, format);
    if (wanted && wanted->majortype != GUID_NULL && wanted->majortype != MEDIATYPE_Audio)
      return VFW_E_TYPE_NOT_ACCEPTED;
    if (FAILED(receiver->ReceiveConnection(this, &type))) return VFW_E_NO_ACCEPTABLE_TYPES;
    IMemInputPin* input = nullptr;
    IMemAllocator* allocator = nullptr;
    HRESULT hr = receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    if (SUCCEEDED(hr) && FAILED(input->GetAllocator(&allocator)))
      hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(&allocator));
    if (SUCCEEDED(hr)) {
      ALLOCATOR_PROPERTIES want{3, kBufferSamples * 2, 1, 0}, got{};
      hr = allocator->SetProperties(&want, &got);
    }
    if (SUCCEEDED(hr)) hr = input->NotifyAllocator(allocator, FALSE);
    if (FAILED(hr)) {
      if (allocator) allocator->Release();
      if (input) input->Release();
      receiver->Disconnect();
      return hr;
    }
    m_pPeer = receiver;
    m_pPeer->AddRef();
    m_pInput = input;
    m_pAllocator = allocator;
    return S_OK;
  }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP Disconnect() override {
    if (!m_pPeer) return S_FALSE;
    StopStreaming();
    m_pAllocator->Release();
    m_pInput->Release();
    m_pPeer->Release();
    m_pAllocator = nullptr;
    m_pInput = nullptr;
    m_pPeer = nullptr;
    return S_OK;
  }
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    *pin = m_pPeer;
    if (!m_pPeer) return VFW_E_NOT_CONNECTED;
    m_pPeer->AddRef();
    return S_OK;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* out) override {
    if (!m_pPeer) return VFW_E_NOT_CONNECTED;
    AM_MEDIA_TYPE type;
    WAVEFORMATEX format;
    PcmType(type, format);
    *out = type;
    out->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(format)));
    memcpy(out->pbFormat, &format, sizeof(format));
    return S_OK;
  }
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override {
    *dir = PINDIR_OUTPUT;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override {
    return type && type->majortype == MEDIATYPE_Audio && type->subtype == MEDIASUBTYPE_PCM ? S_OK : S_FALSE;
  }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** out) override {
    *out = new PcmTypes;
    return S_OK;
  }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  void StartStreaming() {
    if (!m_pPeer || m_hThread || FAILED(m_pAllocator->Commit())) return;
    m_bStop = false;
    m_hThread = CreateThread(nullptr, 0, &Stream, this, 0, nullptr);
  }
  void StopStreaming() {
    if (!m_hThread) return;
    m_bStop = true;
    m_pAllocator->Decommit();  // frees a thread that waits for a buffer
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
  }

 private:
  static DWORD WINAPI Stream(void* param);

  AudioFilter* m_pFilter;
  IPin* m_pPeer = nullptr;
  IMemInputPin* m_pInput = nullptr;
  IMemAllocator* m_pAllocator = nullptr;
  HANDLE m_hThread = nullptr;
  std::atomic<bool> m_bStop{false};
};

class AudioPins : public IEnumPins {
 public:
  AudioPins(IBaseFilter* filter, const std::vector<IPin*>& pins) : m_pFilter(filter), m_Pins(pins) {
    m_pFilter->AddRef();
  }
  virtual ~AudioPins() { m_pFilter->Release(); }
  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRefs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --m_nRefs;
    if (!refs) delete this;
    return refs;
  }
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
    ULONG got = 0;
    while (got < count && m_nPos < m_Pins.size()) {
      pins[got] = m_Pins[m_nPos++];
      pins[got++]->AddRef();
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    m_nPos += count;
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    m_nPos = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPins**) override { return E_NOTIMPL; }

 private:
  IBaseFilter* m_pFilter;
  const std::vector<IPin*>& m_Pins;
  size_t m_nPos = 0;
  std::atomic<ULONG> m_nRefs{1};
};

class AudioFilter : public IBaseFilter {
 public:
  explicit AudioFilter(const std::vector<FakeAudioInput>& inputs) {
    // The output first, so that the listing has to skip it.
    m_pOutput = new OutputPin(this);
    m_Pins.push_back(m_pOutput);
    for (const FakeAudioInput& input : inputs) {
      m_Inputs.push_back(new AudioPin(this, input.name, PINDIR_INPUT, input.hasMixer, input.level, input.toneHz));
      m_Pins.push_back(m_Inputs.back());
    }
  }
  virtual ~AudioFilter() {
    delete m_pOutput;
    for (AudioPin* pin : m_Inputs) delete pin;
  }
  // Sample k of the output, counted from the start of streaming.
  short Sample(long long k) const {
    double sum = 0;
    int tones = 0;
    for (AudioPin* input : m_Inputs) {
      const double tone = input->Tone();
      if (tone <= 0) continue;
      sum += std::sin(2 * 3.14159265358979 * tone * static_cast<double>(k) / kRate);
      ++tones;
    }
    return static_cast<short>(tones ? 12000 * sum / tones : 0);
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter) {
      *out = static_cast<IBaseFilter*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRefs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --m_nRefs;
    if (!refs) delete this;
    return refs;
  }
  STDMETHODIMP GetClassID(CLSID* id) override {
    *id = GUID_NULL;
    return S_OK;
  }
  STDMETHODIMP Stop() override {
    m_pOutput->StopStreaming();
    m_State = State_Stopped;
    return S_OK;
  }
  STDMETHODIMP Pause() override {
    m_pOutput->StartStreaming();
    m_State = State_Paused;
    return S_OK;
  }
  STDMETHODIMP Run(REFERENCE_TIME) override {
    m_pOutput->StartStreaming();
    m_State = State_Running;
    return S_OK;
  }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
    *state = m_State;
    return S_OK;
  }
  STDMETHODIMP SetSyncSource(IReferenceClock*) override { return S_OK; }
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
    *clock = nullptr;
    return S_OK;
  }
  STDMETHODIMP EnumPins(IEnumPins** out) override {
    *out = new AudioPins(this, m_Pins);
    return S_OK;
  }
  STDMETHODIMP FindPin(LPCWSTR, IPin** pin) override {
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
  }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
    memset(info, 0, sizeof(*info));
    info->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
  }
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR) override {
    m_pGraph = graph;  // not held: the graph holds the filter
    return S_OK;
  }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

 private:
  std::vector<IPin*> m_Pins;
  OutputPin* m_pOutput;
  std::vector<AudioPin*> m_Inputs;
  std::atomic<ULONG> m_nRefs{1};
  FILTER_STATE m_State = State_Stopped;
  IFilterGraph* m_pGraph = nullptr;
};

ULONG AudioPin::AddRef() { return m_pFilter->AddRef(); }
ULONG AudioPin::Release() { return m_pFilter->Release(); }
ULONG OutputPin::AddRef() { return m_pFilter->AddRef(); }
ULONG OutputPin::Release() { return m_pFilter->Release(); }

HRESULT OutputPin::QueryPinInfo(PIN_INFO* info) {
  info->pFilter = m_pFilter;
  m_pFilter->AddRef();
  info->dir = PINDIR_OUTPUT;
  wcscpy(info->achName, L"Capture");
  return S_OK;
}

DWORD WINAPI OutputPin::Stream(void* param) {
  auto* self = static_cast<OutputPin*>(param);
  long long k = 0;
  DWORD next = GetTickCount();
  while (!self->m_bStop) {
    IMediaSample* sample = nullptr;
    if (FAILED(self->m_pAllocator->GetBuffer(&sample, nullptr, nullptr, 0)) || !sample) break;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    auto* pcm = reinterpret_cast<short*>(data);
    for (int i = 0; i < kBufferSamples; ++i) pcm[i] = self->m_pFilter->Sample(k++);
    sample->SetActualDataLength(kBufferSamples * 2);
    sample->SetSyncPoint(TRUE);
    const HRESULT hr = self->m_pInput->Receive(sample);
    sample->Release();
    if (hr != S_OK) break;
    next += 1000 * kBufferSamples / kRate;
    const LONG wait = static_cast<LONG>(next - GetTickCount());
    if (wait > 0) Sleep(static_cast<DWORD>(wait));
  }
  return 0;
}

HRESULT AudioPin::QueryPinInfo(PIN_INFO* info) {
  info->pFilter = m_pFilter;
  m_pFilter->AddRef();
  info->dir = m_Dir;
  wcsncpy(info->achName, m_Name.c_str(), MAX_PIN_NAME - 1);
  info->achName[MAX_PIN_NAME - 1] = L'\0';
  return S_OK;
}

}  // namespace

IBaseFilter* CreateFakeAudioFilter(const std::vector<FakeAudioInput>& inputs) { return new AudioFilter(inputs); }
