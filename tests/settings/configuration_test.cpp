// The configuration object against the real registry of the test prefix.

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <string>
#include <thread>
#include <atomic>

#include <gtest/gtest.h>

#include "settings/Configuration.h"
#include "tests/settings/registry_support.h"

namespace {

struct DwordRow {
  const wchar_t* name;
  DWORD CConfiguration::*field;
  DWORD defaultValue;
  DWORD otherValue;
};

// Every stored number with its default and a sound value other than it.
const DwordRow kDwordRows[] = {
    {L"MaxiMized", &CConfiguration::m_MaxiMized, 0, 1},
    {L"MeasureColor", &CConfiguration::m_MeasureColor, 0xFFFFFFFF, 0x80123456},
    {L"ClipartColor", &CConfiguration::m_ClipartColor, 0xFFFFFFFF, 0x40ABCDEF},
    {L"RulerColor", &CConfiguration::m_RulerColor, 0xFFFFFFFF, 0xFF00FF00},
    {L"RulerTextColor", &CConfiguration::m_RulerTextColor, 0xFF000000, 0xFF0000FF},
    {L"RulerTextBkColor", &CConfiguration::m_RulerTextBkColor, 0xFFFFFFFF, 0x00000000},
    {L"TextColor", &CConfiguration::m_TextColor, 0xFF000000, 0xFF112233},
    {L"TextBackgroundColor", &CConfiguration::m_TextBackgroundColor, 0xFFFFFFFF, 0xFF445566},
    {L"BackgroundColor", &CConfiguration::m_BackgroundColor, 0xFF000000, 0xFF778899},
    {L"PenWeight", &CConfiguration::m_PenWeight, 1, 64},
    {L"TextWeight", &CConfiguration::m_TextWeight, 13, 20},
    {L"TextBackground", &CConfiguration::m_TextBackground, 1, 0},
    {L"TextBorder", &CConfiguration::m_TextBorder, 1, 0},
    {L"RulerWeight", &CConfiguration::m_RulerWeight, 13, 30},
    {L"ImageFormat", &CConfiguration::m_ImageFormat, 0, 1},
    {L"ImageStill", &CConfiguration::m_ImageStill, 1, 0},
    {L"MovieFormat", &CConfiguration::m_MovieFormat, 1, 0},
    {L"MovieQuality", &CConfiguration::m_MovieQuality, 1, 2},
    {L"Duration", &CConfiguration::m_Duration, 10, 2},
    {L"LineCap", &CConfiguration::m_LineCap, 0, 2},
    {L"Solid", &CConfiguration::m_Solid, 0, 1},
    {L"ShowMeasureResult", &CConfiguration::m_ShowMeasureResult, 1, 0},
    {L"AllCameras", &CConfiguration::m_AllCameras, 0, 1},
    {L"AddVideo", &CConfiguration::m_AddVideo, 1, 0},
    {L"HighSpeedRecord", &CConfiguration::m_HighSpeedRecord, 0, 1},
    {L"AutoSnap", &CConfiguration::m_AutoSnap, 0, 1},
    {L"SnapInterval", &CConfiguration::m_SnapInterval, 3000, 60000},
    {L"ShowColorSet", &CConfiguration::m_ShowColorSet, 1, 0},
    {L"KeepRulerLength", &CConfiguration::m_KeepRulerLength, 0, 1},
    {L"AudioEnabled", &CConfiguration::m_AudioEnabled, 1, 0},
    {L"AudioDevice", &CConfiguration::m_AudioDevice, 0, 3},
    {L"AudioInput", &CConfiguration::m_AudioInput, 999, 1},
    {L"ShowCamTimer", &CConfiguration::m_ShowCamTimer, 1, 0},
    {L"DecimalPrecision", &CConfiguration::m_DecimalPrecision, 3, 5},
    {L"GridShow", &CConfiguration::m_GridShow, 0, 1},
    {L"GridWeight", &CConfiguration::m_GridWeight, 50, 125},
    {L"GridColor", &CConfiguration::m_GridColor, 0xF0808080, 0xFF101010},
    {L"CrossShow", &CConfiguration::m_CrossShow, 0, 1},
    {L"CrossColor", &CConfiguration::m_CrossColor, 0xFFFF0000, 0xFF00FFFF},
    {L"CrossTrack", &CConfiguration::m_CrossTrack, 0, 1},
    {L"MagnifierWeight", &CConfiguration::m_MagnifierWeight, 8, 2},
    {L"MagnifierDisplay", &CConfiguration::m_MagnifierDisplay, 64, 0},
    {L"MagnifierMouse", &CConfiguration::m_MagnifierMouse, 0, 1},
    {L"Angle4Pts", &CConfiguration::m_Angle4Pts, 0, 1},
    {L"CheckVersion", &CConfiguration::m_CheckVersion, 0, 0x01020304},
    {L"ShowPicutres", &CConfiguration::m_ShowPicutres, 1, 0},
    {L"ShowProperties", &CConfiguration::m_ShowProperties, 1, 0},
    {L"ClipartFixS", &CConfiguration::m_ClipartFixS, 1, 0},
};

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\'));
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int g_messages = 0;
std::wstring g_lastMessage;
void RecordMessage(const wchar_t* text) {
  ++g_messages;
  g_lastMessage = text;
}

// A configuration loaded from the registry as the program entry does it.
struct LoadedConfiguration {
  CConfiguration config;
  LoadedConfiguration() {
    config.m_pfnShowMessage = RecordMessage;
    config.Load(GetModuleHandleW(nullptr));
  }
};

class ConfigurationTest : public ProgramKeyTest {};

TEST_F(ConfigurationTest, EmptyKeyGivesEveryDefault) {
  g_messages = 0;
  LoadedConfiguration loaded;
  const CConfiguration& c = loaded.config;

  EXPECT_TRUE(KeyExists(kProgramKey)) << "the key is created on first start";
  EXPECT_EQ(0, g_messages);
  for (const DwordRow& row : kDwordRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.defaultValue, c.*row.field);
  }
  EXPECT_EQ(GetUserDefaultLangID() == 2052 ? 2052u : 1033u, c.m_Language);
  EXPECT_NE(0, c.m_OsVersionClass) << "Wine reports 6.1";
  EXPECT_EQ(1.0, c.m_MultiPower);
  EXPECT_EQ(1.0, c.m_ReferenceScale);
  EXPECT_EQ(L"cm", c.CopyUnit());
  EXPECT_EQ(MessageFontFace(), c.CopyFontFace());
  EXPECT_EQ(KnownFolder(FOLDERID_Pictures), c.CopyImageDir());
  EXPECT_EQ(KnownFolder(FOLDERID_Videos), c.CopyVideoDir());
  EXPECT_EQ(KnownFolder(FOLDERID_LocalAppData) + L"\\Quorvex\\Mensaro\\temp", c.CopyTempDir());
  EXPECT_TRUE(IsFolder(c.CopyTempDir().c_str()));
  EXPECT_EQ(ExeFolder(), c.CopyAppDir());
  EXPECT_EQ(L"", c.CopyCamera());
  EXPECT_TRUE(c.m_TextContent.empty());
  for (unsigned i = 0; i < kRecentCount; ++i) EXPECT_EQ(L"", c.CopyRecent(i)) << i;
  EXPECT_TRUE(c.m_Rulers.empty());
  EXPECT_EQ(L"%.3f", c.GetPrecisionFormat());
}

