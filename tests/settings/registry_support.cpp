#include "tests/settings/registry_support.h"

#include <cstdio>
#include <cwctype>
#include <fstream>
#include <iterator>

namespace {

std::wstring ReadUtf16File(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::wstring text;
  size_t start = 0;
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) start = 2;
  for (size_t i = start; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  return text;
}

// Reads a quoted text with \" and \\ escapes starting at text[pos] == '"'.
std::wstring ReadQuoted(const std::wstring& text, size_t& pos) {
  std::wstring out;
  ++pos;
  while (pos < text.size() && text[pos] != L'"') {
    if (text[pos] == L'\\' && pos + 1 < text.size()) ++pos;
    out.push_back(text[pos++]);
  }
  ++pos;
  return out;
}

std::vector<uint8_t> ReadHexBytes(const std::wstring& list) {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
  while (pos < list.size()) {
    while (pos < list.size() && !std::iswxdigit(list[pos])) ++pos;
    if (pos >= list.size()) break;
    bytes.push_back(static_cast<uint8_t>(std::wcstoul(list.substr(pos, 2).c_str(), nullptr, 16)));
    pos += 2;
  }
  return bytes;
}

}  // namespace

std::wstring ExportedValue::Text() const {
  std::wstring text;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c == L'\0') break;
    text.push_back(c);
  }
  return text;
}

DWORD ExportedValue::Dword() const {
  DWORD value = 0;
  for (size_t i = 0; i < data.size() && i < 4; ++i) value |= static_cast<DWORD>(data[i]) << (8 * i);
  return value;
}

ExportedKeys ParseRegText(const std::wstring& text) {
  // Logical lines: hex lists continue over lines ending in a backslash.
  std::vector<std::wstring> lines;
  std::wstring current;
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t end = text.find(L'\n', pos);
    std::wstring line = text.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    // Only hex lists end a line in a backslash; quoted texts end in a quote.
    const bool continues =
        !line.empty() && line.back() == L'\\' && (!current.empty() || line.find(L"=hex") != std::wstring::npos);
    if (!current.empty()) {
      size_t first = line.find_first_not_of(L' ');
      line = first == std::wstring::npos ? std::wstring() : line.substr(first);
    }
    if (continues) {
      line.pop_back();
      current += line;
    } else {
      lines.push_back(current + line);
      current.clear();
    }
    if (end == std::wstring::npos) break;
    pos = end + 1;
  }

  ExportedKeys keys;
  std::map<std::wstring, ExportedValue>* section = nullptr;
  for (const std::wstring& line : lines) {
    if (line.empty()) continue;
    if (line.front() == L'[' && line.back() == L']') {
      section = &keys[line.substr(1, line.size() - 2)];
      continue;
    }
    if (!section) continue;
    size_t p = 0;
    std::wstring name;
    if (line[0] == L'@') {
      p = 1;
    } else if (line[0] == L'"') {
      name = ReadQuoted(line, p);
    } else {
      continue;
    }
    if (p >= line.size() || line[p] != L'=') continue;
    ++p;
    ExportedValue value;
    const std::wstring rest = line.substr(p);
    if (!rest.empty() && rest[0] == L'"') {
      size_t q = 0;
      const std::wstring s = ReadQuoted(rest, q);
      value.type = REG_SZ;
      for (wchar_t c : s) {
        value.data.push_back(static_cast<uint8_t>(c & 0xFF));
        value.data.push_back(static_cast<uint8_t>(c >> 8));
      }
      value.data.push_back(0);
      value.data.push_back(0);
    } else if (rest.rfind(L"dword:", 0) == 0) {
      value.type = REG_DWORD;
      const DWORD d = std::wcstoul(rest.c_str() + 6, nullptr, 16);
      for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<uint8_t>(d >> (8 * i)));
    } else if (rest.rfind(L"hex:", 0) == 0) {
      value.type = REG_BINARY;
      value.data = ReadHexBytes(rest.substr(4));
    } else if (rest.rfind(L"hex(", 0) == 0) {
      const size_t close = rest.find(L"):");
      if (close == std::wstring::npos) continue;
      value.type = std::wcstoul(rest.c_str() + 4, nullptr, 16);
      value.data = ReadHexBytes(rest.substr(close + 2));
    } else {
      continue;
    }
    (*section)[name] = value;
  }
  return keys;
}

ExportedKeys ExportKey(const std::wstring& subKey) {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring file = std::wstring(folder) + L"\\export.reg";
  DeleteFileW(file.c_str());
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring command =
      L"\"" + std::wstring(system) + L"\\reg.exe\" export \"HKCU\\" + subKey + L"\" \"" + file + L"\" /y";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "reg.exe could not be started, error " << GetLastError();
    return {};
  }
  WaitForSingleObject(process.hProcess, 30000);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(0u, exitCode) << "reg.exe export failed";
  return ParseRegText(ReadUtf16File(file));
}

void PutRawValue(const std::wstring& subKey, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
  RegCloseKey(key);
}

void PutExactText(const std::wstring& subKey, const wchar_t* name, const void* data, DWORD size) {
  std::vector<uint8_t> bytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  bytes.insert(bytes.end(), {'X', 'X', 'X', 'X'});
  PutRawValue(subKey, name, REG_SZ, bytes.data(), size);
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_QUERY_VALUE, &key));
  DWORD stored = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &stored));
  RegCloseKey(key);
  EXPECT_EQ(size, stored) << "the text was stored with a terminator";
}

void PutUnterminatedText(const std::wstring& subKey, const wchar_t* name, const std::wstring& text) {
  PutExactText(subKey, name, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

void PutDword(const std::wstring& subKey, const wchar_t* name, DWORD value) {
  PutRawValue(subKey, name, REG_DWORD, &value, sizeof value);
}

void PutText(const std::wstring& subKey, const wchar_t* name, const std::wstring& text) {
  PutRawValue(subKey, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool KeyExists(const std::wstring& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void DeleteKeyTree(const std::wstring& subKey) {
  RegDeleteTreeW(HKEY_CURRENT_USER, subKey.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, subKey.c_str());
}

void ProgramKeyTest::SetUp() {
  DeleteKeyTree(kProgramKey);
  ASSERT_FALSE(KeyExists(kProgramKey));
}

void ProgramKeyTest::TearDown() { DeleteKeyTree(kProgramKey); }

std::wstring Text(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(L"<null>"); }

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path) result = path;
  CoTaskMemFree(path);
  return result;
}

std::wstring MessageFontFace() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    metrics.cbSize = 500;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0);
  }
  return metrics.lfMessageFont.lfFaceName;
}
