// The registry wrapper on real keys of the test prefix.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/settings/registry_support.h"
#include "settings/WinRegistry.h"

namespace {

const std::wstring kKey = L"Software\\Quorvex\\Mensaro\\WrapperTest";

class WinRegistryTest : public ProgramKeyTest {};

TEST_F(WinRegistryTest, ReadDwordTakesWhateverFitsFourBytes) {
  const struct {
    const char* what;
    DWORD type;
    std::vector<BYTE> data;  // empty with type REG_NONE: value absent
    BOOL result;
    DWORD expected;  // the target starts as 0xAABBCCDD
  } rows[] = {
      {"absent", REG_NONE, {}, FALSE, 0xAABBCCDD},
      {"dword", REG_DWORD, {1, 2, 3, 4}, TRUE, 0x04030201},
      {"2-byte binary", REG_BINARY, {0x11, 0x22}, TRUE, 0xAABB2211},
      {"4-byte text", REG_SZ, {'1', 0, 0, 0}, TRUE, 0x31},
      {"6-byte text", REG_SZ, {'1', 0, '2', 0, 0, 0}, FALSE, 0xAABBCCDD},
      {"8-byte qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, FALSE, 0xAABBCCDD},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    DeleteKeyTree(kKey);
    if (row.type != REG_NONE)
      PutRawValue(kKey, L"v", row.type, row.data.data(), static_cast<DWORD>(row.data.size()));
    else
      PutDword(kKey, L"other", 1);
    CWinRegistry reg(HKEY_CURRENT_USER, kKey.c_str(), FALSE, TRUE);
    DWORD value = 0xAABBCCDD;
    EXPECT_EQ(row.result, reg.ReadDword(L"v", &value));
    EXPECT_EQ(row.expected, value);
  }
}

TEST_F(WinRegistryTest, WriteDwordLeavesValuesOfAnotherSizeAlone) {
  PutRawValue(kKey, L"four", REG_SZ, L"1", 4);
  PutRawValue(kKey, L"six", REG_SZ, L"12", 6);
  {
    CWinRegistry reg(HKEY_CURRENT_USER, kKey.c_str(), TRUE, TRUE);
    EXPECT_TRUE(reg.WriteDword(L"four", 7));
    EXPECT_FALSE(reg.WriteDword(L"six", 7));
    EXPECT_TRUE(reg.WriteDword(L"new", 9));
    EXPECT_TRUE(reg.WriteString(L"empty", L""));
    EXPECT_TRUE(reg.WriteString(L"text", L"a\"b\\c"));
    reg.DeleteValue(L"nothing here");
  }
  const auto values = ExportKey(kKey).at(kHkcuPrefix + kKey);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), values.at(L"four").type);
  EXPECT_EQ(7u, values.at(L"four").Dword());
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), values.at(L"six").type);
  EXPECT_EQ(L"12", values.at(L"six").Text());
  EXPECT_EQ(9u, values.at(L"new").Dword());
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), values.at(L"empty").type);
  EXPECT_EQ(2u, values.at(L"empty").data.size());
  EXPECT_EQ(L"a\"b\\c", values.at(L"text").Text());
}

TEST_F(WinRegistryTest, ReadStringWantsTextWithData) {
  PutDword(kKey, L"number", 5);
  PutRawValue(kKey, L"nodata", REG_SZ, nullptr, 0);
  PutRawValue(kKey, L"expand", REG_EXPAND_SZ, L"%x%", 8);
  PutText(kKey, L"text", L"hello");
  PutUnterminatedText(kKey, L"raw", L"abc");
  PutUnterminatedText(kKey, L"long", std::wstring(CWinRegistry::kMaxTextChars + 1, L'x'));

  CWinRegistry reg(HKEY_CURRENT_USER, kKey.c_str(), FALSE, TRUE);
  for (const wchar_t* name : {L"number", L"nodata", L"expand", L"missing", L"long"}) {
    std::wstring value = L"unchanged";
    EXPECT_FALSE(reg.ReadString(name, value));
    EXPECT_EQ(L"unchanged", value);
    EXPECT_EQ(nullptr, reg.ReadStringCopy(name).get());
  }
  std::wstring value;
  EXPECT_TRUE(reg.ReadString(L"text", value));
  EXPECT_EQ(L"hello", value);
  EXPECT_TRUE(reg.ReadString(L"raw", value));
  EXPECT_EQ(L"abc", value);
  auto copy = reg.ReadStringCopy(L"raw");
  ASSERT_NE(nullptr, copy.get());
  EXPECT_STREQ(L"abc", copy.get());
}

