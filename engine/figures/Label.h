// Placeholder for the figure label: holds the style the canvas commands set
// and a box for hit tests. Replaced by the real label with the text engine.
#pragma once

#include <windows.h>

#include <string>

class CDTLabel {
 public:
  BOOL HitTest(const POINT* point) const { return point && ::PtInRect(&m_rc, *point); }
  void SetFontFace(const wchar_t* face) { m_strFontFace = face ? face : L""; }

  RECT m_rc{};
  DWORD m_clrText = 0xFF0000FF;
  DWORD m_clrBackground = 0x80000000;
  int m_bBackground = 1;
  int m_bBorder = 1;
  int m_nFontSize = 16;
  std::wstring m_strFontFace;
};
