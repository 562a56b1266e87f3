// Finding the video capture devices and making a camera of each.
#include <windows.h>
#include <dshow.h>
#include <ks.h>

#include <string>

#include "capture/CameraDS.h"
#include "capture/CameraFactory.h"
#include "win32/ComPtr.h"

using win32::CComPtr;

namespace {

// The private property set that a phone used as a camera answers.
const GUID kPhoneCameraSet = {0x05DC8943, 0xB9FB, 0x4201, {0x80, 0x8F, 0x6E, 0x91, 0x45, 0x1C, 0x47, 0x60}};

std::wstring ReadBagText(IPropertyBag* bag, const wchar_t* name) {
  VARIANT value;
  VariantInit(&value);
  std::wstring text;
  if (SUCCEEDED(bag->Read(name, &value, nullptr)) && value.vt == VT_BSTR && value.bstrVal) text = value.bstrVal;
  VariantClear(&value);
  return text;
}

bool AnswersPhoneCameraSet(IBaseFilter* filter) {
  CComPtr<IKsPropertySet> props;
  if (FAILED(filter->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&props)))) return false;
  DWORD support = 0;
  return props->QuerySupported(kPhoneCameraSet, 0, &support) == S_OK && (support & KSPROPERTY_SUPPORT_SET);
}

}  // namespace

void CCameraFactory::EnumerateDevices() {
  CComPtr<ICreateDevEnum> devices;
  CComPtr<IEnumMoniker> monikers;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              reinterpret_cast<void**>(&devices))) ||
      devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK || !monikers)
    return;
  CComPtr<IMoniker> moniker;
  while (monikers->Next(1, &moniker, nullptr) == S_OK) {
    CComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag))) || !bag)
      continue;
    std::wstring name = ReadBagText(bag, L"FriendlyName");
    if (name.empty()) name = ReadBagText(bag, L"Description");
    if (name.empty()) continue;
    CComPtr<IBindCtx> context;
    CComPtr<IBaseFilter> filter;
    if (SUCCEEDED(CreateBindCtx(0, &context)))
      moniker->BindToObject(context, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    if (filter && !m_bPhoneCamera && AnswersPhoneCameraSet(filter)) m_bPhoneCamera = 1;
    auto* camera = new COrvelCameraDS(moniker.Get());
    moniker.Get()->AddRef();  // the camera's own reference
    camera->SetName(name.c_str());
    camera->SetDevicePath(name.c_str());
    const std::wstring path = ReadBagText(bag, L"DevicePath");
    if (!path.empty()) camera->SetDevicePath(path.c_str());
    AddCamera(camera);
  }
}
