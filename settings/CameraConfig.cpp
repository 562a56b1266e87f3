#include "settings/CameraConfig.h"

#include <objbase.h>

#include <cstdio>

#include "settings/SafeName.h"
#include "settings/WinRegistry.h"

namespace {

struct CameraValue {
  const wchar_t* name;
  int CCameraConfig::*field;
};

constexpr CameraValue kCameraValues[] = {
    {L"ImageW", &CCameraConfig::m_ImageW},
    {L"ImageH", &CCameraConfig::m_ImageH},
    {L"StillW", &CCameraConfig::m_StillW},
    {L"StillH", &CCameraConfig::m_StillH},
    {L"MirrorH", &CCameraConfig::m_MirrorH},
    {L"MirrorV", &CCameraConfig::m_MirrorV},
    {L"Colorful", &CCameraConfig::m_Colorful},
    {L"ColorCorrection", &CCameraConfig::m_ColorCorrection},
    {L"Red", &CCameraConfig::m_Red},
    {L"Green", &CCameraConfig::m_Green},
    {L"Blue", &CCameraConfig::m_Blue},
    {L"Saturation", &CCameraConfig::m_Saturation},
    {L"Brightness", &CCameraConfig::m_Brightness},
    {L"Contrast", &CCameraConfig::m_Contrast},
    {L"Hue", &CCameraConfig::m_Hue},
    {L"Gamma", &CCameraConfig::m_Gamma},
    {L"GammaEnabled", &CCameraConfig::m_GammaEnabled},
};
static_assert(sizeof(int) == sizeof(DWORD), "camera values are stored as REG_DWORD");

// A GUID's text has 38 characters; a longer stored text is not one.
constexpr size_t kMaxGuidChars = 64;

void ReadGuid(CWinRegistry& key, const wchar_t* name, GUID* value) {
  if (auto text = ReadRegistryText(key.GetKey(), name, kMaxGuidChars)) CLSIDFromString(text.get(), value);
}

void WriteGuid(CWinRegistry& key, const wchar_t* name, const GUID& value) {
  wchar_t text[40] = {};
  if (StringFromGUID2(value, text, 40)) key.WriteString(name, text);
}

}  // namespace

CCameraConfig::CCameraConfig() : m_ImageFormat(GUID_NULL), m_StillFormat(GUID_NULL) {}

std::wstring CCameraConfig::KeyPath(const wchar_t* cameraName, int index) {
  if (!cameraName || !*cameraName || index < 0) return std::wstring();
  return std::wstring(kCamerasKey) + L"\\" + MakeSafeKeyName(cameraName) + L"-" + std::to_wstring(index);
}

int CCameraConfig::Load(const wchar_t* cameraName, int index) {
  const std::wstring path = KeyPath(cameraName, index);
  if (path.empty()) return 0;
  CWinRegistry key(HKEY_CURRENT_USER, path.c_str(), FALSE, TRUE);
  ReadGuid(key, L"ImageFormat", &m_ImageFormat);
  ReadGuid(key, L"StillFormat", &m_StillFormat);
  for (const CameraValue& value : kCameraValues) {
    DWORD data = static_cast<DWORD>(this->*value.field);
    if (key.ReadDword(value.name, &data)) this->*value.field = static_cast<int>(data);
  }
  return 1;
}

int CCameraConfig::Save(const wchar_t* cameraName, int index) const {
  const std::wstring path = KeyPath(cameraName, index);
  if (path.empty()) return 0;
  CWinRegistry key(HKEY_CURRENT_USER, path.c_str(), TRUE, TRUE);
  if (!key.GetKey()) return 1;
  WriteGuid(key, L"ImageFormat", m_ImageFormat);
  WriteGuid(key, L"StillFormat", m_StillFormat);
  for (const CameraValue& value : kCameraValues) key.WriteDword(value.name, static_cast<DWORD>(this->*value.field));
  return 1;
}
