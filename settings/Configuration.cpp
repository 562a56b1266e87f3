#include "settings/Configuration.h"

#include <cmath>
#include <cstddef>
#include <cwchar>
#include <cstdlib>

#include "settings/WinRegistry.h"

namespace {

// One stored number of the settings key, with the limits Load applies.
struct DwordSetting {
  const wchar_t* name;
  DWORD CConfiguration::*field;
  // Largest value that means something: flags are 0 or 1, formats and
  // qualities a short list. A stored value beyond it keeps the default.
  DWORD choiceMax;
};

constexpr DWORD kAny = MAXDWORD;

// Load and save order: the order of the fields, except that "DecimalPrecision"
// comes before "ShowCamTimer".
constexpr DwordSetting kDwordSettings[] = {
    {L"Language", &CConfiguration::m_Language, kAny},
    {L"MaxiMized", &CConfiguration::m_MaxiMized, 1},
    {L"MeasureColor", &CConfiguration::m_MeasureColor, kAny},
    {L"ClipartColor", &CConfiguration::m_ClipartColor, kAny},
    {L"RulerColor", &CConfiguration::m_RulerColor, kAny},
    {L"RulerTextColor", &CConfiguration::m_RulerTextColor, kAny},
    {L"RulerTextBkColor", &CConfiguration::m_RulerTextBkColor, kAny},
    {L"TextColor", &CConfiguration::m_TextColor, kAny},
    {L"TextBackgroundColor", &CConfiguration::m_TextBackgroundColor, kAny},
    {L"BackgroundColor", &CConfiguration::m_BackgroundColor, kAny},
    {L"PenWeight", &CConfiguration::m_PenWeight, kAny},
    {L"TextWeight", &CConfiguration::m_TextWeight, kAny},
    {L"TextBackground", &CConfiguration::m_TextBackground, 1},
    {L"TextBorder", &CConfiguration::m_TextBorder, 1},
    {L"RulerWeight", &CConfiguration::m_RulerWeight, kAny},
    {L"ImageFormat", &CConfiguration::m_ImageFormat, 1},
    {L"ImageStill", &CConfiguration::m_ImageStill, 1},
    {L"MovieFormat", &CConfiguration::m_MovieFormat, 1},
    {L"MovieQuality", &CConfiguration::m_MovieQuality, 2},
    {L"Duration", &CConfiguration::m_Duration, kAny},
    {L"LineCap", &CConfiguration::m_LineCap, kAny},
    {L"Solid", &CConfiguration::m_Solid, 1},
    {L"ShowMeasureResult", &CConfiguration::m_ShowMeasureResult, 1},
    {L"AllCameras", &CConfiguration::m_AllCameras, 1},
    {L"AddVideo", &CConfiguration::m_AddVideo, 1},
    {L"HighSpeedRecord", &CConfiguration::m_HighSpeedRecord, 1},
    {L"AutoSnap", &CConfiguration::m_AutoSnap, 1},
    {L"SnapInterval", &CConfiguration::m_SnapInterval, kAny},
    {L"ShowColorSet", &CConfiguration::m_ShowColorSet, 1},
    {L"KeepRulerLength", &CConfiguration::m_KeepRulerLength, 1},
    {L"AudioEnabled", &CConfiguration::m_AudioEnabled, 1},
    {L"AudioDevice", &CConfiguration::m_AudioDevice, kAny},
    {L"AudioInput", &CConfiguration::m_AudioInput, kAny},
    {L"DecimalPrecision", &CConfiguration::m_DecimalPrecision, kAny},
    {L"ShowCamTimer", &CConfiguration::m_ShowCamTimer, 1},
    {L"GridShow", &CConfiguration::m_GridShow, 1},
    {L"GridWeight", &CConfiguration::m_GridWeight, kAny},
    {L"GridColor", &CConfiguration::m_GridColor, kAny},
    {L"CrossShow", &CConfiguration::m_CrossShow, 1},
    {L"CrossColor", &CConfiguration::m_CrossColor, kAny},
    {L"CrossTrack", &CConfiguration::m_CrossTrack, 1},
    {L"MagnifierWeight", &CConfiguration::m_MagnifierWeight, kAny},
    {L"MagnifierDisplay", &CConfiguration::m_MagnifierDisplay, kAny},
    {L"MagnifierMouse", &CConfiguration::m_MagnifierMouse, 1},
    {L"Angle4Pts", &CConfiguration::m_Angle4Pts, 1},
    {L"CheckVersion", &CConfiguration::m_CheckVersion, kAny},
    {L"ShowPicutres", &CConfiguration::m_ShowPicutres, 1},
    {L"ShowProperties", &CConfiguration::m_ShowProperties, 1},
    {L"ClipartFixS", &CConfiguration::m_ClipartFixS, 1},
};

struct DwordRange {
  DWORD CConfiguration::*field;
  DWORD low;
  DWORD high;
};

// Applied after loading, in this order; comparisons are unsigned on purpose.
constexpr DwordRange kDwordRanges[] = {
    {&CConfiguration::m_PenWeight, 1, 64},         {&CConfiguration::m_TextWeight, 1, 64},
    {&CConfiguration::m_Duration, 2, 30},          {&CConfiguration::m_SnapInterval, 10, 60000},
    {&CConfiguration::m_GridWeight, 5, 125},       {&CConfiguration::m_MagnifierWeight, 2, 15},
    {&CConfiguration::m_MagnifierDisplay, 0, 256}, {&CConfiguration::m_DecimalPrecision, 0, kMaxDecimalPrecision},
};

// Long enough for the largest double written with "%.8f".
constexpr size_t kMaxNumberChars = 400;

// The C library's wide-text-to-double conversion, where text that is not a
// number, and a non-finite number, count as 0.
double ParseStoredDouble(const wchar_t* text) {
  const double value = std::wcstod(text, nullptr);
  return std::isfinite(value) ? value : 0.0;
}

void ShowMessageBox(const wchar_t* text) { MessageBoxW(nullptr, text, nullptr, MB_OK); }

int ComputeOsVersionClass() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
  if (info.dwMajorVersion != 6) return 0;
  return info.dwMinorVersion == 0 ? 1 : 2;
}

