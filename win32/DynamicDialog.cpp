#include "win32/DynamicDialog.h"

#include <algorithm>
#include <cstring>

namespace win32 {

static_assert(sizeof(DLGTEMPLATE) == 18, "DLGTEMPLATE is packed to 18 bytes");

CDynamicDialogTemplate::~CDynamicDialogTemplate() {
  if (m_hMem) {
    ::GlobalUnlock(m_hMem);
    ::GlobalFree(m_hMem);
  }
}

bool CDynamicDialogTemplate::Create(int cx, int cy, DWORD style, DWORD exStyle) {
  if (!m_hMem) {
    m_hMem = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kAllocated);
    if (!m_hMem) return false;
    m_pTemplate = static_cast<DLGTEMPLATE*>(::GlobalLock(m_hMem));
    if (!m_pTemplate) {
      ::GlobalFree(m_hMem);
      m_hMem = nullptr;
      return false;
    }
  }
  // Dialog units travel as 16-bit shorts.
  auto clampUnits = [](int v) { return static_cast<short>(std::clamp(v, 0, 0x7FFF)); };
  std::memset(m_pTemplate, 0, kEmptySize);
  m_pTemplate->style = style;
  m_pTemplate->dwExtendedStyle = exStyle;
  m_pTemplate->cdit = 0;
  m_pTemplate->x = 0;
  m_pTemplate->y = 0;
  m_pTemplate->cx = clampUnits(cx);
  m_pTemplate->cy = clampUnits(cy);
  // Menu, class and title words stay 0: none, the dialog class, empty.
  m_nUsed = kEmptySize;
  return true;
}

}  // namespace win32
