#pragma once

#include <windows.h>
#include <shtypes.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "settings/HeapText.h"

class CWinRegistry;

// The program's settings key in the current user's hive, and its sub-keys.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Quorvex\\Mensaro";
inline constexpr wchar_t kRecentsKey[] = L"Software\\Quorvex\\Mensaro\\Recents";
inline constexpr wchar_t kRulersKey[] = L"Software\\Quorvex\\Mensaro\\Rulers";

inline constexpr unsigned kRecentCount = 32;
inline constexpr unsigned kMaxSavedRulers = 32;
// Digits after the point that a number format can sensibly show.
inline constexpr DWORD kMaxDecimalPrecision = 10;
// Longest "FontFace" and "Unit" that are stored and loaded: a LOGFONT holds no
// longer face, and units are short labels printed after every value. Setters
// refuse longer texts, as Load does, so that a setting survives a restart.
inline constexpr size_t kMaxFaceChars = LF_FACESIZE - 1;
inline constexpr size_t kMaxUnitChars = 64;

// Every program-wide setting, loaded once at start and saved when the main
// window goes. Plain numbers are public and assigned directly by their users;
// texts, recent files and rulers change through the operations below. Only the
// main thread writes; every reader takes a text through its Copy operation,
// which holds the lock that the text setters hold while they replace a text.
class CConfiguration {
 public:
  class CRulerRecord {
   public:
    CRulerRecord(const wchar_t* name, double scale, const float points[4]);
    virtual ~CRulerRecord() = default;

    CHeapText m_Name;
    double m_Scale = 1.0;
    float m_Points[4] = {0, 0, 0, 0};  // x0, y0, x1, y1 as fractions of the picture
  };

  CConfiguration();
  virtual ~CConfiguration();
  CConfiguration(const CConfiguration&) = delete;
  CConfiguration& operator=(const CConfiguration&) = delete;

  void Load(HINSTANCE instance);
  void Save();

  std::wstring GetPrecisionFormat() const;

  void SetCamera(const wchar_t* devicePath);
  bool SetFontFace(const wchar_t* face);
  void SetImageDir(const wchar_t* path);
  void SetUnit(const wchar_t* unit);
  void SetVideoDir(const wchar_t* path);
  void SetTempDir(const wchar_t* path);
  void SetCheckVersion(DWORD version);

  void SetRecent(unsigned index, const wchar_t* path);
  void ClearRecents();
  void SetRuler(const wchar_t* name, double scale, const float points[4]);
  int FindRuler(const wchar_t* name) const;
  void RemoveRuler(CRulerRecord* record);
  void ClearRulers();

  void LoadRecents();
  void LoadRulers();
  void SaveRecents();
  void SaveRulers();
  // 1 when "pts" was read, 0 when it is absent. Takes the numbers up to the
  // first empty piece, or the first piece that no float holds; the points
  // after it keep what they were.
  static int ParseRulerPoints(CWinRegistry& rulerKey, float points[4]);

  // The texts, as copies that stay whole while the main thread replaces them;
  // empty when unset.
  std::wstring CopyCamera() const;
  std::wstring CopyVideoDir() const;
  std::wstring CopyImageDir() const;
  std::wstring CopyFontFace() const;
  std::wstring CopyUnit() const;
  std::wstring CopyAppDir() const;
  std::wstring CopyTempDir() const;
  std::wstring CopyRecent(unsigned index) const;

  // The program folder from the module's full path: the text before the file
  // name, without a trailing backslash once longer than two characters.
  // tooShort is set when the folder text had fewer than 4 characters.
  static std::wstring AppDirFromModulePath(const wchar_t* modulePath, bool* tooShort);

  // How Load reports that it found no usable program folder; tests replace it.
  using MessageFn = void (*)(const wchar_t* text);
  MessageFn m_pfnShowMessage;

  int m_OsVersionClass;
  DWORD m_Language;
  DWORD m_MaxiMized = 0;
  DWORD m_MeasureColor = 0xFFFFFFFF;
  DWORD m_ClipartColor = 0xFFFFFFFF;
  DWORD m_RulerColor = 0xFFFFFFFF;
  DWORD m_RulerTextColor = 0xFF000000;
  DWORD m_RulerTextBkColor = 0xFFFFFFFF;
  DWORD m_TextColor = 0xFF000000;
  DWORD m_TextBackgroundColor = 0xFFFFFFFF;
  DWORD m_BackgroundColor = 0xFF000000;
  DWORD m_PenWeight = 1;
  DWORD m_TextWeight = 13;
  DWORD m_TextBackground = 1;
  DWORD m_TextBorder = 1;
  DWORD m_RulerWeight = 13;
  double m_MultiPower = 1.0;
  double m_ReferenceScale = 1.0;
  DWORD m_ImageFormat = 0;
  DWORD m_ImageStill = 1;
  DWORD m_MovieFormat = 1;
  DWORD m_MovieQuality = 1;
  DWORD m_Duration = 10;
  DWORD m_LineCap = 0;
  DWORD m_Solid = 0;
  DWORD m_ShowMeasureResult = 1;
  DWORD m_AllCameras = 0;
  DWORD m_AddVideo = 1;
  DWORD m_HighSpeedRecord = 0;
  DWORD m_AutoSnap = 0;
  DWORD m_SnapInterval = 3000;
  DWORD m_ShowColorSet = 1;
  DWORD m_KeepRulerLength = 0;
  DWORD m_AudioEnabled = 1;
  DWORD m_AudioDevice = 0;
  DWORD m_AudioInput = 999;
  DWORD m_ShowCamTimer = 1;
  DWORD m_DecimalPrecision = 3;
  DWORD m_GridShow = 0;
  DWORD m_GridWeight = 50;
  DWORD m_GridColor = 0xF0808080;
  DWORD m_CrossShow = 0;
  DWORD m_CrossColor = 0xFFFF0000;
  DWORD m_CrossTrack = 0;
  DWORD m_MagnifierWeight = 8;
  DWORD m_MagnifierDisplay = 64;
  DWORD m_MagnifierMouse = 0;
  DWORD m_Angle4Pts = 0;
  DWORD m_CheckVersion = 0;
  DWORD m_ShowPicutres = 1;
  DWORD m_ShowProperties = 1;
  DWORD m_ClipartFixS = 1;

  std::vector<std::unique_ptr<CRulerRecord>> m_Rulers;
  std::wstring m_TextContent;

 private:
  // Set and replaced only through the operations above; read as copies.
  CHeapText m_Camera;
  CHeapText m_VideoDir;
  CHeapText m_ImageDir;
  CHeapText m_FontFace;
  CHeapText m_Unit;
  CHeapText m_AppDir;
  CHeapText m_TempDir;
  CHeapText m_Recents[kRecentCount];

  void LoadFolders(HINSTANCE instance);
  void ChooseImageDir();
  void LoadFontFace();
  // Replaces a text under the lock, so that readers on other threads never
  // see it freed.
  void ReplaceText(CHeapText& field, const wchar_t* text);
  std::wstring CopyText(const CHeapText& field) const;

  mutable SRWLOCK m_textLock = SRWLOCK_INIT;
};

// The digits-after-the-point setting as a printf format ("%.3f" for 3).
std::wstring MakePrecisionFormat(DWORD precision);

// Path of a known folder (created when missing) without a trailing backslash,
// or null.
std::unique_ptr<wchar_t[]> GetKnownFolderPath(const KNOWNFOLDERID* id);

extern CConfiguration g_Config;
