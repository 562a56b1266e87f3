#include "tests/capture/fakes/FakeVideoFilter.h"

#include <dvdmedia.h>
#include <ks.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace {

class FakeFilter;

void FreeType(AM_MEDIA_TYPE& type) {
  if (type.pbFormat) CoTaskMemFree(type.pbFormat);
  type.pbFormat = nullptr;
  type.cbFormat = 0;
  if (type.pUnk) type.pUnk->Release();
  type.pUnk = nullptr;
}

void CopyType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
  target = source;
  target.pUnk = nullptr;
  target.pbFormat = nullptr;
  if (source.cbFormat) {
    target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
    memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
  }
}

AM_MEDIA_TYPE* NewType(const AM_MEDIA_TYPE& source) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  CopyType(*type, source);
  return type;
}

// The media type of a capability; the whole header is always allocated, so
// that a reader that trusts the format type over cbFormat reads the full size
// instead of faulting.
void MakeType(const FakeCapability& cap, AM_MEDIA_TYPE& type) {
  memset(&type, 0, sizeof(type));
  type.majortype = cap.majorType;
  type.subtype = cap.subtype;
  type.formattype = cap.formatType;
  type.bFixedSizeSamples = TRUE;
  const bool v2 = cap.formatType == FORMAT_VideoInfo2;
  const ULONG full = v2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
  type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(full));
  memset(type.pbFormat, 0, full);
  BITMAPINFOHEADER* header;
  if (v2) {
    auto* info = reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat);
    info->AvgTimePerFrame = cap.timePerFrame;
    header = &info->bmiHeader;
  } else {
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
    info->AvgTimePerFrame = cap.timePerFrame;
    header = &info->bmiHeader;
  }
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = cap.width;
  header->biHeight = cap.height;
  header->biPlanes = 1;
  header->biBitCount = static_cast<WORD>(cap.bits);
  header->biCompression =
      cap.subtype == MEDIASUBTYPE_RGB32 || cap.subtype == MEDIASUBTYPE_RGB24 ? BI_RGB : cap.subtype.Data1;
  header->biSizeImage = static_cast<DWORD>(abs(cap.width) * abs(cap.height) * cap.bits / 8);
  type.cbFormat = cap.formatBytes ? cap.formatBytes : full;
  type.lSampleSize = header->biSizeImage;
}

const BITMAPINFOHEADER* Header(const AM_MEDIA_TYPE& type) {
  if (type.formattype == FORMAT_VideoInfo2) return &reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat)->bmiHeader;
  return &reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
}

LONGLONG TimePerFrame(const AM_MEDIA_TYPE& type) {
  if (type.formattype == FORMAT_VideoInfo2) return reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat)->AvgTimePerFrame;
  return reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame;
}

// Frame n of the pattern in the type's layout.
void Paint(const AM_MEDIA_TYPE& type, BYTE* data, long frame) {
  const BITMAPINFOHEADER* h = Header(type);
  const int width = abs(h->biWidth), height = abs(h->biHeight);
  const bool topDown = h->biHeight < 0;
  const BYTE n = static_cast<BYTE>(frame);
  if (type.subtype == MEDIASUBTYPE_RGB32 || type.subtype == MEDIASUBTYPE_RGB24) {
    const int bytes = type.subtype == MEDIASUBTYPE_RGB32 ? 4 : 3;
    const int stride = (width * bytes + 3) & ~3;
    for (int y = 0; y < height; ++y) {
      BYTE* row = data + static_cast<size_t>(topDown ? y : height - 1 - y) * stride;
      for (int x = 0; x < width; ++x) {
        BYTE* p = row + x * bytes;
        p[0] = static_cast<BYTE>(x);
        p[1] = static_cast<BYTE>(y);
        p[2] = n;
        if (bytes == 4) p[3] = 0xFF;
      }
    }
  } else {  // YUY2: a grey picture whose luma codes x + y
    for (int y = 0; y < height; ++y) {
      BYTE* row = data + static_cast<size_t>(y) * width * 2;
      for (int x = 0; x < width; ++x) {
        row[x * 2] = static_cast<BYTE>(16 + ((x + y) % 220));
        row[x * 2 + 1] = 128;
      }
    }
  }
}

