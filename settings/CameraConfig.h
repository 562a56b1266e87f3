#pragma once

#include <windows.h>

#include <string>

inline constexpr wchar_t kCamerasKey[] = L"Software\\Quorvex\\Mensaro\\Cameras";

// What the program remembers of one camera between runs, kept in a key named
// after the camera's name and its position in the camera list.
class CCameraConfig {
 public:
  CCameraConfig();
  virtual ~CCameraConfig() = default;

  // cameraName is the camera's friendly name; index its list position.
  // Both return 0, touching nothing, for a null or empty name or a negative
  // index, else 1.
  int Load(const wchar_t* cameraName, int index);
  int Save(const wchar_t* cameraName, int index) const;

  // The key path below the current user's hive; empty when there is none.
  static std::wstring KeyPath(const wchar_t* cameraName, int index);

  GUID m_ImageFormat;
  GUID m_StillFormat;
  int m_ImageW = 0;
  int m_ImageH = 0;
  int m_StillW = 0;
  int m_StillH = 0;
  int m_MirrorH = 0;
  int m_MirrorV = 0;
  int m_Colorful = 1;
  int m_ColorCorrection = 0;
  int m_Red = 128;
  int m_Green = 128;
  int m_Blue = 128;
  int m_Saturation = 10;
  int m_Brightness = 255;
  int m_Contrast = 10;
  int m_Hue = 0;
  int m_Gamma = 120;
  int m_GammaEnabled = 0;
};
