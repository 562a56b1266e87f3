#include "toolkit/NativeControls.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cwchar>

AvlfEdt::~AvlfEdt() {
  if (m_hBkBrush) ::DeleteObject(m_hBkBrush);
  if (m_hFont) ::DeleteObject(m_hFont);
}

LRESULT AvlfEdt::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  LRESULT result = DefWindowProc(uMsg, wParam, lParam);
  if (!m_hBkBrush) m_hBkBrush = ::CreateSolidBrush(RGB(255, 255, 255));
  if (!m_hFont) m_hFont = ::CreateFontIndirectW(&m_logFont);
  if (!m_strText.empty()) SetWindowText(m_strText.c_str());
  SetFont(m_hFont, TRUE);
  ::SetClassLongPtrW(m_hWnd, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(::LoadCursorW(nullptr, IDC_IBEAM)));
  return result;
}

LRESULT AvlfCommonEdit::OnChange(WORD, WORD, HWND, BOOL&) {
  wchar_t text[16] = {};
  ::GetWindowTextW(m_hWnd, text, 16);
  if (!text[0]) return -1;
  for (const wchar_t* p = text; *p; ++p)
    if (*p < L'0' || *p > L'9') return -1;
  // wcstol saturates at INT_MAX (long is 32 bits here) where the text is larger.
  m_nValue = static_cast<int32_t>(std::wcstol(text, nullptr, 10));
  return 0;
}

LRESULT AvlfSpinCtrl::OnDeltaPos(int, LPNMHDR header, BOOL& bHandled) {
  if (!m_pBuddy) {
    bHandled = FALSE;
    return 0;
  }
  const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
  // Worked out in 64 bits: a step past the 32-bit range stops at its end.
  int64_t value = static_cast<int64_t>(m_pBuddy->GetValue()) + static_cast<int64_t>(change->iDelta) * m_nStep;
  if (value < 0) value = 0;
  if (value > INT_MAX) value = INT_MAX;
  m_nValue = static_cast<int32_t>(value);
  wchar_t text[16];
  std::swprintf(text, sizeof text / sizeof text[0], L"%d", m_nValue);
  m_pBuddy->m_strText = text;
  m_pBuddy->m_bLayoutValid = false;
  if (m_pBuddy->m_hWnd) ::SetWindowTextW(m_pBuddy->m_hWnd, text);
  m_pBuddy->SetValue(m_nValue);
  return 0;
}