class FakeMediaTypes : public IEnumMediaTypes {
 public:
  explicit FakeMediaTypes(const std::vector<FakeCapability>& caps, size_t position = 0)
      : m_Caps(caps), m_nPosition(position) {}
  virtual ~FakeMediaTypes() = default;
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
    while (got < count && m_nPosition < m_Caps.size()) {
      AM_MEDIA_TYPE type;
      MakeType(m_Caps[m_nPosition++], type);
      types[got++] = NewType(type);
      FreeType(type);
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    m_nPosition += count;
    return m_nPosition <= m_Caps.size() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    m_nPosition = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumMediaTypes** out) override {
    *out = new FakeMediaTypes(m_Caps, m_nPosition);
    return S_OK;
  }

 private:
  std::vector<FakeCapability> m_Caps;
  size_t m_nPosition;
  std::atomic<ULONG> m_nRefs{1};
};

class FakePin : public IPin, public IKsPropertySet, public IAMStreamConfig, public IAMDroppedFrames {
 public:
  FakePin(FakeFilter* filter, const FakePinSetup& setup, int number, FakeDeviceStats* stats,
          const std::atomic<bool>* unplugged)
      : m_pFilter(filter),
        m_Setup(setup),
        m_pStats(stats),
        m_pUnplugged(unplugged),
        m_bStill(setup.category == PIN_CATEGORY_STILL) {
    m_hWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    swprintf(m_szName, MAX_PIN_NAME, L"Pin %d", number);
    memset(&m_Current, 0, sizeof(m_Current));
    if (!m_Setup.caps.empty()) MakeType(m_Setup.caps[0], m_Current);
  }
  virtual ~FakePin() {
    StopStreaming();
    Disconnect();
    FreeType(m_Current);
    CloseHandle(m_hWake);
  }
  void SetPaused(bool paused) {
    m_bPaused = paused;
    SetEvent(m_hWake);
  }
  void Trigger() {
    ++m_nTriggers;
    SetEvent(m_hWake);
  }

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
    else if (iid == IID_IAMDroppedFrames)
      *out = static_cast<IAMDroppedFrames*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPin: an output pin that offers its current format.
  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* wanted) override {
    if (!receiver) return E_POINTER;
    if (m_pConnected) return VFW_E_ALREADY_CONNECTED;
    if (m_Setup.caps.empty()) return VFW_E_NO_ACCEPTABLE_TYPES;
    if (wanted && ((wanted->majortype != GUID_NULL && wanted->majortype != m_Current.majortype) ||
                   (wanted->subtype != GUID_NULL && wanted->subtype != m_Current.subtype)))
      return VFW_E_TYPE_NOT_ACCEPTED;
    if (FAILED(receiver->ReceiveConnection(this, &m_Current))) return VFW_E_NO_ACCEPTABLE_TYPES;
    IMemInputPin* input = nullptr;
    if (FAILED(receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)))) {
      receiver->Disconnect();
      return E_NOINTERFACE;
    }
    IMemAllocator* allocator = nullptr;
    if (FAILED(input->GetAllocator(&allocator)) &&
        FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                reinterpret_cast<void**>(&allocator)))) {
      input->Release();
      receiver->Disconnect();
      return E_FAIL;
    }
    ALLOCATOR_PROPERTIES want{4, static_cast<long>(Header(m_Current)->biSizeImage), 1, 0}, got{};
    if (FAILED(allocator->SetProperties(&want, &got)) || FAILED(input->NotifyAllocator(allocator, FALSE))) {
      allocator->Release();
      input->Release();
      receiver->Disconnect();
      return E_FAIL;
    }
    m_pConnected = receiver;
    m_pConnected->AddRef();
    m_pInput = input;
    m_pAllocator = allocator;
    return S_OK;
  }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP Disconnect() override {
    if (!m_pConnected) return S_FALSE;
    StopStreaming();
    m_pAllocator->Release();
    m_pInput->Release();
    m_pConnected->Release();
    m_pAllocator = nullptr;
    m_pInput = nullptr;
    m_pConnected = nullptr;
    return S_OK;
  }
  STDMETHODIMP ConnectedTo(IPin** pin) override {
    *pin = m_pConnected;
    if (!m_pConnected) return VFW_E_NOT_CONNECTED;
    m_pConnected->AddRef();
    return S_OK;
  }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override {
    if (!m_pConnected) return VFW_E_NOT_CONNECTED;
    CopyType(*type, m_Current);
    return S_OK;
  }
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
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override {
    return type && type->subtype == m_Current.subtype ? S_OK : S_FALSE;
  }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** out) override {
    // The current format first, as a device offers what it is set to.
    std::vector<FakeCapability> caps;
    for (const FakeCapability& cap : m_Setup.caps)
      if (cap.majorType == m_Current.majortype && cap.subtype == m_Current.subtype &&
          cap.width == Header(m_Current)->biWidth && cap.height == Header(m_Current)->biHeight)
        caps.insert(caps.begin(), cap);
      else
        caps.push_back(cap);
    *out = new FakeMediaTypes(caps);
    return S_OK;
  }
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
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override {
    if (m_pConnected) return VFW_E_ALREADY_CONNECTED;
    if (m_Setup.caps.empty()) return E_FAIL;
    FreeType(m_Current);
    if (type)
      CopyType(m_Current, *type);
    else
      MakeType(m_Setup.caps[0], m_Current);
    return S_OK;
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override {
    if (m_Setup.caps.empty()) return E_FAIL;
    *type = NewType(m_Current);
    return S_OK;
  }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
    *count = static_cast<int>(m_Setup.caps.size());
    *size = m_Setup.capsSize;
    return S_OK;
  }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** out, BYTE* caps) override {
    if (index < 0 || index >= static_cast<int>(m_Setup.caps.size())) return S_FALSE;
    AM_MEDIA_TYPE type;
    MakeType(m_Setup.caps[static_cast<size_t>(index)], type);
    *out = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    **out = type;  // takes over the format block
    if (caps) memset(caps, 0, 128);
    return S_OK;
  }

  // IAMDroppedFrames
  STDMETHODIMP GetNumDropped(long* dropped) override {
    if (!dropped) return E_POINTER;
    *dropped = m_nDropped;
    return S_OK;
  }
  STDMETHODIMP GetNumNotDropped(long* sent) override {
    if (!sent) return E_POINTER;
    *sent = m_nSent;
    return S_OK;
  }
  STDMETHODIMP GetDroppedInfo(long, long*, long* copied) override {
    if (copied) *copied = 0;
    return S_OK;
  }
  STDMETHODIMP GetAverageFrameSize(long* size) override {
    if (!size) return E_POINTER;
    *size = static_cast<long>(Header(m_Current)->biSizeImage);
    return S_OK;
  }

  // Streaming, driven by the filter's state.
  void StartStreaming() {
    if (!m_pConnected || m_hThread) return;
    if (FAILED(m_pAllocator->Commit())) return;
    m_bStop = false;
    m_hThread = CreateThread(nullptr, 0, &Stream, this, 0, nullptr);
  }
  void StopStreaming() {
    if (!m_hThread) return;
    m_bStop = true;
    SetEvent(m_hWake);
    m_pAllocator->Decommit();  // frees a thread that waits for a buffer
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
  }

 private:
  static DWORD WINAPI Stream(void* param) {
    auto* self = static_cast<FakePin*>(param);
    const LONGLONG perFrame = TimePerFrame(self->m_Current);
    const LONGLONG period = perFrame > 0 ? perFrame : 166667;  // 100-ns units
    const DWORD start = GetTickCount();
    size_t next = 0;  // of the payload
    for (long n = 0; !self->m_bStop; ++n) {
      if (self->m_bPaused || (self->m_pUnplugged && *self->m_pUnplugged)) {
        WaitForSingleObject(self->m_hWake, 10);
        --n;
        continue;
      }
      if (self->m_bStill) {
        WaitForSingleObject(self->m_hWake, INFINITE);
        if (self->m_bStop) break;
        if (self->m_nTriggers.exchange(0) == 0) continue;
      }
      IMediaSample* sample = nullptr;
      if (FAILED(self->m_pAllocator->GetBuffer(&sample, nullptr, nullptr, 0)) || !sample) break;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      long length = static_cast<long>(Header(self->m_Current)->biSizeImage);
      const auto& payload = self->m_Setup.payload;
      if (!payload.empty()) {
        const std::vector<BYTE>& bytes = payload[next++ % payload.size()];
        length = std::min(static_cast<long>(bytes.size()), sample->GetSize());
        memcpy(data, bytes.data(), static_cast<size_t>(length));
      } else {
        Paint(self->m_Current, data, n);
      }
      sample->SetActualDataLength(length);
      sample->SetTime(nullptr, nullptr);
      const HRESULT hr = self->m_pInput->Receive(sample);
      sample->Release();
      ++self->m_nSent;
      if (self->m_pStats) ++self->m_pStats->framesSent;
      if (hr != S_OK) break;
      if (self->m_bStill) continue;
      // Frames at the format's rate, from the start, without drift; the ones
      // whose time passed while this one was taken are lost.
      DWORD due = start + static_cast<DWORD>((n + 1) * period / 10000);
      DWORD now = GetTickCount();
      while (static_cast<int>(now - due) >= static_cast<int>(period / 10000)) {
        ++n;
        ++self->m_nDropped;
        if (self->m_pStats) ++self->m_pStats->framesDropped;
        due = start + static_cast<DWORD>((n + 1) * period / 10000);
      }
      if (static_cast<int>(due - now) > 0) Sleep(due - now);
    }
    return 0;
  }

  FakeFilter* m_pFilter;
  FakePinSetup m_Setup;
  FakeDeviceStats* m_pStats;
  const std::atomic<bool>* m_pUnplugged;
  wchar_t m_szName[MAX_PIN_NAME];
  AM_MEDIA_TYPE m_Current;
  IPin* m_pConnected = nullptr;
  IMemInputPin* m_pInput = nullptr;
  IMemAllocator* m_pAllocator = nullptr;
  HANDLE m_hThread = nullptr;
  std::atomic<bool> m_bStop{false};
  bool m_bStill;
  std::atomic<bool> m_bPaused{false};
  HANDLE m_hWake = nullptr;
  std::atomic<int> m_nTriggers{0};
  std::atomic<long> m_nSent{0};
  std::atomic<long> m_nDropped{0};
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

