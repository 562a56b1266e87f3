// The version reader on the test program's own resource and on two small
// modules: one whose resource lacks a translation table, one without any.

#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "settings/FileVersionInfo.h"

namespace {

class LoadedModule {
 public:
  explicit LoadedModule(const wchar_t* path) : m_module(LoadLibraryW(path)) {}
  ~LoadedModule() {
    if (m_module) FreeLibrary(m_module);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  HMODULE Get() const { return m_module; }

 private:
  HMODULE m_module;
};

bool IsZeroed(const CFileVersionInfo& info) {
  static const VS_FIXEDFILEINFO zero{};
  return std::memcmp(&info.GetFixedInfo(), &zero, sizeof zero) == 0 && !info.GetTranslations() &&
         info.GetTranslationCount() == 0 && !info.IsValid();
}

TEST(FileVersionInfo, ReadsTheProgramsOwnResource) {
  CFileVersionInfo info;
  EXPECT_TRUE(IsZeroed(info));
  ASSERT_TRUE(info.Create(GetModuleHandleW(nullptr)));
  const VS_FIXEDFILEINFO& fixed = info.GetFixedInfo();
  EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
  EXPECT_EQ(0x00010002u, fixed.dwProductVersionMS);
  EXPECT_EQ(0x00030004u, fixed.dwProductVersionLS);
  EXPECT_EQ(0x00050006u, fixed.dwFileVersionMS);
  ASSERT_EQ(2u, info.GetTranslationCount());
  EXPECT_EQ(0x409, info.GetTranslations()[0]);
  EXPECT_EQ(1200, info.GetTranslations()[1]);
  EXPECT_EQ(0x804, info.GetTranslations()[2]);
  EXPECT_EQ(936, info.GetTranslations()[3]);
  info.Reset();
  EXPECT_TRUE(IsZeroed(info));
}

TEST(FileVersionInfo, FailuresLeaveAZeroedObject) {
  LoadedModule noTranslation(L"..\\version_no_translation.dll");
  LoadedModule none(L"..\\version_none.dll");
  ASSERT_NE(nullptr, noTranslation.Get());
  ASSERT_NE(nullptr, none.Get());

  for (HMODULE module : {noTranslation.Get(), none.Get()}) {
    CFileVersionInfo info;
    ASSERT_TRUE(info.Create(GetModuleHandleW(nullptr)));
    EXPECT_FALSE(info.Create(module));
    EXPECT_TRUE(IsZeroed(info)) << "even the readable fixed information is cleared";
  }

  CFileVersionInfo info;
  ASSERT_TRUE(info.Create(GetModuleHandleW(nullptr)));
  EXPECT_FALSE(info.Create(nullptr));
  EXPECT_TRUE(info.IsValid()) << "a null module leaves the object as it was";
  EXPECT_EQ(0x00010002u, info.GetFixedInfo().dwProductVersionMS);
}

TEST(FileVersionInfo, AboutBoxVersionLine) {
  LoadedModule none(L"..\\version_none.dll");
  EXPECT_EQ(L"Version 1.2.3.4", FormatProductVersion(L"Version", GetModuleHandleW(nullptr)));
  EXPECT_EQ(L"Version 0.0.0.0", FormatProductVersion(L"Version", none.Get()));
  EXPECT_EQ(L"Versie 0.0.0.0", FormatProductVersion(L"Versie", nullptr));
  EXPECT_EQ(L" 1.2.3.4", FormatProductVersion(nullptr, GetModuleHandleW(nullptr)));
}

}  // namespace
