#include "capture/CameraDS.h"

#include <dvdmedia.h>
#include <olectl.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "capture/PropertySheet.h"
#include "capture/GraphTools.h"
#include "win32/ComPtr.h"

using win32::CComPtr;

namespace {

constexpr int kCapsSize = 128;  // sizeof(VIDEO_STREAM_CONFIG_CAPS)
constexpr int kMinVideoWidth = 320;
constexpr int kMinVideoHeight = 240;

GUID FourCCSubtype(const char (&code)[5]) {
  // The published FourCC subtypes: the code as Data1, then the common tail.
  GUID guid = {0, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
  guid.Data1 = static_cast<unsigned long>(static_cast<unsigned char>(code[0])) |
               static_cast<unsigned long>(static_cast<unsigned char>(code[1])) << 8 |
               static_cast<unsigned long>(static_cast<unsigned char>(code[2])) << 16 |
               static_cast<unsigned long>(static_cast<unsigned char>(code[3])) << 24;
  return guid;
}

struct SubtypeEntry {
  const wchar_t* name;
  GUID subtype;
};

const std::vector<SubtypeEntry>& SubtypeTable() {
  static const std::vector<SubtypeEntry> table = {
      {L"RGB  8", MEDIASUBTYPE_RGB8},         {L"RGB 24", MEDIASUBTYPE_RGB24},  {L"RGB 32", MEDIASUBTYPE_RGB32},
      {L"RGB 32 Alpha", MEDIASUBTYPE_ARGB32}, {L"MJPG", FourCCSubtype("MJPG")}, {L"AYUV", FourCCSubtype("AYUV")},
      {L"YUY2", FourCCSubtype("YUY2")},       {L"UYVY", FourCCSubtype("UYVY")}, {L"YV12", FourCCSubtype("YV12")},
      {L"NV12", FourCCSubtype("NV12")},       {L"I420", FourCCSubtype("I420")}, {L"IYUV", FourCCSubtype("IYUV")},
      {L"Y211", FourCCSubtype("Y211")},       {L"Y411", FourCCSubtype("Y411")}, {L"Y41P", FourCCSubtype("Y41P")},
      {L"YVU9", FourCCSubtype("YVU9")},       {L"YVYU", FourCCSubtype("YVYU")},
  };
  return table;
}

void FreeMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  if (type->pbFormat) CoTaskMemFree(type->pbFormat);
  if (type->pUnk) type->pUnk->Release();
  CoTaskMemFree(type);
}

bool CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
  target = source;
  target.pUnk = nullptr;
  target.pbFormat = nullptr;
  target.cbFormat = 0;
  if (source.cbFormat && source.pbFormat) {
    target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
    if (!target.pbFormat) return false;
    memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
    target.cbFormat = source.cbFormat;
  }
  return true;
}

GUID PinCategory(IPin* pin) {
  GUID category = GUID_NULL;
  CComPtr<IKsPropertySet> props;
  if (FAILED(pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&props)))) return category;
  DWORD returned = 0;
  if (FAILED(
          props->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof(category), &returned)) ||
      returned != sizeof(category))
    category = GUID_NULL;
  return category;
}

// The first pin of a category among the filter's pins, in enumeration order.
CComPtr<IPin> FindPin(IBaseFilter* filter, const GUID& category) {
  CComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins)) || !pins) return {};
  CComPtr<IPin> pin;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    if (PinCategory(pin) == category) return pin;
  }
  return {};
}

// The stream configuration of a pin when it reports whole capability records.
CComPtr<IAMStreamConfig> StreamConfig(IPin* pin, int* count) {
  CComPtr<IAMStreamConfig> config;
  if (!pin || FAILED(pin->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)))) return {};
  int size = 0;
  *count = 0;
  if (FAILED(config->GetNumberOfCapabilities(count, &size)) || size != kCapsSize || *count <= 0) return {};
  return config;
}

