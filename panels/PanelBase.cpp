#include "panels/PanelBase.h"

#include <algorithm>
#include <cstring>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Draw.h"
#include "panels/PropertyHost.h"
#include "settings/Configuration.h"
#include "toolkit/Buttons.h"
#include "toolkit/SkinPickers.h"

namespace {

CDTElement* DrawingElement(CDTElement* element) { return element && element->m_nKind == 1 ? element : nullptr; }

}  // namespace

CWndSettingsBase::~CWndSettingsBase() = default;

void CWndSettingsBase::SetFigure(CDTElement* element) {
  CDTElement* figure = DrawingElement(element);
  if (figure == m_pFigure) return;
  m_pFigure = figure;
  Update();
}

void CWndSettingsBase::SetDocument(CDTImage* document) {
  m_pDocument = document;
  SetFigure(document ? document->m_pSelected : nullptr);
}

bool CWndSettingsBase::ReadText(HWND control) {
  std::memset(m_szText, 0, sizeof(m_szText));
  const int capacity = std::clamp(m_nTextSize, 0, static_cast<int>(std::size(m_szText)));
  if (!control || capacity < 1) return false;
  return ::GetWindowTextW(control, m_szText, capacity) > 0;
}

void CWndSettingsBase::CopyTextToClipboard(HWND control) {
  if (!control) return;
  const int length = ::GetWindowTextLengthW(control);
  if (length <= 0) return;
  if (!::OpenClipboard(::GetParent(control))) return;
  if (::EmptyClipboard()) {
    const SIZE_T bytes = (static_cast<SIZE_T>(length) + 1) * sizeof(wchar_t);
    if (HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      auto* text = static_cast<wchar_t*>(::GlobalLock(block));
      if (text) {
        std::memset(text, 0, bytes);
        ::GetWindowTextW(control, text, length + 1);
        ::GlobalUnlock(block);
      }
      // The clipboard owns the block once it takes it.
      if (!text || !::SetClipboardData(CF_UNICODETEXT, block)) ::GlobalFree(block);
    }
  }
  ::CloseClipboard();
}

bool CWndSettingsBase::ToggleShowResult(CDTDraw* figure, AvlfIconBtn* button) {
  if (!g_pDirectUI) return false;
  const bool current = figure ? figure->m_bShowResult != 0 : g_pDirectUI->m_bShowResult != 0;
  const bool next = !current;
  if (button) button->SetCheck(next, true);
  g_pDirectUI->SetShowMeasureResult(next ? TRUE : FALSE, figure);
  if (!figure) g_Config.m_ShowMeasureResult = next ? 1 : 0;
  return next;
}

void CWndSettingsBase::ToggleTextBackground(CDTDraw* figure, AvlfIconBtn* button) {
  if (!g_pDirectUI) return;
  const bool current = figure ? figure->m_label.m_bBackground != 0 : g_pDirectUI->m_bTextBackground != 0;
  const bool next = !current;
  if (button) button->SetSelected(next);
  g_pDirectUI->SetTextBackground(next ? TRUE : FALSE, figure);
  if (!figure) g_Config.m_TextBackground = next ? 1 : 0;
}

void CWndSettingsBase::ToggleTextBorder(CDTDraw* figure, AvlfIconBtn* button) {
  if (!g_pDirectUI) return;
  const bool current = figure ? figure->m_label.m_bBorder != 0 : g_pDirectUI->m_bTextBorder != 0;
  const bool next = !current;
  if (button) button->SetSelected(next);
  g_pDirectUI->SetTextBorder(next ? TRUE : FALSE, figure);
  if (!figure) g_Config.m_TextBorder = next ? 1 : 0;
}