TEST_F(ConfigurationTest, EverySettingSavesReloadsAndIsStoredAsWritten) {
  const std::wstring imageDir = ExeFolder();
  {
    LoadedConfiguration loaded;
    CConfiguration& c = loaded.config;
    for (const DwordRow& row : kDwordRows) c.*row.field = row.otherValue;
    c.m_Language = 2052;
    c.m_MultiPower = 2.5;
    c.m_ReferenceScale = 0.125;
    c.m_TextContent = L"note";
    c.SetCamera(L"\\\\?\\usb#vid_1234&pid_5678#cam");
    c.SetImageDir(imageDir.c_str());
    ASSERT_TRUE(c.SetFontFace(L"Liberation Sans"));
    c.SetUnit(L"mm");
    c.SetRecent(0, L"C:\\a.bmp");
    c.SetRecent(31, L"C:\\b.jpg");
    const float points[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    c.SetRuler(L"ten", 0.5, points);
    c.Save();
  }

  LoadedConfiguration again;
  const CConfiguration& c = again.config;
  for (const DwordRow& row : kDwordRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.otherValue, c.*row.field);
  }
  EXPECT_EQ(2052u, c.m_Language);
  EXPECT_DOUBLE_EQ(2.5, c.m_MultiPower);
  EXPECT_DOUBLE_EQ(0.125, c.m_ReferenceScale);
  EXPECT_EQ(L"note", c.m_TextContent);
  EXPECT_EQ(L"\\\\?\\usb#vid_1234&pid_5678#cam", c.CopyCamera());
  EXPECT_EQ(imageDir, c.CopyImageDir());
  EXPECT_EQ(L"Liberation Sans", c.CopyFontFace());
  EXPECT_EQ(L"mm", c.CopyUnit());
  EXPECT_EQ(L"C:\\a.bmp", c.CopyRecent(0));
  EXPECT_EQ(L"C:\\b.jpg", c.CopyRecent(31));
  ASSERT_EQ(1u, c.m_Rulers.size());
  EXPECT_EQ(L"ten", Text(c.m_Rulers[0]->m_Name));

  // What reg.exe finds in the key, read without our code.
  const ExportedKeys keys = ExportKey(kProgramKey);
  ASSERT_TRUE(keys.count(kHkcuPrefix + kProgramKey));
  const auto& values = keys.at(kHkcuPrefix + kProgramKey);
  for (const DwordRow& row : kDwordRows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(values.count(row.name));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), values.at(row.name).type);
    EXPECT_EQ(row.otherValue, values.at(row.name).Dword());
  }
  const struct {
    const wchar_t* name;
    std::wstring text;
  } texts[] = {
      {L"MultiPower", L"2.50000000"},
      {L"ReferenceScale", L"0.12500000"},
      {L"TextContent", L"note"},
      {L"Camera", L"\\\\?\\usb#vid_1234&pid_5678#cam"},
      {L"ImageDir", imageDir},
      {L"FontFace", L"Liberation Sans"},
      {L"Unit", L"mm"},
  };
  for (const auto& row : texts) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(values.count(row.name));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), values.at(row.name).type);
    EXPECT_EQ(row.text, values.at(row.name).Text());
  }
  EXPECT_EQ(2052u, values.at(L"Language").Dword());
  EXPECT_EQ(kDwordRows[0].otherValue, values.at(L"MaxiMized").Dword());
  EXPECT_EQ(std::size(kDwordRows) + 1 + std::size(texts), values.size()) << "no value beyond the settings";

  const auto& recents = keys.at(kHkcuPrefix + kProgramKey + L"\\Recents");
  ASSERT_EQ(2u, recents.size());
  EXPECT_EQ(L"C:\\a.bmp", recents.at(L"0").Text());
  EXPECT_EQ(L"C:\\b.jpg", recents.at(L"31").Text());
  const auto& ruler = keys.at(kHkcuPrefix + kProgramKey + L"\\Rulers\\0");
  EXPECT_EQ(L"ten", ruler.at(L"name").Text());
  EXPECT_EQ(L"0.500000", ruler.at(L"scale").Text());
  EXPECT_EQ(L"0.250,0.500,0.750,1.000", ruler.at(L"pts").Text());
}