bool SameFormat(const AM_MEDIA_TYPE& offered, const AM_MEDIA_TYPE& wanted) {
  if (offered.majortype != wanted.majortype || offered.subtype != wanted.subtype ||
      offered.formattype != wanted.formattype)
    return false;
  const BITMAPINFOHEADER* a = VideoBitmapHeader(offered, nullptr);
  const BITMAPINFOHEADER* b = VideoBitmapHeader(wanted, nullptr);
  const bool video = offered.formattype == FORMAT_VideoInfo || offered.formattype == FORMAT_VideoInfo2;
  if (!video) return true;
  if (!a || !b) return false;
  return a->biWidth == std::abs(b->biWidth) && a->biHeight == std::abs(b->biHeight) && a->biBitCount == b->biBitCount;
}

// Chooses the capability that matches `wanted` on a pin's stream
// configuration; the device default when none does or it is refused.
void ChooseFormat(IAMStreamConfig* config, const AM_MEDIA_TYPE& wanted) {
  int count = 0, size = 0;
  if (FAILED(config->GetNumberOfCapabilities(&count, &size)) || size != kCapsSize) return;
  BYTE caps[kCapsSize];
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(config->GetStreamCaps(i, &type, caps)) || !type) continue;
    const bool match = SameFormat(*type, wanted);
    if (match && FAILED(config->SetFormat(type))) config->SetFormat(nullptr);
    FreeMediaType(type);
    if (match) return;
  }
}

}  // namespace

const BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE& type, LONGLONG* avgTimePerFrame) {
  if (!type.pbFormat) return nullptr;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    if (avgTimePerFrame) *avgTimePerFrame = info->AvgTimePerFrame;
    return &info->bmiHeader;
  }
  // A short block would be read past its end.
  if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
    if (avgTimePerFrame) *avgTimePerFrame = info->AvgTimePerFrame;
    return &info->bmiHeader;
  }
  return nullptr;
}

const wchar_t* MediaSubtypeName(const GUID& subtype) {
  for (const SubtypeEntry& entry : SubtypeTable())
    if (entry.subtype == subtype) return entry.name;
  return L"Unknown";
}

VideoFormat::~VideoFormat() {
  if (mediaType.pbFormat) CoTaskMemFree(mediaType.pbFormat);
}

SubtypeGroup::~SubtypeGroup() {
  for (VideoFormat* format : formats) delete format;
}

COrvelCameraDS::COrvelCameraDS(IMoniker* moniker) : m_pMoniker(moniker) {
  m_bTileBottomUp = 1;
  m_bSnapshotBottomUp = 1;
  m_EventWnd.m_pObserver = this;
}

COrvelCameraDS::~COrvelCameraDS() {
  ReleaseGraph();
  DeleteStillFormats();
  for (SubtypeGroup* group : m_VideoGroups) delete group;
  if (m_pMoniker) m_pMoniker->Release();
}

