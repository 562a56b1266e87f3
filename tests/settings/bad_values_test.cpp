// Wrong, broken and hostile registry values: each falls back, never crashes,
// and the next save leaves sound values behind.

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/Configuration.h"
#include "settings/WinRegistry.h"
#include "tests/settings/registry_support.h"

namespace {

void PutBytes(const std::wstring& key, const wchar_t* name, DWORD type, std::vector<BYTE> bytes) {
  PutRawValue(key, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void PutRuler(const std::wstring& sub, const std::wstring& name, const std::wstring& scale, const std::wstring& pts) {
  PutText(kProgramRulers + L"\\" + sub, L"name", name);
  PutText(kProgramRulers + L"\\" + sub, L"scale", scale);
  PutText(kProgramRulers + L"\\" + sub, L"pts", pts);
}

using Values = std::map<std::wstring, ExportedValue>;

const Values& Section(const ExportedKeys& keys, const std::wstring& key) {
  static const Values none;
  auto it = keys.find(kHkcuPrefix + key);
  return it == keys.end() ? none : it->second;
}

struct BadValueCase {
  const char* what;
  std::function<void()> store;
  std::function<void(const CConfiguration&)> loaded;
  std::function<void(const ExportedKeys&)> saved;
};

void ExpectDword(const ExportedKeys& keys, const wchar_t* name, DWORD value) {
  const Values& values = Section(keys, kProgramKey);
  ASSERT_TRUE(values.count(name)) << "missing " << std::string(name, name + wcslen(name));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), values.at(name).type);
  EXPECT_EQ(value, values.at(name).Dword());
}

void ExpectText(const ExportedKeys& keys, const std::wstring& key, const wchar_t* name, const std::wstring& text) {
  const Values& values = Section(keys, key);
  ASSERT_TRUE(values.count(name));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), values.at(name).type);
  EXPECT_EQ(text, values.at(name).Text());
}

