// Placeholder for the text figure: only the text the canvas command gives it.
#pragma once

#include <string>

#include "engine/figures/Draw.h"

class CDTText : public CDTDraw {
 public:
  CDTText() { m_nType = DRAW_TEXT; }
  int Draw() override { return 0; }
  void SetText(const wchar_t* text) { m_strText = text ? text : L""; }

  std::wstring m_strText;
};
