#include "capture/AudioFactory.h"

#include <algorithm>
#include <cwctype>

#include "settings/Configuration.h"
#include "win32/ComPtr.h"

using win32::CComPtr;

COrvelAudioFactory* g_pAudioFactory = nullptr;

namespace {

CMixerCalls g_SystemMixer;
CMixerCalls* g_pMixer = &g_SystemMixer;

bool ContainsNoCase(const std::wstring& text, const std::wstring& part) {
  auto lower = [](std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
  };
  return lower(text).find(lower(part)) != std::wstring::npos;
}

}  // namespace

UINT CMixerCalls::GetNumDevs() { return mixerGetNumDevs(); }
MMRESULT CMixerCalls::Open(HMIXER* mixer, UINT id) { return mixerOpen(mixer, id, 0, 0, MIXER_OBJECTF_MIXER); }
MMRESULT CMixerCalls::GetDevCaps(UINT id, MIXERCAPSW* caps) { return mixerGetDevCapsW(id, caps, sizeof(*caps)); }
MMRESULT CMixerCalls::GetLineInfo(HMIXER mixer, MIXERLINEW* line, DWORD flags) {
  return mixerGetLineInfoW(reinterpret_cast<HMIXEROBJ>(mixer), line, flags | MIXER_OBJECTF_HMIXER);
}
MMRESULT CMixerCalls::Close(HMIXER mixer) { return mixerClose(mixer); }