win32::CWndClassInfo& CWndSettingsMeasurements::GetWndClassInfo() {
  static win32::CWndClassInfo info = {
      L"WndSettingsMeasurements", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CWndSettingsMeasurements::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  m_pWeight = dynamic_cast<CWeightButton*>(FindChildByCommandId(STYLE_WEIGHT));
  m_pLineColor = dynamic_cast<CColorButton*>(FindChildByCommandId(STYLE_LINE_COLOR));
  m_pFill = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(STYLE_FILL));
  m_pVertices = FindChildByCommandId(STYLE_VERTICES);
  m_pFontSize = dynamic_cast<CFontButton*>(FindChildByCommandId(STYLE_FONT_SIZE));
  m_pTextColor = dynamic_cast<CColorButton*>(FindChildByCommandId(STYLE_TEXT_COLOR));
  m_pTextBkColor = dynamic_cast<CColorButton*>(FindChildByCommandId(STYLE_TEXT_BK_COLOR));
  Update();
  return 0;
}

void CWndSettingsMeasurements::SetFigure(CDTElement* element) {
  CDTElement* figure = DrawingElement(element);
  if (figure == m_pFigure) return;
  m_pFigure = figure;
  Update();
}

void CWndSettingsMeasurements::ShowStyle(int weight, DWORD line, bool fill, int fontSize, DWORD text, DWORD textBk) {
  if (m_pWeight && m_pWeight->m_nValue != weight) m_pWeight->SetValue(weight);
  if (m_pLineColor && m_pLineColor->GetColor() != line) m_pLineColor->SetColor(line);
  if (m_pFill && m_pFill->GetSelected() != fill) m_pFill->SetSelected(fill);
  if (m_pTextColor && m_pTextColor->GetColor() != text) m_pTextColor->SetColor(text);
  if (m_pFontSize && m_pFontSize->m_nValue != fontSize) m_pFontSize->SetValue(fontSize);
  if (m_pTextBkColor && m_pTextBkColor->GetColor() != textBk) m_pTextBkColor->SetColor(textBk);
}

void CWndSettingsMeasurements::Update() {
  // Which controls apply to the held figure's type; -1 stands for no figure.
  auto* figure = static_cast<CDTDraw*>(m_pFigure);
  const int type = figure ? figure->m_nType : -1;
  bool weightOn = true, lineOn = true, fillOn = true, textBkOn = true, vertices = true;
  if (!figure) {
    if (!g_pDirectUI) return;
    const CDirectUI& canvas = *g_pDirectUI;
    ShowStyle(canvas.m_nPenWeight, canvas.m_clrLine, canvas.m_bSolid != 0, canvas.m_nFontSize, canvas.m_clrText,
              canvas.m_clrTextBk);
    vertices = false;
  } else {
    const bool closed = type >= DRAW_CIRCLE && type <= DRAW_CURVE_POLYGON;
    const int weight = type == DRAW_RULER ? 1 : figure->m_nPenWeight;
    ShowStyle(weight, figure->m_clrLine, closed && figure->m_bSolid != 0, figure->m_nFontSize, figure->m_clrText,
              figure->m_label.m_clrBackground);
    weightOn = type != DRAW_RULER && type != DRAW_CLIPART && type != DRAW_TEXT;
    lineOn = type != DRAW_CLIPART && type != DRAW_TEXT;
    fillOn = closed;
    textBkOn = type != DRAW_CLIPART;
    vertices = type != DRAW_CLIPART && type != DRAW_TEXT;
  }
  const auto enable = [](AvlfWindowBase* control, bool on) {
    if (control && control->m_hWnd) ::EnableWindow(control->m_hWnd, on ? TRUE : FALSE);
  };
  enable(m_pWeight, weightOn);
  enable(m_pLineColor, lineOn);
  enable(m_pFill, fillOn);
  enable(m_pTextColor, true);
  enable(m_pFontSize, true);
  enable(m_pTextBkColor, textBkOn);
  if (m_pVertices && m_pVertices->m_hWnd) ::ShowWindow(m_pVertices->m_hWnd, vertices ? SW_SHOW : SW_HIDE);
}