HRESULT COrvelCameraDS::BindDevice(IBaseFilter** filter) {
  *filter = nullptr;
  if (!m_pMoniker) return E_FAIL;
  CComPtr<IBindCtx> context;
  if (FAILED(CreateBindCtx(0, &context))) return E_FAIL;
  return m_pMoniker->BindToObject(context, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
}

int COrvelCameraDS::EnumerateFormats() {
  CComPtr<IBaseFilter> filter;
  if (FAILED(BindDevice(&filter)) || !filter) return 0;
  ListFormats(filter);
  return 1;
}

void COrvelCameraDS::ListFormats(IBaseFilter* filter) {
  CComPtr<IPin> capture = FindPin(filter, PIN_CATEGORY_CAPTURE);
  CComPtr<IPin> pin = capture ? capture : FindPin(filter, PIN_CATEGORY_PREVIEW);
  int count = 0;
  if (CComPtr<IAMStreamConfig> config = StreamConfig(pin, &count)) {
    BYTE caps[kCapsSize];
    for (int i = 0; i < count; ++i) {
      AM_MEDIA_TYPE* type = nullptr;
      if (FAILED(config->GetStreamCaps(i, &type, caps)) || !type) continue;
      if (type->majortype != MEDIATYPE_Video) {
        FreeMediaType(type);
        continue;
      }
      SubtypeGroup* group = nullptr;
      for (SubtypeGroup* existing : m_VideoGroups)
        if (existing->subtype == type->subtype) group = existing;
      if (!group) {
        group = new SubtypeGroup;
        group->subtype = type->subtype;
        group->name = MediaSubtypeName(type->subtype);
        m_VideoGroups.push_back(group);
      }
      LONGLONG timePerFrame = 0;
      const BITMAPINFOHEADER* header = VideoBitmapHeader(*type, &timePerFrame);
      const int width = header ? std::abs(static_cast<int>(header->biWidth)) : 0;
      const int height = header ? std::abs(static_cast<int>(header->biHeight)) : 0;
      if (header && width >= kMinVideoWidth && height >= kMinVideoHeight) {
        auto* format = new VideoFormat;
        if (CopyMediaType(format->mediaType, *type)) {
          format->width = width;
          format->height = height;
          format->avgTimePerFrame = timePerFrame;
          format->group = group;
          swprintf(format->label, 256, L"%d x %d", width, height);
          group->formats.push_back(format);
          if (!m_pCurrentVideo) m_pCurrentVideo = format;
        } else {
          delete format;
        }
      }
      FreeMediaType(type);
    }
  }

  CComPtr<IPin> still = FindPin(filter, PIN_CATEGORY_STILL);
  if (CComPtr<IAMStreamConfig> config = StreamConfig(still, &count)) {
    BYTE caps[kCapsSize];
    for (int i = 0; i < count; ++i) {
      AM_MEDIA_TYPE* type = nullptr;
      if (FAILED(config->GetStreamCaps(i, &type, caps)) || !type) continue;
      const BITMAPINFOHEADER* header = VideoBitmapHeader(*type, nullptr);
      bool listed = header == nullptr;
      if (header) {
        const int width = std::abs(static_cast<int>(header->biWidth));
        const int height = std::abs(static_cast<int>(header->biHeight));
        for (VideoFormat* format : m_StillFormats)
          if (format->width == width && format->height == height) listed = true;
      }
      if (!listed) {
        auto* format = new VideoFormat;
        if (CopyMediaType(format->mediaType, *type)) {
          format->header = *header;
          format->width = header->biWidth;
          format->height = header->biHeight;
          swprintf(format->label, 256, L"%d x %d", static_cast<int>(header->biWidth),
                   std::abs(static_cast<int>(header->biHeight)));
          m_StillFormats.push_back(format);
          if (!m_pCurrentStill) m_pCurrentStill = format;
        } else {
          delete format;
        }
      }
      FreeMediaType(type);
    }
  }
  m_bHasStillPin = still ? 1 : 0;
}

void COrvelCameraDS::DeleteStillFormats() {
  for (VideoFormat* format : m_StillFormats) delete format;
  m_StillFormats.clear();
  m_pCurrentStill = nullptr;
}

int COrvelCameraDS::BuildGraph() {
  if (FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                              reinterpret_cast<void**>(&m_pBuilder))) ||
      FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&m_pGraph))) ||
      FAILED(m_pBuilder->SetFiltergraph(m_pGraph)))
    return 0;
  if (FAILED(BindDevice(&m_pCaptureFilter)) || !m_pCaptureFilter) return 0;
  std::wstring filterName = L"WebCam";
  if (m_pszName) filterName += m_pszName;
  if (FAILED(m_pGraph->AddFilter(m_pCaptureFilter, filterName.c_str()))) return 0;
  m_pPreviewGrabber = CreateMediaGrabber();
  if (!m_pPreviewGrabber || FAILED(m_pPreviewGrabber->GetFilter(&m_pPreviewFilter)) || !m_pPreviewFilter ||
      FAILED(m_pGraph->AddFilter(m_pPreviewFilter, L"SampleGrabber")))
    return 0;

  if (m_pCurrentVideo) {
    CComPtr<IAMStreamConfig> config;
    if (FAILED(m_pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, m_pCaptureFilter,
                                         IID_IAMStreamConfig, reinterpret_cast<void**>(&config))))
      m_pBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_pCaptureFilter, IID_IAMStreamConfig,
                                reinterpret_cast<void**>(&config));
    if (config) ChooseFormat(config, m_pCurrentVideo->mediaType);
  }

  HRESULT hr = m_pBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved, m_pCaptureFilter, nullptr,
                                        m_pPreviewFilter);
  if (hr != S_OK && hr != VFW_S_NOPREVIEWPIN)
    hr = m_pBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, m_pCaptureFilter, nullptr, m_pPreviewFilter);
  if (hr != S_OK && hr != VFW_S_NOPREVIEWPIN) return 0;

  ConnectStillPin();

  int width = 0, height = 0;
  m_pPreviewGrabber->GetFrameSize(&width, &height);
  m_nWidth = std::abs(width);
  m_nHeight = std::abs(height);
  m_Settings.m_ImageW = m_nWidth;
  m_Settings.m_ImageH = m_nHeight;
  m_pPreviewGrabber->m_Flag = 0;
  m_pPreviewGrabber->SetCallback(this);

  if (FAILED(m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_pControl))) ||
      FAILED(m_pGraph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_pEvents))))
    return 0;
  HWND window = m_EventWnd.Create();
  if (!window) return 0;
  m_EventWnd.m_pMediaEvent = m_pEvents;
  m_pEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(window), WM_GRAPHNOTIFY, 0);
  return 1;
}

