// In-memory dialog templates for tests: a dialog with a few controls, without
// a resource script.
#pragma once

#include <windows.h>

#include <cwchar>
#include <initializer_list>
#include <vector>

namespace win32test {

struct DialogItem {
  DWORD style;
  short x, y, cx, cy;
  WORD id;
  WORD classAtom;  // 0x0080 button, 0x0081 edit, 0x0082 static
  const wchar_t* text;
};

// The template as words, DWORD-aligned where the format needs it.
inline std::vector<WORD> DialogTemplate(DWORD style, short cx, short cy, std::initializer_list<DialogItem> items = {},
                                        const wchar_t* title = L"") {
  std::vector<WORD> words;
  auto putDword = [&](DWORD v) {
    words.push_back(LOWORD(v));
    words.push_back(HIWORD(v));
  };
  auto putText = [&](const wchar_t* text) {
    for (; *text; ++text) words.push_back(static_cast<WORD>(*text));
    words.push_back(0);
  };
  auto align = [&] {
    if (words.size() % 2) words.push_back(0);
  };
  putDword(style);
  putDword(0);
  words.push_back(static_cast<WORD>(items.size()));
  words.push_back(0);
  words.push_back(0);
  words.push_back(static_cast<WORD>(cx));
  words.push_back(static_cast<WORD>(cy));
  words.push_back(0);  // no menu
  words.push_back(0);  // default class
  putText(title);
  for (const DialogItem& item : items) {
    align();
    putDword(item.style);
    putDword(0);
    words.push_back(static_cast<WORD>(item.x));
    words.push_back(static_cast<WORD>(item.y));
    words.push_back(static_cast<WORD>(item.cx));
    words.push_back(static_cast<WORD>(item.cy));
    words.push_back(item.id);
    words.push_back(0xFFFF);
    words.push_back(item.classAtom);
    putText(item.text);
    words.push_back(0);  // no creation data
  }
  return words;
}

inline const DLGTEMPLATE* AsTemplate(const std::vector<WORD>& words) {
  return reinterpret_cast<const DLGTEMPLATE*>(words.data());
}

}  // namespace win32test