TEST_F(ConfigurationTest, EmptyTextContentIsNotWrittenSoTheEarlierTextStays) {
  PutText(kProgramKey, L"TextContent", L"kept");
  {
    LoadedConfiguration loaded;
    EXPECT_EQ(L"kept", loaded.config.m_TextContent);
    loaded.config.m_TextContent.clear();
    loaded.config.Save();
  }
  LoadedConfiguration again;
  EXPECT_EQ(L"kept", again.config.m_TextContent);
}

TEST_F(ConfigurationTest, StoredEmptyUnitAndFontFaceStayEmpty) {
  PutText(kProgramKey, L"Unit", L"");
  PutText(kProgramKey, L"FontFace", L"");
  LoadedConfiguration loaded;
  EXPECT_EQ(L"", loaded.config.CopyUnit()) << "not the default cm";
  EXPECT_EQ(L"", loaded.config.CopyFontFace()) << "not the message font";
}

// A unit or face the next start would refuse is refused when it is set, so
// the user's setting never turns into the default after a restart.
TEST_F(ConfigurationTest, UnitAndFaceSettersTakeWhatTheNextLoadTakes) {
  const struct {
    std::wstring unit;
    std::wstring face;
    bool faceTaken;
  } rows[] = {
      {std::wstring(64, L'u'), std::wstring(31, L'f'), true},
      {std::wstring(65, L'u'), std::wstring(32, L'f'), false},
      {std::wstring(1000, L'u'), std::wstring(1000, L'f'), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.unit.size());
    TearDown();
    const std::wstring unit = row.faceTaken ? row.unit : L"mm";
    const std::wstring face = row.faceTaken ? row.face : L"Arial";
    {
      LoadedConfiguration loaded;
      CConfiguration& c = loaded.config;
      c.SetUnit(L"mm");
      ASSERT_TRUE(c.SetFontFace(L"Arial"));
      c.SetUnit(row.unit.c_str());
      EXPECT_EQ(row.faceTaken, c.SetFontFace(row.face.c_str()));
      EXPECT_EQ(unit, c.CopyUnit());
      EXPECT_EQ(face, c.CopyFontFace());
      c.Save();
    }
    LoadedConfiguration again;
    EXPECT_EQ(unit, again.config.CopyUnit());
    EXPECT_EQ(face, again.config.CopyFontFace());
  }
}