// The limit counts the characters of the text, whether or not the stored data
// end in a terminator.
TEST_F(WinRegistryTest, TextLimitCountsCharactersWithOrWithoutTerminator) {
  const struct {
    const char* what;
    std::wstring text;
    bool terminated;
    int extraByte;        // -1: none; else one more byte of that value
    const wchar_t* read;  // null: refused
  } rows[] = {
      {"4 characters, terminated", L"abcd", true, -1, L"abcd"},
      {"4 characters, unterminated", L"abcd", false, -1, L"abcd"},
      {"5 characters, terminated", L"abcde", true, -1, nullptr},
      {"5 characters, unterminated", L"abcde", false, -1, nullptr},
      {"4 characters and half of a fifth", L"abcd", false, 'e', nullptr},
      {"4 characters and a zero byte", L"abcd", false, 0, L"abcd"},
      {"3 characters and half of a fourth", L"abc", false, 'd', L"abcd"},
      {"terminator inside", std::wstring(L"ab\0cd", 5), false, -1, L"ab"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    DeleteKeyTree(kKey);
    std::vector<BYTE> bytes(
        reinterpret_cast<const BYTE*>(row.text.data()),
        reinterpret_cast<const BYTE*>(row.text.data() + row.text.size() + (row.terminated ? 1 : 0)));
    if (row.extraByte >= 0) bytes.push_back(static_cast<BYTE>(row.extraByte));
    PutExactText(kKey, L"v", bytes.data(), static_cast<DWORD>(bytes.size()));
    CWinRegistry reg(HKEY_CURRENT_USER, kKey.c_str(), FALSE, TRUE);
    const std::unique_ptr<wchar_t[]> text = ReadRegistryText(reg.GetKey(), L"v", 4);
    if (!row.read) {
      EXPECT_EQ(nullptr, text.get());
    } else {
      ASSERT_NE(nullptr, text.get());
      EXPECT_STREQ(row.read, text.get());
    }
  }
}

TEST_F(WinRegistryTest, WithoutCreationAccessorsOpenTheKeyThemselves) {
  {
    CWinRegistry missing(HKEY_CURRENT_USER, kKey.c_str(), TRUE, FALSE);
    EXPECT_EQ(nullptr, missing.GetKey());
    EXPECT_FALSE(missing.WriteDword(L"v", 1));
    EXPECT_FALSE(missing.WriteString(L"s", L"x"));
    DWORD value = 3;
    EXPECT_FALSE(missing.ReadDword(L"v", &value));
    EXPECT_EQ(3u, value);
  }
  EXPECT_FALSE(KeyExists(kKey));
  PutDword(kKey, L"v", 4);
  CWinRegistry existing(HKEY_CURRENT_USER, kKey.c_str(), TRUE, FALSE);
  EXPECT_TRUE(existing.WriteDword(L"w", 5));
  DWORD value = 0;
  EXPECT_TRUE(existing.ReadDword(L"w", &value));
  EXPECT_EQ(5u, value);
  std::wstring text;
  EXPECT_FALSE(existing.ReadString(L"v", text));
}

TEST(RegText, ParsesWhatRegExportWrites) {
  const std::wstring text =
      L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n@=\"\"\r\n"
      L"\"d\"=dword:0000000a\r\n\"s\"=\"x\\\"y\\\\z\"\r\n\"b\"=hex:01,02,\\\r\n  03\r\n"
      L"\"m\"=hex(7):41,00,00,00\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n";
  const ExportedKeys keys = ParseRegText(text);
  ASSERT_EQ(2u, keys.size());
  const auto& a = keys.at(L"HKEY_CURRENT_USER\\A");
  EXPECT_EQ(10u, a.at(L"d").Dword());
  EXPECT_EQ(L"x\"y\\z", a.at(L"s").Text());
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), a.at(L"b").data);
  EXPECT_EQ(7u, a.at(L"m").type);
  EXPECT_EQ(L"", a.at(L"").Text());
  EXPECT_TRUE(keys.at(L"HKEY_CURRENT_USER\\A\\B").empty());
}

}  // namespace