// The private property set that a phone used as a camera answers.
const GUID kPhoneCameraSet = {0x05DC8943, 0xB9FB, 0x4201, {0x80, 0x8F, 0x6E, 0x91, 0x45, 0x1C, 0x47, 0x60}};

// {6B0E2C1A-93F4-4E5D-8C27-1F4A9D3B7E60}
const CLSID kFakeCameraClsid = {0x6b0e2c1a, 0x93f4, 0x4e5d, {0x8c, 0x27, 0x1f, 0x4a, 0x9d, 0x3b, 0x7e, 0x60}};

bool FindRegisteredSetup(const std::wstring& name, FakeDeviceSetup* setup);

class FakeFilter : public IBaseFilter,
                   public IAMVideoControl,
                   public IPersistPropertyBag,
                   public IKsPropertySet,
                   public ISpecifyPropertyPages {
 public:
  explicit FakeFilter(const FakeDeviceSetup& setup) { Setup(setup); }
  virtual ~FakeFilter() { Setup({}); }
  // Builds the pins of a setup in place of the old ones.
  void Setup(const FakeDeviceSetup& setup) {
    for (FakePin* pin : m_Pins) delete pin;
    m_Pins.clear();
    if (m_pStats) --m_pStats->filtersAlive;
    m_pStats = setup.stats;
    m_bTrigger = setup.stillTrigger;
    m_bTriggerFails = setup.triggerFails;
    m_bPhone = setup.phoneCamera;
    m_bPages = setup.specifiesPages;
    m_PageClasses = setup.propertyPages;
    if (!m_pGraph) m_Name = setup.filterName;
    int number = 0;
    for (const FakePinSetup& pin : setup.pins)
      m_Pins.push_back(new FakePin(this, pin, number++, setup.stats, setup.unplugged));
    if (m_pStats) ++m_pStats->filtersAlive;
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter) {
      *out = static_cast<IBaseFilter*>(this);
      AddRef();
      return S_OK;
    }
    if (iid == IID_IPersistPropertyBag) {
      *out = static_cast<IPersistPropertyBag*>(this);
      AddRef();
      return S_OK;
    }
    if (iid == IID_IKsPropertySet) {
      *out = static_cast<IKsPropertySet*>(this);
      AddRef();
      return S_OK;
    }
    if (iid == IID_ISpecifyPropertyPages && m_bPages) {
      *out = static_cast<ISpecifyPropertyPages*>(this);
      AddRef();
      return S_OK;
    }
    if (iid == IID_IAMVideoControl && m_bTrigger) {
      *out = static_cast<IAMVideoControl*>(this);
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
    *id = kFakeCameraClsid;
    return S_OK;
  }

  // IPersistPropertyBag: a registered device's friendly name picks its setup.
  STDMETHODIMP InitNew() override { return S_OK; }
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog*) override {
    if (!bag) return E_POINTER;
    VARIANT name;
    VariantInit(&name);
    HRESULT hr = bag->Read(L"FriendlyName", &name, nullptr);
    if (SUCCEEDED(hr) && name.vt != VT_BSTR) hr = E_INVALIDARG;
    FakeDeviceSetup setup;
    if (SUCCEEDED(hr) && !FindRegisteredSetup(name.bstrVal, &setup)) hr = E_FAIL;
    VariantClear(&name);
    if (FAILED(hr)) return hr;
    if (setup.bindFails) return E_FAIL;
    Setup(setup);
    return S_OK;
  }
  STDMETHODIMP Save(IPropertyBag*, BOOL, BOOL) override { return E_NOTIMPL; }

  // IKsPropertySet of the device: only the phone-camera set, when set up so.
  STDMETHODIMP Set(REFGUID set, DWORD, void*, DWORD, void*, DWORD) override {
    return set == kPhoneCameraSet && m_bPhone ? S_OK : E_PROP_SET_UNSUPPORTED;
  }
  STDMETHODIMP Get(REFGUID set, DWORD, void*, DWORD, void*, DWORD, DWORD* returned) override {
    if (returned) *returned = 0;
    return set == kPhoneCameraSet && m_bPhone ? S_OK : E_PROP_SET_UNSUPPORTED;
  }
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
    if (!support) return E_POINTER;
    *support = 0;
    if (set != kPhoneCameraSet || !m_bPhone) return E_PROP_SET_UNSUPPORTED;
    if (id != 0) return E_PROP_ID_UNSUPPORTED;
    *support = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
    return S_OK;
  }

  // ISpecifyPropertyPages: the page classes of the setup, in order.
  STDMETHODIMP GetPages(CAUUID* pages) override {
    if (!pages) return E_POINTER;
    pages->cElems = static_cast<ULONG>(m_PageClasses.size());
    pages->pElems = nullptr;
    if (m_PageClasses.empty()) return S_OK;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * m_PageClasses.size()));
    if (!pages->pElems) return E_OUTOFMEMORY;
    std::copy(m_PageClasses.begin(), m_PageClasses.end(), pages->pElems);
    return S_OK;
  }

  // IAMVideoControl: the still trigger.
  STDMETHODIMP GetCaps(IPin*, long* flags) override {
    *flags = VideoControlFlag_Trigger;
    return S_OK;
  }
  STDMETHODIMP SetMode(IPin* pin, long mode) override;
  STDMETHODIMP GetMode(IPin*, long* mode) override {
    *mode = 0;
    return S_OK;
  }
  STDMETHODIMP GetCurrentActualFrameRate(IPin*, LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMaxAvailableFrameRate(IPin*, long, SIZE, LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetFrameRateList(IPin*, long, SIZE, long*, LONGLONG**) override { return E_NOTIMPL; }

  STDMETHODIMP Stop() override {
    for (FakePin* pin : m_Pins) pin->StopStreaming();
    m_State = State_Stopped;
    return S_OK;
  }
  STDMETHODIMP Pause() override {
    // A paused device stops sending but keeps its thread: a renderer that
    // holds a sample while paused would never let the thread be joined.
    for (FakePin* pin : m_Pins) pin->SetPaused(true);
    m_State = State_Paused;
    return S_OK;
  }
  STDMETHODIMP Run(REFERENCE_TIME) override {
    for (FakePin* pin : m_Pins) {
      pin->SetPaused(false);
      pin->StartStreaming();
    }
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
    *out = new FakeEnumPins(this, m_Pins, 0);
    return S_OK;
  }
  STDMETHODIMP FindPin(LPCWSTR, IPin** pin) override {
    *pin = nullptr;
    return VFW_E_NOT_FOUND;
  }
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override {
    memset(info, 0, sizeof(*info));
    wcsncpy(info->achName, m_Name.c_str(), MAX_FILTER_NAME - 1);
    info->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
  }
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override {
    m_pGraph = graph;  // not held: the graph holds the filter
    m_Name = name ? name : L"";
    return S_OK;
  }
  STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

 private:
  std::vector<FakePin*> m_Pins;
  std::atomic<ULONG> m_nRefs{1};
  FakeDeviceStats* m_pStats = nullptr;
  bool m_bTrigger = false;
  bool m_bTriggerFails = false;
  bool m_bPhone = false;
  bool m_bPages = false;
  std::vector<CLSID> m_PageClasses;
  FILTER_STATE m_State = State_Stopped;
  IFilterGraph* m_pGraph = nullptr;
  std::wstring m_Name;
};

HRESULT FakeFilter::SetMode(IPin* pin, long mode) {
  for (FakePin* own : m_Pins) {
    if (static_cast<IPin*>(own) != pin) continue;
    if (!(mode & VideoControlFlag_Trigger)) return S_OK;
    if (m_State != State_Running) return VFW_E_NOT_RUNNING;
    if (m_bTriggerFails) return E_FAIL;
    own->Trigger();
    return S_OK;
  }
  return E_INVALIDARG;
}

ULONG FakePin::AddRef() { return m_pFilter->AddRef(); }
ULONG FakePin::Release() { return m_pFilter->Release(); }

HRESULT FakePin::QueryPinInfo(PIN_INFO* info) {
  info->pFilter = m_pFilter;
  m_pFilter->AddRef();
  info->dir = PINDIR_OUTPUT;
  wcscpy(info->achName, m_szName);
  return S_OK;
}

class FakeMoniker : public IMoniker {
 public:
  explicit FakeMoniker(const FakeDeviceSetup& setup) : m_Setup(setup) {}
  virtual ~FakeMoniker() = default;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IPersistStream || iid == IID_IMoniker) {
      *out = static_cast<IMoniker*>(this);
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
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
  STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** out) override {
    *out = nullptr;
    if (m_Setup.bindFails) return E_FAIL;
    IBaseFilter* filter = CreateFakeVideoFilter(m_Setup);
    const HRESULT hr = filter->QueryInterface(iid, out);
    filter->Release();
    return hr;
  }
  STDMETHODIMP BindToStorage(IBindCtx*, IMoniker*, REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP ComposeWith(IMoniker*, BOOL, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP Enum(BOOL, IEnumMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP IsEqual(IMoniker* other) override { return other == this ? S_OK : S_FALSE; }
  STDMETHODIMP Hash(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return S_FALSE; }
  STDMETHODIMP GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
  STDMETHODIMP Inverse(IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override { return E_NOTIMPL; }
  STDMETHODIMP ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP IsSystemMoniker(DWORD* kind) override {
    *kind = MKSYS_NONE;
    return S_FALSE;
  }

 private:
  FakeDeviceSetup m_Setup;
  std::atomic<ULONG> m_nRefs{1};
};

// The registered devices, by friendly name.
std::mutex g_RegisteredLock;
std::vector<FakeCameraRegistration::Device> g_Registered;

bool FindRegisteredSetup(const std::wstring& name, FakeDeviceSetup* setup) {
  std::lock_guard<std::mutex> lock(g_RegisteredLock);
  for (const FakeCameraRegistration::Device& device : g_Registered)
    if (device.name == name) {
      *setup = device.setup;
      return true;
    }
  return false;
}

class FakeCameraClass : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // static
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IBaseFilter* filter = CreateFakeVideoFilter({});
    const HRESULT hr = filter->QueryInterface(iid, out);
    filter->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

FakeCameraClass g_FakeCameraClass;

IFilterMapper2* Mapper() {
  IFilterMapper2* mapper = nullptr;
  CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                   reinterpret_cast<void**>(&mapper));
  return mapper;
}

// Friendly names of the fake class's entries in the video input category.
std::vector<std::wstring> FakeEntries() {
  std::vector<std::wstring> names;
  ICreateDevEnum* devices = nullptr;
  IEnumMoniker* monikers = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                 reinterpret_cast<void**>(&devices))) &&
      devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) == S_OK && monikers) {
    IMoniker* moniker = nullptr;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
      IPropertyBag* bag = nullptr;
      if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
        VARIANT clsid, name;
        VariantInit(&clsid);
        VariantInit(&name);
        CLSID id{};
        if (SUCCEEDED(bag->Read(L"CLSID", &clsid, nullptr)) && clsid.vt == VT_BSTR &&
            SUCCEEDED(CLSIDFromString(clsid.bstrVal, &id)) && id == kFakeCameraClsid &&
            SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR)
          names.push_back(name.bstrVal);
        VariantClear(&clsid);
        VariantClear(&name);
        bag->Release();
      }
      moniker->Release();
    }
  }
  if (monikers) monikers->Release();
  if (devices) devices->Release();
  return names;
}

