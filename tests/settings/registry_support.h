#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// One value as Wine's own reg.exe exported it.
struct ExportedValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
  std::wstring Text() const;  // REG_SZ data up to its terminator
  DWORD Dword() const;
};

// Key path (as "HKEY_CURRENT_USER\...") to its values by name.
using ExportedKeys = std::map<std::wstring, std::map<std::wstring, ExportedValue>>;

// Runs "reg.exe export" of a key of the current user into a file of the
// working folder and parses the UTF-16 text it wrote. Fails the test when the
// export cannot be run or read.
ExportedKeys ExportKey(const std::wstring& subKey);
// Parses the text of a .reg file (exposed for its own test).
ExportedKeys ParseRegText(const std::wstring& text);

// Writes a raw value of any type and bytes, creating the key.
void PutRawValue(const std::wstring& subKey, const wchar_t* name, DWORD type, const void* data, DWORD size);
// Writes text data of exactly `size` bytes. The system adds a terminator to
// text data whose next character in memory is 0, so the bytes are copied in
// front of characters that are not; fails the test when more was stored.
void PutExactText(const std::wstring& subKey, const wchar_t* name, const void* data, DWORD size);
// The characters of a text as REG_SZ data without any terminator.
void PutUnterminatedText(const std::wstring& subKey, const wchar_t* name, const std::wstring& text);
void PutDword(const std::wstring& subKey, const wchar_t* name, DWORD value);
void PutText(const std::wstring& subKey, const wchar_t* name, const std::wstring& text);
bool KeyExists(const std::wstring& subKey);
void DeleteKeyTree(const std::wstring& subKey);

inline constexpr wchar_t kHkcuPrefix[] = L"HKEY_CURRENT_USER\\";

// The program's key under the current user and its two lists, spelt out here
// rather than taken from the code under test.
inline const std::wstring kProgramKey = L"Software\\Quorvex\\Mensaro";
inline const std::wstring kProgramRecents = kProgramKey + L"\\Recents";
inline const std::wstring kProgramRulers = kProgramKey + L"\\Rulers";

// A text setting for comparison; "<null>" stands for an unset one.
std::wstring Text(const wchar_t* text);
// The folder Windows gives for a known-folder id, empty when it gives none.
std::wstring KnownFolder(const KNOWNFOLDERID& id);
// The face of the system's message font.
std::wstring MessageFontFace();

// Every test that touches the program's key starts and ends without it, so
// that runs repeat in the shared test prefix.
class ProgramKeyTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