class CSharedLock {
 public:
  explicit CSharedLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockShared(&m_lock); }
  ~CSharedLock() { ReleaseSRWLockShared(&m_lock); }
  CSharedLock(const CSharedLock&) = delete;
  CSharedLock& operator=(const CSharedLock&) = delete;

 private:
  SRWLOCK& m_lock;
};

class CExclusiveLock {
 public:
  explicit CExclusiveLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
  ~CExclusiveLock() { ReleaseSRWLockExclusive(&m_lock); }
  CExclusiveLock(const CExclusiveLock&) = delete;
  CExclusiveLock& operator=(const CExclusiveLock&) = delete;

 private:
  SRWLOCK& m_lock;
};

}  // namespace

CConfiguration::CConfiguration()
    : m_pfnShowMessage(ShowMessageBox),
      m_OsVersionClass(ComputeOsVersionClass()),
      m_Language(GetUserDefaultLangID() == 2052 ? 2052 : 1033) {}

CConfiguration::~CConfiguration() = default;

std::wstring MakePrecisionFormat(DWORD precision) {
  if (precision > kMaxDecimalPrecision) precision = kMaxDecimalPrecision;
  wchar_t format[10] = {};
  std::swprintf(format, 10, L"%%.%uf", static_cast<unsigned>(precision));
  return format;
}

std::wstring CConfiguration::GetPrecisionFormat() const { return MakePrecisionFormat(m_DecimalPrecision); }

void CConfiguration::ReplaceText(CHeapText& field, const wchar_t* text) {
  CHeapText copy(text);
  CExclusiveLock lock(m_textLock);
  field = std::move(copy);
}

std::wstring CConfiguration::CopyText(const CHeapText& field) const {
  CSharedLock lock(m_textLock);
  return field.IsSet() ? std::wstring(field.Get()) : std::wstring();
}

std::wstring CConfiguration::CopyCamera() const { return CopyText(m_Camera); }
std::wstring CConfiguration::CopyVideoDir() const { return CopyText(m_VideoDir); }
std::wstring CConfiguration::CopyImageDir() const { return CopyText(m_ImageDir); }
std::wstring CConfiguration::CopyFontFace() const { return CopyText(m_FontFace); }
std::wstring CConfiguration::CopyUnit() const { return CopyText(m_Unit); }
std::wstring CConfiguration::CopyAppDir() const { return CopyText(m_AppDir); }
std::wstring CConfiguration::CopyTempDir() const { return CopyText(m_TempDir); }

std::wstring CConfiguration::CopyRecent(unsigned index) const {
  return index < kRecentCount ? CopyText(m_Recents[index]) : std::wstring();
}