TEST(ConfigurationFormat, PrecisionFormatFollowsTheDecimals) {
  const struct {
    DWORD decimals;
    const wchar_t* format;
    double value;
    const wchar_t* printed;
  } rows[] = {
      {0, L"%.0f", 2.5, L"2"},
      {3, L"%.3f", 1.23456, L"1.235"},
      {5, L"%.5f", 1.0, L"1.00000"},
      {10, L"%.10f", 0.5, L"0.5000000000"},
      {11, L"%.10f", 0.5, L"0.5000000000"},          // assigned directly beyond the limit
      {1000000, L"%.10f", 0.5, L"0.5000000000"},     // would not fit the format text
      {0xFFFFFFFF, L"%.10f", 0.5, L"0.5000000000"},  // nor would a negative count
  };
  CConfiguration c;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.decimals);
    c.m_DecimalPrecision = row.decimals;
    const std::wstring format = c.GetPrecisionFormat();
    EXPECT_EQ(row.format, format);
    wchar_t printed[64];
    std::swprintf(printed, 64, format.c_str(), row.value);
    EXPECT_STREQ(row.printed, printed);
  }
}

TEST(ConfigurationFolders, ProgramFolderFromModulePath) {
  const struct {
    const wchar_t* module;
    const wchar_t* folder;
    bool tooShort;
  } rows[] = {
      {L"C:\\Program Files\\Mensaro\\Mensaro.exe", L"C:\\Program Files\\Mensaro", false},
      {L"C:\\ab\\m.exe", L"C:\\ab", false},
      {L"C:\\a\\m.exe", L"C:\\a", false},
      {L"C:\\m.exe", L"C:", true},
      {L"m.exe", L"", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.module);
    bool tooShort = !row.tooShort;
    EXPECT_EQ(row.folder, CConfiguration::AppDirFromModulePath(row.module, &tooShort));
    EXPECT_EQ(row.tooShort, tooShort);
  }
}

class ConfigurationSetters : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    m_work = folder;
    CreateDirectoryW((m_work + L"\\pics").c_str(), nullptr);
    CreateDirectoryW((m_work + L"\\pics.old").c_str(), nullptr);
  }
  std::wstring m_work;
};

TEST_F(ConfigurationSetters, ImageDirTakesFoldersAndTheFolderOfFilePaths) {
  const std::wstring pics = m_work + L"\\pics";
  const struct {
    std::wstring given;
    std::wstring stored;  // empty: the call changes nothing
  } rows[] = {
      {pics + L"\\a.jpg", pics},  // a file path that need not exist
      {pics + L"\\", pics},       // trailing backslash
      {pics, pics},
      {m_work + L"\\pics.old", m_work + L"\\pics.old"},  // an existing dotted folder stays
      {m_work + L"\\gone.dir\\a.jpg", m_work},           // the cut left a dotted name that does not exist
      {L"C:", L"C:"},
      {L"C", L""},
      {L"a.jpg", L""},  // a bare file name has no folder
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.given);
    CConfiguration c;
    c.SetImageDir(L"Q:\\before");
    c.SetImageDir(row.given.c_str());
    EXPECT_EQ(row.stored.empty() ? L"Q:\\before" : row.stored, c.CopyImageDir());
  }

  CConfiguration c;
  c.SetImageDir(pics.c_str());
  std::wstring upper = pics;
  for (wchar_t& ch : upper) ch = towupper(ch);
  c.SetImageDir(upper.c_str());
  EXPECT_EQ(pics, c.CopyImageDir()) << "the same folder in other letters keeps the stored text";
  c.SetImageDir(c.CopyImageDir().c_str());
  EXPECT_EQ(pics, c.CopyImageDir());
}

