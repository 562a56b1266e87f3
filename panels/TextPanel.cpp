#include "panels/TextPanel.h"

#include "engine/DirectUI.h"
#include "engine/Element.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Draw.h"
#include "panels/ToolPalette.h"
#include "settings/Configuration.h"
#include "toolkit/Buttons.h"
#include "toolkit/SkinUi.h"

namespace {

CDTDraw* TextFigure(CDTElement* element) {
  if (!element || element->m_nKind != 1) return nullptr;
  auto* figure = static_cast<CDTDraw*>(element);
  return figure->m_nType == DRAW_TEXT ? figure : nullptr;
}

}  // namespace

win32::CWndClassInfo& CWndSettingsText::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndSettingsText", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CWndSettingsText::OnInit(UINT, WPARAM, LPARAM, BOOL&) {
  m_pCaption = dynamic_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(L"Text", AVLF_UI_TEXT));
  m_pBackground = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(TEXT_BACKGROUND));
  m_pBorder = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(TEXT_BORDER));
  m_hEdit = ::GetDlgItem(m_hWnd, TEXT_CONTENT);
  if (m_hEdit && !g_Config.m_TextContent.empty()) ::SetWindowTextW(m_hEdit, g_Config.m_TextContent.c_str());
  if (g_pDirectUI) CWndSettingsBase::SetDocument(g_pDirectUI->m_pActiveImage);
  return 0;
}

const wchar_t* CWndSettingsText::GetCaption() {
  if (CDTDraw* figure = TextFigure(m_pFigure); figure && figure->m_pszName) return figure->m_pszName;
  return m_pCaption ? m_pCaption->GetText() : nullptr;
}

void CWndSettingsText::ShowSwitches(bool background, bool border) {
  if (m_pBackground && m_pBackground->GetSelected() != background) m_pBackground->SetSelected(background);
  if (m_pBorder && m_pBorder->GetSelected() != border) m_pBorder->SetSelected(border);
}

void CWndSettingsText::Update() {
  if (!g_pDirectUI || !m_hEdit) return;
  if (m_pFigure) {
    const auto* figure = static_cast<CDTDraw*>(m_pFigure);
    ShowSwitches(figure->m_label.m_bBackground != 0, figure->m_label.m_bBorder != 0);
  } else {
    ShowSwitches(g_pDirectUI->m_bTextBackground != 0, g_pDirectUI->m_bTextBorder != 0);
  }
}

void CWndSettingsText::RefreshStyle(CDTImage* document) {
  if (!document || document->m_pSelected != m_pFigure) return;
  if (const CDTDraw* figure = TextFigure(m_pFigure))
    ShowSwitches(figure->m_label.m_bBackground != 0, figure->m_label.m_bBorder != 0);
}

void CWndSettingsText::ApplyText() {
  if (!ReadText(m_hEdit)) return;
  if (g_pDirectUI) g_pDirectUI->SetText(m_szText);
  g_Config.m_TextContent = m_szText;
  // Anything but a text figure held: the next click on the picture places one.
  if (TextFigure(m_pFigure)) return;
  if (g_pWndTool) g_pWndTool->SelectButton(ToolText);
  if (g_pDirectUI) g_pDirectUI->SetTool(DRAW_TEXT);
}

LRESULT CWndSettingsText::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  switch (LOWORD(wParam)) {
    case TEXT_BACKGROUND:
      ToggleTextBackground(static_cast<CDTDraw*>(m_pFigure), m_pBackground);
      return 0;
    case TEXT_BORDER:
      ToggleTextBorder(static_cast<CDTDraw*>(m_pFigure), m_pBorder);
      return 0;
    case TEXT_APPLY:
      ApplyText();
      return 0;
    default:
      handled = FALSE;
      return 0;
  }
}
