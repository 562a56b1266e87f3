// Per-camera settings keys.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "settings/CameraConfig.h"
#include "tests/settings/registry_support.h"
#include "settings/SafeName.h"

namespace {

const std::wstring kCameras = L"Software\\Quorvex\\Mensaro\\Cameras";

// {E436EB7E-524F-11CE-9F53-0020AF0BA770}, a media subtype GUID.
const GUID kSubtype = {0xe436eb7e, 0x524f, 0x11ce, {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};

class CameraConfigTest : public ProgramKeyTest {};

TEST_F(CameraConfigTest, FirstLoadCreatesAnEmptyKeyAndKeepsDefaults) {
  CCameraConfig config;
  EXPECT_EQ(1, config.Load(L"USB Camera", 0));
  EXPECT_TRUE(KeyExists(kCameras + L"\\USB Camera-0"));
  EXPECT_TRUE(IsEqualGUID(GUID_NULL, config.m_ImageFormat));
  EXPECT_EQ(0, config.m_ImageW);
  EXPECT_EQ(1, config.m_Colorful);
  EXPECT_EQ(128, config.m_Red);
  EXPECT_EQ(10, config.m_Saturation);
  EXPECT_EQ(255, config.m_Brightness);
  EXPECT_EQ(10, config.m_Contrast);
  EXPECT_EQ(120, config.m_Gamma);
  EXPECT_EQ(0, config.m_GammaEnabled);
}

TEST_F(CameraConfigTest, NoNameOrNegativeIndexTouchesNothing) {
  CCameraConfig config;
  config.m_Red = 7;
  EXPECT_EQ(0, config.Load(L"cam", -1));
  EXPECT_EQ(0, config.Load(L"", 0));
  EXPECT_EQ(0, config.Load(nullptr, 0));
  EXPECT_EQ(0, config.Save(L"cam", -1));
  EXPECT_EQ(0, config.Save(nullptr, 0));
  EXPECT_EQ(7, config.m_Red);
  EXPECT_FALSE(KeyExists(kCameras));
}

TEST_F(CameraConfigTest, SaveWritesTwoGuidsAndSeventeenNumbers) {
  CCameraConfig saved;
  saved.m_ImageFormat = kSubtype;
  saved.m_StillFormat = kSubtype;
  saved.m_ImageW = 1280;
  saved.m_ImageH = 720;
  saved.m_MirrorV = 1;
  saved.m_Hue = -30;  // stored as its 32-bit pattern
  saved.m_Brightness = 510;
  EXPECT_EQ(1, saved.Save(L"Cam", 1));

  const auto values = ExportKey(kCameras).at(kHkcuPrefix + kCameras + L"\\Cam-1");
  ASSERT_EQ(19u, values.size());
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), values.at(L"ImageFormat").type);
  EXPECT_EQ(L"{E436EB7E-524F-11CE-9F53-0020AF0BA770}", values.at(L"ImageFormat").Text());
  EXPECT_EQ(L"{E436EB7E-524F-11CE-9F53-0020AF0BA770}", values.at(L"StillFormat").Text());
  int dwords = 0;
  for (const auto& [name, value] : values) dwords += value.type == REG_DWORD;
  EXPECT_EQ(17, dwords);
  EXPECT_EQ(1280u, values.at(L"ImageW").Dword());
  EXPECT_EQ(0xFFFFFFE2u, values.at(L"Hue").Dword());
  EXPECT_EQ(128u, values.at(L"Green").Dword());

  CCameraConfig loaded;
  EXPECT_EQ(1, loaded.Load(L"Cam", 1));
  EXPECT_TRUE(IsEqualGUID(kSubtype, loaded.m_ImageFormat));
  EXPECT_TRUE(IsEqualGUID(kSubtype, loaded.m_StillFormat));
  EXPECT_EQ(720, loaded.m_ImageH);
  EXPECT_EQ(1, loaded.m_MirrorV);
  EXPECT_EQ(-30, loaded.m_Hue);
  EXPECT_EQ(510, loaded.m_Brightness);
}

TEST_F(CameraConfigTest, SameNameAtTwoPositionsUsesTwoKeys) {
  CCameraConfig first, second;
  first.m_Red = 1;
  second.m_Red = 2;
  first.Save(L"Cam", 0);
  second.Save(L"Cam", 1);
  CCameraConfig a, b;
  a.Load(L"Cam", 0);
  b.Load(L"Cam", 1);
  EXPECT_EQ(1, a.m_Red);
  EXPECT_EQ(2, b.m_Red);
}

TEST_F(CameraConfigTest, BadStoredValuesDoNotSpread) {
  const std::wstring key = kCameras + L"\\Cam-0";
  PutText(key, L"ImageFormat", L"not a guid");
  PutText(key, L"StillFormat", std::wstring(200, L'{'));
  PutText(key, L"Red", L"0123456789");
  PutRawValue(key, L"Green", REG_BINARY, "\x05", 1);
  CCameraConfig config;
  config.m_StillFormat = kSubtype;
  EXPECT_EQ(1, config.Load(L"Cam", 0));
  EXPECT_TRUE(IsEqualGUID(GUID_NULL, config.m_ImageFormat)) << "what the system's conversion leaves";
  EXPECT_TRUE(IsEqualGUID(kSubtype, config.m_StillFormat)) << "too long to be a GUID";
  EXPECT_EQ(128, config.m_Red);
  EXPECT_EQ(0x05, config.m_Green) << "one byte replaces the low byte only";
}

TEST_F(CameraConfigTest, DeviceNamesBecomeOneKeyEach) {
  CCameraConfig config;
  config.m_Red = 9;
  ASSERT_EQ(1, config.Save(L"Vendor\\Model\tX", 0));
  EXPECT_TRUE(KeyExists(kCameras + L"\\Vendor_Model_X-0"));
  EXPECT_FALSE(KeyExists(kCameras + L"\\Vendor"));
  CCameraConfig loaded;
  loaded.Load(L"Vendor\\Model\tX", 0);
  EXPECT_EQ(9, loaded.m_Red);
}

TEST(SafeName, KeyAndFileNames) {
  const struct {
    const wchar_t* name;
    const wchar_t* key;
    const wchar_t* file;
  } rows[] = {
      {L"USB Camera", L"USB Camera", L"USB Camera"},
      {L"A\\B", L"A_B", L"A_B"},
      {L"A/B:C*D?E\"F<G>H|I", L"A/B:C*D?E\"F<G>H|I", L"A_B_C_D_E_F_G_H_I"},
      {L"tab\there\x7f", L"tab_here_", L"tab_here_"},
      {L"cam. ", L"cam. ", L"cam"},
      {L"", L"", L""},
      {nullptr, L"", L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name ? row.name : L"<null>");
    EXPECT_EQ(row.key, MakeSafeKeyName(row.name));
    EXPECT_EQ(row.file, MakeSafeFileName(row.name));
  }
}

}  // namespace