void COrvelCameraDS::ConnectStillPin() {
  CComPtr<IPin> still = FindPin(m_pCaptureFilter, PIN_CATEGORY_STILL);
  if (!still) return;
  if (m_pCurrentStill && !m_StillFormats.empty()) {
    CComPtr<IAMStreamConfig> config;
    if (SUCCEEDED(still->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config))))
      ChooseFormat(config, m_pCurrentStill->mediaType);
  }
  bool connected = false;
  m_pStillGrabber = CreateMediaGrabber();
  if (m_pStillGrabber && SUCCEEDED(m_pStillGrabber->GetFilter(&m_pStillFilter)) && m_pStillFilter &&
      SUCCEEDED(m_pGraph->AddFilter(m_pStillFilter, L"StillGrabber"))) {
    CComPtr<IPin> input;
    CComPtr<IEnumPins> pins;
    if (SUCCEEDED(m_pStillFilter->EnumPins(&pins)) && pins) {
      CComPtr<IPin> pin;
      while (!input && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction{};
        CComPtr<IPin> peer;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT &&
            pin->ConnectedTo(&peer) == VFW_E_NOT_CONNECTED)
          input = pin;
      }
    }
    if (input) {
      m_pStillGrabber->m_Flag = 1;
      m_pStillGrabber->SetCallback(this);
      connected = SUCCEEDED(m_pGraph->Connect(still, input));
    }
  }
  if (connected) {
    int width = 0, height = 0;
    m_pStillGrabber->GetFrameSize(&width, &height);
    m_nStillWidth = std::abs(width);
    m_nStillHeight = std::abs(height);
    m_pCaptureFilter->QueryInterface(IID_IAMVideoControl, reinterpret_cast<void**>(&m_pVideoControl));
    m_pStillPin = still.Detach();
    return;
  }
  if (m_pStillFilter) {
    m_pGraph->RemoveFilter(m_pStillFilter);
    m_pStillFilter->Release();
    m_pStillFilter = nullptr;
  }
  if (m_pStillGrabber) {
    m_pStillGrabber->SetCallback(nullptr);
    m_pStillGrabber->Release();
    m_pStillGrabber = nullptr;
  }
}

