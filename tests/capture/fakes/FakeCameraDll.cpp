// FakeCamera.dll: fake video capture devices that `regsvr32` enters in the
// system's video input category, for runs of the whole program without a
// camera. `regsvr32 /u` takes them out again.
#include <windows.h>
#include <dshow.h>

#include <string>

#include "tests/capture/fakes/FakeVideoFilter.h"

namespace {

HMODULE g_hModule = nullptr;

// Two devices: a camera with a still pin and a trigger, and a phone.
std::vector<FakeCameraRegistration::Device> Devices() {
  FakeDeviceSetup camera{{{PIN_CATEGORY_CAPTURE,
                           {{MEDIASUBTYPE_RGB32, FORMAT_VideoInfo, 640, 480, 32, 0, 333333},
                            {MEDIASUBTYPE_YUY2, FORMAT_VideoInfo, 1280, 720, 16, 0, 333333}}},
                          {PIN_CATEGORY_STILL, {{MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 1280, 960, 24}}}}};
  camera.stillTrigger = true;
  FakeDeviceSetup phone{{{PIN_CATEGORY_CAPTURE, {{MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 640, 480, 24, 0, 333333}}}}};
  phone.phoneCamera = true;
  return {{L"Fake Camera", camera}, {L"Fake Phone Camera", phone}};
}

std::wstring ClassKey() {
  wchar_t clsid[64] = {};
  StringFromGUID2(FakeCameraClsid(), clsid, 64);
  return std::wstring(L"CLSID\\") + clsid;
}

// The mapper works in either apartment; join one only when the thread has none.
class ComScope {
 public:
  ComScope() : m_hResult(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(m_hResult)) CoUninitialize();
  }

 private:
  HRESULT m_hResult;
};

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_hModule = instance;
    DisableThreadLibraryCalls(instance);
    SetFakeCameraSetups(Devices());
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != FakeCameraClsid()) return CLASS_E_CLASSNOTAVAILABLE;
  return FakeCameraClassObject()->QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  if (!GetModuleFileNameW(g_hModule, path, MAX_PATH)) return HRESULT_FROM_WIN32(GetLastError());
  HKEY key = nullptr;
  const std::wstring server = ClassKey() + L"\\InprocServer32";
  LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, server.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  static const wchar_t kBoth[] = L"Both";
  status = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                          static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
  if (status == ERROR_SUCCESS)
    status = RegSetValueExW(key, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(kBoth), sizeof(kBoth));
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  ComScope com;
  return AddFakeCameraEntries(Devices());
}

STDAPI DllUnregisterServer() {
  {
    ComScope com;
    RemoveFakeCameraEntries();
  }
  const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}
