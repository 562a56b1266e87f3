#include "tests/capture/fakes/FakeAudioFilter.h"

#include <atomic>
#include <cstring>

namespace {

class AudioFilter;

class AudioPin : public IPin, public IAMAudioInputMixer {
 public:
  AudioPin(AudioFilter* filter, const std::wstring& name, PIN_DIRECTION dir, bool mixer, double level)
      : m_pFilter(filter), m_Name(name), m_Dir(dir), m_bMixer(mixer), m_Level(level) {}
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
  WINBOOL m_bEnabled = FALSE;
};

class AudioPins : public IEnumPins {
 public:
  AudioPins(IBaseFilter* filter, const std::vector<AudioPin*>& pins) : m_pFilter(filter), m_Pins(pins) {
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
  const std::vector<AudioPin*>& m_Pins;
  size_t m_nPos = 0;
  std::atomic<ULONG> m_nRefs{1};
};

class AudioFilter : public IBaseFilter {
 public:
  explicit AudioFilter(const std::vector<FakeAudioInput>& inputs) {
    // The output first, so that the listing has to skip it.
    m_Pins.push_back(new AudioPin(this, L"Capture", PINDIR_OUTPUT, false, 0));
    for (const FakeAudioInput& input : inputs)
      m_Pins.push_back(new AudioPin(this, input.name, PINDIR_INPUT, input.hasMixer, input.level));
  }
  virtual ~AudioFilter() {
    for (AudioPin* pin : m_Pins) delete pin;
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
  STDMETHODIMP Stop() override { return S_OK; }
  STDMETHODIMP Pause() override { return S_OK; }
  STDMETHODIMP Run(REFERENCE_TIME) override { return S_OK; }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override {
    *state = State_Stopped;
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
    return S_OK;
  }
  STDMETHODIMP JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return S_OK; }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

 private:
  std::vector<AudioPin*> m_Pins;
  std::atomic<ULONG> m_nRefs{1};
};

ULONG AudioPin::AddRef() { return m_pFilter->AddRef(); }
ULONG AudioPin::Release() { return m_pFilter->Release(); }

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