int COrvelCameraDS::RunGraph() { return m_pControl && m_pPreviewGrabber && SUCCEEDED(m_pControl->Run()) ? 1 : 0; }

int COrvelCameraDS::ResumeGraph() { return RunGraph(); }

int COrvelCameraDS::PauseGraph() { return m_pControl && SUCCEEDED(m_pControl->Pause()) ? 1 : 0; }

namespace {

template <class T>
void ReleaseField(T*& field) {
  if (field) field->Release();
  field = nullptr;
}

}  // namespace

int COrvelCameraDS::StopGraph() {
  if (!m_pControl) return 0;
  ReleaseGraph();
  return 1;
}

void COrvelCameraDS::ReleaseGraph() {
  if (m_pEvents) m_pEvents->SetNotifyWindow(0, 0, 0);
  m_EventWnd.m_pMediaEvent = nullptr;
  ReleaseField(m_pEvents);
  // No frame may reach this camera once the graph begins to stop.
  if (m_pPreviewGrabber) m_pPreviewGrabber->SetCallback(nullptr);
  if (m_pStillGrabber) m_pStillGrabber->SetCallback(nullptr);
  if (m_pControl) m_pControl->Stop();
  if (m_pGraph && m_pCaptureFilter) {
    RemoveDownstream(m_pGraph, m_pCaptureFilter);
    m_pGraph->RemoveFilter(m_pCaptureFilter);
  }
  ReleaseField(m_pCaptureFilter);
  ReleaseField(m_pVideoControl);
  ReleaseField(m_pStillPin);
  ReleaseField(m_pPreviewFilter);
  ReleaseField(m_pPreviewGrabber);
  ReleaseField(m_pStillFilter);
  ReleaseField(m_pStillGrabber);
  ReleaseField(m_pControl);
  ReleaseField(m_pGraph);
  ReleaseField(m_pBuilder);
  m_EventWnd.Destroy();
}

int COrvelCameraDS::CloseDevice() {
  ReleaseGraph();
  DeleteStillFormats();
  return 1;
}

int COrvelCameraDS::TriggerStill() {
  if (!m_bHasStillPin || !m_pStillPin) return 0;
  if (m_pVideoControl && SUCCEEDED(m_pVideoControl->SetMode(m_pStillPin, VideoControlFlag_Trigger))) return 1;
  // Later snapshots take the preview frame.
  m_bHasStillPin = 0;
  return 0;
}

void COrvelCameraDS::OnSample(const BYTE* pixels, int flag) {
  if (!pixels) return;
  if (flag == 0)
    OnFrame(pixels);
  else
    GetCaptureShell()->SaveStillSnapshot(this, m_nStillWidth, m_nStillHeight, pixels);
}

int COrvelCameraDS::LoadConfig(int index) {
  m_Settings.Load(m_pszName, index);
  SetMirrorV(m_Settings.m_MirrorV);
  SetMirrorH(m_Settings.m_MirrorH);
  SetRed(m_Settings.m_Red);
  SetGreen(m_Settings.m_Green);
  SetBlue(m_Settings.m_Blue);
  SetColorCorrection(m_Settings.m_ColorCorrection);
  SetColorful(m_Settings.m_Colorful);
  SetGamma(m_Settings.m_Gamma);
  SetGammaEnabled(m_Settings.m_GammaEnabled);
  SetSaturation(m_Settings.m_Saturation);
  SetBrightness(m_Settings.m_Brightness);
  SetContrast(m_Settings.m_Contrast);
  SetHue(m_Settings.m_Hue);
  for (SubtypeGroup* group : m_VideoGroups) {
    if (group->subtype != m_Settings.m_ImageFormat) continue;
    for (VideoFormat* format : group->formats) {
      if (format->width == m_Settings.m_ImageW && format->height == m_Settings.m_ImageH) {
        m_pCurrentVideo = format;
        break;
      }
    }
    break;
  }
  for (VideoFormat* format : m_StillFormats) {
    if (std::abs(format->width) == m_Settings.m_StillW && std::abs(format->height) == m_Settings.m_StillH) {
      m_pCurrentStill = format;
      break;
    }
  }
  return 1;
}