void UnregisterEntries(const std::vector<std::wstring>& names) {
  IFilterMapper2* mapper = Mapper();
  if (!mapper) return;
  for (const std::wstring& name : names)
    mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, name.c_str(), kFakeCameraClsid);
  mapper->Release();
}

}  // namespace

void SetFakeCameraSetups(const std::vector<FakeCameraRegistration::Device>& devices) {
  std::lock_guard<std::mutex> lock(g_RegisteredLock);
  g_Registered = devices;
}

IClassFactory* FakeCameraClassObject() { return &g_FakeCameraClass; }

const CLSID& FakeCameraClsid() { return kFakeCameraClsid; }

HRESULT AddFakeCameraEntries(const std::vector<FakeCameraRegistration::Device>& devices) {
  UnregisterEntries(FakeEntries());  // left by a run that did not end
  IFilterMapper2* mapper = Mapper();
  if (!mapper) return E_NOINTERFACE;
  REGPINTYPES type{&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
  REGFILTERPINS2 pin{};
  pin.dwFlags = REG_PINFLAG_B_OUTPUT;
  pin.cInstances = 1;
  pin.nMediaTypes = 1;
  pin.lpMediaType = &type;
  pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
  REGFILTER2 filter{};
  filter.dwVersion = 2;
  filter.dwMerit = MERIT_DO_NOT_USE;
  filter.cPins2 = 1;
  filter.rgPins2 = &pin;
  HRESULT hr = S_OK;
  for (const FakeCameraRegistration::Device& device : devices) {
    IMoniker* moniker = nullptr;
    hr = mapper->RegisterFilter(kFakeCameraClsid, device.name.c_str(), &moniker, &CLSID_VideoInputDeviceCategory,
                                device.name.c_str(), &filter);
    if (moniker) moniker->Release();
    if (FAILED(hr)) break;
  }
  mapper->Release();
  if (FAILED(hr)) RemoveFakeCameraEntries();
  return hr;
}

void RemoveFakeCameraEntries() { UnregisterEntries(FakeEntries()); }

FakeCameraRegistration::FakeCameraRegistration(const std::vector<Device>& devices) {
  SetFakeCameraSetups(devices);
  m_hResult = CoRegisterClassObject(kFakeCameraClsid, &g_FakeCameraClass, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &m_dwCookie);
  if (SUCCEEDED(m_hResult)) m_hResult = AddFakeCameraEntries(devices);
}

FakeCameraRegistration::~FakeCameraRegistration() {
  RemoveFakeCameraEntries();
  if (m_dwCookie) CoRevokeClassObject(m_dwCookie);
  SetFakeCameraSetups({});
}

int CountFakeCameraEntries() { return static_cast<int>(FakeEntries().size()); }

IBaseFilter* CreateFakeVideoFilter(const FakeDeviceSetup& setup) { return new FakeFilter(setup); }

IMoniker* CreateFakeCameraMoniker(const FakeDeviceSetup& setup) { return new FakeMoniker(setup); }