std::vector<BadValueCase> Cases() {
  const std::wstring longText(CWinRegistry::kMaxTextChars + 10, L'x');
  return {
      {"pen weight 0 and text weight 100 are limited",
       [] {
         PutDword(kProgramKey, L"PenWeight", 0);
         PutDword(kProgramKey, L"TextWeight", 100);
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(1u, c.m_PenWeight);
         EXPECT_EQ(64u, c.m_TextWeight);
       },
       [](const ExportedKeys& k) {
         ExpectDword(k, L"PenWeight", 1);
         ExpectDword(k, L"TextWeight", 64);
       }},
      {"pen weight 65 and text weight 0",
       [] {
         PutDword(kProgramKey, L"PenWeight", 65);
         PutDword(kProgramKey, L"TextWeight", 0);
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(64u, c.m_PenWeight);
         EXPECT_EQ(1u, c.m_TextWeight);
       },
       nullptr},
      {"low limits",
       [] {
         PutDword(kProgramKey, L"Duration", 1);
         PutDword(kProgramKey, L"SnapInterval", 5);
         PutDword(kProgramKey, L"GridWeight", 4);
         PutDword(kProgramKey, L"MagnifierWeight", 1);
         PutDword(kProgramKey, L"MagnifierDisplay", 0);
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(2u, c.m_Duration);
         EXPECT_EQ(10u, c.m_SnapInterval);
         EXPECT_EQ(5u, c.m_GridWeight);
         EXPECT_EQ(2u, c.m_MagnifierWeight);
         EXPECT_EQ(0u, c.m_MagnifierDisplay);
       },
       [](const ExportedKeys& k) {
         ExpectDword(k, L"Duration", 2);
         ExpectDword(k, L"SnapInterval", 10);
         ExpectDword(k, L"GridWeight", 5);
         ExpectDword(k, L"MagnifierWeight", 2);
         ExpectDword(k, L"MagnifierDisplay", 0);
       }},
      {"high limits",
       [] {
         PutDword(kProgramKey, L"Duration", 31);
         PutDword(kProgramKey, L"SnapInterval", 70000);
         PutDword(kProgramKey, L"GridWeight", 126);
         PutDword(kProgramKey, L"MagnifierWeight", 16);
         PutDword(kProgramKey, L"MagnifierDisplay", 300);
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(30u, c.m_Duration);
         EXPECT_EQ(60000u, c.m_SnapInterval);
         EXPECT_EQ(125u, c.m_GridWeight);
         EXPECT_EQ(15u, c.m_MagnifierWeight);
         EXPECT_EQ(256u, c.m_MagnifierDisplay);
       },
       nullptr},
      {"a negative number counts as large",
       [] {
         PutDword(kProgramKey, L"Duration", 0xFFFFFFFF);
         PutDword(kProgramKey, L"MagnifierDisplay", 0xFFFFFFFF);
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(30u, c.m_Duration);
         EXPECT_EQ(256u, c.m_MagnifierDisplay);
       },
       nullptr},
      {"decimal precision beyond what a number format can hold",
       [] { PutDword(kProgramKey, L"DecimalPrecision", 1000000); },
       [](const CConfiguration& c) {
         EXPECT_EQ(10u, c.m_DecimalPrecision);
         EXPECT_EQ(L"%.10f", c.GetPrecisionFormat());
       },
       [](const ExportedKeys& k) { ExpectDword(k, L"DecimalPrecision", 10); }},
      {"flags and formats outside their choices keep the default",
       [] {
         PutDword(kProgramKey, L"AutoSnap", 7);
         PutDword(kProgramKey, L"ShowCamTimer", 2);
         PutDword(kProgramKey, L"ImageFormat", 5);
         PutDword(kProgramKey, L"MovieQuality", 3);
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(0u, c.m_AutoSnap);
         EXPECT_EQ(1u, c.m_ShowCamTimer);
         EXPECT_EQ(0u, c.m_ImageFormat);
         EXPECT_EQ(1u, c.m_MovieQuality);
       },
       [](const ExportedKeys& k) {
         ExpectDword(k, L"AutoSnap", 0);
         ExpectDword(k, L"ShowCamTimer", 1);
         ExpectDword(k, L"ImageFormat", 0);
         ExpectDword(k, L"MovieQuality", 1);
       }},
      {"a number stored as a long text is not read and not overwritten",
       [] { PutText(kProgramKey, L"Language", L"2052"); },
       [](const CConfiguration& c) { EXPECT_EQ(GetUserDefaultLangID() == 2052 ? 2052u : 1033u, c.m_Language); },
       [](const ExportedKeys& k) { ExpectText(k, kProgramKey, L"Language", L"2052"); }},
      {"a number stored as 4 text bytes is taken as its bytes and saved as a number",
       [] {
         PutBytes(kProgramKey, L"LineCap", REG_SZ, {'1', 0, 0, 0});
       },
       [](const CConfiguration& c) { EXPECT_EQ(0x31u, c.m_LineCap); },
       [](const ExportedKeys& k) { ExpectDword(k, L"LineCap", 0x31); }},
      {"a 2-byte binary value replaces the low half only",
       [] {
         PutBytes(kProgramKey, L"MeasureColor", REG_BINARY, {0x34, 0x12});
       },
       [](const CConfiguration& c) { EXPECT_EQ(0xFFFF1234u, c.m_MeasureColor); }, nullptr},
      {"number texts that are no number, too small or not finite",
       [] {
         PutText(kProgramKey, L"MultiPower", L"abc");
         PutText(kProgramKey, L"ReferenceScale", L"inf");
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(1.0, c.m_MultiPower);
         EXPECT_EQ(1.0, c.m_ReferenceScale);
       },
       [](const ExportedKeys& k) {
         ExpectText(k, kProgramKey, L"MultiPower", L"1.00000000");
         ExpectText(k, kProgramKey, L"ReferenceScale", L"1.00000000");
       }},
      {"small magnification falls back, small reference scale stays",
       [] {
         PutText(kProgramKey, L"MultiPower", L"0.00005");
         PutText(kProgramKey, L"ReferenceScale", L"0.00005");
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(1.0, c.m_MultiPower);
         EXPECT_DOUBLE_EQ(0.00005, c.m_ReferenceScale);
       },
       [](const ExportedKeys& k) { ExpectText(k, kProgramKey, L"ReferenceScale", L"0.00005000"); }},
      {"a number text of another type, and not-a-number",
       [] {
         PutDword(kProgramKey, L"MultiPower", 3);
         PutText(kProgramKey, L"ReferenceScale", L"nan");
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(1.0, c.m_MultiPower);
         EXPECT_EQ(1.0, c.m_ReferenceScale);
       },
       [](const ExportedKeys& k) { ExpectText(k, kProgramKey, L"MultiPower", L"1.00000000"); }},
      {"texts without a terminator are read to their last byte only",
       [] {
         PutUnterminatedText(kProgramKey, L"Unit", L"mm");
         const std::wstring odd = L"Tah";
         std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(odd.data()),
                                 reinterpret_cast<const BYTE*>(odd.data() + odd.size()));
         bytes.push_back('o');  // an odd byte count
         PutExactText(kProgramKey, L"FontFace", bytes.data(), static_cast<DWORD>(bytes.size()));
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(L"mm", c.CopyUnit());
         EXPECT_EQ(L"Taho", c.CopyFontFace());
       },
       [](const ExportedKeys& k) {
         ExpectText(k, kProgramKey, L"Unit", L"mm");
         ExpectText(k, kProgramKey, L"FontFace", L"Taho");
       }},
      {"over-long texts count as absent",
       [longText] {
         PutText(kProgramKey, L"Unit", std::wstring(100, L'u'));
         PutText(kProgramKey, L"FontFace", std::wstring(LF_FACESIZE, L'f'));
         PutText(kProgramKey, L"ImageDir", longText);
         PutText(kProgramKey, L"Camera", longText);
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(L"cm", c.CopyUnit());
         EXPECT_EQ(MessageFontFace(), c.CopyFontFace());
         EXPECT_EQ(KnownFolder(FOLDERID_Pictures), c.CopyImageDir());
         EXPECT_EQ(L"", c.CopyCamera());
       },
       [](const ExportedKeys& k) {
         ExpectText(k, kProgramKey, L"Unit", L"cm");
         ExpectText(k, kProgramKey, L"ImageDir", KnownFolder(FOLDERID_Pictures));
       }},
      {"unterminated texts of the longest length load",
       [] {
         PutUnterminatedText(kProgramKey, L"Unit", std::wstring(64, L'u'));
         PutUnterminatedText(kProgramKey, L"FontFace", std::wstring(31, L'f'));
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(std::wstring(64, L'u'), c.CopyUnit());
         EXPECT_EQ(std::wstring(31, L'f'), c.CopyFontFace());
       },
       [](const ExportedKeys& k) {
         ExpectText(k, kProgramKey, L"Unit", std::wstring(64, L'u'));
         ExpectText(k, kProgramKey, L"FontFace", std::wstring(31, L'f'));
       }},
      {"unterminated texts one character too long count as absent",
       [] {
         PutUnterminatedText(kProgramKey, L"Unit", std::wstring(65, L'u'));
         PutUnterminatedText(kProgramKey, L"FontFace", std::wstring(LF_FACESIZE, L'f'));
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(L"cm", c.CopyUnit());
         EXPECT_EQ(MessageFontFace(), c.CopyFontFace());
       },
       [](const ExportedKeys& k) {
         ExpectText(k, kProgramKey, L"Unit", L"cm");
         ExpectText(k, kProgramKey, L"FontFace", MessageFontFace());
       }},
      {"texts of another type count as absent, an empty text stays empty",
       [] {
         PutDword(kProgramKey, L"Camera", 1);
         PutDword(kProgramKey, L"Unit", 1);
         PutText(kProgramKey, L"FontFace", L"");
         PutBytes(kProgramKey, L"TextContent", REG_BINARY, {'a', 0});
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(L"", c.CopyCamera());
         EXPECT_EQ(L"cm", c.CopyUnit());
         EXPECT_EQ(L"", c.CopyFontFace());
         EXPECT_TRUE(c.m_TextContent.empty());
       },
       nullptr},
      {"a picture folder that does not exist is chosen again",
       [] { PutText(kProgramKey, L"ImageDir", L"C:\\no\\such\\folder"); },
       [](const CConfiguration& c) { EXPECT_EQ(KnownFolder(FOLDERID_Pictures), c.CopyImageDir()); },
       [](const ExportedKeys& k) { ExpectText(k, kProgramKey, L"ImageDir", KnownFolder(FOLDERID_Pictures)); }},
      {"a ruler keeps the points before one that is no number, or no float",
       [] {
         PutRuler(L"0", L"good", L"2.0", L"0.1,0.2,0.3,0.4");
         PutRuler(L"1", L"word", L"2.0", L"0.1,abc,0.3,0.4");
         PutRuler(L"2", L"huge", L"3.0", L"0.1,0.2,1e39,0.4");
         PutRuler(L"3", L"nan", L"4.0", L"nan,0.2,0.3,0.4");
         PutRuler(L"4", L"inf", L"5.0", L"0.1,0.2,0.3,-inf");
       },
       [](const CConfiguration& c) {
         const struct {
           const wchar_t* name;
           double scale;
           float points[4];
         } rows[] = {
             {L"good", 2.0, {0.1f, 0.2f, 0.3f, 0.4f}}, {L"word", 2.0, {0.1f, 0, 0, 0}},
             {L"huge", 3.0, {0.1f, 0.2f, 0, 0}},       {L"nan", 4.0, {0, 0, 0, 0}},
             {L"inf", 5.0, {0.1f, 0.2f, 0.3f, 0}},
         };
         ASSERT_EQ(std::size(rows), c.m_Rulers.size());
         for (size_t i = 0; i < std::size(rows); ++i) {
           SCOPED_TRACE(i);
           EXPECT_EQ(rows[i].name, Text(c.m_Rulers[i]->m_Name));
           EXPECT_EQ(rows[i].scale, c.m_Rulers[i]->m_Scale);
           for (int p = 0; p < 4; ++p) EXPECT_EQ(rows[i].points[p], c.m_Rulers[i]->m_Points[p]) << p;
         }
       },
       [](const ExportedKeys& k) {
         ExpectText(k, kProgramRulers + L"\\0", L"pts", L"0.100,0.200,0.300,0.400");
         ExpectText(k, kProgramRulers + L"\\1", L"pts", L"0.100,0.000,0.000,0.000");
         ExpectText(k, kProgramRulers + L"\\2", L"pts", L"0.100,0.200,0.000,0.000");
         ExpectText(k, kProgramRulers + L"\\3", L"name", L"nan");
         ExpectText(k, kProgramRulers + L"\\4", L"pts", L"0.100,0.200,0.300,0.000");
       }},
      {"ruler scales that are no positive number become 1",
       [] {
         PutRuler(L"0", L"zero", L"0", L"0,0,0,0");
         PutRuler(L"1", L"minus", L"-2", L"0,0,0,0");
         PutRuler(L"2", L"word", L"abc", L"0,0,0,0");
         PutRuler(L"3", L"inf", L"inf", L"0,0,0,0");
       },
       [](const CConfiguration& c) {
         ASSERT_EQ(4u, c.m_Rulers.size());
         for (const auto& r : c.m_Rulers) EXPECT_EQ(1.0, r->m_Scale) << Text(r->m_Name).c_str();
       },
       [](const ExportedKeys& k) { ExpectText(k, kProgramRulers + L"\\3", L"scale", L"1.000000"); }},
      {"a ruler without a usable name is dropped and its key goes at save",
       [] {
         PutDword(kProgramRulers + L"\\0", L"name", 5);
         PutText(kProgramRulers + L"\\0", L"scale", L"2");
         PutText(kProgramRulers + L"\\1", L"name", L"");
         PutBytes(kProgramRulers + L"\\2", L"name", REG_SZ, {});
       },
       [](const CConfiguration& c) {
         ASSERT_EQ(1u, c.m_Rulers.size()) << "an empty name is still a name";
         EXPECT_EQ(L"", Text(c.m_Rulers[0]->m_Name));
       },
       [](const ExportedKeys& k) {
         ExpectText(k, kProgramRulers + L"\\0", L"name", L"");
         EXPECT_FALSE(k.count(kHkcuPrefix + kProgramRulers + L"\\1"));
         EXPECT_FALSE(k.count(kHkcuPrefix + kProgramRulers + L"\\2"));
       }},
      {"recent files: odd names, types and sizes",
       [longText] {
         PutText(kProgramRecents, L"3", L"C:\\three.bmp");
         PutText(kProgramRecents, L"31", L"C:\\missing\\file.jpg");
         PutText(kProgramRecents, L"32", L"C:\\x.bmp");
         PutText(kProgramRecents, L"-1", L"C:\\y.bmp");
         PutBytes(kProgramRecents, L"4", REG_SZ, {});
         PutDword(kProgramRecents, L"5", 1);
         PutText(kProgramRecents, L"6", longText);
         PutUnterminatedText(kProgramRecents, L"7", L"C:\\u.bmp");
       },
       [](const CConfiguration& c) {
         EXPECT_EQ(L"C:\\three.bmp", c.CopyRecent(3));
         EXPECT_EQ(L"C:\\missing\\file.jpg", c.CopyRecent(31)) << "missing files are the caller's to skip";
         EXPECT_EQ(L"C:\\u.bmp", c.CopyRecent(7));
         for (unsigned i : {0u, 4u, 5u, 6u}) EXPECT_EQ(L"", c.CopyRecent(i)) << i;
       },
       [](const ExportedKeys& k) {
         const Values& recents = Section(k, kProgramRecents);
         EXPECT_EQ(L"C:\\three.bmp", recents.at(L"3").Text());
         EXPECT_EQ(L"C:\\u.bmp", recents.at(L"7").Text());
         for (const wchar_t* gone : {L"4", L"5", L"6"}) EXPECT_FALSE(recents.count(gone));
       }},
      {"a recent file whose name is not a number goes to slot 0",
       [] { PutText(kProgramRecents, L"abc", L"C:\\zero.bmp"); },
       [](const CConfiguration& c) { EXPECT_EQ(L"C:\\zero.bmp", c.CopyRecent(0)); },
       [](const ExportedKeys& k) { EXPECT_EQ(L"C:\\zero.bmp", Section(k, kProgramRecents).at(L"0").Text()); }},
  };
}

class BadValuesTest : public ProgramKeyTest {};

TEST_F(BadValuesTest, FallBackAndSaveSoundValues) {
  for (const BadValueCase& row : Cases()) {
    SCOPED_TRACE(row.what);
    TearDown();
    row.store();
    {
      CConfiguration c;
      c.m_pfnShowMessage = [](const wchar_t*) {};
      c.Load(GetModuleHandleW(nullptr));
      row.loaded(c);
      c.Save();
    }
    if (row.saved) row.saved(ExportKey(kProgramKey));
  }
}

}  // namespace
