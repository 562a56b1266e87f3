// Placeholder for the clip-art figure: only what the canvas commands set.
#pragma once

#include "engine/figures/Draw.h"

class CDTClipart : public CDTDraw {
 public:
  CDTClipart() { m_nType = DRAW_CLIPART; }
  int Draw() override { return 0; }
  void SetColor(DWORD argb) { m_clrClipart = argb; }
  void SetFixedSize(BOOL fixed) { m_bFixedSize = fixed ? 1 : 0; }

  DWORD m_clrClipart = 0xFFFFFFFF;
  BYTE m_bFixedSize = 1;
};