void CConfiguration::SetCamera(const wchar_t* devicePath) {
  if (!devicePath || devicePath == m_Camera.Get() || std::wcslen(devicePath) < 2) return;
  ReplaceText(m_Camera, devicePath);
}

bool CConfiguration::SetFontFace(const wchar_t* face) {
  if (!face || face == m_FontFace.Get() || !*face || std::wcslen(face) > kMaxFaceChars) return false;
  if (m_FontFace.IsSet() && _wcsicmp(face, m_FontFace.Get()) == 0) return false;
  ReplaceText(m_FontFace, face);
  return true;
}

void CConfiguration::SetUnit(const wchar_t* unit) {
  if (!unit || unit == m_Unit.Get() || !*unit || std::wcslen(unit) > kMaxUnitChars) return;
  ReplaceText(m_Unit, unit);
}

void CConfiguration::SetCheckVersion(DWORD version) {
  if (version != m_CheckVersion) m_CheckVersion = version;
}

void CConfiguration::Load(HINSTANCE instance) {
  LoadFolders(instance);

  CWinRegistry key(HKEY_CURRENT_USER, kSettingsKey, FALSE, TRUE);
  for (const DwordSetting& setting : kDwordSettings) {
    DWORD& field = this->*setting.field;
    const DWORD fallback = field;
    if (key.ReadDword(setting.name, &field) && field > setting.choiceMax) field = fallback;
  }

  std::wstring text;
  if (key.ReadString(L"TextContent", text) && !text.empty()) m_TextContent = text;
  if (auto number = ReadRegistryText(key.GetKey(), L"MultiPower", kMaxNumberChars); number && *number.get()) {
    m_MultiPower = ParseStoredDouble(number.get());
    if (m_MultiPower < 0.0001) m_MultiPower = 1.0;
  }
  if (auto number = ReadRegistryText(key.GetKey(), L"ReferenceScale", kMaxNumberChars); number && *number.get()) {
    m_ReferenceScale = ParseStoredDouble(number.get());
    if (m_ReferenceScale < 0.00001) m_ReferenceScale = 1.0;
  }
  {
    CHeapText camera, imageDir, fontFace, unit;
    camera.Adopt(ReadRegistryText(key.GetKey(), L"Camera"));
    imageDir.Adopt(ReadRegistryText(key.GetKey(), L"ImageDir"));
    fontFace.Adopt(ReadRegistryText(key.GetKey(), L"FontFace", kMaxFaceChars));
    unit.Adopt(ReadRegistryText(key.GetKey(), L"Unit", kMaxUnitChars));
    CExclusiveLock lock(m_textLock);
    m_Camera = std::move(camera);
    m_ImageDir = std::move(imageDir);
    m_FontFace = std::move(fontFace);
    m_Unit = std::move(unit);
  }

  for (const DwordRange& range : kDwordRanges) {
    DWORD& value = this->*range.field;
    if (value < range.low)
      value = range.low;
    else if (value > range.high)
      value = range.high;
  }

  if (!m_Unit.IsSet()) ReplaceText(m_Unit, L"cm");
  ChooseImageDir();
  LoadRecents();
  LoadRulers();
  if (!m_FontFace.IsSet()) LoadFontFace();
}

void CConfiguration::LoadFontFace() {
  static_assert(offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth) == 500,
                "the metrics query must use the size without the padded border");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = 500;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0)) {
    metrics.lfMessageFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
    SetFontFace(metrics.lfMessageFont.lfFaceName);
  }
}

void CConfiguration::Save() {
  CWinRegistry key(HKEY_CURRENT_USER, kSettingsKey, TRUE, TRUE);
  for (const DwordSetting& setting : kDwordSettings) key.WriteDword(setting.name, this->*setting.field);

  if (!m_TextContent.empty()) key.WriteString(L"TextContent", m_TextContent.c_str());
  wchar_t number[kMaxNumberChars];
  std::swprintf(number, kMaxNumberChars, L"%.8f", m_MultiPower);
  key.WriteString(L"MultiPower", number);
  std::swprintf(number, kMaxNumberChars, L"%.8f", m_ReferenceScale);
  key.WriteString(L"ReferenceScale", number);

  if (m_Camera.IsSet()) key.WriteString(L"Camera", m_Camera);
  if (m_ImageDir.IsSet()) key.WriteString(L"ImageDir", m_ImageDir);
  if (m_FontFace.IsSet()) key.WriteString(L"FontFace", m_FontFace);
  if (m_Unit.IsSet()) key.WriteString(L"Unit", m_Unit);

  SaveRecents();
  SaveRulers();
}
