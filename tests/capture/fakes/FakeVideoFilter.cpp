#include "tests/capture/fakes/FakeVideoFilter.h"

#include <dvdmedia.h>
#include <ks.h>

#include <atomic>
#include <cstring>

namespace {

class FakeFilter;

class FakePin : public IPin, public IKsPropertySet, public IAMStreamConfig {
 public:
  FakePin(FakeFilter* filter, const FakePinSetup& setup, int number) : m_pFilter(filter), m_Setup(setup) {
    swprintf(m_szName, MAX_PIN_NAME, L"Pin %d", number);
  }
  virtual ~FakePin() = default;

  // IUnknown: the pins live and die with their filter.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPin)
      *out = static_cast<IPin*>(this);
    else if (iid == IID_IKsPropertySet)
      *out = static_cast<IKsPropertySet*>(this);
    else if (iid == IID_IAMStreamConfig)
      *out = static_cast<IAMStreamConfig*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPin: an output pin that never connects.
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
    *dir = PINDIR_OUTPUT;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR* id) override {
    const size_t bytes = (wcslen(m_szName) + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id) return E_OUTOFMEMORY;
    memcpy(*id, m_szName, bytes);
    return S_OK;
  }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  // IKsPropertySet: the pin category.
  STDMETHODIMP Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size, DWORD* returned) override {
    if (set != AMPROPSETID_Pin || id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (!data || size < sizeof(GUID)) return E_UNEXPECTED;
    *static_cast<GUID*>(data) = m_Setup.category;
    if (returned) *returned = sizeof(GUID);
    return S_OK;
  }
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
    if (set != AMPROPSETID_Pin || id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
  }

  // IAMStreamConfig
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE*) override { return S_OK; }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE**) override { return E_NOTIMPL; }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
    *count = static_cast<int>(m_Setup.caps.size());
    *size = m_Setup.capsSize;
    return S_OK;
  }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** out, BYTE* caps) override {
    if (index < 0 || index >= static_cast<int>(m_Setup.caps.size())) return S_FALSE;
    const FakeCapability& cap = m_Setup.caps[static_cast<size_t>(index)];
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    memset(type, 0, sizeof(*type));
    type->majortype = cap.majorType;
    type->subtype = cap.subtype;
    type->formattype = cap.formatType;
    type->bFixedSizeSamples = TRUE;
    // The whole header is always allocated, so that a reader that trusts the
    // format type over cbFormat reads the full size instead of faulting.
    const bool v2 = cap.formatType == FORMAT_VideoInfo2;
    const ULONG full = v2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
    type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(full));
    memset(type->pbFormat, 0, full);
    BITMAPINFOHEADER* header;
    if (v2) {
      auto* info = reinterpret_cast<VIDEOINFOHEADER2*>(type->pbFormat);
      info->AvgTimePerFrame = cap.timePerFrame;
      header = &info->bmiHeader;
    } else {
      auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
      info->AvgTimePerFrame = cap.timePerFrame;
      header = &info->bmiHeader;
    }
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = cap.width;
    header->biHeight = cap.height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(cap.bits);
    header->biSizeImage = static_cast<DWORD>(abs(cap.width * cap.height) * cap.bits / 8);
    type->cbFormat = cap.formatBytes ? cap.formatBytes : full;
    type->lSampleSize = header->biSizeImage;
    if (caps) memset(caps, 0, static_cast<size_t>(m_Setup.capsSize > 0 ? 128 : 0));
    *out = type;
    return S_OK;
  }

 private:
  FakeFilter* m_pFilter;
  FakePinSetup m_Setup;
  wchar_t m_szName[MAX_PIN_NAME];
};

class FakeEnumPins : public IEnumPins {
 public:
  FakeEnumPins(IBaseFilter* filter, std::vector<FakePin*>& pins, size_t position)
      : m_pFilter(filter), m_Pins(pins), m_nPosition(position) {
    m_pFilter->AddRef();
  }
  virtual ~FakeEnumPins() { m_pFilter->Release(); }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IEnumPins) {
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
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
    ULONG got = 0;
    while (got < count && m_nPosition < m_Pins.size()) {
      pins[got] = m_Pins[m_nPosition++];
      pins[got]->AddRef();
      ++got;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    m_nPosition += count;
    return m_nPosition <= m_Pins.size() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    m_nPosition = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPins** out) override {
    *out = new FakeEnumPins(m_pFilter, m_Pins, m_nPosition);
    return S_OK;
  }

 private:
  IBaseFilter* m_pFilter;
  std::vector<FakePin*>& m_Pins;
  size_t m_nPosition;
  std::atomic<ULONG> m_nRefs{1};
};

class FakeFilter : public IBaseFilter {
 public:
  explicit FakeFilter(const FakeDeviceSetup& setup) {
    int number = 0;
    for (const FakePinSetup& pin : setup.pins) m_Pins.push_back(new FakePin(this, pin, number++));
  }
  virtual ~FakeFilter() {
    for (FakePin* pin : m_Pins) delete pin;
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
    *out = new FakeEnumPins(this, m_Pins, 0);
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
  std::vector<FakePin*> m_Pins;
  std::atomic<ULONG> m_nRefs{1};
};

ULONG FakePin::AddRef() { return m_pFilter->AddRef(); }
ULONG FakePin::Release() { return m_pFilter->Release(); }

HRESULT FakePin::QueryPinInfo(PIN_INFO* info) {
  info->pFilter = m_pFilter;
  m_pFilter->AddRef();
  info->dir = PINDIR_OUTPUT;
  wcscpy(info->achName, m_szName);
  return S_OK;
}

}  // namespace

IBaseFilter* CreateFakeVideoFilter(const FakeDeviceSetup& setup) { return new FakeFilter(setup); }
