#include "panels/MagnifierPanel.h"

#include "engine/DirectUI.h"
#include "settings/Configuration.h"
#include "toolkit/Buttons.h"
#include "toolkit/SkinPickers.h"
#include "toolkit/SkinUi.h"

win32::CWndClassInfo& CWndSettingsMagnifier::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndSettingsMagnifier", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CWndSettingsMagnifier::OnInit(UINT, WPARAM, LPARAM, BOOL&) {
  m_pCaption = static_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(L"SelectZoom", 5));
  m_pFactor = dynamic_cast<CWeightButton*>(FindChildByCommandId(MAGNIFIER_FACTOR));
  m_pSize = dynamic_cast<CWeightButton*>(FindChildByCommandId(MAGNIFIER_SIZE));
  m_pFollowMouse = dynamic_cast<AvlfButton*>(FindChildByCommandId(MAGNIFIER_FOLLOW_MOUSE));
  if (m_pFactor) {
    m_pFactor->SetRange(2, 15);
    m_pFactor->SetValue(static_cast<int>(g_Config.m_MagnifierWeight));
  }
  if (m_pSize) {
    m_pSize->SetRange(24, 128);
    m_pSize->SetValue(static_cast<int>(g_Config.m_MagnifierDisplay));
  }
  if (m_pFollowMouse) m_pFollowMouse->SetCheck(g_Config.m_MagnifierMouse != 0, true);
  return 0;
}

const wchar_t* CWndSettingsMagnifier::GetCaption() { return m_pCaption ? m_pCaption->GetText() : nullptr; }

LRESULT CWndSettingsMagnifier::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  const int id = LOWORD(wParam);
  if (id != MAGNIFIER_FOLLOW_MOUSE && id != MAGNIFIER_FACTOR && id != MAGNIFIER_SIZE) {
    handled = FALSE;  // on to the reflection
    return 0;
  }
  OnControl(id);
  return 0;
}

void CWndSettingsMagnifier::OnControl(int id) {
  CDirectUI* canvas = g_pDirectUI;
  switch (id) {
    case MAGNIFIER_FACTOR: {
      if (!m_pFactor) return;
      const int factor = m_pFactor->m_nValue;
      if (canvas) canvas->SetMagnifierWeight(factor);
      g_Config.m_MagnifierWeight = static_cast<DWORD>(factor);
      return;
    }
    case MAGNIFIER_SIZE: {
      if (!m_pSize) return;
      const int size = m_pSize->m_nValue;
      if (canvas) canvas->SetMagnifierDisplay(size);
      g_Config.m_MagnifierDisplay = static_cast<DWORD>(size);
      return;
    }
    case MAGNIFIER_FOLLOW_MOUSE: {
      if (!canvas) return;
      const bool follow = !canvas->GetMagnifierMouse();
      if (m_pFollowMouse) m_pFollowMouse->SetCheck(follow, true);
      g_Config.m_MagnifierMouse = follow ? 1 : 0;
      canvas->SetMagnifierMouse(follow ? TRUE : FALSE);
      return;
    }
    default:
      return;
  }
}