int COrvelCameraDS::SaveConfig(int index) {
  m_Settings.m_MirrorV = GetMirrorV();
  m_Settings.m_MirrorH = GetMirrorH();
  m_Settings.m_Red = m_nRed;
  m_Settings.m_Green = m_nGreen;
  m_Settings.m_Blue = m_nBlue;
  m_Settings.m_ColorCorrection = m_nColorCorrection;
  m_Settings.m_Colorful = m_nColorful;
  m_Settings.m_Gamma = m_nGamma;
  m_Settings.m_GammaEnabled = m_nGammaEnabled;
  m_Settings.m_Saturation = m_nSaturation;
  m_Settings.m_Brightness = m_nBrightness;
  m_Settings.m_Contrast = m_nContrast;
  m_Settings.m_Hue = m_nHue;
  m_Settings.Save(m_pszName, index);
  return 1;
}

bool COrvelCameraDS::SelectVideoFormat(VideoFormat* format) {
  if (format == m_pCurrentVideo) return false;
  VideoFormat* old = m_pCurrentVideo;
  m_pCurrentVideo = format;
  if (format) {
    m_Settings.m_ImageFormat = format->mediaType.subtype;
    m_Settings.m_ImageW = format->width;
    m_Settings.m_ImageH = format->height;
  }
  const int oldHeight = old ? old->height : 0;
  const int newHeight = format ? format->height : 0;
  return newHeight != oldHeight || (!format && old && old->width != 0);
}

void COrvelCameraDS::SelectStillFormat(int index) {
  if (index < 0 || index >= static_cast<int>(m_StillFormats.size())) return;
  m_pCurrentStill = m_StillFormats[static_cast<size_t>(index)];
  m_Settings.m_StillFormat = m_pCurrentStill->mediaType.subtype;
  m_Settings.m_StillW = std::abs(m_pCurrentStill->width);
  m_Settings.m_StillH = std::abs(m_pCurrentStill->height);
}

void COrvelCameraDS::ShowPropertyPages(HWND parent, int) {
  // A second call from inside the running sheet's loop brings that sheet
  // forward instead of starting another over it.
  if (m_nPropertyPagesDepth > 0) {
    if (m_pPropertySheet && m_pPropertySheet->m_hWnd) ::SetForegroundWindow(m_pPropertySheet->m_hWnd);
    return;
  }
  CComPtr<IBaseFilter> filter;
  if (FAILED(BindDevice(&filter)) || !filter) return;
  ++m_nPropertyPagesDepth;
  bool added = false;
  {
    COlePropertySheet sheet(L"Camera Settings");
    m_pPropertySheet = &sheet;
    added = sheet.AddObjectPages(filter);
    // A sheet without pages would open empty; a removal while the pages were
    // made has nothing to cancel yet.
    if (sheet.GetPageCount() > 0 && !m_bDeleteAfterPages) sheet.DoModal(parent);
    m_pPropertySheet = nullptr;
  }
  if (!added && !m_bDeleteAfterPages) {
    std::wstring text;
    GetCaptureShell()->LookupText(L"eCameraProperties", text);
    ::MessageBoxW(parent, text.c_str(), nullptr, MB_ICONERROR);
  }
  filter.Release();
  --m_nPropertyPagesDepth;
  // Removed while its sheet ran: the factory left the deletion to us.
  if (m_bDeleteAfterPages) delete this;
}
