#include "panels/RulerPanel.h"

#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>

#include "app/MainFrame.h"
#include "app/MeasureFiles.h"
#include "engine/Image.h"
#include "settings/Configuration.h"
#include "toolkit/SkinUi.h"

namespace {

RulerMessageBoxFunction g_messageBox = &::MessageBoxW;

}  // namespace

void SetRulerMessageBoxFunction(RulerMessageBoxFunction box) { g_messageBox = box ? box : &::MessageBoxW; }

double ReadLeadingNumber(const wchar_t* text) {
  if (!text) return 0.0;
  const wchar_t* p = text;
  while (*p == L' ' || *p == L'\t') ++p;
  // Only the plain decimal form counts: the C library would also read hex
  // numbers, "inf" and "nan", which no one types as a length.
  const wchar_t* start = p;
  if (*p == L'+' || *p == L'-') ++p;
  const wchar_t* digits = p;
  while (std::iswdigit(*p)) ++p;
  bool any = p != digits;
  if (*p == L'.') {
    ++p;
    const wchar_t* fraction = p;
    while (std::iswdigit(*p)) ++p;
    any = any || p != fraction;
  }
  if (!any) return 0.0;
  if (*p == L'e' || *p == L'E') {
    const wchar_t* exponent = p + 1;
    if (*exponent == L'+' || *exponent == L'-') ++exponent;
    if (std::iswdigit(*exponent)) {
      p = exponent;
      while (std::iswdigit(*p)) ++p;
    }
  }
  return std::wcstod(std::wstring(start, p).c_str(), nullptr);
}

win32::CWndClassInfo& CWndSettingsRuler::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndSettingsRuler", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CWndSettingsRuler::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  m_pCaption = dynamic_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(L"MeasureRuler", AVLF_UI_TEXT));
  m_hLength = ::GetDlgItem(m_hWnd, RULER_LENGTH_EDIT);
  m_hUnit = ::GetDlgItem(m_hWnd, RULER_UNIT_EDIT);
  m_hPower = ::GetDlgItem(m_hWnd, RULER_POWER_EDIT);
  if (m_hLength) ::SetWindowTextW(m_hLength, L"100");
  if (m_hLength) {
    const std::wstring unit = m_pDocument ? std::wstring(m_pDocument->m_szUnit) : g_Config.CopyUnit();
    if (m_hUnit) ::SetWindowTextW(m_hUnit, unit.c_str());
    wchar_t power[64] = {};
    std::swprintf(power, 64, L"%.2f", m_pDocument ? m_pDocument->MultiPower : g_Config.m_MultiPower);
    if (m_hPower) ::SetWindowTextW(m_hPower, power);
  }
  return 0;
}

const wchar_t* CWndSettingsRuler::GetCaption() { return m_pCaption ? m_pCaption->GetText() : nullptr; }

LRESULT CWndSettingsRuler::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  switch (LOWORD(wParam)) {
    case RULER_APPLY_LENGTH:
      ApplyLength();
      return 0;
    case RULER_APPLY_UNIT:
      ApplyUnit();
      return 0;
    case RULER_APPLY_POWER:
      ApplyPower();
      return 0;
    case RULER_LOAD:
      if (g_pMainFrame) g_pMainFrame->OnMeasureLoadRuler();
      return 0;
    case RULER_SAVE:
      if (g_pMainFrame) g_pMainFrame->OnMeasureSaveRuler();
      return 0;
    default:
      handled = FALSE;
      return 0;
  }
}

void CWndSettingsRuler::Complain(const wchar_t* key) { g_messageBox(m_hWnd, SkinText(key).c_str(), nullptr, MB_OK); }

// An empty field is told, like a wrong one: the user pressed the button
// expecting something to happen.
void CWndSettingsRuler::ApplyLength() {
  if (!m_pDocument) return;
  if (!ReadText(m_hLength)) return Complain(L"eWrongLength");
  const double length = ReadLeadingNumber(m_szText);
  // Too large a number reads as infinite and would leave no scale at all.
  if (!std::isfinite(length) || !(length >= kMinLength)) return Complain(L"eWrongLength");
  m_pDocument->CalibrateLength(length);
  g_Config.m_ReferenceScale = m_pDocument->ReferenceScale;
}

void CWndSettingsRuler::ApplyPower() {
  if (!m_pDocument) return;
  if (!ReadText(m_hPower)) return Complain(L"eWrongPower");
  const double power = ReadLeadingNumber(m_szText);
  if (!std::isfinite(power) || !(power >= kMinPower)) return Complain(L"eWrongPower");
  g_Config.m_MultiPower = power;
  m_pDocument->SetMultiPower(power);
}

void CWndSettingsRuler::ApplyUnit() {
  if (!m_pDocument) return;
  // Blanks alone would print as no unit at all.
  const bool any = ReadText(m_hUnit) && std::wcsspn(m_szText, L" \t") < std::wcslen(m_szText);
  if (!any) return Complain(L"eWrongUnit");
  g_Config.SetUnit(m_szText);
  m_pDocument->SetUnit(m_szText);
}
