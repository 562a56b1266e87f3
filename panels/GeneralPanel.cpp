#include "panels/GeneralPanel.h"

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "settings/Configuration.h"
#include "toolkit/Buttons.h"
#include "toolkit/SkinPickers.h"
#include "toolkit/SkinUi.h"

namespace {

void ShowControl(AvlfWindowBase* control, bool show) {
  if (control && control->m_hWnd) ::ShowWindow(control->m_hWnd, show ? SW_SHOW : SW_HIDE);
}

void SetSelectedIfDifferent(AvlfIconBtn* button, bool selected) {
  if (button && button->GetSelected() != selected) button->SetSelected(selected);
}

}  // namespace

win32::CWndClassInfo& CWndSettingsGeneral::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndSettingsGeneral", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CWndSettingsGeneral::OnInit(UINT, WPARAM, LPARAM, BOOL&) {
  m_pCaption = static_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(L"UniversalSettings", 5));
  m_pShowResult = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(GENERAL_SHOW_RESULT));
  m_pLabelBackground = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(GENERAL_LABEL_BACKGROUND));
  m_pLabelBorder = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(GENERAL_LABEL_BORDER));
  m_pGridShow = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(GENERAL_GRID_SHOW));
  m_pGridColor = dynamic_cast<CColorButton*>(FindChildByCommandId(GENERAL_GRID_COLOR));
  m_pGridWeight = dynamic_cast<CWeightButton*>(FindChildByCommandId(GENERAL_GRID_WEIGHT));
  m_pCrossShow = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(GENERAL_CROSS_SHOW));
  m_pCrossColor = dynamic_cast<CColorButton*>(FindChildByCommandId(GENERAL_CROSS_COLOR));
  m_pCrossTrack = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(GENERAL_CROSS_TRACK));

  if (m_pGridWeight) {
    m_pGridWeight->SetRange(5, 125);
    m_pGridWeight->SetValue(static_cast<int>(g_Config.m_GridWeight));
  }
  if (m_pGridColor) m_pGridColor->SetColor(g_Config.m_GridColor);
  if (m_pCrossColor) m_pCrossColor->SetColor(g_Config.m_CrossColor);
  if (m_pGridShow) m_pGridShow->SetCheck(g_Config.m_GridShow != 0, true);
  if (m_pCrossShow) m_pCrossShow->SetCheck(g_Config.m_CrossShow != 0, true);
  SetSelectedIfDifferent(m_pCrossTrack, g_Config.m_CrossTrack != 0);

  const bool showResult = g_Config.m_ShowMeasureResult != 0;
  if (m_pShowResult && m_pShowResult->GetCheck() != showResult) m_pShowResult->SetCheck(showResult, true);
  SetSelectedIfDifferent(m_pLabelBackground, g_Config.m_TextBackground != 0);
  SetSelectedIfDifferent(m_pLabelBorder, g_Config.m_TextBorder != 0);

  ShowGridOptions();
  ShowCrossOptions();
  // The label toggles mean nothing while no value is shown.
  ShowLabelToggles(showResult);
  if (g_pDirectUI) CWndSettingsBase::SetDocument(g_pDirectUI->m_pActiveImage);
  return 0;
}

const wchar_t* CWndSettingsGeneral::GetCaption() { return m_pCaption ? m_pCaption->GetText() : nullptr; }

void CWndSettingsGeneral::Update() {
  if (!g_pDirectUI || !m_pShowResult) return;
  const CDirectUI& canvas = *g_pDirectUI;
  const bool showResult = canvas.m_bShowResult != 0;
  if (m_pShowResult->GetCheck() != showResult) m_pShowResult->SetCheck(showResult, true);
  SetSelectedIfDifferent(m_pLabelBackground, canvas.m_bTextBackground != 0);
  SetSelectedIfDifferent(m_pLabelBorder, canvas.m_bTextBorder != 0);
  ShowLabelToggles(showResult);
}

void CWndSettingsGeneral::ShowGridOptions() {
  const bool on = m_pGridShow && m_pGridShow->GetCheck();
  ShowControl(m_pGridColor, on);
  ShowControl(m_pGridWeight, on);
}

void CWndSettingsGeneral::ShowCrossOptions() {
  const bool on = m_pCrossShow && m_pCrossShow->GetCheck();
  ShowControl(m_pCrossColor, on);
  ShowControl(m_pCrossTrack, on);
}