TEST_F(ConfigurationSetters, TextSettersIgnoreWhatTheyMust) {
  CConfiguration c;
  EXPECT_TRUE(c.SetFontFace(L"Arial"));
  EXPECT_FALSE(c.SetFontFace(L"ARIAL"));
  EXPECT_EQ(L"Arial", c.CopyFontFace());
  EXPECT_FALSE(c.SetFontFace(L""));
  EXPECT_FALSE(c.SetFontFace(nullptr));
  EXPECT_FALSE(c.SetFontFace(c.CopyFontFace().c_str()));
  EXPECT_TRUE(c.SetFontFace(L"Tahoma"));
  EXPECT_EQ(L"Tahoma", c.CopyFontFace());

  c.SetCamera(L"x");
  EXPECT_EQ(L"", c.CopyCamera()) << "shorter than 2 characters";
  c.SetCamera(L"cam");
  c.SetCamera(nullptr);
  c.SetCamera(c.CopyCamera().c_str());
  EXPECT_EQ(L"cam", c.CopyCamera());

  c.SetUnit(L"");
  c.SetUnit(nullptr);
  EXPECT_EQ(L"", c.CopyUnit());
  c.SetUnit(L"um");
  c.SetUnit(c.CopyUnit().c_str());
  EXPECT_EQ(L"um", c.CopyUnit());

  c.SetVideoDir(L"D:\\video\\");
  c.SetTempDir(L"D:\\");
  EXPECT_EQ(L"D:\\video", c.CopyVideoDir());
  EXPECT_EQ(L"D:", c.CopyTempDir());
  c.SetTempDir(L"D");
  EXPECT_EQ(L"D:", c.CopyTempDir());

  c.SetCheckVersion(7);
  EXPECT_EQ(7u, c.m_CheckVersion);
}

// The stored texts are out of reach: no reader can hold on to a buffer that
// the main thread may free.
template <class T>
concept ExposesCamera = requires(T& t) {
  t.m_Camera;
};
template <class T>
concept ExposesVideoDir = requires(T& t) {
  t.m_VideoDir;
};
template <class T>
concept ExposesImageDir = requires(T& t) {
  t.m_ImageDir;
};
template <class T>
concept ExposesFontFace = requires(T& t) {
  t.m_FontFace;
};
template <class T>
concept ExposesUnit = requires(T& t) {
  t.m_Unit;
};
template <class T>
concept ExposesAppDir = requires(T& t) {
  t.m_AppDir;
};
template <class T>
concept ExposesTempDir = requires(T& t) {
  t.m_TempDir;
};
template <class T>
concept ExposesRecents = requires(T& t) {
  t.m_Recents;
};

TEST(ConfigurationTexts, ReadOnlyAsCopies) {
  EXPECT_FALSE(ExposesCamera<CConfiguration>);
  EXPECT_FALSE(ExposesVideoDir<CConfiguration>);
  EXPECT_FALSE(ExposesImageDir<CConfiguration>);
  EXPECT_FALSE(ExposesFontFace<CConfiguration>);
  EXPECT_FALSE(ExposesUnit<CConfiguration>);
  EXPECT_FALSE(ExposesAppDir<CConfiguration>);
  EXPECT_FALSE(ExposesTempDir<CConfiguration>);
  EXPECT_FALSE(ExposesRecents<CConfiguration>);
}

// Camera threads read the texts that the main thread may replace at any time.
TEST_F(ConfigurationSetters, CopiesStayWholeWhileTheMainThreadReplacesTexts) {
  CConfiguration c;
  const std::wstring a = m_work + L"\\pics";
  const std::wstring b = m_work + L"\\pics.old";
  c.SetImageDir(a.c_str());
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    while (!stop) {
      const std::wstring seen = c.CopyImageDir();
      const std::wstring face = c.CopyFontFace();
      const std::wstring unit = c.CopyUnit();
      const std::wstring recent = c.CopyRecent(3);
      if (seen != a && seen != b) ++torn;
      if (!face.empty() && face != L"Arial" && face != L"Tahoma") ++torn;
      if (!unit.empty() && unit != L"mm" && unit != L"inch") ++torn;
      if (!recent.empty() && recent != a && recent != b) ++torn;
    }
  });
  for (int i = 0; i < 20000; ++i) {
    c.SetImageDir((i % 2 ? a : b).c_str());
    c.SetFontFace(i % 2 ? L"Arial" : L"Tahoma");
    c.SetUnit(i % 2 ? L"mm" : L"inch");
    c.SetRecent(3, (i % 2 ? b : a).c_str());
  }
  stop = true;
  reader.join();
  EXPECT_EQ(0, torn.load());
}

}  // namespace