void CWndSettingsMeasurements::RefreshStyle(CDTImage* document) {
  if (!document) return;
  CDTElement* current = DrawingElement(document->m_pSelected);
  if (!current || current != m_pFigure) return;
  auto* figure = static_cast<CDTDraw*>(current);
  if (figure->m_nType == DRAW_RULER) return;
  const bool closed = figure->m_nType >= DRAW_CIRCLE && figure->m_nType <= DRAW_CURVE_POLYGON;
  ShowStyle(figure->m_nPenWeight, figure->m_clrLine, closed && figure->m_bSolid != 0, figure->m_nFontSize,
            figure->m_clrText, figure->m_label.m_clrBackground);
}

LRESULT CWndSettingsMeasurements::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  const int id = LOWORD(wParam);
  switch (id) {
    case STYLE_WEIGHT:
    case STYLE_LINE_COLOR:
    case STYLE_FILL:
    case STYLE_VERTICES:
    case STYLE_FONT_SIZE:
    case STYLE_TEXT_COLOR:
    case STYLE_TEXT_BK_COLOR:
      OnControl(id);
      return 0;
    default:
      handled = FALSE;
      return 0;
  }
}

void CWndSettingsMeasurements::OnControl(int id) {
  if (!g_pDirectUI) return;
  CDirectUI& canvas = *g_pDirectUI;
  auto* figure = static_cast<CDTDraw*>(DrawingElement(m_pFigure));
  const bool ruler = figure && figure->m_nType == DRAW_RULER;
  switch (id) {
    case STYLE_WEIGHT: {
      if (!m_pWeight) return;
      const int weight = std::clamp(static_cast<int>(m_pWeight->m_nValue), 1, 64);
      if (ruler) return;
      canvas.SetPenWeight(weight, figure);
      if (!figure) g_Config.m_PenWeight = static_cast<DWORD>(weight);
      return;
    }
    case STYLE_LINE_COLOR: {
      if (!m_pLineColor) return;
      const DWORD colour = m_pLineColor->GetColor();
      canvas.SetLineColor(colour, figure);
      if (!figure) g_Config.m_MeasureColor = colour;
      if (ruler) g_Config.m_RulerColor = colour;
      return;
    }
    case STYLE_FILL: {
      if (!m_pFill) return;
      const bool fill = !m_pFill->GetSelected();
      canvas.SetSolid(fill ? TRUE : FALSE, figure);
      m_pFill->SetSelected(fill);
      if (!figure) g_Config.m_Solid = fill ? 1 : 0;
      return;
    }
    case STYLE_VERTICES:
      if (g_pWndProperties) g_pWndProperties->ShowPanel(PANEL_VERTEX);
      return;
    case STYLE_FONT_SIZE: {
      if (!m_pFontSize) return;
      const int size = std::clamp(static_cast<int>(m_pFontSize->m_nValue), 1, 64);
      canvas.SetFontSize(size, figure);
      if (!figure) g_Config.m_TextWeight = static_cast<DWORD>(size);
      if (ruler) g_Config.m_RulerWeight = static_cast<DWORD>(size);
      return;
    }
    case STYLE_TEXT_COLOR: {
      if (!m_pTextColor) return;
      const DWORD colour = m_pTextColor->GetColor();
      canvas.SetTextColor(colour, figure);
      if (!figure) g_Config.m_TextColor = colour;
      if (ruler) g_Config.m_RulerTextColor = colour;
      return;
    }
    case STYLE_TEXT_BK_COLOR: {
      if (!m_pTextBkColor) return;
      const DWORD colour = m_pTextBkColor->GetColor();
      canvas.SetTextBackgroundColor(colour, figure);
      if (!figure) g_Config.m_TextBackgroundColor = colour;
      if (ruler) g_Config.m_RulerTextBkColor = colour;
      return;
    }
    default:
      return;
  }
}