void CWndSettingsGeneral::ShowLabelToggles(bool show) {
  ShowControl(m_pLabelBackground, show);
  ShowControl(m_pLabelBorder, show);
}

LRESULT CWndSettingsGeneral::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  const int id = LOWORD(wParam);
  switch (id) {
    case GENERAL_SHOW_RESULT:
    case GENERAL_LABEL_BACKGROUND:
    case GENERAL_LABEL_BORDER:
    case GENERAL_GRID_SHOW:
    case GENERAL_GRID_COLOR:
    case GENERAL_GRID_WEIGHT:
    case GENERAL_CROSS_SHOW:
    case GENERAL_CROSS_COLOR:
    case GENERAL_CROSS_TRACK:
      OnControl(id);
      return 0;
    default:
      handled = FALSE;  // on to the reflection
      return 0;
  }
}

void CWndSettingsGeneral::OnControl(int id) {
  CDirectUI* canvas = g_pDirectUI;
  switch (id) {
    case GENERAL_SHOW_RESULT: {
      // Only the default for new figures, never the selected one.
      if (!canvas) return;
      const bool show = ToggleShowResult(nullptr, m_pShowResult);
      ShowLabelToggles(show);
      return;
    }
    case GENERAL_LABEL_BACKGROUND: {
      if (!canvas) return;
      g_Config.m_TextBackground = g_Config.m_TextBackground ? 0 : 1;
      if (m_pLabelBackground) m_pLabelBackground->SetSelected(g_Config.m_TextBackground != 0);
      canvas->SetTextBackground(g_Config.m_TextBackground ? TRUE : FALSE, nullptr);
      return;
    }
    case GENERAL_LABEL_BORDER: {
      if (!canvas) return;
      g_Config.m_TextBorder = g_Config.m_TextBorder ? 0 : 1;
      if (m_pLabelBorder) m_pLabelBorder->SetSelected(g_Config.m_TextBorder != 0);
      canvas->SetTextBorder(g_Config.m_TextBorder ? TRUE : FALSE, nullptr);
      return;
    }
    case GENERAL_GRID_SHOW: {
      g_Config.m_GridShow = g_Config.m_GridShow ? 0 : 1;
      if (canvas) canvas->ShowGrid(g_Config.m_GridShow ? TRUE : FALSE);
      if (m_pGridShow) m_pGridShow->SetCheck(g_Config.m_GridShow != 0, true);
      ShowGridOptions();
      return;
    }
    case GENERAL_GRID_COLOR: {
      if (!m_pGridColor) return;
      const DWORD colour = m_pGridColor->GetColor();
      if (colour == g_Config.m_GridColor) return;
      if (canvas) canvas->SetGridColor(colour);
      g_Config.m_GridColor = colour;
      return;
    }
    case GENERAL_GRID_WEIGHT: {
      if (!m_pGridWeight) return;
      const int spacing = m_pGridWeight->m_nValue;
      if (static_cast<DWORD>(spacing) == g_Config.m_GridWeight) return;
      if (canvas) canvas->SetGridWeight(spacing);
      g_Config.m_GridWeight = static_cast<DWORD>(spacing);
      return;
    }
    case GENERAL_CROSS_SHOW: {
      g_Config.m_CrossShow = g_Config.m_CrossShow ? 0 : 1;
      if (canvas) canvas->ShowCross(g_Config.m_CrossShow ? TRUE : FALSE);
      if (m_pCrossShow) m_pCrossShow->SetCheck(g_Config.m_CrossShow != 0, true);
      ShowCrossOptions();
      return;
    }
    case GENERAL_CROSS_COLOR: {
      if (!m_pCrossColor) return;
      const DWORD colour = m_pCrossColor->GetColor();
      if (colour == g_Config.m_CrossColor) return;
      if (canvas) canvas->SetCrossColor(colour);
      g_Config.m_CrossColor = colour;
      return;
    }
    case GENERAL_CROSS_TRACK: {
      if (!canvas) return;
      g_Config.m_CrossTrack = g_Config.m_CrossTrack ? 0 : 1;
      if (m_pCrossTrack) m_pCrossTrack->SetSelected(g_Config.m_CrossTrack != 0);
      canvas->SetCrossTrack(g_Config.m_CrossTrack ? TRUE : FALSE);
      return;
    }
    default:
      return;
  }
}
