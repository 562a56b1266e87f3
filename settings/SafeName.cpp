#include "settings/SafeName.h"

#include <cwchar>

std::wstring MakeSafeKeyName(const wchar_t* name) {
  std::wstring safe(name ? name : L"");
  for (wchar_t& c : safe) {
    if (c == L'\\' || c < 0x20 || c == 0x7F) c = L'_';
  }
  return safe;
}

std::wstring MakeSafeFileName(const wchar_t* name) {
  std::wstring safe(name ? name : L"");
  for (wchar_t& c : safe) {
    if (c < 0x20 || c == 0x7F || std::wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  }
  while (!safe.empty() && (safe.back() == L'.' || safe.back() == L' ')) safe.pop_back();
  return safe;
}