std::wstring FindMicrophoneLine(CMixerCalls& calls, const std::wstring& deviceName) {
  const UINT count = calls.GetNumDevs();
  for (UINT id = 0; id < count; ++id) {
    HMIXER mixer = nullptr;
    if (calls.Open(&mixer, id) != MMSYSERR_NOERROR) continue;
    MIXERCAPSW caps{};
    if (calls.GetDevCaps(id, &caps) != MMSYSERR_NOERROR ||
        _wcsicmp(std::wstring(caps.szPname, wcsnlen(caps.szPname, MAXPNAMELEN)).c_str(), deviceName.c_str()) != 0) {
      calls.Close(mixer);
      continue;
    }
    std::wstring found;
    bool any = false;
    for (DWORD d = 0; d < caps.cDestinations && !any; ++d) {
      MIXERLINEW dest{};
      dest.cbStruct = sizeof(dest);
      dest.dwDestination = d;
      if (calls.GetLineInfo(mixer, &dest, MIXER_GETLINEINFOF_DESTINATION) != MMSYSERR_NOERROR ||
          dest.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
        continue;
      for (DWORD s = 0; s < dest.cConnections; ++s) {
        MIXERLINEW source{};
        source.cbStruct = sizeof(source);
        source.dwDestination = d;
        source.dwSource = s;
        if (calls.GetLineInfo(mixer, &source, MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR) continue;
        if (source.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE) {
          found.assign(source.szName, wcsnlen(source.szName, MIXER_LONG_NAME_CHARS));
          any = true;
          break;
        }
      }
    }
    calls.Close(mixer);
    if (any) return found;
  }
  return {};
}

CAudioInput::CAudioInput(const wchar_t* name, int index, IPin* pin, IAMAudioInputMixer* mixer)
    : m_Name(name ? name : L""), m_nIndex(index), m_pPin(pin), m_pMixer(mixer) {
  if (m_pPin) m_pPin->AddRef();
  if (m_pMixer) m_pMixer->AddRef();
}

CAudioInput::~CAudioInput() {
  if (m_pMixer) m_pMixer->Release();
  if (m_pPin) m_pPin->Release();
}

double CAudioInput::GetMixLevel() {
  double level = 0;
  if (m_pMixer && SUCCEEDED(m_pMixer->get_MixLevel(&level))) m_Level = level;
  return m_Level;
}

void CAudioInput::SetMixLevel(double level) {
  m_Level = level;
  if (m_pMixer) m_pMixer->put_MixLevel(level);
}

CAudioDevice::CAudioDevice(const wchar_t* name, IBaseFilter* filter) : m_pFilter(filter), m_Name(name ? name : L"") {
  if (m_pFilter) m_pFilter->AddRef();
}

CAudioDevice::~CAudioDevice() {
  for (CAudioInput* input : m_Inputs) delete input;
  if (m_pFilter) m_pFilter->Release();
}

int CAudioDevice::SelectInput(CAudioInput* input) {
  auto it = std::find(m_Inputs.begin(), m_Inputs.end(), input);
  if (it != m_Inputs.end()) {
    m_nSelectedInput = static_cast<int>(it - m_Inputs.begin());
    g_Config.m_AudioInput = static_cast<DWORD>(m_nSelectedInput);
  }
  return static_cast<int>(m_Inputs.size());
}

void CAudioDevice::ListInputs(const wchar_t* lineName) {
  CComPtr<IEnumPins> pins;
  if (m_pFilter && SUCCEEDED(m_pFilter->EnumPins(&pins)) && pins) {
    CComPtr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
      PIN_INFO info{};
      if (FAILED(pin->QueryPinInfo(&info))) continue;
      if (info.pFilter) info.pFilter->Release();
      if (info.dir != PINDIR_INPUT) continue;
      CComPtr<IAMAudioInputMixer> mixer;
      pin->QueryInterface(IID_IAMAudioInputMixer, reinterpret_cast<void**>(&mixer));
      info.achName[MAX_PIN_NAME - 1] = L'\0';
      m_Inputs.push_back(new CAudioInput(info.achName, static_cast<int>(m_Inputs.size()), pin, mixer));
    }
  }
  if (lineName && *lineName) {
    for (size_t i = 0; i < m_Inputs.size(); ++i) {
      if (ContainsNoCase(m_Inputs[i]->GetName(), lineName)) {
        m_nSelectedInput = static_cast<int>(i);
        break;
      }
    }
  }
  if (m_nSelectedInput < 0 && !m_Inputs.empty()) m_nSelectedInput = 0;
}

COrvelAudioFactory::COrvelAudioFactory() { g_pAudioFactory = this; }

COrvelAudioFactory::~COrvelAudioFactory() {
  ReleaseDevices();
  if (g_pAudioFactory == this) g_pAudioFactory = nullptr;
}

void COrvelAudioFactory::SetMixerCalls(CMixerCalls* calls) { g_pMixer = calls ? calls : &g_SystemMixer; }

void COrvelAudioFactory::ReleaseDevices() {
  for (CAudioDevice* device : m_Devices) delete device;
  m_Devices.clear();
  m_nSelectedDevice = -1;
}

void COrvelAudioFactory::AddDevice(CAudioDevice* device, const wchar_t* lineName) {
  m_Devices.push_back(device);
  if (m_nSelectedDevice == -1) m_nSelectedDevice = static_cast<int>(m_Devices.size()) - 1;
  device->ListInputs(lineName);
}

int COrvelAudioFactory::EnumerateDevices() {
  ReleaseDevices();
  ListDevices();
  RestoreSelection();
  return static_cast<int>(m_Devices.size());
}

void COrvelAudioFactory::ListDevices() {
  CComPtr<ICreateDevEnum> devices;
  CComPtr<IEnumMoniker> monikers;
  if (SUCCEEDED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                 reinterpret_cast<void**>(&devices))) &&
      devices->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &monikers, 0) == S_OK && monikers) {
    CComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
      CComPtr<IPropertyBag> bag;
      if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) continue;
      VARIANT name;
      VariantInit(&name);
      if (FAILED(bag->Read(L"FriendlyName", &name, nullptr)) || name.vt != VT_BSTR) {
        VariantClear(&name);
        continue;
      }
      const std::wstring deviceName = name.bstrVal ? name.bstrVal : L"";
      VariantClear(&name);
      CComPtr<IBindCtx> context;
      CComPtr<IBaseFilter> filter;
      if (FAILED(CreateBindCtx(0, &context)) ||
          FAILED(moniker->BindToObject(context, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter))) ||
          !filter)
        continue;
      const std::wstring line = FindMicrophoneLine(*g_pMixer, deviceName);
      AddDevice(new CAudioDevice(deviceName.c_str(), filter), line.c_str());
    }
  }
}

void COrvelAudioFactory::RestoreSelection() {
  const DWORD stored = g_Config.m_AudioDevice;
  if (stored < m_Devices.size())
    m_nSelectedDevice = static_cast<int>(stored);
  else
    g_Config.m_AudioDevice = static_cast<DWORD>(m_Devices.empty() ? -1 : 0);
  if (m_nSelectedDevice < 0 || m_nSelectedDevice >= static_cast<int>(m_Devices.size())) return;
  CAudioDevice* device = m_Devices[static_cast<size_t>(m_nSelectedDevice)];
  const DWORD input = g_Config.m_AudioInput;
  if (input < device->GetInputs().size())
    device->SetSelectedInput(static_cast<int>(input));
  else
    g_Config.m_AudioInput = static_cast<DWORD>(device->GetSelectedInput());
}

void COrvelAudioFactory::SelectDevice(int index) {
  if (index < 0 || index >= static_cast<int>(m_Devices.size())) return;
  m_nSelectedDevice = index;
  g_Config.m_AudioDevice = static_cast<DWORD>(index);
}
